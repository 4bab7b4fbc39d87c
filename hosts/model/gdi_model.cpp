#include "hosts/model/gdi_model.h"

#include <algorithm>
#include <cstring>

#include "hosts/model/display.h"

namespace vitrelle::model::internal {

namespace {

constexpr uint16_t kLogicalPaletteVersion = 0x300;
constexpr uint32_t kPictDescSize = 20;
constexpr uint32_t kPictureTypeBitmap = 1;
// Larger bitmaps than this are refused as the platform refuses what it cannot allocate.
constexpr int64_t kMaxBitmapPixels = int64_t{1} << 28;

// Device capability indexes besides the two of host.h.
constexpr int kHorzRes = 8;
constexpr int kVertRes = 10;
constexpr int kBitsPixel = 12;
constexpr int kPlanes = 14;
constexpr int kNumColors = 24;
constexpr int kLogPixelsX = 88;
constexpr int kLogPixelsY = 90;
constexpr int kNumReserved = 106;
constexpr int kColorRes = 108;
// RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB.
constexpr int kBaseRasterCaps = 0x0001 | 0x0008 | 0x0080 | 0x0200 | 0x0800 | 0x2000;

constexpr OleColor kWhite = 0xFFFFFF;

class ModelPicture final : public Picture {
 public:
  ModelPicture(std::weak_ptr<GdiTable> table, Handle bitmap, Handle palette, bool own, int width, int height)
      : table_(std::move(table)), bitmap_(bitmap), palette_(palette), own_(own), width_(width), height_(height) {}
  ~ModelPicture() override {
    if (!own_) return;
    if (auto table = table_.lock()) {
      table->DeleteBitmap(bitmap_);
      table->DeletePalette(palette_);
    }
  }
  int16_t Type() const override { return static_cast<int16_t>(kPictureTypeBitmap); }
  Handle BitmapHandle() const override { return bitmap_; }
  Handle PaletteHandle() const override { return palette_; }
  int32_t WidthPixels() const override { return width_; }
  int32_t HeightPixels() const override { return height_; }

