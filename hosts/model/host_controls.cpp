#include "hosts/model/host_controls.h"

#include <stdexcept>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/model/display.h"
#include "hosts/model/font.h"
#include "hosts/model/parts.h"

namespace vitrelle::model {

namespace {

constexpr OleColor kWindowBackground = 0x80000005u;
constexpr OleColor kWindowTextColor = 0x80000008u;

struct HostClass {
  std::string_view name;
  HostKind kind;
};

constexpr HostClass kHostClasses[] = {
    {"OptionButton", HostKind::kOptionButton}, {"CheckBox", HostKind::kCheckBox},
    {"TextBox", HostKind::kTextBox},           {"CommandButton", HostKind::kCommandButton},
    {"Label", HostKind::kLabel},               {"Frame", HostKind::kFrame},
    {"PictureBox", HostKind::kPictureBox},
};

}  // namespace

std::shared_ptr<Site> MakeHostControl(Form& form, Site* container, std::string_view class_name, std::string name,
                                      int index) {
  for (const auto& c : kHostClasses) {
    if (NamesEqual(c.name, class_name)) {
      return std::make_shared<HostControl>(form, container, c.kind, std::string(c.name), std::move(name), index);
    }
  }
  return nullptr;
}

HostControl::HostControl(Form& form, Site* container, HostKind kind, std::string class_name, std::string name,
                         int index)
    : Site(form, container, std::move(class_name), std::move(name), index), kind_(kind) {
  bool text_window = kind == HostKind::kTextBox || kind == HostKind::kPictureBox;
  members_ = {
      {"BackColor", FromOleColor(text_window ? kWindowBackground : kColorButtonFace)},
      {"ForeColor", FromOleColor(text_window ? kWindowTextColor : kColorButtonText)},
      {"Enabled", Variant::Boolean(true)},
  };
  switch (kind) {
    case HostKind::kOptionButton:
      members_.push_back({"Caption", Variant::String("")});
      members_.push_back({"Value", Variant::Boolean(false)});
      members_.push_back({"Appearance", Variant::Integer(1)});
      break;
    case HostKind::kCheckBox:
      members_.push_back({"Caption", Variant::String("")});
      members_.push_back({"Value", Variant::Integer(0)});
      members_.push_back({"Appearance", Variant::Integer(1)});
      break;
    case HostKind::kTextBox:
      members_.push_back({"Text", Variant::String("")});
      break;
    case HostKind::kCommandButton:
      members_.push_back({"Caption", Variant::String("")});
      break;
    case HostKind::kLabel:
      members_.push_back({"Caption", Variant::String("")});
      members_.push_back({"BackStyle", Variant::Integer(1)});
      break;
    case HostKind::kFrame:
      members_.push_back({"Caption", Variant::String("")});
      break;
    case HostKind::kPictureBox:
      members_.push_back({"Picture", Variant::OfPicture(nullptr)});
      members_.push_back({"BorderStyle", Variant::Integer(1)});
      break;
  }
}

HostControl::~HostControl() {
  Screen& screen = form_.GetScreen();
  if (window_ && screen.IsWindow(window_)) screen.DestroyWindow(window_);
}

void HostControl::CreateWindowIn(Handle parent, const Rect& pixels) {
  window_ = form_.GetScreen().CreateWindow(parent, pixels, 0, this);
  form_.Runtime().NameWindow(window_, DisplayName());
}

bool HostControl::TakesFocus() const {
  switch (kind_) {
    case HostKind::kLabel:
    case HostKind::kFrame: return false;
    default: return true;
  }
}

bool HostControl::Enabled() const { return Property("Enabled").ToBoolean(); }

void HostControl::SetEnabled(bool on) { SetProperty("Enabled", Variant::Boolean(on)); }

const HostControl::Member* HostControl::FindMember(std::string_view name) const {
  for (const auto& m : members_) {
    if (NamesEqual(m.name, name)) return &m;
  }
  return nullptr;
}

Variant HostControl::Property(std::string_view name) const {
  const Member* m = FindMember(name);
  if (!m) vitrelle::Raise(err::kNotSupported);
  return const_cast<ModelPropertyBag&>(state_).ReadProperty(m->name, m->default_value);
}

void HostControl::SetProperty(std::string_view name, const Variant& value) {
  const Member* m = FindMember(name);
  if (!m) vitrelle::Raise(err::kNotSupported);
  Variant stored = value;
  if (NamesEqual(name, "Value")) {
    if (kind_ == HostKind::kCheckBox) {
      int16_t v = value.ToInteger();
      CheckCheckBoxValue(v);
      stored = Variant::Integer(v);
    } else {
      stored = Variant::Boolean(value.ToBoolean());
    }
  } else if (NamesEqual(name, "BackColor") || NamesEqual(name, "ForeColor")) {
    OleColor c = ToOleColor(value);
    CheckColor(c);
    stored = FromOleColor(c);
  } else if (NamesEqual(name, "Appearance") || NamesEqual(name, "BackStyle") || NamesEqual(name, "BorderStyle")) {
    int16_t v = value.ToInteger();
    CheckZeroOrOne(v);
    stored = Variant::Integer(v);
  } else if (NamesEqual(name, "Enabled")) {
    stored = Variant::Boolean(value.ToBoolean());
  } else if (NamesEqual(name, "Picture")) {
    stored = Variant::OfPicture(value.ToPicture());
  } else if (!value.IsReference()) {
    stored = Variant::String(value.ToString());
  }
  Variant old = Property(m->name);
  state_.Put(m->name, stored);
  if (kind_ == HostKind::kLabel && NamesEqual(name, "BackStyle")) {
    // The platform's label has no window of its own: a transparent one shows what its
    // container paints beneath it, and follows when that changes.
    form_.GetScreen().SetTransparent(window_, stored.ToInteger() == 0);
  }
  form_.GetScreen().Invalidate(window_);
  bool changed = !(old == stored);
  if (NamesEqual(name, "Value")) {
    if (kind_ == HostKind::kOptionButton && stored.ToBoolean()) {
      // Setting an option clears the others of its container, and reports a click.
      for (const auto& other : form_.Controls()) {
        auto* option = dynamic_cast<HostControl*>(other.get());
        if (!option || option == this || option->kind_ != HostKind::kOptionButton) continue;
        if (option->Container() != Container()) continue;
        if (option->Property("Value").ToBoolean()) option->SetProperty("Value", Variant::Boolean(false));
      }
      if (changed) RaiseHostEvent("Click");
    } else if (kind_ == HostKind::kCheckBox && changed) {
      RaiseHostEvent("Click");
    }
  } else if (NamesEqual(name, "Text") && changed) {
    RaiseHostEvent("Change");
  }
}

void HostControl::RaiseHostEvent(std::string_view event) { form_.DeliverEvent(*this, event, {}); }

void HostControl::ReceiveFocus(Part*) { form_.GetScreen().Invalidate(window_); }

void HostControl::LoseFocus(Part*) { form_.GetScreen().Invalidate(window_); }

void HostControl::UserClick() {
  switch (kind_) {
    case HostKind::kOptionButton:
      if (Property("Value").ToBoolean()) {
        RaiseHostEvent("Click");
      } else {
        SetProperty("Value", Variant::Boolean(true));
      }
      break;
    case HostKind::kCheckBox:
      SetProperty("Value", Variant::Integer(Property("Value").ToInteger() == 1 ? 0 : 1));
      break;
    default:
      RaiseHostEvent("Click");
      break;
  }
}

void HostControl::Click(std::string_view part, float, float, bool double_click) {
  PartSize(part);
  if (!EffectivelyEnabled() || !form_.IsShown()) return;
  if (CanFocusNow()) form_.FocusOn(this, nullptr);
  UserClick();
  if (double_click) RaiseHostEvent("DblClick");
}

void HostControl::Key(std::string_view part, bool down, int16_t key_code, int16_t) {
  PartSize(part);
  if (!EffectivelyEnabled()) return;
  bool button = kind_ == HostKind::kCheckBox || kind_ == HostKind::kCommandButton;
  if (button && !down && key_code == 32) UserClick();
}

void HostControl::KeyPress(std::string_view part, int16_t key_ascii) {
  PartSize(part);
  if (kind_ != HostKind::kTextBox || !EffectivelyEnabled()) return;
  std::string text = Property("Text").ToString();
  if (key_ascii == 8) {
    if (!text.empty()) text.pop_back();
  } else if (key_ascii >= 32 && key_ascii < 127) {
    text += static_cast<char>(key_ascii);
  } else {
    return;
  }
  SetProperty("Text", Variant::String(text));
}

void HostControl::ReadFrom(PropertyBag& bag) {
  // Whatever the file gives is kept and written back; the known members read through.
  if (auto* model = dynamic_cast<ModelPropertyBag*>(&bag)) {
    for (const auto& [key, value] : model->Entries()) {
      if (const Member* m = FindMember(key)) {
        SetProperty(m->name, value);
      } else {
        state_.Put(key, value);
      }
    }
  }
}

void HostControl::InitNew() {
  if (FindMember("Caption")) state_.Put("Caption", Variant::String(name_));
}

void HostControl::WriteTo(PropertyBag& bag) {
  for (const auto& [key, value] : state_.Entries()) {
    const Member* m = FindMember(key);
    bag.WriteProperty(key, value, m ? m->default_value : Variant());
  }
}

Variant HostControl::InvokeOwn(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  if (NamesEqual(member, "hWnd")) return Variant::Long(static_cast<int32_t>(window_));
  if (NamesEqual(member, "Refresh")) {
    form_.GetScreen().Invalidate(window_);
    return {};
  }
  const Member* m = FindMember(member);
  if (!m) vitrelle::Raise(err::kNotSupported);
  if (kind == InvokeKind::kLet || kind == InvokeKind::kSet) {
    if (args.empty()) vitrelle::Raise(err::kWrongArguments);
    SetProperty(m->name, args.back());
    return {};
  }
  return Property(m->name);
}

bool HostControl::IsOwnType(std::string_view) const { return false; }

void HostControl::Paint(Canvas& canvas) {
  Rect r = PixelRect();
  Rect box{0, 0, r.Width(), r.Height()};
  OleColor back = Resolve(ToOleColor(Property("BackColor")));
  OleColor fore = Resolve(ToOleColor(Property("ForeColor")));
  bool enabled = EffectivelyEnabled();
  if (!enabled) fore = Resolve(kColorGrayText);
  FontSpec font;
  int line = MeasureText("Ag", font).height;
  auto caption = [&] { return FindMember("Caption") ? Property("Caption").ToString() : std::string(); };
  switch (kind_) {
    case HostKind::kOptionButton:
      canvas.FillRect(box, back);
      DrawOptionGlyph(canvas, 0, (box.Height() - OptionGlyphPixels()) / 2, Property("Value").ToBoolean(),
                      Property("Appearance").ToInteger() == 0, enabled);
      canvas.DrawText(OptionGlyphPixels() + 4, (box.Height() - line) / 2, caption(), font, fore);
      break;
    case HostKind::kCheckBox:
      canvas.FillRect(box, back);
      DrawCheckGlyph(canvas, 0, (box.Height() - CheckGlyphPixels(DisplayDpi())) / 2, Property("Value").ToInteger(),
                     Property("Appearance").ToInteger() == 0, enabled);
      canvas.DrawText(CheckGlyphPixels(DisplayDpi()) + 4, (box.Height() - line) / 2, caption(), font, fore);
      break;
    case HostKind::kTextBox:
      canvas.Rectangle(box, back, Resolve(kColorButtonShadow));
      canvas.DrawText(3, 3, Property("Text").ToString(), font, fore);
      break;
    case HostKind::kCommandButton: {
      canvas.Rectangle(box, back, Resolve(kColorWindowText));
      int width = MeasureText(caption(), font).width;
      canvas.DrawText((box.Width() - width) / 2, (box.Height() - line) / 2, caption(), font, fore);
      break;
    }
    case HostKind::kLabel:
      // Transparent, the screen has had the container paint beneath already.
      if (Property("BackStyle").ToInteger() == 1) canvas.FillRect(box, back);
      canvas.DrawText(0, 0, caption(), font, fore);
      break;
    case HostKind::kFrame: {
      canvas.FillRect(box, back);
      int top = line / 2;
      canvas.Rectangle({0, top, box.right, box.bottom}, std::nullopt, Resolve(kColorButtonShadow));
      canvas.Rectangle({1, top + 1, box.right, box.bottom}, std::nullopt, Resolve(kColorButtonHighlight));
      std::string text = caption();
      if (!text.empty()) {
        int width = MeasureText(text, font).width;
        canvas.FillRect({6, 0, 8 + width + 2, line}, back);
        canvas.DrawText(8, 0, text, font, fore);
      }
      break;
    }
    case HostKind::kPictureBox:
      canvas.FillRect(box, back);
      if (PicturePtr picture = Property("Picture").ToPicture()) canvas.DrawPicture(*picture, 0, 0);
      if (Property("BorderStyle").ToInteger() == 1) {
        canvas.Rectangle(box, std::nullopt, Resolve(kColorButtonShadow));
      }
      break;
  }
  if (form_.FocusSite() == this && kind_ != HostKind::kTextBox) {
    // The dotted focus rectangle around the caption area.
    for (int x = 1; x < box.right - 1; x += 2) {
      canvas.SetPixel(x, 1, fore);
      canvas.SetPixel(x, box.bottom - 2, fore);
    }
  }
}

}  // namespace vitrelle::model
