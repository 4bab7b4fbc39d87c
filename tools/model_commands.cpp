#include "tools/model_commands.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "frame/errors.h"
#include "hosts/model/form_file.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/model_driver.h"
#include "hosts/model/screen.h"
#include "tools/commands.h"
#include "script/script.h"

namespace vitrelle::cli {

namespace {

// Large enough for any form a user lays out; the form sits at the top left.
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int64_t kDefaultAfterMs = 500;

int Usage(std::ostream& err, std::string_view problem) {
  err << "vitrelle: " << problem << "\n";
  PrintUsage(err);
  return kExitUsage;
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

}  // namespace

int Render(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  std::string form_path, png_path;
  int64_t after = kDefaultAfterMs;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      png_path = args[++i];
    } else if (args[i] == "--after" && i + 1 < args.size()) {
      const std::string_view ms = args[++i];
      auto [end, ec] = std::from_chars(ms.data(), ms.data() + ms.size(), after);
      if (ec != std::errc() || end != ms.data() + ms.size() || after < 0)
        return Usage(err, "--after takes a number of milliseconds");
    } else if (form_path.empty() && !args[i].starts_with("-")) {
      form_path = args[i];
    } else {
      return Usage(err, "render: unexpected argument '" + std::string(args[i]) + "'");
    }
  }
  if (form_path.empty() || png_path.empty()) return Usage(err, "render needs FORM.vfm and -o OUT.png");

  model::RegisterLibraryClasses();
  model::Screen screen(kScreenWidth, kScreenHeight);
  model::ModelRuntime runtime(screen);
  try {
    auto form = model::LoadForm(runtime, form_path, /*user_mode=*/true);
    for (const model::Form::LoadError& e : form->LoadErrors()) {
      err << form_path << ": " << e.control << " raised run-time error " << e.error.number() << " ("
          << e.error.description() << ") while loading\n";
    }
    form->Show();
    runtime.Advance(after);
    runtime.DoEvents();
    std::string error;
    const bool written = model::WritePng(png_path, form->Snapshot(), &error);
    form->Unload();
    if (!written) {
      err << "vitrelle: cannot write " << png_path << ": " << error << "\n";
      return kExitFailure;
    }
  } catch (const model::FormFileError& e) {
    err << e.what() << "\n";
    return kExitFailure;
  } catch (const RuntimeError& e) {
    err << "vitrelle: run-time error " << e.number() << ": " << e.description() << "\n";
    return kExitFailure;
  }
  out << png_path << "\n";
  return kExitOk;
}

int RunFormScript(const std::string& form_path, std::string_view script_text, std::string_view script_name,
                  std::ostream& out, std::ostream& err) {
  model::Screen screen(kScreenWidth, kScreenHeight);
  return RunFormScript(screen, form_path, script_text, script_name, out, err);
}

int RunFormScript(model::Screen& screen, const std::string& form_path, std::string_view script_text,
                  std::string_view script_name, std::ostream& out, std::ostream& err) {
  model::RegisterLibraryClasses();
  model::ModelRuntime runtime(screen);
  try {
    model::ModelDriver driver(runtime, form_path);
    return script::RunScript(driver, script_text, script_name, out, err);
  } catch (const model::FormFileError& e) {
    err << e.what() << "\n";
    return kExitFailure;
  }
}

int Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args.size() > 2) return Usage(err, "run needs FORM.vfm and at most one SCRIPT");
  const std::string form_path(args[0]);
  std::string text;
  std::string name = "<stdin>";
  if (args.size() == 2) {
    name = std::string(args[1]);
    if (!ReadText(name, text)) {
      err << "vitrelle: cannot read " << name << "\n";
      return kExitFailure;
    }
  } else {
    std::ostringstream buffer;
    buffer << std::cin.rdbuf();
    text = buffer.str();
  }
  return RunFormScript(form_path, text, name, out, err);
}

}  // namespace vitrelle::cli
