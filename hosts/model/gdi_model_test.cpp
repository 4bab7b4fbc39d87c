#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "frame/glaze_module.h"
#include "hosts/model/screen.h"

namespace vitrelle::model {
namespace {

constexpr OleColor kFrame = Rgb(0, 0, 128);
constexpr OleColor kClient = Rgb(192, 192, 192);
constexpr OleColor kForm = Rgb(255, 255, 0);
constexpr OleColor kWhite = Rgb(255, 255, 255);
constexpr OleColor kBox = Rgb(0, 128, 0);

constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kInvalidWindowHandle = 1400;

// Its frame in one colour, its client area in another, and a marker pixel at the
// client area's corner so an origin off by the border shows.
class FramedClient : public WindowClient {
 public:
  void Paint(Canvas& c) override {
    c.FillRect({0, 0, 1000, 1000}, kFrame);
    c.FillRect({c.ClientLeft(), c.ClientTop(), 1000, 1000}, kClient);
    c.SetPixel(c.ClientLeft(), c.ClientTop(), kWhite);
  }
};

class SolidClient : public WindowClient {
 public:
  explicit SolidClient(OleColor c) : color_(c) {}
  void Paint(Canvas& c) override { c.FillRect({0, 0, 1000, 1000}, color_); }

 private:
  OleColor color_;
};

class GdiModelTest : public ::testing::TestWithParam<PixelMode> {
 protected:
  GdiModelTest() : screen_(160, 120, GetParam()), gdi_(screen_.GetGdi()) {
    form_ = screen_.CreateWindow(0, {0, 0, 160, 120}, 0, &form_client_);
    control_ = screen_.CreateWindow(form_, {20, 30, 60, 60}, /*border=*/3, &control_client_);
    screen_.ShowWindow(form_, true);
    screen_.ShowWindow(control_, true);
    screen_.PaintPending();
  }

  Bitmap Capture(Handle window, bool client, int x, int y, int w, int h) {
    PicturePtr p = GlazeModule::CaptureWindow(gdi_, window, client, x, y, w, h);
    EXPECT_NE(p, nullptr);
    if (p == nullptr) return {};
    auto pixels = screen_.PictureBitmap(*p);
    EXPECT_TRUE(pixels.has_value());
    return pixels.value_or(Bitmap{});
  }

  Screen screen_;
  Gdi& gdi_;
  SolidClient form_client_{kForm};
  FramedClient control_client_;
  Handle form_ = 0, control_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Modes, GdiModelTest, ::testing::Values(PixelMode::kTrueColor, PixelMode::kPalette8),
                         [](const auto& info) { return info.param == PixelMode::kTrueColor ? "TrueColor" : "Palette8"; });

TEST_P(GdiModelTest, WindowContextStartsAtTheOuterCornerClientContextInside) {
  const Bitmap whole = Capture(control_, /*client=*/false, 0, 0, 40, 30);
  EXPECT_EQ(whole.At(0, 0), kFrame);
  EXPECT_EQ(whole.At(3, 3), kWhite);
  EXPECT_EQ(whole.At(4, 4), kClient);

  const Bitmap client = Capture(control_, /*client=*/true, 0, 0, 34, 24);
  EXPECT_EQ(client.At(0, 0), kWhite);
  EXPECT_EQ(client.At(1, 1), kClient);
  EXPECT_EQ(client.At(33, 23), kClient);

  // A source point inside the window moves the copy with it.
  EXPECT_EQ(Capture(control_, false, 3, 3, 2, 2).At(0, 0), kWhite);
}

// A hidden window's capture holds what its parent painted there, and another
// top-level window in front stays out of it.
TEST_P(GdiModelTest, HiddenWindowCaptureHoldsWhatTheParentPainted) {
  SolidClient box_client(kBox);
  const Handle box = screen_.CreateWindow(0, {0, 0, 100, 100}, 0, &box_client);
  screen_.ShowWindow(box, true);
  screen_.ShowWindow(control_, false);
  EXPECT_EQ(Capture(control_, false, 0, 0, 40, 30).At(0, 0), kWhite) << "the erased background until the parent paints";
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(30, 40), kBox);
  const Bitmap captured = Capture(control_, false, 0, 0, 40, 30);
  for (OleColor c : captured.Pixels()) ASSERT_EQ(c, kForm);
  // The desktop's context reads the screen as it shows.
  EXPECT_EQ(Capture(0, false, 30, 40, 1, 1).At(0, 0), kBox);
}

TEST_P(GdiModelTest, OffScreenPartsComeBackBlack) {
  screen_.MoveWindow(control_, {140, 100, 180, 130});
  screen_.ShowWindow(control_, false);
  screen_.PaintPending();
  const Bitmap b = Capture(control_, false, 0, 0, 40, 30);
  EXPECT_EQ(b.At(0, 0), kForm);
  EXPECT_EQ(b.At(19, 19), kForm);
  EXPECT_EQ(b.At(20, 0), 0u);
  EXPECT_EQ(b.At(0, 20), 0u);
  EXPECT_EQ(b.At(39, 29), 0u);
}

TEST_P(GdiModelTest, OnlyAPaletteDisplayTakesThePalettePath) {
  const bool palette = GetParam() == PixelMode::kPalette8;
  const Handle dc = gdi_.GetWindowDC(control_);
  EXPECT_EQ((gdi_.GetDeviceCaps(dc, kRasterCaps) & kRcPalette) != 0, palette);
  EXPECT_EQ(gdi_.GetDeviceCaps(dc, kSizePalette), palette ? 256 : 0);
  std::array<PaletteEntry, 256> entries{};
  EXPECT_EQ(gdi_.GetSystemPaletteEntries(dc, 0, 256, entries.data()), palette ? 256u : 0u);
  EXPECT_EQ(gdi_.ReleaseDC(control_, dc), 1);

  PicturePtr p = GlazeModule::CaptureWindow(gdi_, control_, false, 0, 0, 40, 30);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->PaletteHandle() != 0, palette);
  EXPECT_EQ(p->WidthPixels(), 40);
  EXPECT_EQ(p->HeightPixels(), 30);
}

