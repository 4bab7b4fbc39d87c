#include "script/script.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "frame/accessibility.h"
#include "frame/errors.h"

namespace vitrelle::script {
namespace {

std::string Num(float v) { return Variant::Single(v).ToString(); }

// A driver that knows only the calls a test announced, in order. Any other call, or an
// announced call that never comes, fails the test.
class StrictDriver : public Driver {
 public:
  using Effect = std::function<Variant()>;

  ~StrictDriver() override {
    for (const auto& e : expected_) ADD_FAILURE() << "expected call never came: " << e.first;
  }

  void Expect(std::string call, Effect effect = {}) { expected_.emplace_back(std::move(call), std::move(effect)); }
  ScriptLog* log() const { return log_; }
  // Moves the clock without telling the log: the runner must read Now() itself.
  void AdvanceQuietly(int64_t ms) { now_ += ms; }

  void SetLog(ScriptLog* log) override { log_ = log; }
  void SetNextStatement(std::function<bool()> next) override { next_ = std::move(next); }
  // What a host's modal form does while it is open: the statements after the one
  // that opened it, until none is left.
  int RunNextStatements() {
    int ran = 0;
    while (next_ && next_()) ++ran;
    return ran;
  }
  int64_t Now() const override { return now_; }
  void Load(bool design) override { Record(design ? "Load design" : "Load"); }
  void Show() override { Record("Show"); }
  void Deactivate() override { Record("Deactivate"); }
  void Activate() override { Record("Activate"); }
  void Wait(int64_t ms) override { Record("Wait " + std::to_string(ms)); }
  Variant LoadPicture(const std::string& path) override { return Record("LoadPicture " + path); }
  void Set(const Target& t, std::string_view member, const Variant& value) override {
    Record("Set " + t.Display() + "." + std::string(member) + " = " + value.ToLiteral());
  }
  Variant Get(const Target& t, std::string_view member) override {
    return Record("Get " + t.Display() + "." + std::string(member));
  }
  void Call(const Target& t, std::string_view method) override {
    Record("Call " + t.Display() + "." + std::string(method));
  }
  void Focus(const Target& t) override { Record("Focus " + t.Display()); }
  void Tab(bool backwards) override { Record(backwards ? "Backtab" : "Tab"); }
  void Click(const Target& t, std::optional<std::pair<float, float>> at, bool double_click) override {
    std::string call = (double_click ? "DblClick " : "Click ") + t.Display();
    if (at) call += " at " + Num(at->first) + "," + Num(at->second);
    Record(call);
  }
  void Mouse(MouseAction action, const Target& t, int16_t button, int16_t shift, float x, float y) override {
    static constexpr const char* kNames[] = {"MouseDown ", "MouseMove ", "MouseUp "};
    Record(kNames[static_cast<int>(action)] + t.Display() + " " + std::to_string(button) + " " +
           std::to_string(shift) + " " + Num(x) + "," + Num(y));
  }
  void Key(KeyAction action, const Target& t, int16_t key_code, int16_t shift) override {
    Record((action == KeyAction::kDown ? "KeyDown " : "KeyUp ") + t.Display() + " " + std::to_string(key_code) +
           " " + std::to_string(shift));
  }
  void KeyPress(const Target& t, int16_t key_ascii) override {
    Record("KeyPress " + t.Display() + " " + std::to_string(key_ascii));
  }
  void Press(int16_t key_code, int16_t shift) override {
    Record("Press " + std::to_string(key_code) + " " + std::to_string(shift));
  }
  void Resize(const Target& t, float width, float height) override {
    Record("Resize " + t.Display() + " " + Num(width) + "," + Num(height));
  }
  void Save(const std::string& path) override { Record("Save " + path); }
  void Render(const std::string& path) override { Record("Render " + path); }
  // An action is refused when its effect gives False.
  AccessibleReading ReadAccessible(const Target& t) override {
    Record("Accessible " + t.Display());
    return {};
  }
  bool DoAccessibleAction(const Target& t) override {
    const Variant done = Record("AccessibleAction " + t.Display());
    return done.IsEmpty() || done.ToBoolean();
  }

 private:
  Variant Record(const std::string& call) {
    EXPECT_NE(log_, nullptr) << call << " came without a log attached";
    if (expected_.empty()) {
      ADD_FAILURE() << "unexpected call: " << call;
      return {};
    }
    auto [want, effect] = std::move(expected_.front());
    expected_.pop_front();
    EXPECT_EQ(call, want);
    return effect ? effect() : Variant();
  }

