// What the parts report becomes the control's own events, their parameters handed
// on by reference (frame/events.h).
#include "controls/check/glaze_check.h"
#include "frame/events.h"

namespace vitrelle {

bool GlazeCheck::FromGlyphOrSurface(const Part* part) const { return part == nullptr || part == &check1_; }

bool GlazeCheck::FromInputPart(const Part* part) const {
  return FromGlyphOrSurface(part) || part == &caption_label();
}

void GlazeCheck::Click(Part* part) {
  // The glyph reports every change of its value, the user's and the setter's
  // alike, so Click is raised from there only; the caption and the bare surface
  // change the value and let the glyph report it.
  if (part == &check1_) {
    surface().RaiseEvent("Click", {});
  } else if (part == nullptr || part == &caption_label()) {
    ToggleValue();
  }
}

void GlazeCheck::ToggleValue() { Assign("value", Variant::Integer(Value() != 0 ? 0 : 1)); }

// Mouse coordinates stay relative to the part that was hit.
void GlazeCheck::MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromInputPart(part)) RaiseMouseEvent(surface(), "MouseDown", button, shift, x, y);
}

void GlazeCheck::MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromInputPart(part)) RaiseMouseEvent(surface(), "MouseMove", button, shift, x, y);
}

void GlazeCheck::MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromInputPart(part)) RaiseMouseEvent(surface(), "MouseUp", button, shift, x, y);
}

// The caption never has the focus, so keys come from the glyph or the surface.
void GlazeCheck::KeyDown(Part* part, int16_t& key_code, int16_t& shift) {
  if (FromGlyphOrSurface(part)) RaiseKeyEvent(surface(), "KeyDown", key_code, shift);
}

void GlazeCheck::KeyUp(Part* part, int16_t& key_code, int16_t& shift) {
  if (FromGlyphOrSurface(part)) RaiseKeyEvent(surface(), "KeyUp", key_code, shift);
}

void GlazeCheck::KeyPress(Part* part, int16_t& key_ascii) {
  if (FromGlyphOrSurface(part)) RaiseKeyPress(surface(), key_ascii);
}

void GlazeCheck::GotFocus(Part* part) {
  if (FromGlyphOrSurface(part)) DrawFocusRect();
}

void GlazeCheck::LostFocus(Part* part) {
  if (FromGlyphOrSurface(part)) ClearFocusRect();
}

}  // namespace vitrelle