TEST_P(GdiModelTest, OwningPictureFreesItsBitmapAndPaletteOtherPicturesLeaveThem) {
  const size_t baseline = screen_.LiveGdiObjects();
  PicturePtr p = GlazeModule::CaptureWindow(gdi_, control_, false, 0, 0, 40, 30);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(screen_.LiveGdiObjects(), baseline + (GetParam() == PixelMode::kPalette8 ? 2 : 1));
  p.reset();
  EXPECT_EQ(screen_.LiveGdiObjects(), baseline);

  const Handle screen_dc = gdi_.GetDC(0);
  const Handle bitmap = gdi_.CreateCompatibleBitmap(screen_dc, 4, 4);
  gdi_.ReleaseDC(0, screen_dc);
  const size_t with_bitmap = screen_.LiveGdiObjects();
  p = gdi_.OleCreatePictureIndirect(PictDesc{20, 1, bitmap, 0}, /*own=*/false);
  ASSERT_NE(p, nullptr);
  p.reset();
  EXPECT_EQ(screen_.LiveGdiObjects(), with_bitmap);
  // The bitmap is still usable: a second, owning picture takes it over.
  p = gdi_.OleCreatePictureIndirect(PictDesc{20, 1, bitmap, 0}, /*own=*/true);
  ASSERT_NE(p, nullptr);
  p.reset();
  EXPECT_EQ(screen_.LiveGdiObjects(), with_bitmap - 1);
}

// The mistake a capture can make: handing over a bitmap still selected into a
// context. The platform then cannot delete it, and neither does the model.
TEST_P(GdiModelTest, BitmapStillSelectedIsNotFreedWithItsPicture) {
  const size_t baseline = screen_.LiveGdiObjects();
  const Handle src = gdi_.GetWindowDC(control_);
  const Handle mem = gdi_.CreateCompatibleDC(src);
  const Handle bitmap = gdi_.CreateCompatibleBitmap(src, 8, 8);
  const Handle stock = gdi_.SelectObject(mem, bitmap);
  EXPECT_NE(stock, 0u);
  EXPECT_TRUE(gdi_.BitBlt(mem, 0, 0, 8, 8, src, 0, 0, kSrcCopy));
  PicturePtr p = gdi_.OleCreatePictureIndirect(PictDesc{20, 1, bitmap, 0}, true);
  p.reset();
  EXPECT_EQ(gdi_.SelectObject(mem, stock), bitmap) << "still alive and selected";
  EXPECT_TRUE(gdi_.DeleteDC(mem));
  EXPECT_EQ(gdi_.ReleaseDC(control_, src), 1);
  EXPECT_EQ(screen_.LiveGdiObjects(), baseline + 1);
}

TEST_P(GdiModelTest, ABitmapGoesIntoOneContextAtATime) {
  const Handle a = gdi_.CreateCompatibleDC(0);
  const Handle b = gdi_.CreateCompatibleDC(0);
  const Handle screen_dc = gdi_.GetDC(0);
  const Handle bitmap = gdi_.CreateCompatibleBitmap(screen_dc, 2, 2);
  EXPECT_NE(gdi_.SelectObject(a, bitmap), 0u);
  EXPECT_EQ(gdi_.SelectObject(b, bitmap), 0u);
  EXPECT_EQ(gdi_.GetLastError(), kInvalidParameter);
  EXPECT_TRUE(gdi_.DeleteDC(a));  // releases the bitmap
  EXPECT_NE(gdi_.SelectObject(b, bitmap), 0u);
  EXPECT_TRUE(gdi_.DeleteDC(b));
  EXPECT_EQ(gdi_.ReleaseDC(0, screen_dc), 1);
}

