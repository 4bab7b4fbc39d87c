#include "frame/events.h"

namespace vitrelle {

void RaiseMouseEvent(Surface& surface, std::string_view event, int16_t& button, int16_t& shift, float& x,
                     float& y) {
  Variant args[] = {Variant::Integer(button), Variant::Integer(shift), Variant::Single(x), Variant::Single(y)};
  surface.RaiseEvent(event, args);
  button = args[0].ToInteger();
  shift = args[1].ToInteger();
  x = args[2].ToSingle();
  y = args[3].ToSingle();
}

void RaiseKeyEvent(Surface& surface, std::string_view event, int16_t& key_code, int16_t& shift) {
  Variant args[] = {Variant::Integer(key_code), Variant::Integer(shift)};
  surface.RaiseEvent(event, args);
  key_code = args[0].ToInteger();
  shift = args[1].ToInteger();
}

void RaiseKeyPress(Surface& surface, int16_t& key_ascii) {
  Variant args[] = {Variant::Integer(key_ascii)};
  surface.RaiseEvent("KeyPress", args);
  key_ascii = args[0].ToInteger();
}

}  // namespace vitrelle
