#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "frame/errors.h"
#include "hosts/model/font.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"

namespace vitrelle::model::testing {
namespace {

using ::testing::ElementsAre;

class PartsTest : public ModelTest {
 protected:
  PartsTest() {
    NewForm();
    Add("TestCheck", "Check1", 300, 300);
  }
  TestControl& control() { return Test("Check1"); }
  ModelSurface& surface() { return form_->GetLibrary("Check1").GetSurface(); }
};

TEST_F(PartsTest, LabelSizesItselfToOneLineOfText) {
  LabelPart& label = control().caption();
  label.SetCaption("");
  const float line = 15.0f * static_cast<float>(MeasureText("", FontSpec{}).height);
  EXPECT_EQ(label.Height(), line);
  EXPECT_EQ(label.Width(), 0.0f);
  label.SetCaption("Some text");
  TextExtent extent = MeasureText("Some text", FontSpec{});
  EXPECT_EQ(label.Width(), extent.width * 15.0f);
  EXPECT_EQ(label.Height(), line);
  float narrow = label.Width();
  label.SetFontBold(true);
  EXPECT_GE(label.Width(), narrow);
  label.SetFontSize(16);
  EXPECT_GT(label.Height(), line);
}

TEST_F(PartsTest, SharedFontObjectChangesEveryone) {
  FontPtr font = runtime_.NewFont();
  control().caption().SetFont(font);
  control().caption().SetCaption("Wide");
  float before = control().caption().Width();
  control().caption().SetFontSize(24);
  EXPECT_EQ(font->Size(), 24.0f);
  EXPECT_GT(control().caption().Width(), before);
}

// A label reports a change of caption, a check box clicks on a change of value;
// assigning what they have is no change.
TEST_F(PartsTest, LabelAndCheckBoxReportOnlyChanges) {
  CheckBoxPart& check = control().check();
  control().calls.clear();
  control().caption().SetCaption("A");
  control().caption().SetCaption("A");
  control().caption().SetCaption("B");
  check.SetValue(1);
  check.SetValue(1);
  check.SetValue(2);
  EXPECT_THAT(control().calls, ElementsAre("Change lblCaption", "Change lblCaption", "Click Check1", "Click Check1"));
  form_->Show();
  form_->GetLibrary("Check1").Click("Check1", 10, 10, false);
  EXPECT_EQ(check.Value(), 1);  // grayed becomes checked
  form_->GetLibrary("Check1").Click("Check1", 10, 10, false);
  EXPECT_EQ(check.Value(), 0);
}

struct RefusalRow {
  const char* what;
  std::function<void(TestControl&, ModelSurface&)> step;
  int error;
};

class PartRefusals : public PartsTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(PartRefusals, SetterRefusesWithTheHostsError) {
  EXPECT_EQ(ErrorOf([&] { GetParam().step(control(), surface()); }), GetParam().error) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PartRefusals,
    ::testing::Values(
        RefusalRow{"check value 3", [](TestControl& c, ModelSurface&) { c.check().SetValue(3); }, 380},
        RefusalRow{"check value -1", [](TestControl& c, ModelSurface&) { c.check().SetValue(-1); }, 380},
        RefusalRow{"check value 2", [](TestControl& c, ModelSurface&) { c.check().SetValue(2); }, 0},
        RefusalRow{"check appearance 2", [](TestControl& c, ModelSurface&) { c.check().SetAppearance(2); }, 380},
        RefusalRow{"pointer 16", [](TestControl& c, ModelSurface&) { c.caption().SetMousePointer(16); }, 380},
        RefusalRow{"pointer 99", [](TestControl& c, ModelSurface&) { c.caption().SetMousePointer(99); }, 0},
        RefusalRow{"pointer 15", [](TestControl& c, ModelSurface&) { c.check().SetMousePointer(15); }, 0},
        RefusalRow{"pointer -1", [](TestControl&, ModelSurface& s) { s.SetMousePointer(-1); }, 380},
        RefusalRow{"label back style 2", [](TestControl& c, ModelSurface&) { c.caption().SetBackStyle(2); }, 380},
        RefusalRow{"surface back style 2", [](TestControl&, ModelSurface& s) { s.SetBackStyle(2); }, 380},
        RefusalRow{"surface appearance 2", [](TestControl&, ModelSurface& s) { s.SetAppearance(2); }, 380},
        RefusalRow{"bad system colour", [](TestControl&, ModelSurface& s) { s.SetBackColor(0x800000FFu); }, 380},
        RefusalRow{"font size 0.5", [](TestControl& c, ModelSurface&) { c.caption().SetFontSize(0.5f); }, 380},
        RefusalRow{"font size 2049", [](TestControl& c, ModelSurface&) { c.caption().SetFontSize(2049); }, 380},
        RefusalRow{"font size 2048", [](TestControl& c, ModelSurface&) { c.caption().SetFontSize(2048); }, 0},
        RefusalRow{"empty font name", [](TestControl& c, ModelSurface&) { c.caption().SetFontName(""); }, 380},
        RefusalRow{"label fore colour", [](TestControl& c, ModelSurface&) { c.caption().SetForeColor(0x01000000u); }, 380},
        RefusalRow{"label back colour", [](TestControl& c, ModelSurface&) { c.caption().SetBackColor(0x8000001Fu); }, 380},
        RefusalRow{"label system colour", [](TestControl& c, ModelSurface&) { c.caption().SetBackColor(0x8000001Eu); }, 0},
        RefusalRow{"surface fore colour", [](TestControl&, ModelSurface& s) { s.SetForeColor(0x01000000u); }, 380},
        RefusalRow{"line colour", [](TestControl&, ModelSurface& s) { s.AddLine("L").SetBorderColor(0x02000000u); }, 380},
        RefusalRow{"line width 0", [](TestControl&, ModelSurface& s) { s.AddLine("L").SetBorderWidth(0); }, 380},
        RefusalRow{"line width 8192", [](TestControl&, ModelSurface& s) { s.AddLine("L").SetBorderWidth(8192); }, 0},
        RefusalRow{"line width 8193", [](TestControl&, ModelSurface& s) { s.AddLine("L").SetBorderWidth(8193); }, 380},
        RefusalRow{"shape width 8193", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetBorderWidth(8193); }, 380},
        RefusalRow{"shape fill colour", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetFillColor(0x800000FFu); }, 380},
        RefusalRow{"shape border colour", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetBorderColor(0x80FFFFFFu); }, 380},
        RefusalRow{"shape kind 6", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetShape(ShapeKind{6}); }, 380},
        RefusalRow{"fill style 8", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetFillStyle(8); }, 380},
        RefusalRow{"fill style 7", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetFillStyle(7); }, 0},
        RefusalRow{"shape width -1", [](TestControl&, ModelSurface& s) { s.AddShape("S").SetWidth(-1); }, 380},
        RefusalRow{"image height -1", [](TestControl&, ModelSurface& s) { s.AddImage("I").SetHeight(-1); }, 380},
        RefusalRow{"label width -0.5", [](TestControl& c, ModelSurface&) { c.caption().SetWidth(-0.5f); }, 380},
        RefusalRow{"check width 0", [](TestControl& c, ModelSurface&) { c.check().SetWidth(0); }, 0},
        RefusalRow{"surface width -1", [](TestControl&, ModelSurface& s) { s.SetWidth(-1); }, 380},
        RefusalRow{"surface height -1", [](TestControl&, ModelSurface& s) { s.SetHeight(-1); }, 380},
        RefusalRow{"timer interval 65536", [](TestControl& c, ModelSurface&) { c.timer().SetInterval(65536); }, 380},
        RefusalRow{"timer interval -1", [](TestControl& c, ModelSurface&) { c.timer().SetInterval(-1); }, 380},
        RefusalRow{"timer interval 65535", [](TestControl& c, ModelSurface&) { c.timer().SetInterval(65535); }, 0},
        RefusalRow{"label font nothing", [](TestControl& c, ModelSurface&) { c.caption().SetFont(nullptr); }, 380},
        RefusalRow{"surface font nothing", [](TestControl&, ModelSurface& s) { s.SetFont(nullptr); }, 380}));

