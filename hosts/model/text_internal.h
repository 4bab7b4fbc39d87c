// Text rendering for the canvas: glyph coverage and solid bars (underline,
// strikethrough) positioned for a line whose top left corner is given.
#pragma once

#include <cstdint>
#include <string_view>

#include "hosts/model/screen.h"

namespace vitrelle::model::internal {

class TextSink {
 public:
  virtual ~TextSink() = default;
  // A glyph's grey coverage (0..255), `pitch` bytes a row, top left at (x, y).
  virtual void Coverage(int x, int y, int width, int height, const uint8_t* coverage, int pitch) = 0;
  // A fully covered rectangle.
  virtual void Bar(const Rect& r) = 0;
  // Where drawing can show, in the coordinates of the calls above: text outside it
  // is neither rendered nor handed on, so a caption costs what is visible of it.
  virtual Rect Visible() const = 0;
};

struct LineMetrics {
  int ascent = 0, descent = 0;  // pixels above and below the baseline
  int Height() const { return ascent + descent; }
};

LineMetrics MetricsOf(const FontSpec& font);

// Lines are split at '\n' (a '\r' before it is dropped); each line is MetricsOf's
// height below the one before.
void RenderText(std::string_view utf8, const FontSpec& font, int x, int y, TextSink& sink);

}  // namespace vitrelle::model::internal
