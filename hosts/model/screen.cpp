#include "hosts/model/screen.h"

#include <algorithm>
#include <cstring>

#include "hosts/model/canvas_internal.h"
#include "hosts/model/gdi_model.h"
#include "hosts/model/screen_internal.h"

namespace vitrelle::model {

Rect Rect::Intersect(const Rect& o) const {
  Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  return r.Empty() ? Rect{} : r;
}

Rect Rect::Union(const Rect& o) const {
  if (Empty()) return o.Empty() ? Rect{} : o;
  if (o.Empty()) return *this;
  return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
}

Bitmap::Bitmap(int width, int height, OleColor fill)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      pixels_(static_cast<size_t>(width_) * height_, fill) {}

Bitmap Bitmap::Scaled(int width, int height) const {
  Bitmap out(width, height);
  if (width_ == 0 || height_ == 0) return out;
  for (int y = 0; y < out.height_; ++y) {
    const int sy = static_cast<int>(static_cast<int64_t>(y) * height_ / out.height_);
    for (int x = 0; x < out.width_; ++x) out.Set(x, y, At(static_cast<int>(static_cast<int64_t>(x) * width_ / out.width_), sy));
  }
  return out;
}

namespace internal {

namespace {

// The display's fixed system palette: the twenty static colours of the platform at
// both ends, a 6x6x6 colour cube and a ramp of greys between them.
std::vector<PaletteEntry> SystemPaletteEntries() {
  static constexpr uint8_t kLow[10][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                          {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                                          {192, 220, 192}, {166, 202, 240}};
  static constexpr uint8_t kHigh[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                           {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                           {0, 255, 255},   {255, 255, 255}};
  std::vector<PaletteEntry> p;
  p.reserve(256);
  for (const auto& c : kLow) p.push_back({c[0], c[1], c[2], 0});
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.push_back({static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51), 0});
  for (int i = 1; i <= 20; ++i) {
    const auto v = static_cast<uint8_t>(i * 12);
    p.push_back({v, v, v, 0});
  }
  for (const auto& c : kHigh) p.push_back({c[0], c[1], c[2], 0});
  return p;
}

std::vector<OleColor> MakePaletteColors(const std::vector<PaletteEntry>& palette) {
  std::vector<OleColor> colors;
  for (const PaletteEntry& e : palette) colors.push_back(Rgb(e.red, e.green, e.blue));
  return colors;
}

}  // namespace

Plane::Plane(const ScreenCore& core, int width, int height, OleColor fill)
    : core_(&core),
      width_(std::max(0, width)),
      height_(std::max(0, height)),
      true_color_(core.mode() == PixelMode::kTrueColor) {
  const size_t n = static_cast<size_t>(width_) * height_;
  if (true_color_)
    rgb_.assign(n, fill);
  else
    index_.assign(n, core.NearestIndex(fill));
}

OleColor Plane::ColorAt(int x, int y) const {
  return true_color_ ? rgb_[At(x, y)] : core_->PaletteColor(index_[At(x, y)]);
}

void Plane::Put(int x, int y, OleColor c) {
  if (true_color_)
    rgb_[At(x, y)] = c & 0xFFFFFFu;
  else
    index_[At(x, y)] = core_->NearestIndex(c);
}

ScreenCore::ScreenCore(int width, int height, PixelMode mode)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      mode_(mode),
      palette_(SystemPaletteEntries()),
      palette_rgb_(MakePaletteColors(palette_)),
      screen_(*this, width_, height_, kDesktopColor),
      top_owner_(static_cast<size_t>(width_) * height_, 0) {}

uint8_t ScreenCore::NearestIndex(OleColor c) const {
  c &= 0xFFFFFFu;
  if (auto it = nearest_.find(c); it != nearest_.end()) return it->second;
  int best = 0;
  long best_distance = LONG_MAX;
  for (int i = 0; i < 256; ++i) {
    const long dr = static_cast<long>(RedOf(c)) - palette_[i].red;
    const long dg = static_cast<long>(GreenOf(c)) - palette_[i].green;
    const long db = static_cast<long>(BlueOf(c)) - palette_[i].blue;
    const long d = dr * dr + dg * dg + db * db;
    if (d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  nearest_.emplace(c, static_cast<uint8_t>(best));
  return static_cast<uint8_t>(best);
}

WindowRecord* ScreenCore::Find(Handle window) {
  return const_cast<WindowRecord*>(std::as_const(*this).Find(window));
}

const WindowRecord* ScreenCore::Find(Handle window) const {
  // Every paint and every change of the window tree looks windows up many times:
  // handles are dealt out in steps from one start, so the slot table finds one
  // without hashing.
  if (window <= kFirstHandle || (window - kFirstHandle) % kHandleStep != 0) return nullptr;
  const size_t slot = static_cast<size_t>((window - kFirstHandle) / kHandleStep - 1);
  return slot < by_slot_.size() ? by_slot_[slot] : nullptr;
}

void ScreenCore::SetSlot(Handle window, WindowRecord* record) {
  const size_t slot = static_cast<size_t>((window - kFirstHandle) / kHandleStep - 1);
  if (slot >= by_slot_.size()) by_slot_.resize(slot + 1, nullptr);
  by_slot_[slot] = record;
}

std::vector<Handle>& ScreenCore::SiblingsOf(const WindowRecord& w) {
  return w.parent == 0 ? top_level_ : Find(w.parent)->children;
}

WindowRecord& ScreenCore::TopOf(Handle window) {
  WindowRecord* w = Find(window);
  while (w->parent != 0) w = Find(w->parent);
  return *w;
}

Rect ScreenCore::ScreenRectOf(const WindowRecord& w) const {
  int x = 0, y = 0;
  for (const WindowRecord* p = Find(w.parent); p != nullptr; p = Find(p->parent)) {
    x += p->rect.left + p->border;
    y += p->rect.top + p->border;
  }
  return w.rect.Offset(x, y);
}

Rect ScreenCore::ClientScreenRectOf(const WindowRecord& w) const {
  const Rect r = ScreenRectOf(w);
  return {r.left + w.border, r.top + w.border, r.right - w.border, r.bottom - w.border};
}

bool ScreenCore::IsWindowVisible(Handle window) const {
  const WindowRecord* w = Find(window);
  if (w == nullptr) return false;
  for (; w != nullptr; w = Find(w->parent))
    if (!w->visible) return false;
  return true;
}

void ScreenCore::AttachSurface(WindowRecord& top) {
  top.surface = std::make_unique<TopSurface>(*this, std::max(0, top.rect.Width()), std::max(0, top.rect.Height()));
  UpdateTree(top, top.rect);
}

Handle ScreenCore::CreateWindow(Handle parent, const Rect& rect, int border, WindowClient* client) {
  if (parent != 0 && Find(parent) == nullptr) return 0;
  const Handle h = NewHandle();
  WindowRecord& w = windows_[h];
  SetSlot(h, &w);
  w.handle = h;
  w.parent = parent;
  w.rect = rect;
  w.border = std::max(0, border);
  w.client = client;
  SiblingsOf(w).push_back(h);
  if (parent != 0) {
    WindowRecord& p = *Find(parent);
    p.child_boxes.push_back({rect, false, false});
    p.child_grid.Drop();
  }
  if (parent == 0) AttachSurface(w);
  return h;
}

void ScreenCore::SyncBox(const WindowRecord& w) {
  if (w.parent == 0) return;
  WindowRecord& parent = *Find(w.parent);
  const auto at = std::find(parent.children.begin(), parent.children.end(), w.handle);
  ChildBox& box = parent.child_boxes[static_cast<size_t>(at - parent.children.begin())];
  if (box.rect != w.rect) parent.child_grid.Drop();
  box = {w.rect, w.visible, w.transparent};
}

void ChildGrid::Build(const std::vector<ChildBox>& boxes) {
  bounds_ = {};
  for (const ChildBox& b : boxes) bounds_ = bounds_.Union(b.rect);
  shift_ = 6;
  auto count = [&](int side) { return (int64_t{side} + (int64_t{1} << shift_) - 1) >> shift_; };
  while (count(bounds_.Width()) * count(bounds_.Height()) > kMaxCells) ++shift_;
  cols_ = static_cast<int>(std::max<int64_t>(1, count(bounds_.Width())));
  const int rows = static_cast<int>(std::max<int64_t>(1, count(bounds_.Height())));
  cells_.assign(static_cast<size_t>(cols_) * rows, {});
  for (size_t i = 0; i < boxes.size(); ++i) {
    const Rect in = boxes[i].rect.Intersect(bounds_);
    if (in.Empty()) continue;
    for (int r = (in.top - bounds_.top) >> shift_; r <= (in.bottom - 1 - bounds_.top) >> shift_; ++r)
      for (int c = (in.left - bounds_.left) >> shift_; c <= (in.right - 1 - bounds_.left) >> shift_; ++c)
        cells_[static_cast<size_t>(r) * cols_ + c].push_back(static_cast<uint32_t>(i));
  }
  built_ = true;
}

void ScreenCore::Collect(Handle window, std::vector<Handle>& out) const {
  out.push_back(window);
  for (Handle c : Find(window)->children) Collect(c, out);
}

void ScreenCore::DestroyWindow(Handle window) {
  WindowRecord* w = Find(window);
  if (w == nullptr) return;
  const Rect area = ScreenRectOf(*w);
  const Handle parent = w->parent;
  auto& siblings = SiblingsOf(*w);
  const auto at = std::find(siblings.begin(), siblings.end(), window);
  if (parent != 0) {
    WindowRecord& p = *Find(parent);
    p.child_boxes.erase(p.child_boxes.begin() + (at - siblings.begin()));
    p.child_grid.Drop();
  }
  siblings.erase(at);
  std::vector<Handle> doomed;
  Collect(window, doomed);
  // While every record of the tree is still there to find its top-level window.
  for (Handle h : doomed) ForgetInvalid(h);
  for (Handle h : doomed) {
    const Handle region = Find(h)->region_object;
    if (region != 0 && free_region_object) free_region_object(region);
    SetSlot(h, nullptr);
    windows_.erase(h);
  }
  if (parent == 0)
    UpdateScreen(area);
  else
    UpdateTree(TopOf(parent), area);
}

void ScreenCore::InvalidateSubtree(Handle window) {
  std::vector<Handle> all;
  Collect(window, all);
  for (Handle h : all) Invalidate(h, std::nullopt);
}

void ScreenCore::MoveWindow(Handle window, const Rect& rect) {
  WindowRecord* w = Find(window);
  if (w == nullptr || w->rect == rect) return;
  const Rect before = ScreenRectOf(*w);
  const bool resized = rect.Width() != w->rect.Width() || rect.Height() != w->rect.Height();
  w->rect = rect;
  SyncBox(*w);
  if (w->parent == 0) {
    // A top-level window takes its surface along; only a new size needs new pixels.
    if (resized) {
      AttachSurface(*w);
      InvalidateSubtree(window);
    }
    UpdateScreen(before.Union(rect));
    return;
  }
  UpdateTree(TopOf(window), before.Union(ScreenRectOf(*w)));
  // What the window and its children show moved with them, so all of it is redrawn.
  InvalidateSubtree(window);
}

void ScreenCore::ShowWindow(Handle window, bool visible) {
  WindowRecord* w = Find(window);
  if (w == nullptr || w->visible == visible) return;
  if (!w->invalid.Empty()) {
    ForgetInvalid(window);
    w->visible = visible;
    MarkWaiting(*w);
  }
  w->visible = visible;
  SyncBox(*w);
  if (w->parent == 0) {
    UpdateScreen(w->rect);
    return;
  }
  if (visible) ReturnWaitingInside(*w);
  UpdateVisibility(*w);
}

void ScreenCore::BringToTop(Handle window) {
  WindowRecord* w = Find(window);
  if (w == nullptr) return;
  auto& siblings = SiblingsOf(*w);
  auto it = std::find(siblings.begin(), siblings.end(), window);
  if (it + 1 == siblings.end()) return;
  if (w->parent != 0) {
    WindowRecord& p = *Find(w->parent);
    const auto box = p.child_boxes.begin() + (it - siblings.begin());
    std::rotate(box, box + 1, p.child_boxes.end());
    p.child_grid.Drop();
  }
  siblings.erase(it);
  siblings.push_back(window);
  if (w->parent == 0)
    UpdateScreen(w->rect);
  else
    UpdateTree(TopOf(window), ScreenRectOf(*w));
}

void ScreenCore::SetRegion(Handle window, std::optional<Mask> mask, Handle region_object) {
  WindowRecord* w = Find(window);
  if (w == nullptr) return;
  if (w->region_object != 0 && w->region_object != region_object && free_region_object)
    free_region_object(w->region_object);
  w->region = std::move(mask);
  w->region_object = region_object;
  UpdateTree(TopOf(window), ScreenRectOf(*w));
  if (w->parent == 0) UpdateScreen(w->rect);
  Invalidate(window, std::nullopt);
}

void ScreenCore::SetEraseColor(Handle window, std::optional<OleColor> color) {
  if (WindowRecord* w = Find(window)) w->erase = color;
}

void ScreenCore::SetTransparent(Handle window, bool transparent) {
  WindowRecord* w = Find(window);
  if (w == nullptr || w->transparent == transparent) return;
  w->transparent = transparent;
  SyncBox(*w);
  Invalidate(window, std::nullopt);
}

void ScreenCore::Invalidate(Handle window, std::optional<Rect> area) {
  WindowRecord* w = Find(window);
  if (w == nullptr) return;
  const Rect whole{0, 0, w->rect.Width(), w->rect.Height()};
  const Rect marked = area ? area->Intersect(whole) : whole;
  if (marked.Empty()) return;
  w->invalid = w->invalid.Union(marked);
  MarkWaiting(*w);
  // In the client's coordinates, where the children's boxes are.
  const Rect in_client = marked.Offset(-w->border, -w->border);
  w->child_grid.ForEach(w->child_boxes, in_client, [&](size_t i) {
    const WindowRecord::ChildBox& child = w->child_boxes[i];
    if (!child.transparent) return;
    const Rect beneath = in_client.Offset(-child.rect.left, -child.rect.top);
    if (!beneath.Intersect({0, 0, child.rect.Width(), child.rect.Height()}).Empty())
      Invalidate(w->children[i], beneath);
  });
}

bool ScreenCore::HasPendingPaint() {
  bool pending = false;
  std::vector<Handle> unseen;
  for (auto& [top, waiting] : invalid_windows_) {
    if (!Find(top)->visible) continue;
    for (Handle h : waiting) {
      if (IsWindowVisible(h)) {
        pending = true;
        break;
      }
      // Shown itself, but inside a window that is hidden (a frame holds its
      // controls so while it takes its copy): it waits apart from now on, rather
      // than being walked up to the form again at every turn of the message loop.
      unseen.push_back(h);
    }
    if (pending) break;
  }
  for (Handle h : unseen) {
    WindowRecord& w = *Find(h);
    ForgetInvalid(h);
    hidden_invalid_.insert(h);
    w.waits_apart = true;
  }
  return pending;
}

bool ScreenCore::ShownBelowTop(const WindowRecord& w) const {
  for (const WindowRecord* p = &w; p->parent != 0; p = Find(p->parent))
    if (!p->visible) return false;
  return true;
}

void ScreenCore::MarkWaiting(WindowRecord& w) {
  if (w.waits_apart) return;
  if (w.visible) {
    invalid_windows_[TopOf(w.handle).handle].insert(w.handle);
  } else {
    hidden_invalid_.insert(w.handle);
    w.waits_apart = true;
  }
}

void ScreenCore::ReturnWaitingInside(const WindowRecord& shown) {
  if (!ShownBelowTop(shown)) return;
  std::vector<Handle> stack(shown.children.begin(), shown.children.end());
  while (!stack.empty()) {
    WindowRecord& w = *Find(stack.back());
    stack.pop_back();
    if (!w.visible) continue;
    if (w.waits_apart) {
      ForgetInvalid(w.handle);
      MarkWaiting(w);
    }
    stack.insert(stack.end(), w.children.begin(), w.children.end());
  }
}

void ScreenCore::ForgetInvalid(Handle window) {
  WindowRecord* w = Find(window);
  if (w == nullptr || w->invalid.Empty()) return;
  if (w->waits_apart) {
    hidden_invalid_.erase(window);
    w->waits_apart = false;
    return;
  }
  const Handle top = TopOf(window).handle;
  auto it = invalid_windows_.find(top);
  if (it == invalid_windows_.end()) return;
  it->second.erase(window);
  if (it->second.empty()) invalid_windows_.erase(it);
}

std::vector<Handle> ScreenCore::PaintOrder(Handle root) const {
  std::vector<Handle> out;
  std::vector<Handle> stack;
  auto push_children = [&](const std::vector<Handle>& children) {
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
  };
  if (root == 0) {
    push_children(top_level_);
  } else if (IsWindowVisible(root)) {
    stack.push_back(root);
  }
  while (!stack.empty()) {
    const Handle h = stack.back();
    stack.pop_back();
    const WindowRecord* w = Find(h);
    if (!w->visible) continue;
    out.push_back(h);
    push_children(w->children);
  }
  return out;
}

std::vector<Handle> ScreenCore::PendingPaintOrder() const {
  // Most passes have a few windows to paint among many: sorting those few by their
  // place in the tree costs far less than walking the tree. When many wait, the
  // walk is cheaper.
  size_t waiting = 0;
  for (const auto& [top, set] : invalid_windows_) waiting += set.size();
  if (waiting * 8 > windows_.size()) return PaintOrder(0);
  std::vector<std::pair<std::vector<size_t>, Handle>> keyed;
  for (const auto& [top, set] : invalid_windows_) {
   if (!Find(top)->visible) continue;
   for (Handle h : set) {
    if (!IsWindowVisible(h)) continue;
    std::vector<size_t> path;
    for (const WindowRecord* w = Find(h); w != nullptr; w = Find(w->parent)) {
      const std::vector<Handle>& siblings = w->parent == 0 ? top_level_ : Find(w->parent)->children;
      path.push_back(static_cast<size_t>(std::find(siblings.begin(), siblings.end(), w->handle) - siblings.begin()));
    }
    std::reverse(path.begin(), path.end());
    keyed.emplace_back(std::move(path), h);
   }
  }
  // A parent's path is a prefix of its children's, so it sorts first; siblings sort
  // bottom to top: the order PaintOrder gives.
  std::sort(keyed.begin(), keyed.end());
  std::vector<Handle> out;
  out.reserve(keyed.size());
  for (auto& [path, h] : keyed) out.push_back(h);
  return out;
}

Rect ScreenCore::TakeInvalid(Handle window) {
  WindowRecord* w = Find(window);
  if (w == nullptr) return {};
  ForgetInvalid(window);
  const Rect invalid = w->invalid;
  w->invalid = {};
  const Rect sr = ScreenRectOf(*w);
  return invalid.Offset(sr.left, sr.top).Intersect(sr);
}

void ScreenCore::UpdateTree(WindowRecord& top, const Rect& requested) {
  const Rect area = requested.Intersect(SurfaceRect(top));
  if (area.Empty()) return;
  scratch_area_ = area;
  seq_.assign(static_cast<size_t>(area.Width()) * area.Height(), 0);
  by_seq_.assign(1, 0);
  // The top-level window holds its surface whether or not it is shown.
  const bool shown = top.visible;
  top.visible = true;
  Claim(top, area, 0, 0, 0);
  top.visible = shown;
  ApplyClaims(top, 0);
}

// Hiding or showing a child moves pixels only between its tree and what lies
// beneath it, its parent and the siblings below it: a sibling above it, or anything
// painted after its parent, holds what it holds either way. So only those pixels
// are claimed again, and only by the windows that can take them; claiming the
// whole tree there again, as UpdateTree does, made each copy of a control deep in
// nested frames pay once more for every frame around it. The outcome is the same
// as UpdateTree's over the window's rectangle.
void ScreenCore::UpdateVisibility(const WindowRecord& w) {
  WindowRecord& top = TopOf(w.handle);
  const WindowRecord& parent = *Find(w.parent);
  const Rect client = ClientScreenRectOf(parent);
  const Rect area = ScreenRectOf(w).Intersect(client).Intersect(SurfaceRect(top));
  if (area.Empty()) return;
  const std::vector<Handle>& siblings = parent.children;
  const size_t place = static_cast<size_t>(std::find(siblings.begin(), siblings.end(), w.handle) - siblings.begin());
  // Whether the owner of a pixel is one whose pixels may change hands: when hiding,
  // the window's own tree; when showing, the parent and the trees below the window.
  auto movable = [&](Handle owner) {
    if (owner == 0) return false;
    if (owner == parent.handle) return w.visible;
    const WindowRecord* a = Find(owner);
    while (a != nullptr && a->parent != parent.handle) a = Find(a->parent);
    if (a == nullptr) return false;
    if (!w.visible) return a->handle == w.handle;
    return static_cast<size_t>(std::find(siblings.begin(), siblings.end(), a->handle) - siblings.begin()) < place;
  };
  // Sequence 1 marks the movable pixels, as the parent's own; 0 leaves a pixel as it is.
  scratch_area_ = area;
  seq_.assign(static_cast<size_t>(area.Width()) * area.Height(), 0);
  by_seq_.assign({0, parent.handle});
  const TopSurface& surface = *top.surface;
  Handle last = 0;
  bool last_movable = false;
  bool any = false;
  for (int y = area.top; y < area.bottom; ++y) {
    uint32_t* seq_row = seq_.data() + static_cast<size_t>(y - area.top) * area.Width() - area.left;
    const Handle* owner_row =
        surface.owner.data() + static_cast<size_t>(y - top.rect.top) * surface.pixels.width() - top.rect.left;
    // By runs of one owner: a control's row of pixels is one run.
    for (int x = area.left; x < area.right;) {
      const Handle owner = owner_row[x];
      const int run = x;
      while (x < area.right && owner_row[x] == owner) ++x;
      if (owner != last) {
        last = owner;
        last_movable = movable(owner);
      }
      if (last_movable) {
        std::fill(seq_row + run, seq_row + x, 1u);
        any = true;
      }
    }
  }
  if (!any) return;
  const Rect in_client = area.Offset(-client.left, -client.top);
  if (w.visible) {
    // What was beneath keeps the pixels that the window's tree does not take.
    Claim(w, area, 1, client.left, client.top);
    ApplyClaims(top, 2);
    return;
  }
  parent.child_grid.ForEach(parent.child_boxes, in_client, [&](size_t i) {
    const ChildBox& child = parent.child_boxes[i];
    if (i >= place || !child.visible || child.rect.Intersect(in_client).Empty()) return;
    Claim(*Find(siblings[i]), area, 1, client.left, client.top);
  });
  ApplyClaims(top, 1);
}

void ScreenCore::ApplyClaims(WindowRecord& top, uint32_t kept_below) {
  const Rect area = scratch_area_;
  // Bounding box of the pixels each window gained, by sequence number.
  struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  };
  std::vector<Box> gained(by_seq_.size());
  std::vector<std::optional<OleColor>> erase(by_seq_.size());
  for (size_t s = 1; s < by_seq_.size(); ++s) erase[s] = Find(by_seq_[s])->erase;
  TopSurface& surface = *top.surface;
  const int surface_width = surface.pixels.width();
  for (int y = area.top; y < area.bottom; ++y) {
    const uint32_t* seq_row = seq_.data() + static_cast<size_t>(y - area.top) * area.Width();
    Handle* owner_row = surface.owner.data() + static_cast<size_t>(y - top.rect.top) * surface_width;
    int x = area.left;
    while (x < area.right) {
      const uint32_t s = seq_row[x - area.left];
      if (s < kept_below) {
        while (x < area.right && seq_row[x - area.left] < kept_below) ++x;
        continue;
      }
      const Handle now = by_seq_[s];
      Handle& owner = owner_row[x - top.rect.left];
      if (owner == now || now == 0) {
        owner = now;
        ++x;
        continue;
      }
      // A run of pixels that one window gains: erased in one row write.
      const int run = x;
      for (; x < area.right && seq_row[x - area.left] == s && owner_row[x - top.rect.left] != now; ++x)
        owner_row[x - top.rect.left] = now;
      if (erase[s]) FillRowThrough(top, y, run, x, *erase[s]);
      Box& b = gained[s];
      b.left = std::min(b.left, run);
      b.top = std::min(b.top, y);
      b.right = std::max(b.right, x);
      b.bottom = std::max(b.bottom, y + 1);
    }
  }
  for (size_t s = 1; s < gained.size(); ++s) {
    const Box& b = gained[s];
    if (b.left > b.right) continue;
    const WindowRecord& w = *Find(by_seq_[s]);
    const Rect sr = ScreenRectOf(w);
    Invalidate(w.handle, Rect{b.left, b.top, b.right, b.bottom}.Offset(-sr.left, -sr.top));
  }
}

void ScreenCore::UpdateScreen(const Rect& requested) {
  const Rect area = requested.Intersect(Bounds());
  if (area.Empty()) return;
  for (int y = area.top; y < area.bottom; ++y)
    std::fill_n(top_owner_.begin() + static_cast<ptrdiff_t>(y) * width_ + area.left, area.Width(), Handle{0});
  for (Handle h : top_level_) {
    const WindowRecord& t = *Find(h);
    if (!t.visible) continue;
    const Rect box = SurfaceRect(t).Intersect(area);
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x)
        if (!t.region || t.region->At(x - t.rect.left, y - t.rect.top))
          top_owner_[static_cast<size_t>(y) * width_ + x] = h;
  }
  const uint8_t desktop_index = NearestIndex(kDesktopColor);
  // A run of one surface at a time: showing a form is a copy of its rows.
  for (int y = area.top; y < area.bottom; ++y) {
    const Handle* shows = top_owner_.data() + static_cast<size_t>(y) * width_;
    for (int x = area.left; x < area.right;) {
      const Handle h = shows[x];
      const int run = x;
      while (x < area.right && shows[x] == h) ++x;
      if (h == 0) {
        if (mode_ == PixelMode::kTrueColor)
          std::fill(screen_.RgbRow(y) + run, screen_.RgbRow(y) + x, kDesktopColor & 0xFFFFFFu);
        else
          std::fill(screen_.IndexRow(y) + run, screen_.IndexRow(y) + x, desktop_index);
        continue;
      }
      const WindowRecord& t = *Find(h);
      const Plane& p = t.surface->pixels;
      const int ly = y - t.rect.top, lx = run - t.rect.left;
      if (mode_ == PixelMode::kTrueColor)
        std::copy(p.RgbRow(ly) + lx, p.RgbRow(ly) + lx + (x - run), screen_.RgbRow(y) + run);
      else
        std::copy(p.IndexRow(ly) + lx, p.IndexRow(ly) + lx + (x - run), screen_.IndexRow(y) + run);
    }
  }
}

// Painter's order over one tree: a window claims the pixels of its rectangle inside its
// region, but only where its parent (or something painted after the parent, which can
// only be the parent's own descendants) holds them; so an ancestor's region and client
// area clip all of its descendants.
void ScreenCore::Claim(const WindowRecord& w, const Rect& clip, uint32_t parent_seq, int origin_x, int origin_y) {
  if (!w.visible) return;
  const Rect sr = w.rect.Offset(origin_x, origin_y);
  const Rect box = sr.Intersect(clip);
  if (box.Empty()) return;
  const auto me = static_cast<uint32_t>(by_seq_.size());
  by_seq_.push_back(w.handle);
  const Rect& area = scratch_area_;
  for (int y = box.top; y < box.bottom; ++y) {
    uint32_t* row = seq_.data() + static_cast<size_t>(y - area.top) * area.Width();
    if (!w.region) {
      for (int x = box.left - area.left; x < box.right - area.left; ++x) row[x] = row[x] < parent_seq ? row[x] : me;
      continue;
    }
    for (int x = box.left; x < box.right; ++x) {
      uint32_t& s = row[x - area.left];
      if (s < parent_seq) continue;
      if (!w.region->At(x - sr.left, y - sr.top)) continue;
      s = me;
    }
  }
  const Rect client{sr.left + w.border, sr.top + w.border, sr.right - w.border, sr.bottom - w.border};
  const Rect child_clip = client.Intersect(box);
  if (child_clip.Empty()) return;
  w.child_grid.ForEach(w.child_boxes, child_clip.Offset(-client.left, -client.top), [&](size_t i) {
    const WindowRecord::ChildBox& child = w.child_boxes[i];
    if (!child.visible || child.rect.Offset(client.left, client.top).Intersect(child_clip).Empty()) return;
    Claim(*Find(w.children[i]), child_clip, me, client.left, client.top);
  });
}

}  // namespace internal

// ---------------------------------------------------------------------------

struct Screen::Impl {
  Impl(int width, int height, PixelMode mode) : core(width, height, mode), gdi(core) {}
  internal::ScreenCore core;
  internal::GdiModel gdi;

