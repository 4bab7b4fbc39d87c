#include "hosts/model/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vitrelle::model {
namespace {

constexpr OleColor kRed = Rgb(255, 0, 0);
constexpr OleColor kGreen = Rgb(0, 255, 0);
constexpr OleColor kBlue = Rgb(0, 0, 255);
constexpr OleColor kYellow = Rgb(255, 255, 0);
constexpr OleColor kGrey = Rgb(192, 192, 192);
constexpr OleColor kWhite = Rgb(255, 255, 255);

// Fills the whole window (frame included), or only `area` of it, with one colour and
// records each paint.
class FillClient : public WindowClient {
 public:
  explicit FillClient(OleColor color, std::vector<std::string>* log = nullptr, std::string name = {},
                      Rect area = {0, 0, 10000, 10000})
      : color_(color), log_(log), name_(std::move(name)), area_(area) {}
  void Paint(Canvas& canvas) override {
    ++paints;
    if (log_ != nullptr) log_->push_back(name_);
    canvas.FillRect(area_, color_);
  }
  void SetColor(OleColor c) { color_ = c; }
  int paints = 0;

 private:
  OleColor color_;
  std::vector<std::string>* log_;
  std::string name_;
  Rect area_;
};

struct Probe {
  int x, y;
  OleColor color;
};

class ScreenTest : public ::testing::Test {
 protected:
  void ExpectPixels(std::initializer_list<Probe> probes) {
    for (const Probe& p : probes) EXPECT_EQ(screen_.PixelAt(p.x, p.y), p.color) << p.x << "," << p.y;
  }
  Handle Shown(Handle parent, const Rect& r, WindowClient* client, int border = 0) {
    const Handle h = screen_.CreateWindow(parent, r, border, client);
    screen_.ShowWindow(h, true);
    return h;
  }
  // A grey form of 100 x 100 at the screen's corner with a red child a at (10, 10) and
  // a green child b at (50, 50), 20 x 20 each, painted.
  void ShowFormAB() {
    form_ = Shown(0, {0, 0, 100, 100}, &form_client_);
    a_ = Shown(form_, {10, 10, 30, 30}, &a_client_);
    b_ = Shown(form_, {50, 50, 70, 70}, &b_client_);
    screen_.PaintPending();
  }

  Screen screen_{200, 150};
  std::vector<std::string> log_;
  FillClient form_client_{kGrey, &log_, "form"}, a_client_{kRed, &log_, "a"}, b_client_{kGreen, &log_, "b"};
  Handle form_ = 0, a_ = 0, b_ = 0;
};

TEST_F(ScreenTest, NewWindowIsHiddenAndOnTopOfItsSiblings) {
  FillClient a(kRed), b(kGreen);
  const Handle form = screen_.CreateWindow(0, {10, 10, 110, 110}, 0, &a);
  const Handle first = screen_.CreateWindow(form, {0, 0, 10, 10}, 0, &b);
  const Handle second = screen_.CreateWindow(form, {0, 0, 10, 10}, 0, &b);
  EXPECT_FALSE(screen_.IsVisibleFlag(form));
  EXPECT_FALSE(screen_.HasPendingPaint());
  EXPECT_EQ(screen_.Children(form), (std::vector<Handle>{first, second}));
  EXPECT_EQ(screen_.Children(0), std::vector<Handle>{form});
  screen_.BringToTop(first);
  EXPECT_EQ(screen_.Children(form), (std::vector<Handle>{second, first}));
}

TEST_F(ScreenTest, ChildrenAreClippedToTheParentClientAreaAndOverlapBySiblingOrder) {
  FillClient form_client(kGrey), low_client(kRed), high_client(kGreen), stray_client(kBlue);
  const Handle form = Shown(0, {10, 10, 110, 90}, &form_client, /*border=*/3);
  const Handle low = Shown(form, {10, 10, 40, 40}, &low_client);
  const Handle high = Shown(form, {30, 30, 60, 60}, &high_client);
  // Runs past the form's client area on the right and bottom.
  Shown(form, {80, 60, 120, 100}, &stray_client);
  screen_.PaintPending();
  EXPECT_FALSE(screen_.HasPendingPaint());

  const int cx = 13, cy = 13;  // the form's client origin on the screen
  ExpectPixels({{10, 10, kGrey},                // the form's frame
                {cx + 10, cy + 10, kRed},       // low alone
                {cx + 35, cy + 35, kGreen},     // high covers low
                {cx + 50, cy + 50, kGreen},     // high alone
                {cx + 85, cy + 65, kBlue},      // stray, inside the client area
                {108, 70, kGrey},               // stray would be here: the frame
                {150, 70, kDesktopColor}});     // outside the form
  EXPECT_EQ(screen_.WindowAt(cx + 35, cy + 35), high);
  EXPECT_EQ(screen_.WindowAt(cx + 15, cy + 15), low);
  EXPECT_EQ(screen_.WindowAt(10, 10), form);
  EXPECT_EQ(screen_.WindowAt(150, 70), 0u);

  // Raising low puts it over high where they overlap.
  screen_.BringToTop(low);
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(cx + 35, cy + 35), kRed);
}

