#include "frame/focus_marks.h"

namespace vitrelle {

namespace {
constexpr int32_t kDash = 15;
constexpr int32_t kDashPitch = 30;
constexpr OleColor kFocusColor = 0;
}  // namespace

void DrawFocusMarks(Surface& surface, const FocusRect& r) {
  const auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    surface.DrawLine(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2),
                     kFocusColor);
  };
  for (int32_t x = r.left; x <= r.right; x += kDashPitch) {
    line(x, r.top, x + kDash, r.top);
    line(x, r.bottom, x + kDash, r.bottom);
  }
  for (int32_t y = r.top; y <= r.bottom; y += kDashPitch) {
    line(r.left, y, r.left, y + kDash);
    line(r.right, y, r.right, y + kDash);
  }
}

}  // namespace vitrelle
