// Which neighbour an arrow key hands the focus to: the next (or previous) control
// in tab order among those a control's walk over its form found, wrapping round at
// the ends. The slider's keys across its axis and the option button's arrows in
// its group make the same choice.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "frame/host.h"

namespace vitrelle {

// Tab indexes at or beyond these bounds are never chosen.
inline constexpr int32_t kTabIndexBound = 30000;

// Among candidates with the given tab indexes (in collection order): forward, the
// next after `mine`, wrapping to the first; backward, the one before it, wrapping
// to the last. Only a strictly better index replaces the best so far, so the first
// in collection order wins a tie. Nothing when no index qualifies.
std::optional<size_t> ChooseInTabOrder(std::span<const int32_t> tab_indexes, int32_t mine, bool forward);

struct TabCandidate {
  DispatchPtr control;
  int32_t tab_index;
};

// Calls SetFocus on the candidate ChooseInTabOrder picks. One that refuses the
// focus (hidden, or disabled by a container) is passed over for the next in the
// same direction, so a key never sticks on a control that cannot take it. Errors
// are ignored; returns whether a candidate took the focus.
bool FocusInTabOrder(std::vector<TabCandidate> candidates, int32_t mine, bool forward);

}  // namespace vitrelle