TEST_P(GdiModelTest, FreshMemoryContextMakesMonochromeBitmaps) {
  // The platform's trap: a compatible bitmap of a fresh memory context has the
  // format of its 1x1 stock bitmap, so colours collapse to black and white.
  const Handle mem = gdi_.CreateCompatibleDC(0);
  const Handle mono = gdi_.CreateCompatibleBitmap(mem, 40, 30);
  const Handle src = gdi_.GetWindowDC(control_);
  gdi_.SelectObject(mem, mono);
  EXPECT_TRUE(gdi_.BitBlt(mem, 0, 0, 40, 30, src, 0, 0, kSrcCopy));
  const auto pixels = screen_.PictureBitmap(*gdi_.OleCreatePictureIndirect(PictDesc{20, 1, mono, 0}, false));
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->At(3, 3), kWhite);
  EXPECT_EQ(pixels->At(10, 10), 0u);  // grey became black
  gdi_.DeleteDC(mem);
  gdi_.ReleaseDC(control_, src);
}

struct FailureCase {
  const char* name;
  uint32_t error;
  bool (*call)(Gdi& gdi, Handle window);
};

constexpr PaletteEntry kOneEntry[1] = {{1, 2, 3, 0}};

const FailureCase kFailures[] = {
    {"GetDCOfNoWindow", kInvalidWindowHandle, [](Gdi& g, Handle) { return g.GetDC(0x7777) == 0; }},
    {"ReleaseDCOfAnotherWindow", kInvalidHandle,
     [](Gdi& g, Handle w) { return g.ReleaseDC(w + 4, g.GetWindowDC(w)) == 0; }},
    {"CreateCompatibleDCOfNoContext", kInvalidHandle, [](Gdi& g, Handle) { return g.CreateCompatibleDC(0x7777) == 0; }},
    {"BitmapOfNoContext", kInvalidHandle, [](Gdi& g, Handle) { return g.CreateCompatibleBitmap(0, 4, 4) == 0; }},
    {"NegativeBitmap", kInvalidParameter,
     [](Gdi& g, Handle w) { return g.CreateCompatibleBitmap(g.GetWindowDC(w), -1, 4) == 0; }},
    {"SelectIntoWindowContext", kInvalidParameter,
     [](Gdi& g, Handle w) {
       const Handle dc = g.GetWindowDC(w);
       return g.SelectObject(dc, g.CreateCompatibleBitmap(dc, 2, 2)) == 0;
     }},
    {"SelectPaletteAsObject", kInvalidParameter,
     [](Gdi& g, Handle) { return g.SelectObject(g.CreateCompatibleDC(0), g.CreatePalette(0x300, kOneEntry)) == 0; }},
    {"PaletteOfWrongVersion", kInvalidParameter, [](Gdi& g, Handle) { return g.CreatePalette(0x200, kOneEntry) == 0; }},
    {"BlitFromNoContext", kInvalidHandle,
     [](Gdi& g, Handle) { return !g.BitBlt(g.CreateCompatibleDC(0), 0, 0, 1, 1, 0x7777, 0, 0, kSrcCopy); }},
    {"BlitOtherRasterOperation", kInvalidParameter,
     [](Gdi& g, Handle w) { return !g.BitBlt(g.CreateCompatibleDC(0), 0, 0, 1, 1, g.GetDC(w), 0, 0, 0x00EE0086); }},
    {"DeleteWindowContext", kInvalidParameter, [](Gdi& g, Handle w) { return !g.DeleteDC(g.GetDC(w)); }},
    {"PictureOfNoBitmap", kInvalidHandle,
     [](Gdi& g, Handle) { return g.OleCreatePictureIndirect({20, 1, 0, 0}, true) == nullptr; }},
    {"PictureOfWrongSize", kInvalidParameter,
     [](Gdi& g, Handle w) {
       const Handle bitmap = g.CreateCompatibleBitmap(g.GetDC(w), 2, 2);
       return g.OleCreatePictureIndirect({16, 1, bitmap, 0}, true) == nullptr;
     }},
    {"RegionForNoWindow", kInvalidWindowHandle, [](Gdi& g, Handle) { return g.SetWindowRgn(0x7777, 0, true) == 0; }},
};

class GdiFailureTest : public ::testing::TestWithParam<FailureCase> {};

