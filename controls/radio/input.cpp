// What the parts report becomes the control's own events, their parameters handed
// on by reference (frame/events.h). The mark's events arrive as one PartEvent with
// its parameters already boxed; they go out in the same boxes.
#include "controls/radio/glaze_radio.h"
#include "frame/events.h"
#include "frame/members.h"

namespace vitrelle {

namespace {
constexpr int16_t kKeyLeft = 37;
constexpr int16_t kKeyUp = 38;
constexpr int16_t kKeyRight = 39;
constexpr int16_t kKeyDown = 40;
}  // namespace

bool GlazeRadio::FromCaptionOrSurface(const Part* part) const {
  return part == nullptr || part == &caption_label();
}

// A click raises no Click of its own: Click means the option became set, and the
// focus that a click moves here has set it already (the focus routine). A click on
// the option that has the focus changes nothing, even when code has cleared it.
void GlazeRadio::Click(Part*) {}

void GlazeRadio::DblClick(Part* part) {
  if (FromCaptionOrSurface(part)) surface().RaiseEvent("DblClick", {});
}

// Mouse coordinates stay relative to the part that was hit.
void GlazeRadio::MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromCaptionOrSurface(part)) RaiseMouseEvent(surface(), "MouseDown", button, shift, x, y);
}

void GlazeRadio::MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromCaptionOrSurface(part)) RaiseMouseEvent(surface(), "MouseMove", button, shift, x, y);
}

void GlazeRadio::MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromCaptionOrSurface(part)) RaiseMouseEvent(surface(), "MouseUp", button, shift, x, y);
}

// The caption never has the focus. Keys on the bare surface move no focus: only
// the mark is a member of the group's keyboard travel.
void GlazeRadio::KeyDown(Part* part, int16_t& key_code, int16_t& shift) {
  if (part == nullptr) RaiseKeyEvent(surface(), "KeyDown", key_code, shift);
}

void GlazeRadio::KeyUp(Part* part, int16_t& key_code, int16_t& shift) {
  if (part == nullptr) RaiseKeyEvent(surface(), "KeyUp", key_code, shift);
}

void GlazeRadio::KeyPress(Part* part, int16_t& key_ascii) {
  if (part == nullptr) RaiseKeyPress(surface(), key_ascii);
}

void GlazeRadio::PartEvent(UserControlPart& part, std::string_view event, std::span<Variant> args) {
  if (&part != &radio_button1_) return;
  if (NamesEqual(event, "Click")) return;
  if (NamesEqual(event, "KeyDown") && !args.empty()) {
    // The focus moves first; the application's handler sees the arrow after it,
    // and the key is not swallowed.
    const int16_t key_code = args[0].ToInteger();
    if (key_code == kKeyDown || key_code == kKeyRight) {
      FocusNextInContainer();
    } else if (key_code == kKeyUp || key_code == kKeyLeft) {
      FocusPreviousInContainer();
    }
  }
  // DblClick, the keys and the mouse go out as the mark reported them.
  surface().RaiseEvent(event, args);
}

void GlazeRadio::GotFocus(Part* part) {
  if (part == nullptr || part == &radio_button1_) OnFocusGained();
}

void GlazeRadio::LostFocus(Part* part) {
  if (part == nullptr || part == &radio_button1_) ClearFocusRect();
}

}  // namespace vitrelle
