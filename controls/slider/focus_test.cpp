#include <gtest/gtest.h>

#include "controls/slider/slider_test_fixture.h"
#include "frame/glaze_module.h"

namespace vitrelle::slider_testing {
namespace {

constexpr int16_t kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

// ---------------------------------------------------------------------------
// The dotted rectangle, read from the screen: a dash on every second pixel, two
// pixels in from the top and left edges and three in from the bottom and right.

class FocusDots : public SliderTest {
 protected:
  void SetUp() override {
    AddSlider();
    text_ = &AddHost("TextBox", "Text1");
    ShowForm();
    form_->FocusOn(text_);
  }
  bool Dark(int x, int y) {
    runtime_.DoEvents();
    return form_->Snapshot().At(x, y) == 0;
  }
  model::Site* text_ = nullptr;
};

TEST_F(FocusDots, OutlineTheControlWhileItHasTheFocus) {
  ASSERT_FALSE(Dark(2, 2));
  form_->FocusOn(&Site());
  for (auto [x, y] : {std::pair{2, 2}, {4, 2}, {108, 2}, {2, 16}, {108, 16}, {109, 2}, {109, 16}, {2, 10}}) {
    EXPECT_TRUE(Dark(x, y)) << x << "," << y;
  }
  EXPECT_FALSE(Dark(3, 2)) << "every second pixel only";
  EXPECT_FALSE(Dark(110, 2)) << "the right edge is three pixels in";
  form_->FocusOn(text_);
  EXPECT_FALSE(Dark(2, 2));
  EXPECT_FALSE(Dark(109, 16));
}

TEST_F(FocusDots, AreNotDrawnForAFocusChangeDuringACapture) {
  GlazeModule::SetCaptureInProgress(true);
  form_->FocusOn(&Site());
  GlazeModule::SetCaptureInProgress(false);
  EXPECT_FALSE(Dark(2, 2));
}

// ---------------------------------------------------------------------------
// The arrows across the axis: next or previous in tab order, wrapping round.

class FocusTest : public SliderTest {
 protected:
  // Where the focus goes from the slider on this key.
  Lines FocusAfter(int16_t key) {
    ShowForm();
    form_->FocusOn(&Site());
    TakeLog();
    KeyDown(key);
    return Logged("focus");
  }
};

TEST_F(FocusTest, GoesToTheNeighbourInTabOrder) {
  struct Row {
    int32_t orientation;
    int16_t key;
    int slider_tab;  // where the slider stands among three controls
    const char* focused;
  };
  // First in tab order, down and up (wrapping to the last) are the keys script's.
  for (const Row& r : {Row{0, kDown, 3, "Text1"},  // wraps to the first
                       Row{0, kDown, 1, "Text2"}, Row{0, kUp, 1, "Text1"}, Row{1, kRight, 0, "Text1"},
                       Row{1, kLeft, 0, "Text3"}, Row{1, kRight, 2, "Text3"}}) {
    SCOPED_TRACE(testing::Message() << r.orientation << " key " << r.key << " tab " << r.slider_tab);
    NewForm();
    const char* order[3] = {"Text1", "Text2", "Text3"};
    for (int p = 0; p <= 3; ++p) {
      if (p == r.slider_tab) AddSlider();
      if (p < 3) AddHost("TextBox", order[p]);
    }
    Set("Orientation", Variant::Long(r.orientation));
    EXPECT_EQ(FocusAfter(r.key), Lines{r.focused});
  }
}

TEST_F(FocusTest, MovesOnlyWithinTheSlidersContainer) {
  model::Site& frame = AddHost("Frame", "Frame1");
  AddSlider("Slider1", {}, {}, &frame);
  AddHost("TextBox", "Text2");
  AddHost("TextBox", "Text1", &frame);
  EXPECT_EQ(FocusAfter(kDown), Lines{"Text1"}) << "Text2 comes first in tab order but lies outside";
}

TEST_F(FocusTest, PassesOverControlsLeftOutOfKeyboardTravelOrUnableToTakeIt) {
  AddSlider();
  AddHost("Frame", "Frame1");             // cannot take the focus
  model::Site& skipped = AddHost("TextBox", "Text1");
  model::Site& disabled = AddHost("TextBox", "Text2");
  AddHost("TextBox", "Text3");
  skipped.SetTabStop(false);
  disabled.SetEnabled(false);
  EXPECT_EQ(FocusAfter(kDown), Lines{"Text3"});
}

TEST_F(SliderTest, AtDesignTimeTheArrowsMoveNothing) {
  NewForm(false);
  AddSlider();
  AddHost("TextBox", "Text1");
  KeyDown(kDown);
  EXPECT_EQ(Logged("focus"), Lines{});
  EXPECT_EQ(Logged("event"), Lines{});
}

}  // namespace
}  // namespace vitrelle::slider_testing