TEST_F(ScreenTest, ParentsPaintBeforeChildrenAndOnlyWhatIsInvalid) {
  ShowFormAB();
  EXPECT_EQ(log_, (std::vector<std::string>{"form", "a", "b"}));

  log_.clear();
  screen_.Invalidate(a_);
  screen_.PaintPending();
  EXPECT_EQ(log_, std::vector<std::string>{"a"});

  // Invalidating the parent alone repaints only the parent: children keep their pixels.
  log_.clear();
  form_client_.SetColor(kYellow);
  screen_.Invalidate(form_);
  screen_.PaintPending();
  EXPECT_EQ(log_, std::vector<std::string>{"form"});
  ExpectPixels({{15, 15, kRed}, {5, 5, kYellow}});

  // A part of the window invalid: only that part is painted.
  form_client_.SetColor(kBlue);
  screen_.Invalidate(form_, Rect{0, 0, 5, 5});
  screen_.PaintPending();
  ExpectPixels({{2, 2, kBlue}, {7, 7, kYellow}});
}

// The heart of window capture: hide a window, let the paint pass run, and its area
// shows what the parent painted there.
TEST_F(ScreenTest, HiddenWindowAreaShowsTheParentAfterThePaintPass) {
  FillClient form_client(kGrey), child_client(kRed), grandchild_client(kGreen);
  const Handle form = Shown(0, {0, 0, 100, 100}, &form_client);
  const Handle child = Shown(form, {20, 20, 60, 60}, &child_client, /*border=*/2);
  Shown(child, {5, 5, 15, 15}, &grandchild_client);
  screen_.PaintPending();
  ASSERT_EQ(screen_.PixelAt(30, 30), kGreen);
  ASSERT_EQ(screen_.PixelAt(50, 50), kRed);

  screen_.ShowWindow(child, false);
  // Until the parent paints, the uncovered area shows its erased background.
  EXPECT_EQ(screen_.PixelAt(50, 50), kWhite);
  EXPECT_TRUE(screen_.HasPendingPaint());
  EXPECT_EQ(screen_.WindowAt(50, 50), form);

  const int form_paints = form_client.paints;
  screen_.PaintPending();
  EXPECT_EQ(form_client.paints, form_paints + 1);
  const Bitmap area = screen_.Snapshot(screen_.ScreenRect(child));
  for (OleColor c : area.Pixels()) ASSERT_EQ(c, kGrey);
  EXPECT_FALSE(screen_.IsWindowVisible(child));

  // Showing it again repaints the child (and its child), not the form.
  screen_.ShowWindow(child, true);
  screen_.PaintPending();
  EXPECT_EQ(form_client.paints, form_paints + 1);
  ExpectPixels({{30, 30, kGreen}, {50, 50, kRed}});
}

