// The walk over a form's controls, on a model form: two frames of one control
// array, a text box in the first, an option button in the second, a label and a
// stand-in for one of the library's controls on the form itself.
#include "frame/form_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/errors.h"
#include "hosts/model/control_registry.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle {
namespace {

using Names = std::vector<std::string>;

class FormWalkTest : public model::testing::ModelTest {
 protected:
  FormWalkTest() {
    model::ControlClassOptions library;
    library.interfaces = {"GlazeSlider"};
    model::RegisterControlClass(
        "WalkSlider",
        [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<model::testing::TestPlain>(s); },
        library);
    NewForm();
    model::Site& first = Add("Frame", "Fra1", 0, 0, nullptr, 0);
    model::Site& second = Add("Frame", "Fra1", 0, 2000, nullptr, 1);
    Add("TextBox", "Text1", 100, 100, &first);
    Add("OptionButton", "Opt1", 100, 100, &second);
    Add("Label", "Lbl1", 3000, 0);
    Add("WalkSlider", "Slider1", 3000, 1000);
  }
  ~FormWalkTest() override { model::UnregisterControlClass("WalkSlider"); }

  DispatchPtr X(std::string_view name, int index = -1) { return form_->Extender(name, index); }

  Names Walk(OnError on_error, const std::function<void(Dispatch&)>& also = {}) {
    Names seen;
    ForEachFormControl(*X("Lbl1"), on_error, [&](const DispatchPtr& control) {
      if (also) also(*control);
      seen.push_back(control->Get("Name").ToString());
    });
    return seen;
  }
};

TEST_F(FormWalkTest, VisitsEveryControlOfTheFormInTheCollectionsOrder) {
  EXPECT_EQ(Walk(OnError::kStop), (Names{"Fra1", "Fra1", "Text1", "Opt1", "Lbl1", "Slider1"}));
}

TEST_F(FormWalkTest, SkipsWhatFailsOrStopsThere) {
  const auto fails_in_frames = [](Dispatch& control) {
    if (control.Get("Name").ToString() == "Fra1") control.Get("NoSuchMember");
  };
  EXPECT_EQ(Walk(OnError::kSkipControl, fails_in_frames), (Names{"Text1", "Opt1", "Lbl1", "Slider1"}));
  EXPECT_EQ(model::testing::ErrorOf([&] { Walk(OnError::kStop, fails_in_frames); }), err::kNotSupported);
}

// The members of a container array are one container; on the form, every control
// whose container is a form shares it.
TEST_F(FormWalkTest, JudgesContainersByNameOrByBeingTheForm) {
  const Standing in_frame = StandingOf(*X("Text1"));
  EXPECT_EQ(in_frame.name, "Text1");
  EXPECT_EQ(in_frame.container_name, "Fra1");
  EXPECT_FALSE(in_frame.container_is_form);
  EXPECT_TRUE(SharesContainer(*X("Opt1"), in_frame));
  EXPECT_FALSE(SharesContainer(*X("Lbl1"), in_frame));

  const Standing on_form = StandingOf(*X("Lbl1"));
  EXPECT_TRUE(on_form.container_is_form);
  EXPECT_TRUE(SharesContainer(*X("Fra1", 1), on_form));
  EXPECT_FALSE(SharesContainer(*X("Text1"), on_form));
  EXPECT_EQ(ContainerNameOf(*X("Opt1")), "Fra1");
}

TEST_F(FormWalkTest, KnowsAControlByNameIndexAndType) {
  EXPECT_EQ(ArrayIndexOf(*X("Fra1", 1)), 1);
  EXPECT_EQ(ArrayIndexOf(*X("Text1")), std::nullopt);
  EXPECT_TRUE(IsNamed(*X("Fra1", 1), "FRA1"));
  EXPECT_TRUE(IsNamed(*X("Fra1", 1), "Fra1", 1));
  EXPECT_FALSE(IsNamed(*X("Fra1", 1), "Fra1", 0));
  EXPECT_FALSE(IsNamed(*X("Text1"), "Text"));
  EXPECT_TRUE(IsLibraryControl(*X("Slider1")));
  EXPECT_FALSE(IsLibraryControl(*X("Opt1")));
}

}  // namespace
}  // namespace vitrelle
