#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "controls/slider/slider_test_fixture.h"

namespace vitrelle::slider_testing {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
constexpr float kAcross[5] = {135, 120, 150, 105, 165};
constexpr float A = -1;  // in ExpectGrooves: the groove's own place across, kAcross[i]

class GrooveTest : public SliderTest {
 protected:
  void ExpectGrooves(float x1, float y1, float x2, float y2) {
    const auto at = [](float v, int i) { return v == A ? kAcross[i] : v; };
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(Ends(Groove(i)), (std::vector<float>{at(x1, i), at(y1, i), at(x2, i), at(y2, i)})) << "groove " << i;
  }
};

TEST_F(GrooveTest, NewControlTakesItsThicknessAndLaysOutTheDefaultRange) {
  AddSlider();
  EXPECT_EQ(Site().Width(), 1680);
  EXPECT_EQ(Site().Height(), 285);
  EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), 15.0f);
  ExpectGrooves(90, A, 1590, A);
  EXPECT_EQ(ThumbBox(), (std::vector<float>{45, 45, 90, 195}));
  EXPECT_EQ(Thumb().FillColor(), 0x000080FFu);
  EXPECT_FALSE(Line("LineTop").Visible());
}

TEST_F(SliderTest, TheThumbFollowsValueAndKeepsItAcrossAShapeChange) {
  AddSlider();
  for (auto [value, left] : {std::pair{0, 45.0f}, {37, 600.0f}, {100, 1545.0f}}) {
    SCOPED_TRACE(value);
    Set("SliderShape", Variant::Long(0));
    Set("value", Variant::Long(value));
    EXPECT_EQ(Thumb().Left(), left);
    Set("SliderShape", Variant::Long(1));
    EXPECT_EQ(Thumb().Shape(), ShapeKind::kOval);
    EXPECT_EQ(ThumbBox(), (std::vector<float>{left, 45, 90, 195}));
  }
}

// The scale: twips per unit (a Single) and the groove's end.
TEST_F(SliderTest, TheScaleComesFromTheLengthAndTheSpan) {
  struct Row {
    float length;
    int32_t min, max;
    float twips_per_unit, groove_end;
  };
  for (const Row& r : {Row{1680, 0, 100, 15.0f, 1590}, Row{1680, 0, 7, 214.2857f, 1590}, Row{3180, 0, 100, 30.0f, 3090},
                       // Too short for a groove: one twip a unit, the groove ends before it starts.
                       Row{150, 0, 100, 1.0f, 60}, Row{180, 0, 100, 1.0f, 90},
                       // An empty span, or one wider than a Long, is taken and keeps the last scale.
                       Row{1680, 0, 0, 15.0f, 1590}, Row{1680, kMin, kMax, 15.0f, 1590}}) {
    SCOPED_TRACE(testing::Message() << r.length << " for " << r.min << " to " << r.max);
    NewForm();
    AddSlider("Slider1", r.length);
    Set("Min", Variant::Long(r.min));
    Set("Max", Variant::Long(r.max));
    EXPECT_EQ(Logged("changed"), (Lines{"Slider1.Min", "Slider1.Max"}));
    EXPECT_TRUE(runtime_.MessageBoxes().empty());
    EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), r.twips_per_unit);
    EXPECT_EQ(Api().GrooveEnd(), r.groove_end);
  }
}

// ---------------------------------------------------------------------------
// Orientation and size

// The sizes either way are the orientation script's.
TEST_F(GrooveTest, TurningVerticalMovesTheGrooveAndTheThumbOntoTheOtherAxis) {
  AddSlider("Slider1", 2400);
  Set("Orientation", Variant::Long(1));
  ExpectGrooves(A, 90, A, 2310);
  EXPECT_EQ(ThumbBox(), (std::vector<float>{45, 45, 195, 90}));
  Set("Orientation", Variant::Long(0));
  ExpectGrooves(90, A, 2310, A);
}

// A range the scale cannot spread (a span of 0, or one wider than a Long) leaves the
// groove's far end alone when the axis turns: only the near end and the across
// position move, so the far end on the new axis is what that coordinate held before
// (the old axis's across position).
TEST_F(GrooveTest, AnUnscaledTurnMovesOnlyTheNearEndAndTheAcrossPosition) {
  for (auto [min, max] : {std::pair{0, 0}, {kMin, kMax}}) {
    SCOPED_TRACE(testing::Message() << min << " to " << max);
    NewForm();
    AddSlider("Slider1", 2400);
    Set("Min", Variant::Long(min));
    Set("Max", Variant::Long(max));
    Set("Orientation", Variant::Long(1));
    EXPECT_EQ(Site().Height(), 2400);
    ExpectGrooves(A, 90, A, A);  // the far end not the old one, 2310
    Set("Orientation", Variant::Long(0));
    ExpectGrooves(90, A, A, A);
    EXPECT_FLOAT_EQ(Api().TwipsPerUnit(), 2220.0f / 100) << "the last good scale";
  }
}

TEST_F(SliderTest, TheBorderFollowsTheSizeAndShowsForAnyNonZeroStyle) {
  AddSlider("Slider1", 2400);
  Set("BorderStyle", Variant::Long(3));
  for (const char* side : {"LineTop", "LineBottom", "LineLeft", "LineRight"}) {
    EXPECT_TRUE(Line(side).Visible()) << side;
    EXPECT_EQ(Line(side).BorderWidth(), 2) << side;
  }
  EXPECT_EQ(Ends(Line("LineRight")), (std::vector<float>{2385, 0, 2400, 285}));
  EXPECT_EQ(Ends(Line("LineBottom")), (std::vector<float>{0, 270, 2400, 285}));
  Set("BorderStyle", Variant::Long(0));
  EXPECT_FALSE(Line("LineLeft").Visible());
}

}  // namespace
}  // namespace vitrelle::slider_testing