// A window hidden by its own flag keeps what was invalidated in it, and nothing
// waits for it until it is shown; hiding a window that waited takes it out of the
// paint pass and showing it puts it back.
TEST_F(ScreenTest, HiddenWindowsKeepTheirInvalidAreaOutOfThePaintPass) {
  ShowFormAB();
  const Handle form = form_, child = a_, other = b_;
  FillClient &child_client = a_client_, &other_client = b_client_;
  ASSERT_FALSE(screen_.HasPendingPaint());

  screen_.ShowWindow(child, false);
  screen_.PaintPending();
  screen_.Invalidate(child);
  EXPECT_FALSE(screen_.HasPendingPaint());

  screen_.Invalidate(other);
  screen_.ShowWindow(other, false);
  EXPECT_TRUE(screen_.HasPendingPaint());  // the form, beneath what was hidden
  const int child_paints = child_client.paints, other_paints = other_client.paints;
  screen_.PaintPending();
  EXPECT_FALSE(screen_.HasPendingPaint());
  EXPECT_EQ(child_client.paints, child_paints);
  EXPECT_EQ(other_client.paints, other_paints);

  screen_.ShowWindow(child, true);
  screen_.ShowWindow(other, true);
  screen_.PaintPending();
  EXPECT_EQ(child_client.paints, child_paints + 1);
  EXPECT_EQ(other_client.paints, other_paints + 1);
  ExpectPixels({{20, 20, kRed}, {60, 60, kGreen}});

  // Destroyed while hidden and invalid: nothing is left waiting for it.
  screen_.ShowWindow(child, false);
  screen_.Invalidate(child);
  screen_.PaintPending();
  screen_.DestroyWindow(child);
  screen_.PaintPending();
  screen_.ShowWindow(form, false);
  screen_.ShowWindow(form, true);
  screen_.PaintPending();
  EXPECT_FALSE(screen_.HasPendingPaint());
  EXPECT_EQ(child_client.paints, child_paints + 1);
}

TEST_F(ScreenTest, EraseColourIsWhatUncoveredPixelsShowUntilPainted) {
  ShowFormAB();
  screen_.SetEraseColor(form_, kYellow);
  screen_.ShowWindow(a_, false);
  EXPECT_EQ(screen_.PixelAt(15, 15), kYellow);
  screen_.SetEraseColor(form_, std::nullopt);
  screen_.ShowWindow(b_, false);
  EXPECT_EQ(screen_.PixelAt(55, 55), kGreen);
  screen_.PaintPending();
  ExpectPixels({{15, 15, kGrey}, {55, 55, kGrey}});
}

// Paints two colours split at window x = `split`, and one rectangle of its own when
// given: a parent whose coordinates show in what lies beneath a transparent child.
class SplitClient : public WindowClient {
 public:
  SplitClient(OleColor left, OleColor right, int split) : left_(left), right_(right), split_(split) {}
  void Paint(Canvas& canvas) override {
    ++paints;
    canvas.FillRect({0, 0, split_, 10000}, left_);
    canvas.FillRect({split_, 0, 10000, 10000}, right_);
  }
  void SetColors(OleColor left, OleColor right) { left_ = left, right_ = right; }
  int paints = 0;

 private:
  OleColor left_, right_;
  int split_;
};

