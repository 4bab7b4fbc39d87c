// When the focus rectangle around the caption is drawn.
#include "controls/check/glaze_check.h"
#include "frame/glaze_module.h"

namespace vitrelle {

void GlazeCheck::DrawFocusRect() {
  // Focus that comes and goes while a control hides itself for a capture is not
  // the user's; and a designer's form shows no focus marks.
  if (!UserMode() || GlazeModule::CaptureInProgress()) return;
  DrawFocusMarks(surface(), CaptionFocusRect());
}

// Clearing the drawing leaves the copied background and the parts alone.
void GlazeCheck::ClearFocusRect() { surface().Cls(); }

}  // namespace vitrelle
