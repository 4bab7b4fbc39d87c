#include "frame/members.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vitrelle {
namespace {

// One member of each shape a binding can have; `trace` records what ran.
struct Shapes {
  std::string trace;
  int32_t value = 7;
};

constexpr MemberBinding<Shapes> kShapes[] = {
    {"Value", [](Shapes& s) { return Variant::Long(s.value); },
     [](Shapes& s, const Variant& v) { s.value = v.ToLong(); }},
    {"ReadOnly", [](Shapes&) { return Variant::Long(1); }},
    {"Refresh", nullptr, nullptr, [](Shapes& s) { s.trace += "refresh;"; }},
    {"Move", nullptr, nullptr, nullptr,
     [](Shapes& s, std::span<Variant> args) {
       if (args.empty() || args.size() > 2) Raise(err::kWrongArguments);
       s.trace += "move " + std::to_string(args.size()) + ";";
       return Variant();
     }},
    {"Items",
     [](Shapes& s) {
       s.trace += "all;";
       return Variant::Long(-1);
     },
     nullptr, nullptr,
     [](Shapes& s, std::span<Variant> args) {
       s.trace += "item;";
       return Variant::Long(args[0].ToLong() * 10);
     }},
};

struct InvokeRow {
  const char* member;
  InvokeKind kind;
  int arg_count;
  int error;          // 0: none
  const char* trace;  // what ran
  std::optional<int32_t> result = std::nullopt;  // what a get or call returned, or a let stored
};

constexpr InvokeKind kGet = InvokeKind::kGet, kLet = InvokeKind::kLet, kCall = InvokeKind::kCall;

class MemberBindingRules : public ::testing::TestWithParam<InvokeRow> {};

TEST_P(MemberBindingRules, RunTheMemberOrRaise) {
  const InvokeRow& row = GetParam();
  Shapes shapes;
  std::vector<Variant> args(static_cast<size_t>(row.arg_count), Variant::Long(3));
  int error = 0;
  Variant returned;
  try {
    returned = InvokeMember<Shapes>(shapes, kShapes, row.member, row.kind, args);
  } catch (const RuntimeError& e) {
    error = e.number();
  }
  EXPECT_EQ(error, row.error) << row.member;
  EXPECT_EQ(shapes.trace, row.trace) << row.member;
  if (row.result) {
    EXPECT_EQ(row.kind == kLet ? shapes.value : returned.ToLong(), *row.result) << row.member;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MemberBindingRules,
    ::testing::Values(InvokeRow{"value", kLet, 1, 0, "", 3}, InvokeRow{"VALUE", kGet, 0, 0, "", 7},
                      InvokeRow{"Value", kLet, 2, err::kWrongArguments, ""},
                      InvokeRow{"Value", kGet, 1, err::kWrongArguments, ""},
                      InvokeRow{"ReadOnly", kLet, 1, err::kPropertyReadOnly, ""},
                      InvokeRow{"Nothing", kGet, 0, err::kNotSupported, ""},
                      // A method without parentheses reads as a get; it cannot be assigned.
                      InvokeRow{"Refresh", kGet, 0, 0, "refresh;"},
                      InvokeRow{"Refresh", kCall, 1, err::kWrongArguments, ""},
                      InvokeRow{"Refresh", kLet, 1, err::kNotSupported, ""},
                      // A method with arguments of its own checks them itself, even none.
                      InvokeRow{"Move", kCall, 2, 0, "move 2;"}, InvokeRow{"move", kGet, 1, 0, "move 1;"},
                      InvokeRow{"Move", kCall, 0, err::kWrongArguments, ""},
                      InvokeRow{"Move", kLet, 1, err::kNotSupported, ""},
                      // An indexed property: the plain get without an index, read-only.
                      InvokeRow{"Items", kGet, 0, 0, "all;", -1}, InvokeRow{"Items", kCall, 0, 0, "all;"},
                      InvokeRow{"Items", kGet, 1, 0, "item;", 30},
                      InvokeRow{"Items", kLet, 1, err::kPropertyReadOnly, ""}));

}  // namespace
}  // namespace vitrelle
