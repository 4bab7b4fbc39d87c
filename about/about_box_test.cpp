// The About box on the model host's machine: a registry, files and a mail service
// the tests set up, and a modal form driven one user action at a time. The texts,
// the showings, the web link and the System Info cases a form file can describe are
// pinned by the scripts in about/scripts; these cases are the ones a script cannot see.
#include "about/about_box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "hosts/model/platform.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using model::ModelModalForm;
using model::ModelPlatform;

class AboutTest : public ::testing::Test {
 protected:
  AboutTest() {
    runtime_.SetModalStep([this] {
      ModelModalForm* form = machine_.TopForm();
      if (steps_.empty() || !form) return false;
      auto step = std::move(steps_.front());
      steps_.pop_front();
      step(*form);
      return true;
    });
  }

  // What the user does while the form is open, in order; when none is left, the
  // form closes as a script's end closes it.
  void Then(std::function<void(ModelModalForm&)> step) { steps_.push_back(std::move(step)); }
  void Click(std::string element) {
    Then([element](ModelModalForm& form) { form.ClickElement(element); });
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : runtime_.MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  model::Screen screen_{800, 600};
  model::ModelRuntime runtime_{screen_};
  ModelPlatform& machine_ = runtime_.Platform();
  std::deque<std::function<void(ModelModalForm&)>> steps_;
};

TEST_F(AboutTest, TheLinksAndTheEtchedRule) {
  FormSpec shown;
  Then([&](ModelModalForm& form) { shown = form.Spec(); });
  DisplayAboutBox(runtime_);

  auto elements = [&](std::string_view name) {
    std::vector<FormElement> found;
    for (const FormElement& e : shown.elements)
      if (e.name == name) found.push_back(e);
    return found;
  };
  for (const char* link : {"WebLink", "EmailLink"}) {
    SCOPED_TRACE(link);
    const auto found = elements(link);
    ASSERT_EQ(found.size(), 1u);
    const FormElement& e = found[0];
    EXPECT_EQ(e.kind, FormElement::Kind::kLink);
    EXPECT_EQ(e.fore_color, 0x8000000Du);
    EXPECT_EQ(e.cursor.size(), 32u * 32u);
    EXPECT_EQ(e.cursor_hot_x * 100 + e.cursor_hot_y, 1201);
    EXPECT_NE(e.cursor[e.cursor_hot_y * 32 + e.cursor_hot_x], 0) << "the hot spot is on the cursor's tip";
  }
  // The white line a pixel lower and to the right, two pixels wide.
  const auto rule = elements("Line1");
  ASSERT_EQ(rule.size(), 2u);
  EXPECT_EQ(rule[0].fore_color, 0x00808080u);
  EXPECT_EQ(rule[1].fore_color, 0x00FFFFFFu);
  EXPECT_EQ(rule[1].left - rule[0].left, 15);
  EXPECT_EQ(rule[1].top - rule[0].top, 15);
  EXPECT_EQ(rule[1].border_width, 2);
}

// Closed without OK (as a script's end closes it) or with OK, the form is released:
// each showing is a fresh form with a logon of its own.
TEST_F(AboutTest, EveryShowingIsAFreshFormHoweverTheLastOneClosed) {
  Click("EmailLink");
  DisplayAboutBox(runtime_);
  Click("EmailLink");
  Click("cmdOK");
  DisplayAboutBox(runtime_);
  EXPECT_EQ(machine_.TopForm(), nullptr) << "DisplayAboutBox returned with the form closed";
  Click("EmailLink");
  DisplayAboutBox(runtime_);
  EXPECT_THAT(machine_.MailCalls(),
              ElementsAre("logon 1", HasSubstr("send 1 "), "logoff 1", "logon 2", HasSubstr("send 2 "), "logoff 2",
                          "logon 3", HasSubstr("send 3 "), "logoff 3"));
}

// A refused logon leaves no session to end; the message box is OK only, no icon.
TEST_F(AboutTest, AFailedLogonShowsTheMailMessageAndLeavesTheFormOpen) {
  machine_.SetMailFault(ModelPlatform::MailFault::kLogon);
  bool open_after = false;
  Click("EmailLink");
  Then([&](ModelModalForm& form) { open_after = machine_.TopForm() == &form; });
  DisplayAboutBox(runtime_);
  EXPECT_TRUE(open_after);
  EXPECT_THAT(MessageTexts(), ElementsAre("A problem has occurred while trying to send an e-mail."));
  EXPECT_EQ(runtime_.MessageBoxes()[0].style, 0);
  EXPECT_THAT(machine_.MailCalls(), ElementsAre("logon failed"));
}

// ---------------------------------------------------------------------------
// System Info, where the registry holds what a form file's machine cannot state

using Machine = std::function<void(ModelPlatform&)>;
constexpr char kInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr char kToolPath[] = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
constexpr char kToolFolder[] = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo";
const std::string kFolderTool = std::string(kToolFolder) + "\\MSINFO32.EXE";

struct SysInfoRow {
  const char* name;
  Machine machine;
  std::vector<std::string> started;
};

class AboutSysInfo : public AboutTest, public ::testing::WithParamInterface<SysInfoRow> {};

TEST_P(AboutSysInfo, StartsTheToolOrSaysItIsUnavailable) {
  GetParam().machine(machine_);
  Click("cmdSysInfo");
  DisplayAboutBox(runtime_);
  EXPECT_EQ(machine_.Started(), GetParam().started);
  if (GetParam().started.empty()) {
    EXPECT_THAT(MessageTexts(), ElementsAre("System Information Is Unavailable At This Time"));
  } else {
    EXPECT_THAT(MessageTexts(), IsEmpty());
  }
  EXPECT_EQ(machine_.OpenKeys(), 0u) << "every key opened is closed";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutSysInfo,
    ::testing::Values(
        SysInfoRow{"ToolPathStoredWithoutItsTerminator",
                   [](ModelPlatform& m) {
                     m.SetRegistryString(kInfoKey, "PATH", kToolPath, /*terminated=*/false);
                     m.AddFile(kToolPath);
                   },
                   {kToolPath}},
        // The first value wins over the second when both are there.
        SysInfoRow{"BothValues",
                   [](ModelPlatform& m) {
                     m.SetRegistryString(kInfoKey, "PATH", kToolPath);
                     m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder);
                     m.AddFile(kToolPath);
                     m.AddFile(kFolderTool);
                   },
                   {kToolPath}},
        // The key is there but the value is not: on to the folder, whose tool is
        // found whatever the case of its name.
        SysInfoRow{"KeyWithoutTheValue",
                   [](ModelPlatform& m) {
                     m.SetRegistryDword(kInfoKey, "Version", 7);
                     m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder);
                     m.AddFile(std::string(kToolFolder) + "\\msinfo32.exe");
                   },
                   {kFolderTool}},
        SysInfoRow{"FolderWithoutTheTool",
                   [](ModelPlatform& m) { m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder); }, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// GetKeyValue on its own

constexpr char kKey[] = "SOFTWARE\\Vitrelle";

Machine Item(std::string data, bool terminated = true) {
  return [=](ModelPlatform& m) { m.SetRegistryString(kKey, "Item", data, terminated); };
}

struct KeyValueRow {
  const char* name;
  Machine machine;
  bool found;
  std::string value;  // what KeyVal holds afterwards; it starts as "before"
};

class GetKeyValueRows : public AboutTest, public ::testing::WithParamInterface<KeyValueRow> {};

TEST_P(GetKeyValueRows, ReadsOneValueAsText) {
  GetParam().machine(machine_);
  std::string value = "before";
  EXPECT_EQ(GetKeyValue(machine_, kKey, "Item", value), GetParam().found);
  EXPECT_EQ(value, GetParam().value);
  EXPECT_EQ(machine_.OpenKeys(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GetKeyValueRows,
    ::testing::Values(
        KeyValueRow{"String", Item("C:\\a b"), true, "C:\\a b"},
        KeyValueRow{"StringWithoutTerminator", Item("abc", false), true, "abc"},
        KeyValueRow{"EmptyString", Item(""), true, ""},
        KeyValueRow{"NamesIgnoreCase", [](ModelPlatform& m) { m.SetRegistryString("software\\VITRELLE", "ITEM", "x"); },
                    true, "x"},
        KeyValueRow{"Dword", [](ModelPlatform& m) { m.SetRegistryDword(kKey, "Item", 70000); }, true, "70000"},
        // Another type is found but leaves the text as it was.
        KeyValueRow{"Binary", [](ModelPlatform& m) { m.SetRegistryBinary(kKey, "Item", {1, 2, 3}); }, true, "before"},
        KeyValueRow{"NoKey", [](ModelPlatform&) {}, false, ""},
        KeyValueRow{"NoValue", [](ModelPlatform& m) { m.SetRegistryString(kKey, "Other", "x"); }, false, ""},
        // 1024 characters and the terminator do not fit the buffer.
        KeyValueRow{"TooLong", Item(std::string(1024, 'x')), false, ""},
        KeyValueRow{"LongestThatFits", Item(std::string(1023, 'x')), true, std::string(1023, 'x')}),
    [](const auto& info) { return std::string(info.param.name); });

// A key the user may only read opens only when no write right is asked for, so
// every row that finds its value has asked for reading only.
TEST_F(AboutTest, KeysAreOpenedForReadingOnly) {
  Item("x")(machine_);
  EXPECT_EQ(machine_.RegOpenKey(kKey, 0x2003F), 0u);
  std::string value;
  EXPECT_TRUE(GetKeyValue(machine_, kKey, "Item", value));
}

}  // namespace
}  // namespace vitrelle