  void Paint(const std::vector<Handle>& order) {
    for (Handle h : order) {
      if (!core.IsWindowVisible(h)) continue;
      const internal::WindowRecord* w = core.Find(h);
      if (w->invalid.Empty()) continue;
      WindowClient* client = w->client;
      const Rect clip = core.TakeInvalid(h);
      if (client == nullptr || clip.Empty()) continue;
      PaintBeneath(h, h, clip);
      internal::WindowCanvas canvas(core, gdi, h, clip);
      client->Paint(canvas);
    }
  }

  // What a transparent window shows beneath it: its parent paints again onto the
  // window's pixels, after a transparent parent's own parent has.
  void PaintBeneath(Handle window, Handle above, const Rect& clip) {
    const internal::WindowRecord* w = core.Find(above);
    if (w == nullptr || !w->transparent || w->parent == 0) return;
    const Handle parent = w->parent;
    PaintBeneath(window, parent, clip);
    const internal::WindowRecord* p = core.Find(parent);
    if (p == nullptr || p->client == nullptr) return;
    internal::WindowCanvas canvas(core, gdi, window, clip, parent);
    p->client->Paint(canvas);
  }
};

Screen::Screen(int width, int height, PixelMode mode) : impl_(std::make_unique<Impl>(width, height, mode)) {}
Screen::~Screen() = default;

int Screen::Width() const { return impl_->core.width(); }
int Screen::Height() const { return impl_->core.height(); }
PixelMode Screen::Mode() const { return impl_->core.mode(); }

Handle Screen::CreateWindow(Handle parent, const Rect& rect, int border, WindowClient* client) {
  return impl_->core.CreateWindow(parent, rect, border, client);
}
void Screen::DestroyWindow(Handle window) { impl_->core.DestroyWindow(window); }
bool Screen::IsWindow(Handle window) const { return impl_->core.Find(window) != nullptr; }

Handle Screen::Parent(Handle window) const {
  const auto* w = impl_->core.Find(window);
  return w ? w->parent : 0;
}

std::vector<Handle> Screen::Children(Handle window) const {
  if (window == 0) return impl_->core.TopLevel();
  const auto* w = impl_->core.Find(window);
  return w ? w->children : std::vector<Handle>{};
}

void Screen::MoveWindow(Handle window, const Rect& rect) { impl_->core.MoveWindow(window, rect); }

Rect Screen::WindowRect(Handle window) const {
  const auto* w = impl_->core.Find(window);
  return w ? w->rect : Rect{};
}

Rect Screen::ScreenRect(Handle window) const {
  const auto* w = impl_->core.Find(window);
  return w ? impl_->core.ScreenRectOf(*w) : Rect{};
}

Rect Screen::ClientScreenRect(Handle window) const {
  const auto* w = impl_->core.Find(window);
  return w ? impl_->core.ClientScreenRectOf(*w) : Rect{};
}

int Screen::Border(Handle window) const {
  const auto* w = impl_->core.Find(window);
  return w ? w->border : 0;
}

void Screen::ShowWindow(Handle window, bool visible) { impl_->core.ShowWindow(window, visible); }

bool Screen::IsVisibleFlag(Handle window) const {
  const auto* w = impl_->core.Find(window);
  return w != nullptr && w->visible;
}

bool Screen::IsWindowVisible(Handle window) const { return impl_->core.IsWindowVisible(window); }
void Screen::BringToTop(Handle window) { impl_->core.BringToTop(window); }

void Screen::SetEraseColor(Handle window, std::optional<OleColor> color) {
  impl_->core.SetEraseColor(window, color);
}

void Screen::SetTransparent(Handle window, bool transparent) { impl_->core.SetTransparent(window, transparent); }

void Screen::SetWindowRegion(Handle window, std::optional<std::vector<bool>> mask) {
  const auto* w = impl_->core.Find(window);
  if (w == nullptr) return;
  std::optional<internal::Mask> m;
  if (mask) {
    m.emplace();
    m->width = w->rect.Width();
    m->height = w->rect.Height();
    m->bits.assign(static_cast<size_t>(std::max(0, m->width)) * std::max(0, m->height), 0);
    const size_t n = std::min(m->bits.size(), mask->size());
    for (size_t i = 0; i < n; ++i) m->bits[i] = (*mask)[i] ? 1 : 0;
  }
  impl_->core.SetRegion(window, std::move(m), 0);
}

void Screen::Invalidate(Handle window, std::optional<Rect> area) { impl_->core.Invalidate(window, area); }
bool Screen::HasPendingPaint() const { return impl_->core.HasPendingPaint(); }
void Screen::DrawNow(Handle window, const std::function<void(Canvas&)>& draw) {
  const internal::WindowRecord* w = impl_->core.Find(window);
  if (w == nullptr || !impl_->core.IsWindowVisible(window)) return;
  internal::WindowCanvas canvas(impl_->core, impl_->gdi, window, impl_->core.ScreenRectOf(*w));
  draw(canvas);
}

void Screen::PaintPending() { impl_->Paint(impl_->core.PendingPaintOrder()); }
void Screen::UpdateWindow(Handle window) { impl_->Paint(impl_->core.PaintOrder(window)); }

Handle Screen::WindowAt(int x, int y) const {
  auto& core = impl_->core;
  if (!core.Bounds().Contains(x, y)) return 0;
  const Handle top = core.TopAt(x, y);
  return top == 0 ? 0 : internal::ScreenCore::OwnerIn(*core.Find(top), x, y);
}

OleColor Screen::PixelAt(int x, int y) const {
  if (!impl_->core.Bounds().Contains(x, y)) return 0;
  return impl_->core.screen().ColorAt(x, y);
}

Bitmap Screen::Snapshot(const Rect& screen_rect) const {
  const auto& core = impl_->core;
  const internal::Plane& screen = core.screen();
  Bitmap out(screen_rect.Width(), screen_rect.Height(), 0);
  const Rect in = screen_rect.Intersect(core.Bounds());
  if (in.Empty() || out.Width() == 0) return out;
  OleColor* dest = out.Pixels().data();
  const int dx = in.left - screen_rect.left;
  const size_t n = static_cast<size_t>(in.Width());
  for (int y = in.top; y < in.bottom; ++y) {
    OleColor* row = dest + static_cast<size_t>(y - screen_rect.top) * out.Width() + dx;
    if (screen.true_color()) {
      std::memcpy(row, screen.RgbRow(y) + in.left, n * sizeof(OleColor));
    } else {
      const uint8_t* src = screen.IndexRow(y) + in.left;
      for (size_t i = 0; i < n; ++i) row[i] = core.PaletteColor(src[i]);
    }
  }
  return out;
}

const std::vector<PaletteEntry>& Screen::SystemPalette() const { return impl_->core.Palette(); }

uint8_t Screen::IndexAt(int x, int y) const {
  const auto& core = impl_->core;
  if (!core.Bounds().Contains(x, y)) return 0;
  const internal::Plane& screen = core.screen();
  return screen.true_color() ? core.NearestIndex(screen.ColorAt(x, y)) : screen.IndexRow(y)[x];
}

vitrelle::Gdi& Screen::GetGdi() { return impl_->gdi; }
PicturePtr Screen::MakePicture(const Bitmap& image) { return impl_->gdi.MakePicture(image); }

std::optional<Bitmap> Screen::PictureBitmap(const Picture& picture) const {
  if (picture.Type() != 1) return std::nullopt;
  return impl_->gdi.BitmapPixels(picture.BitmapHandle(), picture.PaletteHandle());
}

size_t Screen::LiveGdiObjects() const { return impl_->gdi.LiveObjects(); }

void Screen::SetCaptureObserver(std::function<void(Handle window, int width, int height)> observer) {
  impl_->gdi.SetCaptureObserver(std::move(observer));
}

}  // namespace vitrelle::model
