// Scripts for `vitrelle run`: one statement a line, parsed whole before anything runs so
// that a typo on the last line never leaves a half-driven form behind, then run
// statement by statement against a Driver. docs/scripts.md describes the language and
// the log.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "script/driver.h"
#include "script/value_literal.h"

namespace vitrelle::script {

// One statement each; the names follow the script's keywords.
namespace stmt {
struct Show {};
struct Deactivate {};
struct Activate {};
struct Wait {
  int64_t ms;
};
struct Set {
  Target target;
  std::string member;
  ValueLiteral value;
};
struct Get {
  Target target;
  std::string member;
};
struct Call {
  Target target;
  std::string method;
};
struct Focus {
  Target target;
};
struct Tab {
  bool backwards;
};
struct Click {
  Target target;
  std::optional<std::pair<float, float>> at;
  bool double_click;
};
struct Mouse {
  MouseAction action;
  Target target;
  int16_t button, shift;
  float x, y;
};
struct Key {
  KeyAction action;
  Target target;
  int16_t key_code, shift;
};
struct KeyPress {
  Target target;
  int16_t key_ascii;
};
struct Press {
  int16_t key_code, shift;
};
struct Resize {
  Target target;
  float width, height;
};
struct Save {
  std::string path;
};
struct Render {
  std::string path;
};
struct Accessible {
  Target target;
};
struct AccessibleAction {
  Target target;
};
}  // namespace stmt

using Action = std::variant<stmt::Show, stmt::Deactivate, stmt::Activate, stmt::Wait, stmt::Set, stmt::Get,
                            stmt::Call, stmt::Focus, stmt::Tab, stmt::Click, stmt::Mouse, stmt::Key,
                            stmt::KeyPress, stmt::Press, stmt::Resize, stmt::Save, stmt::Render,
                            stmt::Accessible, stmt::AccessibleAction>;

struct Statement {
  int line;  // 1-based, in the script's text
  Action action;
};

struct Script {
  bool design = false;  // loaded at design time
  std::vector<Statement> statements;
};

struct ParseError {
  int line;
  std::string message;
};

// Parses a whole script; on the first bad line returns nothing and fills `error`.
std::optional<Script> ParseScript(std::string_view text, ParseError& error);

// A target as scripts write it: Name, Name(Index), Name:Part, Name(Index):Part, Form.
std::optional<Target> ParseTarget(std::string_view text, std::string& error);

// Exit statuses of RunScript.
inline constexpr int kExitOk = 0;         // every statement ran (run-time errors are logged)
inline constexpr int kExitHostFailed = 1; // the host failed outside the host's error model
inline constexpr int kExitBadScript = 2;  // a bad statement or a target that does not exist

// Parses `script_text`, loads the form through `driver` and runs every statement,
// writing the log to `out` and a stopping message ("NAME:LINE: what") to `err`.
// `script_name` names the script in messages, and its folder is where picture paths
// are resolved; pass "-" for standard input (paths then resolve against the working
// directory).
int RunScript(Driver& driver, std::string_view script_text, std::string_view script_name, std::ostream& out,
              std::ostream& err);

// Where a picture("path") of a script named `script_name` is read from: absolute
// paths as they are, relative ones against the script's folder.
std::string ResolveScriptPath(std::string_view script_name, std::string_view path);

}  // namespace vitrelle::script
