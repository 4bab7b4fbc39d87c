// Which neighbour the arrow keys across the slider's axis hand the focus to.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vitrelle::slider {

// Tab indexes at or beyond these bounds are never chosen.
inline constexpr int32_t kTabIndexBound = 30000;

// Among candidates with the given tab indexes (in collection order): forward, the
// next after `mine`, wrapping to the first; backward, the one before it, wrapping
// to the last. Only a strictly better index replaces the best so far, so the first
// in collection order wins a tie. Nothing when no index qualifies.
std::optional<size_t> ChooseInTabOrder(std::span<const int32_t> tab_indexes, int32_t mine, bool forward);

}  // namespace vitrelle::slider
