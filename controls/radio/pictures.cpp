// The option mark's eight pictures, kept as the letter table they were drawn in:
// one letter per pixel, thirteen rows of thirteen. Decoded once, on first use.
#include <array>
#include <string_view>

#include "controls/radio/radio_button.h"
#include "frame/color.h"

namespace vitrelle {

namespace {

constexpr int kSide = RadioButton::kPictureSide;
// No colour of the table has its top byte set.
constexpr OleColor kNotALetter = 0xFFFFFFFFu;

// A black .. J white.
constexpr OleColor ColorOfLetter(char letter) {
  switch (letter) {
    case 'A': return Rgb(0, 0, 0);
    case 'B': return Rgb(64, 64, 64);
    case 'C': return Rgb(70, 70, 70);
    case 'D': return Rgb(100, 100, 100);
    case 'E': return Rgb(115, 115, 115);
    case 'F': return Rgb(128, 128, 128);
    case 'G': return Rgb(150, 150, 150);
    case 'H': return Rgb(160, 160, 160);
    case 'I': return Rgb(192, 192, 192);
    case 'J': return Rgb(255, 255, 255);
    default: return kNotALetter;
  }
}

// Row by row, each row's pictures in the order of RadioButton::Look.
constexpr std::string_view kRows[kSide][RadioButton::kLooks] = {
    {"FFFFFFFFFFFFF", "FFFFFFFFFFFFF", "AAAAAAAAAAAAA", "AAAAAAAAAAAAA", "FFFFFFFFFFFFF", "FFFFFFFFFFFFF", "FFFFFFFFFFFFF", "FFFFFFFFFFFFF"},
    {"FFFFFDDDFFFFJ", "FFFFFDDDFFFFJ", "AAAAAAAAAAAAA", "AAAAAAAAAAAAA", "FFFFFEEEFFFFJ", "FFFFFEEEFFFFJ", "FFFFFFFFFFFFF", "FFFFFFFFFFFFF"},
    {"FFFCCCCCCCFJJ", "FFFCCCCCCCFJJ", "AAABJJJJJBAAA", "AAABJJJJJBAAA", "FFFDDDDDDDFJJ", "FFFDDDDDDDFJJ", "FFFHIIIIIHFFF", "FFFHIIIIIHFFF"},
    {"FFCCJJJJJCCJJ", "FFCCJJJJJCCJJ", "AABJJJJJJJBAA", "AABJJJJJJJBAA", "FFDDIIIIIDDJJ", "FFDDIIIIIDDJJ", "FFHIIIIIIIHFF", "FFHIIIIIIIHFF"},
    {"FFCJJJJJJJIJJ", "FFCJJJJJJJIJJ", "AAJJJBABJJJAA", "AAJJJJJJJJJAA", "FFDIIIIIIIHJJ", "FFDIIIIIIIHJJ", "FFIIIHFHIIIFF", "FFIIIIIIIIIFF"},
    {"FDCJJGAGJJIIJ", "FDCJJJJJJJIIJ", "AAJJBAAABJJAA", "AAJJJJJJJJJAA", "FEDIIHFHIIHHJ", "FEDIIIIIIIHHJ", "FFIIHFFFHIIFF", "FFIIIIIIIIIFF"},
    {"FDCJJAAAJJIIJ", "FDCJJJJJJJIIJ", "AAJJAAAAAJJAA", "AAJJJJJJJJJAA", "FEDIIFFFIIHHJ", "FEDIIIIIIIHHJ", "FFIIFFFFFIIFF", "FFIIIIIIIIIFF"},
    {"FDCJJGAGJJIIJ", "FDCJJJJJJJIIJ", "AAJJBAAABJJAA", "AAJJJJJJJJJAA", "FEDIIHFHIIHHJ", "FEDIIIIIIIHHJ", "FFIIHFFFHIIFF", "FFIIIIIIIIIFF"},
    {"FFCJJJJJJJIJJ", "FFCJJJJJJJIJJ", "AAJJJBABJJJAA", "AAJJJJJJJJJAA", "FFDIIIIIIIHJJ", "FFDIIIIIIIHJJ", "FFIIIHFHIIIFF", "FFIIIIIIIIIFF"},
    {"FFCCJJJJJIIJJ", "FFCCJJJJJIIJJ", "AABJJJJJJJBAA", "AABJJJJJJJBAA", "FFDDIIIIIHHJJ", "FFDDIIIIIHHJJ", "FFHIIIIIIIHFF", "FFHIIIIIIIHFF"},
    {"FFFIIIIIIIJJJ", "FFFIIIIIIIJJJ", "AAABJJJJJBAAA", "AAABJJJJJBAAA", "FFFHHHHHHHJJJ", "FFFHHHHHHHJJJ", "FFFHIIIIIHFFF", "FFFHIIIIIHFFF"},
    {"FFJJJIIIJJJJJ", "FFJJJIIIJJJJJ", "AAAAAAAAAAAAA", "AAAAAAAAAAAAA", "FFJJJHHHJJJJJ", "FFJJJHHHJJJJJ", "FFFFFFFFFFFFF", "FFFFFFFFFFFFF"},
    {"FJJJJJJJJJJJJ", "FJJJJJJJJJJJJ", "AAAAAAAAAAAAA", "AAAAAAAAAAAAA", "FJJJJJJJJJJJJ", "FJJJJJJJJJJJJ", "FFFFFFFFFFFFF", "FFFFFFFFFFFFF"},
};

using Decoded = std::array<std::array<OleColor, kSide * kSide>, RadioButton::kLooks>;

constexpr Decoded Decode() {
  Decoded out{};
  for (int look = 0; look < RadioButton::kLooks; ++look) {
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) out[look][y * kSide + x] = ColorOfLetter(kRows[y][look][x]);
    }
  }
  return out;
}

// A wrong letter or a short row in the table fails the build, not a paint.
constexpr bool TableIsWhole() {
  for (const auto& row : kRows) {
    for (std::string_view picture : row) {
      if (picture.size() != kSide) return false;
      for (char letter : picture) {
        if (ColorOfLetter(letter) == kNotALetter) return false;
      }
    }
  }
  return true;
}
static_assert(TableIsWhole());

constexpr Decoded kPictures = Decode();

}  // namespace

std::span<const OleColor> RadioButton::Pixels(Look look) { return kPictures[static_cast<int>(look)]; }

}  // namespace vitrelle
