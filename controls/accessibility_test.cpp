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
   Begin Label LabelR
      Caption = "Ignored"
   End
   Begin GlazeRadio Radio1
      Top = 600
      Caption = "Option"
   End
   Begin Label Label1
      Caption = "&Volume"
   End
   Begin GlazeSlider Slider1
      Top = 1200
      Max = 50
      value = 20
   End
   Begin GlazeFrame Frame1
      Top = 2000
      Width = 3000
      Height = 1500
      Caption = "Group"
      Begin Label Label4
         Caption = "Elsewhere"
      End
   End
   Begin GlazeSlider Slider2
      Top = 3600
   End
   Begin Label Label3
      Caption = ""
   End
   Begin GlazeSlider Slider3
      Top = 4000
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
    return DescribeForAccessibility(form_->GetSite(name).ClassName(), *control, control.get());
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
                       // No caption and no label before it: the control's name;
                       // disabled and checked.
                       Row{"Check2", kRoleCheckButton, "Check2", true, true, true, "Uncheck"},
                       // A caption of its own wins over the label before it.
                       Row{"Radio1", kRoleRadioButton, "Option", false, false, true, "Check"},
                       Row{"Slider1", kRoleSlider, "Volume", false, false, true, ""},
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
  EXPECT_EQ(View("Check1").value, std::nullopt);
  EXPECT_FALSE(Act("Frame1")) << "a frame has no action";
  // Markers and doubled ampersands inside a caption are the accessible scripts'.
  EXPECT_EQ(CaptionWithoutMnemonic("Trailing&"), "Trailing");
}

// A control without a caption is named by the Label just before it in tab order
// in its own container; any other label leaves it its Name. A label in the same
// container, and one whose caption changes, are the slider's accessible script's.
TEST_F(AccessibilityTest, AControlWithoutACaptionIsNamedByTheLabelBeforeIt) {
  EXPECT_EQ(View("Slider2").name, "Slider2") << "the label just before it in tab order is in the frame";
  EXPECT_EQ(View("Slider3").name, "Slider3") << "a label without a caption names nothing";
  // Read at every question: a label gaining a caption, or another label taking
  // its place in tab order, changes the name.
  form_->Extender("Label3")->Let("Caption", Variant::String("Balance"));
  EXPECT_EQ(View("Slider3").name, "Balance");
  form_->Extender("Slider3")->Let("TabIndex", Variant::Integer(3));
  EXPECT_EQ(View("Slider3").name, "Ignored");
  // Without an extender the class names it.
  EXPECT_EQ(DescribeForAccessibility("GlazeSlider", *form_->Extender("Slider1"), nullptr).name, "GlazeSlider");
}


}  // namespace
}  // namespace vitrelle
