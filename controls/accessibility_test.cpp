// What a screen reader is told of each library control, on a model form: the
// same reading of the controls' members that the server answers WM_GETOBJECT with.
#include "frame/accessibility.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hosts/model/form.h"
#include "hosts/model/form_file.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

constexpr const char* kForm = R"(Begin Form Access
   Begin GlazeCheck Check1
      Caption = "&Save && close"
   End
   Begin GlazeCheck Check2
      Caption = ""
      Enabled = False
      value = 1
   End
   Begin GlazeRadio Radio1
      Top = 600
      Caption = "Option"
   End
   Begin GlazeSlider Slider1
      Top = 1200
      Max = 50
      value = 20
   End
   Begin GlazeFrame Frame1
      Top = 2000
      Caption = "Group"
   End
End
)";

class AccessibilityTest : public ::testing::Test {
 protected:
  AccessibilityTest() {
    model::RegisterLibraryClasses();
    form_ = model::LoadFormText(runtime_, kForm, "access.vfm", /*user_mode=*/true);
    form_->Show();
    runtime_.Advance(300);
  }
  AccessibleView View(std::string_view name) {
    const DispatchPtr control = form_->Extender(name);
    return DescribeForAccessibility(form_->GetSite(name).ClassName(), *control, name);
  }
  bool Act(std::string_view name) {
    const DispatchPtr control = form_->Extender(name);
    return DoAccessibleDefaultAction(form_->GetSite(name).ClassName(), *control);
  }

  model::Screen screen_{800, 600};
  model::ModelRuntime runtime_{screen_};
  std::shared_ptr<model::Form> form_;
};

TEST_F(AccessibilityTest, EachControlHasItsRoleNameAndStates) {
  struct Row {
    const char* name;
    int role;
    const char* read_as;
    bool checked, unavailable, focusable;
    const char* action;
  };
  for (const Row& r : {Row{"Check1", kRoleCheckButton, "Save & close", false, false, true, "Check"},
                       // No caption: the control's name; disabled and checked.
                       Row{"Check2", kRoleCheckButton, "Check2", true, true, true, "Uncheck"},
                       Row{"Radio1", kRoleRadioButton, "Option", false, false, true, "Check"},
                       Row{"Slider1", kRoleSlider, "Slider1", false, false, true, ""},
                       Row{"Frame1", kRoleGrouping, "Group", false, false, false, ""}}) {
    SCOPED_TRACE(r.name);
    const AccessibleView v = View(r.name);
    EXPECT_EQ(v.role, r.role);
    EXPECT_EQ(v.name, r.read_as);
    EXPECT_EQ(v.checked, r.checked);
    EXPECT_EQ(v.unavailable, r.unavailable);
    EXPECT_EQ(v.focusable, r.focusable);
    EXPECT_EQ(v.default_action, r.action);
  }
  EXPECT_EQ(View("Slider1").value, "20");
  EXPECT_EQ(View("Check1").value, std::nullopt);
}

TEST_F(AccessibilityTest, TheDefaultActionTogglesTheCheckAndSetsTheOption) {
  EXPECT_TRUE(Act("Check1"));
  EXPECT_TRUE(View("Check1").checked);
  EXPECT_TRUE(Act("Check1"));
  EXPECT_FALSE(View("Check1").checked);
  EXPECT_TRUE(Act("Radio1"));
  EXPECT_TRUE(View("Radio1").checked);
  EXPECT_TRUE(Act("Radio1"));  // an option that is set stays set
  EXPECT_TRUE(View("Radio1").checked);
  // A disabled control and controls without an action are left as they are.
  EXPECT_FALSE(Act("Check2"));
  EXPECT_TRUE(View("Check2").checked);
  EXPECT_FALSE(Act("Slider1"));
  EXPECT_FALSE(Act("Frame1"));
  EXPECT_EQ(View("Slider1").value, "20");
}

TEST(CaptionWithoutMnemonicTest, DropsMarkersAndKeepsDoubledAmpersands) {
  EXPECT_EQ(CaptionWithoutMnemonic("&File"), "File");
  EXPECT_EQ(CaptionWithoutMnemonic("Fish && Chips"), "Fish & Chips");
  EXPECT_EQ(CaptionWithoutMnemonic("Trailing&"), "Trailing");
  EXPECT_EQ(CaptionWithoutMnemonic(""), "");
}

}  // namespace
}  // namespace vitrelle