TEST_F(ScreenTest, TransparentWindowShowsItsParentsPaintingBeneathIt) {
  // The form's frame is 3 pixels, so its client origin is (13, 13) on the screen and
  // the split at window x 30 falls at screen x 40, inside the label.
  SplitClient form_client(kRed, kBlue, 30);
  FillClient label_client(kGreen, nullptr, {}, {2, 12, 14, 14}), inner_client(kGrey, nullptr, {}, {5, 5, 7, 7});
  const Handle form = Shown(0, {10, 10, 110, 90}, &form_client, /*border=*/3);
  const Handle label = Shown(form, {20, 10, 40, 30}, &label_client);  // (33, 23) on the screen
  const Handle inner = Shown(label, {10, 10, 20, 20}, &inner_client);  // (43, 33)
  screen_.SetTransparent(label, true);
  screen_.SetTransparent(inner, true);
  screen_.PaintPending();

  ExpectPixels({{34, 24, kRed},     // the label, left of the form's split
                {50, 24, kBlue},    // right of it
                {36, 35, kGreen},   // the label's own painting
                {44, 35, kGreen},   // the label's painting beneath the inner window
                {45, 40, kBlue},    // the form, through both
                {48, 38, kGrey}});  // the inner window's own painting

  // The form repainting elsewhere leaves the label alone; beneath it, repaints it.
  const int label_paints = label_client.paints;
  form_client.SetColors(kYellow, kYellow);
  screen_.Invalidate(form, Rect{70, 60, 80, 70});
  screen_.PaintPending();
  EXPECT_EQ(label_client.paints, label_paints);
  EXPECT_EQ(screen_.PixelAt(34, 24), kRed);
  screen_.Invalidate(form, Rect{35, 25, 40, 30});  // screen (45, 35) to (50, 40), beneath the inner window
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(47, 37), kYellow);
  EXPECT_EQ(screen_.PixelAt(34, 24), kRed);  // outside that area the label keeps its pixels
  screen_.Invalidate(form);
  screen_.PaintPending();
  ExpectPixels({{34, 24, kYellow}, {36, 35, kGreen}});
}

// Top-level windows keep surfaces of their own: one in front hides another on the
// screen, but takes nothing from it, and moving it away needs no repaint.
TEST_F(ScreenTest, TopLevelWindowsStackWithoutRepaintingEachOther) {
  FillClient back_client(kGrey), front_client(kBlue);
  Shown(0, {0, 0, 100, 100}, &back_client);
  const Handle front = Shown(0, {50, 50, 150, 150}, &front_client);
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(60, 60), kBlue);
  const int back_paints = back_client.paints;
  screen_.ShowWindow(front, false);
  EXPECT_FALSE(screen_.HasPendingPaint());
  ExpectPixels({{60, 60, kGrey}, {120, 120, kDesktopColor}});
  screen_.ShowWindow(front, true);
  screen_.MoveWindow(front, {150, 100, 250, 200});
  EXPECT_FALSE(screen_.HasPendingPaint());
  ExpectPixels({{60, 60, kGrey}, {160, 110, kBlue}});
  EXPECT_EQ(back_client.paints, back_paints);
}

TEST_F(ScreenTest, DestroyingAWindowTakesItsChildrenAndUncoversTheParent) {
  ShowFormAB();
  const Handle grandchild = Shown(a_, {5, 5, 15, 15}, &a_client_);
  screen_.PaintPending();
  screen_.DestroyWindow(a_);
  EXPECT_FALSE(screen_.IsWindow(a_));
  EXPECT_FALSE(screen_.IsWindow(grandchild));
  EXPECT_EQ(screen_.Children(form_), std::vector<Handle>{b_});
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(20, 20), kGrey);

  screen_.DestroyWindow(form_);
  EXPECT_EQ(screen_.PixelAt(20, 20), kDesktopColor);
  EXPECT_FALSE(screen_.HasPendingPaint());
}

TEST_F(ScreenTest, RegionLimitsTheWindowAndItsChildren) {
  ShowFormAB();
  const Handle form = form_, child = a_, inner = Shown(a_, {0, 0, 20, 20}, &b_client_);
  screen_.PaintPending();
  ASSERT_EQ(screen_.PixelAt(10, 10), kGreen);

  // Only the left half of the child belongs to it.
  std::vector<bool> mask(20 * 20, false);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) mask[y * 20 + x] = true;
  screen_.SetWindowRegion(child, mask);
  screen_.PaintPending();
  ExpectPixels({{12, 15, kGreen}, {25, 15, kGrey}});
  EXPECT_EQ(screen_.WindowAt(25, 15), form);
  EXPECT_EQ(screen_.WindowAt(12, 15), inner);

  screen_.SetWindowRegion(child, std::nullopt);
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(25, 15), kGreen);
}

