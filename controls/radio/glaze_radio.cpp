#include "controls/radio/glaze_radio.h"

#include "about/about_box.h"
#include "controls/radio/group.h"
#include "controls/radio/radio_button.h"
#include "frame/errors.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
// Design positions of the parts, in twips. The caption's size follows its text.
constexpr float kGlyphLeft = 0;
constexpr float kGlyphTop = 0;
constexpr float kCaptionLeft = 300;
constexpr float kCaptionTop = 45;

RectPart& AddGlyph(Surface& surface) { return surface.AddUserControl("RadioButton1", &MakeRadioButton); }
}  // namespace

// The mark keeps its own pointer; the surface and the caption share one. A caption
// of any height that fits the surface is centred beside the mark.
GlazeRadio::GlazeRadio(Surface& surface)
    : CaptionedControl(surface, {.with_timer2 = false},
                       {.add_glyph = &AddGlyph, .pointer_on_surface = true, .italic_lays_out = true}),
      radio_button1_(dynamic_cast<UserControlPart&>(glyph())) {
  radio_button1_.SetLeft(kGlyphLeft);
  radio_button1_.SetTop(kGlyphTop);
  radio_button1_.SetWidth(RadioButton::kGlyphSize);
  radio_button1_.SetHeight(RadioButton::kGlyphSize);
  caption_label().SetLeft(kCaptionLeft);
  caption_label().SetTop(kCaptionTop);
}

std::unique_ptr<Control> MakeGlazeRadio(Surface& surface) { return std::make_unique<GlazeRadio>(surface); }

Variant GlazeRadio::GlyphGet(std::string_view member) const {
  return radio_button1_.Object().Invoke(member, InvokeKind::kGet, {});
}

void GlazeRadio::GlyphLet(std::string_view member, Variant value) {
  Variant args[1] = {std::move(value)};
  radio_button1_.Object().Invoke(member, InvokeKind::kLet, args);
}

// ---------------------------------------------------------------------------
// The setters the caption does not share. The property table reports each change
// after them, whether or not the value changed.

bool GlazeRadio::Value() const { return GlyphGet("value").ToBoolean(); }

// Setting an option is a walk over other controls that the application may have
// made of any kind, and it runs from the focus handler: each step goes on past a
// failure of the one before, and nothing reaches the caller.
void GlazeRadio::SetValue(bool on) {
  bool was_set = false;
  IgnoreErrors([&] { was_set = Value(); });
  IgnoreErrors([&] { GlyphLet("value", Variant::Boolean(on)); });
  if (!on) return;
  IgnoreErrors([&] { SelectInGroup(); });
  if (!was_set) IgnoreErrors([&] { surface().RaiseEvent("Click", {}); });
}

void GlazeRadio::SelectInGroup() {
  // A designer's form keeps every option as it was set there.
  if (!UserMode() || !Value()) return;
  if (const DispatchPtr extender = surface().Extender()) option_group::SelectInGroup(*extender);
}

int32_t GlazeRadio::hWnd() const { return WindowHandleValue(surface().hWnd()); }

void GlazeRadio::SetEnabled(bool on) {
  enabled_ = on;
  surface().SetEnabled(on);
  GlyphLet("Enabled", Variant::Boolean(on));
  caption_label().SetEnabled(on);
}

int32_t GlazeRadio::Appearance() const { return surface().Appearance(); }

// The surface holds 16 bits; the mark takes the value as given and draws flat for
// 0 only.
void GlazeRadio::SetAppearance(int32_t appearance) {
  surface().SetAppearance(RoundToInteger(appearance));
  GlyphLet("Appearance", Variant::Long(appearance));
}

void GlazeRadio::DisplayAboutBox() { vitrelle::DisplayAboutBox(surface().GetRuntime()); }

}  // namespace vitrelle