 private:
  std::weak_ptr<GdiTable> table_;
  Handle bitmap_, palette_;
  bool own_;
  int width_, height_;
};

}  // namespace

bool GdiTable::DeleteBitmap(Handle bitmap) {
  auto it = bitmaps.find(bitmap);
  if (it == bitmaps.end() || it->second.stock || it->second.selected_into != 0) return false;
  bitmaps.erase(it);
  return true;
}

bool GdiTable::DeletePalette(Handle palette) {
  auto it = palettes.find(palette);
  if (it == palettes.end() || it->second.stock || it->second.selected_count != 0) return false;
  palettes.erase(it);
  return true;
}

GdiModel::GdiModel(ScreenCore& core) : core_(core), table_(std::make_shared<GdiTable>()) {
  // The platform's stock objects: what a new memory context holds until something
  // else is selected into it.
  table_->stock_bitmap = NewBitmap(1, 1, 1);
  GdiBitmap& stock = table_->bitmaps[table_->stock_bitmap];
  stock.stock = true;
  stock.small[0] = 1;
  stock.cleared = true;
  table_->stock_palette = core_.NewHandle();
  GdiPalette& palette = table_->palettes[table_->stock_palette];
  palette.stock = true;
  const auto& system = core_.Palette();
  palette.entries.assign(system.begin(), system.begin() + 10);
  palette.entries.insert(palette.entries.end(), system.end() - 10, system.end());
  core_.free_region_object = [table = table_](Handle region) { table->regions.erase(region); };
}

GdiModel::~GdiModel() { core_.free_region_object = nullptr; }

GdiDc* GdiModel::FindDc(Handle dc) {
  auto it = table_->dcs.find(dc);
  return it == table_->dcs.end() ? nullptr : &it->second;
}

Handle GdiModel::NewWindowDc(Handle window, DcKind kind) {
  if (window != 0 && core_.Find(window) == nullptr) return Fail(kErrorInvalidWindowHandle);
  const Handle h = core_.NewHandle();
  table_->dcs[h] = GdiDc{kind, window, 0, table_->stock_palette};
  return h;
}

void GdiModel::UnselectPalette(Handle palette) {
  if (auto it = table_->palettes.find(palette); it != table_->palettes.end() && !it->second.stock)
    --it->second.selected_count;
}

Handle GdiModel::GetDC(Handle window) { return NewWindowDc(window, DcKind::kClient); }
Handle GdiModel::GetWindowDC(Handle window) { return NewWindowDc(window, DcKind::kWindow); }

int GdiModel::ReleaseDC(Handle window, Handle dc) {
  GdiDc* d = FindDc(dc);
  if (d == nullptr || d->kind == DcKind::kMemory || d->window != window) {
    last_error_ = kErrorInvalidHandle;
    return 0;
  }
  UnselectPalette(d->palette);
  table_->dcs.erase(dc);
  return 1;
}

Handle GdiModel::CreateCompatibleDC(Handle dc) {
  if (dc != 0 && FindDc(dc) == nullptr) return Fail(kErrorInvalidHandle);
  const Handle h = core_.NewHandle();
  table_->dcs[h] = GdiDc{DcKind::kMemory, 0, table_->stock_bitmap, table_->stock_palette};
  return h;
}

Handle GdiModel::NewBitmap(int width, int height, int bits) {
  const Handle h = core_.NewHandle();
  GdiBitmap& b = table_->bitmaps[h];
  b.width = width;
  b.height = height;
  b.bits = bits;
  const size_t n = static_cast<size_t>(width) * height;
  if (bits == 32)
    b.rgb.reset(new uint32_t[n]);
  else
    b.small.reset(new uint8_t[n]);
  return h;
}

void GdiModel::ClearIfNeeded(GdiBitmap& b) {
  if (b.cleared) return;
  const size_t n = static_cast<size_t>(b.width) * b.height;
  if (b.bits == 32)
    std::fill_n(b.rgb.get(), n, 0u);
  else
    std::fill_n(b.small.get(), n, uint8_t{0});
  b.cleared = true;
}

Handle GdiModel::CreateCompatibleBitmap(Handle dc, int width, int height) {
  GdiDc* d = FindDc(dc);
  if (d == nullptr) return Fail(kErrorInvalidHandle);
  if (width < 0 || height < 0) return Fail(kErrorInvalidParameter);
  // A bitmap with no pixels is the stock one, as the platform hands out.
  if (width == 0 || height == 0) return table_->stock_bitmap;
  if (static_cast<int64_t>(width) * height > kMaxBitmapPixels) return Fail(kErrorNotEnoughMemory);
  int bits = core_.mode() == PixelMode::kPalette8 ? 8 : 32;
  // A memory context makes bitmaps like the one selected into it: monochrome for a
  // fresh one, a classic trap the model keeps.
  if (d->kind == DcKind::kMemory) bits = table_->bitmaps.at(d->bitmap).bits;
  return NewBitmap(width, height, bits);
}

Handle GdiModel::SelectObject(Handle dc, Handle object) {
  GdiDc* d = FindDc(dc);
  if (d == nullptr) return Fail(kErrorInvalidHandle);
  auto bitmap = table_->bitmaps.find(object);
  if (bitmap == table_->bitmaps.end()) {
    // Palettes go through SelectPalette; clip regions are not modelled.
    return Fail(table_->palettes.count(object) != 0 || table_->regions.count(object) != 0 ? kErrorInvalidParameter
                                                                                            : kErrorInvalidHandle);
  }
  if (d->kind != DcKind::kMemory) return Fail(kErrorInvalidParameter);
  GdiBitmap& b = bitmap->second;
  if (!b.stock && b.selected_into != 0 && b.selected_into != dc) return Fail(kErrorInvalidParameter);
  const Handle previous = d->bitmap;
  if (auto old = table_->bitmaps.find(previous); old != table_->bitmaps.end() && !old->second.stock)
    old->second.selected_into = 0;
  if (!b.stock) b.selected_into = dc;
  d->bitmap = object;
  return previous;
}

int GdiModel::GetDeviceCaps(Handle dc, int index) {
  if (FindDc(dc) == nullptr) return static_cast<int>(Fail(kErrorInvalidHandle));
  const bool palette = core_.mode() == PixelMode::kPalette8;
  switch (index) {
    case kRasterCaps:
      return kBaseRasterCaps | (palette ? kRcPalette : 0);
    case kSizePalette:
      return palette ? 256 : 0;
    case kNumReserved:
      return palette ? 20 : 0;
    case kNumColors:
      return palette ? 20 : -1;
    case kColorRes:
      return palette ? 18 : 24;
    case kBitsPixel:
      return palette ? 8 : 32;
    case kPlanes:
      return 1;
    case kHorzRes:
      return core_.width();
    case kVertRes:
      return core_.height();
    case kLogPixelsX:
    case kLogPixelsY:
      return DisplayDpi();
    default:
      return 0;
  }
}

unsigned GdiModel::GetSystemPaletteEntries(Handle dc, unsigned start, unsigned count, PaletteEntry* entries) {
  if (FindDc(dc) == nullptr) return static_cast<unsigned>(Fail(kErrorInvalidHandle));
  // Only a palette device has a system palette to give.
  if (core_.mode() != PixelMode::kPalette8) return 0;
  const auto& system = core_.Palette();
  if (entries == nullptr) return static_cast<unsigned>(system.size());
  if (start >= system.size()) return 0;
  const unsigned n = std::min<unsigned>(count, static_cast<unsigned>(system.size()) - start);
  std::copy_n(system.begin() + start, n, entries);
  return n;
}

Handle GdiModel::CreatePalette(uint16_t version, std::span<const PaletteEntry> entries) {
  if (version != kLogicalPaletteVersion || entries.empty() || entries.size() > 1024)
    return Fail(kErrorInvalidParameter);
  const Handle h = core_.NewHandle();
  table_->palettes[h].entries.assign(entries.begin(), entries.end());
  return h;
}

Handle GdiModel::SelectPalette(Handle dc, Handle palette, bool /*force_background*/) {
  GdiDc* d = FindDc(dc);
  if (d == nullptr) return Fail(kErrorInvalidHandle);
  auto it = table_->palettes.find(palette);
  if (it == table_->palettes.end()) return Fail(kErrorInvalidHandle);
  const Handle previous = d->palette;
  UnselectPalette(previous);
  if (!it->second.stock) ++it->second.selected_count;
  d->palette = palette;
  return previous;
}

unsigned GdiModel::RealizePalette(Handle dc) {
  GdiDc* d = FindDc(dc);
  if (d == nullptr) {
    last_error_ = kErrorInvalidHandle;
    return kGdiError;
  }
  // The system palette is fixed, so every entry of a logical palette maps onto an
  // existing one (exactly, or the nearest); the static colours need no mapping.
  if (core_.mode() != PixelMode::kPalette8 || d->palette == table_->stock_palette) return 0;
  return static_cast<unsigned>(table_->palettes.at(d->palette).entries.size());
}

bool GdiModel::DeleteObject(Handle object) {
  if (table_->bitmaps.count(object) ? table_->DeleteBitmap(object)
                                    : table_->palettes.count(object) ? table_->DeletePalette(object)
                                                                    : table_->regions.erase(object) > 0)
    return true;
  last_error_ = kErrorInvalidHandle;
  return false;
}

bool GdiModel::DeleteDC(Handle dc) {
  GdiDc* d = FindDc(dc);
  if (d == nullptr) {
    last_error_ = kErrorInvalidHandle;
    return false;
  }
  // A window's context goes back through ReleaseDC.
  if (d->kind != DcKind::kMemory) {
    last_error_ = kErrorInvalidParameter;
    return false;
  }
  if (auto b = table_->bitmaps.find(d->bitmap); b != table_->bitmaps.end() && !b->second.stock)
    b->second.selected_into = 0;
  UnselectPalette(d->palette);
  table_->dcs.erase(dc);
  return true;
}

bool GdiModel::Resolve(const GdiDc& dc, Target& t) {
  if (dc.kind == DcKind::kMemory) {
    t.bitmap = &table_->bitmaps.at(dc.bitmap);
    t.readable = t.writable = {0, 0, t.bitmap->width, t.bitmap->height};
    return true;
  }
  if (dc.window == 0) {
    t.readable = t.writable = core_.Bounds();
    return true;
  }
  const WindowRecord* w = core_.Find(dc.window);
  if (w == nullptr) return false;
  const Rect r = dc.kind == DcKind::kWindow ? core_.ScreenRectOf(*w) : core_.ClientScreenRectOf(*w);
  t.top = &core_.TopOf(dc.window);
  t.origin_x = r.left;
  t.origin_y = r.top;
  // Off the screen there is nothing to read, whatever the surface holds.
  t.readable = ScreenCore::SurfaceRect(*t.top).Intersect(core_.Bounds());
  t.writable = r.Intersect(ScreenCore::SurfaceRect(*t.top));
  t.window = dc.window;
  return true;
}

// The capture path: rows of a window's surface (or of the screen) straight into a
// bitmap of the same format, black where there is nothing to read.
void GdiModel::CopyWindowToBitmap(GdiBitmap& dest, int x, int y, int width, int height, const Target& src,
                                  int src_x, int src_y) {
  const Rect dest_area = Rect{x, y, x + width, y + height}.Intersect({0, 0, dest.width, dest.height});
  if (dest_area.Empty()) return;
  if (dest_area.left > 0 || dest_area.top > 0 || dest_area.right < dest.width || dest_area.bottom < dest.height)
    ClearIfNeeded(dest);
  dest.cleared = true;
  const Plane& plane = *src.plane(core_);
  // Screen position of a destination pixel: (dx + shift_x, dy + shift_y).
  const int shift_x = src.origin_x + src_x - x, shift_y = src.origin_y + src_y - y;
  const Rect& readable = src.readable;
  const bool rgb = dest.bits == 32;
  for (int dy = dest_area.top; dy < dest_area.bottom; ++dy) {
    const int sy = dy + shift_y;
    const size_t row_start = static_cast<size_t>(dy) * dest.width;
    auto zero = [&](int from, int to) {
      if (to <= from) return;
      if (rgb)
        std::fill(dest.rgb.get() + row_start + from, dest.rgb.get() + row_start + to, 0u);
      else
        std::fill(dest.small.get() + row_start + from, dest.small.get() + row_start + to, uint8_t{0});
    };
    if (sy < readable.top || sy >= readable.bottom) {
      zero(dest_area.left, dest_area.right);
      continue;
    }
    const int in_from = std::clamp(readable.left - shift_x, dest_area.left, dest_area.right);
    const int in_to = std::clamp(readable.right - shift_x, in_from, dest_area.right);
    zero(dest_area.left, in_from);
    if (in_to > in_from) {
      const size_t n = static_cast<size_t>(in_to - in_from);
      const int px = in_from + shift_x - src.plane_x(), py = sy - src.plane_y();
      if (rgb)
        std::memcpy(dest.rgb.get() + row_start + in_from, plane.RgbRow(py) + px, n * sizeof(uint32_t));
      else
        std::memcpy(dest.small.get() + row_start + in_from, plane.IndexRow(py) + px, n);
    }
    zero(in_to, dest_area.right);
  }
}

namespace {

// A pixel in the colour domain of a bitmap or of the screen.
OleColor ReadBitmapColor(const GdiBitmap& b, int x, int y, const ScreenCore& core) {
  const size_t i = static_cast<size_t>(y) * b.width + x;
  switch (b.bits) {
    case 32:
      return b.rgb[i];
    case 8:
      return core.PaletteColor(b.small[i]);
    default:
      return b.small[i] != 0 ? kWhite : 0;
  }
}

void WriteBitmapColor(GdiBitmap& b, int x, int y, OleColor c, const ScreenCore& core) {
  const size_t i = static_cast<size_t>(y) * b.width + x;
  switch (b.bits) {
    case 32:
      b.rgb[i] = c & 0xFFFFFFu;
      break;
    case 8:
      b.small[i] = core.NearestIndex(c);
      break;
    default:
      // Colour to monochrome: the background colour (white) becomes 1, all else 0.
      b.small[i] = (c & 0xFFFFFFu) == kWhite ? 1 : 0;
      break;
  }
}

}  // namespace

// Every other combination, pixel by pixel through colours (palette indexes kept as
// they are between 8-bit surfaces).
void GdiModel::CopyGeneric(const Target& dest, int x, int y, int width, int height, const Target& src, int src_x,
                           int src_y) {
  if (dest.bitmap != nullptr) ClearIfNeeded(*dest.bitmap);
  if (src.bitmap != nullptr) ClearIfNeeded(*src.bitmap);
  if (dest.bitmap != nullptr && dest.bitmap->stock) return;
  const bool screen_indexes = core_.mode() == PixelMode::kPalette8;
  // Buffer the source first: source and destination may be the same surface.
  struct Pixel {
    bool present;
    bool indexed;
    uint8_t index;
    OleColor color;
  };
  std::vector<Pixel> pixels(static_cast<size_t>(width) * height);
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      Pixel& p = pixels[static_cast<size_t>(r) * width + c];
      const int sx = src_x + c, sy = src_y + r;
      if (src.bitmap != nullptr) {
        const GdiBitmap& b = *src.bitmap;
        p.present = sx >= 0 && sy >= 0 && sx < b.width && sy < b.height;
        if (!p.present) continue;
        p.indexed = b.bits == 8;
        if (p.indexed) p.index = b.small[static_cast<size_t>(sy) * b.width + sx];
        p.color = ReadBitmapColor(b, sx, sy, core_);
      } else {
        const int px = sx + src.origin_x, py = sy + src.origin_y;
        const Plane& plane = *src.plane(core_);
        const bool readable = src.readable.Contains(px, py);
        const int lx = px - src.plane_x(), ly = py - src.plane_y();
        p.present = true;
        p.indexed = screen_indexes;
        p.index = readable && screen_indexes ? plane.IndexRow(ly)[lx] : 0;
        p.color = readable ? plane.ColorAt(lx, ly) : 0;
      }
    }
  }
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      const Pixel& p = pixels[static_cast<size_t>(r) * width + c];
      if (!p.present) continue;
      const int dx = x + c, dy = y + r;
      if (dest.bitmap != nullptr) {
        GdiBitmap& b = *dest.bitmap;
        if (dx < 0 || dy < 0 || dx >= b.width || dy >= b.height) continue;
        if (b.bits == 8 && p.indexed)
          b.small[static_cast<size_t>(dy) * b.width + dx] = p.index;
        else
          WriteBitmapColor(b, dx, dy, p.color, core_);
      } else {
        const int px = dx + dest.origin_x, py = dy + dest.origin_y;
        if (!dest.writable.Contains(px, py)) continue;
        if (dest.top == nullptr) {
          // The desktop's context draws on the screen as it is.
          Plane& screen = core_.screen();
          if (screen_indexes && p.indexed)
            screen.PutIndex(px, py, p.index);
          else
            screen.Put(px, py, p.color);
          continue;
        }
        if (ScreenCore::OwnerIn(*dest.top, px, py) != dest.window) continue;
        if (screen_indexes && p.indexed)
          core_.PutIndexThrough(*dest.top, px, py, p.index);
        else
          core_.PutThrough(*dest.top, px, py, p.color);
      }
    }
  }
}

