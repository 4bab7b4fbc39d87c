// What a font object of either host accepts. The platform's own font object takes a
// size of 0 and then renders the device's default height, reporting it back as the
// size (10.5 points on a 96-dpi display); a control whose saved form lacks a size
// would then show captions larger than its neighbours'. Both hosts refuse such
// values instead, so the font keeps its size.
#pragma once

#include <string_view>

#include "frame/errors.h"

namespace vitrelle {

inline constexpr float kMinFontSize = 1.0f;
inline constexpr float kMaxFontSize = 2048.0f;

inline void CheckFontSize(float points) {
  if (!(points >= kMinFontSize && points <= kMaxFontSize)) Raise(err::kInvalidPropertyValue);
}

inline void CheckFontName(std::string_view name) {
  if (name.empty()) Raise(err::kInvalidPropertyValue);
}

}  // namespace vitrelle
