// The focus: the dotted rectangle while the slider has it, and the arrow keys across
// the axis that hand it to the neighbouring control in tab order.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/slider/focus_order.h"
#include "controls/slider/glaze_slider.h"
#include "controls/slider/slider_layout.h"
#include "frame/errors.h"
#include "frame/glaze_module.h"
#include "frame/members.h"
#include "frame/units.h"

namespace vitrelle {

using namespace slider;

namespace {

DispatchPtr ObjectOf(const Variant& v) {
  DispatchPtr object = v.ToObject();
  if (!object) Raise(err::kObjectNotSet);
  return object;
}

struct Candidate {
  DispatchPtr control;
  int32_t tab_index;
};

}  // namespace

void GlazeSlider::GotFocus(Part*) {
  // A focus change caused by hiding and showing a control for a capture is not one
  // the user made.
  if (GlazeModule::CaptureInProgress()) return;
  const int32_t bottom = RoundToLong(surface().Height() - kDotFarInset);
  const int32_t right = RoundToLong(surface().Width() - kDotFarInset);
  for (int32_t x = static_cast<int32_t>(kDotPitch); x <= right; x += static_cast<int32_t>(kDotPitch)) {
    const float fx = static_cast<float>(x);
    surface().DrawLine(fx, kDotPitch, fx + kDotLength, kDotPitch, kFocusDotColor);
    surface().DrawLine(fx, static_cast<float>(bottom), fx + kDotLength, static_cast<float>(bottom), kFocusDotColor);
  }
  for (int32_t y = static_cast<int32_t>(kDotPitch); y <= bottom; y += static_cast<int32_t>(kDotPitch)) {
    const float fy = static_cast<float>(y);
    surface().DrawLine(kDotPitch, fy, kDotPitch, fy + kDotLength, kFocusDotColor);
    surface().DrawLine(static_cast<float>(right), fy, static_cast<float>(right), fy + kDotLength, kFocusDotColor);
  }
}

void GlazeSlider::LostFocus(Part*) { surface().Cls(); }

void GlazeSlider::FocusNextControl() { MoveFocus(true); }

void GlazeSlider::FocusPreviousControl() { MoveFocus(false); }

void GlazeSlider::MoveFocus(bool forward) {
  if (!UserMode()) return;
  const DispatchPtr extender = surface().Extender();
  if (!extender) return;

  // Every read below may fail on some host or some control; a failure leaves its
  // default and the walk goes on, so the arrow keys never raise an error.
  std::string my_name;
  int32_t mine = 0;
  std::string container_name;
  bool container_is_form = false;
  IgnoreErrors([&] { my_name = extender->Get("Name").ToString(); });
  IgnoreErrors([&] { mine = extender->Get("TabIndex").ToLong(); });
  IgnoreErrors([&] {
    const DispatchPtr container = ObjectOf(extender->Get("Container"));
    container_is_form = container->IsA("Form");
    container_name = container->Get("Name").ToString();
  });

  DispatchPtr controls;
  int32_t count = 0;
  IgnoreErrors([&] {
    controls = ObjectOf(ObjectOf(extender->Get("Parent"))->Get("Controls"));
    count = controls->Get("Count").ToLong();
  });

  std::vector<Candidate> candidates;
  for (int32_t i = 0; i < count; ++i) {
    IgnoreErrors([&] {
      Variant index[1] = {Variant::Long(i)};
      const DispatchPtr control = ObjectOf(controls->Invoke("Item", InvokeKind::kGet, index));
      // The name, not the object: the other members of the slider's own control
      // array are left out too.
      if (NamesEqual(control->Get("Name").ToString(), my_name)) return;
      // A control without these (a label, a line) is not one the keys stop at; one
      // whose TabStop is False was taken out of keyboard travel on purpose.
      const bool tab_stop = control->Get("TabStop").ToBoolean();
      const int32_t tab_index = control->Get("TabIndex").ToLong();
      const DispatchPtr its_container = ObjectOf(control->Get("Container"));
      const bool same_container = container_is_form
                                      ? its_container->IsA("Form")
                                      : NamesEqual(its_container->Get("Name").ToString(), container_name);
      if (!same_container || !tab_stop) return;
      candidates.push_back({control, tab_index});
    });
  }

  // A control that refuses the focus (disabled, hidden) is passed over for the next
  // one in the same direction.
  std::vector<int32_t> tab_indexes;
  for (const Candidate& c : candidates) tab_indexes.push_back(c.tab_index);
  while (const std::optional<size_t> chosen = ChooseInTabOrder(tab_indexes, mine, forward)) {
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
