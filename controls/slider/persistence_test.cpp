#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/slider/slider_test_fixture.h"
#include "frame/errors.h"
#include "frame/units.h"
#include "hosts/model/screen.h"

namespace vitrelle::slider_testing {
namespace {

constexpr const char* kPublished[] = {"value", "Max", "Min", "SmallChange", "LargeChange", "SliderShape",
                                      "Orientation", "Enabled", "BackStyle", "BorderStyle", "BackColor",
                                      "SliderColor", "MousePointer"};

std::vector<std::string> Keys(const model::ModelPropertyBag& bag) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : bag.Entries()) keys.push_back(key);
  return keys;
}

TEST_F(SliderTest, ANewControlWritesNothingAndAChangedOneWritesInItsOwnOrder) {
  AddSlider();
  model::ModelPropertyBag untouched;
  Slider().WriteProperties(untouched);
  EXPECT_EQ(Keys(untouched), Lines{}) << "every value equals its default";

  // Each getter gives back what its setter took.
  const std::pair<const char*, Variant> changes[] = {
      {"BackStyle", Variant::Long(1)}, {"Enabled", Variant::Boolean(false)}, {"BackColor", Variant::Long(0xFFFFFF)},
      {"SliderColor", Variant::Long(0xFF)}, {"BorderStyle", Variant::Long(1)}, {"Max", Variant::Long(200)},
      {"Min", Variant::Long(10)}, {"value", Variant::Long(50)}, {"SmallChange", Variant::Long(2)},
      {"LargeChange", Variant::Long(20)}, {"SliderShape", Variant::Long(1)}, {"Orientation", Variant::Long(1)},
      {"MousePointer", Variant::Long(2)}};
  for (const auto& [member, value] : changes) Set(member, value);
  for (const auto& [member, value] : changes) EXPECT_EQ(Get(member), value) << member;
  Variant icon[1] = {Variant::OfPicture(screen_.MakePicture(model::Bitmap(2, 2)))};
  form_->Extender("Slider1")->Invoke("MouseIcon", InvokeKind::kSet, icon);
  model::ModelPropertyBag bag;
  Slider().WriteProperties(bag);
  EXPECT_EQ(Keys(bag), (Lines{"BackStyle", "Enabled", "BackColor", "SliderColor", "BorderStyle", "Value", "Max", "Min",
                              "SmallChange", "LargeChange", "Shape", "Orientation", "MouseIcon", "MousePointer"}));

  // Loaded again at its saved extent, the copy matches member for member.
  AddSlider("Slider2", Site().Width(), Site().Height(), nullptr, &bag);
  for (const char* member : kPublished) EXPECT_EQ(Get(member, "Slider2"), Get(member)) << member;
  EXPECT_EQ(Slider("Slider2").MouseIcon(), Slider().MouseIcon());
  EXPECT_EQ(Site("Slider2").Width(), 285);
  EXPECT_EQ(Site("Slider2").Height(), 1680);
}

TEST_F(SliderTest, AnEmptyBagLoadsTheNewControlStateAndRaisesChangedOnce) {
  AddSlider("Fresh");
  AddSlider();
  Set("value", Variant::Long(40));
  TakeLog();
  model::ModelPropertyBag empty;
  Slider().ReadProperties(empty);
  EXPECT_EQ(Events(), Lines{"Slider1.Changed(0)"});
  for (const char* member : kPublished) EXPECT_EQ(Get(member), Get(member, "Fresh")) << member;
  EXPECT_TRUE(runtime_.MessageBoxes().empty());
}

TEST_F(SliderTest, ACorruptRangeIsStillRefusedAloud) {
  model::ModelPropertyBag bag;
  bag.Put("Max", Variant::Long(10));
  bag.Put("Min", Variant::Long(20));
  AddSlider("Slider1", {}, {}, nullptr, &bag);
  ASSERT_EQ(runtime_.MessageBoxes().size(), 1u);
  EXPECT_EQ(runtime_.MessageBoxes()[0].style, 16) << "stop icon, OK only";
  EXPECT_EQ(Slider().Max(), 10);
  EXPECT_EQ(Slider().Min(), 0);
}

// A Min that leaves a range too wide for a Long keeps the last good scale, so the
// thumb lands billions of twips past the groove; the host still places and paints it
// (at the edge of what GDI holds) rather than overflow its pixel arithmetic.
TEST_F(SliderTest, AThumbScaledFarPastItsGroovePaints) {
  model::ModelPropertyBag bag;
  bag.Put("Min", Variant::Long(-2147483640));
  AddSlider("Slider1", {}, {}, nullptr, &bag);
  EXPECT_EQ(Slider().Min(), -2147483640);
  EXPECT_GT(Thumb().Left(), 1e10f);
  ShowForm();
  runtime_.Advance(100);
  EXPECT_EQ(PixelCoordinate(Thumb().Left(), runtime_.TwipsPerPixelX()), kMaxPixelCoordinate);
}

// The host applies the saved extent before the properties; swapping it again for a
// saved vertical orientation would leave a 285 x 285 square.
TEST_F(SliderTest, ALoadedVerticalSliderKeepsItsSavedSize) {
  model::ModelPropertyBag bag;
  bag.Put("Orientation", Variant::Long(1));
  AddSlider("Slider1", 285, 2400, nullptr, &bag);
  EXPECT_EQ(Site().Width(), 285);
  EXPECT_EQ(Site().Height(), 2400);
  EXPECT_EQ(Ends(Groove(0)), (std::vector<float>{135, 90, 135, 2310}));
  EXPECT_EQ(Thumb().Height(), 90);
}

TEST_F(SliderTest, ALoadThatFailsHalfwayLeavesTheControlAbleToCopyItsBackground) {
  AddSlider();
  ShowForm();
  model::ModelPropertyBag bad;
  bad.Put("Max", Variant::String("plenty"));
  EXPECT_EQ(model::testing::ErrorOf([&] { Slider().ReadProperties(bad); }), err::kTypeMismatch);
  TakeLog();
  Set("BackStyle", Variant::Long(0));
  EXPECT_EQ(Logged("capture"), Lines{"Slider1 112x19"});
}

}  // namespace
}  // namespace vitrelle::slider_testing
