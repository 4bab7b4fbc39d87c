// OLE colours: 0x00BBGGRR, or with the high bit set a system colour by index.
#pragma once

#include <cstdint>
#include <optional>

namespace vitrelle {

using OleColor = uint32_t;

inline constexpr OleColor kSystemColorBit = 0x80000000u;

// System colours the controls name.
inline constexpr OleColor kColorWindowText = 0x80000008u;
inline constexpr OleColor kColorHighlight = 0x8000000Du;
inline constexpr OleColor kColorButtonFace = 0x8000000Fu;
inline constexpr OleColor kColorButtonShadow = 0x80000010u;
inline constexpr OleColor kColorGrayText = 0x80000011u;
inline constexpr OleColor kColorButtonText = 0x80000012u;
inline constexpr OleColor kColorButtonHighlight = 0x80000014u;

constexpr OleColor Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<OleColor>(r) | (static_cast<OleColor>(g) << 8) | (static_cast<OleColor>(b) << 16);
}
constexpr uint8_t RedOf(OleColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(OleColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(OleColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

constexpr bool IsSystemColor(OleColor c) { return (c & kSystemColorBit) != 0; }
constexpr uint32_t SystemColorIndex(OleColor c) { return c & ~kSystemColorBit; }

// The number of system colour indexes a host knows (0 .. kSystemColorCount - 1).
inline constexpr uint32_t kSystemColorCount = 31;

// The classic default scheme's RGB for a system colour index; nothing for an
// index the platform does not define.
std::optional<OleColor> DefaultSystemColor(uint32_t index);

// An OLE colour as a plain 0x00BBGGRR: system colours through the default scheme.
// Nothing when the value names no colour (an unknown system index, or stray bits in
// the top byte of a plain colour), which hosts refuse as an invalid property value.
std::optional<OleColor> TranslateColor(OleColor c);

}  // namespace vitrelle
