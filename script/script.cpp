#include "script/script.h"

#include <array>
#include <cctype>
#include <charconv>
#include <exception>
#include <filesystem>
#include <limits>
#include <ostream>
#include <span>
#include <stdexcept>

#include "frame/errors.h"
#include "frame/members.h"

namespace vitrelle::script {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitWords(std::string_view s) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    const size_t start = i;
    while (i < s.size() && !IsSpace(s[i])) ++i;
    if (i > start) words.push_back(s.substr(start, i - start));
  }
  return words;
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Length of the identifier at the start of `s`: a letter or underscore, then letters,
// digits and underscores.
size_t IdentifierLength(std::string_view s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return 0;
  size_t n = 1;
  while (n < s.size() && (std::isalnum(static_cast<unsigned char>(s[n])) || s[n] == '_')) ++n;
  return n;
}

bool ParseWhole(std::string_view s, int64_t min, int64_t max, int64_t& out) {
  if (s.empty()) return false;
  // from_chars takes a minus but no plus; scripts write neither hex nor a plus.
  if (!(IsDigit(s[0]) || (s[0] == '-' && s.size() > 1 && IsDigit(s[1])))) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size() && out >= min && out <= max;
}

// Twips: decimal, optionally negative (a drag leaves the control), optionally with a point.
bool ParseTwips(std::string_view s, float& out) {
  size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (digits == 0) return false;
  if (i < s.size() && s[i] == '.') {
    size_t fraction = 0;
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++fraction;
    if (fraction == 0) return false;
  }
  if (i != s.size()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

enum class ArgKind { kInteger, kTwips };
struct ArgSpec {
  const char* name;
  ArgKind kind;
};

// Parses `words` as the numbers `specs` names; `where` completes "expected ... after".
bool ParseArgs(std::span<const std::string_view> words, std::span<const ArgSpec> specs, std::string_view where,
               std::vector<double>& out, std::string& error) {
  if (words.size() != specs.size()) {
    error = "expected";
    for (const auto& spec : specs) error += std::string(" ") + spec.name;
    error += " after " + std::string(where);
    return false;
  }
  out.clear();
  for (size_t i = 0; i < words.size(); ++i) {
    if (specs[i].kind == ArgKind::kInteger) {
      int64_t v = 0;
      if (!ParseWhole(words[i], std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), v)) {
        error = std::string(specs[i].name) + " must be a whole number from -32768 to 32767, not " + Quoted(words[i]);
        return false;
      }
      out.push_back(static_cast<double>(v));
    } else {
      float v = 0;
      if (!ParseTwips(words[i], v)) {
        error = std::string(specs[i].name) + " must be a decimal number of twips, not " + Quoted(words[i]);
        return false;
      }
      out.push_back(static_cast<double>(v));
    }
  }
  return true;
}

constexpr std::string_view kAfterTarget = "the target";

// Statement parsers: each gets the words after the keyword.
class LineParser {
 public:
  LineParser(std::string_view keyword, std::string_view rest, std::string& error)
      : keyword_(keyword), rest_(rest), words_(SplitWords(rest)), error_(error) {}

  std::optional<Action> Parse();

 private:
  bool NoWords() {
    if (words_.empty()) return true;
    error_ = "unexpected " + Quoted(words_[0]) + " after " + Quoted(keyword_);
    return false;
  }

  std::optional<Target> TakeTarget(bool allow_part) {
    if (words_.empty()) {
      error_ = "expected a target after " + Quoted(keyword_);
      return std::nullopt;
    }
    auto target = ParseTarget(words_[0], error_);
    if (!target) return std::nullopt;
    if (!allow_part && !target->part.empty()) {
      error_ = Quoted(keyword_) + " takes a control, not one of its parts";
      return std::nullopt;
    }
    return target;
  }

  // TARGET.MEMBER, as `set`, `get` and `call` write it.
  std::optional<std::pair<Target, std::string>> TakeMember(std::string_view text, const char* what) {
    const size_t dot = text.find('.');
    const std::string_view member = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (dot == std::string_view::npos || member.empty() || IdentifierLength(member) != member.size()) {
      error_ = "expected TARGET." + std::string(what) + " after " + Quoted(keyword_) + ", not " + Quoted(text);
      return std::nullopt;
    }
    auto target = ParseTarget(text.substr(0, dot), error_);
    if (!target) return std::nullopt;
    if (!target->part.empty()) {
      error_ = Quoted(keyword_) + " goes through a control's extender and cannot name a part";
      return std::nullopt;
    }
    return std::make_pair(std::move(*target), std::string(member));
  }

  std::optional<Action> ParseSet();
  std::optional<Action> ParseMemberStatement(bool is_call);
  std::optional<Action> ParseClick(bool double_click);
  std::optional<Action> ParseMouse(MouseAction action);
  std::optional<Action> ParseKey(KeyAction action);
  std::optional<Action> ParseKeyPress();
  std::optional<Action> ParsePress();
  std::optional<Action> ParseResize();
  std::optional<Action> ParseWait();
  std::optional<std::string> ParsePath(std::string_view extension);

  std::string keyword_;
  std::string_view rest_;
  std::vector<std::string_view> words_;
  std::string& error_;
};

std::optional<Action> LineParser::Parse() {
  const std::string k = FoldName(keyword_);
  if (k == "show") return NoWords() ? std::optional<Action>(stmt::Show{}) : std::nullopt;
  if (k == "deactivate") return NoWords() ? std::optional<Action>(stmt::Deactivate{}) : std::nullopt;
  if (k == "activate") return NoWords() ? std::optional<Action>(stmt::Activate{}) : std::nullopt;
  if (k == "tab") return NoWords() ? std::optional<Action>(stmt::Tab{false}) : std::nullopt;
  if (k == "backtab") return NoWords() ? std::optional<Action>(stmt::Tab{true}) : std::nullopt;
  if (k == "wait") return ParseWait();
  if (k == "set") return ParseSet();
  if (k == "get") return ParseMemberStatement(false);
  if (k == "call") return ParseMemberStatement(true);
  if (k == "focus") {
    auto target = TakeTarget(true);
    if (!target) return std::nullopt;
    words_.erase(words_.begin());
    if (!NoWords()) return std::nullopt;
    return stmt::Focus{std::move(*target)};
  }
  if (k == "accessible" || k == "accessible-action") {
    auto target = TakeTarget(false);
    if (!target) return std::nullopt;
    words_.erase(words_.begin());
    if (!NoWords()) return std::nullopt;
    if (k == "accessible") return stmt::Accessible{std::move(*target)};
    return stmt::AccessibleAction{std::move(*target)};
  }
  if (k == "click") return ParseClick(false);
  if (k == "dblclick") return ParseClick(true);
  if (k == "mousedown") return ParseMouse(MouseAction::kDown);
  if (k == "mousemove") return ParseMouse(MouseAction::kMove);
  if (k == "mouseup") return ParseMouse(MouseAction::kUp);
  if (k == "keydown") return ParseKey(KeyAction::kDown);
  if (k == "keyup") return ParseKey(KeyAction::kUp);
  if (k == "keypress") return ParseKeyPress();
  if (k == "press") return ParsePress();
  if (k == "resize") return ParseResize();
  if (k == "save") {
    auto path = ParsePath(".vfm");
    if (!path) return std::nullopt;
    return stmt::Save{std::move(*path)};
  }
  if (k == "render") {
    auto path = ParsePath(".png");
    if (!path) return std::nullopt;
    return stmt::Render{std::move(*path)};
  }
  error_ = "unknown statement " + Quoted(keyword_);
  return std::nullopt;
}

std::optional<Action> LineParser::ParseWait() {
  int64_t ms = 0;
  // A bound far beyond any test keeps the clock's arithmetic clear of overflow.
  constexpr int64_t kMaxWait = int64_t{1} << 40;
  if (words_.size() != 1 || !ParseWhole(words_[0], 0, kMaxWait, ms)) {
    error_ = "expected a whole number of milliseconds after \"wait\"";
    return std::nullopt;
  }
  return stmt::Wait{ms};
}

std::optional<Action> LineParser::ParseSet() {
  const size_t eq = rest_.find('=');
  if (eq == std::string_view::npos) {
    error_ = "expected TARGET.MEMBER = VALUE after \"set\"";
    return std::nullopt;
  }
  const std::string_view left = Trim(rest_.substr(0, eq));
  if (left.empty() || SplitWords(left).size() != 1) {
    error_ = "expected TARGET.MEMBER = VALUE after \"set\"";
    return std::nullopt;
  }
  auto member = TakeMember(left, "MEMBER");
  if (!member) return std::nullopt;
  std::string value_error;
  auto value = ParseValueLiteral(rest_.substr(eq + 1), value_error);
  if (!value) {
    error_ = "bad value: " + value_error;
    return std::nullopt;
  }
  return stmt::Set{std::move(member->first), std::move(member->second), std::move(*value)};
}

std::optional<Action> LineParser::ParseMemberStatement(bool is_call) {
  const char* what = is_call ? "METHOD" : "MEMBER";
  if (words_.empty()) {
    error_ = "expected TARGET." + std::string(what) + " after " + Quoted(keyword_);
    return std::nullopt;
  }
  auto member = TakeMember(words_[0], what);
  if (!member) return std::nullopt;
  words_.erase(words_.begin());
  if (!NoWords()) return std::nullopt;
  if (is_call) return stmt::Call{std::move(member->first), std::move(member->second)};
  return stmt::Get{std::move(member->first), std::move(member->second)};
}

std::optional<Action> LineParser::ParseClick(bool double_click) {
  auto target = TakeTarget(true);
  if (!target) return std::nullopt;
  const auto args = std::span(words_).subspan(1);
  if (args.empty()) return stmt::Click{std::move(*target), std::nullopt, double_click};
  static constexpr std::array<ArgSpec, 2> kSpecs{{{"X", ArgKind::kTwips}, {"Y", ArgKind::kTwips}}};
  std::vector<double> v;
  if (!ParseArgs(args, kSpecs, kAfterTarget, v, error_)) return std::nullopt;
  return stmt::Click{std::move(*target), std::make_pair(static_cast<float>(v[0]), static_cast<float>(v[1])),
                     double_click};
}

std::optional<Action> LineParser::ParseMouse(MouseAction action) {
  auto target = TakeTarget(true);
  if (!target) return std::nullopt;
  static constexpr std::array<ArgSpec, 4> kSpecs{
      {{"BUTTON", ArgKind::kInteger}, {"SHIFT", ArgKind::kInteger}, {"X", ArgKind::kTwips}, {"Y", ArgKind::kTwips}}};
  std::vector<double> v;
  if (!ParseArgs(std::span(words_).subspan(1), kSpecs, kAfterTarget, v, error_)) return std::nullopt;
  return stmt::Mouse{action,
                     std::move(*target),
                     static_cast<int16_t>(v[0]),
                     static_cast<int16_t>(v[1]),
                     static_cast<float>(v[2]),
                     static_cast<float>(v[3])};
}

std::optional<Action> LineParser::ParseKey(KeyAction action) {
  auto target = TakeTarget(true);
  if (!target) return std::nullopt;
  static constexpr std::array<ArgSpec, 2> kSpecs{{{"KEYCODE", ArgKind::kInteger}, {"SHIFT", ArgKind::kInteger}}};
  std::vector<double> v;
  if (!ParseArgs(std::span(words_).subspan(1), kSpecs, kAfterTarget, v, error_)) return std::nullopt;
  return stmt::Key{action, std::move(*target), static_cast<int16_t>(v[0]), static_cast<int16_t>(v[1])};
}

std::optional<Action> LineParser::ParseKeyPress() {
  auto target = TakeTarget(true);
  if (!target) return std::nullopt;
  static constexpr std::array<ArgSpec, 1> kSpecs{{{"KEYASCII", ArgKind::kInteger}}};
  std::vector<double> v;
  if (!ParseArgs(std::span(words_).subspan(1), kSpecs, kAfterTarget, v, error_)) return std::nullopt;
  return stmt::KeyPress{std::move(*target), static_cast<int16_t>(v[0])};
}

std::optional<Action> LineParser::ParsePress() {
  if (words_.empty() || words_.size() > 2) {
    error_ = "expected KEYCODE [SHIFT] after \"press\"";
    return std::nullopt;
  }
  static constexpr std::array<ArgSpec, 2> kSpecs{{{"KEYCODE", ArgKind::kInteger}, {"SHIFT", ArgKind::kInteger}}};
  std::vector<double> v;
  if (!ParseArgs(words_, std::span(kSpecs).first(words_.size()), "\"press\"", v, error_)) return std::nullopt;
  return stmt::Press{static_cast<int16_t>(v[0]), static_cast<int16_t>(v.size() > 1 ? v[1] : 0)};
}

std::optional<Action> LineParser::ParseResize() {
  auto target = TakeTarget(false);
  if (!target) return std::nullopt;
  static constexpr std::array<ArgSpec, 2> kSpecs{{{"WIDTH", ArgKind::kTwips}, {"HEIGHT", ArgKind::kTwips}}};
  std::vector<double> v;
  if (!ParseArgs(std::span(words_).subspan(1), kSpecs, kAfterTarget, v, error_)) return std::nullopt;
  return stmt::Resize{std::move(*target), static_cast<float>(v[0]), static_cast<float>(v[1])};
}

std::optional<std::string> LineParser::ParsePath(std::string_view extension) {
  // The rest of the line, so that a path may hold blanks.
  const std::string_view path = Trim(rest_);
  const bool has_extension =
      path.size() > extension.size() && FoldName(path.substr(path.size() - extension.size())) == extension;
  if (!has_extension) {
    error_ = "expected a file name ending in " + std::string(extension) + " after " + Quoted(keyword_);
    return std::nullopt;
  }
  return std::string(path);
}

// Runs statements against the driver; a run-time error ends only its statement.
class Runner {
 public:
  Runner(Driver& driver, ScriptLog& log, std::string_view script_name, std::ostream& err)
      : driver_(driver), log_(log), script_name_(script_name), err_(err) {}

  // `line` 0 is the load, which no statement of its own stands for unless `design` does.
  template <class Step>
  int Run(int line, Step&& step) {
    log_.SetTime(driver_.Now());
    try {
      std::forward<Step>(step)();
    } catch (const RuntimeError& e) {
      log_.SetTime(driver_.Now());
      log_.Error(e.number(), e.description());
    } catch (const std::invalid_argument& e) {
      Stop(line, e.what());
      return kExitBadScript;
    } catch (const std::exception& e) {
      Stop(line, e.what());
      return kExitHostFailed;
    }
    return kExitOk;
  }

  void operator()(const stmt::Show&) { driver_.Show(); }
  void operator()(const stmt::Deactivate&) { driver_.Deactivate(); }
  void operator()(const stmt::Activate&) { driver_.Activate(); }
  void operator()(const stmt::Wait& s) { driver_.Wait(s.ms); }
  void operator()(const stmt::Set& s) {
    const Variant value = s.value.picture_path
                              ? driver_.LoadPicture(ResolveScriptPath(script_name_, *s.value.picture_path))
                              : s.value.value;
    driver_.Set(s.target, s.member, value);
  }
  void operator()(const stmt::Get& s) {
    const Variant value = driver_.Get(s.target, s.member);
    log_.SetTime(driver_.Now());
    log_.Value(s.target.Display(), s.member, value);
  }
  void operator()(const stmt::Call& s) { driver_.Call(s.target, s.method); }
  void operator()(const stmt::Focus& s) { driver_.Focus(s.target); }
  void operator()(const stmt::Tab& s) { driver_.Tab(s.backwards); }
  void operator()(const stmt::Click& s) { driver_.Click(s.target, s.at, s.double_click); }
  void operator()(const stmt::Mouse& s) { driver_.Mouse(s.action, s.target, s.button, s.shift, s.x, s.y); }
  void operator()(const stmt::Key& s) { driver_.Key(s.action, s.target, s.key_code, s.shift); }
  void operator()(const stmt::KeyPress& s) { driver_.KeyPress(s.target, s.key_ascii); }
  void operator()(const stmt::Press& s) { driver_.Press(s.key_code, s.shift); }
  void operator()(const stmt::Resize& s) { driver_.Resize(s.target, s.width, s.height); }
  void operator()(const stmt::Save& s) { driver_.Save(s.path); }
  void operator()(const stmt::Render& s) { driver_.Render(s.path); }
  void operator()(const stmt::Accessible& s) {
    const AccessibleReading reading = driver_.ReadAccessible(s.target);
    log_.SetTime(driver_.Now());
    log_.Accessible(s.target.Display(), reading);
  }
  void operator()(const stmt::AccessibleAction& s) {
    const bool done = driver_.DoAccessibleAction(s.target);
    log_.SetTime(driver_.Now());
    if (!done) log_.AccessibleActionRefused(s.target.Display());
  }

 private:
  void Stop(int line, std::string_view what) {
    err_ << script_name_;
    if (line > 0) err_ << ':' << line;
    err_ << ": " << what << '\n';
  }

  Driver& driver_;
  ScriptLog& log_;
  std::string_view script_name_;
  std::ostream& err_;
};

}  // namespace

