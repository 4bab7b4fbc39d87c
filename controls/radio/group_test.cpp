// The group on the model host: which options one setting clears, where the arrow
// keys send the focus, and the first focus after start-up.
#include <gtest/gtest.h>

#include "controls/radio/radio_test_fixture.h"

namespace vitrelle::radio_testing {
namespace {

constexpr int16_t kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

// ---------------------------------------------------------------------------
// Setting an option.

class SelectInGroup : public RadioTest {};

// Setting the set option again clears its group again (the host's own option only
// clears the host's options beside it) but raises no Click; clearing touches no
// other control, and a clear option cleared again still reports the change.
TEST_F(SelectInGroup, SettingAgainOrClearingRaisesNoClick) {
  Radio("Radio1");
  model::Site& option = Put("OptionButton", "Option1");
  Radio("Radio2");
  SetValue("Radio1", true);
  option.Let("Value", Variant::Boolean(true));
  ASSERT_TRUE(IsSet("Radio1"));
  TakeLog();
  SetValue("Radio1", true);
  EXPECT_FALSE(option.Get("Value").ToBoolean());
  EXPECT_EQ(TakeLog(), (Lines{"@0 changed Radio2.Value", "@0 changed Radio1.Value"}));
  SetValue("Radio1", false);
  SetValue("Radio2", false);
  EXPECT_FALSE(IsSet("Radio1"));
  EXPECT_EQ(TakeLog(), (Lines{"@0 changed Radio1.Value", "@0 changed Radio2.Value"}));
}

// Which options share a group, row by row: the second control is set after the
// first, and the first is cleared only when the two are one group. Options in one
// frame, the host's among them, are the group script's.
enum Where { kForm, kFrame1, kFrame1Twin, kFrame2 };

TEST_F(SelectInGroup, ClearsOnlyOptionsOfTheSameNamedContainer) {
  struct Row {
    const char* name;
    const char* first_class;
    Where first, second;
    bool one_group;
  };
  for (const Row& r : {Row{"BothOnTheForm", "GlazeRadio", kForm, kForm, true},
                       Row{"HostOptionOnTheForm", "OptionButton", kForm, kForm, true},
                       Row{"TwoMembersOfAContainerArray", "GlazeRadio", kFrame1, kFrame1Twin, true},
                       Row{"HostOptionInTheOtherMember", "OptionButton", kFrame1Twin, kFrame1, true},
                       Row{"AnotherFrame", "GlazeRadio", kFrame1, kFrame2, false},
                       Row{"FormAndFrame", "GlazeRadio", kForm, kFrame1, false},
                       Row{"HostOptionElsewhere", "OptionButton", kFrame2, kForm, false},
                       Row{"ACheckBoxIsNoOption", "CheckBox", kFrame1, kFrame1, false}}) {
    SCOPED_TRACE(r.name);
    NewForm();
    // Frame1(0) and Frame1(1) are one container array; Frame2 stands apart.
    model::Site* in[] = {nullptr, &Put("Frame", "Frame1", {.index = 0}), &Put("Frame", "Frame1", {.index = 1}),
                         &Put("Frame", "Frame2")};
    model::Site& first = std::string_view(r.first_class) == "GlazeRadio" ? Radio("First", {in[r.first]})
                                                                          : Put(r.first_class, "First", {in[r.first]});
    Radio("Second", {in[r.second]});
    first.Let("Value", Variant::Integer(1));  // sets an option and checks a check box alike
    SetValue("Second", true);
    EXPECT_EQ(first.Get("Value").ToBoolean(), !r.one_group);
    EXPECT_TRUE(IsSet("Second"));
  }
}

TEST_F(SelectInGroup, InAControlArrayTheIndexTellsThisControlFromItsTwin) {
  model::Site& frame = Put("Frame", "Frame1");
  Radio("Radio1", {&frame, 0});
  Radio("Radio1", {&frame, 1});
  SetValue("Radio1", true, 0);
  TakeLog();
  SetValue("Radio1", true, 1);
  EXPECT_FALSE(IsSet("Radio1", 0));
  EXPECT_TRUE(IsSet("Radio1", 1));
  EXPECT_FALSE(Ext("Radio1", 0)->Get("TabStop").ToBoolean());
  EXPECT_TRUE(Ext("Radio1", 1)->Get("TabStop").ToBoolean());
  EXPECT_EQ(Logged("event"), Lines{"Radio1(1).Click()"});
}

// At design time setting one option changes no other, and the arrows move nothing.
TEST_F(SelectInGroup, AtDesignTimeOnlyThisControlChanges) {
  NewForm(false);
  Radio("Radio1");
  Radio("Radio2");
  Put("TextBox", "Text1");
  SetValue("Radio1", true);
  SetValue("Radio2", true);
  EXPECT_TRUE(IsSet("Radio1"));
  EXPECT_TRUE(Ext("Radio1")->Get("TabStop").ToBoolean());
  TakeLog();
  form_->GetLibrary("Radio1").Key("RadioButton1", true, kDown, 0);
  EXPECT_EQ(Logged("focus"), Lines{});
  EXPECT_EQ(Logged("event"), Lines{});
}

// A control that has no value, or refuses a member, stops nothing.
TEST_F(SelectInGroup, GoesOnPastControlsThatRefuse) {
  Radio("Radio1");
  Put("TestPlain", "Plain1");
  Put("Label", "Label1");
  Radio("Radio2");
  SetValue("Radio2", true);
  TakeLog();
  EXPECT_NO_THROW(SetValue("Radio1", true));
  EXPECT_FALSE(IsSet("Radio2"));
  EXPECT_EQ(Logged("event"), Lines{"Radio1.Click()"});
}

// ---------------------------------------------------------------------------
// The arrow keys on the mark. In Frame1, in tab order: Radio1, Radio2, Label1, a
// disabled option, Text3, Radio3; Text1 before the frame and Text2 after it are
// on the form.

class Arrows : public RadioTest {
 protected:
  void SetUp() override {
    Put("TextBox", "Text1");
    frame_ = &Put("Frame", "Frame1");
    Radio("Radio1", {frame_});
    Radio("Radio2", {frame_});
    Put("Label", "Label1", {frame_});
    Put("OptionButton", "Off1", {frame_}).SetEnabled(false);
    text3_ = &Put("TextBox", "Text3", {frame_});
    Radio("Radio3", {frame_});
    Put("TextBox", "Text2");
  }
  model::Site* frame_ = nullptr;
  model::Site* text3_ = nullptr;
};

TEST_F(Arrows, MoveTheFocusWithinTheContainerAndWrap) {
  struct Row {
    const char* from;
    int16_t key;
    const char* to;
  };
  for (const Row& r : {Row{"Radio2", kDown, "Text3"},    // past the label and the disabled option
                       Row{"Radio2", kRight, "Text3"},
                       Row{"Radio3", kDown, "Radio1"},   // wraps to the lowest of the frame, not Text1
                       Row{"Radio1", kLeft, "Radio3"},
                       Row{"Radio3", kUp, "Text3"}}) {
    SCOPED_TRACE(testing::Message() << r.from << " key " << r.key);
    ShowAndFocus(form_->GetSite(r.from));
    form_->Press(r.key, 0);
    const Lines focus = Logged("focus");
    ASSERT_FALSE(focus.empty());
    EXPECT_EQ(focus.front(), r.to);
  }
}

TEST_F(Arrows, PassOverAControlThatCannotTakeTheFocus) {
  text3_->SetVisible(false);
  ShowAndFocus(form_->GetSite("Radio2"));
  form_->Press(kDown, 0);
  EXPECT_EQ(Logged("focus"), Lines{"Radio3"});
}

// ---------------------------------------------------------------------------
// The first focus, 50 ms after the first activation of a group of two transparent
// options. That it runs once per instance is the tracking script's.

TEST_F(RadioTest, TheFirstFocusGoesToTheFirstOptionOfAnUnsetGroupAndSetsIt) {
  struct Row {
    const char* name;
    const char* before;  // the class of the control first in tab order, if any
    bool second_saved_set;
    bool first_set;  // and focused
  };
  for (const Row& r : {Row{"UnsetGroup", "", false, true}, Row{"ASetOptionKeepsItsSelection", "", true, false},
                       Row{"BehindAFocusableControlWaits", "TextBox", false, false},
                       Row{"BehindOnlyALabelIsFirst", "Label", false, true},
                       // Taking the focus would set the first and clear the one saved set.
                       Row{"FirstFocusableLeavesASavedSelectionAlone", "Label", true, false}}) {
    SCOPED_TRACE(r.name);
    NewForm();
    form_->BeginLoad();
    if (*r.before) Put(r.before, "Before1", {.tab_index = 0});
    for (int i = 1; i <= 2; ++i) {  // transparent, loaded as a saved form loads them
      model::ModelPropertyBag bag;
      if (i == 2 && r.second_saved_set) bag.Put("Value", Variant::Boolean(true));
      Put("GlazeRadio", "Radio" + std::to_string(i), {.tab_index = i}, &bag);
    }
    form_->EndLoad();
    form_->Show();
    TakeLog();
    runtime_.Advance(60);
    EXPECT_EQ(IsSet("Radio1"), r.first_set);
    EXPECT_EQ(IsSet("Radio2"), r.second_saved_set);
    EXPECT_EQ(form_->FocusSite() == form_->Find("Radio1"), r.first_set);
    EXPECT_EQ(Logged("event"), r.first_set ? Lines{"Radio1.Click()"} : Lines{});
  }
}

}  // namespace
}  // namespace vitrelle::radio_testing
