// Scripts are parsed whole before anything runs; a script that does not parse names
// a line of the script and says what was expected there.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vitrelle::script::ParseError error{0, {}};
  const auto script = vitrelle::script::ParseScript(text, error);
  int lines = 1;
  for (char c : text) lines += c == '\n';
  if (!script) {
    if (error.line < 1 || error.line > lines || error.message.empty()) std::abort();
    return 0;
  }
  for (const auto& statement : script->statements) {
    if (statement.line < 1 || statement.line > lines) std::abort();
  }
  // Targets are also read on their own (the Win32 test container names controls by them).
  const size_t eol = text.find('\n');
  std::string target_error;
  vitrelle::script::ParseTarget(text.substr(0, eol), target_error);
  return 0;
}
