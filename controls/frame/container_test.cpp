// The frame and the controls placed in it: when the frame takes its own copy,
// how the copy reaches the library's controls inside it 150 ms later, what a
// failure leaves, and what the host does with the frame's contents. Nested, hidden
// and opaque frames are the refresh script's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "controls/frame/frame_test_fixture.h"

namespace vitrelle::frame_testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class ContainerTest : public FrameTest {
 protected:
  static void SetUpTestSuite() {
    // Passes for one of the library's check boxes, but has no Refresh to call.
    model::ControlClassOptions options;
    options.interfaces = {"GlazeCheck"};
    model::RegisterControlClass(
        "BrokenCheck",
        [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<model::testing::TestControl>(s, false); },
        options);
  }

  model::Site& Frame(std::string name, model::Site* container = nullptr, int32_t back_style = 0, int index = -1) {
    return Load("GlazeFrame", std::move(name), container, {{"BackStyle", Variant::Long(back_style)}}, index);
  }
  // A transparent check box that copies by itself only after the activation, not
  // while it loads: what a test of the frame's copies wants to see alone.
  model::Site& Check(std::string name, model::Site* container) {
    model::Site& site = Load("GlazeCheck", std::move(name), container, {{"BackStyle", Variant::Long(1)}});
    site.Let("BackStyle", Variant::Long(0));
    return site;
  }
  // The lines of one moment. Delayed copies due together run one inside another's
  // DoEvents, so within a moment their order is the host's and not asserted.
  static Lines At(const Lines& lines, std::string_view time) {
    Lines out;
    for (const std::string& line : lines)
      if (line.starts_with(std::string(time) + " ")) out.push_back(line);
    return out;
  }
  // Shows the form, lets every copy of the first activation happen, and starts the
  // log at `time`.
  void Settle(int64_t time = 1000) {
    form_->Show();
    runtime_.AdvanceTo(time);
    TakeLog();
  }
};

TEST_F(ContainerTest, AtTheFirstActivationTheFrameCopiesThenItsChecks150msLater) {
  model::Site& frame = Frame("Frame1");
  for (const char* name : {"Check1", "Check2", "Check3"}) Check(name, &frame);
  Put("CommandButton", "Command1", &frame);
  Check("Outside", nullptr);
  TakeLog();
  form_->Show();
  runtime_.Advance(400);
  // The checks in the frame take no copy at the activation, only their own delayed
  // one; the one outside copies at once and is never the frame's to refresh. The
  // frame refreshes its checks in the form's order.
  const Lines captures = Logged("capture");
  EXPECT_THAT(At(captures, "@0"), ElementsAre("@0 capture Frame1 200x120", "@0 capture Outside 112x61"));
  EXPECT_THAT(At(captures, "@50"), UnorderedElementsAre("@50 capture Check1 112x61", "@50 capture Check2 112x61",
                                                        "@50 capture Check3 112x61", "@50 capture Outside 112x61"));
  EXPECT_THAT(At(captures, "@150"), ElementsAre("@150 capture Check1 112x61", "@150 capture Check2 112x61",
                                                "@150 capture Check3 112x61"));
  EXPECT_EQ(captures.size(), 9u);
}

TEST_F(ContainerTest, AFrameArrayRefreshesTheChecksOfAllItsMembers) {
  Check("Check1", &Frame("Frame1", nullptr, 0, 0));
  Check("Check2", &Frame("Frame1", nullptr, 0, 1));
  Settle();
  Ext("Frame1", 1)->Call("Refresh");
  runtime_.Advance(200);
  EXPECT_THAT(Logged("capture"), ElementsAre("@1000 capture Frame1(1) 200x120", "@1150 capture Check1 112x61",
                                             "@1150 capture Check2 112x61"));
}

// One child that cannot refresh is passed over; the others still copy, and the
// tick's error goes no further.
TEST_F(ContainerTest, AChildThatFailsItsRefreshDoesNotStopTheOthers) {
  model::Site& frame = Frame("Frame1");
  Check("Check1", &frame);
  Put("BrokenCheck", "Broken1", &frame);
  Check("Check2", &frame);
  Settle();
  Ext("Frame1")->Call("Refresh");
  EXPECT_NO_THROW(runtime_.Advance(200));
  EXPECT_THAT(Logged("capture"), ElementsAre("@1000 capture Frame1 200x120", "@1150 capture Check1 112x61",
                                             "@1150 capture Check2 112x61"));
}

// An error in the middle of the frame's copy (here raised by whatever runs in its
// first DoEvents) reaches the caller; the frame, and all it holds, shows again as
// it was before.
TEST_F(ContainerTest, AFailedRefreshLeavesTheFrameAsVisibleAsItWas) {
  Frame("Frame1");
  Settle();
  for (bool visible : {false, true}) {
    Let("Frame1", "Visible", Variant::Boolean(visible));
    runtime_.Post([] { Raise(err::kInvalidProcedureCall); });
    EXPECT_EQ(model::testing::ErrorOf([&] { Ext("Frame1")->Call("Refresh"); }), err::kInvalidProcedureCall);
    EXPECT_EQ(Ext("Frame1")->Get("Visible").ToBoolean(), visible);
  }
}

// The controls in a frame copy what the frame paints beneath them: its own copy,
// not what the form shows by now.
TEST_F(ContainerTest, AChildCopiesTheFramesCopyBeneathIt) {
  constexpr OleColor kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255);
  form_->SetBackColor(kRed);
  model::Site& child = Check("Check1", &Frame("Frame1"));
  child.Move(600, 600, 1215, 375);
  Settle();
  form_->SetBackColor(kBlue);
  Ext("Check1")->Call("Refresh");
  const PicturePtr copy = form_->GetLibrary("Check1").GetSurface().GetPicture();
  ASSERT_TRUE(copy);
  const auto pixels = screen_.PictureBitmap(*copy);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->At(pixels->Width() - 1, pixels->Height() - 1), kRed);
}

// The host keeps what is placed in a frame inside it: moved with it, cut off at
// its edges and hidden with it.
TEST_F(ContainerTest, TheHostMovesClipsAndHidesTheContentsWithTheFrame) {
  model::Site& child = Put("PictureBox", "Picture1", &Frame("Frame1", nullptr, 1));
  child.Move(2400, 600, 1500, 600);  // runs out of the frame at the right
  child.Let("BackColor", Variant::Long(static_cast<int32_t>(Rgb(0, 255, 0))));
  form_->SetBackColor(Rgb(255, 0, 0));
  Settle();
  const model::Rect before = screen_.ScreenRect(child.Window());
  Let("Frame1", "Left", Variant::Single(1200));
  runtime_.DoEvents();
  const model::Rect after = screen_.ScreenRect(child.Window());
  EXPECT_EQ(after.left - before.left, (1200 - 120) / 15);
  const model::Rect frame = screen_.ScreenRect(form_->GetSite("Frame1").Window());
  const int y = after.top + 10;
  EXPECT_EQ(screen_.PixelAt(frame.right - 20, y), Rgb(0, 255, 0));
  EXPECT_EQ(screen_.PixelAt(frame.right + 5, y), Rgb(255, 0, 0)) << "clipped at the frame's edge";
  Let("Frame1", "Visible", Variant::Boolean(false));
  runtime_.DoEvents();
  EXPECT_FALSE(screen_.IsWindowVisible(child.Window()));
  EXPECT_EQ(screen_.PixelAt(frame.right - 20, y), Rgb(255, 0, 0));
}

}  // namespace
}  // namespace vitrelle::frame_testing