TEST_F(PartsTest, PartTimerTicksTheControlInVirtualTime) {
  control().calls.clear();
  Variant none[1];
  form_->GetSite("Check1").Invoke("StartTimer", InvokeKind::kCall, std::span<Variant>(none, 0));
  runtime_.Advance(49);
  EXPECT_TRUE(control().calls.empty());
  runtime_.Advance(1);
  EXPECT_THAT(control().calls, ElementsAre("Tick Timer1"));
  EXPECT_FALSE(control().timer().Enabled());
}

// A picture paints over the back colour wherever it reaches, and the back colour
// shows around it; a picture whose bitmap is gone draws nothing, so all of it shows.
struct PictureCase {
  const char* name;
  int width, height;
  bool bitmap_gone;
};

class PictureOverBackColour : public PartsTest, public ::testing::WithParamInterface<PictureCase> {};

INSTANTIATE_TEST_SUITE_P(Pictures, PictureOverBackColour,
                         ::testing::Values(PictureCase{"Smaller", 30, 12, false}, PictureCase{"Wider", 500, 4, false},
                                           PictureCase{"Taller", 20, 500, false}, PictureCase{"Larger", 500, 500, false},
                                           PictureCase{"BitmapGone", 30, 12, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(PictureOverBackColour, BackColourShowsWhereThePictureDoesNotReach) {
  const PictureCase& c = GetParam();
  constexpr OleColor kBack = Rgb(0, 255, 0), kInk = Rgb(200, 0, 100);
  form_->Show();
  control().caption().SetCaption("");
  ModelSurface& s = surface();
  s.SetBackColor(Rgb(0, 0, 255));  // what a pixel left unpainted would keep
  runtime_.DoEvents();
  s.SetBackColor(kBack);
  PicturePtr picture;
  if (c.bitmap_gone) {
    Gdi& gdi = screen_.GetGdi();
    const Handle dc = gdi.GetDC(s.Window());
    const Handle bitmap = gdi.CreateCompatibleBitmap(dc, c.width, c.height);
    gdi.ReleaseDC(s.Window(), dc);
    picture = gdi.OleCreatePictureIndirect(PictDesc{.bitmap = bitmap}, false);
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(gdi.DeleteObject(bitmap));
  } else {
    picture = screen_.MakePicture(Bitmap(c.width, c.height, kInk));
  }
  s.SetPicture(picture);
  runtime_.DoEvents();
  const Rect r = screen_.ClientScreenRect(s.Window());
  int seen = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      if (screen_.WindowAt(x, y) != s.Window()) continue;  // the glyph's own window
      ++seen;
      const bool under = !c.bitmap_gone && x - r.left < c.width && y - r.top < c.height;
      ASSERT_EQ(screen_.PixelAt(x, y), under ? kInk : kBack) << x - r.left << "," << y - r.top;
    }
  EXPECT_GT(seen, 100);
}

// What a control draws outside its paint is not kept: the container's next repaint
// of the surface covers it, and the focus marks rely on that to go away.
enum class Repaint { kCls, kRefresh, kHiddenAndShown, kCaptionChanged };

class RepaintAfterDrawing : public PartsTest, public ::testing::WithParamInterface<Repaint> {
 protected:
  void Cause(Repaint repaint) {
    switch (repaint) {
      case Repaint::kCls: surface().Cls(); break;
      case Repaint::kRefresh: surface().Refresh(); break;
      case Repaint::kHiddenAndShown:
        form_->GetLibrary("Check1").SetVisible(false);
        runtime_.DoEvents();
        form_->GetLibrary("Check1").SetVisible(true);
        break;
      case Repaint::kCaptionChanged: control().caption().SetCaption("Other"); break;
    }
  }
};

TEST_P(RepaintAfterDrawing, ErasesLinesDrawnOutsideThePaint) {
  form_->Show();
  ModelSurface& s = surface();
  s.SetBackColor(Rgb(0, 255, 0));
  runtime_.DoEvents();
  Rect r = screen_.ClientScreenRect(s.Window());
  int x = r.left + 60, y = r.top + 20;
  s.DrawLine(0, 300, 1500, 300, Rgb(255, 0, 255));
  EXPECT_EQ(screen_.PixelAt(x, y), Rgb(255, 0, 255)) << "drawn at once, before any paint";
  runtime_.DoEvents();
  EXPECT_EQ(screen_.PixelAt(x, y), Rgb(255, 0, 255)) << "nothing repaints by itself";
  Cause(GetParam());
  runtime_.DoEvents();
  EXPECT_EQ(screen_.PixelAt(x, y), Rgb(0, 255, 0));
}

INSTANTIATE_TEST_SUITE_P(Rows, RepaintAfterDrawing,
                         ::testing::Values(Repaint::kCls, Repaint::kRefresh, Repaint::kHiddenAndShown,
                                           Repaint::kCaptionChanged));

TEST_F(PartsTest, LinesDrawnOnAHiddenSurfaceLeaveNoTrace) {
  form_->Show();
  form_->GetLibrary("Check1").SetVisible(false);
  runtime_.DoEvents();
  surface().DrawLine(0, 300, 1500, 300, Rgb(255, 0, 255));
  form_->GetLibrary("Check1").SetVisible(true);
  runtime_.DoEvents();
  Rect r = screen_.ClientScreenRect(surface().Window());
  EXPECT_NE(screen_.PixelAt(r.left + 60, r.top + 20), Rgb(255, 0, 255));
}

// The container raises Resize for a change of size, not for every assignment: a
// control that sets its own thickness from Resize comes to rest on it.
TEST_F(PartsTest, SurfaceResizeReachesTheExtenderAndTheControlOnlyWhenTheSizeChanges) {
  control().calls.clear();
  surface().SetWidth(3000);
  EXPECT_EQ(form_->GetSite("Check1").Get("Width").ToSingle(), 3000.0f);
  EXPECT_EQ(screen_.WindowRect(surface().Window()).Width(), 200);
  EXPECT_THAT(control().calls, ElementsAre("Resize"));
  surface().SetHeight(600);
  control().calls.clear();
  surface().SetWidth(3000);
  surface().SetHeight(600);
  EXPECT_TRUE(control().calls.empty());
  surface().SetHeight(601);
  EXPECT_THAT(control().calls, ElementsAre("Resize"));
}

// Painting a caption costs what shows of it: 20,000 characters at the largest size
// reach millions of pixels past the control, and rendering every glyph of them
// would never end. What shows is what a caption of one character shows.
TEST_F(PartsTest, AHugeCaptionPaintsOnlyWhatItsControlShows) {
  form_->Show();
  surface().SetWidth(6000);
  LabelPart& caption = control().caption();
  caption.SetFontSize(2048);
  auto shot = [&](std::string text) {
    caption.SetCaption(text);
    // Half the line above the window: the stems of an H cross what shows.
    caption.SetTop(-caption.Height() / 2);
    runtime_.DoEvents();
    const Rect r = screen_.ClientScreenRect(surface().Window());
    return screen_.Snapshot(r).Pixels();
  };
  const auto one = shot("H");
  ASSERT_NE(std::count(one.begin(), one.end(), Resolve(kColorButtonText)), 0) << "ink in the window";
  EXPECT_EQ(shot(std::string(20000, 'H')), one);
}

}  // namespace
}  // namespace vitrelle::model::testing
