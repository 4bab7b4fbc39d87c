// The persisted state of a GlazeCheck: seventeen keys, written and read in one
// order, each read back through its property setter so that the setter's side
// effects (layout, a capture for a transparent control) happen as they would for
// a value set from code.
#include <array>

#include "frame/color_variant.h"
#include "controls/check/glaze_check.h"

namespace vitrelle {

namespace {

struct PersistedKey {
  std::string_view write_key;
  std::string_view read_key;
  std::string_view member;  // the property that gives the value and takes it back
  Variant default_value;    // Empty: the ambient display name
};

// The check state is written as "value" and read as "Value"; bags match keys
// without regard to case, so the two spellings name one key.
const std::array<PersistedKey, 17>& Keys() {
  static const std::array<PersistedKey, 17> keys = {{
      {"Enabled", "Enabled", "Enabled", Variant::Boolean(true)},
      {"Caption", "Caption", "Caption", Variant()},
      {"value", "Value", "value", Variant::Integer(0)},
      {"Appearance", "Appearance", "Appearance", Variant::Long(1)},
      {"Alignment", "Alignment", "Alignment", Variant::Long(GlazeCheck::kAlignLeftJustify)},
      {"BackStyle", "BackStyle", "BackStyle", Variant::Long(kBackStyleTransparent)},
      {"BackColor", "BackColor", "BackColor", FromOleColor(kColorButtonFace)},
      {"ForeColor", "ForeColor", "ForeColor", FromOleColor(kColorButtonText)},
      {"FontUnderline", "FontUnderline", "FontUnderline", Variant::Boolean(false)},
      {"FontTransparent", "FontTransparent", "FontTransparent", Variant::Boolean(true)},
      {"FontStrikethru", "FontStrikethru", "FontStrikethru", Variant::Boolean(false)},
      {"FontSize", "FontSize", "FontSize", Variant::Single(0)},
      {"FontName", "FontName", "FontName", Variant::String("")},
      {"FontItalic", "FontItalic", "FontItalic", Variant::Boolean(false)},
      {"FontBold", "FontBold", "FontBold", Variant::Boolean(false)},
      {"MouseIcon", "MouseIcon", "MouseIcon", Variant::OfPicture(nullptr)},
      {"MousePointer", "MousePointer", "MousePointer", Variant::Long(0)},
  }};
  return keys;
}

Variant DefaultOf(const PersistedKey& key, const Surface& surface) {
  return key.default_value.IsEmpty() ? Variant::String(surface.AmbientDisplayName()) : key.default_value;
}

}  // namespace

void GlazeCheck::InitProperties() {
  SetCaption(surface().AmbientDisplayName());
  SetValue(0);
  // Fields only: the parts keep their design look until the properties are next
  // read, which is what a newly placed control shows in the designer.
  back_style_ = kBackStyleTransparent;
  back_color_ = kColorButtonFace;
  fore_color_ = kColorButtonText;
  enabled_ = true;
  // A copy, so that the control's font attributes never reach the container's
  // own font through a shared object.
  if (const FontPtr ambient = surface().AmbientFont()) surface().SetFont(ambient->Clone());
  SetMousePointer(0);
}

void GlazeCheck::ReadProperties(PropertyBag& bag) {
  for (const PersistedKey& key : Keys()) {
    Variant value[] = {bag.ReadProperty(key.read_key, DefaultOf(key, surface()))};
    Invoke(key.member, InvokeKind::kLet, value);
  }
  TakeParent();
}

void GlazeCheck::WriteProperties(PropertyBag& bag) {
  for (const PersistedKey& key : Keys()) {
    bag.WriteProperty(key.write_key, Invoke(key.member, InvokeKind::kGet, {}), DefaultOf(key, surface()));
  }
}

}  // namespace vitrelle