bool GdiModel::BitBlt(Handle dest, int x, int y, int width, int height, Handle src, int src_x, int src_y,
                      uint32_t rop) {
  GdiDc* d = FindDc(dest);
  GdiDc* s = FindDc(src);
  if (d == nullptr || s == nullptr) {
    last_error_ = kErrorInvalidHandle;
    return false;
  }
  if (rop != kSrcCopy || width < 0 || height < 0) {
    last_error_ = kErrorInvalidParameter;
    return false;
  }
  Target dt, st;
  if (!Resolve(*d, dt) || !Resolve(*s, st)) {
    last_error_ = kErrorInvalidWindowHandle;
    return false;
  }
  if (width > 0 && height > 0) {
    const bool same_format = dt.bitmap != nullptr && !dt.bitmap->stock &&
                             dt.bitmap->bits == (core_.mode() == PixelMode::kPalette8 ? 8 : 32);
    if (st.bitmap == nullptr && same_format)
      CopyWindowToBitmap(*dt.bitmap, x, y, width, height, st, src_x, src_y);
    else
      CopyGeneric(dt, x, y, width, height, st, src_x, src_y);
  }
  if (s->kind != DcKind::kMemory && observer_) observer_(s->window, width, height);
  return true;
}

PicturePtr GdiModel::OleCreatePictureIndirect(const PictDesc& desc, bool own) {
  if (desc.size != kPictDescSize || desc.type != kPictureTypeBitmap) {
    last_error_ = kErrorInvalidParameter;
    return nullptr;
  }
  auto bitmap = table_->bitmaps.find(desc.bitmap);
  if (bitmap == table_->bitmaps.end() || (desc.palette != 0 && table_->palettes.count(desc.palette) == 0)) {
    last_error_ = kErrorInvalidHandle;
    return nullptr;
  }
  return std::make_shared<ModelPicture>(table_, desc.bitmap, desc.palette, own, bitmap->second.width,
                                        bitmap->second.height);
}

