// The model screen's state, shared by the window tree, the canvas and the GDI model.
// Private to hosts/model's display code: the forms host talks to Screen only.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "hosts/model/screen.h"

namespace vitrelle::model::internal {

// A bit mask over a rectangle of its own size; anything outside it is "out".
struct Mask {
  int width = 0, height = 0;
  std::vector<uint8_t> bits;
  bool At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && bits[static_cast<size_t>(y) * width + x] != 0;
  }
};

// Whether the centre of pixel (x, y) lies inside a rectangle whose corners are
// rounded by an ellipse of corner_width x corner_height. With corners as large as the
// rectangle this is the ellipse inscribed in it. Computed on doubled coordinates so the
// test is exact integer arithmetic: the same pixels on every machine, symmetric about
// both axes of the rectangle.
inline bool RoundRectContains(const Rect& r, int corner_width, int corner_height, int x, int y) {
  if (!r.Contains(x, y)) return false;
  if (corner_width < 2 || corner_height < 2) return true;
  const int64_t px = 2 * static_cast<int64_t>(x) + 1, py = 2 * static_cast<int64_t>(y) + 1;
  const int64_t left = 2 * static_cast<int64_t>(r.left) + corner_width;
  const int64_t right = 2 * static_cast<int64_t>(r.right) - corner_width;
  const int64_t top = 2 * static_cast<int64_t>(r.top) + corner_height;
  const int64_t bottom = 2 * static_cast<int64_t>(r.bottom) - corner_height;
  const int64_t dx = px < left ? left - px : (px > right ? px - right : 0);
  const int64_t dy = py < top ? top - py : (py > bottom ? py - bottom : 0);
  const int64_t a = corner_width, b = corner_height;
  return dx * dx * b * b + dy * dy * a * a <= a * a * b * b;
}

class ScreenCore;

