#include "frame/glaze_module.h"

#include <array>

namespace vitrelle {

namespace {
constexpr int kPaletteSize = 256;
constexpr uint16_t kPaletteVersion = 0x300;
}  // namespace

PicturePtr GlazeModule::CaptureWindow(Gdi& gdi, Handle window, bool client, int32_t left, int32_t top,
                                      int32_t width, int32_t height) {
  auto note = [&gdi] { last_dll_error_ = gdi.GetLastError(); };

  const Handle src_dc = client ? gdi.GetDC(window) : gdi.GetWindowDC(window);
  note();
  const Handle mem_dc = gdi.CreateCompatibleDC(src_dc);
  note();
  const Handle bitmap = gdi.CreateCompatibleBitmap(src_dc, width, height);
  note();
  const Handle old_bitmap = gdi.SelectObject(mem_dc, bitmap);
  note();

  const int raster_caps = gdi.GetDeviceCaps(src_dc, kRasterCaps);
  note();
  const int palette_size = gdi.GetDeviceCaps(src_dc, kSizePalette);
  note();
  const bool has_palette = (raster_caps & kRcPalette) != 0 && palette_size == kPaletteSize;

  Handle palette = 0;
  Handle old_palette = 0;
  if (has_palette) {
    std::array<PaletteEntry, kPaletteSize> entries{};
    gdi.GetSystemPaletteEntries(src_dc, 0, kPaletteSize, entries.data());
    note();
    palette = gdi.CreatePalette(kPaletteVersion, entries);
    note();
    old_palette = gdi.SelectPalette(mem_dc, palette, false);
    note();
    gdi.RealizePalette(mem_dc);
    note();
  }

  gdi.BitBlt(mem_dc, 0, 0, width, height, src_dc, left, top, kSrcCopy);
  note();
  // The captured bitmap (and palette) must be free of every context before the
  // picture takes them over.
  gdi.SelectObject(mem_dc, old_bitmap);
  note();
  if (has_palette) {
    gdi.SelectPalette(mem_dc, old_palette, false);
    note();
  }
  gdi.DeleteDC(mem_dc);
  note();
  gdi.ReleaseDC(window, src_dc);
  note();

  return CreateBitmapPicture(gdi, bitmap, palette);
}

PicturePtr GlazeModule::CreateBitmapPicture(Gdi& gdi, Handle bitmap, Handle palette) {
  PictDesc desc;
  desc.size = 20;
  desc.type = 1;
  desc.bitmap = bitmap;
  desc.palette = palette;
  PicturePtr picture = gdi.OleCreatePictureIndirect(desc, /*own=*/true);
  last_dll_error_ = gdi.GetLastError();
  if (!picture) {
    // Nobody took the handles over: without this every failed capture would leak a
    // bitmap the size of the control.
    if (bitmap) gdi.DeleteObject(bitmap);
    if (palette) gdi.DeleteObject(palette);
  }
  return picture;
}

}  // namespace vitrelle
