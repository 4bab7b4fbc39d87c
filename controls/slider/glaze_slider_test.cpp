#include <gtest/gtest.h>

#include "controls/slider/slider_test_fixture.h"
#include "frame/errors.h"

namespace vitrelle::slider_testing {
namespace {

// ---------------------------------------------------------------------------
// value: clamped, and Changed on every assignment

TEST_F(SliderTest, ValueIsClampedAndAlwaysRaisesChanged) {
  AddSlider();
  for (auto [assigned, stored] : {std::pair{150, 100}, {-3, 0}, {0, 0}, {37, 37}, {100, 100}}) {
    SCOPED_TRACE(assigned);
    Set("value", Variant::Long(assigned));
    EXPECT_EQ(Logged("event"), Lines{"Slider1.Changed(" + std::to_string(stored) + ")"});
    EXPECT_EQ(Get("value").ToLong(), stored);
    Set("value", Variant::Long(assigned));
    EXPECT_EQ(Logged("changed"), Lines{"Slider1.Value"}) << "reported again, unchanged or not";
  }
}

TEST_F(SliderTest, ThumbIsGreyWhileDisabledWhateverSliderColorSays) {
  AddSlider();
  Set("Enabled", Variant::Boolean(false));
  EXPECT_EQ(Thumb().FillColor(), 0x00808080u);
  EXPECT_FALSE(Site().GetSurface().Enabled());
  Set("SliderColor", Variant::Long(0x000000FF));
  EXPECT_EQ(Thumb().FillColor(), 0x00808080u);
  Set("Enabled", Variant::Boolean(true));
  EXPECT_EQ(Thumb().FillColor(), 0x000000FFu);
}

// Values no other test gives are kept as given; hwnd is the window, Scrolling read-only.
TEST_F(SliderTest, MembersFollowTheHostsRules) {
  AddSlider();
  for (auto [member, value] : {std::pair{"Orientation", 5}, {"LargeChange", -5}, {"BorderStyle", 3}}) {
    Set(member, Variant::Long(value));
    EXPECT_EQ(Get(member), Variant::Long(value)) << member;
  }
  EXPECT_EQ(Get("hwnd").ToLong(), static_cast<int32_t>(Site().Window()));
  EXPECT_EQ(model::testing::ErrorOf([&] { Set("Scrolling", Variant::Boolean(true)); }), err::kPropertyReadOnly);
}

// ---------------------------------------------------------------------------
// Background tracking where the slider differs

TEST_F(SliderTest, BorderChangesTakeACopyOnlyWhenTransparent) {
  AddSlider();
  ShowForm();
  Set("BorderStyle", Variant::Long(1));
  EXPECT_EQ(Logged("capture"), Lines{"Slider1 112x19"});
  Set("BackStyle", Variant::Long(1));
  TakeLog();
  Set("BorderStyle", Variant::Long(0));
  EXPECT_EQ(Logged("capture"), Lines{});
}

TEST_F(SliderTest, AFrameOrTransparencyArmsTheDelayedTick) {
  model::ControlClassOptions frame;
  frame.container = true;
  frame.interfaces = {"GlazeFrame"};
  model::RegisterControlClass(
      "FrameStandIn",
      [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<model::testing::TestPlain>(s); }, frame);
  struct Row {
    bool in_frame;
    int32_t back_style;
    bool copy_at_activation, delayed_tick;
  };
  for (const Row& r : {Row{false, kBackStyleTransparent, true, true}, Row{false, kBackStyleOpaque, false, false},
                       Row{true, kBackStyleTransparent, false, true}, Row{true, kBackStyleOpaque, false, true}}) {
    SCOPED_TRACE(testing::Message() << (r.in_frame ? "in a frame, " : "on the form, ") << r.back_style);
    NewForm();
    model::Site& holder = AddHost("FrameStandIn", "Frame1");
    model::ModelPropertyBag bag;
    bag.Put("BackStyle", Variant::Long(r.back_style));
    AddSlider("Slider1", {}, {}, r.in_frame ? &holder : nullptr, &bag);
    form_->Show();
    EXPECT_EQ(Logged("capture").size(), r.copy_at_activation ? 1u : 0u);
    EXPECT_EQ(Api().Timer1Enabled(), r.delayed_tick);
    runtime_.Advance(50);
    EXPECT_FALSE(Api().Timer1Enabled());
    // Opaque, the tick repaints in the control's own colours and copies nothing.
    const bool copy_at_tick = r.delayed_tick && r.back_style == kBackStyleTransparent;
    EXPECT_EQ(Logged("capture").size(), copy_at_tick ? 1u : 0u);
  }
}

TEST_F(SliderTest, LoadingTakesNoCopyEvenWithABorderAndTransparent) {
  ShowForm();
  model::ModelPropertyBag bag;
  bag.Put("BorderStyle", Variant::Long(1));
  model::ControlSpec spec{"GlazeSlider", "Slider1"};
  form_->AddControl(spec, &bag);
  EXPECT_EQ(Logged("capture"), Lines{});
  Set("BorderStyle", Variant::Long(1));
  EXPECT_EQ(Logged("capture"), Lines{"Slider1 112x19"}) << "loading is over";
}

}  // namespace
}  // namespace vitrelle::slider_testing
