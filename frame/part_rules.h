// What the container's constituent parts, its user-control surface and its forms
// accept. Both hosts refuse through these, so a value one of them takes the other
// takes too. Where the platform's own limit is not known, the rule below is our
// choice and says so.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/color.h"
#include "frame/errors.h"
#include "frame/variant.h"

namespace vitrelle {

// The platform's pointer shapes (0..15) and "custom" (99, the MouseIcon).
inline constexpr int16_t kMaxStandardMousePointer = 15;
inline constexpr int16_t kCustomMousePointer = 99;

inline void CheckMousePointer(int16_t pointer) {
  const bool standard = pointer >= 0 && pointer <= kMaxStandardMousePointer;
  if (!standard && pointer != kCustomMousePointer) Raise(err::kInvalidPropertyValue);
}

// Colours of labels, lines, shapes, host controls, surfaces and forms: a plain RGB
// or a system colour the platform defines. A value that names no colour would be
// drawn as something else on each host, so both refuse it.
inline void CheckColor(OleColor c) {
  if (!TranslateColor(c)) Raise(err::kInvalidPropertyValue);
}

// Pen width of lines and shape outlines, in pixels.
inline constexpr int16_t kMinBorderWidth = 1;
inline constexpr int16_t kMaxBorderWidth = 8192;

inline void CheckBorderWidth(int16_t pixels) {
  if (pixels < kMinBorderWidth || pixels > kMaxBorderWidth) Raise(err::kInvalidPropertyValue);
}

// Width and height of a part, a surface, a control's extent or a form's client area.
// Our choice: a negative size is refused rather than taken as 0, so that a layout
// that computes one fails where it happens instead of showing a part that vanished.
inline void CheckExtent(float twips) {
  if (twips < 0) Raise(err::kInvalidPropertyValue);
}

// Two-valued settings: BackStyle (0 transparent, 1 opaque), Appearance (0 flat,
// 1 3D) and a host control's BorderStyle (0 none, 1 fixed single).
inline void CheckZeroOrOne(int16_t v) {
  if (v != 0 && v != 1) Raise(err::kInvalidPropertyValue);
}

// A check box's value: 0 unchecked, 1 checked, 2 grayed.
inline void CheckCheckBoxValue(int16_t v) {
  if (v < 0 || v > 2) Raise(err::kInvalidPropertyValue);
}

// Shape kinds 0..5 (rectangle .. rounded square) and fill styles 0..7 (solid,
// transparent and six hatches).
inline void CheckShapeKind(int16_t kind) {
  if (kind < 0 || kind > 5) Raise(err::kInvalidPropertyValue);
}
inline void CheckFillStyle(int16_t style) {
  if (style < 0 || style > 7) Raise(err::kInvalidPropertyValue);
}

// A timer's interval in milliseconds; 0 stops its ticks.
inline constexpr int32_t kMaxTimerInterval = 65535;

inline void CheckTimerInterval(int32_t ms) {
  if (ms < 0 || ms > kMaxTimerInterval) Raise(err::kInvalidPropertyValue);
}

// A Font property takes a font object; Nothing would leave text without one.
inline void CheckFontObject(const FontPtr& font) {
  if (!font) Raise(err::kInvalidPropertyValue);
}

// A control's place in the tab order. An index past the end puts it last.
inline void CheckTabIndex(int32_t index) {
  if (index < 0) Raise(err::kInvalidPropertyValue);
}

// SetFocus on a part with a window of its own (a check box, a nested control):
// one that is hidden, or disabled itself or through its surface, cannot take it.
inline void CheckCanTakeFocus(bool shown, bool enabled, bool surface_enabled) {
  if (!shown || !enabled || !surface_enabled) Raise(err::kCantMoveFocus);
}

// A picture made from design-time pixels. Our choice of bound: far above any
// glyph a control carries, far below what would exhaust a platform's bitmap memory.
inline constexpr int kMaxDesignPictureSide = 4096;

inline void CheckDesignPicture(int width, int height, size_t pixel_count) {
  const bool sized = width >= 1 && width <= kMaxDesignPictureSide && height >= 1 && height <= kMaxDesignPictureSide;
  if (!sized || pixel_count != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    Raise(err::kInvalidPropertyValue);
  }
}

// Controls(key) of a form for a key that names no control: a name that is not
// there is "control not found", a number outside 0..Count-1 is out of range.
[[noreturn]] inline void RaiseNoSuchControl(const Variant& key) {
  Raise(key.type() == VarType::kString ? err::kControlNotFound : err::kSubscriptOutOfRange);
}

}  // namespace vitrelle
