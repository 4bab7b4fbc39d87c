// The host-neutral side of `vitrelle run`: the script runner parses statements and
// drives a form through this interface; each host (the model host, the Win32 test
// container) implements it over its own forms and writes the log through ScriptLog.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <string>
#include <string_view>

#include "frame/variant.h"

namespace vitrelle::script {

// A control, or one of its constituent parts, as a script names it:
// "Check1", "Option1(2)", "Check1:lblCaption", or "Form".
struct Target {
  std::string name;     // "Form" for the form itself
  int index = -1;       // control-array index, -1 when none
  std::string part;     // constituent part name, empty for the control's surface
  bool IsForm() const;  // "Form", case-insensitive, without index or part
  // Name or Name(Index), as log lines print it; with ":part" when a part is named.
  std::string Display() const;
};

// What assistive technology reads of a library control: the platform's role and
// state numbers, its name, and its value as text where it has one.
struct AccessibleReading {
  int role = 0;
  std::string name;
  std::optional<std::string> value;
  int32_t state = 0;
};

// Writes the log: one line per happening, each starting with the virtual time.
class ScriptLog {
 public:
  explicit ScriptLog(std::function<void(const std::string&)> sink) : sink_(std::move(sink)) {}
  void SetTime(int64_t ms) { time_ms_ = ms; }
  int64_t Time() const { return time_ms_; }

  // "@T event NAME.EVENT(ARG, ARG)": arguments as literals, "()" when none.
  void Event(std::string_view control, std::string_view event, std::span<const Variant> args);
  void Changed(std::string_view control, std::string_view property);
  void Capture(std::string_view control, int width, int height);
  void Focus(std::string_view window);
  void MsgBox(std::string_view title, std::string_view text);
  void Value(std::string_view control, std::string_view member, const Variant& value);
  void Error(int number, std::string_view description);
  // "accessible NAME role R name "TEXT" [value "TEXT"] states STATE STATE"; a
  // default action the control refused is "accessible-action NAME refused".
  void Accessible(std::string_view control, const AccessibleReading& reading);
  void AccessibleActionRefused(std::string_view control);
  // A form of the library's own (the About box): shown with its caption, what each
  // of its elements reads, and closed, by the user or because the script ended.
  void FormShown(std::string_view form, std::string_view caption);
  void FormText(std::string_view form, std::string_view element, std::string_view text);
  void FormClosed(std::string_view form, bool script_ended);
  // What the platform was asked to do for the user: the shell's verbs, a process
  // started (with the reason when it would not start), mail calls.
  void Shell(std::string_view verb, std::string_view target);
  void Start(std::string_view path, std::string_view failure = {});
  void Mail(std::string_view what);

 private:
  void Write(const std::string& text);
  std::function<void(const std::string&)> sink_;
  int64_t time_ms_ = 0;
};

enum class MouseAction { kDown, kMove, kUp };
enum class KeyAction { kDown, kUp };

// What a script can do to a form. Methods raise RuntimeError for what the host
// refuses (the runner logs it and goes on) and std::invalid_argument for a target
// that does not exist (the runner stops with the line number).
class Driver {
 public:
  virtual ~Driver() = default;
  virtual void SetLog(ScriptLog* log) = 0;
  // Loading happens before the first statement; `design` loads at design time.
  virtual void Load(bool design) = 0;
  virtual void Show() = 0;
  virtual void Deactivate() = 0;
  virtual void Activate() = 0;
  virtual void Wait(int64_t ms) = 0;
  virtual int64_t Now() const = 0;
  // A picture object from an image file, as the host's LoadPicture opens one; `path`
  // is already resolved against the script's folder. Raises RuntimeError (53 for a
  // missing file, 481 for a file that is not a picture).
  virtual Variant LoadPicture(const std::string& path) = 0;
  virtual void Set(const Target& target, std::string_view member, const Variant& value) = 0;
  virtual Variant Get(const Target& target, std::string_view member) = 0;
  virtual void Call(const Target& target, std::string_view method) = 0;
  virtual void Focus(const Target& target) = 0;
  virtual void Tab(bool backwards) = 0;
  // Without a point the click lands in the middle of the target.
  virtual void Click(const Target& target, std::optional<std::pair<float, float>> at, bool double_click) = 0;
  virtual void Mouse(MouseAction action, const Target& target, int16_t button, int16_t shift, float x, float y) = 0;
  virtual void Key(KeyAction action, const Target& target, int16_t key_code, int16_t shift) = 0;
  virtual void KeyPress(const Target& target, int16_t key_ascii) = 0;
  virtual void Press(int16_t key_code, int16_t shift) = 0;
  virtual void Resize(const Target& target, float width, float height) = 0;
  virtual void Save(const std::string& path) = 0;
  virtual void Render(const std::string& path) = 0;
  // What the platform's accessibility interface reports for a library control, and
  // its default action run through it (false when the control refused it). Raise
  // std::invalid_argument for a target that is not one of the library's controls.
  virtual AccessibleReading ReadAccessible(const Target& target) = 0;
  virtual bool DoAccessibleAction(const Target& target) = 0;
  // A modal form holds the statement that opened it until it closes; meanwhile the
  // host runs the statements after it through `next`, one a call, as a user acts on
  // the form. `next` returns false when none is left or the run has stopped: the
  // host then closes the form. Set before the first statement and cleared after
  // the last; a host without modal forms ignores it.
  virtual void SetNextStatement(std::function<bool()> next) { (void)next; }
};

}  // namespace vitrelle::script