  std::deque<std::pair<std::string, Effect>> expected_;
  std::function<bool()> next_;
  ScriptLog* log_ = nullptr;
  int64_t now_ = 0;
};

StrictDriver::Effect Raises(int number) {
  return [number]() -> Variant { throw RuntimeError(number); };
}

class ScriptTest : public testing::Test {
 protected:
  int Run(std::string_view text, std::string_view name = "script.txt") {
    return RunScript(driver_, text, name, out_, err_);
  }
  StrictDriver driver_;
  std::ostringstream out_, err_;
};

struct StatementCase {
  const char* line;
  const char* call;
};

class StatementTest : public ScriptTest, public testing::WithParamInterface<StatementCase> {};

TEST_P(StatementTest, ReachesTheDriverAsWritten) {
  driver_.Expect("Load");
  driver_.Expect(GetParam().call);
  EXPECT_EQ(Run(GetParam().line), kExitOk) << err_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(out_.str(), "");
}

// The plain forms of the statements the controls' scripts run are pinned by their
// logs; these are the spellings and arguments those scripts do not write.
const StatementCase kStatements[] = {
    {"  SHOW \t", "Show"}, {"tab", "Tab"}, {"backtab", "Backtab"}, {"set Slider1.Value=-5", "Set Slider1.Value = -5"},
    {"set Option1(3).Caption = \"say \"\"hi\"\" = #1\"", "Set Option1(3).Caption = \"say \"\"hi\"\" = #1\""},
    {"set Form.BackColor = 0x00C0E0FF", "Set Form.BackColor = 12640511"},
    {"set check1(0).enabled = FALSE", "Set check1(0).enabled = False"},
    {"set Slider1.Width = 1.5", "Set Slider1.Width = 1.5"},
    {"set Check1.Picture = Nothing", "Set Check1.Picture = Nothing"},
    {"call Option1(0).SetFocus", "Call Option1(0).SetFocus"}, {"focus Check1:lblCaption", "Focus Check1:lblCaption"},
    {"focus Option1(2):picGlyph", "Focus Option1(2):picGlyph"}, {"focus Form", "Focus Form"},
    {"click Check1(2):lblCaption 15 30", "Click Check1(2):lblCaption at 15,30"},
    {"dblclick Form 100.5 -20", "DblClick Form at 100.5,-20"},
    {"mousedown Slider1 1 0 120 45", "MouseDown Slider1 1 0 120,45"},
    {"mousemove Slider1 1 1 -30 45", "MouseMove Slider1 1 1 -30,45"},
    {"mouseup Slider1:picThumb 1 0 7.5 2", "MouseUp Slider1:picThumb 1 0 7.5,2"},
    {"keyup Check1:chkBox 32 1", "KeyUp Check1:chkBox 32 1"}, {"keypress Option1(1) 65", "KeyPress Option1(1) 65"},
    {"press 9", "Press 9 0"}, {"press 9 1", "Press 9 1"}, {"resize Check1 1200 300", "Resize Check1 1200,300"},
    {"save out.vfm", "Save out.vfm"}, {"Accessible-Action Option1(2)", "AccessibleAction Option1(2)"},
    {"render shots/after click.PNG", "Render shots/after click.PNG"},
};

INSTANTIATE_TEST_SUITE_P(Statements, StatementTest, testing::ValuesIn(kStatements));

TEST_F(ScriptTest, CommentsBlankLinesAndDesignComeBeforeTheFirstStatement) {
  driver_.Expect("Load design");
  driver_.Expect("Show");
  driver_.Expect("Tab");
  EXPECT_EQ(Run("# a form at design time\r\n\r\n   \ndesign\r\nshow\n  # indented comment\ntab"), kExitOk);
}

struct BadCase {
  const char* script;
  const char* where_and_why;  // "LINE: MESSAGE" in script.txt
};

class BadStatementTest : public ScriptTest, public testing::WithParamInterface<BadCase> {};

// The strict driver expects nothing: not even the load happens for a bad script.
TEST_P(BadStatementTest, StopsBeforeAnythingRuns) {
  EXPECT_EQ(Run(GetParam().script), kExitBadScript);
  EXPECT_EQ(err_.str(), "script.txt:" + std::string(GetParam().where_and_why) + "\n");
  EXPECT_EQ(out_.str(), "");
}

const BadCase kBadStatements[] = {
    {"show\nclick Check1 10\n", "2: expected X Y after the target"},
    {"show\r\n# c\r\n\r\nclik Check1\r\nshow", "4: unknown statement \"clik\""},
    {"show\ndesign", "2: \"design\" is allowed only as the first statement"},
    {"design\ndesign", "2: \"design\" is allowed only as the first statement"},
    {"design now", "1: unexpected \"now\" after \"design\""},
    {"wait -5", "1: expected a whole number of milliseconds after \"wait\""},
    {"wait 1.5", "1: expected a whole number of milliseconds after \"wait\""},
    {"wait", "1: expected a whole number of milliseconds after \"wait\""},
    {"set Check1.Value 1", "1: expected TARGET.MEMBER = VALUE after \"set\""},
    {"set Check1 Value = 1", "1: expected TARGET.MEMBER = VALUE after \"set\""},
    {"set Check1.Value = \"abc", "1: bad value: the string has no closing quote"},
    {"set Check1:lblCaption.Caption = \"x\"", "1: \"set\" goes through a control's extender and cannot name a part"},
    {"get Check1", "1: expected TARGET.MEMBER after \"get\", not \"Check1\""},
    {"get Check1.Value extra", "1: unexpected \"extra\" after \"get\""},
    {"call Check1.Move 1 2", "1: unexpected \"1\" after \"call\""}, {"click", "1: expected a target after \"click\""},
    {"click Check1( 10 20", "1: \"Check1(\" is not a target: expected Name, Name(Index), Name:Part or Form"},
    {"click Option1(-1)", "1: \"Option1(-1)\" is not a target: expected Name, Name(Index), Name:Part or Form"},
    {"focus Check1:", "1: \"Check1:\" is not a target: expected Name, Name(Index), Name:Part or Form"},
    {"focus Form(1)", "1: the form takes neither an index nor a part: \"Form(1)\""},
    {"mousedown Slider1 1 0 10", "1: expected BUTTON SHIFT X Y after the target"},
    {"mousemove Slider1 1 0 1,5 3", "1: X must be a decimal number of twips, not \"1,5\""},
    {"keydown Check1 70000 0", "1: KEYCODE must be a whole number from -32768 to 32767, not \"70000\""},
    {"keyup Check1 0x20 0", "1: KEYCODE must be a whole number from -32768 to 32767, not \"0x20\""},
    {"keypress Check1", "1: expected KEYASCII after the target"},
    {"press", "1: expected KEYCODE [SHIFT] after \"press\""},
    {"press 9 1 2", "1: expected KEYCODE [SHIFT] after \"press\""},
    {"resize Check1:lblCaption 10 10", "1: \"resize\" takes a control, not one of its parts"},
    {"save out.png", "1: expected a file name ending in .vfm after \"save\""},
    {"render", "1: expected a file name ending in .png after \"render\""},
    {"show now", "1: unexpected \"now\" after \"show\""}, {"tab 2", "1: unexpected \"2\" after \"tab\""},
    {"accessible", "1: expected a target after \"accessible\""},
    {"accessible Check1:chkBox", "1: \"accessible\" takes a control, not one of its parts"},
    {"accessible-action Check1 now", "1: unexpected \"now\" after \"accessible-action\""},
};

INSTANTIATE_TEST_SUITE_P(Errors, BadStatementTest, testing::ValuesIn(kBadStatements));

TEST_F(ScriptTest, RunTimeErrorsAreLoggedAndTheRunGoesOn) {
  driver_.Expect("Load", Raises(err::kObjectNotSet));
  driver_.Expect("Show", [this] {
    driver_.AdvanceQuietly(40);
    return Variant();
  });
  driver_.Expect("Set Slider1.Max = -5", Raises(err::kInvalidPropertyValue));
  driver_.Expect("Call Slider1.Fly", [] () -> Variant { throw RuntimeError(438, "Custom words"); });
  driver_.Expect("Get Slider1.Max", [] { return Variant::Integer(10); });
  EXPECT_EQ(Run("show\nset Slider1.Max = -5\ncall Slider1.Fly\nget Slider1.Max"), kExitOk);
  EXPECT_EQ(out_.str(),
            "@0 error 91: Object variable or With block variable not set\n"
            "@40 error 380: Invalid property value\n"
            "@40 error 438: Custom words\n"
            "@40 Slider1.Max = 10\n");
}

TEST_F(ScriptTest, AHostFailureStopsTheRunWithStatusOne) {
  driver_.Expect("Load");
  driver_.Expect("Render /nowhere/x.png", []() -> Variant { throw std::runtime_error("cannot write /nowhere/x.png"); });
  EXPECT_EQ(Run("render /nowhere/x.png\nshow", "t/run.txt"), kExitHostFailed);
  EXPECT_EQ(err_.str(), "t/run.txt:1: cannot write /nowhere/x.png\n");
}

TEST_F(ScriptTest, APictureIsOpenedFromTheScriptsFolderThenAssigned) {
  driver_.Expect("Load");
  driver_.Expect("LoadPicture tests/forms/art/back.png", [] { return Variant::String("the picture"); });
  driver_.Expect("Set Form.Picture = \"the picture\"");
  driver_.Expect("LoadPicture tests/forms/missing.png", [] () -> Variant {
    throw RuntimeError(53, "File not found");
  });
  // A picture that cannot be opened is the statement's error; the assignment never happens.
  EXPECT_EQ(Run("set Form.Picture = picture(\"art/back.png\")\nset Check1.Picture = picture(\"missing.png\")",
                "tests/forms/run.txt"),
            kExitOk);
  EXPECT_EQ(out_.str(), "@0 error 53: File not found\n");
}

struct PathCase {
  const char* script_name;
  const char* path;
  const char* resolved;
};

class ResolveScriptPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(ResolveScriptPathTest, RelativeToTheScriptsFolder) {
  EXPECT_EQ(ResolveScriptPath(GetParam().script_name, GetParam().path), GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(Paths, ResolveScriptPathTest,
                         testing::Values(PathCase{"dir/run.txt", "a.png", "dir/a.png"},
                                         PathCase{"run.txt", "a.png", "a.png"}, PathCase{"-", "sub/a.png", "sub/a.png"},
                                         PathCase{"dir/run.txt", "/abs/a.png", "/abs/a.png"},
                                         PathCase{"/x/y/run.txt", "../a.png", "/x/y/../a.png"}));

struct LogCase {
  std::function<void(ScriptLog&)> write;
  const char* line;
};

class ScriptLogTest : public testing::TestWithParam<LogCase> {};

TEST_P(ScriptLogTest, WritesOneLineWithTheTime) {
  std::vector<std::string> lines;
  ScriptLog log([&](const std::string& line) { lines.push_back(line); });
  log.SetTime(7);
  GetParam().write(log);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptLogTest,
    testing::Values(
        LogCase{[](ScriptLog& l) {
                  const Variant args[] = {Variant::String("say \"x\""), Variant::Boolean(false)};
                  l.Event("Option1(2)", "Custom", args);
                },
                "@7 event Option1(2).Custom(\"say \"\"x\"\"\", False)"},
        LogCase{[](ScriptLog& l) { l.Focus("Check1:chkBox"); }, "@7 focus Check1:chkBox"},
        LogCase{[](ScriptLog& l) { l.MsgBox(" GlazeSlider", "Max \"too\" low"); },
                "@7 msgbox \" GlazeSlider\" \"Max \"\"too\"\" low\""},
        LogCase{[](ScriptLog& l) {
                  l.Accessible("Check1", {kRoleCheckButton, "Save & \"close\"", std::nullopt,
                                          kStateChecked | kStateUnavailable | kStateInvisible});
                },
                "@7 accessible Check1 role 44 name \"Save & \"\"close\"\"\" states unavailable checked invisible"}));

// How targets display is what the statements above reach the driver as.
TEST(TargetTest, OnlyTheWordFormInAnyCaseIsTheForm) {
  EXPECT_TRUE((Target{"form", -1, ""}).IsForm());
  EXPECT_FALSE((Target{"Form1", -1, ""}).IsForm());
}

// A modal form opened by one statement runs the next ones from inside it; they run
// once, and a stop among them (a target the host does not know) ends the whole run
// at its line.
TEST_F(ScriptTest, StatementsAfterAModalFormRunInsideTheStatementThatOpenedIt) {
  int inside = -1;
  auto opens = [&] {
    inside = driver_.RunNextStatements();
    return Variant();
  };
  driver_.Expect("Load");
  driver_.Expect("Call Check1.DisplayAboutBox", opens);
  driver_.Expect("Click frmAbout:cmdOK");
  driver_.Expect("Press 27 0");
  EXPECT_EQ(Run("call Check1.DisplayAboutBox\nclick frmAbout:cmdOK\npress 27\n"), kExitOk) << err_.str();
  EXPECT_EQ(inside, 2);

  driver_.Expect("Load");
  driver_.Expect("Call Check1.DisplayAboutBox", opens);
  driver_.Expect("Click Check1", []() -> Variant { throw std::invalid_argument("Check1: frmAbout is open"); });
  EXPECT_EQ(Run("call Check1.DisplayAboutBox\nclick Check1\nshow\n"), kExitBadScript);
  EXPECT_EQ(inside, 0);
  EXPECT_EQ(err_.str(), "script.txt:2: Check1: frmAbout is open\n");
  EXPECT_EQ(driver_.log(), nullptr) << "the log must not outlive the run";
}

}  // namespace
}  // namespace vitrelle::script
