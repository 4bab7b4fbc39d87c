#include "vfm/vfm_reader.h"

#include <gtest/gtest.h>

namespace vitrelle::vfm {
namespace {

TEST(VfmReader, NestedBlocksKeepTheirKeysInOrder) {
  Block form = ParseVfm(
      "Begin Form Form1\n"
      "   BackColor = 0x00C0E0FF\n"
      "   Picture = picture(\"art/back.png\")\n"
      "\n"
      "   ' a remark\n"
      "   Begin GlazeFrame Frame1\r\n"
      "      Caption = \"Say \"\"hi\"\"\"\n"
      "      Font = font(\"Sans, Narrow\", 9.75, Bold, Italic)\n"
      "      Begin GlazeRadio Radio1\n"
      "         Index = 2\n"
      "         Value = True\n"
      "      End\n"
      "   End\n"
      "End\n",
      "f.vfm");
  EXPECT_EQ(form.name, "Form1");
  EXPECT_EQ(form.entries.size(), 2u);
  EXPECT_EQ(form.Find("backcolor")->value.value.ToLong(), 0x00C0E0FF);
  EXPECT_EQ(*form.Find("Picture")->value.picture_path, "art/back.png");
  ASSERT_EQ(form.children.size(), 1u);
  const Block& frame = form.children[0];
  EXPECT_EQ(frame.class_name, "GlazeFrame");
  EXPECT_EQ(frame.line, 6);
  EXPECT_EQ(frame.Find("Caption")->value.value.ToString(), "Say \"hi\"");
  const auto& font = *frame.Find("Font")->font;
  EXPECT_EQ(font.name, "Sans, Narrow");
  EXPECT_FLOAT_EQ(font.size, 9.75f);
  EXPECT_TRUE(font.bold && font.italic && !font.underline && !font.strikethrough);
  ASSERT_EQ(frame.children.size(), 1u);
  EXPECT_EQ(frame.children[0].Find("Index")->value.value.ToInteger(), 2);
  EXPECT_EQ(frame.children[0].Find("Index")->line, 10);
}

TEST(VfmReader, FirstFaultNamesFileAndLine) {
  struct Row {
    const char* text;
    const char* message;
  } rows[] = {
      {"", "f.vfm:0: expected \"Begin Form NAME\""},
      {"Begin GlazeCheck Check1\nEnd\n", "f.vfm:1: expected \"Begin Form NAME\""},
      {"Begin Form F\n  Width 10\nEnd\n", "f.vfm:2: expected \"KEY = VALUE\""},
      {"Begin Form F\n  Width = 10\n  width = 20\nEnd\n", "f.vfm:3: expected each property once"},
      {"Begin Form F\n  Width = ten\nEnd\n", "f.vfm:2: expected a value for Width"},
      {"Begin Form F\n  Begin GlazeCheck C\n  End\n", "f.vfm:3: expected \"End\" for F (begun on line 1)"},
      {"Begin Form F\nEnd\nEnd\n", "f.vfm:3: expected nothing after the form's End"},
      {"Begin Form F\n  Font = font(\"A\")\nEnd\n", "f.vfm:2: expected font("},
      {"Begin Form F\n  Font = font(\"A\", 9, Heavy)\nEnd\n", "f.vfm:2: expected font("},
  };
  for (const Row& row : rows) {
    try {
      ParseVfm(row.text, "f.vfm");
      ADD_FAILURE() << "accepted: " << row.text;
    } catch (const VfmError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(row.message, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace vitrelle::vfm
