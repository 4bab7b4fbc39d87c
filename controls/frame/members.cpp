// The published members of GlazeFrame, declared once in slot order with how each
// is saved. The frame reads its keys in one order and writes them in another; both
// places are given here. Late-bound dispatch, persistence and the COM server all
// read this table.
#include "controls/frame/glaze_frame.h"

namespace vitrelle {

namespace {
Persisted Places(Variant default_value, int read, int write) {
  return Persisted{.default_value = std::move(default_value), .read_order = read, .write_order = write};
}
Persisted AmbientPlaces(AmbientDefault ambient, int read, int write) {
  return Persisted{.ambient = ambient, .read_order = read, .write_order = write};
}
}  // namespace

std::span<const Property<GlazeFrame>> GlazeFrame::Properties() {
  using C = GlazeFrame;
  using D = Declare<C>;
  static const std::vector<Property<C>> kTable = [] {
    std::vector<Property<C>> t;
    t.push_back(D::Prop<&C::hWnd>("hwnd"));
    t.push_back(D::Saved<&C::Enabled, &C::SetEnabled>("Enabled", Places(Variant::Boolean(true), 5, 3)));
    t.push_back(D::Prop<&C::Controls>("Controls"));
    t.push_back(D::Saved<&C::BackColor, &C::SetBackColor>("BackColor", Places(FromOleColor(kColorButtonFace), 3, 1)));
    t.push_back(D::Saved<&C::ForeColor, &C::SetForeColor>("ForeColor", Places(FromOleColor(kColorButtonText), 4, 2)));
    t.push_back(
        D::Saved<&C::BackStyle, &C::SetBackStyle>("BackStyle", Places(Variant::Long(kBackStyleTransparent), 17, 17)));
    t.push_back(D::Saved<&C::CaptionAlignment, &C::SetCaptionAlignment>("CaptionAlignment",
                                                                          Places(Variant::Long(0), 2, 18)));
    t.push_back(
        D::Saved<&C::BorderStyle, &C::SetBorderStyle>("BorderStyle", Places(Variant::Long(kBorderFixedSingle), 18, 5)));
    t.push_back(D::Saved<&C::Caption, &C::SetCaption>("Caption", AmbientPlaces(AmbientDefault::kDisplayName, 1, 6)));
    t.push_back(
        D::Saved<&C::Appearance, &C::SetAppearance>("Appearance", Places(Variant::Long(kAppearance3D), 7, 7)));
    // The saved font object gives the surface's font its face only; the attribute
    // keys read after it set the rest, on the caption too.
    Property<C> font = D::Saved<&C::GetFont, &C::SetFont>("Font", AmbientPlaces(AmbientDefault::kFont, 6, 4));
    font.restore = &C::RestoreFont;
    t.push_back(std::move(font));
    t.push_back(D::Saved<&C::FontUnderline, &C::SetFontUnderline>("FontUnderline",
                                                                    Places(Variant::Boolean(false), 8, 8)));
    t.push_back(D::Saved<&C::FontTransparent, &C::SetFontTransparent>("FontTransparent",
                                                                        Places(Variant::Boolean(true), 9, 9)));
    t.push_back(D::Saved<&C::FontStrikethru, &C::SetFontStrikethru>("FontStrikethru",
                                                                      Places(Variant::Boolean(false), 10, 10)));
    t.push_back(D::Saved<&C::FontSize, &C::SetFontSize>("FontSize", AmbientPlaces(AmbientDefault::kFontSize, 11, 11)));
    t.push_back(D::Saved<&C::FontName, &C::SetFontName>("FontName", AmbientPlaces(AmbientDefault::kFontName, 12, 12)));
    t.push_back(D::Saved<&C::FontItalic, &C::SetFontItalic>("FontItalic", Places(Variant::Boolean(false), 13, 13)));
    t.push_back(D::Saved<&C::FontBold, &C::SetFontBold>("FontBold", Places(Variant::Boolean(false), 14, 14)));
    t.push_back(
        D::Saved<&C::MouseIcon, &C::SetMouseIcon>("MouseIcon", Places(Variant::OfPicture(nullptr), 15, 15)));
    t.push_back(D::Saved<&C::MousePointer, &C::SetMousePointer>("MousePointer", Places(Variant::Long(0), 16, 16)));
    t.push_back(D::Method<&C::Refresh>("Refresh"));
    t.push_back(D::Method<&C::DisplayAboutBox>("DisplayAboutBox"));
    return t;
  }();
  return kTable;
}

Variant GlazeFrame::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return InvokeProperty(*this, Properties(), member, kind, args);
}

std::span<const Declaration* const> GlazeFrame::Declarations() const { return DeclarationsOf(Properties()); }

}  // namespace vitrelle
