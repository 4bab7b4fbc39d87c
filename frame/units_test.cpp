// Twips to pixels as both hosts place windows: halves to even, and bounded so that
// no extent a control accepts overflows the arithmetic on pixels.
#include "frame/units.h"

#include <gtest/gtest.h>

#include <limits>

namespace vitrelle {
namespace {

struct PixelRow {
  double twips;
  int pixels;
};

class PixelCoordinateTest : public ::testing::TestWithParam<PixelRow> {};

TEST_P(PixelCoordinateTest, RoundsHalvesToEvenWithinGdiRange) {
  EXPECT_EQ(PixelCoordinate(GetParam().twips, 15), GetParam().pixels) << GetParam().twips << " twips";
}

INSTANTIATE_TEST_SUITE_P(
    Twips, PixelCoordinateTest,
    ::testing::Values(PixelRow{0, 0}, PixelRow{15, 1}, PixelRow{22.5, 2}, PixelRow{37.5, 2}, PixelRow{-22.5, -2},
                      PixelRow{15.0 * kMaxPixelCoordinate, kMaxPixelCoordinate},
                      // A thumb scaled 2^31 units past its groove, and beyond.
                      PixelRow{2.0e11, kMaxPixelCoordinate}, PixelRow{-2.0e11, -kMaxPixelCoordinate},
                      PixelRow{std::numeric_limits<double>::infinity(), kMaxPixelCoordinate},
                      PixelRow{-std::numeric_limits<double>::infinity(), -kMaxPixelCoordinate},
                      PixelRow{std::numeric_limits<double>::quiet_NaN(), 0}));

}  // namespace
}  // namespace vitrelle
