// Where the glyph and the caption sit, and the dotted rectangle that marks the
// focus around the caption. Twips throughout.
#include <algorithm>

#include "controls/check/glaze_check.h"
#include "frame/glaze_module.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
// Below this the glyph and a one-line caption no longer fit with their margins.
constexpr float kMinHeight = 255;
constexpr double kCaptionMinTop = 30;
constexpr double kCaptionLeftJustified = 270;
constexpr double kCaptionRightJustified = 30;
// The focus rectangle: 15-twip dashes with 15-twip gaps, kept 30 twips left and
// right of the caption and 15 above it.
constexpr int32_t kDash = 15;
constexpr int32_t kDashPitch = 30;
constexpr int32_t kFocusMarginX = 30;
constexpr int32_t kFocusMarginTop = 15;
constexpr int32_t kFocusEdgeInset = 15;
constexpr OleColor kFocusColor = 0;
}  // namespace

void GlazeCheck::Resize() { LayOutVertically(); }

void GlazeCheck::LayOutVertically() {
  const double height = surface().Height();
  if (height < kMinHeight) {
    // The host reports the new size, and that Resize lays the parts out.
    surface().SetHeight(kMinHeight);
    return;
  }
  check1_.SetTop(static_cast<float>((height - check1_.Height()) / 2));
  const double caption_height = lbl_caption_.Height();
  double caption_top = 0;
  // The caption sits a little above the glyph's centre line so that its text,
  // not its whole cell, lines up with the box.
  if (height - 30 >= caption_height) {
    caption_top = std::max(RoundHalfEven((height - caption_height) / 2 - 15), kCaptionMinTop);
  }
  lbl_caption_.SetTop(static_cast<float>(caption_top));
}

// Only the Alignment setter places the parts across: a resize keeps the glyph
// where it was.
void GlazeCheck::PlaceHorizontally() {
  if (alignment_ == kAlignLeftJustify) {
    check1_.SetLeft(0);
    lbl_caption_.SetLeft(static_cast<float>(kCaptionLeftJustified));
  } else {
    check1_.SetLeft(surface().Width() - check1_.Width());
    lbl_caption_.SetLeft(static_cast<float>(kCaptionRightJustified));
  }
}

void GlazeCheck::DrawFocusRect() {
  // Focus that comes and goes while a control hides itself for a capture is not
  // the user's; and a designer's form shows no focus marks.
  if (!UserMode() || GlazeModule::CaptureInProgress()) return;

  const double width = surface().Width();
  const double height = surface().Height();
  const double caption_left = lbl_caption_.Left();
  const double caption_top = lbl_caption_.Top();

  const int32_t left = RoundToLong(caption_left - kFocusMarginX);
  int32_t right = RoundToLong(caption_left + lbl_caption_.Width() + kFocusMarginX);
  if (width - kFocusEdgeInset < right) right = RoundToLong(width - kFocusEdgeInset);
  if (alignment_ == kAlignRightJustify && check1_.Left() < right) {
    right = RoundToLong(check1_.Left() - kFocusMarginX);
  }
  const int32_t top = std::max(RoundToLong(caption_top - kFocusMarginTop), 0);
  int32_t bottom = RoundToLong(caption_top + lbl_caption_.Height());
  if (height - kFocusEdgeInset < bottom) bottom = RoundToLong(height - kFocusEdgeInset);

  const auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    surface().DrawLine(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                       static_cast<float>(y2), kFocusColor);
  };
  for (int32_t x = left; x <= right; x += kDashPitch) {
    line(x, top, x + kDash, top);
    line(x, bottom, x + kDash, bottom);
  }
  for (int32_t y = top; y <= bottom; y += kDashPitch) {
    line(left, y, left, y + kDash);
    line(right, y, right, y + kDash);
  }
}

// Clearing the drawing leaves the copied background and the parts alone.
void GlazeCheck::ClearFocusRect() { surface().Cls(); }

}  // namespace vitrelle
