#include "frame/caption_font.h"

#include "frame/errors.h"

namespace vitrelle {

Font& CaptionFont::SurfaceFont() const {
  const FontPtr font = surface_.GetFont();
  if (!font) Raise(err::kObjectNotSet);
  return *font;
}

void CaptionFont::Set(FontPtr font) {
  surface_.SetFont(font);
  label_.SetFont(font);
}

void CaptionFont::SetUnderline(bool on) {
  SurfaceFont().SetUnderline(on);
  label_.SetFontUnderline(on);
}

void CaptionFont::SetStrikethru(bool on) {
  SurfaceFont().SetStrikethrough(on);
  label_.SetFontStrikethrough(on);
}

void CaptionFont::SetSize(float points) {
  IgnoreErrors([&] { SurfaceFont().SetSize(points); });
  IgnoreErrors([&] { label_.SetFontSize(points); });
}

void CaptionFont::SetName(std::string_view name) {
  IgnoreErrors([&] { SurfaceFont().SetName(name); });
  IgnoreErrors([&] { label_.SetFontName(name); });
}

void CaptionFont::SetItalic(bool on) {
  SurfaceFont().SetItalic(on);
  label_.SetFontItalic(on);
}

void CaptionFont::SetBold(bool on) {
  SurfaceFont().SetBold(on);
  label_.SetFontBold(on);
}

}  // namespace vitrelle
