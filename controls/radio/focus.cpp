// The focus: the dotted rectangle around the caption, the selection that comes
// with the focus, the arrow keys that move it within the group's container, and
// the first focus after start-up.
#include "controls/radio/glaze_radio.h"
#include "controls/radio/group.h"
#include "frame/errors.h"
#include "frame/focus_marks.h"
#include "frame/glaze_module.h"

namespace vitrelle {

// The mark and the surface alike: the user picks an option by giving it the focus,
// with Tab, an arrow key or the mouse.
void GlazeRadio::OnFocusGained() {
  // A focus change caused by hiding and showing a control for a capture is not
  // the user's: it neither draws nor selects.
  if (GlazeModule::CaptureInProgress()) return;
  DrawFocusMarks(surface(), CaptionFocusRect());
  // While the re-capture after an activation is pending, the focus is the host's
  // doing (it gives the form's first control the focus), not a choice.
  if (!timer1().Enabled()) Assign("value", Variant::Boolean(true));
}

// Clearing the drawing leaves the copied background and the parts alone; it is
// done during a capture too.
void GlazeRadio::ClearFocusRect() { surface().Cls(); }

void GlazeRadio::OnTimer1() {
  IgnoreErrors([&] { timer1().SetEnabled(false); });
  IgnoreErrors([&] { Refresh(); });
  if (initial_focus_done_) return;
  initial_focus_done_ = true;
  IgnoreErrors([&] { TakeInitialFocus(); });
}

void GlazeRadio::TakeInitialFocus() {
  if (const DispatchPtr extender = surface().Extender()) option_group::TakeInitialFocus(*extender);
}

void GlazeRadio::FocusNextInContainer() {
  if (!UserMode()) return;
  if (const DispatchPtr extender = surface().Extender()) option_group::FocusInContainer(*extender, true);
}

void GlazeRadio::FocusPreviousInContainer() {
  if (!UserMode()) return;
  if (const DispatchPtr extender = surface().Extender()) option_group::FocusInContainer(*extender, false);
}

}  // namespace vitrelle