TEST_F(ScreenTest, CanvasClipsToOwnedPixelsAndThePaintedArea) {
  // A client that draws everywhere it can, shapes included.
  struct Scribbler : WindowClient {
    void Paint(Canvas& c) override {
      c.FillRect({-50, -50, 500, 500}, kBlue);
      c.Line(-10, 5, 300, 5, kYellow);
      c.Ellipse({-20, -20, 400, 400}, kRed, std::nullopt);
    }
  } scribbler;
  FillClient form_client(kGrey), sibling_client(kGreen);
  const Handle form = Shown(0, {0, 0, 100, 100}, &form_client);
  const Handle s = Shown(form, {40, 0, 60, 100}, &scribbler);
  Shown(form, {50, 50, 70, 70}, &sibling_client);
  screen_.PaintPending();
  ExpectPixels({{39, 5, kGrey}, {60, 5, kGrey}});
  EXPECT_EQ(screen_.PixelAt(55, 55), kGreen);  // the sibling above stays
  EXPECT_EQ(screen_.WindowAt(45, 55), s);

  EXPECT_EQ(screen_.PixelAt(45, 5), kYellow);
  EXPECT_EQ(screen_.PixelAt(45, 6), kBlue);  // outside the ellipse
  EXPECT_EQ(screen_.PixelAt(55, 80), kRed);
}

TEST_F(ScreenTest, UpdateWindowPaintsOneSubtreeNow) {
  ShowFormAB();
  log_.clear();
  screen_.Invalidate(a_);
  screen_.Invalidate(form_);
  screen_.UpdateWindow(a_);
  EXPECT_EQ(log_, std::vector<std::string>{"a"});
  EXPECT_TRUE(screen_.HasPendingPaint());
}

TEST_F(ScreenTest, SnapshotOffTheScreenIsBlack) {
  FillClient form_client(kGrey);
  Shown(0, {0, 0, 200, 150}, &form_client);
  screen_.PaintPending();
  const Bitmap b = screen_.Snapshot({190, 140, 210, 160});
  ASSERT_EQ(b.Width(), 20);
  EXPECT_EQ(std::vector<OleColor>({b.At(0, 0), b.At(9, 9), b.At(10, 0), b.At(0, 10), screen_.PixelAt(-1, 0)}),
            std::vector<OleColor>({kGrey, kGrey, 0, 0, 0}));
}

TEST(ScreenPaletteTest, ColoursGoThroughTheSystemPalette) {
  Screen screen(40, 40, PixelMode::kPalette8);
  ASSERT_EQ(screen.SystemPalette().size(), 256u);
  FillClient exact(kGrey), near(Rgb(250, 2, 3));
  const Handle a = screen.CreateWindow(0, {0, 0, 20, 40}, 0, &exact);
  const Handle b = screen.CreateWindow(0, {20, 0, 40, 40}, 0, &near);
  screen.ShowWindow(a, true);
  screen.ShowWindow(b, true);
  screen.PaintPending();
  const PaletteEntry& e = screen.SystemPalette()[screen.IndexAt(5, 5)];
  EXPECT_EQ(Rgb(e.red, e.green, e.blue), kGrey);
  EXPECT_EQ(screen.PixelAt(5, 5), kGrey);
  EXPECT_EQ(screen.PixelAt(25, 5), kRed);  // the nearest entry
  EXPECT_EQ(screen.Snapshot({20, 0, 21, 1}).At(0, 0), kRed);
}

