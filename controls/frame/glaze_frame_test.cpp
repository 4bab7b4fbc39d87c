// What GlazeFrame's setters reach: the caption and its visibility, the frame's
// window and the layout. What they refuse is the properties script's, its events
// the events script's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "controls/frame/frame_test_fixture.h"

namespace vitrelle::frame_testing {
namespace {

using ::testing::ElementsAre;

class GlazeFrameTest : public FrameTest {
 protected:
  GlazeFrameTest() { Put("GlazeFrame", "Frame1"); }
};

TEST_F(GlazeFrameTest, ANewFrameShowsItsNameWithASpaceEitherSide) {
  EXPECT_EQ(Ext("Frame1")->Get("Caption"), Variant::String("Frame1"));
  EXPECT_EQ(Caption().Caption(), " Frame1 ");
  EXPECT_TRUE(Caption().Visible());
}

// The caption shows exactly when there is a border and a caption, whichever of the
// two changed last.
struct VisibilityStep {
  const char* member;
  Variant value;
  bool shown;
};

TEST_F(GlazeFrameTest, TheCaptionShowsWithABorderAndSomeText) {
  const VisibilityStep steps[] = {
      {"Caption", Variant::String(""), false},      {"Caption", Variant::String("Size"), true},
      {"BorderStyle", Variant::Long(0), false},     {"Caption", Variant::String("Colour"), false},
      {"BorderStyle", Variant::Long(1), true},      {"Caption", Variant::String(""), false},
      {"BorderStyle", Variant::Long(1), false},     {"Caption", Variant::String(" "), true},
  };
  for (const VisibilityStep& step : steps) {
    Let("Frame1", step.member, step.value);
    EXPECT_EQ(Caption().Visible(), step.shown) << step.member << " = " << step.value.ToLiteral();
  }
}

// Whether a setter lays the frame out again: a line moved by hand goes back to
// its place only when it does.
TEST_F(GlazeFrameTest, SettersLayOutOnlyWhatChangesTheCaptionOrTheBorder) {
  struct Row {
    const char* member;
    Variant value;
    bool lays_out;
  };
  for (const Row& r : {Row{"Caption", Variant::String("Size"), true}, Row{"CaptionAlignment", Variant::Long(2), true},
                       Row{"BorderStyle", Variant::Long(1), true}, Row{"Appearance", Variant::Long(0), true},
                       Row{"Enabled", Variant::Boolean(false), true}, Row{"FontSize", Variant::Single(12), true},
                       Row{"FontName", Variant::String("Arial"), true}, Row{"FontBold", Variant::Boolean(true), true},
                       Row{"FontItalic", Variant::Boolean(true), true},
                       Row{"FontUnderline", Variant::Boolean(true), false},
                       Row{"FontStrikethru", Variant::Boolean(true), false},
                       Row{"FontTransparent", Variant::Boolean(false), false},
                       Row{"BackColor", Variant::Long(0xFF), false}, Row{"MousePointer", Variant::Long(2), false}}) {
    SCOPED_TRACE(r.member);
    LinePart& left = Line("linLeft", 0);
    left.SetX1(-600);
    TakeLog();
    Let("Frame1", r.member, r.value);
    EXPECT_EQ(left.X1() == 0, r.lays_out);
    EXPECT_THAT(Logged("changed"), ElementsAre("@0 changed Frame1." + std::string(r.member)));
  }
}

TEST_F(GlazeFrameTest, AnOpaqueFrameGivesItsColoursToTheCaption) {
  Let("Frame1", "BackColor", Variant::Long(0x00FF00));
  Let("Frame1", "ForeColor", Variant::Long(0x0000FF));
  Let("Frame1", "BackStyle", Variant::Long(1));
  EXPECT_EQ(Caption().BackStyle(), 1);
  EXPECT_EQ(Caption().BackColor(), 0x00FF00u);
  EXPECT_EQ(Caption().ForeColor(), 0x0000FFu);
}

// A designer keeps the frame's window enabled, so that controls can still be put
// into it; at run time the window follows.
TEST_F(GlazeFrameTest, EnabledReachesTheWindowAtRunTimeOnly) {
  for (bool user_mode : {false, true}) {
    NewForm(user_mode);
    Put("GlazeFrame", "Frame1");
    Let("Frame1", "Enabled", Variant::Boolean(false));
    auto& site = form_->GetLibrary("Frame1");
    EXPECT_EQ(site.GetSurface().Enabled(), !user_mode) << (user_mode ? "run time" : "design time");
    EXPECT_FALSE(Caption().Enabled());
    EXPECT_EQ(Ext("Frame1")->Get("Enabled"), Variant::Boolean(false));
  }
}

TEST_F(GlazeFrameTest, ControlsListsWhatIsPlacedDirectlyInTheFrame) {
  model::Site& frame = form_->GetSite("Frame1");
  Put("GlazeCheck", "Check1", &frame);
  model::Site& inner = Put("GlazeFrame", "Frame2", &frame);
  Put("GlazeCheck", "Check2", &inner);
  Put("CommandButton", "Command1", &frame);
  Put("GlazeCheck", "Check3");
  const DispatchPtr controls = Ext("Frame1")->Get("Controls").ToObject();
  ASSERT_TRUE(controls);
  std::vector<std::string> names;
  for (int32_t i = 0; i < controls->Get("Count").ToLong(); ++i) {
    Variant index[1] = {Variant::Long(i)};
    names.push_back(controls->Invoke("Item", InvokeKind::kGet, index).ToObject()->Get("Name").ToString());
  }
  EXPECT_THAT(names, ElementsAre("Check1", "Frame2", "Command1"));
  EXPECT_EQ(Ext("Frame1")->Get("Controls").ToObject(), controls) << "one collection, kept by the host";
}

}  // namespace
}  // namespace vitrelle::frame_testing
