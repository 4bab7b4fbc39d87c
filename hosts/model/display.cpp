#include "hosts/model/display.h"

#include <stdexcept>
#include <string>

#include "frame/units.h"

namespace vitrelle::model {

namespace {
int g_dpi = kStandardDpi;
}

int DisplayDpi() { return g_dpi; }

float DisplayTwipsPerPixel() { return TwipsPerPixelAt(g_dpi); }

void SetDisplayDpi(int dpi) {
  if (dpi < kMinDpi || dpi > kMaxDpi) {
    throw std::invalid_argument("expected a display of " + std::to_string(kMinDpi) + " to " +
                                std::to_string(kMaxDpi) + " dpi, not " + std::to_string(dpi));
  }
  g_dpi = dpi;
}

}  // namespace vitrelle::model
