// What the parts report becomes the control's own events. Parameters go out by
// reference: whatever a handler changes goes back to the part that reported it.
#include "controls/check/glaze_check.h"

namespace vitrelle {

bool GlazeCheck::FromGlyphOrSurface(const Part* part) const { return part == nullptr || part == &check1_; }

bool GlazeCheck::FromInputPart(const Part* part) const {
  return FromGlyphOrSurface(part) || part == &lbl_caption_;
}

void GlazeCheck::Click(Part* part) {
  // The glyph reports every change of its value, the user's and the setter's
  // alike, so Click is raised from there only; the caption and the bare surface
  // change the value and let the glyph report it.
  if (part == &check1_) {
    surface().RaiseEvent("Click", {});
  } else if (part == nullptr || part == &lbl_caption_) {
    ToggleValue();
  }
}

void GlazeCheck::ToggleValue() { SetValue(Value() != 0 ? 0 : 1); }

void GlazeCheck::RaiseMouse(std::string_view event, int16_t& button, int16_t& shift, float& x, float& y) {
  Variant args[] = {Variant::Integer(button), Variant::Integer(shift), Variant::Single(x), Variant::Single(y)};
  surface().RaiseEvent(event, args);
  button = args[0].ToInteger();
  shift = args[1].ToInteger();
  x = args[2].ToSingle();
  y = args[3].ToSingle();
}

void GlazeCheck::RaiseKey(std::string_view event, int16_t& key_code, int16_t& shift) {
  Variant args[] = {Variant::Integer(key_code), Variant::Integer(shift)};
  surface().RaiseEvent(event, args);
  key_code = args[0].ToInteger();
  shift = args[1].ToInteger();
}

// Mouse coordinates stay relative to the part that was hit.
void GlazeCheck::MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromInputPart(part)) RaiseMouse("MouseDown", button, shift, x, y);
}

void GlazeCheck::MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromInputPart(part)) RaiseMouse("MouseMove", button, shift, x, y);
}

void GlazeCheck::MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (FromInputPart(part)) RaiseMouse("MouseUp", button, shift, x, y);
}

// The caption never has the focus, so keys come from the glyph or the surface.
void GlazeCheck::KeyDown(Part* part, int16_t& key_code, int16_t& shift) {
  if (FromGlyphOrSurface(part)) RaiseKey("KeyDown", key_code, shift);
}

void GlazeCheck::KeyUp(Part* part, int16_t& key_code, int16_t& shift) {
  if (FromGlyphOrSurface(part)) RaiseKey("KeyUp", key_code, shift);
}

void GlazeCheck::KeyPress(Part* part, int16_t& key_ascii) {
  if (!FromGlyphOrSurface(part)) return;
  Variant args[] = {Variant::Integer(key_ascii)};
  surface().RaiseEvent("KeyPress", args);
  key_ascii = args[0].ToInteger();
}

void GlazeCheck::GotFocus(Part* part) {
  if (FromGlyphOrSurface(part)) DrawFocusRect();
}

void GlazeCheck::LostFocus(Part* part) {
  if (FromGlyphOrSurface(part)) ClearFocusRect();
}

}  // namespace vitrelle
