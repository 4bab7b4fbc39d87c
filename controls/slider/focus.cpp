// The focus: the dots around the slider while it has it, and the arrow keys across
// the axis that hand it to the neighbouring control in tab order.
#include <cstdint>
#include <utility>
#include <vector>

#include "controls/slider/glaze_slider.h"
#include "controls/slider/slider_layout.h"
#include "frame/focus_marks.h"
#include "frame/form_walk.h"
#include "frame/glaze_module.h"
#include "frame/tab_order.h"
#include "frame/units.h"

namespace vitrelle {

using namespace slider;

void GlazeSlider::GotFocus(Part*) {
  // A focus change caused by hiding and showing a control for a capture is not one
  // the user made.
  if (GlazeModule::CaptureInProgress()) return;
  const int32_t near = static_cast<int32_t>(kDotPitch);
  DrawFocusMarks(surface(), {near, near, RoundToLong(surface().Width() - kDotFarInset),
                             RoundToLong(surface().Height() - kDotFarInset)});
}

void GlazeSlider::LostFocus(Part*) { surface().Cls(); }

void GlazeSlider::FocusNextControl() { MoveFocus(true); }

void GlazeSlider::FocusPreviousControl() { MoveFocus(false); }

void GlazeSlider::MoveFocus(bool forward) {
  if (!UserMode()) return;
  const DispatchPtr extender = surface().Extender();
  if (!extender) return;

  // Every read may fail on some host or some control; a failure skips what it was
  // about and the walk goes on, so the arrow keys never raise an error.
  const Standing me = StandingOf(*extender);
  std::vector<TabCandidate> candidates;
  ForEachFormControl(*extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
    // The name, not the object: the other members of the slider's own control
    // array are left out too.
    if (IsNamed(*control, me.name)) return;
    // A control without these (a label, a line) is not one the keys stop at; one
    // whose TabStop is False was taken out of keyboard travel on purpose.
    const bool tab_stop = control->Get("TabStop").ToBoolean();
    const int32_t tab_index = control->Get("TabIndex").ToLong();
    if (!SharesContainer(*control, me) || !tab_stop) return;
    candidates.push_back({control, tab_index});
  });

  // A control that refuses the focus (disabled, hidden) is passed over for the next
  // one in the same direction.
  FocusInTabOrder(std::move(candidates), me.tab_index, forward);
}

}  // namespace vitrelle