std::optional<Target> ParseTarget(std::string_view text, std::string& error) {
  const auto bad = [&] {
    error = Quoted(text) + " is not a target: expected Name, Name(Index), Name:Part or Form";
    return std::nullopt;
  };
  Target target;
  size_t i = IdentifierLength(text);
  if (i == 0) return bad();
  target.name = std::string(text.substr(0, i));
  if (i < text.size() && text[i] == '(') {
    const size_t close = text.find(')', i);
    int64_t index = 0;
    if (close == std::string_view::npos ||
        !ParseWhole(text.substr(i + 1, close - i - 1), 0, std::numeric_limits<int16_t>::max(), index)) {
      return bad();
    }
    target.index = static_cast<int>(index);
    i = close + 1;
  }
  if (i < text.size() && text[i] == ':') {
    const std::string_view part = text.substr(i + 1);
    if (IdentifierLength(part) != part.size() || part.empty()) return bad();
    target.part = std::string(part);
    i = text.size();
  }
  if (i != text.size()) return bad();
  if (FoldName(target.name) == "form" && !target.IsForm()) {
    error = "the form takes neither an index nor a part: " + Quoted(text);
    return std::nullopt;
  }
  return target;
}

std::optional<Script> ParseScript(std::string_view text, ParseError& error) {
  Script script;
  bool first = true;
  int line_number = 0;
  for (size_t pos = 0, end = 0; end != std::string_view::npos; pos = end + 1) {
    ++line_number;
    end = text.find('\n', pos);
    // Trimming also drops the CR of a CRLF file.
    const std::string_view line = Trim(text.substr(pos, end == std::string_view::npos ? end : end - pos));
    if (line.empty() || line.front() == '#') continue;

    size_t keyword_end = 0;
    while (keyword_end < line.size() && !IsSpace(line[keyword_end])) ++keyword_end;
    const std::string_view keyword = line.substr(0, keyword_end);
    const std::string_view rest = line.substr(keyword_end);
    const bool was_first = first;
    first = false;

    if (FoldName(keyword) == "design") {
      if (!was_first) {
        error = {line_number, "\"design\" is allowed only as the first statement"};
        return std::nullopt;
      }
      if (!Trim(rest).empty()) {
        error = {line_number, "unexpected " + Quoted(Trim(rest)) + " after \"design\""};
        return std::nullopt;
      }
      script.design = true;
      continue;
    }
    std::string message;
    auto action = LineParser(keyword, rest, message).Parse();
    if (!action) {
      error = {line_number, std::move(message)};
      return std::nullopt;
    }
    script.statements.push_back({line_number, std::move(*action)});
  }
  return script;
}

