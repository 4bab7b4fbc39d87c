#include "controls/library.h"

#include "controls/check/glaze_check.h"
#include "controls/frame/glaze_frame.h"
#include "controls/radio/glaze_radio.h"
#include "controls/slider/glaze_slider.h"
#include "frame/members.h"

namespace vitrelle {

namespace {
constexpr LibraryControl kControls[] = {
    {"GlazeCheck", &MakeGlazeCheck, GlazeCheck::kDesignWidth, GlazeCheck::kDesignHeight, false},
    {"GlazeFrame", &MakeGlazeFrame, GlazeFrame::kDesignWidth, GlazeFrame::kDesignHeight, true},
    {"GlazeRadio", &MakeGlazeRadio, GlazeRadio::kDesignWidth, GlazeRadio::kDesignHeight, false},
    {"GlazeSlider", &MakeGlazeSlider, GlazeSlider::kDesignWidth, GlazeSlider::kDesignHeight, false},
};
}  // namespace

std::span<const LibraryControl> LibraryControls() { return kControls; }

const LibraryControl* FindLibraryControl(std::string_view name) {
  for (const LibraryControl& c : kControls)
    if (NamesEqual(c.name, name)) return &c;
  return nullptr;
}

}  // namespace vitrelle
