#include "tools/commands.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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

TEST(VitrelleCommandTest, TypelibPrintsTheGeneratedIdlAndHelpListsEveryCommand) {
  Outcome r = Invoke({"typelib"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, GenerateIdl());
  EXPECT_EQ(r.err, "");
  r = Invoke({"--help"});
  EXPECT_EQ(r.status, kExitOk);
  for (const Command& c : Commands()) EXPECT_NE(r.out.find(c.name), std::string::npos) << c.name;
}

// The reference in the tree is the one the model writes: a member added, renamed or
// given another help string without `vitrelle reference > docs/reference.md` fails.
TEST(VitrelleCommandTest, TheReferenceInTheTreeIsTheModels) {
  std::ifstream file(std::filesystem::path(VITRELLE_SOURCE_ROOT) / "docs/reference.md", std::ios::binary);
  ASSERT_TRUE(file) << "docs/reference.md is missing";
  const std::string stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Outcome r = Invoke({"reference"});
  ASSERT_EQ(r.status, kExitOk);
  EXPECT_EQ(stored, r.out) << "regenerate it: vitrelle reference > docs/reference.md";
  // Every class, member, event and enumeration member appears in it.
  for (const ClassInfo& c : Classes()) {
    EXPECT_NE(r.out.find("`" + std::string(c.prog_id) + "`"), std::string::npos) << c.prog_id;
    for (const Member& m : FindInterface(c.default_interface)->members)
      EXPECT_NE(r.out.find("| `" + std::string(m.name) + "` |"), std::string::npos) << c.name << "." << m.name;
  }
  for (const EventInterface& i : EventInterfaces())
    for (const Event& e : i.events) EXPECT_NE(r.out.find("| `" + std::string(e.name) + "` |"), std::string::npos);
  for (auto list : {Enumerations(), HostEnumerations()})
    for (const Enumeration& e : list)
      for (const EnumMember& m : e.members)
        EXPECT_NE(r.out.find("| `" + std::string(m.name) + "` | " + std::to_string(m.value) + " |"), std::string::npos)
            << e.name << "." << m.name;
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

// The slider's script folder holds a form whose Slider1 refuses a saved value; its
// script's log pins what `run` reports. `render` names it and goes on.
TEST(VitrelleCommandTest, AControlThatRaisesWhileLoadingIsReportedAndTheRenderGoesOn) {
  const std::filesystem::path form =
      std::filesystem::path(VITRELLE_SOURCE_ROOT) / "controls/slider/scripts/load_error.vfm";
  const std::filesystem::path png =
      std::filesystem::temp_directory_path() / ("vitrelle_load_error_" + std::to_string(::getpid()) + ".png");
  const Outcome render = Invoke({"render", form.c_str(), "-o", png.c_str()});
  EXPECT_EQ(render.status, kExitOk) << render.err;
  EXPECT_NE(render.err.find("Slider1 raised run-time error 380 (Invalid property value) while loading"),
            std::string::npos)
      << render.err;
  EXPECT_TRUE(std::filesystem::exists(png));
  std::filesystem::remove(png);
}

}  // namespace
}  // namespace vitrelle::cli
