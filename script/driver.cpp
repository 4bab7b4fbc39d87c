#include "script/driver.h"

#include <cctype>

#include "frame/accessibility.h"

namespace vitrelle::script {

bool Target::IsForm() const {
  if (index != -1 || !part.empty() || name.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != "form"[i]) return false;
  }
  return true;
}

std::string Target::Display() const {
  std::string out = name;
  if (index >= 0) out += "(" + std::to_string(index) + ")";
  if (!part.empty()) out += ":" + part;
  return out;
}

void ScriptLog::Event(std::string_view control, std::string_view event, std::span<const Variant> args) {
  std::string text = "event ";
  text += control;
  text += '.';
  text += event;
  text += '(';
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += ", ";
    text += args[i].ToLiteral();
  }
  text += ')';
  Write(text);
}

void ScriptLog::Changed(std::string_view control, std::string_view property) {
  Write("changed " + std::string(control) + "." + std::string(property));
}

void ScriptLog::Capture(std::string_view control, int width, int height) {
  Write("capture " + std::string(control) + " " + std::to_string(width) + "x" + std::to_string(height));
}

void ScriptLog::Focus(std::string_view window) { Write("focus " + std::string(window)); }

namespace {
std::string Quote(std::string_view text) { return Variant::String(std::string(text)).ToLiteral(); }
}  // namespace

void ScriptLog::FormShown(std::string_view form, std::string_view caption) {
  Write("show " + std::string(form) + " " + Quote(caption));
}

void ScriptLog::FormText(std::string_view form, std::string_view element, std::string_view text) {
  Write("text " + std::string(form) + ":" + std::string(element) + " " + Quote(text));
}

void ScriptLog::FormClosed(std::string_view form, bool script_ended) {
  Write("close " + std::string(form) + (script_ended ? " (the script ended)" : ""));
}

void ScriptLog::Shell(std::string_view verb, std::string_view target) {
  Write("shell " + std::string(verb) + " " + Quote(target));
}

void ScriptLog::Start(std::string_view path, std::string_view failure) {
  Write("start " + Quote(path) + (failure.empty() ? "" : " failed: " + std::string(failure)));
}

void ScriptLog::Mail(std::string_view what) { Write("mail " + std::string(what)); }

void ScriptLog::MsgBox(std::string_view title, std::string_view text) {
  Write("msgbox " + Variant::String(std::string(title)).ToLiteral() + " " +
        Variant::String(std::string(text)).ToLiteral());
}

void ScriptLog::Value(std::string_view control, std::string_view member, const Variant& value) {
  Write(std::string(control) + "." + std::string(member) + " = " + value.ToLiteral());
}

void ScriptLog::Error(int number, std::string_view description) {
  Write("error " + std::to_string(number) + ": " + std::string(description));
}

void ScriptLog::Accessible(std::string_view control, const AccessibleReading& reading) {
  std::string text = "accessible " + std::string(control) + " role " + std::to_string(reading.role) + " name " +
                     Quote(reading.name);
  if (reading.value) text += " value " + Quote(*reading.value);
  const std::string states = AccessibleStateNames(reading.state);
  text += " states " + (states.empty() ? std::string("none") : states);
  Write(text);
}

void ScriptLog::AccessibleActionRefused(std::string_view control) {
  Write("accessible-action " + std::string(control) + " refused");
}

void ScriptLog::Write(const std::string& text) {
  if (sink_) sink_("@" + std::to_string(time_ms_) + " " + text);
}

}  // namespace vitrelle::script
