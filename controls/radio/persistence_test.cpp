// What a GlazeRadio saves with its form, and how a saved one loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/radio/radio_test_fixture.h"
#include "frame/members.h"

namespace vitrelle::radio_testing {
namespace {

// Notes every write with its default, typed, and stores as the host does.
class NotingBag : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view key, const Variant& default_value) override {
    return inner.ReadProperty(key, default_value);
  }
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override {
    writes.push_back(std::string(key) + "|" + value.ToLiteral() + "|" + default_value.ToLiteral() + ":" +
                     std::to_string(static_cast<int>(default_value.type())));
    inner.WriteProperty(key, value, default_value);
  }
  model::ModelPropertyBag inner;
  std::vector<std::string> writes;
};

std::string Typed(const char* key_value_default, const Variant& type_of_default) {
  return std::string(key_value_default) + ":" + std::to_string(static_cast<int>(type_of_default.type()));
}

TEST_F(RadioTest, WritesSeventeenKeysInOrderWithTheirDefaults) {
  Put("GlazeRadio", "Radio1");
  NotingBag bag;
  form_->GetLibrary("Radio1").Object().WriteProperties(bag);
  const Variant boolean = Variant::Boolean(false), integer = Variant::Integer(0), long_ = Variant::Long(0);
  EXPECT_EQ(bag.writes,
            (std::vector<std::string>{
                Typed("Enabled|True|True", boolean), Typed("Caption|\"Radio1\"|\"Radio1\"", Variant::String("")),
                Typed("Value|False|False", boolean), Typed("Appearance|1|1", long_), Typed("Alignment|0|0", long_),
                Typed("BackStyle|0|0", integer), Typed("BackColor|-2147483633|-2147483633", long_),
                Typed("ForeColor|-2147483630|-2147483630", long_), Typed("FontUnderline|False|False", boolean),
                Typed("FontTransparent|True|True", boolean), Typed("FontStrikethru|False|False", boolean),
                Typed("FontSize|8.25|False", boolean), Typed("FontName|\"MS Sans Serif\"|\"\"", Variant::String("")),
                Typed("FontItalic|False|False", boolean), Typed("FontBold|False|False", boolean),
                Typed("MouseIcon|Nothing|Nothing", Variant::OfPicture(nullptr)),
                Typed("MousePointer|0|0", integer)}));
}

TEST_F(RadioTest, WhatItSavesLoadsBackTheSame) {
  Put("GlazeRadio", "Radio1");
  DispatchPtr radio = Ext("Radio1");
  radio->Let("Caption", Variant::String("Fast"));
  radio->Let("Value", Variant::Boolean(true));
  radio->Let("Alignment", Variant::Long(1));
  radio->Let("BackStyle", Variant::Long(1));
  radio->Let("ForeColor", Variant::Long(0x000000FF));
  radio->Let("FontBold", Variant::Boolean(true));
  radio->Let("Enabled", Variant::Boolean(false));
  model::ModelPropertyBag bag;
  form_->GetLibrary("Radio1").Object().WriteProperties(bag);
  // In a group of its own, so that loading it set leaves the original set too.
  Put("GlazeRadio", "Radio2", {&Put("Frame", "Frame1")}, &bag);
  DispatchPtr copy = Ext("Radio2");
  for (const char* member : {"Caption", "Value", "Alignment", "BackStyle", "ForeColor", "FontBold", "Enabled",
                             "FontSize", "FontName", "Appearance", "MousePointer"}) {
    EXPECT_EQ(copy->Get(member), radio->Get(member)) << member;
  }
  EXPECT_EQ(PartOf("Radio2", "RadioButton1").Left(), 1680 - 195) << "the stored alignment places the mark";
}

// No key at all: the name as the caption, a cleared option, and a font size of 0
// that the fonts refuse and the load passes over.
TEST_F(RadioTest, AnEmptyBagLoadsTheDefaults) {
  model::ModelPropertyBag bag;
  Put("GlazeRadio", "Radio7", {}, &bag);
  DispatchPtr radio = Ext("Radio7");
  EXPECT_EQ(radio->Get("Caption"), Variant::String("Radio7"));
  EXPECT_EQ(radio->Get("Value"), Variant::Boolean(false));
  EXPECT_GT(radio->Get("FontSize").ToSingle(), 0);
  EXPECT_EQ(radio->Get("BackStyle"), Variant::Long(0));
}

// A saved set option takes its place in the group as it loads, at run time only.
TEST_F(RadioTest, LoadingASetOptionClearsTheGroupAtRunTimeOnly) {
  for (bool user_mode : {true, false}) {
    SCOPED_TRACE(user_mode ? "run time" : "design time");
    NewForm(user_mode);
    Radio("Radio1");
    SetValue("Radio1", true);
    TakeLog();
    model::ModelPropertyBag bag;
    bag.Put("Value", Variant::Boolean(true));
    bag.Put("BackStyle", Variant::Integer(1));
    Put("GlazeRadio", "Radio2", {}, &bag);
    EXPECT_EQ(IsSet("Radio1"), !user_mode);
    EXPECT_TRUE(IsSet("Radio2"));
    EXPECT_EQ(Logged("event"), Lines{"Radio2.Click()"});
  }
}

}  // namespace
}  // namespace vitrelle::radio_testing
