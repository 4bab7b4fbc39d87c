#include "controls/check/glaze_check.h"

#include "frame/errors.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
// Design positions of the parts, in twips. The caption's size follows its text.
constexpr float kGlyphLeft = 0;
constexpr float kGlyphTop = 45;
constexpr float kGlyphSize = 195;
constexpr float kCaptionLeft = 270;
constexpr float kCaptionTop = 45;
}  // namespace

GlazeCheck::GlazeCheck(Surface& surface)
    : TrackedControl(surface), check1_(surface.AddCheckBox("Check1")), lbl_caption_(surface.AddLabel("lblCaption")) {
  check1_.SetLeft(kGlyphLeft);
  check1_.SetTop(kGlyphTop);
  check1_.SetWidth(kGlyphSize);
  check1_.SetHeight(kGlyphSize);
  lbl_caption_.SetLeft(kCaptionLeft);
  lbl_caption_.SetTop(kCaptionTop);
}

std::unique_ptr<Control> MakeGlazeCheck(Surface& surface) { return std::make_unique<GlazeCheck>(surface); }

Font& GlazeCheck::SurfaceFont() const {
  const FontPtr font = surface().GetFont();
  if (!font) Raise(err::kObjectNotSet);
  return *font;
}

// ---------------------------------------------------------------------------
// Properties. Each setter ends by reporting the change, whether or not the value
// changed. Where a part may refuse a value, the control's own field is written
// only after the parts took it: a refused value kept in the field would be saved
// with the form and make the form fail to load again.

int16_t GlazeCheck::Value() const { return check1_.Value(); }

void GlazeCheck::SetValue(int16_t value) {
  // The grey state of the host's check box is not reachable from here.
  check1_.SetValue(value != 0 ? 1 : 0);
  surface().PropertyChanged("Value");
}

int32_t GlazeCheck::hWnd() const {
  // Window handles fit in 32 bits on every platform the server runs on.
  return static_cast<int32_t>(static_cast<uint32_t>(surface().hWnd()));
}

void GlazeCheck::SetEnabled(bool on) {
  enabled_ = on;
  surface().SetEnabled(on);
  check1_.SetEnabled(on);
  lbl_caption_.SetEnabled(on);
  surface().PropertyChanged("Enabled");
}

void GlazeCheck::SetCaption(std::string_view text) {
  caption_ = text;
  lbl_caption_.SetCaption(text);
  LayOutVertically();
  surface().PropertyChanged("Caption");
}

void GlazeCheck::SetBackStyle(int32_t style) {
  lbl_caption_.SetBackStyle(RoundToInteger(style));
  back_style_ = style;
  if (style == kBackStyleTransparent) Refresh();
  surface().PropertyChanged("BackStyle");
}

int32_t GlazeCheck::Appearance() const { return surface().Appearance(); }

void GlazeCheck::SetAppearance(int32_t appearance) {
  const int16_t value = RoundToInteger(appearance);
  surface().SetAppearance(value);
  check1_.SetAppearance(value);
  surface().PropertyChanged("Appearance");
}

void GlazeCheck::SetAlignment(int32_t alignment) {
  alignment_ = alignment;
  PlaceHorizontally();
  surface().PropertyChanged("Alignment");
}

// The glyph keeps the platform's own colours for its box.
void GlazeCheck::SetBackColor(OleColor color) {
  surface().SetBackColor(color);
  lbl_caption_.SetBackColor(color);
  back_color_ = color;
  surface().PropertyChanged("BackColor");
}

void GlazeCheck::SetForeColor(OleColor color) {
  surface().SetForeColor(color);
  lbl_caption_.SetForeColor(color);
  fore_color_ = color;
  surface().PropertyChanged("ForeColor");
}

FontPtr GlazeCheck::GetFont() const { return surface().GetFont(); }

void GlazeCheck::SetFont(FontPtr font) {
  // One object for both, so that a change made through either shows in both.
  surface().SetFont(font);
  lbl_caption_.SetFont(font);
  LayOutVertically();
  surface().PropertyChanged("Font");
}

bool GlazeCheck::FontUnderline() const { return SurfaceFont().Underline(); }

void GlazeCheck::SetFontUnderline(bool on) {
  SurfaceFont().SetUnderline(on);
  lbl_caption_.SetFontUnderline(on);
  surface().PropertyChanged("FontUnderline");
}

// Only the surface's text drawing has a transparency setting; the label has its
// own BackStyle for that.
bool GlazeCheck::FontTransparent() const { return surface().FontTransparent(); }

void GlazeCheck::SetFontTransparent(bool on) {
  surface().SetFontTransparent(on);
  surface().PropertyChanged("FontTransparent");
}

bool GlazeCheck::FontStrikethru() const { return SurfaceFont().Strikethrough(); }

void GlazeCheck::SetFontStrikethru(bool on) {
  SurfaceFont().SetStrikethrough(on);
  lbl_caption_.SetFontStrikethrough(on);
  surface().PropertyChanged("FontStrikethru");
}

float GlazeCheck::FontSize() const { return SurfaceFont().Size(); }

// A size or name the platform refuses must not stop a form from loading (a saved
// control without a size passes 0 here): each part takes what it can.
void GlazeCheck::SetFontSize(float points) {
  IgnoreErrors([&] { SurfaceFont().SetSize(points); });
  IgnoreErrors([&] { lbl_caption_.SetFontSize(points); });
  LayOutVertically();
  surface().PropertyChanged("FontSize");
}

std::string GlazeCheck::FontName() const { return SurfaceFont().Name(); }

void GlazeCheck::SetFontName(std::string_view name) {
  IgnoreErrors([&] { SurfaceFont().SetName(name); });
  IgnoreErrors([&] { lbl_caption_.SetFontName(name); });
  LayOutVertically();
  surface().PropertyChanged("FontName");
}

bool GlazeCheck::FontItalic() const { return SurfaceFont().Italic(); }

void GlazeCheck::SetFontItalic(bool on) {
  SurfaceFont().SetItalic(on);
  lbl_caption_.SetFontItalic(on);
  surface().PropertyChanged("FontItalic");
}

bool GlazeCheck::FontBold() const { return SurfaceFont().Bold(); }

void GlazeCheck::SetFontBold(bool on) {
  SurfaceFont().SetBold(on);
  lbl_caption_.SetFontBold(on);
  LayOutVertically();
  surface().PropertyChanged("FontBold");
}

// The pointer is held by the parts that take the mouse; the bare surface between
// them keeps the default one.
PicturePtr GlazeCheck::MouseIcon() const { return lbl_caption_.MouseIcon(); }

void GlazeCheck::SetMouseIcon(PicturePtr icon) {
  lbl_caption_.SetMouseIcon(icon);
  check1_.SetMouseIcon(icon);
  surface().PropertyChanged("MouseIcon");
}

int32_t GlazeCheck::MousePointer() const { return lbl_caption_.MousePointer(); }

void GlazeCheck::SetMousePointer(int32_t pointer) {
  const int16_t value = RoundToInteger(pointer);
  lbl_caption_.SetMousePointer(value);
  check1_.SetMousePointer(value);
  surface().PropertyChanged("MousePointer");
}

void GlazeCheck::DisplayAboutBox() {
  // Waits for the About box (about/), which shows here once it exists.
}

}  // namespace vitrelle
