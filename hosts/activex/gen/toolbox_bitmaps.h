// The toolbox pictures of the four controls: 16 x 15 pixels, 24 bits, drawn from
// character art so that a glyph can be read (and reviewed) in the source.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vitrelle::activex {

inline constexpr int kToolboxWidth = 16;
inline constexpr int kToolboxHeight = 15;

struct ToolboxGlyph {
  std::string_view class_name;  // the control it stands for in a toolbox
  std::string_view art[kToolboxHeight];  // kToolboxWidth characters a row, top row first
};

const std::vector<ToolboxGlyph>& ToolboxGlyphs();

// The colour (0xRRGGBB) a character of the art stands for.
uint32_t ToolboxColor(char c);

// A complete .bmp file (file header, info header, bottom-up rows) of a glyph.
std::vector<uint8_t> EncodeToolboxBmp(const ToolboxGlyph& glyph);

}  // namespace vitrelle::activex
