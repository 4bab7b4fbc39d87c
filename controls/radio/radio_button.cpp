#include "controls/radio/radio_button.h"

#include "frame/errors.h"
#include "frame/events.h"
#include "frame/members.h"
#include "frame/variant.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
// The hidden elements that hold the pictures, in the order of RadioButton::Look.
constexpr std::string_view kLookNames[RadioButton::kLooks] = {
    "True3D", "False3D", "TrueFlat", "FalseFlat", "True3DDisabled", "False3DDisabled", "TrueFlatDisabled",
    "FalseFlatDisabled"};

constexpr int32_t kAppearanceFlat = 0;
constexpr int32_t kAppearance3D = 1;
}  // namespace

RadioButton::RadioButton(Surface& surface) : surface_(surface), option1_(surface.AddImage("Option1")) {
  Runtime& runtime = surface.GetRuntime();
  for (int i = 0; i < kLooks; ++i) {
    ImagePart& element = surface.AddImage(kLookNames[i]);
    element.SetVisible(false);
    element.SetPicture(runtime.NewPicture(kPictureSide, kPictureSide, Pixels(static_cast<Look>(i))));
    looks_[i] = &element;
  }
  option1_.SetLeft(0);
  option1_.SetTop(0);
  option1_.SetWidth(kGlyphSize);
  option1_.SetHeight(kGlyphSize);
  // A new instance's look, until the first paint chooses one from the fields.
  option1_.SetPicture(looks_[static_cast<int>(Look::kFalse3D)]->GetPicture());
}

std::unique_ptr<Control> MakeRadioButton(Surface& surface) { return std::make_unique<RadioButton>(surface); }

Variant RadioButton::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  using R = RadioButton;
  static constexpr MemberBinding<R> kMembers[] = {
      {"Enabled", [](R& r) { return Variant::Boolean(r.Enabled()); },
       [](R& r, const Variant& v) { r.SetEnabled(v.ToBoolean()); }},
      {"value", [](R& r) { return Variant::Boolean(r.Value()); },
       [](R& r, const Variant& v) { r.SetValue(v.ToBoolean()); }},
      {"Appearance", [](R& r) { return Variant::Long(r.Appearance()); },
       [](R& r, const Variant& v) { r.SetAppearance(v.ToLong()); }},
  };
  return InvokeMember<R>(*this, kMembers, member, kind, args);
}

// ---------------------------------------------------------------------------
// Every setter repaints and reports, even when the value is the one it had: the
// owner relies on the report, not on a comparison of its own.

void RadioButton::SetEnabled(bool on) {
  enabled_ = on;
  // A disabled mark takes neither the focus nor the mouse.
  surface_.SetEnabled(on);
  Paint();
  surface_.PropertyChanged("Enabled");
}

void RadioButton::SetValue(bool on) {
  value_ = on;
  Paint();
  surface_.PropertyChanged("Value");
}

// Any value but flat draws the 3D look, so nothing is refused.
void RadioButton::SetAppearance(int32_t appearance) {
  appearance_ = appearance;
  Paint();
  surface_.PropertyChanged("Appearance");
}

RadioButton::Look RadioButton::CurrentLook() const {
  const bool flat = appearance_ == kAppearanceFlat;
  if (enabled_) {
    if (value_) return flat ? Look::kTrueFlat : Look::kTrue3D;
    return flat ? Look::kFalseFlat : Look::kFalse3D;
  }
  if (value_) return flat ? Look::kTrueFlatDisabled : Look::kTrue3DDisabled;
  return flat ? Look::kFalseFlatDisabled : Look::kFalse3DDisabled;
}

void RadioButton::Paint() { option1_.SetPicture(looks_[static_cast<int>(CurrentLook())]->GetPicture()); }

