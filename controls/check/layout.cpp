// Where the glyph and the caption sit up and down, and when the focus rectangle
// around the caption is drawn. Twips throughout.
#include <algorithm>

#include "controls/check/glaze_check.h"
#include "frame/glaze_module.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
// Below this the glyph and a one-line caption no longer fit with their margins.
constexpr float kMinHeight = 255;
constexpr double kCaptionMinTop = 30;
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
  LabelPart& caption = caption_label();
  const double caption_height = caption.Height();
  double caption_top = 0;
  // The caption sits a little above the glyph's centre line so that its text,
  // not its whole cell, lines up with the box.
  if (height - 30 >= caption_height) {
    caption_top = std::max(RoundHalfEven((height - caption_height) / 2 - 15), kCaptionMinTop);
  }
  caption.SetTop(static_cast<float>(caption_top));
}

void GlazeCheck::DrawFocusRect() {
  // Focus that comes and goes while a control hides itself for a capture is not
  // the user's; and a designer's form shows no focus marks.
  if (!UserMode() || GlazeModule::CaptureInProgress()) return;
  DrawFocusMarks(surface(), CaptionFocusRect());
}

// Clearing the drawing leaves the copied background and the parts alone.
void GlazeCheck::ClearFocusRect() { surface().Cls(); }

}  // namespace vitrelle