// Pixels of one surface: 0x00BBGGRR in true colour, system palette indexes in 8-bit
// mode. Coordinates are the plane's own.
class Plane {
 public:
  Plane(const ScreenCore& core, int width, int height, OleColor fill);
  int width() const { return width_; }
  int height() const { return height_; }
  OleColor ColorAt(int x, int y) const;
  void Put(int x, int y, OleColor c);
  void PutIndex(int x, int y, uint8_t index) { index_[At(x, y)] = index; }
  uint32_t* RgbRow(int y) { return rgb_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* RgbRow(int y) const { return rgb_.data() + static_cast<size_t>(y) * width_; }
  uint8_t* IndexRow(int y) { return index_.data() + static_cast<size_t>(y) * width_; }
  const uint8_t* IndexRow(int y) const { return index_.data() + static_cast<size_t>(y) * width_; }
  bool true_color() const { return true_color_; }

 private:
  size_t At(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
  const ScreenCore* core_;
  int width_, height_;
  bool true_color_;
  std::vector<uint32_t> rgb_;
  std::vector<uint8_t> index_;
};

// What a top-level window paints into: its pixels and which window of its tree owns
// each of them, over its outer rectangle (up to kMaxSurfaceSide pixels a side: a
// window larger than that shows nothing beyond it).
inline constexpr int kMaxSurfaceSide = 8192;

struct TopSurface {
  TopSurface(const ScreenCore& core, int width, int height)
      : pixels(core, std::clamp(width, 0, kMaxSurfaceSide), std::clamp(height, 0, kMaxSurfaceSide), 0),
        owner(static_cast<size_t>(pixels.width()) * pixels.height(), 0) {}
  Plane pixels;
  std::vector<Handle> owner;
};

// What the walks over a window's children read of each child, beside `children`
// in the same order: a form of a thousand controls then costs no record lookup per
// control each time a small part of it changes.
struct ChildBox {
  Rect rect;
  bool visible = false;
  bool transparent = false;
};

// Which of a window's children may meet an area, found without passing over all of
// them: a grid of cells over the children's rectangles, each cell listing the
// children that meet it, bottom to top. A copy hides and shows one control of a
// large form and repaints a small area; without the grid each of those steps walked
// every control on the form. The grid stands while children only hide, show or turn
// transparent. A move, a new child or a new order drops it, and it is built again
// only after a few walks without such a change, so that a form loading or unloading
// its controls one at a time does not build it once for each.
class ChildGrid {
 public:
  void Drop() {
    built_ = false;
    walks_unbuilt_ = 0;
  }
  // Calls visit(i) for every child i whose box meets `area` (the parent's client
  // coordinates), from the bottom child up, and perhaps for some whose box does not.
  template <class Visit>
  void ForEach(const std::vector<ChildBox>& boxes, const Rect& area, Visit&& visit) {
    if (!built_ && (boxes.size() < kFewChildren || ++walks_unbuilt_ < kWalksBeforeBuild)) {
      for (size_t i = 0; i < boxes.size(); ++i) visit(i);
      return;
    }
    if (!built_) Build(boxes);
    const Rect in = area.Intersect(bounds_);
    if (in.Empty()) return;
    const int c0 = (in.left - bounds_.left) >> shift_, c1 = (in.right - 1 - bounds_.left) >> shift_;
    const int r0 = (in.top - bounds_.top) >> shift_, r1 = (in.bottom - 1 - bounds_.top) >> shift_;
    if (c0 == c1 && r0 == r1) {
      for (uint32_t i : cells_[static_cast<size_t>(r0) * cols_ + c0]) visit(i);
      return;
    }
    std::vector<uint32_t> found;
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        const auto& cell = cells_[static_cast<size_t>(r) * cols_ + c];
        found.insert(found.end(), cell.begin(), cell.end());
      }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (uint32_t i : found) visit(i);
  }

 private:
  static constexpr size_t kFewChildren = 32;
  static constexpr int kWalksBeforeBuild = 4;
  static constexpr int kMaxCells = 4096;
  void Build(const std::vector<ChildBox>& boxes);

  bool built_ = false;
  int walks_unbuilt_ = 0;
  Rect bounds_;
  int shift_ = 6;  // cells of 64 pixels a side, or larger on a very large window
  int cols_ = 0;
  std::vector<std::vector<uint32_t>> cells_;
};

struct WindowRecord {
  Handle handle = 0;
  Handle parent = 0;
  Rect rect;  // in the parent's client coordinates
  int border = 0;
  WindowClient* client = nullptr;
  bool visible = false;
  std::vector<Handle> children;  // bottom to top
  using ChildBox = internal::ChildBox;
  std::vector<ChildBox> child_boxes;
  mutable ChildGrid child_grid;  // over child_boxes; walks that only read still build it
  std::optional<Mask> region;    // window coordinates
  Handle region_object = 0;      // the GDI region the window owns, if it came from one
  Rect invalid;                  // window coordinates
  std::optional<OleColor> erase = Rgb(255, 255, 255);
  bool transparent = false;      // shows its parent's painting beneath it
  bool waits_apart = false;      // its invalid area waits in hidden_invalid_
  std::unique_ptr<TopSurface> surface;  // top-level windows only
};

class ScreenCore {
 public:
  ScreenCore(int width, int height, PixelMode mode);

  int width() const { return width_; }
  int height() const { return height_; }
  PixelMode mode() const { return mode_; }
  Rect Bounds() const { return {0, 0, width_, height_}; }

  // One handle space for windows and GDI objects, so a handle of one kind is never
  // mistaken for another.
  Handle NewHandle() { return next_handle_ += kHandleStep; }

  // ---- window tree
  WindowRecord* Find(Handle window);
  const WindowRecord* Find(Handle window) const;
  Handle CreateWindow(Handle parent, const Rect& rect, int border, WindowClient* client);
  void DestroyWindow(Handle window);
  void MoveWindow(Handle window, const Rect& rect);
  void ShowWindow(Handle window, bool visible);
  void BringToTop(Handle window);
  // Replaces the window's region (freeing a GDI region it owned) and redraws it.
  void SetRegion(Handle window, std::optional<Mask> mask, Handle region_object);
  void SetEraseColor(Handle window, std::optional<OleColor> color);
  void SetTransparent(Handle window, bool transparent);
  const std::vector<Handle>& TopLevel() const { return top_level_; }
  bool IsWindowVisible(Handle window) const;
  Rect ScreenRectOf(const WindowRecord& w) const;
  Rect ClientScreenRectOf(const WindowRecord& w) const;
  // The top-level window a window belongs to (itself for a top-level one).
  WindowRecord& TopOf(Handle window);

