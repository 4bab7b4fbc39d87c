// The host's GDI calls over the model screen: device contexts of windows and of
// memory, bitmaps, palettes, rounded regions and picture objects, with the handle
// bookkeeping of the platform (what is selected where, who owns what), so a capture
// that forgets to select an object back or to free one shows up as a live object.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "frame/host.h"
#include "hosts/model/screen.h"
#include "hosts/model/screen_internal.h"

namespace vitrelle::model::internal {

// Error codes the platform's GetLastError gives for the failures modelled here.
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInvalidWindowHandle = 1400;

// RealizePalette's failure value.
inline constexpr unsigned kGdiError = 0xFFFFFFFFu;

struct GdiBitmap {
  int width = 0, height = 0;
  int bits = 32;                        // 1 (monochrome), 8 (palette indexes) or 32
  std::unique_ptr<uint32_t[]> rgb;      // 32 bits
  std::unique_ptr<uint8_t[]> small;     // 1 and 8 bits, a byte a pixel
  // A new bitmap's storage is cleared only when something would see it uncleared, so
  // a capture that overwrites all of it costs one copy.
  bool cleared = false;
  Handle selected_into = 0;
  bool stock = false;
};

struct GdiPalette {
  std::vector<PaletteEntry> entries;
  int selected_count = 0;
  bool stock = false;
};

struct GdiRegion {
  Rect bounds;
  Mask mask;  // relative to bounds' corner
  Handle owner_window = 0;
};

enum class DcKind { kWindow, kClient, kMemory };

struct GdiDc {
  DcKind kind = DcKind::kMemory;
  Handle window = 0;  // 0: the whole screen
  Handle bitmap = 0;
  Handle palette = 0;
};

// The object table. Pictures keep a weak reference to it, so one released after its
// screen is gone frees nothing and touches nothing.
struct GdiTable {
  std::unordered_map<Handle, GdiDc> dcs;
  std::unordered_map<Handle, GdiBitmap> bitmaps;
  std::unordered_map<Handle, GdiPalette> palettes;
  std::unordered_map<Handle, GdiRegion> regions;
  Handle stock_bitmap = 0;
  Handle stock_palette = 0;

  // What DeleteObject does: refuses objects still selected into a context.
  bool DeleteBitmap(Handle bitmap);
  bool DeletePalette(Handle palette);
};

class GdiModel final : public vitrelle::Gdi {
 public:
  explicit GdiModel(ScreenCore& core);
  ~GdiModel() override;

  Handle GetDC(Handle window) override;
  Handle GetWindowDC(Handle window) override;
  int ReleaseDC(Handle window, Handle dc) override;
  Handle CreateCompatibleDC(Handle dc) override;
  Handle CreateCompatibleBitmap(Handle dc, int width, int height) override;
  Handle SelectObject(Handle dc, Handle object) override;
  int GetDeviceCaps(Handle dc, int index) override;
  unsigned GetSystemPaletteEntries(Handle dc, unsigned start, unsigned count, PaletteEntry* entries) override;
  Handle CreatePalette(uint16_t version, std::span<const PaletteEntry> entries) override;
  Handle SelectPalette(Handle dc, Handle palette, bool force_background) override;
  unsigned RealizePalette(Handle dc) override;
  bool BitBlt(Handle dest, int x, int y, int width, int height, Handle src, int src_x, int src_y,
              uint32_t rop) override;
  bool DeleteDC(Handle dc) override;
  bool DeleteObject(Handle object) override;
  uint32_t GetLastError() override { return last_error_; }
  PicturePtr OleCreatePictureIndirect(const PictDesc& desc, bool own) override;
  Handle CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) override;
  int SetWindowRgn(Handle window, Handle region, bool redraw) override;

  PicturePtr MakePicture(const Bitmap& image);
  // A bitmap object's pixels as colours: 8-bit indexes through `palette` when it is a
  // live palette, else through the system palette. None for a handle that is no bitmap.
  std::optional<Bitmap> BitmapPixels(Handle bitmap, Handle palette);
  // Only `part` of it (bitmap coordinates), which is clipped to the bitmap: painting
  // a form's picture behind one small control must not copy the whole picture.
  std::optional<Bitmap> BitmapPixels(Handle bitmap, Handle palette, Rect& part);
  // A bitmap object's size, or none for a handle that is no bitmap.
  std::optional<std::pair<int, int>> BitmapSize(Handle bitmap) const;
  // The colours of a true-colour bitmap where they lie, row after row of its width,
  // for reading without a copy; null for any other bitmap, or a handle that is none.
  const uint32_t* TrueColorPixels(Handle bitmap);
  size_t LiveObjects() const;
  void SetCaptureObserver(std::function<void(Handle, int, int)> observer) { observer_ = std::move(observer); }

 private:
  // Where a context's pixels are: a bitmap, a top-level window's surface (for a
  // window's context) or the screen itself (for the desktop's).
  struct Target {
    GdiBitmap* bitmap = nullptr;
    WindowRecord* top = nullptr;
    int origin_x = 0, origin_y = 0;  // screen position of the context's (0, 0)
    Rect readable;                   // screen area with pixels to read; black elsewhere
    Rect writable;                   // screen area a write may touch
    Handle window = 0;               // writes only reach pixels this window owns
    const Plane* plane(const ScreenCore& core) const { return top ? &top->surface->pixels : &core.screen(); }
    int plane_x() const { return top ? top->rect.left : 0; }
    int plane_y() const { return top ? top->rect.top : 0; }
  };
  GdiDc* FindDc(Handle dc);
  bool Resolve(const GdiDc& dc, Target& target);
  Handle Fail(uint32_t error) {
    last_error_ = error;
    return 0;
  }
  Handle NewWindowDc(Handle window, DcKind kind);
  Handle NewBitmap(int width, int height, int bits);
  void ClearIfNeeded(GdiBitmap& bitmap);
  void UnselectPalette(Handle palette);
  void CopyWindowToBitmap(GdiBitmap& dest, int x, int y, int width, int height, const Target& src, int src_x,
                          int src_y);
  void CopyGeneric(const Target& dest, int x, int y, int width, int height, const Target& src, int src_x,
                   int src_y);

  ScreenCore& core_;
  std::shared_ptr<GdiTable> table_;
  uint32_t last_error_ = 0;
  std::function<void(Handle, int, int)> observer_;
};

}  // namespace vitrelle::model::internal
