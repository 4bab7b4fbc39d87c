#include "hosts/activex/gen/toolbox_bitmaps.h"

#include <stdexcept>

namespace vitrelle::activex {
namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

// '.' is the toolbox's face colour, which a toolbox shows as the bitmap's own
// background; the rest are the classic 3D edge colours and the glyph ink.
uint32_t ToolboxColor(char c) {
  switch (c) {
    case '.': return 0xC0C0C0;  // face
    case 'w': return 0xFFFFFF;  // highlight / window
    case 'g': return 0x808080;  // shadow
    case 'k': return 0x000000;  // dark shadow, ink
    case 'b': return 0x000080;  // accent (thumb, caption)
  }
  throw std::invalid_argument(std::string("toolbox art uses an unknown colour '") + c + "'");
}

const std::vector<ToolboxGlyph>& ToolboxGlyphs() {
  static const std::vector<ToolboxGlyph> glyphs = {
      {"GlazeCheck",
       {"................",
        "................",
        "..gggggggggggw..",
        "..gkkkkkkkkkww..",
        "..gkwwwwwwwwww..",
        "..gkwwwwwwwkww..",
        "..gkwwwwwwkkww..",
        "..gkwkwwwkkkww..",
        "..gkwkkwkkkwww..",
        "..gkwkkkkkwwww..",
        "..gkwwkkkwwwww..",
        "..gkwwwkwwwwww..",
        "..gwwwwwwwwwww..",
        "..wwwwwwwwwwww..",
        "................"}},
      {"GlazeRadio",
       {"................",
        ".....gggggg.....",
        "...ggkkkkkkgg...",
        "..gkkwwwwwwkkw..",
        "..gkwwwwwwwwkw..",
        ".gkwwwwkkwwwwkw.",
        ".gkwwwkkkkwwwkw.",
        ".gkwwwkkkkwwwkw.",
        ".gkwwwwkkwwwwkw.",
        "..gkwwwwwwwwkw..",
        "..gwkwwwwwwkww..",
        "...wwkkkkkkww...",
        ".....wwwwww.....",
        "................",
        "................"}},
      {"GlazeSlider",
       {"................",
        "................",
        "................",
        "......wwwk......",
        "......wbbk......",
        "......wbbk......",
        ".gggggwbbkgggggw",
        ".gkkkkwbbkkkkkww",
        ".gwwwwwbbkwwwwww",
        "......wbbk......",
        "......wbbk......",
        ".......wk.......",
        "........k.......",
        "................",
        "................"}},
      {"GlazeFrame",
       {"................",
        "................",
        ".ggg.bbbbbb.ggg.",
        ".gwg.......gggw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gw..........gw.",
        ".gggggggggggggw.",
        ".wwwwwwwwwwwwww.",
        "................"}},
  };
  return glyphs;
}

std::vector<uint8_t> EncodeToolboxBmp(const ToolboxGlyph& glyph) {
  constexpr uint32_t kRowBytes = (kToolboxWidth * 3 + 3) / 4 * 4;
  constexpr uint32_t kPixelBytes = kRowBytes * kToolboxHeight;
  constexpr uint32_t kHeaders = 14 + 40;
  std::vector<uint8_t> out;
  out.reserve(kHeaders + kPixelBytes);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  PutLe(out, kHeaders + kPixelBytes, 4);
  PutLe(out, 0, 4);
  PutLe(out, kHeaders, 4);
  // BITMAPINFOHEADER, uncompressed 24 bits
  PutLe(out, 40, 4);
  PutLe(out, kToolboxWidth, 4);
  PutLe(out, kToolboxHeight, 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);
  PutLe(out, kPixelBytes, 4);
  PutLe(out, 2835, 4);  // 72 dpi, as resource editors write it
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int y = kToolboxHeight - 1; y >= 0; --y) {
    std::string_view row = glyph.art[y];
    if (row.size() != kToolboxWidth) {
      throw std::invalid_argument(std::string(glyph.class_name) + ": a row of the art is not 16 wide");
    }
    for (char c : row) {
      uint32_t rgb = ToolboxColor(c);
      out.push_back(static_cast<uint8_t>(rgb));        // blue
      out.push_back(static_cast<uint8_t>(rgb >> 8));   // green
      out.push_back(static_cast<uint8_t>(rgb >> 16));  // red
    }
    for (uint32_t pad = kToolboxWidth * 3; pad < kRowBytes; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace vitrelle::activex