void RadioButton::Show() {
  // A circle one pixel wider than the picture: it hides the picture's square
  // corners, so that what lies beneath the control shows there. The picture grows
  // with the display's dpi, and so does the circle.
  Runtime& runtime = surface_.GetRuntime();
  Gdi& gdi = runtime.GetGdi();
  const int side = RoundToLong(kRegionSide * kTwipsPerDesignPixel / runtime.TwipsPerPixelX());
  const Handle region = gdi.CreateRoundRectRgn(0, 0, side, side, side, side);
  if (!region) return;
  // The window owns the region once it took it; one it refused is still ours.
  if (gdi.SetWindowRgn(surface_.hWnd(), region, true) == 0) gdi.DeleteObject(region);
}

// ---------------------------------------------------------------------------
// Persistence. Inside an option button the design data holds only the extent, so
// at run time the mark starts from these defaults and its owner sets the rest.

namespace {
constexpr std::string_view kEnabledKey = "Enabled";
constexpr std::string_view kValueKey = "Value";
constexpr std::string_view kAppearanceKey = "Appearance";
constexpr std::string_view kMouseIconKey = "MouseIcon";
constexpr std::string_view kMousePointerKey = "MousePointer";
}  // namespace

void RadioButton::InitProperties() {
  enabled_ = true;
  SetValue(false);
  SetAppearance(kAppearance3D);
}

void RadioButton::ReadProperties(PropertyBag& bag) {
  SetEnabled(bag.ReadProperty(kEnabledKey, Variant::Boolean(true)).ToBoolean());
  SetValue(bag.ReadProperty(kValueKey, Variant::Boolean(false)).ToBoolean());
  SetAppearance(bag.ReadProperty(kAppearanceKey, Variant::Long(kAppearance3D)).ToLong());
  surface_.SetMouseIcon(bag.ReadProperty(kMouseIconKey, Variant::OfPicture(nullptr)).ToPicture());
  surface_.SetMousePointer(bag.ReadProperty(kMousePointerKey, Variant::Integer(0)).ToInteger());
}

void RadioButton::WriteProperties(PropertyBag& bag) {
  bag.WriteProperty(kEnabledKey, Variant::Boolean(enabled_), Variant::Boolean(true));
  bag.WriteProperty(kValueKey, Variant::Boolean(value_), Variant::Boolean(false));
  bag.WriteProperty(kAppearanceKey, Variant::Long(appearance_), Variant::Long(kAppearance3D));
  bag.WriteProperty(kMouseIconKey, Variant::OfPicture(surface_.MouseIcon()), Variant::OfPicture(nullptr));
  bag.WriteProperty(kMousePointerKey, Variant::Integer(surface_.MousePointer()), Variant::Integer(0));
}

// ---------------------------------------------------------------------------
// Input. The mouse is the picture's; the keys are the surface's, which has the
// focus. Coordinates need no conversion: the picture sits at the control's origin.

void RadioButton::Click(Part* part) {
  if (FromOption1(part)) surface_.RaiseEvent("Click", {});
}

void RadioButton::DblClick(Part* part) {
  if (FromOption1(part)) surface_.RaiseEvent("DblClick", {});
}

void RadioButton::MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromOption1(part)) RaiseMouseEvent(surface_, "MouseDown", button, shift, x, y);
}

void RadioButton::MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromOption1(part)) RaiseMouseEvent(surface_, "MouseMove", button, shift, x, y);
}

void RadioButton::MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromOption1(part)) RaiseMouseEvent(surface_, "MouseUp", button, shift, x, y);
}

void RadioButton::KeyDown(Part* part, int16_t& key_code, int16_t& shift) {
  if (part == nullptr) RaiseKeyEvent(surface_, "KeyDown", key_code, shift);
}

void RadioButton::KeyUp(Part* part, int16_t& key_code, int16_t& shift) {
  if (part == nullptr) RaiseKeyEvent(surface_, "KeyUp", key_code, shift);
}

void RadioButton::KeyPress(Part* part, int16_t& key_ascii) {
  if (part == nullptr) RaiseKeyPress(surface_, key_ascii);
}

}  // namespace vitrelle
