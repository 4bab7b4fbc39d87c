// The About box on the model host's machine: a registry, files and a mail service
// the tests set up, and a modal form driven one user action at a time.
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

constexpr char kToolPath[] = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
constexpr char kToolFolder[] = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo";

class AboutTest : public ::testing::Test {
 protected:
  AboutTest() {
    runtime_.SetModalStep([this] {
      ModelModalForm* form = machine_.TopForm();
      if (steps_.empty() || !form) return false;
      auto step = std::move(steps_.front());
      steps_.pop_front();
      ++steps_run_;
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
  int steps_run_ = 0;
};

TEST_F(AboutTest, TheFormShowsTheLibraryTitleVersionAndBothLinks) {
  FormSpec shown;
  Then([&](ModelModalForm& form) { shown = form.Spec(); });
  Click("cmdOK");
  DisplayAboutBox(runtime_);

  EXPECT_EQ(shown.caption, " About Vitrelle");
  auto text = [&](std::string_view name) {
    for (const FormElement& e : shown.elements)
      if (e.name == name) return e;
    ADD_FAILURE() << name << " missing";
    return FormElement{};
  };
  EXPECT_EQ(text("lblTitle").text, "Vitrelle");
  EXPECT_EQ(text("lblVersion").text, "Version 1.4");
  for (const char* words : {"Vitrelle", "GlazeCheck", "GlazeRadio", "GlazeFrame", "GlazeSlider",
                            "colours, pictures or patterns beneath them"}) {
    EXPECT_THAT(text("lblDescription").text, HasSubstr(words));
  }
  EXPECT_EQ(text("cmdSysInfo").text, "&System Info...");
  for (const char* link : {"WebLink", "EmailLink"}) {
    const FormElement e = text(link);
    EXPECT_EQ(e.kind, FormElement::Kind::kLink);
    EXPECT_EQ(e.fore_color, 0x8000000Du);
    EXPECT_EQ(e.cursor.size(), 32u * 32u);
    EXPECT_EQ(e.cursor_hot_x * 100 + e.cursor_hot_y, 1201);
    EXPECT_NE(e.cursor[e.cursor_hot_y * 32 + e.cursor_hot_x], 0) << "the hot spot is on the cursor's tip";
  }
  // The etched rule: the white line a pixel lower and to the right, two pixels wide.
  std::vector<FormElement> rule;
  for (const FormElement& e : shown.elements)
    if (e.name == "Line1") rule.push_back(e);
  ASSERT_EQ(rule.size(), 2u);
  EXPECT_EQ(rule[0].fore_color, 0x00808080u);
  EXPECT_EQ(rule[1].fore_color, 0x00FFFFFFu);
  EXPECT_EQ(rule[1].left - rule[0].left, 15);
  EXPECT_EQ(rule[1].top - rule[0].top, 15);
  EXPECT_EQ(rule[1].border_width, 2);
}

TEST_F(AboutTest, OkReleasesTheFormAndTheNextShowingIsFresh) {
  Click("EmailLink");
  Click("cmdOK");
  DisplayAboutBox(runtime_);
  EXPECT_EQ(machine_.TopForm(), nullptr) << "DisplayAboutBox returned with the form closed";
  Click("EmailLink");
  Click("cmdOK");
  DisplayAboutBox(runtime_);
  // A fresh form has no logon of its own yet: it logs on again.
  EXPECT_THAT(machine_.MailCalls(),
              ElementsAre("logon 1", "send 1 to \"about@vitrelle.example\" subject \"Vitrelle, Version 1.4\"",
                          "logoff 1", "logon 2", "send 2 to \"about@vitrelle.example\" subject \"Vitrelle, Version 1.4\"",
                          "logoff 2"));
}

TEST_F(AboutTest, TwoMessagesInOneShowingShareOneLogonAndClosingLogsOff) {
  Click("EmailLink");
  Click("EmailLink");
  DisplayAboutBox(runtime_);  // closed without OK, as the end of a script closes it
  ASSERT_EQ(machine_.MailCalls().size(), 4u);
  EXPECT_EQ(machine_.MailCalls()[0], "logon 1");
  EXPECT_THAT(machine_.MailCalls()[2], HasSubstr("send 1 "));
  EXPECT_EQ(machine_.MailCalls()[3], "logoff 1");
}

TEST_F(AboutTest, AFormClosedWithoutOkLoadsAgainOnTheNextShowing) {
  Click("EmailLink");
  DisplayAboutBox(runtime_);
  Click("EmailLink");
  DisplayAboutBox(runtime_);
  EXPECT_THAT(machine_.MailCalls(), ElementsAre("logon 1", HasSubstr("send 1"), "logoff 1", "logon 2",
                                                HasSubstr("send 2"), "logoff 2"));
}

TEST_F(AboutTest, ShowingTheFormWhileItIsShownRaises400) {
  int raised = 0;
  Then([&](ModelModalForm&) {
    try {
      DisplayAboutBox(runtime_);
    } catch (const RuntimeError& e) {
      raised = e.number();
    }
  });
  DisplayAboutBox(runtime_);
  EXPECT_EQ(raised, 400);
}

TEST_F(AboutTest, TheWebLinkOpensItsAddressThroughTheShell) {
  Click("WebLink");
  DisplayAboutBox(runtime_);
  EXPECT_THAT(machine_.Opened(), ElementsAre("http://www.vitrelle.example/"));
  EXPECT_THAT(MessageTexts(), IsEmpty());
}

struct MailFaultRow {
  const char* name;
  ModelPlatform::MailFault fault;
  std::vector<std::string> calls;
};

class AboutMailFault : public AboutTest, public ::testing::WithParamInterface<MailFaultRow> {};

TEST_P(AboutMailFault, ShowsTheMailMessageAndLeavesTheFormOpen) {
  machine_.SetMailFault(GetParam().fault);
  bool open_after = false;
  Click("EmailLink");
  Then([&](ModelModalForm& form) { open_after = machine_.TopForm() == &form; });
  Click("cmdOK");
  DisplayAboutBox(runtime_);
  EXPECT_TRUE(open_after);
  EXPECT_EQ(steps_run_, 3);
  EXPECT_THAT(MessageTexts(), ElementsAre("A problem has occurred while trying to send an e-mail."));
  EXPECT_EQ(runtime_.MessageBoxes()[0].style, 0) << "OK only, no icon";
  EXPECT_EQ(machine_.MailCalls(), GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutMailFault,
    ::testing::Values(
        // No logon was made, so there is none to end.
        MailFaultRow{"Logon", ModelPlatform::MailFault::kLogon, {"logon failed"}},
        MailFaultRow{"Send",
                     ModelPlatform::MailFault::kSend,
                     {"logon 1", "send 1 to \"about@vitrelle.example\" subject \"Vitrelle, Version 1.4\" failed",
                      "logoff 1"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// System Info

struct SysInfoRow {
  const char* name;
  std::function<void(ModelPlatform&)> machine;
  std::vector<std::string> started;
  bool unavailable;
};

class AboutSysInfo : public AboutTest, public ::testing::WithParamInterface<SysInfoRow> {};

TEST_P(AboutSysInfo, StartsTheToolOrSaysItIsUnavailable) {
  GetParam().machine(machine_);
  Click("cmdSysInfo");
  DisplayAboutBox(runtime_);
  EXPECT_EQ(machine_.Started(), GetParam().started);
  if (GetParam().unavailable) {
    EXPECT_THAT(MessageTexts(), ElementsAre("System Information Is Unavailable At This Time"));
  } else {
    EXPECT_THAT(MessageTexts(), IsEmpty());
  }
  EXPECT_EQ(machine_.OpenKeys(), 0u) << "every key opened is closed";
}

const char kInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutSysInfo,
    ::testing::Values(
        SysInfoRow{"NeitherValue", [](ModelPlatform&) {}, {}, true},
        // The keys are read-only to the user, as HKEY_LOCAL_MACHINE is to a standard user.
        SysInfoRow{"ToolPath",
                   [](ModelPlatform& m) {
                     m.SetRegistryString(kInfoKey, "PATH", kToolPath);
                     m.AddFile(kToolPath);
                   },
                   {kToolPath},
                   false},
        SysInfoRow{"ToolPathStoredWithoutItsTerminator",
                   [](ModelPlatform& m) {
                     m.SetRegistryString(kInfoKey, "PATH", kToolPath, /*terminated=*/false);
                     m.AddFile(kToolPath);
                   },
                   {kToolPath},
                   false},
        SysInfoRow{"ToolPathThatWillNotStart",
                   [](ModelPlatform& m) { m.SetRegistryString(kInfoKey, "PATH", kToolPath); },
                   {kToolPath},
                   true},
        SysInfoRow{"ToolFolder",
                   [](ModelPlatform& m) {
                     m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder);
                     m.AddFile(std::string(kToolFolder) + "\\MSINFO32.EXE");
                   },
                   {std::string(kToolFolder) + "\\MSINFO32.EXE"},
                   false},
        SysInfoRow{"ToolFolderWithoutTheTool",
                   [](ModelPlatform& m) { m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder); },
                   {},
                   true},
        // The first value wins over the second when both are there.
        SysInfoRow{"BothValues",
                   [](ModelPlatform& m) {
                     m.SetRegistryString(kInfoKey, "PATH", kToolPath);
                     m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder);
                     m.AddFile(kToolPath);
                     m.AddFile(std::string(kToolFolder) + "\\MSINFO32.EXE");
                   },
                   {kToolPath},
                   false},
        // The key is there but the value is not: on to the folder.
        SysInfoRow{"KeyWithoutTheValue",
                   [](ModelPlatform& m) {
                     m.SetRegistryDword(kInfoKey, "Version", 7);
                     m.SetRegistryString(kLocationKey, "MSINFO", kToolFolder);
                     m.AddFile(std::string(kToolFolder) + "\\msinfo32.exe");
                   },
                   {std::string(kToolFolder) + "\\MSINFO32.EXE"},
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// GetKeyValue on its own

struct KeyValueRow {
  const char* name;
  std::function<void(ModelPlatform&)> machine;
  bool found;
  std::string value;  // what KeyVal holds afterwards; it starts as "before"
};

class GetKeyValueRows : public AboutTest, public ::testing::WithParamInterface<KeyValueRow> {};

TEST_P(GetKeyValueRows, ReadsOneValueAsText) {
  GetParam().machine(machine_);
  std::string value = "before";
  EXPECT_EQ(GetKeyValue(machine_, "SOFTWARE\\Vitrelle", "Item", value), GetParam().found);
  EXPECT_EQ(value, GetParam().value);
  EXPECT_EQ(machine_.OpenKeys(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GetKeyValueRows,
    ::testing::Values(
        KeyValueRow{"String", [](ModelPlatform& m) { m.SetRegistryString("SOFTWARE\\Vitrelle", "Item", "C:\\a b"); },
                    true, "C:\\a b"},
        KeyValueRow{"StringWithoutTerminator",
                    [](ModelPlatform& m) { m.SetRegistryString("SOFTWARE\\Vitrelle", "Item", "abc", false); }, true,
                    "abc"},
        KeyValueRow{"EmptyString", [](ModelPlatform& m) { m.SetRegistryString("SOFTWARE\\Vitrelle", "Item", ""); },
                    true, ""},
        KeyValueRow{"NamesIgnoreCase",
                    [](ModelPlatform& m) { m.SetRegistryString("software\\VITRELLE", "ITEM", "x"); }, true, "x"},
        KeyValueRow{"Dword", [](ModelPlatform& m) { m.SetRegistryDword("SOFTWARE\\Vitrelle", "Item", 70000); }, true,
                    "70000"},
        // Another type is found but leaves the text as it was.
        KeyValueRow{"Binary",
                    [](ModelPlatform& m) { m.SetRegistryBinary("SOFTWARE\\Vitrelle", "Item", {1, 2, 3}); }, true,
                    "before"},
        KeyValueRow{"NoKey", [](ModelPlatform&) {}, false, ""},
        KeyValueRow{"NoValue", [](ModelPlatform& m) { m.SetRegistryString("SOFTWARE\\Vitrelle", "Other", "x"); },
                    false, ""},
        // 1024 characters and the terminator do not fit the buffer.
        KeyValueRow{"TooLong",
                    [](ModelPlatform& m) {
                      m.SetRegistryString("SOFTWARE\\Vitrelle", "Item", std::string(1024, 'x'));
                    },
                    false, ""},
        KeyValueRow{"LongestThatFits",
                    [](ModelPlatform& m) {
                      m.SetRegistryString("SOFTWARE\\Vitrelle", "Item", std::string(1023, 'x'));
                    },
                    true, std::string(1023, 'x')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutTest, KeysAreOpenedForReadingOnly) {
  // A key the user could also write opens either way; one the user may only read
  // opens only when no write right is asked for.
  machine_.SetRegistryString("SOFTWARE\\Vitrelle", "Item", "x");
  EXPECT_EQ(machine_.RegOpenKey("SOFTWARE\\Vitrelle", 0x2003F), 0u);
  std::string value;
  EXPECT_TRUE(GetKeyValue(machine_, "SOFTWARE\\Vitrelle", "Item", value));
  EXPECT_EQ(value, "x");
}

}  // namespace
}  // namespace vitrelle
