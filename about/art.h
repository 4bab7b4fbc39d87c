// The pictures stored with the About form.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/color.h"

namespace vitrelle::about {

inline constexpr int kCursorHotX = 12;
inline constexpr int kCursorHotY = 1;

// 32 by 32 pixels, rows from the top: 0 transparent, 1 black, 2 white.
std::vector<uint8_t> LinkCursor();
// 32 by 32 RGB pixels, rows from the top.
std::vector<OleColor> Icon();

}  // namespace vitrelle::about