Handle GdiModel::CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const Rect bounds{left, top, right, bottom};
  if (static_cast<int64_t>(bounds.Width()) * bounds.Height() > kMaxBitmapPixels) return Fail(kErrorNotEnoughMemory);
  // Corners larger than the rectangle are as large as the rectangle.
  const int corner_w = std::min(std::abs(width), bounds.Width());
  const int corner_h = std::min(std::abs(height), bounds.Height());
  const Handle h = core_.NewHandle();
  GdiRegion& region = table_->regions[h];
  region.bounds = bounds;
  region.mask.width = bounds.Width();
  region.mask.height = bounds.Height();
  region.mask.bits.resize(static_cast<size_t>(bounds.Width()) * bounds.Height());
  for (int yy = top; yy < bottom; ++yy)
    for (int xx = left; xx < right; ++xx)
      region.mask.bits[static_cast<size_t>(yy - top) * bounds.Width() + (xx - left)] =
          RoundRectContains(bounds, corner_w, corner_h, xx, yy) ? 1 : 0;
  return h;
}

int GdiModel::SetWindowRgn(Handle window, Handle region, bool /*redraw*/) {
  const WindowRecord* w = core_.Find(window);
  if (w == nullptr) {
    last_error_ = kErrorInvalidWindowHandle;
    return 0;
  }
  if (region == 0) {
    core_.SetRegion(window, std::nullopt, 0);
    return 1;
  }
  auto it = table_->regions.find(region);
  if (it == table_->regions.end()) {
    last_error_ = kErrorInvalidHandle;
    return 0;
  }
  // A region already given to a window belongs to the system.
  if (it->second.owner_window != 0 && it->second.owner_window != window) {
    last_error_ = kErrorInvalidParameter;
    return 0;
  }
  const GdiRegion& r = it->second;
  Mask mask;
  mask.width = w->rect.Width();
  mask.height = w->rect.Height();
  mask.bits.assign(static_cast<size_t>(std::max(0, mask.width)) * std::max(0, mask.height), 0);
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      mask.bits[static_cast<size_t>(y) * mask.width + x] = r.mask.At(x - r.bounds.left, y - r.bounds.top) ? 1 : 0;
  it->second.owner_window = window;
  core_.SetRegion(window, std::move(mask), region);
  return 1;
}

