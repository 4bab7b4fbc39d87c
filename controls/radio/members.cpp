// The published members of GlazeRadio, declared once in slot order with how each
// is saved. Late-bound dispatch, persistence and the COM server all read this table.
#include "controls/radio/glaze_radio.h"

namespace vitrelle {

std::span<const Property<GlazeRadio>> GlazeRadio::Properties() {
  using C = GlazeRadio;
  using D = Declare<C>;
  static const std::vector<Property<C>> kTable = [] {
    std::vector<Property<C>> t;
    t.push_back(D::Prop<&C::Value, &C::SetValue>(
        "value", "Value", {.key = "Value", .default_value = Variant::Boolean(false), .read_order = 3, .write_order = 3}));
    t.push_back(D::Prop<&C::hWnd>("hwnd"));
    t.push_back(D::Saved<&C::Enabled, &C::SetEnabled>("Enabled", Key({}, Variant::Boolean(true), Order{1})));
    t.push_back(D::Saved<&C::Caption, &C::SetCaption>("Caption", AmbientKey({}, AmbientDefault::kDisplayName, Order{2})));
    // The defaults keep the types this control has always saved them with: a
    // 16-bit BackStyle and MousePointer, and a Boolean (read as 0) for FontSize.
    t.push_back(D::Saved<&C::BackStyle, &C::SetBackStyle>(
        "BackStyle", Key({}, Variant::Integer(kBackStyleTransparent), Order{6})));
    t.push_back(D::Saved<&C::Appearance, &C::SetAppearance>("Appearance", Key({}, Variant::Long(1), Order{4})));
    t.push_back(
        D::Saved<&C::Alignment, &C::SetAlignment>("Alignment", Key({}, Variant::Long(kAlignLeftJustify), Order{5})));
    DeclarePassThroughs(t, 7, {.font_size = Variant::Boolean(false), .mouse_pointer = Variant::Integer(0)});
    t.push_back(D::Method<&C::Refresh>("Refresh"));
    t.push_back(D::Method<&C::DisplayAboutBox>("DisplayAboutBox"));
    return t;
  }();
  return kTable;
}

Variant GlazeRadio::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return InvokeProperty(*this, Properties(), member, kind, args);
}

std::span<const Declaration* const> GlazeRadio::Declarations() const { return DeclarationsOf(Properties()); }

}  // namespace vitrelle
