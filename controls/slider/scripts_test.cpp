// Runs every scripts/NAME.txt as `vitrelle run NAME.vfm NAME.txt` does (form.vfm
// when the script has no form of its own) and compares the log with NAME.expected.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hosts/model/library_classes.h"
#include "hosts/model/model_driver.h"
#include "tools/script/script.h"

namespace vitrelle {
namespace {

namespace fs = std::filesystem;

fs::path ScriptsDir() { return VITRELLE_SLIDER_SCRIPTS; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> ScriptNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(ScriptsDir(), error)) {
    if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class SliderScript : public testing::TestWithParam<std::string> {};

TEST_P(SliderScript, LogMatchesExpected) {
  model::RegisterLibraryClasses();

  const fs::path script = ScriptsDir() / (GetParam() + ".txt");
  model::Screen screen(640, 480);
  model::ModelRuntime runtime(screen);
  fs::path form = ScriptsDir() / (GetParam() + ".vfm");
  if (!fs::exists(form)) form = ScriptsDir() / "form.vfm";
  model::ModelDriver driver(runtime, form.string());
  std::ostringstream out, err;
  EXPECT_EQ(script::RunScript(driver, ReadFile(script), script.string(), out, err), script::kExitOk) << err.str();
  const std::string expected = ReadFile(ScriptsDir() / (GetParam() + ".expected"));
  EXPECT_EQ(out.str(), expected);
  // Beside the test binary, for a look at the whole log when it differs.
  if (out.str() != expected) std::ofstream(GetParam() + ".actual") << out.str();
}

INSTANTIATE_TEST_SUITE_P(Scripts, SliderScript, testing::ValuesIn(ScriptNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace vitrelle