// A form of a thousand controls paints once each, and hiding one repaints only
// what lies beneath it.
TEST(ScreenScaleTest, ManyControlsPaintOnceAndHideLocally) {
  Screen big(1280, 1024);
  std::vector<std::unique_ptr<FillClient>> clients;
  FillClient form_client(kGrey);
  const Handle form = big.CreateWindow(0, {0, 0, 1280, 1024}, 4, &form_client);
  std::vector<Handle> controls;
  for (int i = 0; i < 1000; ++i) {
    clients.push_back(std::make_unique<FillClient>(Rgb(static_cast<uint8_t>(i), 0, 0)));
    const int x = (i % 40) * 31, y = (i / 40) * 40;
    const Handle h = big.CreateWindow(form, {x, y, x + 30, y + 20}, 0, clients.back().get());
    big.ShowWindow(h, true);
    controls.push_back(h);
  }
  big.ShowWindow(form, true);
  big.PaintPending();
  for (const auto& c : clients) ASSERT_EQ(c->paints, 1);
  EXPECT_EQ(form_client.paints, 1);

  big.ShowWindow(controls[500], false);
  big.PaintPending();
  EXPECT_EQ(form_client.paints, 2);
  for (size_t i = 0; i < clients.size(); ++i) ASSERT_EQ(clients[i]->paints, 1) << i;
  const Rect r = big.ScreenRect(controls[500]);
  EXPECT_EQ(big.PixelAt(r.left + 5, r.top + 5), kGrey);
}

// Random trees of windows changed step by step: after a change the screen must show
// what a screen built afresh in the final state shows, pixel for pixel and owner for
// owner. A flat form of many controls finds the few a change meets through a grid of
// its children's places, kept while they only hide, show and turn transparent; stains
// painted on the form, each all that is invalidated, show through a transparent child
// only if it was found to lie there. Deep trees of overlapping windows with borders
// and regions check that hiding or showing claims again only the pixels that can
// change hands: its own tree's, or those of its parent and of the siblings below it.
enum RandomOp { kMove, kRaise, kFlipTransparent, kFlipCut, kRecolor, kStain, kReplace, kFlipVisible, kOpCount };

struct RandomCase {
  const char* name;
  unsigned seed;
  int width, height, top_children, max_depth, steps, check_every;
  bool flat;
  int weights[kOpCount];
};

class RandomScreenTest : public ::testing::TestWithParam<RandomCase> {};

