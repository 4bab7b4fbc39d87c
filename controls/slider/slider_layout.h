// The slider's fixed measures, in twips, and the colours of its drawing elements.
// Shared by the constructor (the design state) and the geometry code.
#pragma once

#include <array>
#include <cstdint>

#include "frame/color.h"

namespace vitrelle::slider {

inline constexpr float kThickness = 285;     // across the axis, kept on every resize
inline constexpr float kThumbLength = 90;    // along the axis
inline constexpr float kThumbBreadth = 195;  // across the axis
inline constexpr float kThumbInset = 45;     // across position, and along position at Min
inline constexpr float kGrooveStart = 90;
inline constexpr float kEndMargin = 90;
inline constexpr float kTotalMargin = 2 * kEndMargin;
inline constexpr float kDesignGrooveEnd = 1590;
inline constexpr float kBorderInset = 15;       // the far border lines sit one pixel in
inline constexpr float kThumbEdgeInset = 30;    // Line2 inside the thumb's far edge

// Groove lines LineMiddle(0..4): across position and colour. Read across the axis
// they make a sunken groove, dark on the near side and light on the far side.
struct GrooveLine {
  float across;
  OleColor color;
};
inline constexpr std::array<GrooveLine, 5> kGroove = {{
    {135, kColorWindowText},
    {120, 0x00404040},
    {150, 0x00C0C0C0},
    {105, 0x00808080},
    {165, 0x00E0E0E0},
}};

inline constexpr OleColor kDisabledThumb = 0x00808080;
inline constexpr OleColor kDefaultSliderColor = 0x000080FF;
inline constexpr OleColor kFocusDotColor = 0;

// Focus dots: a dash every second pixel, 2 pixels inside the near edges and 3 inside
// the far ones.
inline constexpr float kDotPitch = 30;
inline constexpr float kDotLength = 15;
inline constexpr float kDotFarInset = 45;

}  // namespace vitrelle::slider
