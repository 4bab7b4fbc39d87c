// GlazeRadio on the model host: its layout with real text measurement, what the
// focus and the tab key do, and what the setters reach.
#include "controls/radio/glaze_radio.h"

#include <gtest/gtest.h>

#include "controls/radio/radio_test_fixture.h"
#include "frame/glaze_module.h"

namespace vitrelle::radio_testing {
namespace {

// ---------------------------------------------------------------------------
// Up and down. A one-line caption in DejaVu Sans at 8.25 points is 195 twips high.

TEST_F(RadioTest, CentresTheMarkAndTheCaption) {
  Put("GlazeRadio", "Radio1");
  DispatchPtr radio = Ext("Radio1");
  radio->Let("FontName", Variant::String("DejaVu Sans"));
  struct Row {
    float height, expected_height, glyph_top, caption_top;
  };
  for (const Row& r : {Row{870, 870, 337.5f, 322},  // 322.5 to even
                       Row{100, 255, 30, 30},       // too low: grows to 255
                       Row{871, 871, 338, 323},
                       Row{210, 255, 30, 30}}) {    // no 30 twips to spare, as a check box would need
    SCOPED_TRACE(r.height);
    radio->Let("Height", Variant::Single(r.height));
    EXPECT_EQ(radio->Get("Height").ToSingle(), r.expected_height);
    EXPECT_EQ(PartOf("Radio1", "RadioButton1").Top(), r.glyph_top);
    EXPECT_EQ(PartOf("Radio1", "lblCaption").Top(), r.caption_top);
  }
}

TEST_F(RadioTest, ACaptionTallerThanTheControlSitsAtTheTopOneAsTallIsCentred) {
  Put("GlazeRadio", "Radio1");
  DispatchPtr radio = Ext("Radio1");
  radio->Let("FontSize", Variant::Single(24));
  const float caption = PartOf("Radio1", "lblCaption").Height();
  ASSERT_GT(caption, 255);
  radio->Let("Height", Variant::Single(caption));
  EXPECT_EQ(PartOf("Radio1", "lblCaption").Top(), 30);  // -15, raised to 30
  radio->Let("Height", Variant::Single(caption - 1));
  EXPECT_EQ(PartOf("Radio1", "lblCaption").Top(), 0);
}

TEST_F(RadioTest, OnlyTheAlignmentSetterPlacesTheMarkAcross) {
  Put("GlazeRadio", "Radio1");
  DispatchPtr radio = Ext("Radio1");
  radio->Let("Alignment", Variant::Long(1));
  EXPECT_EQ(PartOf("Radio1", "RadioButton1").Left(), 1680 - 195);
  EXPECT_EQ(PartOf("Radio1", "lblCaption").Left(), 30);
  radio->Let("Width", Variant::Single(3000));
  EXPECT_EQ(PartOf("Radio1", "RadioButton1").Left(), 1680 - 195);
  radio->Let("Alignment", Variant::Long(1));
  EXPECT_EQ(PartOf("Radio1", "RadioButton1").Left(), 3000 - 195) << "placed for the width it has now";
  radio->Let("Alignment", Variant::Long(0));
  EXPECT_EQ(PartOf("Radio1", "RadioButton1").Left(), 0);
  EXPECT_EQ(PartOf("Radio1", "lblCaption").Left(), 270);
}

// ---------------------------------------------------------------------------
// The focus.

class Focus : public RadioTest {
 protected:
  void SetUp() override {
    top_ = 5;  // Radio1 at (120, 405): its focus rectangle starts on whole pixels
    Radio("Radio1");
    Put("TextBox", "Text1", {.tab_index = 0});
    form_->Show();
    form_->GetSite("Text1").SetFocus();
    // Paints still pending would erase what the focus draws straight on the screen.
    runtime_.DoEvents();
    TakeLog();
  }
  // The top left dash of the focus rectangle: 30 twips left of the caption (at
  // 270) and 15 above it (at 330 in the standard font).
  bool RectangleShown() {
    runtime_.DoEvents();
    return form_->Snapshot().At((120 + 240) / 15, (405 + 315) / 15) == 0;
  }
};

// During a capture the focus neither draws nor selects; while the re-capture is
// pending it draws but does not select; otherwise it does both.
TEST_F(Focus, GainingItDrawsTheRectangleAndSetsTheOption) {
  GlazeModule::SetCaptureInProgress(true);
  form_->GetSite("Radio1").SetFocus();
  GlazeModule::SetCaptureInProgress(false);
  EXPECT_FALSE(RectangleShown());
  EXPECT_FALSE(IsSet("Radio1"));
  form_->GetSite("Text1").SetFocus();
  runtime_.DoEvents();
  PartOf<TimerPart>("Radio1", "Timer1").SetEnabled(true);
  form_->GetSite("Radio1").SetFocus();
  EXPECT_TRUE(RectangleShown());
  EXPECT_FALSE(IsSet("Radio1"));
  PartOf<TimerPart>("Radio1", "Timer1").SetEnabled(false);
  form_->GetSite("Text1").SetFocus();
  ASSERT_FALSE(RectangleShown());
  TakeLog();
  form_->GetSite("Radio1").SetFocus();
  EXPECT_TRUE(RectangleShown());
  EXPECT_TRUE(IsSet("Radio1"));
  EXPECT_EQ(Logged("event"), Lines{"Radio1.Click()"});
  form_->GetSite("Text1").SetFocus();
  EXPECT_FALSE(RectangleShown());
}

// ---------------------------------------------------------------------------
// The tab key (clicks and keys are the input script's): only an option that
// becomes set raises Click.

TEST_F(RadioTest, TabbingIntoAnOptionClicksOnlyWhenItBecomesSet) {
  Radio("Radio1");
  Radio("Radio2");
  Put("TextBox", "Text1");
  ShowAndFocus(form_->GetSite("Radio1"));
  form_->GetSite("Text1").SetFocus();
  form_->Tab(true);
  form_->Tab(true);
  EXPECT_EQ(Logged("event"), Lines{}) << "back into the set one";
  // Only the set option of a group is a tab stop; code clears it here.
  form_->GetSite("Text1").SetFocus();
  SetValue("Radio1", false);
  form_->Tab(true);
  EXPECT_EQ(Logged("event"), Lines{"Radio1.Click()"});
}

// A handler's change to a by-reference parameter goes back to the part.
TEST_F(RadioTest, EventParametersGoOutAndComeBackByReference) {
  Radio("Radio1");
  form_->OnEvent("Radio1", "KeyDown", [](std::span<Variant> args) { args[0] = Variant::Integer(0); });
  int16_t seen = -1;
  form_->OnEvent("Radio1", "KeyDown", [&](std::span<Variant> args) { seen = args[0].ToInteger(); });
  form_->Show();
  form_->GetLibrary("Radio1").Key("RadioButton1", true, 40, 0);
  EXPECT_EQ(seen, 0);
}

// ---------------------------------------------------------------------------
// What the setters reach.

TEST_F(RadioTest, ColoursAndPointerReachTheSurfaceAndCaptionButNotTheMark) {
  Put("GlazeRadio", "Radio1");
  DispatchPtr radio = Ext("Radio1");
  radio->Let("BackColor", Variant::Long(0x00FF0000));
  radio->Let("MousePointer", Variant::Long(2));
  radio->Let("Enabled", Variant::Boolean(false));
  radio->Let("Appearance", Variant::Long(0));
  model::ModelSurface& surface = form_->GetLibrary("Radio1").GetSurface();
  EXPECT_EQ(surface.BackColor(), 0x00FF0000u);
  EXPECT_EQ(PartOf<LabelPart>("Radio1", "lblCaption").BackColor(), 0x00FF0000u);
  EXPECT_EQ(surface.MousePointer(), 2);
  EXPECT_EQ(PartOf<LabelPart>("Radio1", "lblCaption").MousePointer(), 2);
  EXPECT_EQ(MarkGet("Radio1", "Enabled"), Variant::Boolean(false));
  EXPECT_EQ(MarkGet("Radio1", "Appearance"), Variant::Long(0));
  EXPECT_FALSE(PartOf<LabelPart>("Radio1", "lblCaption").Enabled());
  EXPECT_EQ(radio->Get("Appearance"), Variant::Long(0));
}

}  // namespace
}  // namespace vitrelle::radio_testing
