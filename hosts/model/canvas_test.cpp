#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "hosts/model/screen.h"

namespace vitrelle::model {
namespace {

constexpr OleColor kPaper = Rgb(255, 255, 255);
constexpr OleColor kInk = Rgb(0, 0, 0);
constexpr OleColor kFill = Rgb(255, 0, 0);

// Draws one thing on a 20 x 20 window of white paper and gives back the pixels as
// rows of characters: '.' paper, '#' ink, 'o' fill.
std::vector<std::string> Draw(const std::function<void(Canvas&)>& draw) {
  struct Client : WindowClient {
    const std::function<void(Canvas&)>* draw;
    void Paint(Canvas& c) override {
      c.FillRect({0, 0, 20, 20}, kPaper);
      (*draw)(c);
    }
  } client;
  client.draw = &draw;
  Screen screen(20, 20);
  const Handle w = screen.CreateWindow(0, {0, 0, 20, 20}, 0, &client);
  screen.ShowWindow(w, true);
  screen.PaintPending();
  std::vector<std::string> rows;
  for (int y = 0; y < 20; ++y) {
    std::string row;
    for (int x = 0; x < 20; ++x) {
      const OleColor c = screen.PixelAt(x, y);
      row += c == kPaper ? '.' : c == kInk ? '#' : c == kFill ? 'o' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

int Count(const std::vector<std::string>& rows, char what) {
  int n = 0;
  for (const auto& r : rows) n += static_cast<int>(std::count(r.begin(), r.end(), what));
  return n;
}

struct LineCase {
  const char* name;
  int x1, y1, x2, y2, width;
  int expected_pixels;
  std::vector<std::pair<int, int>> inked;
  std::vector<std::pair<int, int>> blank;
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

INSTANTIATE_TEST_SUITE_P(
    Lines, LineTest,
    ::testing::Values(
        // The end point is never drawn, in whichever direction the line runs.
        LineCase{"Horizontal", 2, 5, 10, 5, 1, 8, {{2, 5}, {9, 5}}, {{10, 5}, {1, 5}}},
        LineCase{"Backwards", 10, 5, 2, 5, 1, 8, {{10, 5}, {3, 5}}, {{2, 5}}},
        LineCase{"Vertical", 4, 1, 4, 7, 1, 6, {{4, 1}, {4, 6}}, {{4, 7}}},
        LineCase{"Diagonal", 0, 0, 5, 5, 1, 5, {{0, 0}, {4, 4}}, {{5, 5}}},
        LineCase{"SinglePointIsNothing", 3, 3, 3, 3, 1, 0, {}, {{3, 3}}},
        // A wider line is that many pixels across, centred on the thin one.
        LineCase{"ThreeWide", 2, 5, 10, 5, 3, 24, {{2, 4}, {2, 6}, {9, 4}}, {{2, 3}, {2, 7}, {10, 5}}},
        LineCase{"TwoWideVertical", 4, 1, 4, 7, 2, 12, {{3, 1}, {4, 6}}, {{5, 1}, {2, 1}, {4, 7}}},
        LineCase{"BackwardsVertical", 4, 7, 4, 1, 1, 6, {{4, 7}, {4, 2}}, {{4, 1}}},
        LineCase{"TwoWideBackwards", 10, 5, 2, 5, 2, 16, {{10, 4}, {10, 5}, {3, 4}}, {{2, 5}, {10, 6}, {11, 5}}},
        // Only what lies on the window shows, wherever the line starts and ends.
        LineCase{"RunsPastTheWindow", -5, 3, 30, 3, 1, 20, {{0, 3}, {19, 3}}, {}},
        LineCase{"DiagonalFromOutside", -3, -3, 5, 5, 1, 5, {{0, 0}, {4, 4}}, {{5, 5}}},
        LineCase{"DiagonalWhollyOutside", 25, 0, 40, 10, 3, 0, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(LineTest, DrawsAsThePlatformDoes) {
  const LineCase& c = GetParam();
  const auto rows = Draw([&](Canvas& canvas) { canvas.Line(c.x1, c.y1, c.x2, c.y2, kInk, c.width); });
  EXPECT_EQ(Count(rows, '#'), c.expected_pixels);
  for (auto [x, y] : c.inked) EXPECT_EQ(rows[y][x], '#') << x << "," << y;
  for (auto [x, y] : c.blank) EXPECT_EQ(rows[y][x], '.') << x << "," << y;
}

TEST(ShapeTest, RectangleOutlineStaysInsideItsBounds) {
  const auto rows = Draw([](Canvas& c) { c.Rectangle({2, 2, 8, 6}, kFill, kInk, 2); });
  for (int y : {2, 3, 4}) EXPECT_EQ(rows[y].substr(0, 10), "..######..") << y;
  for (int y : {1, 6}) EXPECT_EQ(rows[y].substr(0, 10), "..........") << y;
  const auto thin = Draw([](Canvas& c) { c.Rectangle({2, 2, 8, 6}, kFill, kInk, 1); });
  EXPECT_EQ(thin[3].substr(0, 10), "..#oooo#..");
  EXPECT_EQ(Count(thin, 'o'), 8);
}

TEST(ShapeTest, EllipseIsInscribedAndSymmetric) {
  const auto rows = Draw([](Canvas& c) { c.Ellipse({1, 1, 15, 11}, kFill, kInk); });
  // Touches each side of its bounds at the middle, and not the corners.
  for (auto [x, y] : {std::pair{8, 1}, {8, 10}, {1, 6}, {14, 6}}) EXPECT_EQ(rows[y][x], '#') << x << "," << y;
  EXPECT_EQ(rows[1][1], '.');
  EXPECT_EQ(rows[0][8], '.');
  EXPECT_EQ(rows[6][8], 'o');
  for (int y = 1; y < 11; ++y)
    for (int x = 1; x < 15; ++x) {
      EXPECT_EQ(rows[y][x], rows[y][15 - x]) << x << "," << y;
      EXPECT_EQ(rows[y][x], rows[11 - y][x]) << x << "," << y;
    }
  // The outline is closed: no fill pixel touches the paper.
  for (int y = 1; y < 19; ++y)
    for (int x = 1; x < 19; ++x)
      if (rows[y][x] == 'o') {
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) EXPECT_NE(rows[y + dy][x + dx], '.');
      }
}

TEST(ShapeTest, OutlineOnlyLeavesTheInsideAlone) {
  const auto rows = Draw([](Canvas& c) { c.Ellipse({0, 0, 20, 20}, std::nullopt, kInk, 3); });
  EXPECT_EQ(rows[10][10], '.');
  EXPECT_EQ(rows[10][0], '#');
  EXPECT_EQ(rows[10][2], '#');
  EXPECT_EQ(rows[10][3], '.');
}

}  // namespace
}  // namespace vitrelle::model
