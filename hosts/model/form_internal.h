// What the files of forms and their sites share: member names and pointer points.
#pragma once

#include <cmath>
#include <span>
#include <string_view>

#include "frame/host.h"
#include "frame/members.h"
#include "hosts/model/runtime.h"

namespace vitrelle::model::internal {

inline bool Is(std::string_view member, std::string_view name) { return NamesEqual(member, name); }

inline bool IsAssign(InvokeKind kind) { return kind == InvokeKind::kLet || kind == InvokeKind::kSet; }

// Mouse messages carry whole pixels of the window under the pointer: a point aimed
// in twips goes to the nearest pixel (a half away from zero).
inline float PixelPoint(float twips) {
  const float tpp = DisplayTwipsPerPixel();
  return std::round(twips / tpp) * tpp;
}

}  // namespace vitrelle::model::internal