  // ---- invalidation and painting
  // Marks the area (window coordinates; all of it when none) and what transparent
  // children show of it.
  void Invalidate(Handle window, std::optional<Rect> area);
  bool HasPendingPaint();
  // Windows in paint order (parents before children, siblings bottom to top), visible
  // ones only, starting at `root` (0: every top-level window).
  std::vector<Handle> PaintOrder(Handle root) const;
  // The visible windows that wait for a paint, in paint order.
  std::vector<Handle> PendingPaintOrder() const;
  // Takes the window's invalid area for painting: its screen rectangle, clipped to the
  // window. Empty when there is nothing to paint.
  Rect TakeInvalid(Handle window);

  // ---- pixels
  // The screen as it shows: the top-level surfaces stacked, the desktop between them.
  const Plane& screen() const { return screen_; }
  Plane& screen() { return screen_; }
  Handle TopAt(int x, int y) const { return top_owner_[static_cast<size_t>(y) * width_ + x]; }
  // The screen area a top-level window's surface covers.
  static Rect SurfaceRect(const WindowRecord& top) {
    return {top.rect.left, top.rect.top, top.rect.left + top.surface->pixels.width(),
            top.rect.top + top.surface->pixels.height()};
  }
  // Which window of its tree owns a screen pixel of a top-level surface (0 outside it).
  static Handle OwnerIn(const WindowRecord& top, int x, int y) {
    const int lx = x - top.rect.left, ly = y - top.rect.top;
    const TopSurface& s = *top.surface;
    if (lx < 0 || ly < 0 || lx >= s.pixels.width() || ly >= s.pixels.height()) return 0;
    return s.owner[static_cast<size_t>(ly) * s.pixels.width() + lx];
  }
  // Writes a pixel of a top-level surface (screen coordinates, inside the surface) and
  // the screen, where that surface shows.
  void PutThrough(WindowRecord& top, int x, int y, OleColor c) {
    top.surface->pixels.Put(x - top.rect.left, y - top.rect.top, c);
    if (Bounds().Contains(x, y) && TopAt(x, y) == top.handle) screen_.Put(x, y, c);
  }
  // The same for a run of row y from x0 to x1 (screen coordinates, inside the
  // surface), writing only the pixels `owner` owns (every pixel when 0), each the
  // colour `color(x)` gives. Painting goes through here a row at a time: a call per
  // pixel cost more than the pixels themselves.
  template <class ColorAt>
  void PutRowThrough(WindowRecord& top, int y, int x0, int x1, Handle owner, ColorAt color) {
    TopSurface& s = *top.surface;
    const int ly = y - top.rect.top, dx = top.rect.left;
    const Handle* owners = s.owner.data() + static_cast<size_t>(ly) * s.pixels.width();
    const bool on_screen = y >= 0 && y < height_;
    const Handle* shows = on_screen ? top_owner_.data() + static_cast<size_t>(y) * width_ : nullptr;
    const int screen_x0 = std::max(x0, 0), screen_x1 = std::min(x1, width_);
    if (s.pixels.true_color()) {
      uint32_t* row = s.pixels.RgbRow(ly);
      uint32_t* screen_row = on_screen ? screen_.RgbRow(y) : nullptr;
      for (int x = x0; x < x1; ++x) {
        if (owner != 0 && owners[x - dx] != owner) continue;
        const uint32_t c = color(x) & 0xFFFFFFu;
        row[x - dx] = c;
        if (on_screen && x >= screen_x0 && x < screen_x1 && shows[x] == top.handle) screen_row[x] = c;
      }
      return;
    }
    uint8_t* row = s.pixels.IndexRow(ly);
    uint8_t* screen_row = on_screen ? screen_.IndexRow(y) : nullptr;
    for (int x = x0; x < x1; ++x) {
      if (owner != 0 && owners[x - dx] != owner) continue;
      const uint8_t index = NearestIndex(color(x));
      row[x - dx] = index;
      if (on_screen && x >= screen_x0 && x < screen_x1 && shows[x] == top.handle) screen_row[x] = index;
    }
  }
  // PutRowThrough of one colour over every pixel of the run: the erase of what a
  // window gains, a plain fill of the surface's row.
  void FillRowThrough(WindowRecord& top, int y, int x0, int x1, OleColor color) {
    if (!top.surface->pixels.true_color()) {
      PutRowThrough(top, y, x0, x1, 0, [color](int) { return color; });
      return;
    }
    const uint32_t c = color & 0xFFFFFFu;
    uint32_t* row = top.surface->pixels.RgbRow(y - top.rect.top);
    std::fill(row + (x0 - top.rect.left), row + (x1 - top.rect.left), c);
    if (y < 0 || y >= height_) return;
    const Handle* shows = top_owner_.data() + static_cast<size_t>(y) * width_;
    uint32_t* screen_row = screen_.RgbRow(y);
    for (int x = std::max(x0, 0), end = std::min(x1, width_); x < end; ++x)
      if (shows[x] == top.handle) screen_row[x] = c;
  }
  void PutIndexThrough(WindowRecord& top, int x, int y, uint8_t index) {
    top.surface->pixels.PutIndex(x - top.rect.left, y - top.rect.top, index);
    if (Bounds().Contains(x, y) && TopAt(x, y) == top.handle) screen_.PutIndex(x, y, index);
  }

