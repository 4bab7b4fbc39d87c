// The focus: the dots around the slider while it has it, and the arrow keys across
// the axis that hand it to the neighbouring control in tab order.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/slider/focus_order.h"
#include "controls/slider/glaze_slider.h"
#include "controls/slider/slider_layout.h"
#include "frame/errors.h"
#include "frame/focus_marks.h"
#include "frame/form_walk.h"
#include "frame/glaze_module.h"
#include "frame/units.h"

namespace vitrelle {

using namespace slider;

namespace {

struct Candidate {
  DispatchPtr control;
  int32_t tab_index;
};

}  // namespace

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
  std::vector<Candidate> candidates;
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
  std::vector<int32_t> tab_indexes;
  for (const Candidate& c : candidates) tab_indexes.push_back(c.tab_index);
  while (const std::optional<size_t> chosen = ChooseInTabOrder(tab_indexes, me.tab_index, forward)) {
    if (IgnoreErrors([&] { candidates[*chosen].control->Call("SetFocus"); })) return;
    const auto at = static_cast<std::ptrdiff_t>(*chosen);
    candidates.erase(candidates.begin() + at);
    tab_indexes.erase(tab_indexes.begin() + at);
  }
}

namespace slider {

std::optional<size_t> ChooseInTabOrder(std::span<const int32_t> tab_indexes, int32_t mine, bool forward) {
  // First the side ahead of mine; when that is empty, the far end of the other side.
  auto search = [&](bool wrapped) -> std::optional<size_t> {
    std::optional<size_t> chosen;
    int32_t best = forward ? kTabIndexBound : -kTabIndexBound;
    for (size_t i = 0; i < tab_indexes.size(); ++i) {
      const int32_t t = tab_indexes[i];
      const bool after_mine = forward != wrapped;
      const bool on_side = after_mine ? t > mine : t < mine;
      const bool better = forward ? t < best : t > best;
      if (on_side && better) {
        best = t;
        chosen = i;
      }
    }
    return chosen;
  };
  if (auto chosen = search(false)) return chosen;
  return search(true);
}

}  // namespace slider
}  // namespace vitrelle
