// The published members of GlazeCheck, declared once in slot order with how each
// is saved. Late-bound dispatch, persistence and the COM server all read this table.
#include "controls/check/glaze_check.h"

namespace vitrelle {

std::span<const Property<GlazeCheck>> GlazeCheck::Properties() {
  using C = GlazeCheck;
  using D = Declare<C>;
  static const std::vector<Property<C>> kTable = [] {
    std::vector<Property<C>> t;
    // The check state is written as "value" and read as "Value"; bags match keys
    // without regard to case, so the two spellings name one key.
    t.push_back(D::Prop<&C::Value, &C::SetValue>(
        "value", "Value", {.key = "Value", .write_key = "value", .default_value = Variant::Integer(0),
                           .read_order = 3, .write_order = 3}));
    t.push_back(D::Prop<&C::hWnd>("hwnd"));
    t.push_back(D::Saved<&C::Enabled, &C::SetEnabled>("Enabled", Key({}, Variant::Boolean(true), Order{1})));
    t.push_back(D::Saved<&C::Caption, &C::SetCaption>("Caption", AmbientKey({}, AmbientDefault::kDisplayName, Order{2})));
    t.push_back(D::Saved<&C::BackStyle, &C::SetBackStyle>(
        "BackStyle", Key({}, Variant::Long(kBackStyleTransparent), Order{6})));
    t.push_back(D::Saved<&C::Appearance, &C::SetAppearance>("Appearance", Key({}, Variant::Long(1), Order{4})));
    t.push_back(
        D::Saved<&C::Alignment, &C::SetAlignment>("Alignment", Key({}, Variant::Long(kAlignLeftJustify), Order{5})));
    DeclarePassThroughs(t, 7, {});
    t.push_back(D::Method<&C::Refresh>("Refresh"));
    t.push_back(D::Method<&C::DisplayAboutBox>("DisplayAboutBox"));
    return t;
  }();
  return kTable;
}

Variant GlazeCheck::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return InvokeProperty(*this, Properties(), member, kind, args);
}

std::span<const Declaration* const> GlazeCheck::Declarations() const { return DeclarationsOf(Properties()); }

}  // namespace vitrelle
