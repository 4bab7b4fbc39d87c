#include "frame/tab_order.h"

#include "frame/errors.h"

namespace vitrelle {

std::optional<size_t> ChooseInTabOrder(std::span<const int32_t> tab_indexes, int32_t mine, bool forward) {
  // First the side ahead of mine; when that is empty, the far end of the other side.
  auto search = [&](bool wrapped) -> std::optional<size_t> {
    std::optional<size_t> chosen;
    int32_t best = forward ? kTabIndexBound : -kTabIndexBound;
    for (size_t i = 0; i < tab_indexes.size(); ++i) {
      const int32_t t = tab_indexes[i];
      const bool after_mine = forward != wrapped;
      const bool on_side = after_mine ? t > mine : t < mine;
      const bool better = forward ? t < best : t > best;
      if (on_side && better) {
        best = t;
        chosen = i;
      }
    }
    return chosen;
  };
  if (auto chosen = search(false)) return chosen;
  return search(true);
}

bool FocusInTabOrder(std::vector<TabCandidate> candidates, int32_t mine, bool forward) {
  std::vector<int32_t> tab_indexes;
  for (const TabCandidate& c : candidates) tab_indexes.push_back(c.tab_index);
  while (const std::optional<size_t> chosen = ChooseInTabOrder(tab_indexes, mine, forward)) {
    if (IgnoreErrors([&] { candidates[*chosen].control->Call("SetFocus"); })) return true;
    const auto at = static_cast<std::ptrdiff_t>(*chosen);
    candidates.erase(candidates.begin() + at);
    tab_indexes.erase(tab_indexes.begin() + at);
  }
  return false;
}

}  // namespace vitrelle
