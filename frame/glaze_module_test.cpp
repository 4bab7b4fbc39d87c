// Window capture against the model display's GDI, through a recorder that sees
// every platform call: the order, the palette branch, and what is left behind.
#include "frame/glaze_module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

using ::testing::ElementsAre;

// Forwards to the real GDI model and notes each call's name; can make the picture
// creation fail as a platform out of resources would.
class RecordingGdi : public Gdi {
 public:
  explicit RecordingGdi(Gdi& real) : real_(real) {}
  std::vector<std::string> calls;
  bool refuse_pictures = false;

  Handle GetDC(Handle w) override { return Note("GetDC"), real_.GetDC(w); }
  Handle GetWindowDC(Handle w) override { return Note("GetWindowDC"), real_.GetWindowDC(w); }
  int ReleaseDC(Handle w, Handle dc) override { return Note("ReleaseDC"), real_.ReleaseDC(w, dc); }
  Handle CreateCompatibleDC(Handle dc) override { return Note("CreateCompatibleDC"), real_.CreateCompatibleDC(dc); }
  Handle CreateCompatibleBitmap(Handle dc, int w, int h) override {
    return Note("CreateCompatibleBitmap"), real_.CreateCompatibleBitmap(dc, w, h);
  }
  Handle SelectObject(Handle dc, Handle o) override { return Note("SelectObject"), real_.SelectObject(dc, o); }
  int GetDeviceCaps(Handle dc, int i) override {
    return Note("GetDeviceCaps " + std::to_string(i)), real_.GetDeviceCaps(dc, i);
  }
  unsigned GetSystemPaletteEntries(Handle dc, unsigned s, unsigned n, PaletteEntry* e) override {
    return Note("GetSystemPaletteEntries"), real_.GetSystemPaletteEntries(dc, s, n, e);
  }
  Handle CreatePalette(uint16_t v, std::span<const PaletteEntry> e) override {
    return Note("CreatePalette " + std::to_string(e.size())), real_.CreatePalette(v, e);
  }
  Handle SelectPalette(Handle dc, Handle p, bool bg) override {
    return Note("SelectPalette"), real_.SelectPalette(dc, p, bg);
  }
  unsigned RealizePalette(Handle dc) override { return Note("RealizePalette"), real_.RealizePalette(dc); }
  bool BitBlt(Handle d, int x, int y, int w, int h, Handle s, int sx, int sy, uint32_t rop) override {
    return Note("BitBlt"), real_.BitBlt(d, x, y, w, h, s, sx, sy, rop);
  }
  bool DeleteDC(Handle dc) override { return Note("DeleteDC"), real_.DeleteDC(dc); }
  bool DeleteObject(Handle o) override { return Note("DeleteObject"), real_.DeleteObject(o); }
  uint32_t GetLastError() override { return real_.GetLastError(); }
  PicturePtr OleCreatePictureIndirect(const PictDesc& d, bool own) override {
    Note("OleCreatePictureIndirect");
    return refuse_pictures ? nullptr : real_.OleCreatePictureIndirect(d, own);
  }
  Handle CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) override {
    return real_.CreateRoundRectRgn(l, t, r, b, w, h);
  }
  int SetWindowRgn(Handle w, Handle r, bool redraw) override { return real_.SetWindowRgn(w, r, redraw); }

 private:
  void Note(std::string call) { calls.push_back(std::move(call)); }
  Gdi& real_;
};

class Fill : public model::WindowClient {
 public:
  explicit Fill(OleColor c) : color_(c) {}
  void Paint(model::Canvas& canvas) override { canvas.FillRect({0, 0, 1000, 1000}, color_); }

 private:
  OleColor color_;
};

class CaptureTest : public ::testing::TestWithParam<model::PixelMode> {
 protected:
  CaptureTest() : screen_(320, 240, GetParam()), gdi_(screen_.GetGdi()) {
    form_ = screen_.CreateWindow(0, {0, 0, 320, 240}, 0, &form_paint_);
    control_ = screen_.CreateWindow(form_, {10, 20, 60, 40}, 2, &control_paint_);
    screen_.ShowWindow(form_, true);
    screen_.PaintPending();
  }
  bool Palette() const { return GetParam() == model::PixelMode::kPalette8; }

  model::Screen screen_;
  Fill form_paint_{Rgb(0, 0, 255)}, control_paint_{Rgb(255, 0, 0)};
  Handle form_ = 0, control_ = 0;
  RecordingGdi gdi_;
};

TEST_P(CaptureTest, CallsThePlatformInOrderAndTakesThePaletteBranchOnlyOnPaletteDisplays) {
  PicturePtr picture = GlazeModule::CaptureWindow(gdi_, control_, false, 0, 0, 50, 20);
  ASSERT_TRUE(picture);
  std::vector<std::string> expected = {"GetWindowDC", "CreateCompatibleDC", "CreateCompatibleBitmap",
                                       "SelectObject", "GetDeviceCaps 38", "GetDeviceCaps 104"};
  if (Palette())
    expected.insert(expected.end(),
                    {"GetSystemPaletteEntries", "CreatePalette 256", "SelectPalette", "RealizePalette"});
  expected.insert(expected.end(), {"BitBlt", "SelectObject"});
  if (Palette()) expected.push_back("SelectPalette");
  expected.insert(expected.end(), {"DeleteDC", "ReleaseDC", "OleCreatePictureIndirect"});
  EXPECT_EQ(gdi_.calls, expected);
}

// That the picture owns and frees the bitmap and palette of a capture, and where a
// capture starts, the model display's own tests pin.
TEST_P(CaptureTest, AFailedPictureLeavesNothingBehind) {
  const size_t before = screen_.LiveGdiObjects();
  gdi_.refuse_pictures = true;
  EXPECT_EQ(GlazeModule::CaptureWindow(gdi_, control_, false, 0, 0, 50, 20), nullptr);
  EXPECT_EQ(screen_.LiveGdiObjects(), before);
}

INSTANTIATE_TEST_SUITE_P(Displays, CaptureTest,
                         ::testing::Values(model::PixelMode::kTrueColor, model::PixelMode::kPalette8),
                         [](const auto& info) {
                           return info.param == model::PixelMode::kPalette8 ? "Palette8" : "TrueColor";
                         });

}  // namespace
}  // namespace vitrelle
