#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "controls/slider/slider_test_fixture.h"

namespace vitrelle::slider_testing {
namespace {

using model::MouseInput;

// ---------------------------------------------------------------------------
// A press puts the thumb's centre under the pointer, or at an end within one unit
// of it; Value follows, rounded half to even, and the thumb is not snapped to it.

TEST_F(SliderTest, APressMovesTheThumbUnderThePointerAndRaisesOnlyMouseDown) {
  struct Row {
    float length, x, thumb_left;
    int32_t value;
  };
  for (const Row& r : {Row{1680, 1000, 955, 61},  // 910 / 15 = 60.67
                       Row{1680, 1575, 1545, 100}, Row{1680, 1679, 1545, 100}, Row{1680, 105, 45, 0},
                       Row{1680, 10, 45, 0},
                       // 30 twips a unit: 2.5 and 3.5 both round to the even neighbour.
                       Row{3180, 165, 120, 2}, Row{3180, 195, 150, 4}}) {
    SCOPED_TRACE(testing::Message() << r.x << " of " << r.length);
    NewForm();
    AddSlider("Slider1", r.length);
    ShowForm();
    Mouse(MouseInput::kDown, 1, r.x, 100);
    EXPECT_EQ(Thumb().Left(), r.thumb_left);
    EXPECT_EQ(Get("value").ToLong(), r.value);
    EXPECT_TRUE(Get("Scrolling").ToBoolean());
    EXPECT_EQ(Events(), Lines{"Slider1.MouseDown(1, 0, " + Variant::Single(r.x).ToLiteral() + ", 100.0)"});
  }
}

// The thumb under the pointer inside and the release's Click are the drag script's.
TEST_F(SliderTest, DragScrollsInsideTheControlOnlyAndRaisesNoChanged) {
  AddSlider();
  ShowForm();
  Mouse(MouseInput::kDown, 1, 1000, 100);
  TakeLog();
  Mouse(MouseInput::kMove, 1, 1680, 285);  // the far corner still counts as inside
  Mouse(MouseInput::kMove, 1, 500, -1);
  EXPECT_EQ(Thumb().Left(), 1545) << "the thumb waits where it was";
  Mouse(MouseInput::kUp, 1, 2000, 100);
  // Not through the value setter: no Changed.
  EXPECT_EQ(Events(), (Lines{"Slider1.Scroll(100)", "Slider1.MouseMove(1, 0, 1680.0, 285.0)",
                             "Slider1.MouseMove(1, 0, 500.0, -1.0)", "Slider1.Click(100)",
                             "Slider1.MouseUp(1, 0, 2000.0, 100.0)"}));
}

TEST_F(SliderTest, AVerticalSliderFollowsY) {
  AddSlider();
  Set("Orientation", Variant::Long(1));
  ShowForm();
  Mouse(MouseInput::kDown, 1, 100, 1000);
  EXPECT_EQ(Thumb().Top(), 955);
  EXPECT_EQ(Thumb().Left(), 45);
  EXPECT_EQ(Get("value").ToLong(), 61);
}

// A range never valid keeps the design scale.
TEST_F(SliderTest, WithoutAScaleTheThumbMovesButValueStays) {
  model::ModelPropertyBag bag;
  bag.Put("Max", Variant::Long(0));
  AddSlider("Slider1", {}, {}, nullptr, &bag);
  EXPECT_EQ(Api().TwipsPerUnit(), 0.0f);
  EXPECT_EQ(Api().GrooveEnd(), 1590) << "the design scale's";
  EXPECT_EQ(Thumb().Left(), 45);
  ShowForm();
  Mouse(MouseInput::kDown, 1, 1000, 100);
  Mouse(MouseInput::kMove, 1, 800, 100);
  EXPECT_EQ(Thumb().Left(), 755);
  EXPECT_EQ(Get("value").ToLong(), 0);
  EXPECT_EQ(Events(), (Lines{"Slider1.MouseDown(1, 0, 1000.0, 100.0)", "Slider1.Scroll(0)",
                             "Slider1.MouseMove(1, 0, 800.0, 100.0)"}));
}

// ---------------------------------------------------------------------------
// Keys: Changed and Scroll for a step, then KeyDown; only KeyDown at the limit, and
// for a step whose sum leaves the 32-bit range (a step that fits is exact).

constexpr int16_t kPageUp = 33, kPageDown = 34, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kHome = 36;
constexpr int32_t kLongMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kLongMin = std::numeric_limits<int32_t>::min();

TEST_F(SliderTest, AKeyStepsThroughTheSetterThenPassesTheKeyOn) {
  struct Row {
    int32_t orientation;
    int16_t key;
    int32_t start;
    int32_t expected;       // the start: no step, the value stays
    int32_t wide_step = 0;  // 0: a range of 0 to 100, SmallChange 5 and LargeChange 20; else
                            // the whole Long range, both changes this step
  };
  for (const Row& r : {Row{0, kRight, 50, 55}, Row{0, kRight, 98, 100}, Row{0, kRight, 100, 100},
                       Row{0, kLeft, 3, 0}, Row{0, kLeft, 0, 0}, Row{0, kPageUp, 50, 70}, Row{0, kPageDown, 3, 0},
                       Row{0, kHome, 50, 50},
                       // Vertical: Value grows downwards with the thumb.
                       Row{1, kDown, 50, 55}, Row{1, kUp, 50, 45}, Row{1, kPageUp, 50, 70}, Row{1, kPageDown, 50, 30},
                       // Past the top or the bottom of a Long, and to the bottom.
                       Row{0, kPageUp, kLongMax - 1, kLongMax - 1, kLongMax},
                       Row{0, kPageDown, kLongMin + 1, kLongMin + 1, kLongMax},
                       Row{0, kPageDown, 0, kLongMin + 1, kLongMax},
                       // Up and down by the most negative step, past the range and fitting.
                       Row{0, kRight, -1, -1, kLongMin}, Row{0, kRight, 0, kLongMin, kLongMin},
                       Row{0, kLeft, 0, 0, kLongMin}, Row{0, kLeft, -1, kLongMax, kLongMin}}) {
    SCOPED_TRACE(testing::Message() << "orientation " << r.orientation << " key " << r.key << " from " << r.start
                                    << " step " << r.wide_step);
    NewForm();
    AddSlider();
    Set("Orientation", Variant::Long(r.orientation));
    if (r.wide_step) {
      Set("Max", Variant::Long(kLongMax));
      Set("Min", Variant::Long(kLongMin));
    }
    Set("SmallChange", Variant::Long(r.wide_step ? r.wide_step : 5));
    Set("LargeChange", Variant::Long(r.wide_step ? r.wide_step : 20));
    Set("value", Variant::Long(r.start));
    ShowForm();
    KeyDown(r.key);
    const std::string key_down = "Slider1.KeyDown(" + std::to_string(r.key) + ", 0)";
    if (r.expected != r.start) {
      const std::string v = std::to_string(r.expected);
      EXPECT_EQ(Events(), (Lines{"Slider1.Changed(" + v + ")", "Slider1.Scroll(" + v + ")", key_down}));
    } else {
      EXPECT_EQ(Events(), Lines{key_down});
    }
    EXPECT_EQ(Get("value").ToLong(), r.expected);
  }
}

TEST_F(SliderTest, AZeroOrNegativeStepIsTakenAsStored) {
  AddSlider();
  Set("value", Variant::Long(10));
  Set("SmallChange", Variant::Long(0));
  ShowForm();
  KeyDown(kRight);
  EXPECT_EQ(Events(), (Lines{"Slider1.Changed(10)", "Slider1.Scroll(10)", "Slider1.KeyDown(39, 0)"}));
  Set("SmallChange", Variant::Long(-4));
  TakeLog();
  KeyDown(kRight);
  EXPECT_EQ(Get("value").ToLong(), 6);
}

// Handlers get the parameters by reference: their changes reach whoever reported
// the input, after the control has done its own work with the original values.
TEST_F(SliderTest, HandlersChangesComeBackButCannotUndoTheControlsWork) {
  AddSlider();
  ShowForm();
  form_->OnEvent("Slider1", "KeyDown", [](std::span<Variant> args) { args[0] = Variant::Integer(0); });
  form_->OnEvent("Slider1", "MouseMove", [](std::span<Variant> args) { args[2] = Variant::Single(5); });
  form_->OnEvent("Slider1", "KeyPress", [](std::span<Variant> args) { args[0] = Variant::Integer(66); });
  int16_t key = kRight, shift = 0;
  Slider().KeyDown(nullptr, key, shift);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(Get("value").ToLong(), 1);

  int16_t button = 1;
  float x = 700, y = 100;
  Slider().MouseDown(nullptr, button, shift, x, y);
  Slider().MouseMove(nullptr, button, shift, x, y);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(Thumb().Left(), 655) << "placed for the pointer as reported";

  int16_t ascii = 65;
  Slider().KeyPress(nullptr, ascii);
  EXPECT_EQ(ascii, 66);
}

}  // namespace
}  // namespace vitrelle::slider_testing
