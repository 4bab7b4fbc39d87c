// A form on displays of other logical dpi: sizes stay in twips, so windows, copies,
// captions and glyphs all grow with the display.
#include <gtest/gtest.h>

#include <string>

#include "hosts/model/display.h"
#include "hosts/model/form_file.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"

namespace vitrelle {
namespace {

std::string FormAt(int dpi) {
  return "Begin Form Form1\n BackColor = 0x00C0E0FF\n Width = 4800\n Height = 3000\n"
         " Begin Machine Machine1\n  Dpi = " +
         std::to_string(dpi) +
         "\n End\n"
         " Begin GlazeCheck Check1\n  Left = 240\n  Top = 240\n  Width = 1440\n  Height = 375\n  Value = 1\n"
         "  Caption = \"Scaled\"\n End\n"
         " Begin GlazeRadio Radio1\n  Left = 240\n  Top = 840\n  Width = 1680\n  Height = 375\n  Value = True\n"
         "  Caption = \"Option\"\n End\n"
         "End\n";
}

struct Display {
  int dpi;
  int check_pixels;  // the check box's glyph side
  int option_pixels;  // how wide the option's glyph shows through its round window
};

void PrintTo(const Display& d, std::ostream* os) { *os << d.dpi << " dpi"; }

class DisplayTest : public model::testing::ModelTest, public ::testing::WithParamInterface<Display> {
 protected:
  DisplayTest() { model::RegisterLibraryClasses(); }

  model::LibrarySite& Library(std::string_view name) { return form_->GetLibrary(name); }
  Handle PartWindow(std::string_view control, std::string_view part) {
    auto& rect = dynamic_cast<RectPart&>(Library(control).GetSurface().FindPart(part)->AsPart());
    if (auto* check = dynamic_cast<CheckBoxPart*>(&rect)) return check->hWnd();
    return dynamic_cast<UserControlPart&>(rect).hWnd();
  }
  // How wide a window's glyph is drawn: the columns that show its white face or
  // highlight and its dark edges or mark, not the form or the grey of a bare window.
  int DrawnWidth(Handle window) {
    const model::Rect r = screen_.ScreenRect(window);
    int left = r.right, right = r.left;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const OleColor c = screen_.PixelAt(x, y);
        if (c == 0x00FFFFFFu || (c & 0xFF) <= 0x80) left = std::min(left, x), right = std::max(right, x + 1);
      }
    }
    return std::max(0, right - left);
  }
};

TEST_P(DisplayTest, ControlsKeepTheirTwipsAndGrowInPixels) {
  const Display d = GetParam();
  form_ = model::LoadFormText(runtime_, FormAt(d.dpi), "dpi.vfm", true);
  form_->Show();
  runtime_.Advance(300);

  EXPECT_FLOAT_EQ(runtime_.TwipsPerPixelX(), 1440.0f / d.dpi);
  // An inch wide, so as many pixels as the display has to the inch.
  const model::Rect check = screen_.WindowRect(Library("Check1").GetSurface().Window());
  EXPECT_EQ(check.Width(), d.dpi);
  const int height = static_cast<int>(RoundHalfEven(375.0 * d.dpi / 1440));
  EXPECT_EQ(check.Height(), height);
  bool copied = false;
  for (const std::string& line : TakeLog())
    copied |= line.find("capture Check1 " + std::to_string(d.dpi) + "x" + std::to_string(height)) != std::string::npos;
  EXPECT_TRUE(copied) << "the copy is the control's own size in pixels";

  // The caption's font is in points: its line is about as many twips high on every
  // display (180 on the standard one), not as many pixels.
  auto& caption = dynamic_cast<RectPart&>(Library("Check1").GetSurface().FindPart("lblCaption")->AsPart());
  EXPECT_NEAR(caption.Height(), 180, 1440.0 / d.dpi + 15);

  EXPECT_EQ(DrawnWidth(PartWindow("Check1", "Check1")), d.check_pixels);
  EXPECT_EQ(DrawnWidth(PartWindow("Radio1", "RadioButton1")), d.option_pixels);
}

INSTANTIATE_TEST_SUITE_P(Displays, DisplayTest,
                         ::testing::Values(Display{96, 13, 13}, Display{120, 16, 16}, Display{144, 19, 20},
                                           Display{192, 25, 26}));

TEST(DisplayLifetime, AFormsDisplayLastsAsLongAsItsRuntime) {
  {
    model::Screen screen(320, 200);
    model::ModelRuntime runtime(screen);
    model::RegisterLibraryClasses();
    auto form = model::LoadFormText(runtime, FormAt(144), "dpi.vfm", true);
    EXPECT_EQ(model::DisplayDpi(), 144);
    form->Unload();
  }
  EXPECT_EQ(model::DisplayDpi(), 96) << "the next form starts on the standard display";
}

}  // namespace
}  // namespace vitrelle
