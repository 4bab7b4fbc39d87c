// Every scripted example of the controls, run exactly as `vitrelle run FORM SCRIPT`
// runs it: controls/*/scripts/NAME.txt and about/scripts/NAME.txt against NAME.vfm
// (form.vfm when the script has no form of its own), its log compared with
// NAME.expected.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/model_commands.h"

namespace vitrelle::cli {
namespace {

namespace fs = std::filesystem;

fs::path SourceDir() { return VITRELLE_SOURCE_ROOT; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// "check/toggle" for controls/check/scripts/toggle.txt.
std::vector<std::string> ScriptNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& control : fs::directory_iterator(SourceDir() / "controls", error)) {
    const fs::path scripts = control.path() / "scripts";
    if (!fs::is_directory(scripts)) continue;
    for (const auto& entry : fs::directory_iterator(scripts, error))
      if (entry.path().extension() == ".txt")
        names.push_back(control.path().filename().string() + "/" + entry.path().stem().string());
  }
  // The About box is reached through every control, so its scripts live with it.
  for (const auto& entry : fs::directory_iterator(SourceDir() / "about" / "scripts", error))
    if (entry.path().extension() == ".txt") names.push_back("about/" + entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

fs::path ScriptDir(const std::string& owner) {
  return owner == "about" ? SourceDir() / "about" / "scripts" : SourceDir() / "controls" / owner / "scripts";
}

class ScriptTest : public testing::TestWithParam<std::string> {};

TEST_P(ScriptTest, LogMatchesExpected) {
  const std::string control = GetParam().substr(0, GetParam().find('/'));
  const std::string name = GetParam().substr(GetParam().find('/') + 1);
  const fs::path dir = ScriptDir(control);
  fs::path form = dir / (name + ".vfm");
  if (!fs::exists(form)) form = dir / "form.vfm";
  const fs::path script = dir / (name + ".txt");

  std::ostringstream out, err;
  EXPECT_EQ(RunFormScript(form.string(), ReadFile(script), script.string(), out, err), kExitOk) << err.str();
  const std::string expected = ReadFile(dir / (name + ".expected"));
  EXPECT_EQ(out.str(), expected);
  // Beside the test binary, for a look at the whole log when it differs.
  if (out.str() != expected) std::ofstream(control + "_" + name + ".actual") << out.str();
}

INSTANTIATE_TEST_SUITE_P(Controls, ScriptTest, testing::ValuesIn(ScriptNames()), [](const auto& info) {
  std::string n = info.param;
  std::replace(n.begin(), n.end(), '/', '_');
  return n;
});

}  // namespace
}  // namespace vitrelle::cli
