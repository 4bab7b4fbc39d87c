// Every scripted example of the controls, run exactly as `vitrelle run FORM SCRIPT`
// runs it: controls/*/scripts/NAME.txt and about/scripts/NAME.txt against NAME.vfm
// (form.vfm when the script has no form of its own), its log compared with
// NAME.expected.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hosts/model/screen.h"
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

// Runs a script as `vitrelle run` does and gives back its log. The script's form is
// closed when the run returns: everything it made must be given back.
std::string RunScript(const fs::path& form, const fs::path& script) {
  std::ostringstream out, err;
  model::Screen screen(1920, 1080);
  const size_t live_before = screen.LiveGdiObjects();
  EXPECT_EQ(RunFormScript(screen, form.string(), ReadFile(script), script.string(), out, err), kExitOk) << err.str();
  EXPECT_EQ(screen.LiveGdiObjects(), live_before) << "GDI objects left behind by " << script;
  return out.str();
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
  const std::string log = RunScript(form, dir / (name + ".txt"));
  const std::string expected = ReadFile(dir / (name + ".expected"));
  EXPECT_EQ(log, expected);
  // Beside the test binary, for a look at the whole log when it differs.
  if (log != expected) std::ofstream(control + "_" + name + ".actual") << log;
}

INSTANTIATE_TEST_SUITE_P(Controls, ScriptTest, testing::ValuesIn(ScriptNames()), [](const auto& info) {
  std::string n = info.param;
  std::replace(n.begin(), n.end(), '/', '_');
  return n;
});

// The showcase's script has no log to compare (the demo prints it), but it runs its
// form through every control and must give back all it made as well.
TEST(ShowcaseScriptTest, RunsAndLeavesNoGdiObjects) {
  const fs::path examples = SourceDir() / "examples";
  const std::string log = RunScript(examples / "showcase.vfm", examples / "showcase.txt");
  EXPECT_NE(log.find("Slider2"), std::string::npos) << log;
}

// While the About box is open, a picture of the script's state is the About box, and
// the form beneath takes no input.
TEST(AboutScriptTest, RenderShowsTheOpenAboutFormAndTheFormBeneathTakesNoInput) {
  const fs::path dir = fs::temp_directory_path() / ("vitrelle_about_render_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path png = dir / "about.png";
  const std::string text = "show\ncall Check1.DisplayAboutBox\nrender " + png.string() + "\nclick Check1\n";
  std::ostringstream out, err;
  const fs::path form = SourceDir() / "about" / "scripts" / "form.vfm";
  EXPECT_EQ(RunFormScript(form.string(), text, "about.txt", out, err), 2) << "the run stops with a bad-script status";
  EXPECT_EQ(err.str(), "about.txt:4: Check1: frmAbout is open, and the form beneath it takes no input\n");
  EXPECT_NE(out.str().find("@0 close frmAbout (the script ended)\n"), std::string::npos) << out.str();

  const auto picture = model::ReadPng(png.string());
  ASSERT_TRUE(picture);
  // The form's 5730 by 3690 twips at 15 a pixel, under a caption bar of 18 pixels.
  EXPECT_EQ(picture->Width(), 382);
  EXPECT_EQ(picture->Height(), 246 + 18);
  EXPECT_EQ(picture->At(300, 2), Rgb(0, 0, 128)) << "the caption bar";
  EXPECT_EQ(picture->At(300, 100), Rgb(192, 192, 192)) << "the button face";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vitrelle::cli