INSTANTIATE_TEST_SUITE_P(
    Trees, RandomScreenTest,
    ::testing::Values(RandomCase{"ManyChildren", 7, 400, 300, 60, 1, 400, 10, true, {1, 1, 1, 0, 0, 2, 1, 4}},
                      RandomCase{"NestedWindows", 11, 240, 180, 40, 4, 300, 1, false, {1, 1, 1, 1, 1, 0, 0, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(RandomScreenTest, ShowsWhatAFreshScreenShowsAfterEveryChange) {
  const RandomCase& rc = GetParam();
  // A window: all of itself when opaque, its top half when transparent; some have a
  // region with a corner cut off. The form paints its stains over itself.
  struct Node : WindowClient {
    void Paint(Canvas& canvas) override {
      canvas.FillRect({0, 0, rect.Width(), transparent ? rect.Height() / 2 : rect.Height()}, color);
      for (const auto& [r, c] : stains) canvas.FillRect(r, c);
    }
    std::optional<std::vector<bool>> Region() const {
      if (!cut) return std::nullopt;
      std::vector<bool> mask;
      for (int y = 0; y < rect.Height(); ++y)
        for (int x = 0; x < rect.Width(); ++x) mask.push_back(x + y >= rect.Height() / 2);
      return mask;
    }
    Rect rect;
    int border = 0;
    bool visible = true, transparent = false, cut = false;
    OleColor color = 0;
    std::vector<std::pair<Rect, OleColor>> stains;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;  // bottom to top
    Handle handle = 0;
  };
  std::mt19937 random(rc.seed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  uint8_t next_color = 1;
  auto some_color = [&](uint8_t blue) {
    ++next_color;
    return Rgb(next_color, static_cast<uint8_t>(next_color * 37), blue);
  };
  auto some_rect = [&](const Rect& within) {
    if (rc.flat) {
      // Mostly small, as controls are; now and then one across many cells.
      const int x = pick(rc.width + 40) - 20, y = pick(rc.height + 40) - 20;
      const int w = pick(8) == 0 ? 100 + pick(250) : 5 + pick(40), h = pick(8) == 0 ? 80 + pick(150) : 5 + pick(30);
      return Rect{x, y, x + w, y + h};
    }
    // Now and then past the parent's client area, which clips it.
    const int x = pick(within.Width() + 10) - 5, y = pick(within.Height() + 10) - 5;
    return Rect{x, y, x + 4 + pick(std::max(1, within.Width() / 2)), y + 4 + pick(std::max(1, within.Height() / 2))};
  };
  std::function<std::unique_ptr<Node>(Node&, int)> make = [&](Node& parent, int depth) {
    auto c = std::make_unique<Node>();
    c->parent = &parent;
    c->rect = some_rect(parent.rect);
    c->border = !rc.flat && pick(3) == 0 ? 1 + pick(3) : 0;
    c->visible = rc.flat || pick(5) != 0;
    c->transparent = pick(rc.flat ? 3 : 4) == 0;
    c->cut = !rc.flat && pick(5) == 0;
    c->color = some_color(static_cast<uint8_t>(depth * 60));
    const int n = depth + 1 < rc.max_depth ? pick(5) : 0;
    for (int i = 0; i < n; ++i) c->children.push_back(make(*c, depth + 1));
    return c;
  };
  Node form;
  form.rect = {0, 0, rc.width, rc.height};
  form.border = 2;
  form.color = kGrey;
  for (int i = 0; i < rc.top_children; ++i) form.children.push_back(make(form, 0));

  // Builds a node's tree on a screen as the live one reached it: each window made,
  // set up and shown or left hidden, parents before children, bottom to top.
  std::function<void(Screen&, Handle, Node&, std::map<Handle, Node*>&, bool)> build =
      [&](Screen& s, Handle parent, Node& n, std::map<Handle, Node*>& nodes, bool live) {
        const Handle h = s.CreateWindow(parent, n.rect, n.border, &n);
        s.SetTransparent(h, n.transparent);
        s.SetWindowRegion(h, n.Region());
        s.ShowWindow(h, n.visible);
        nodes[h] = &n;
        if (live) n.handle = h;
        for (auto& c : n.children) build(s, h, *c, nodes, live);
      };
  Screen screen(rc.width, rc.height);
  std::map<Handle, Node*> live_nodes;
  build(screen, 0, form, live_nodes, true);
  screen.PaintPending();
  std::vector<Node*> all;
  std::function<void(Node&)> list = [&](Node& n) {
    for (auto& c : n.children) {
      all.push_back(c.get());
      list(*c);
    }
  };
  auto place_of = [](std::vector<std::unique_ptr<Node>>& siblings, const Node* n) {
    return std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == n; });
  };
  int total_weight = 0;
  for (int w : rc.weights) total_weight += w;

  for (int step = 0; step < rc.steps; ++step) {
    all.clear();
    list(form);
    Node& n = *all[static_cast<size_t>(pick(static_cast<int>(all.size())))];
    int op = 0;
    for (int roll = pick(total_weight); roll >= rc.weights[op]; roll -= rc.weights[op]) ++op;
    switch (op) {
      case kMove:
        n.rect = pick(2) == 0 ? n.rect.Offset(pick(21) - 10, pick(21) - 10) : some_rect(n.parent->rect);
        screen.MoveWindow(n.handle, n.rect);
        screen.SetWindowRegion(n.handle, n.Region());
        break;
      case kRaise: {
        auto at = place_of(n.parent->children, &n);
        std::rotate(at, at + 1, n.parent->children.end());
        screen.BringToTop(n.handle);
        break;
      }
      case kFlipTransparent:
        n.transparent = !n.transparent;
        screen.SetTransparent(n.handle, n.transparent);
        break;
      case kFlipCut:
        n.cut = !n.cut;
        screen.SetWindowRegion(n.handle, n.Region());
        break;
      case kRecolor:
        n.color = some_color(200);
        screen.Invalidate(n.handle);
        break;
      case kStain: {
        const Rect r = some_rect(form.rect);
        form.stains.emplace_back(r, some_color(200));
        screen.Invalidate(form.handle, r);
        break;
      }
      case kReplace:  // a top-level child goes, or a new one comes
        if (form.children.size() > 40) {
          auto at = place_of(form.children, &n);
          if (at == form.children.end()) at = form.children.begin();
          screen.DestroyWindow((*at)->handle);
          live_nodes.erase((*at)->handle);
          form.children.erase(at);
        } else {
          form.children.push_back(make(form, 0));
          build(screen, form.handle, *form.children.back(), live_nodes, true);
        }
        break;
      default: {
        // Half the time a hidden one shows, bringing back whatever waited inside it.
        std::vector<Node*> hidden;
        for (Node* h : all)
          if (!h->visible) hidden.push_back(h);
        Node& m = hidden.empty() || pick(2) == 0 ? n : *hidden[static_cast<size_t>(pick(static_cast<int>(hidden.size())))];
        m.visible = !m.visible;
        screen.ShowWindow(m.handle, m.visible);
        break;
      }
    }
    // Asked first now and then, as the message loop asks: what waits inside a hidden
    // window is set aside then, and must come back when that window shows.
    if (step % 2 == 0) screen.HasPendingPaint();
    screen.PaintPending();
    ASSERT_FALSE(screen.HasPendingPaint()) << "step " << step;
    if (step % rc.check_every != rc.check_every - 1) continue;
    Screen fresh(rc.width, rc.height);
    std::map<Handle, Node*> fresh_nodes;
    build(fresh, 0, form, fresh_nodes, false);
    fresh.PaintPending();
    for (int y = 0; y < rc.height; ++y)
      for (int x = 0; x < rc.width; ++x) {
        ASSERT_EQ(screen.PixelAt(x, y), fresh.PixelAt(x, y)) << "step " << step << " at " << x << "," << y;
        ASSERT_EQ(live_nodes[screen.WindowAt(x, y)], fresh_nodes[fresh.WindowAt(x, y)])
            << "step " << step << " at " << x << "," << y;
      }
  }
}

// The parent keeps what it knows of each child beside the child's handle: after
// raising, destroying, moving and hiding children in any order, each pixel still
// belongs to the topmost shown child over it.
TEST_F(ScreenTest, OwnershipFollowsChildrenThroughReordersRemovalsMovesAndHides) {
  FillClient form_client(kGrey), a_client(kRed), b_client(kGreen), c_client(kBlue);
  const Handle form = Shown(0, {0, 0, 120, 100}, &form_client);
  const Handle a = Shown(form, {10, 10, 50, 50}, &a_client);
  const Handle b = Shown(form, {30, 30, 70, 70}, &b_client);
  const Handle c = Shown(form, {60, 60, 100, 90}, &c_client);
  screen_.BringToTop(a);  // a, once the lowest, now over b
  EXPECT_EQ(screen_.WindowAt(40, 40), a);
  screen_.DestroyWindow(b);  // the middle entry goes; c's place shifts down
  EXPECT_EQ(screen_.WindowAt(65, 65), c);
  EXPECT_EQ(screen_.WindowAt(55, 55), form);
  screen_.MoveWindow(c, {5, 5, 25, 25});  // under a, which is topmost now
  EXPECT_EQ(screen_.WindowAt(15, 15), a);
  EXPECT_EQ(screen_.WindowAt(7, 7), c);
  EXPECT_EQ(screen_.WindowAt(80, 80), form);
  screen_.ShowWindow(a, false);
  EXPECT_EQ(screen_.WindowAt(15, 15), c);
  screen_.ShowWindow(c, false);
  EXPECT_EQ(screen_.WindowAt(15, 15), form);
  screen_.PaintPending();
  EXPECT_EQ(screen_.PixelAt(15, 15), kGrey);
}

}  // namespace
}  // namespace vitrelle::model