INSTANTIATE_TEST_SUITE_P(Calls, GdiFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(GdiFailureTest, FailsWithZeroAndRecordsTheError) {
  Screen screen(64, 64);
  SolidClient client(kForm);
  const Handle window = screen.CreateWindow(0, {0, 0, 32, 32}, 0, &client);
  EXPECT_TRUE(GetParam().call(screen.GetGdi(), window));
  EXPECT_EQ(screen.GetGdi().GetLastError(), GetParam().error);
}

TEST(GdiCaptureTest, ZeroHandlesFlowThroughACaptureOfNoWindow) {
  Screen screen(64, 64);
  const size_t baseline = screen.LiveGdiObjects();
  PicturePtr p = GlazeModule::CaptureWindow(screen.GetGdi(), 0x7777, false, 0, 0, 8, 8);
  // The window context fails, so everything after it gets zero or fails in turn.
  EXPECT_EQ(p, nullptr);
  EXPECT_NE(GlazeModule::LastDllError(), 0u);
  EXPECT_EQ(screen.LiveGdiObjects(), baseline);
}

TEST(GdiCaptureTest, ObserverSeesEachCaptureWithItsWindowAndSize) {
  Screen screen(64, 64);
  SolidClient client(kForm);
  const Handle window = screen.CreateWindow(0, {0, 0, 32, 32}, 2, &client);
  std::vector<std::array<int, 3>> seen;
  screen.SetCaptureObserver([&](Handle w, int width, int height) {
    seen.push_back({w == window ? 1 : 0, width, height});
  });
  GlazeModule::CaptureWindow(screen.GetGdi(), window, false, 0, 0, 12, 7);
  // A copy between memory contexts is no capture.
  Gdi& gdi = screen.GetGdi();
  const Handle a = gdi.CreateCompatibleDC(0), b = gdi.CreateCompatibleDC(0);
  gdi.BitBlt(a, 0, 0, 1, 1, b, 0, 0, kSrcCopy);
  EXPECT_EQ(seen, (std::vector<std::array<int, 3>>{{1, 12, 7}}));
  gdi.DeleteDC(a);
  gdi.DeleteDC(b);
}

// The round glyph window: a 14-pixel circle over a 13 x 13 square.
TEST(GdiRegionTest, RoundRegionCutsTheCornersSymmetrically) {
  Screen screen(40, 40);
  SolidClient form_client(kForm), glyph_client(kClient);
  const Handle form = screen.CreateWindow(0, {0, 0, 40, 40}, 0, &form_client);
  const Handle glyph = screen.CreateWindow(form, {10, 10, 23, 23}, 0, &glyph_client);
  screen.ShowWindow(form, true);
  screen.ShowWindow(glyph, true);
  Gdi& gdi = screen.GetGdi();
  const size_t baseline = screen.LiveGdiObjects();
  const Handle region = gdi.CreateRoundRectRgn(0, 0, 14, 14, 14, 14);
  EXPECT_EQ(gdi.SetWindowRgn(glyph, region, true), 1);
  screen.PaintPending();

  auto at = [&](int x, int y) { return screen.PixelAt(10 + x, 10 + y); };
  // Corners show the form, the middle and the middle of each edge the glyph.
  for (auto [x, y] : {std::pair{0, 0}, {12, 0}, {0, 12}, {12, 12}, {1, 1}, {11, 1}, {1, 11}}) EXPECT_EQ(at(x, y), kForm);
  for (auto [x, y] : {std::pair{6, 6}, {6, 0}, {0, 6}, {12, 6}, {6, 12}, {2, 2}, {10, 10}})
    EXPECT_EQ(at(x, y), kClient);
  // Mirror symmetry within the 14-pixel circle: column x matches column 13 - x.
  for (int y = 0; y < 13; ++y)
    for (int x = 1; x < 13; ++x)
      EXPECT_EQ(screen.WindowAt(10 + x, 10 + y) == glyph, screen.WindowAt(10 + 13 - x, 10 + y) == glyph)
          << x << "," << y;

  // The window owns the region: replacing it frees the old one, destroying frees the new.
  EXPECT_EQ(screen.LiveGdiObjects(), baseline + 1);
  EXPECT_EQ(gdi.SetWindowRgn(glyph, gdi.CreateRoundRectRgn(0, 0, 14, 14, 14, 14), true), 1);
  EXPECT_EQ(screen.LiveGdiObjects(), baseline + 1);
  screen.DestroyWindow(glyph);
  EXPECT_EQ(screen.LiveGdiObjects(), baseline);
}

TEST_P(GdiModelTest, MadePictureKeepsItsPixels) {
  Bitmap image(3, 2);
  image.Set(0, 0, Rgb(1, 2, 3));
  image.Set(2, 1, Rgb(200, 100, 50));
  const size_t baseline = screen_.LiveGdiObjects();
  PicturePtr p = screen_.MakePicture(image);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Type(), 1);
  const auto back = screen_.PictureBitmap(*p);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Pixels(), image.Pixels());
  p.reset();
  EXPECT_EQ(screen_.LiveGdiObjects(), baseline);
}

}  // namespace
}  // namespace vitrelle::model
