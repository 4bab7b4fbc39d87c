#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "controls/slider/slider_test_fixture.h"

namespace vitrelle::slider_testing {
namespace {

constexpr float kAcross[5] = {135, 120, 150, 105, 165};
constexpr float A = -1;  // in ExpectGrooves: the groove's own place across, kAcross[i]

class GrooveTest : public SliderTest {
 protected:
  void ExpectGrooves(float x1, float y1, float x2, float y2) {
    const auto at = [](float v, int i) { return v == A ? kAcross[i] : v; };
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(Groove(i).X1(), at(x1, i));
      EXPECT_EQ(Groove(i).Y1(), at(y1, i));
      EXPECT_EQ(Groove(i).X2(), at(x2, i));
      EXPECT_EQ(Groove(i).Y2(), at(y2, i));
    }
  }
};

TEST_F(GrooveTest, NewControlTakesItsThicknessAndLaysOutTheDefaultRange) {
  AddSlider();
  EXPECT_EQ(Site().Width(), 1680);
  EXPECT_EQ(Site().Height(), 285);
  EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), 15.0f);
  ExpectGrooves(90, A, 1590, A);
  EXPECT_EQ(Thumb().Left(), 45);
  EXPECT_EQ(Thumb().Top(), 45);
  EXPECT_EQ(Thumb().Width(), 90);
  EXPECT_EQ(Thumb().Height(), 195);
  EXPECT_EQ(Thumb().FillColor(), 0x000080FFu);
  EXPECT_FALSE(Line("LineTop").Visible());
}

struct ThumbCase {
  int32_t value;
  float left;
};

class ThumbPlacement : public SliderTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(ThumbPlacement, FollowsValueAndKeepsItAcrossAShapeChange) {
  AddSlider();
  Set("value", Variant::Long(GetParam().value));
  EXPECT_EQ(Thumb().Left(), GetParam().left);
  Set("SliderShape", Variant::Long(1));
  EXPECT_EQ(Thumb().Shape(), ShapeKind::kOval);
  EXPECT_EQ(Thumb().Left(), GetParam().left);
  EXPECT_EQ(Thumb().Width(), 90);
  EXPECT_EQ(Thumb().Height(), 195);
}

INSTANTIATE_TEST_SUITE_P(Default, ThumbPlacement,
                         ::testing::Values(ThumbCase{0, 45}, ThumbCase{37, 600}, ThumbCase{100, 1545}));

// ---------------------------------------------------------------------------
// The scale: twips per unit (a Single) and the groove's end

struct ScaleCase {
  float length;
  int32_t max;
  float twips_per_unit;
  float groove_end;
};

class Scale : public SliderTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(Scale, ComesFromTheLengthAndTheSpan) {
  AddSlider("Slider1", GetParam().length);
  Set("Max", Variant::Long(GetParam().max));
  EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), GetParam().twips_per_unit);
  EXPECT_EQ(Api().GrooveEnd(), GetParam().groove_end);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, Scale,
    ::testing::Values(ScaleCase{1680, 100, 15.0f, 1590}, ScaleCase{1680, 7, 214.2857f, 1590},
                      ScaleCase{3180, 100, 30.0f, 3090},
                      // Too short for a groove: one twip a unit, the groove ends before it starts.
                      ScaleCase{150, 100, 1.0f, 60}, ScaleCase{180, 100, 1.0f, 90}));

TEST_F(SliderTest, ASpanWiderThanALongKeepsTheLastScale) {
  AddSlider();
  Set("Min", Variant::Long(std::numeric_limits<int32_t>::min()));
  Set("Max", Variant::Long(std::numeric_limits<int32_t>::max()));
  EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), 15.0f);
  EXPECT_EQ(Api().GrooveEnd(), 1590);
  Set("value", Variant::Long(std::numeric_limits<int32_t>::max()));
  EXPECT_EQ(Get("value").ToLong(), std::numeric_limits<int32_t>::max());
}

// ---------------------------------------------------------------------------
// Orientation and size

// The sizes either way are the orientation script's.
TEST_F(GrooveTest, TurningVerticalMovesTheGrooveAndTheThumbOntoTheOtherAxis) {
  AddSlider("Slider1", 2400);
  Set("Orientation", Variant::Long(1));
  ExpectGrooves(A, 90, A, 2310);
  EXPECT_EQ(Thumb().Left(), 45);
  EXPECT_EQ(Thumb().Width(), 195);
  EXPECT_EQ(Thumb().Height(), 90);
  Set("Orientation", Variant::Long(0));
  ExpectGrooves(90, A, 2310, A);
}

// A range the scale cannot spread leaves the groove's far end alone when the axis
// turns: only the near end and the across position move, so the far end on the new
// axis is what that coordinate held before (the old axis's across position).
struct UnscaledTurnCase {
  const char* what;
  int32_t min, max;
};

class UnscaledTurn : public GrooveTest, public ::testing::WithParamInterface<UnscaledTurnCase> {};

TEST_P(UnscaledTurn, MovesOnlyTheNearEndAndTheAcrossPosition) {
  AddSlider("Slider1", 2400);
  Set("Min", Variant::Long(GetParam().min));
  Set("Max", Variant::Long(GetParam().max));
  Set("Orientation", Variant::Long(1));
  SCOPED_TRACE(GetParam().what);
  EXPECT_EQ(Site().Height(), 2400);
  ExpectGrooves(A, 90, A, A);  // the far end not the old one, 2310
  Set("Orientation", Variant::Long(0));
  ExpectGrooves(90, A, A, A);
  EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), 2220.0f / 100) << "the last good scale";
}

INSTANTIATE_TEST_SUITE_P(Ranges, UnscaledTurn,
                         ::testing::Values(UnscaledTurnCase{"span 0", 0, 0},
                                           UnscaledTurnCase{"span wider than a Long", std::numeric_limits<int32_t>::min(),
                                                            std::numeric_limits<int32_t>::max()}));

TEST_F(SliderTest, TheBorderFollowsTheSizeAndShowsForAnyNonZeroStyle) {
  AddSlider("Slider1", 2400);
  Set("BorderStyle", Variant::Long(3));
  for (const char* side : {"LineTop", "LineBottom", "LineLeft", "LineRight"}) {
    EXPECT_TRUE(Line(side).Visible()) << side;
    EXPECT_EQ(Line(side).BorderWidth(), 2) << side;
  }
  LinePart& right = Line("LineRight");
  EXPECT_EQ(std::vector<float>({right.X1(), right.Y1(), right.X2(), right.Y2()}),
            std::vector<float>({2385, 0, 2400, 285}));
  LinePart& bottom = Line("LineBottom");
  EXPECT_EQ(std::vector<float>({bottom.X1(), bottom.Y1(), bottom.X2(), bottom.Y2()}),
            std::vector<float>({0, 270, 2400, 285}));
  Set("BorderStyle", Variant::Long(0));
  EXPECT_FALSE(Line("LineLeft").Visible());
}

}  // namespace
}  // namespace vitrelle::slider_testing