PicturePtr GdiModel::MakePicture(const Bitmap& image) {
  if (image.Width() <= 0 || image.Height() <= 0) return nullptr;
  const Handle h = NewBitmap(image.Width(), image.Height(), 32);
  GdiBitmap& b = table_->bitmaps[h];
  for (size_t i = 0; i < image.Pixels().size(); ++i) b.rgb[i] = image.Pixels()[i] & 0xFFFFFFu;
  b.cleared = true;
  return std::make_shared<ModelPicture>(table_, h, 0, true, image.Width(), image.Height());
}

std::optional<Bitmap> GdiModel::BitmapPixels(Handle bitmap, Handle palette) {
  auto it = table_->bitmaps.find(bitmap);
  if (it == table_->bitmaps.end()) return std::nullopt;
  Rect all{0, 0, it->second.width, it->second.height};
  return BitmapPixels(bitmap, palette, all);
}

std::optional<std::pair<int, int>> GdiModel::BitmapSize(Handle bitmap) const {
  auto it = table_->bitmaps.find(bitmap);
  if (it == table_->bitmaps.end()) return std::nullopt;
  return std::pair{it->second.width, it->second.height};
}

const uint32_t* GdiModel::TrueColorPixels(Handle bitmap) {
  auto it = table_->bitmaps.find(bitmap);
  if (it == table_->bitmaps.end() || it->second.bits != 32) return nullptr;
  ClearIfNeeded(it->second);
  return it->second.rgb.get();
}

