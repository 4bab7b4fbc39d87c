#include <gtest/gtest.h>

#include <cstdio>

#include "controls/check/glaze_check.h"
#include "controls/check/recording_surface.h"
#include "frame/glaze_module.h"
#include "frame/type_model.h"

namespace vitrelle {
namespace {

using testing_support::Record;
using testing_support::RecordingSurface;

struct RunTimeCheck {
  RunTimeCheck() : check(surface) {
    surface.user_mode = true;
    surface.Attach(check);
  }
  Part* PartNamed(std::string_view name) {
    if (name == "Check1") return &surface.check();
    if (name == "lblCaption") return &surface.label();
    return nullptr;
  }
  RecordingSurface surface;
  GlazeCheck check;
};

// ---------------------------------------------------------------------------
// Clicks

TEST(GlazeCheckInputTest, CaptionAndSurfaceClicksToggleAndTheGlyphRaisesClick) {
  RunTimeCheck c;
  c.check.Click(&c.surface.label());
  EXPECT_EQ(c.surface.record, (Record{"Check1.Value=1", "Event Click()", "PropertyChanged(Value)"}));
  c.surface.record.clear();
  c.check.Click(nullptr);
  EXPECT_EQ(c.surface.record, (Record{"Check1.Value=0", "Event Click()", "PropertyChanged(Value)"}));
  c.surface.record.clear();
  // The host's check box has already changed its own value when it reports.
  c.check.Click(&c.surface.check());
  EXPECT_EQ(c.surface.record, Record{"Event Click()"});
}

TEST(GlazeCheckInputTest, ToggleFromTheGreyStateUnchecks) {
  RunTimeCheck c;
  c.surface.check().SetValue(2);
  c.surface.record.clear();
  c.check.Click(&c.surface.label());
  EXPECT_EQ(c.check.Value(), 0);
}

// ---------------------------------------------------------------------------
// Mouse and keys: which parts' reports become events, and that a handler's
// change of a by-reference parameter reaches the part.

struct InputCase {
  const char* part;
  const char* event;
  bool raised;
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.event << " from '" << c.part << "'"; }

class ForwardingTest : public testing::TestWithParam<InputCase> {};

TEST_P(ForwardingTest, RaisesWithTheSameParametersAndHandsChangesBack) {
  const InputCase& c = GetParam();
  RunTimeCheck rc;
  rc.surface.on_event = [](std::string_view, std::span<Variant> args) {
    for (Variant& a : args) a = Variant::Double(a.ToDouble() + 100);
  };
  Part* part = rc.PartNamed(c.part);
  const std::string event = c.event;
  int16_t button = 1, shift = 2, key = 65;
  float x = 30.5f, y = 45;
  if (event == "MouseDown") rc.check.MouseDown(part, button, shift, x, y);
  if (event == "MouseMove") rc.check.MouseMove(part, button, shift, x, y);
  if (event == "MouseUp") rc.check.MouseUp(part, button, shift, x, y);
  if (event == "KeyDown") rc.check.KeyDown(part, key, shift);
  if (event == "KeyUp") rc.check.KeyUp(part, key, shift);
  if (event == "KeyPress") rc.check.KeyPress(part, key);

  Record expected;
  ASSERT_NE(FindEvent(*FindEventInterface("__GlazeCheck"), event), nullptr);
  if (c.raised) {
    if (event.starts_with("Mouse")) {
      expected = {"Event " + event + "(1,2,30.5,45.0)"};
      EXPECT_EQ(std::make_tuple(button, shift, x, y), std::make_tuple(int16_t{101}, int16_t{102}, 130.5f, 145.0f));
    } else if (event == "KeyPress") {
      expected = {"Event KeyPress(65)"};
      EXPECT_EQ(key, 165);
    } else {
      expected = {"Event " + event + "(65,2)"};
      EXPECT_EQ(key, 165);
      EXPECT_EQ(shift, 102);
    }
  }
  EXPECT_EQ(rc.surface.record, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, ForwardingTest,
    testing::Values(InputCase{"Check1", "MouseDown", true}, InputCase{"lblCaption", "MouseMove", true},
                    InputCase{"", "MouseUp", true}, InputCase{"lblCaption", "MouseDown", true},
                    InputCase{"Check1", "KeyDown", true}, InputCase{"", "KeyUp", true},
                    InputCase{"Check1", "KeyPress", true}, InputCase{"", "KeyPress", true},
                    // The caption never has the focus; what it might report is not a key of ours.
                    InputCase{"lblCaption", "KeyDown", false}, InputCase{"lblCaption", "KeyUp", false},
                    InputCase{"lblCaption", "KeyPress", false}));

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

TEST(DashesTest, MatchesTheDashPatternOfASmallRectangle) {
  EXPECT_EQ(Dashes({0, 0, 40, 20}),
            (Record{"Line(0,0)-(15,0),0", "Line(0,20)-(15,20),0", "Line(30,0)-(45,0),0", "Line(30,20)-(45,20),0",
                    "Line(0,0)-(0,15),0", "Line(40,0)-(40,15),0"}));
}

struct FocusCase {
  const char* name;
  float width, height, label_height;
  const char* caption;  // the recording label is 100 twips a character wide
  int32_t alignment;
  Box expected;
};

void PrintTo(const FocusCase& c, std::ostream* os) { *os << c.name; }

class FocusRectTest : public testing::TestWithParam<FocusCase> {};

TEST_P(FocusRectTest, SurroundsTheCaption) {
  const FocusCase& c = GetParam();
  RunTimeCheck rc;
  rc.surface.label().SetHeight(c.label_height);
  rc.surface.SetWidth(c.width);
  rc.surface.SetHeight(c.height);
  rc.check.SetCaption(c.caption);
  rc.check.SetAlignment(c.alignment);
  rc.surface.record.clear();
  rc.check.GotFocus(nullptr);
  EXPECT_EQ(rc.surface.record, Dashes(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, FocusRectTest,
    testing::Values(
        FocusCase{"DesignSize", 1680, 915, 195, "Hi", 0, {240, 330, 500, 540}},
        FocusCase{"RightStopsShortOfTheSurfaceEdge", 500, 915, 195, "Hello World", 0, {240, 330, 485, 540}},
        FocusCase{"RightJustifiedStopsBeforeTheGlyph", 1680, 915, 195, "A caption that is long", 1,
                  {0, 330, 1455, 540}},
        FocusCase{"RightJustifiedShortCaption", 1680, 915, 195, "Hi", 1, {0, 330, 260, 540}},
        // Placed at the right like 1, but only an exact 1 keeps the rectangle off the glyph.
        FocusCase{"OtherAlignmentRunsToTheEdge", 1680, 915, 195, "A caption that is long", 2,
                  {0, 330, 1665, 540}},
        FocusCase{"CaptionAtTopZeroGivesTopZero", 1680, 255, 240, "Hi", 0, {240, 0, 500, 240}},
        FocusCase{"BottomStopsShortOfTheSurfaceEdge", 1680, 300, 260, "Hi", 0, {240, 15, 500, 285}}));

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
