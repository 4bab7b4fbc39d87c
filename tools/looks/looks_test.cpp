#include "tools/looks/looks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace vitrelle::looks {
namespace {

// A checkered background, like a form's pattern, with parts drawn over it.
Bitmap Background() {
  Bitmap b(60, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) b.Set(x, y, ((x / 4 + y / 4) % 2) ? Rgb(200, 210, 230) : Rgb(170, 190, 220));
  return b;
}

Bitmap With(const Bitmap& base, const Rect& r, OleColor c) {
  Bitmap b = base;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) b.Set(x, y, c);
  return b;
}

const std::vector<Region> kControl{{"Check1", {0, 0, 60, 40}}};
const Rect kGlyph{40, 10, 53, 23};

struct LookCase {
  const char* name;
  Rect first_part, second_part;  // empty: not drawn
  OleColor second_color;
  size_t expected;               // mismatching cells
  bool drawn_by_first;
};

void PrintTo(const LookCase& c, std::ostream* os) { *os << c.name; }

class CompareLooksTest : public ::testing::TestWithParam<LookCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareLooksTest,
    ::testing::Values(
        // Other colours and a pixel's shift are the same part.
        LookCase{"SamePartOtherColour", kGlyph, kGlyph, Rgb(90, 90, 90), 0, true},
        LookCase{"ShiftedByAPixel", kGlyph, kGlyph.Offset(1, 1), Rgb(0, 0, 0), 0, true},
        // A 13-pixel glyph one host leaves out: every cell of it counts.
        LookCase{"GlyphMissingOnSecond", kGlyph, {}, 0, 25, true},
        LookCase{"GlyphOnlyOnSecond", {}, kGlyph, Rgb(0, 0, 0), 25, false},
        // A line drawn by one host only, far from anything the other drew; its
        // first pixel alone does not make a cell.
        LookCase{"StrayLine", {}, {2, 35, 30, 36}, Rgb(0, 0, 0), 9, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(CompareLooksTest, FindsWhatOneHostDoesNotDraw) {
  const LookCase& c = GetParam();
  const Bitmap base = Background();
  const Bitmap first = c.first_part.Empty() ? base : With(base, c.first_part, Rgb(0, 0, 0));
  const Bitmap second = c.second_part.Empty() ? base : With(base, c.second_part, c.second_color);
  const auto mismatches = CompareLooks(first, base, second, base, kControl);
  EXPECT_EQ(mismatches.size(), c.expected);
  for (const Mismatch& m : mismatches) {
    EXPECT_EQ(m.region, "Check1");
    EXPECT_EQ(m.drawn_by_first, c.drawn_by_first);
  }
}

TEST(CompareLooksTest, PicturesOfOtherSizesDifferEverywhere) {
  const Bitmap base = Background();
  const Bitmap small(30, 20);
  EXPECT_EQ(CompareLooks(base, base, small, small, kControl).size(), 1u);
}

TEST(ReadBmpTest, ReadsBothRowOrdersAndRefusesOthers) {
  // 2 x 2 pixels, 32 bits: red, green on the first row shown; blue, white below.
  auto write = [](const std::string& path, int32_t height, bool top_down) {
    std::vector<unsigned char> b(54 + 16, 0);
    b[0] = 'B', b[1] = 'M';
    b[10] = 54, b[14] = 40, b[18] = 2;
    std::memcpy(&b[22], &height, 4);
    b[26] = 1, b[28] = 32;
    const unsigned char rows[2][8] = {{0, 0, 255, 0, 0, 255, 0, 0}, {255, 0, 0, 0, 255, 255, 255, 0}};
    std::memcpy(&b[54], rows[top_down ? 0 : 1], 8);
    std::memcpy(&b[62], rows[top_down ? 1 : 0], 8);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
  };
  const std::string path = ::testing::TempDir() + "looks_test.bmp";
  for (bool top_down : {true, false}) {
    write(path, top_down ? -2 : 2, top_down);
    auto image = ReadBmp(path);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->At(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(image->At(1, 0), Rgb(0, 255, 0));
    EXPECT_EQ(image->At(0, 1), Rgb(0, 0, 255));
    EXPECT_EQ(image->At(1, 1), Rgb(255, 255, 255));
  }
  std::ofstream(path, std::ios::binary) << "not a picture";
  std::string error;
  EXPECT_FALSE(ReadBmp(path, &error).has_value());
  EXPECT_NE(error.find("not a BMP"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vitrelle::looks
