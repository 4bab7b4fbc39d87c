// Numbers as the host rounds them, twips and pixels.
#pragma once

#include <cstdint>

namespace vitrelle {

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Every "rounded" in the controls goes through this one function.
double RoundHalfEven(double value);

// RoundHalfEven, then the 16-bit or 32-bit range check of the host (error 6 outside it).
int16_t RoundToInteger(double value);
int32_t RoundToLong(double value);

inline constexpr int kTwipsPerInch = 1440;

// GDI keeps coordinates within 27 bits; a part placed farther out (a slider's thumb
// scaled past its groove, a size set from code) is drawn at that edge.
inline constexpr int kMaxPixelCoordinate = 1 << 27;

// A position or size in twips as whole pixels, halves to even, within
// +-kMaxPixelCoordinate (not a number is 0). Both hosts place their windows by it, so
// no extent a control accepts can take the arithmetic on pixels out of int's range.
int PixelCoordinate(double twips, double twips_per_pixel);

// Twips per pixel for a display of `dpi` dots per inch (15 at 96 dpi).
constexpr float TwipsPerPixelAt(int dpi) { return static_cast<float>(kTwipsPerInch) / dpi; }

// A picture made from a control's design-time pixels keeps the size it was drawn at,
// as a picture stored with a form keeps its size in HIMETRIC: its pixels are those of
// a 96-dpi display. An image part showing one is that size in twips on every display
// and stretches the picture over its pixels, so the glyphs grow with the display.
inline constexpr float kTwipsPerDesignPixel = TwipsPerPixelAt(96);

// The platform check box's glyph side in pixels at `dpi` (13 at 96 dpi, 19 at 144).
constexpr int CheckGlyphPixels(int dpi) { return 12 * dpi / 96 + 1; }

// The host's scale modes, as its ScaleX/ScaleY conversions name them.
enum class ScaleMode : int16_t { kUser = 0, kTwips = 1, kPoints = 2, kPixels = 3 };

// Converts `value` from one scale to another for a display with `twips_per_pixel`.
// Single precision, as the host converts.
float ConvertScale(float value, ScaleMode from, ScaleMode to, float twips_per_pixel);

}  // namespace vitrelle
