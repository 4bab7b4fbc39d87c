// The library's shared module: copying a window's pixels into a picture, and the
// one flag that tells every control's focus handling that a capture is running.
#pragma once

#include <cstdint>

#include "frame/host.h"

namespace vitrelle {

class GlazeModule {
 public:
  // True while any control of the library is in the middle of a capture. A single
  // flag, not a counter: the capture that ends clears it.
  static bool CaptureInProgress() { return capture_in_progress_; }
  static void SetCaptureInProgress(bool on) { capture_in_progress_ = on; }

  // Copies WidthSrc x HeightSrc device pixels of a window, from its client area
  // (`client`) or from its outer corner, into a new bitmap picture that owns the
  // bitmap (and the palette on an 8-bit palette display). Platform results are not
  // checked: a failed call hands a zero handle on, and a failed picture gives null.
  static PicturePtr CaptureWindow(Gdi& gdi, Handle window, bool client, int32_t left, int32_t top,
                                  int32_t width, int32_t height);

  // Wraps a bitmap and a palette (0 for none) into a picture that owns both.
  static PicturePtr CreateBitmapPicture(Gdi& gdi, Handle bitmap, Handle palette);

  // The platform's last error after the most recent call of a capture; kept, as the
  // host keeps an external call's last error, and not reported further.
  static uint32_t LastDllError() { return last_dll_error_; }

 private:
  static inline bool capture_in_progress_ = false;
  static inline uint32_t last_dll_error_ = 0;
};

}  // namespace vitrelle
