#include "frame/units.h"

#include <cmath>

#include "frame/errors.h"

namespace vitrelle {

double RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which is round-to-nearest-even
  // unless somebody changed it; std::remainder-free and exact for all doubles.
  return std::nearbyint(value);
}

int16_t RoundToInteger(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= -32768.0 && r <= 32767.0)) Raise(err::kOverflow);
  return static_cast<int16_t>(r);
}

int32_t RoundToLong(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(err::kOverflow);
  return static_cast<int32_t>(r);
}

int PixelCoordinate(double twips, double twips_per_pixel) {
  const double pixels = RoundHalfEven(twips / twips_per_pixel);
  if (std::isnan(pixels)) return 0;
  constexpr double kLimit = kMaxPixelCoordinate;
  return static_cast<int>(pixels < -kLimit ? -kLimit : pixels > kLimit ? kLimit : pixels);
}

namespace {
float ToTwips(float value, ScaleMode from, float twips_per_pixel) {
  switch (from) {
    case ScaleMode::kPixels: return value * twips_per_pixel;
    case ScaleMode::kPoints: return value * 20.0f;
    case ScaleMode::kUser:
    case ScaleMode::kTwips: return value;
  }
  Raise(err::kInvalidProcedureCall);
}
}  // namespace

float ConvertScale(float value, ScaleMode from, ScaleMode to, float twips_per_pixel) {
  const float twips = ToTwips(value, from, twips_per_pixel);
  switch (to) {
    case ScaleMode::kPixels: return twips / twips_per_pixel;
    case ScaleMode::kPoints: return twips / 20.0f;
    case ScaleMode::kUser:
    case ScaleMode::kTwips: return twips;
  }
  Raise(err::kInvalidProcedureCall);
}

}  // namespace vitrelle
