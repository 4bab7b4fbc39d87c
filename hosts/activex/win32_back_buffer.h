// The back buffer the module's surfaces paint into.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "hosts/activex/com_util.h"

namespace vitrelle::activex {

// One back buffer for every surface of the module, kept between paints: surfaces
// paint on their thread one at a time, and a compatible bitmap made and selected for
// each paint costs a query of the display's configuration each time (three round
// trips to the window server under Wine). Its pixels are 32-bit and top-down, so a
// surface's background can be kept as plain memory and copied in.
class BackBuffer {
 public:
  ~BackBuffer() { Free(); }
  // A memory context at least width x height pixels, or null while another paint
  // holds it or when it cannot be made.
  HDC Acquire(int width, int height) {
    if (busy_) return nullptr;
    if (width > width_ || height > height_) {
      Free();
      if (!Make(std::max(width, width_), std::max(height, height_))) return nullptr;
    }
    busy_ = true;
    return dc_;
  }
  void Release() { busy_ = false; }
  // Rows of `width` pixels between the buffer and `pixels` (width x height, packed).
  void Save(std::vector<uint32_t>& pixels, int width, int height) const {
    ::GdiFlush();
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) std::copy_n(Row(y), width, pixels.data() + static_cast<size_t>(y) * width);
  }
  void Restore(const std::vector<uint32_t>& pixels, int width, int height) {
    ::GdiFlush();
    for (int y = 0; y < height; ++y) std::copy_n(pixels.data() + static_cast<size_t>(y) * width, width, Row(y));
  }

 private:
  bool Make(int width, int height) {
    void* bits = nullptr;
    bitmap_ = CreateBitmap32(nullptr, width, height, /*top_down=*/true, &bits);
    dc_ = bitmap_ ? ::CreateCompatibleDC(nullptr) : nullptr;
    if (!dc_) {
      Free();
      return false;
    }
    old_bitmap_ = ::SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
  }
  void Free() {
    if (dc_) {
      ::SelectObject(dc_, old_bitmap_);
      ::DeleteDC(dc_);
    }
    if (bitmap_) ::DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
  }
  uint32_t* Row(int y) const { return bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_); }

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool busy_ = false;
};

BackBuffer& SharedBackBuffer();

}  // namespace vitrelle::activex
