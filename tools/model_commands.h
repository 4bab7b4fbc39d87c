// The subcommands that run forms on the model host.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace vitrelle::model {
class Screen;
}

namespace vitrelle::cli {

// render FORM.vfm -o OUT.png [--after MS]
int Render(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
// run FORM.vfm [SCRIPT]
int Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
// Runs a script (its text and its name, for messages and relative paths) against a
// form file; what `run` does once it has read the script.
int RunFormScript(const std::string& form_path, std::string_view script_text, std::string_view script_name,
                  std::ostream& out, std::ostream& err);
// The same on a screen the caller keeps, to look at what the run left on it.
int RunFormScript(model::Screen& screen, const std::string& form_path, std::string_view script_text,
                  std::string_view script_name, std::ostream& out, std::ostream& err);

}  // namespace vitrelle::cli
