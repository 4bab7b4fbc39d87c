// The input events a control hands on from its parts to its container. The
// parameters go out by reference: whatever the application's handler changes goes
// back to the part that reported them, and the control itself never reads them back.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/host.h"

namespace vitrelle {

// MouseDown, MouseMove, MouseUp: the coordinates stay relative to the part that was hit.
void RaiseMouseEvent(Surface& surface, std::string_view event, int16_t& button, int16_t& shift, float& x, float& y);
// KeyDown, KeyUp.
void RaiseKeyEvent(Surface& surface, std::string_view event, int16_t& key_code, int16_t& shift);
void RaiseKeyPress(Surface& surface, int16_t& key_ascii);

}  // namespace vitrelle
