#include <gtest/gtest.h>

#include <cstdio>

#include "controls/check/glaze_check.h"
#include "controls/check/recording_surface.h"
#include "frame/glaze_module.h"

namespace vitrelle {
namespace {

using testing_support::Record;
struct RunTimeCheck : testing_support::CheckFixture {
  RunTimeCheck() : CheckFixture(true) {}
};

// Which parts' reports become events, with which parameters, is the input script's;
// here a handler's change of a by-reference parameter reaches the part.
TEST(GlazeCheckInputTest, AHandlersChangesToTheParametersComeBack) {
  using testing_support::Num;
  RunTimeCheck rc;
  rc.surface.on_event = [](std::string_view, std::span<Variant> args) {
    for (Variant& a : args) a = Variant::Double(a.ToDouble() + 100);
  };
  using MouseEvent = void (GlazeCheck::*)(Part*, int16_t&, int16_t&, float&, float&);
  for (MouseEvent event : {&GlazeCheck::MouseDown, &GlazeCheck::MouseMove, &GlazeCheck::MouseUp}) {
    int16_t button = 1, shift = 2;
    float x = 30.5f, y = 45;
    (rc.check.*event)(&rc.surface.label(), button, shift, x, y);
    EXPECT_EQ(Num(button) + "," + Num(shift) + "," + Num(x) + "," + Num(y), "101,102,130.5,145");
  }
  using KeyEvent = void (GlazeCheck::*)(Part*, int16_t&, int16_t&);
  for (KeyEvent event : {&GlazeCheck::KeyDown, &GlazeCheck::KeyUp}) {
    int16_t key = 65, shift = 2;
    (rc.check.*event)(&rc.surface.check(), key, shift);
    EXPECT_EQ(Num(key) + "," + Num(shift), "165,102");
  }
  int16_t ascii = 65;
  rc.check.KeyPress(nullptr, ascii);
  EXPECT_EQ(ascii, 165);
  EXPECT_EQ(rc.surface.record.size(), 6u) << "one event each";
}

// ---------------------------------------------------------------------------
// The focus rectangle

struct Box {
  int left, top, right, bottom;
};

// A rectangle of 15-twip dashes every 30 twips, as the focus is drawn: each edge
// starts at its first corner, and its last dash may run past the far corner.
Record Dashes(const Box& b) {
  Record out;
  char line[96];
  const auto add = [&](int x1, int y1, int x2, int y2) {
    std::snprintf(line, sizeof line, "Line(%d,%d)-(%d,%d),0", x1, y1, x2, y2);
    out.push_back(line);
  };
  for (int x = b.left; x <= b.right; x += 30) add(x, b.top, x + 15, b.top), add(x, b.bottom, x + 15, b.bottom);
  for (int y = b.top; y <= b.bottom; y += 30) add(b.left, y, b.left, y + 15), add(b.right, y, b.right, y + 15);
  return out;
}

TEST(GlazeCheckFocusTest, TheRectangleSurroundsTheCaption) {
  struct Row {
    const char* name;
    float width, height, label_height;
    const char* caption;  // the recording label is 100 twips a character wide
    int32_t alignment;
    Box expected;
  };
  for (const Row& r : {
           Row{"DesignSize", 1680, 915, 195, "Hi", 0, {240, 330, 500, 540}},
           Row{"RightStopsShortOfTheSurfaceEdge", 500, 915, 195, "Hello World", 0, {240, 330, 485, 540}},
           Row{"RightJustifiedStopsBeforeTheGlyph", 1680, 915, 195, "A caption that is long", 1, {0, 330, 1455, 540}},
           Row{"RightJustifiedShortCaption", 1680, 915, 195, "Hi", 1, {0, 330, 260, 540}},
           // Placed at the right like 1, but only an exact 1 keeps the rectangle off the glyph.
           Row{"OtherAlignmentRunsToTheEdge", 1680, 915, 195, "A caption that is long", 2, {0, 330, 1665, 540}},
           Row{"CaptionAtTopZeroGivesTopZero", 1680, 255, 240, "Hi", 0, {240, 0, 500, 240}},
           Row{"BottomStopsShortOfTheSurfaceEdge", 1680, 300, 260, "Hi", 0, {240, 15, 500, 285}}}) {
    SCOPED_TRACE(r.name);
    RunTimeCheck rc;
    rc.surface.label().SetHeight(r.label_height);
    rc.surface.SetWidth(r.width);
    rc.surface.SetHeight(r.height);
    rc.Let("Caption", Variant::String(r.caption));
    rc.Let("Alignment", Variant::Long(r.alignment));
    rc.surface.record.clear();
    rc.check.GotFocus(nullptr);
    EXPECT_EQ(rc.surface.record, Dashes(r.expected));
  }
}

TEST(GlazeCheckFocusTest, NothingIsDrawnDuringACaptureFromTheCaptionOrAtDesignTime) {
  RunTimeCheck rc;
  GlazeModule::SetCaptureInProgress(true);
  rc.check.GotFocus(&rc.surface.check());
  GlazeModule::SetCaptureInProgress(false);
  rc.check.GotFocus(&rc.surface.label());
  rc.surface.user_mode = false;
  rc.check.GotFocus(nullptr);
  EXPECT_EQ(rc.surface.record, Record{});
}

TEST(GlazeCheckFocusTest, TheGlyphDrawsLikeTheSurfaceAndLosingTheFocusClears) {
  RunTimeCheck rc;
  rc.check.GotFocus(&rc.surface.check());
  EXPECT_FALSE(rc.surface.record.empty());
  rc.surface.record.clear();
  rc.check.LostFocus(&rc.surface.check());
  rc.check.LostFocus(nullptr);
  EXPECT_EQ(rc.surface.record, (Record{"Cls", "Cls"}));
}

}  // namespace
}  // namespace vitrelle
