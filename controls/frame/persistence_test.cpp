// What a GlazeFrame saves with its form and how the saved font comes back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/frame/frame_test_fixture.h"
#include "hosts/model/font.h"

namespace vitrelle::frame_testing {
namespace {

using ::testing::ElementsAre;

// Notes the keys in the order they are written, and stores as the host does.
class NotingBag : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view key, const Variant& default_value) override {
    return inner.ReadProperty(key, default_value);
  }
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override {
    writes.push_back(std::string(key) + (value == default_value ? "" : "*"));
    inner.WriteProperty(key, value, default_value);
  }
  model::ModelPropertyBag inner;
  std::vector<std::string> writes;
};

// A key marked * differs from its default and is stored. The font object is
// never its container's, so it is always stored. The order it reads them in, each
// read reporting its change, is in the logs of the scripts that load frames.
TEST_F(FrameTest, WritesItsKeysInTheirOwnOrder) {
  Put("GlazeFrame", "Frame1");
  Let("Frame1", "BorderStyle", Variant::Long(0));
  Let("Frame1", "CaptionAlignment", Variant::Long(2));
  NotingBag bag;
  form_->GetLibrary("Frame1").Object().WriteProperties(bag);
  EXPECT_THAT(bag.writes,
              ElementsAre("BackColor", "ForeColor", "Enabled", "Font*", "BorderStyle*", "Caption", "Appearance",
                          "FontUnderline", "FontTransparent", "FontStrikethru", "FontSize", "FontName", "FontItalic",
                          "FontBold", "MouseIcon", "MousePointer", "BackStyle", "CaptionAlignment*"));
}

TEST_F(FrameTest, WhatItSavesLoadsBackTheSame) {
  Put("GlazeFrame", "Frame1");
  DispatchPtr frame = Ext("Frame1");
  frame->Let("Caption", Variant::String("Sound"));
  frame->Let("CaptionAlignment", Variant::Long(4));
  frame->Let("BackStyle", Variant::Long(1));
  frame->Let("BackColor", Variant::Long(0x00FFE0C0));
  frame->Let("Appearance", Variant::Long(0));
  frame->Let("FontItalic", Variant::Boolean(true));
  frame->Let("FontSize", Variant::Single(12));
  frame->Let("Enabled", Variant::Boolean(false));
  model::ModelPropertyBag bag;
  form_->GetLibrary("Frame1").Object().WriteProperties(bag);
  Put("GlazeFrame", "Frame2", nullptr, &bag);
  DispatchPtr copy = Ext("Frame2");
  for (const char* member : {"Caption", "CaptionAlignment", "BackStyle", "BackColor", "ForeColor", "Appearance",
                             "BorderStyle", "FontItalic", "FontSize", "FontName", "Enabled", "MousePointer"}) {
    EXPECT_EQ(copy->Get(member), frame->Get(member)) << member;
  }
  EXPECT_EQ(Caption("Frame2").Left(), Caption("Frame1").Left());
}

// The saved font gives the surface its face only; the name key read after it
// decides the face of both the surface and the caption.
TEST_F(FrameTest, TheNameKeyWinsOverTheSavedFontsFace) {
  model::FontSpec courier;
  courier.name = "Courier New";
  courier.bold = true;
  Load("GlazeFrame", "Frame1", nullptr,
       {{"Font", Variant::OfFont(model::MakeFont(courier))}, {"FontName", Variant::String("Arial")}});
  EXPECT_EQ(Ext("Frame1")->Get("FontName"), Variant::String("Arial"));
  EXPECT_EQ(Caption().GetFont()->Name(), "Arial");
  EXPECT_EQ(Ext("Frame1")->Get("FontBold"), Variant::Boolean(false)) << "only the face is taken from the font";
}

// A frame that fails to load keeps what it read; it still copies when asked.
TEST_F(FrameTest, AFrameThatFailedToLoadStillRefreshes) {
  form_->BeginLoad();
  Load("GlazeFrame", "Frame1", nullptr, {{"MousePointer", Variant::Long(50)}});
  form_->EndLoad();
  ASSERT_EQ(form_->LoadErrors().size(), 1u);
  EXPECT_EQ(form_->LoadErrors()[0].error.number(), err::kInvalidPropertyValue);
  form_->Show();
  TakeLog();
  Ext("Frame1")->Call("Refresh");
  EXPECT_THAT(Logged("capture"), ElementsAre("@0 capture Frame1 200x120"));
}

}  // namespace
}  // namespace vitrelle::frame_testing
