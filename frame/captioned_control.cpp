#include "frame/captioned_control.h"

#include <algorithm>

#include "frame/errors.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
constexpr float kCaptionLeftJustified = 270;
constexpr float kCaptionRightJustified = 30;
// The focus rectangle keeps 30 twips left and right of the caption and 15 above
// it, and one pixel inside the surface's far edges.
constexpr int32_t kFocusMarginX = 30;
constexpr int32_t kFocusMarginTop = 15;
constexpr int32_t kFocusEdgeInset = 15;
// Below this the glyph and a one-line caption no longer fit with their margins.
constexpr float kMinHeight = 255;
constexpr double kCaptionMinTop = 30;
// The caption sits this far above the glyph's centre line, so that its text, not
// its whole cell, lines up with the glyph.
constexpr double kCaptionRaise = 15;
}  // namespace

CaptionedControl::CaptionedControl(Surface& surface, TrackedControl::Options tracking, CaptionOptions caption)
    : TrackedControl(surface, tracking),
      options_(caption),
      glyph_(options_.add_glyph(surface)),
      lbl_caption_(surface.AddLabel("lblCaption")),
      font_(surface, lbl_caption_),
      pointer_glyph_(options_.pointer_on_glyph ? dynamic_cast<InputPart*>(&glyph_) : nullptr) {}

Font& CaptionedControl::SurfaceFont() const { return font_.SurfaceFont(); }

void CaptionedControl::SetFieldsOnly(int32_t back_style, OleColor back_color, OleColor fore_color) {
  back_style_ = back_style;
  back_color_ = back_color;
  fore_color_ = fore_color;
}

// ---------------------------------------------------------------------------
// Where a part may refuse a value, the control's own field is written only after
// the parts took it: a refused value kept in the field would be saved with the form
// and make the form fail to load again.

void CaptionedControl::SetCaption(std::string_view text) {
  caption_ = text;
  lbl_caption_.SetCaption(text);
  LayOutVertically();
}

void CaptionedControl::SetBackStyle(int32_t style) {
  lbl_caption_.SetBackStyle(RoundToInteger(style));
  back_style_ = style;
  if (style == kBackStyleTransparent) Refresh();
}

void CaptionedControl::SetAlignment(int32_t alignment) {
  alignment_ = alignment;
  PlaceHorizontally();
}

// The glyph keeps the platform's own colours.
void CaptionedControl::SetBackColor(OleColor color) {
  surface().SetBackColor(color);
  lbl_caption_.SetBackColor(color);
  back_color_ = color;
}

void CaptionedControl::SetForeColor(OleColor color) {
  surface().SetForeColor(color);
  lbl_caption_.SetForeColor(color);
  fore_color_ = color;
}

FontPtr CaptionedControl::GetFont() const { return font_.Get(); }

void CaptionedControl::SetFont(FontPtr font) {
  font_.Set(std::move(font));
  LayOutVertically();
}

bool CaptionedControl::FontUnderline() const { return font_.Underline(); }
void CaptionedControl::SetFontUnderline(bool on) { font_.SetUnderline(on); }
bool CaptionedControl::FontTransparent() const { return font_.Transparent(); }
void CaptionedControl::SetFontTransparent(bool on) { font_.SetTransparent(on); }
bool CaptionedControl::FontStrikethru() const { return font_.Strikethru(); }
void CaptionedControl::SetFontStrikethru(bool on) { font_.SetStrikethru(on); }
float CaptionedControl::FontSize() const { return font_.Size(); }

void CaptionedControl::SetFontSize(float points) {
  font_.SetSize(points);
  LayOutVertically();
}

std::string CaptionedControl::FontName() const { return font_.Name(); }

void CaptionedControl::SetFontName(std::string_view name) {
  font_.SetName(name);
  LayOutVertically();
}

bool CaptionedControl::FontItalic() const { return font_.Italic(); }

void CaptionedControl::SetFontItalic(bool on) {
  font_.SetItalic(on);
  if (options_.italic_lays_out) LayOutVertically();
}

bool CaptionedControl::FontBold() const { return font_.Bold(); }

void CaptionedControl::SetFontBold(bool on) {
  font_.SetBold(on);
  LayOutVertically();
}

PicturePtr CaptionedControl::MouseIcon() const { return lbl_caption_.MouseIcon(); }

void CaptionedControl::SetMouseIcon(PicturePtr icon) {
  if (options_.pointer_on_surface) surface().SetMouseIcon(icon);
  lbl_caption_.SetMouseIcon(icon);
  if (pointer_glyph_) pointer_glyph_->SetMouseIcon(icon);
}

int32_t CaptionedControl::MousePointer() const { return lbl_caption_.MousePointer(); }

void CaptionedControl::SetMousePointer(int32_t pointer) {
  const int16_t value = MousePointerValue(pointer);
  if (options_.pointer_on_surface) surface().SetMousePointer(value);
  lbl_caption_.SetMousePointer(value);
  if (pointer_glyph_) pointer_glyph_->SetMousePointer(value);
}

// ---------------------------------------------------------------------------
// Up and down, across, and the focus rectangle. Twips throughout.

void CaptionedControl::LayOutVertically() {
  const double height = surface().Height();
  if (height < kMinHeight) {
    // The host reports the new size, and that Resize lays the parts out.
    surface().SetHeight(kMinHeight);
    return;
  }
  glyph_.SetTop(static_cast<float>((height - glyph_.Height()) / 2));
  const double caption_height = lbl_caption_.Height();
  double caption_top = 0;
  if (height - options_.caption_headroom >= caption_height) {
    caption_top = std::max(RoundHalfEven((height - caption_height) / 2 - kCaptionRaise), kCaptionMinTop);
  }
  lbl_caption_.SetTop(static_cast<float>(caption_top));
}

void CaptionedControl::PlaceHorizontally() {
  if (alignment_ == kAlignLeftJustify) {
    glyph_.SetLeft(0);
    lbl_caption_.SetLeft(kCaptionLeftJustified);
  } else {
    glyph_.SetLeft(surface().Width() - glyph_.Width());
    lbl_caption_.SetLeft(kCaptionRightJustified);
  }
}

FocusRect CaptionedControl::CaptionFocusRect() const {
  const double width = surface().Width();
  const double height = surface().Height();
  const double caption_left = lbl_caption_.Left();
  const double caption_top = lbl_caption_.Top();

  FocusRect r{};
  r.left = RoundToLong(caption_left - kFocusMarginX);
  r.right = RoundToLong(caption_left + lbl_caption_.Width() + kFocusMarginX);
  if (width - kFocusEdgeInset < r.right) r.right = RoundToLong(width - kFocusEdgeInset);
  if (alignment_ == kAlignRightJustify && glyph_.Left() < r.right) r.right = RoundToLong(glyph_.Left() - kFocusMarginX);
  r.top = std::max(RoundToLong(caption_top - kFocusMarginTop), 0);
  r.bottom = RoundToLong(caption_top + lbl_caption_.Height());
  if (height - kFocusEdgeInset < r.bottom) r.bottom = RoundToLong(height - kFocusEdgeInset);
  return r;
}

}  // namespace vitrelle