  // ---- palette
  const std::vector<PaletteEntry>& Palette() const { return palette_; }
  OleColor PaletteColor(uint8_t index) const { return palette_rgb_[index]; }
  uint8_t NearestIndex(OleColor c) const;

  // Set by the GDI model: frees a region object a window gave up.
  std::function<void(Handle)> free_region_object;

 private:
  std::vector<Handle>& SiblingsOf(const WindowRecord& w);
  // Copies a child's rectangle, visibility and transparency into its parent's boxes.
  void SyncBox(const WindowRecord& w);
  void Collect(Handle window, std::vector<Handle>& out) const;
  void InvalidateSubtree(Handle window);
  // Recomputes which window of a top-level tree owns each pixel of `area` (screen
  // coordinates) and invalidates and erases what each window gained there.
  void UpdateTree(WindowRecord& top, const Rect& area);
  // The same after a child window was shown or hidden, over its rectangle.
  void UpdateVisibility(const WindowRecord& w);
  // Gives each pixel of scratch_area_ to the window its sequence number in seq_
  // names, erasing and invalidating what each window gains; pixels numbered below
  // `kept_below` keep their owner.
  void ApplyClaims(WindowRecord& top, uint32_t kept_below);
  // Recomputes which top-level surface shows at each screen pixel of `area` and
  // shows it there.
  void UpdateScreen(const Rect& area);
  void Claim(const WindowRecord& w, const Rect& clip, uint32_t parent_seq, int origin_x, int origin_y);
  void AttachSurface(WindowRecord& top);

  int width_, height_;
  PixelMode mode_;
  static constexpr Handle kFirstHandle = 0x10000;
  static constexpr Handle kHandleStep = 4;
  Handle next_handle_ = kFirstHandle;
  // Each window's record by its handle's place in the sequence (null for handles
  // of GDI objects and of windows that are gone); the records live in windows_,
  // whose nodes never move.
  std::vector<WindowRecord*> by_slot_;
  void SetSlot(Handle window, WindowRecord* record);
  std::vector<PaletteEntry> palette_;
  std::vector<OleColor> palette_rgb_;
  mutable std::unordered_map<OleColor, uint8_t> nearest_;
  Plane screen_;
  std::vector<Handle> top_owner_;
  std::unordered_map<Handle, WindowRecord> windows_;
  // The windows whose invalid area is not empty: asking whether anything waits for
  // a paint must not cost a look at every window of every form.
  // By top-level window: the windows of a form that is not shown are passed over
  // at once.
  std::unordered_map<Handle, std::unordered_set<Handle>> invalid_windows_;
  // Windows hidden by their own flag keep their invalid area until shown again, but
  // wait apart: a form holds many hidden parts that were invalidated once, and the
  // question above is asked at every turn of the message loop. So do those found
  // waiting inside a hidden window (the top-level window aside, whose own flag the
  // question reads first); showing that window brings them back.
  std::unordered_set<Handle> hidden_invalid_;
  void MarkWaiting(WindowRecord& w);
  void ForgetInvalid(Handle window);
  // Whether the window and every ancestor below its top-level window are shown.
  bool ShownBelowTop(const WindowRecord& w) const;
  void ReturnWaitingInside(const WindowRecord& shown);
  std::vector<Handle> top_level_;

  // Scratch space of UpdateTree, kept to spare an allocation per change.
  Rect scratch_area_;
  std::vector<uint32_t> seq_;
  std::vector<Handle> by_seq_;
};

}  // namespace vitrelle::model::internal
