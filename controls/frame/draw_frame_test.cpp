// The border and the caption as DrawFrame leaves them: which lines show, in which
// colour, where each runs, and where the caption sits. Twips; one pixel is 15.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "controls/frame/frame_test_fixture.h"

namespace vitrelle::frame_testing {
namespace {

constexpr OleColor kShadow = 0x80000010, kHighlight = 0x80000014, kBlack = 0, kGrey = 0x808080;

struct Segment {
  const char* name;
  int index;
  double x1, y1, x2, y2;
};

std::string Ends(double x1, double y1, double x2, double y2) {
  return std::to_string(x1) + "," + std::to_string(y1) + " - " + std::to_string(x2) + "," + std::to_string(y2);
}

class DrawFrameTest : public FrameTest {
 protected:
  // In DejaVu Sans at 8.25 points the caption is 195 twips high (13 pixels), in
  // the standard font 180.
  DrawFrameTest() {
    Put("GlazeFrame", "Frame1");
    Let("Frame1", "FontName", Variant::String("DejaVu Sans"));
  }

  // Visible lines as "name(index)", in the arrays' order.
  std::vector<std::string> Shown() {
    std::vector<std::string> out;
    for (const char* name : {"linTopL", "linTopR", "linLeft", "linRight", "linBottom"})
      for (int i = 0; i < 2; ++i)
        if (Line(name, i).Visible()) out.push_back(std::string(name) + "(" + std::to_string(i) + ")");
    return out;
  }
  void ExpectEnds(std::initializer_list<Segment> segments) {
    for (const Segment& s : segments) {
      const LinePart& line = Line(s.name, s.index);
      EXPECT_EQ(Ends(line.X1(), line.Y1(), line.X2(), line.Y2()), Ends(s.x1, s.y1, s.x2, s.y2))
          << s.name << "(" << s.index << ")";
    }
  }
};

// The top border lies through the caption's middle, at m = 195 / 2 with the
// remainder dropped.
TEST_F(DrawFrameTest, TheEtchedBorderIsTenLinesOnePixelApart) {
  const double w = kWidth, h = kHeight, t = kT, m = 97;
  ASSERT_EQ(Caption().Height(), 195);
  const double l = Caption().Left(), wc = Caption().Width();
  EXPECT_EQ(l, 135);
  EXPECT_EQ(Caption().Top(), 0);
  EXPECT_EQ(Shown().size(), 10u);
  ExpectEnds({{"linTopL", 0, 0, m, l, m},
              {"linTopL", 1, 0, m + t, l, m + t},
              {"linTopR", 0, l + wc, m, w - t, m},
              {"linTopR", 1, l + wc, m + t, w - 2 * t, m + t},
              {"linLeft", 0, 0, m, 0, h - t},
              {"linLeft", 1, t, m + t, t, h},
              {"linBottom", 0, 0, h - t, w, h - t},
              {"linBottom", 1, 0, h - 2 * t, w - t, h - 2 * t},
              {"linRight", 0, w - t, m + t, w - t, h - t},
              {"linRight", 1, w - 2 * t, m, w - 2 * t, h}});
  // Shadow outside and highlight inside at the top and left, the other way round
  // at the bottom and right.
  for (const char* name : {"linTopL", "linTopR", "linLeft"}) {
    EXPECT_EQ(Line(name, 0).BorderColor(), kShadow) << name;
    EXPECT_EQ(Line(name, 1).BorderColor(), kHighlight) << name;
  }
  for (const char* name : {"linRight", "linBottom"}) {
    EXPECT_EQ(Line(name, 0).BorderColor(), kHighlight) << name;
    EXPECT_EQ(Line(name, 1).BorderColor(), kShadow) << name;
  }
}

TEST_F(DrawFrameTest, TheFlatBorderIsFiveBlackLinesAndTheOthersHide) {
  Let("Frame1", "Appearance", Variant::Long(0));
  const double w = kWidth, h = kHeight, t = kT, m = 97;
  ASSERT_EQ(Caption().Height(), 195);
  const double l = Caption().Left(), wc = Caption().Width();
  EXPECT_THAT(Shown(), ::testing::ElementsAre("linTopL(1)", "linTopR(1)", "linLeft(0)", "linRight(0)", "linBottom(1)"));
  // The right line now runs down to H, not H - t.
  ExpectEnds({{"linTopL", 1, 0, m, l, m},
              {"linTopR", 1, l + wc, m, w, m},
              {"linLeft", 0, 0, m, 0, h},
              {"linBottom", 1, 0, h - t, w, h - t},
              {"linRight", 0, w - t, m, w - t, h}});
  for (const char* name : {"linTopL", "linTopR", "linLeft", "linRight", "linBottom"}) {
    const int used = (std::string(name) == "linLeft" || std::string(name) == "linRight") ? 0 : 1;
    EXPECT_EQ(Line(name, used).BorderColor(), kBlack) << name;
  }
}

// An odd width puts the centred caption on half a twip, which it keeps.
TEST_F(DrawFrameTest, TheAlignmentPlacesTheCaptionAndCutsTheTopBorderOverIt) {
  Let("Frame1", "Width", Variant::Single(3001));
  const double wc = Caption().Width();
  // 1, 3 and any other value but 2 and 4 are left, like 0.
  for (auto [alignment, left] : {std::pair{0, 135.0}, {1, 135.0}, {3, 135.0}, {77, 135.0},
                                 {4, 3001 - wc - 150},  // ends ten pixels in
                                 {2, (3001 - wc) / 2}}) {
    SCOPED_TRACE(alignment);
    Let("Frame1", "CaptionAlignment", Variant::Long(alignment));
    EXPECT_EQ(Caption().Left(), left);
    EXPECT_EQ(Caption().Top(), 0);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(Line("linTopL", i).X2(), left);
      EXPECT_EQ(Line("linTopR", i).X1(), left + wc);
    }
  }
}

// Without a caption the top border closes, in either look; the hidden caption
// still moves with its alignment, ready to be shown.
TEST_F(DrawFrameTest, AnEmptyCaptionClosesTheGap) {
  for (int32_t appearance : {0, 1}) {
    SCOPED_TRACE(appearance ? "etched" : "flat");
    Let("Frame1", "Appearance", Variant::Long(appearance));
    Let("Frame1", "CaptionAlignment", Variant::Long(0));
    Let("Frame1", "Caption", Variant::String(""));
    Let("Frame1", "CaptionAlignment", Variant::Long(4));
    EXPECT_FALSE(Caption().Visible());
    EXPECT_EQ(Caption().Left(), kWidth - Caption().Width() - 150);
    EXPECT_EQ(Line("linTopL", 1).X2(), Line("linTopR", 1).X1());
    if (appearance == 1) {
      EXPECT_EQ(Line("linTopL", 0).X2(), Line("linTopR", 0).X1());
    }
    Let("Frame1", "Caption", Variant::String("Back"));
    EXPECT_TRUE(Caption().Visible());
    EXPECT_LT(Line("linTopL", 1).X2(), Line("linTopR", 1).X1());
  }
}

TEST_F(DrawFrameTest, NoBorderHidesEveryLineAndTheCaptionWhichStaysPut) {
  Let("Frame1", "BorderStyle", Variant::Long(0));
  Let("Frame1", "CaptionAlignment", Variant::Long(2));
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(Caption().Visible());
  EXPECT_EQ(Caption().Left(), 135);
  Let("Frame1", "BorderStyle", Variant::Long(1));
  EXPECT_EQ(Shown().size(), 10u);
  EXPECT_TRUE(Caption().Visible());
  EXPECT_EQ(Caption().Left(), (kWidth - Caption().Width()) / 2);
}

TEST_F(DrawFrameTest, ADisabledFrameIsFiveGreyLinesInEitherLook) {
  Let("Frame1", "Enabled", Variant::Boolean(false));
  EXPECT_THAT(Shown(), ::testing::ElementsAre("linTopL(1)", "linTopR(1)", "linLeft(0)", "linRight(0)", "linBottom(1)"));
  EXPECT_EQ(Line("linRight", 0).X2(), kWidth - kT);
  EXPECT_EQ(Line("linRight", 0).Y2(), kHeight);
  EXPECT_EQ(Line("linLeft", 0).BorderColor(), kGrey);
  form_->Show();
  runtime_.DoEvents();
  // The left line on the screen, halfway down.
  const model::Rect frame = screen_.ScreenRect(form_->GetSite("Frame1").Window());
  EXPECT_EQ(screen_.PixelAt(frame.left, frame.top + frame.Height() / 2), Rgb(128, 128, 128));

  Let("Frame1", "Enabled", Variant::Boolean(true));
  EXPECT_EQ(Shown().size(), 10u);
  EXPECT_EQ(Line("linRight", 0).Y2(), kHeight - kT) << "the etched positions again";
  EXPECT_EQ(Line("linLeft", 0).BorderColor(), kShadow);
}

// Nothing is clipped or clamped: a frame narrower than its caption draws the right
// top pieces from right to left.
TEST_F(DrawFrameTest, ANarrowFrameRunsTheRightPiecesBackwards) {
  Let("Frame1", "Caption", Variant::String("A caption longer than the frame"));
  Let("Frame1", "Width", Variant::Single(600));
  EXPECT_GT(Line("linTopR", 0).X1(), Line("linTopR", 0).X2());
  EXPECT_GT(Line("linTopR", 1).X1(), Line("linTopR", 1).X2());
}

}  // namespace
}  // namespace vitrelle::frame_testing
