#include "tools/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "frame/idl.h"
#include "frame/type_model.h"

namespace vitrelle::cli {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Invoke(std::initializer_list<std::string_view> args) {
  std::vector<std::string_view> v(args);
  std::ostringstream out, err;
  int status = RunVitrelle(v, out, err);
  return {status, out.str(), err.str()};
}

TEST(VitrelleCommandTest, TypelibPrintsTheGeneratedIdl) {
  Outcome r = Invoke({"typelib"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, GenerateIdl());
  EXPECT_EQ(r.err, "");
}

TEST(VitrelleCommandTest, SummaryNamesEveryClassAndEnumerationMember) {
  Outcome r = Invoke({"summary"});
  ASSERT_EQ(r.status, kExitOk);
  for (const ClassInfo& c : Classes()) EXPECT_NE(r.out.find(c.prog_id), std::string::npos) << c.name;
  for (const Enumeration& e : Enumerations()) {
    for (const EnumMember& m : e.members)
      EXPECT_NE(r.out.find(std::string(m.name) + " = "), std::string::npos) << m.name;
  }
  // One screen.
  EXPECT_LE(std::count(r.out.begin(), r.out.end(), '\n'), 25);
}

TEST(VitrelleCommandTest, BadInvocationsPrintUsageAndExitWithTwo) {
  for (auto args : {std::initializer_list<std::string_view>{}, {"frobnicate"}, {"typelib", "extra"},
                    {"summary", "--all"}, {"Typelib"}}) {
    Outcome r = Invoke(args);
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("usage: vitrelle"), std::string::npos);
  }
}

TEST(VitrelleCommandTest, HelpListsEveryCommand) {
  Outcome r = Invoke({"--help"});
  EXPECT_EQ(r.status, kExitOk);
  for (const Command& c : Commands()) EXPECT_NE(r.out.find(c.name), std::string::npos) << c.name;
}

}  // namespace
}  // namespace vitrelle::cli
