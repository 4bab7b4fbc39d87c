#include <gtest/gtest.h>

#include <string>

#include "hosts/model/screen.h"
#include "hosts/model/text_internal.h"

namespace vitrelle::model {
namespace {

FontSpec Standard() { return FontSpec{}; }

FontSpec With(void (*change)(FontSpec&)) {
  FontSpec f;
  change(f);
  return f;
}

FontSpec Named(const char* name) {
  FontSpec f;
  f.name = name;
  return f;
}

// The widths and heights the platform's GDI gives for these faces at 8.25 points
// (11 pixels) on a 96-dpi display.
struct FaceCase {
  const char* name;
  const char* face;
  int width;  // of "Transparent"
  int height;
};

class FaceTest : public ::testing::TestWithParam<FaceCase> {};

INSTANTIATE_TEST_SUITE_P(
    Faces, FaceTest,
    ::testing::Values(FaceCase{"StandardFallsBack", "MS Sans Serif", 60, 12},
                      FaceCase{"InstalledFace", "DejaVu Sans", 69, 13},
                      FaceCase{"InstalledNameInOtherCase", "dejavu sans", 69, 13},
                      FaceCase{"MonospacedFace", "Liberation Mono", 77, 12},
                      // No look-alike for a name that is not installed, whatever
                      // fontconfig would offer for it.
                      FaceCase{"AliasIsNotTheFace", "Courier New", 60, 12},
                      FaceCase{"UnknownFallsBack", "No Such Face", 60, 12},
                      FaceCase{"EmptyFallsBack", "", 60, 12}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(FaceTest, MeasuresAsThePlatformDoes) {
  const FaceCase& c = GetParam();
  const TextExtent e = MeasureText("Transparent", Named(c.face));
  EXPECT_EQ(e.width, c.width);
  EXPECT_EQ(e.height, c.height);
  EXPECT_EQ(MeasureText("", Named(c.face)).height, c.height);
  EXPECT_EQ(MeasureText("", Named(c.face)).width, 0);
}

TEST(MeasureTextTest, StylesOfAFallbackFaceAreItsOwn) {
  FontSpec bold = Named("MS Sans Serif");
  bold.bold = true;
  FontSpec liberation_bold = Named("Liberation Sans");
  liberation_bold.bold = true;
  EXPECT_EQ(MeasureText("Options", bold).width, MeasureText("Options", liberation_bold).width);
  EXPECT_GT(MeasureText("Options", bold).width, MeasureText("Options", Standard()).width);
}

// Widths are sums of whole glyph advances, each letter its own and growing with the
// size; lines stack and the widest counts; text that is not UTF-8 still measures.
TEST(MeasureTextTest, WidthsAddUpAndLinesStack) {
  const FontSpec f = Standard();
  EXPECT_EQ(MeasureText("ab", f).width, MeasureText("a", f).width + MeasureText("b", f).width);
  EXPECT_LT(MeasureText("iiii", f).width, MeasureText("WWWW", f).width);
  EXPECT_LT(MeasureText("Frame1", f).width, MeasureText("Frame1", With([](FontSpec& s) { s.size = 12; })).width);
  EXPECT_GT(MeasureText("12", With([](FontSpec& s) { s.size = 24; })).height, 13);
  const TextExtent two = MeasureText("short\r\nmuch longer", f);
  EXPECT_EQ(two.height, 2 * MeasureText("", f).height);
  EXPECT_EQ(two.width, MeasureText("much longer", f).width);
  EXPECT_GT(MeasureText("a\xff" "b", f).width, MeasureText("ab", f).width);
  EXPECT_GT(MeasureText("\xc3\xa9t\xc3\xa9", f).width, 0);
}

// Draws text on a white window and reports the bounding box of the touched pixels.
class TextWindow : public WindowClient {
 public:
  TextWindow(std::string text, FontSpec font) : text_(std::move(text)), font_(std::move(font)) {}
  void Paint(Canvas& c) override {
    c.FillRect({0, 0, 200, 60}, Rgb(255, 255, 255));
    c.DrawText(10, 20, text_, font_, Rgb(0, 0, 0));
  }

 private:
  std::string text_;
  FontSpec font_;
};

struct Ink {
  Rect box;
  int dark_pixels = 0;
  bool bottom_row_solid = false;
};

Ink InkOf(const std::string& text, const FontSpec& font) {
  Screen screen(200, 60);
  TextWindow client(text, font);
  const Handle w = screen.CreateWindow(0, {0, 0, 200, 60}, 0, &client);
  screen.ShowWindow(w, true);
  screen.PaintPending();
  Ink ink;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x)
      if (screen.PixelAt(x, y) != Rgb(255, 255, 255)) {
        ink.box = ink.box.Union({x, y, x + 1, y + 1});
        ++ink.dark_pixels;
      }
  return ink;
}

TEST(DrawTextTest, InkStaysInsideTheMeasuredBox) {
  for (const FontSpec& font : {Standard(), With([](FontSpec& f) { f.bold = true; }),
                               With([](FontSpec& f) { f.underline = true; })}) {
    const TextExtent e = MeasureText("Hgjy Option", font);
    const Ink ink = InkOf("Hgjy Option", font);
    ASSERT_FALSE(ink.box.Empty());
    EXPECT_GE(ink.box.left, 10);
    EXPECT_GE(ink.box.top, 20);
    EXPECT_LE(ink.box.right, 10 + e.width + 1);
    // Descenders may reach one pixel below the line, as they do on the platform
    // (the face's Windows descent is rounded down at small sizes).
    EXPECT_LE(ink.box.bottom, 20 + e.height + 1);
  }
}

TEST(DrawTextTest, UnderlineAndStrikethroughAddFullWidthBars) {
  const FontSpec plain = Standard();
  const int width = MeasureText("mmm", plain).width;
  const Ink base = InkOf("mmm", plain);
  const Ink under = InkOf("mmm", With([](FontSpec& f) { f.underline = true; }));
  const Ink strike = InkOf("mmm", With([](FontSpec& f) { f.strikethrough = true; }));
  EXPECT_GT(under.box.bottom, base.box.bottom);
  EXPECT_GE(under.dark_pixels, base.dark_pixels + width / 2);
  EXPECT_EQ(strike.box.bottom, base.box.bottom);
  EXPECT_GT(strike.dark_pixels, base.dark_pixels);
}

TEST(DrawTextTest, ItalicDrawsDifferentPixelsAndSameTextTheSame) {
  EXPECT_EQ(InkOf("Slant", Standard()).dark_pixels, InkOf("Slant", Standard()).dark_pixels);
  const Ink upright = InkOf("lllll", Standard());
  const Ink italic = InkOf("lllll", With([](FontSpec& f) { f.italic = true; }));
  EXPECT_NE(upright.box, italic.box);
}

}  // namespace
}  // namespace vitrelle::model
