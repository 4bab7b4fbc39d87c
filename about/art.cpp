// The pictures stored with the About form: its icon and the link cursor.
#include "about/art.h"

#include <array>
#include <string_view>

namespace vitrelle::about {

namespace {

// '#' black, 'o' white, '.' transparent; the hot spot is the fingertip.
constexpr std::array<std::string_view, 32> kHand = {
    "................................",
    "...........##...................",
    "..........#oo#..................",
    "..........#oo#..................",
    "..........#oo#..................",
    "..........#oo#..................",
    "..........#oo###................",
    "..........#oo#oo###.............",
    "..........#oo#oo#oo##...........",
    "..........#oo#oo#oo#o#..........",
    "......###.#oo#oo#oo#oo#.........",
    "......#oo##oooooooooooo#........",
    "......#ooo#ooooooooooooo#.......",
    ".......#oo#ooooooooooooo#.......",
    "........#ooooooooooooooo#.......",
    "........#ooooooooooooooo#.......",
    ".........#oooooooooooooo#.......",
    ".........#ooooooooooooo#........",
    "..........#oooooooooooo#........",
    "..........#oooooooooooo#........",
    "...........#oooooooooo#.........",
    "...........#oooooooooo#.........",
    "...........############.........",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

}  // namespace

std::vector<uint8_t> LinkCursor() {
  std::vector<uint8_t> pixels;
  pixels.reserve(32 * 32);
  for (std::string_view row : kHand) {
    for (char c : row) pixels.push_back(c == '#' ? 1 : c == 'o' ? 2 : 0);
  }
  return pixels;
}

// A pane of glass: a blue square lightening towards its top left, a white streak
// across it and a dark frame, so that it reads at 32 pixels.
std::vector<OleColor> Icon() {
  std::vector<OleColor> pixels(32 * 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      OleColor c;
      if (x == 0 || y == 0 || x == 31 || y == 31) {
        c = Rgb(0, 32, 96);
      } else if (x + y >= 18 && x + y <= 24) {
        c = Rgb(255, 255, 255);
      } else {
        const int shade = 255 - (x + y) * 3;
        c = Rgb(static_cast<uint8_t>(shade / 2), static_cast<uint8_t>(shade * 3 / 4), static_cast<uint8_t>(shade));
      }
      pixels[static_cast<size_t>(y) * 32 + x] = c;
    }
  }
  return pixels;
}

}  // namespace vitrelle::about