std::string ResolveScriptPath(std::string_view script_name, std::string_view path) {
  const std::filesystem::path p(path);
  // A name without a folder ("-" or "<stdin>" for standard input) leaves the path as
  // it is, relative to the working directory.
  if (p.is_absolute()) return p.string();
  return (std::filesystem::path(script_name).parent_path() / p).string();
}

int RunScript(Driver& driver, std::string_view script_text, std::string_view script_name, std::ostream& out,
              std::ostream& err) {
  ParseError parse_error{0, {}};
  const auto script = ParseScript(script_text, parse_error);
  if (!script) {
    err << script_name << ':' << parse_error.line << ": " << parse_error.message << '\n';
    return kExitBadScript;
  }

  // Flushed line by line: a control that brings the process down still leaves the log
  // of everything before it.
  ScriptLog log([&out](const std::string& line) { out << line << '\n' << std::flush; });
  struct Detach {
    Driver& driver;
    ~Detach() { driver.SetLog(nullptr); }
  } detach{driver};
  driver.SetLog(&log);

  Runner runner(driver, log, script_name, err);
  if (const int status = runner.Run(0, [&] { driver.Load(script->design); }); status != kExitOk) return status;
  // One cursor for the whole run: a modal form opened by a statement runs the ones
  // after it from inside that statement, and they are not run again when it returns.
  size_t next = 0;
  int status = kExitOk;
  auto run_next = [&] {
    if (status != kExitOk || next >= script->statements.size()) return false;
    const Statement& statement = script->statements[next++];
    const int ran = runner.Run(statement.line, [&] { std::visit(runner, statement.action); });
    // A stop inside a modal form outlives the statement that opened the form.
    if (status == kExitOk) status = ran;
    return status == kExitOk;
  };
  struct Unhook {
    Driver& driver;
    ~Unhook() { driver.SetNextStatement(nullptr); }
  } unhook{driver};
  driver.SetNextStatement(run_next);
  while (run_next()) {
  }
  return status;
}

}  // namespace vitrelle::script
