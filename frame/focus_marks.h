// The dotted rectangle a control draws on its surface to show that it has the
// focus: 15-twip dashes every 30 twips, in black, straight over the copied
// background. Clearing the surface's drawing (Cls) erases it.
#pragma once

#include <cstdint>

#include "frame/host.h"

namespace vitrelle {

struct FocusRect {
  int32_t left, top, right, bottom;  // twips, whole
};

// Dashes start at every 30 twips from the left (top) corner up to and including the
// right (bottom) coordinate, so the last dash may reach up to 15 twips past the
// corner: the look the controls have always had.
void DrawFocusMarks(Surface& surface, const FocusRect& rect);

}  // namespace vitrelle
