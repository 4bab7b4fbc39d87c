// Dragging and clicking the thumb, stepping with the keys, and the events each
// raises. The control does its own work first and raises the pass-through event
// last, so a handler that changes a by-reference parameter cannot change what the
// control did.
#include <cstdint>
#include <limits>
#include <optional>

#include "controls/slider/glaze_slider.h"
#include "frame/errors.h"
#include "frame/events.h"

namespace vitrelle {

namespace {

constexpr int16_t kLeftButton = 1;

constexpr int16_t kKeyPageUp = 33;
constexpr int16_t kKeyPageDown = 34;
constexpr int16_t kKeyLeft = 37;
constexpr int16_t kKeyUp = 38;
constexpr int16_t kKeyRight = 39;
constexpr int16_t kKeyDown = 40;

// Value plus a step, or nothing when the sum leaves the 32-bit range: such a step
// is not taken at all, so Value stays as it is and nothing is raised but KeyDown.
std::optional<int32_t> Stepped(int32_t value, int64_t step) {
  const int64_t sum = static_cast<int64_t>(value) + step;
  if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(sum);
}

}  // namespace

void GlazeSlider::RaiseSliderEvent(std::string_view event) {
  Variant args[1] = {Variant::Long(value_)};
  surface().RaiseEvent(event, args);
}

void GlazeSlider::DragThumbTo(float x, float y) {
  // A geometry step that fails (a range never valid, a part that refuses the
  // position) must not swallow the events the application is waiting for.
  int32_t pos = 0;
  if (IgnoreErrors([&] { pos = ThumbPosFromPointer(Vertical() ? y : x); })) {
    IgnoreErrors([&] { MoveThumbAlong(pos); });
  }
  IgnoreErrors([&] { ValueFromThumb(); });
}

void GlazeSlider::MouseDown(Part*, int16_t& button, int16_t& shift, float& x, float& y) {
  // Anywhere on the control counts: the thumb jumps under the pointer, there is no
  // paging by LargeChange.
  if (button == kLeftButton) {
    scrolling_ = true;
    DragThumbTo(x, y);
  }
  RaiseMouseEvent(surface(), "MouseDown", button, shift, x, y);
}

void GlazeSlider::MouseMove(Part*, int16_t& button, int16_t& shift, float& x, float& y) {
  if (scrolling_) {
    const float width = surface().Width();
    const float height = surface().Height();
    // The surface holds the mouse during a press, so moves outside it arrive too;
    // there the thumb waits at its last place.
    if (x >= 0 && y >= 0 && x <= width && y <= height) {
      DragThumbTo(x, y);
      RaiseSliderEvent("Scroll");
    }
  }
  RaiseMouseEvent(surface(), "MouseMove", button, shift, x, y);
}

void GlazeSlider::MouseUp(Part*, int16_t& button, int16_t& shift, float& x, float& y) {
  scrolling_ = false;
  if (button == kLeftButton) RaiseSliderEvent("Click");
  RaiseMouseEvent(surface(), "MouseUp", button, shift, x, y);
}

void GlazeSlider::DblClick(Part*) { surface().RaiseEvent("DblClick", {}); }

void GlazeSlider::StepUp(int32_t step) {
  if (value_ >= max_) return;
  const auto next = Stepped(value_, step);
  if (!next) return;
  Assign("value", Variant::Long(*next));
  RaiseSliderEvent("Scroll");
}

void GlazeSlider::StepDown(int32_t step) {
  if (value_ <= min_) return;
  const auto next = Stepped(value_, -static_cast<int64_t>(step));
  if (!next) return;
  Assign("value", Variant::Long(*next));
  RaiseSliderEvent("Scroll");
}

void GlazeSlider::KeyDown(Part*, int16_t& key_code, int16_t& shift) {
  // Value grows with the thumb's position: rightwards, or downwards in a vertical
  // slider; the arrows across the axis move the focus on.
  switch (key_code) {
    case kKeyRight: Vertical() ? FocusNextControl() : StepUp(small_change_); break;
    case kKeyLeft: Vertical() ? FocusPreviousControl() : StepDown(small_change_); break;
    case kKeyDown: Vertical() ? StepUp(small_change_) : FocusNextControl(); break;
    case kKeyUp: Vertical() ? StepDown(small_change_) : FocusPreviousControl(); break;
    case kKeyPageUp: StepUp(large_change_); break;
    case kKeyPageDown: StepDown(large_change_); break;
    default: break;
  }
  RaiseKeyEvent(surface(), "KeyDown", key_code, shift);
}

void GlazeSlider::KeyUp(Part*, int16_t& key_code, int16_t& shift) { RaiseKeyEvent(surface(), "KeyUp", key_code, shift); }

void GlazeSlider::KeyPress(Part*, int16_t& key_ascii) { RaiseKeyPress(surface(), key_ascii); }

}  // namespace vitrelle
