#include "frame/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/color.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "frame/units.h"

namespace vitrelle {
namespace {

int ErrorOf(auto&& step) {
  try {
    step();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

struct IntegerCase {
  Variant in;
  int expected;  // the Integer, or -(error number) when it raises
};

class ToIntegerTest : public testing::TestWithParam<IntegerCase> {};

TEST_P(ToIntegerTest, RoundsHalfToEvenAndChecksRange) {
  const auto& c = GetParam();
  if (c.expected < -32768) {
    EXPECT_EQ(ErrorOf([&] { (void)c.in.ToInteger(); }), -(c.expected + 100000));
  } else {
    EXPECT_EQ(c.in.ToInteger(), c.expected);
  }
}

constexpr int Err(int n) { return -100000 - n; }

INSTANTIATE_TEST_SUITE_P(
    Edges, ToIntegerTest,
    testing::Values(IntegerCase{Variant::Double(2.5), 2}, IntegerCase{Variant::Double(3.5), 4},
                    IntegerCase{Variant::Double(-2.5), -2}, IntegerCase{Variant::Single(0.5f), 0},
                    IntegerCase{Variant::Double(-32768.5), -32768},
                    IntegerCase{Variant::Double(32767.5), Err(err::kOverflow)},
                    IntegerCase{Variant::Long(70000), Err(err::kOverflow)},
                    IntegerCase{Variant::Long(-32769), Err(err::kOverflow)},
                    IntegerCase{Variant::String("abc"), Err(err::kTypeMismatch)},
                    IntegerCase{Variant::String(""), Err(err::kTypeMismatch)},
                    IntegerCase{Variant::String(" 12 "), 12}, IntegerCase{Variant::String("&HFF"), 255},
                    IntegerCase{Variant::String("True"), -1}, IntegerCase{Variant::Boolean(true), -1},
                    IntegerCase{Variant(), 0}, IntegerCase{Variant::Object(nullptr), Err(err::kTypeMismatch)}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST(VariantTest, LongRangeAndSingleOverflow) {
  EXPECT_EQ(Variant::Double(2147483647.4).ToLong(), 2147483647);
  EXPECT_EQ(ErrorOf([] { (void)Variant::Double(2147483647.5).ToLong(); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)Variant::Double(1e300).ToSingle(); }), err::kOverflow);
  EXPECT_FLOAT_EQ(Variant::String("1.5").ToSingle(), 1.5f);
}

TEST(VariantTest, BooleanIsSixteenBitMinusOne) {
  EXPECT_EQ(Variant::Boolean(true).ToLong(), -1);
  EXPECT_TRUE(Variant::Integer(2).ToBoolean());
  EXPECT_FALSE(Variant::String("False").ToBoolean());
  EXPECT_TRUE(Variant::String("true").ToBoolean());
  EXPECT_EQ(ErrorOf([] { (void)Variant::String("yes").ToBoolean(); }), err::kTypeMismatch);
}

// Literals of the other kinds are pinned by the script's value literal tests.
TEST(VariantTest, TextForms) {
  EXPECT_EQ(Variant::Boolean(false).ToString(), "False");
  EXPECT_EQ(Variant::Single(214.285714f).ToString(), "214.2857");
  EXPECT_EQ(Variant::Single(1.0f).ToLiteral(), "1.0");
  EXPECT_EQ(Variant::Double(1.5e20).ToString(), "1.5E+20");
}

TEST(VariantTest, EqualityJudgesDefaultsByValue) {
  EXPECT_EQ(Variant::Integer(0), Variant::Long(0));
  EXPECT_EQ(Variant::Boolean(true), Variant::Integer(-1));
  EXPECT_NE(Variant::String("0"), Variant::Long(0));
  EXPECT_EQ(Variant::OfPicture(nullptr), Variant::Object(nullptr));
  EXPECT_NE(Variant(), Variant::Long(0));
  EXPECT_EQ(Variant::Single(0.1f), Variant::Single(0.1f));
}

TEST(IgnoreErrorsTest, SwallowsRuntimeErrorsOnly) {
  EXPECT_FALSE(IgnoreErrors([] { Raise(err::kInvalidPropertyValue); }));
  EXPECT_TRUE(IgnoreErrors([] {}));
  EXPECT_THROW(IgnoreErrors([] { throw std::logic_error("bug"); }), std::logic_error);
  EXPECT_EQ(RuntimeError(err::kNotSupported).description(), "Object doesn't support this property or method");
}

TEST(ColorTest, SystemColorsByIndex) {
  EXPECT_TRUE(IsSystemColor(kColorButtonFace));
  EXPECT_EQ(SystemColorIndex(kColorButtonText), 18u);
  EXPECT_EQ(TranslateColor(kColorButtonFace), Rgb(192, 192, 192));
  EXPECT_EQ(TranslateColor(0x000080FF), 0x000080FFu);
  EXPECT_FALSE(TranslateColor(0x80000040u).has_value());
  EXPECT_FALSE(TranslateColor(0x02000000u).has_value());
}

TEST(UnitsTest, ScaleConversions) {
  EXPECT_FLOAT_EQ(ConvertScale(1680, ScaleMode::kTwips, ScaleMode::kPixels, 15), 112);
  EXPECT_FLOAT_EQ(ConvertScale(19, ScaleMode::kPixels, ScaleMode::kTwips, 15), 285);
  EXPECT_FLOAT_EQ(ConvertScale(20, ScaleMode::kTwips, ScaleMode::kPoints, 15), 1);
  EXPECT_EQ(RoundHalfEven(112.5), 112);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundToInteger(-32768.5), -32768);
}

// Twips to pixels as both hosts place windows: halves to even, and bounded so that
// no extent a control accepts overflows the arithmetic on pixels.
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
