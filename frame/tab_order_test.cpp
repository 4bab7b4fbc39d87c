#include "frame/tab_order.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/errors.h"

namespace vitrelle {
namespace {

// ---------------------------------------------------------------------------
// The choice itself, over tab indexes the host would never number so
// (gaps, ties, indexes at the bound).

struct ChoiceCase {
  std::vector<int32_t> tab_indexes;
  int32_t mine;
  bool forward;
  std::optional<size_t> chosen;
};

class TabChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(TabChoice, PicksTheNearestAheadThenWraps) {
  EXPECT_EQ(ChooseInTabOrder(GetParam().tab_indexes, GetParam().mine, GetParam().forward), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, TabChoice,
    ::testing::Values(ChoiceCase{{7, 3, 9}, 5, true, 0}, ChoiceCase{{7, 3, 9}, 5, false, 1},
                      ChoiceCase{{1, 3}, 5, true, 0},    // wraps to the smallest
                      ChoiceCase{{7, 9}, 5, false, 1},   // wraps to the largest
                      ChoiceCase{{4, 6, 6}, 5, true, 1},  // a tie: the first in collection order
                      ChoiceCase{{2, 4, 4}, 5, false, 1},
                      ChoiceCase{{30000, 40000}, 5, true, std::nullopt},  // never beyond the bound
                      ChoiceCase{{30000, 2}, 5, true, 1}, ChoiceCase{{5}, 5, true, std::nullopt},
                      ChoiceCase{{}, 0, false, std::nullopt}));

// ---------------------------------------------------------------------------
// Handing the focus on: a control that refuses it is passed over.

class FocusProbe : public Dispatch {
 public:
  FocusProbe(std::string name, bool accepts, std::vector<std::string>& asked)
      : name_(std::move(name)), accepts_(accepts), asked_(asked) {}
  Variant Invoke(std::string_view member, InvokeKind, std::span<Variant>) override {
    if (member != "SetFocus") Raise(err::kNotSupported);
    asked_.push_back(name_);
    if (!accepts_) Raise(err::kCantMoveFocus);
    return {};
  }
  bool IsA(std::string_view) const override { return false; }

 private:
  std::string name_;
  bool accepts_;
  std::vector<std::string>& asked_;
};

struct HandOnCase {
  const char* name;
  std::vector<bool> accepts;  // candidates at tab indexes 1, 2, 3, ... (the one at `mine` is never asked)
  int32_t mine;
  bool forward;
  std::vector<std::string> asked;
  bool taken;
};

void PrintTo(const HandOnCase& c, std::ostream* os) { *os << c.name; }

class HandOn : public ::testing::TestWithParam<HandOnCase> {};

TEST_P(HandOn, PassesOverControlsThatRefuse) {
  const HandOnCase& c = GetParam();
  std::vector<std::string> asked;
  std::vector<TabCandidate> candidates;
  for (size_t i = 0; i < c.accepts.size(); ++i) {
    const auto tab = static_cast<int32_t>(i + 1);
    candidates.push_back({std::make_shared<FocusProbe>("T" + std::to_string(tab), c.accepts[i], asked), tab});
  }
  EXPECT_EQ(FocusInTabOrder(candidates, c.mine, c.forward), c.taken);
  EXPECT_EQ(asked, c.asked);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, HandOn,
    ::testing::Values(HandOnCase{"TheNearestTakesIt", {true, true, true}, 1, true, {"T2"}, true},
                      HandOnCase{"OneRefusesTheNextTakesIt", {true, false, true}, 1, true, {"T2", "T3"}, true},
                      HandOnCase{"ARefusalWrapsRound", {true, false, false}, 2, true, {"T3", "T1"}, true},
                      HandOnCase{"AllRefuse", {false, false, false}, 2, true, {"T3", "T1"}, false},
                      HandOnCase{"BackwardWrapsToTheLast", {false, true, true}, 1, false, {"T3"}, true},
                      HandOnCase{"NobodyToAsk", {}, 0, true, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vitrelle