std::optional<Bitmap> GdiModel::BitmapPixels(Handle bitmap, Handle palette, Rect& part) {
  auto it = table_->bitmaps.find(bitmap);
  if (it == table_->bitmaps.end()) return std::nullopt;
  GdiBitmap& b = it->second;
  ClearIfNeeded(b);
  part = part.Intersect(Rect{0, 0, b.width, b.height});
  const Rect area = part;
  Bitmap out(std::max(0, area.Width()), std::max(0, area.Height()));
  if (area.Empty()) return out;
  const GdiPalette* pal = nullptr;
  if (auto p = table_->palettes.find(palette); p != table_->palettes.end()) pal = &p->second;
  const size_t n = static_cast<size_t>(area.Width());
  for (int y = area.top; y < area.bottom; ++y) {
    OleColor* row = out.Pixels().data() + static_cast<size_t>(y - area.top) * n;
    const size_t from = static_cast<size_t>(y) * b.width + area.left;
    if (b.bits == 32) {
      std::memcpy(row, b.rgb.get() + from, n * sizeof(uint32_t));
    } else if (b.bits == 8) {
      for (size_t i = 0; i < n; ++i) {
        const uint8_t index = b.small[from + i];
        if (pal != nullptr && index < pal->entries.size()) {
          const PaletteEntry& e = pal->entries[index];
          row[i] = Rgb(e.red, e.green, e.blue);
        } else {
          row[i] = core_.PaletteColor(index);
        }
      }
    } else {
      for (size_t i = 0; i < n; ++i) row[i] = b.small[from + i] != 0 ? kWhite : 0;
    }
  }
  return out;
}

size_t GdiModel::LiveObjects() const {
  size_t n = table_->dcs.size() + table_->regions.size();
  for (const auto& [h, b] : table_->bitmaps) n += b.stock ? 0 : 1;
  for (const auto& [h, p] : table_->palettes) n += p.stock ? 0 : 1;
  return n;
}

}  // namespace vitrelle::model::internal
