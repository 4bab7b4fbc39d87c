#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "hosts/model/form_file.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle::model::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* kSample = R"(Begin Form Form1
   BackColor = 0x00C0E0FF
   Caption = "Say ""hi"""
   Width = 6000
   Height = 4000
   ' a comment line
   Begin TestFrame Frame1
      Left = 240
      Top = 240
      Width = 3000
      Height = 1800
      TabIndex = 2
      Begin TestCheck Check1
         Index = 0
         Left = 120
         Top = 300
         Caption = "First"
         Value = 1
      End
      Begin TestCheck Check1
         Index = 1
         Left = 120
         Top = 700
         TabStop = False
         Caption = "Second"
         BackColor = 0x000000FF
      End
   End
   Begin OptionButton Option1
      Left = 3500
      Top = 240
      Width = 1500
      TabIndex = 0
      Caption = "Opt"
      Value = True
      Custom = 2.5
   End
   Begin Label Label1
      Visible = False
      Caption = "Note"
   End
End
)";

class FormFileTest : public ModelTest {
 protected:
  FormFileTest() {
    dir_ = fs::temp_directory_path() /
           ("vitrelle_form_file_" + std::to_string(::getpid()) + "_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~FormFileTest() override {
    if (form_) form_->Unload();
    form_.reset();
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }

  fs::path dir_;
};

TEST_F(FormFileTest, LoadsControlsIntoTheirContainersAndBags) {
  form_ = LoadFormText(runtime_, kSample, Path("sample.vfm"), true);
  EXPECT_EQ(form_->Name(), "Form1");
  EXPECT_EQ(form_->BackColor(), 0x00C0E0FFu);
  EXPECT_EQ(form_->Caption(), "Say \"hi\"");
  EXPECT_EQ(form_->ClientWidth(), 6000.0f);
  ASSERT_EQ(form_->Controls().size(), 5u);
  Site& second = form_->GetSite("Check1", 1);
  EXPECT_EQ(second.Container(), &form_->GetSite("Frame1"));
  EXPECT_FALSE(second.TabStop());
  EXPECT_EQ(Test("Check1", 0).caption().Caption(), "First");
  EXPECT_EQ(Test("Check1", 0).check().Value(), 1);
  EXPECT_FALSE(form_->GetSite("Label1").Visible());
  // Explicit tab indexes first, in their order; the others after them, renumbered.
  EXPECT_EQ(form_->GetSite("Option1").TabIndex(), 0);
  EXPECT_EQ(form_->GetSite("Frame1").TabIndex(), 1);
  EXPECT_EQ(form_->GetSite("Check1", 1).TabIndex(), 3);
  EXPECT_TRUE(form_->GetSite("Option1").Get("Value").ToBoolean());
  EXPECT_EQ(form_->GetSite("Check1", 0).Get("Index").ToInteger(), 0);
}

TEST_F(FormFileTest, SaveThenLoadGivesTheSameControlsAndBags) {
  form_ = LoadFormText(runtime_, kSample, Path("sample.vfm"), false);
  SaveForm(*form_, Path("saved.vfm"));
  std::string first = FormText(*form_, Path("saved.vfm"));
  form_->Unload();
  form_ = LoadForm(runtime_, Path("saved.vfm"), false);
  EXPECT_EQ(FormText(*form_, Path("saved.vfm")), first);
  EXPECT_THAT(first, HasSubstr("Custom = 2.5"));  // host controls keep what they do not know
  EXPECT_THAT(first, HasSubstr("BackColor = 0x000000FF"));
  EXPECT_THAT(first, HasSubstr("Caption = \"Say \"\"hi\"\"\""));
  EXPECT_THAT(first, ::testing::Not(HasSubstr("Value = 0")));  // defaults are not written
}

TEST_F(FormFileTest, PicturesKeepTheirPathOrAreWrittenBesideTheForm) {
  Bitmap image(4, 3, Rgb(1, 2, 3));
  ASSERT_TRUE(WritePng(Path("back.png"), image));
  Write("pic.vfm", "Begin Form F\n  Picture = picture(\"back.png\")\nEnd\n");
  form_ = LoadForm(runtime_, Path("pic.vfm"), true);
  ASSERT_TRUE(form_->GetPicture());
  EXPECT_EQ(form_->GetPicture()->WidthPixels(), 4);
  EXPECT_THAT(FormText(*form_, Path("pic.vfm")), HasSubstr("Picture = picture(\"back.png\")"));

  form_->SetPattern(screen_.MakePicture(Bitmap(2, 2, Rgb(9, 9, 9))));
  SaveForm(*form_, Path("out.vfm"));
  std::string text = FormText(*form_, Path("out.vfm"));
  EXPECT_THAT(text, HasSubstr("Pattern = picture(\"out_Form_Pattern.png\")"));
  auto written = ReadPng(Path("out_Form_Pattern.png"));
  ASSERT_TRUE(written);
  EXPECT_EQ(written->At(1, 1), Rgb(9, 9, 9));
}

TEST_F(FormFileTest, FontsPersist) {
  Write("font.vfm", "Begin Form F\n Begin OptionButton O\n  Font = font(\"Arial\", 12, Bold)\n End\nEnd\n");
  form_ = LoadForm(runtime_, Path("font.vfm"), true);
  EXPECT_THAT(FormText(*form_, Path("font.vfm")), HasSubstr("Font = font(\"Arial\", 12, Bold)"));
}

// Values the script reader also takes: Nothing for no picture, exponents for numbers,
// and a system colour written unsigned.
TEST_F(FormFileTest, NothingExponentsAndUnsignedColoursAreValues) {
  form_ = LoadFormText(runtime_, "Begin Form F\n Picture = Nothing\n Width = 1.5E+3\n BackColor = 2147483663.0\nEnd\n",
                       "f.vfm", true);
  EXPECT_FALSE(form_->GetPicture());
  EXPECT_EQ(form_->ClientWidth(), 1500.0f);
  EXPECT_EQ(form_->BackColor(), 0x8000000Fu);
}

struct BadFile {
  const char* name;
  const char* text;
  int line;
  const char* expected;
};

class BadFormFiles : public FormFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFormFiles, OneClearErrorAndNothingLoaded) {
  const BadFile& bad = GetParam();
  try {
    LoadFormText(runtime_, bad.text, "bad.vfm", true);
    FAIL() << "loaded " << bad.name;
  } catch (const FormFileError& e) {
    EXPECT_THAT(e.what(), HasSubstr("bad.vfm:" + std::to_string(bad.line) + ": ")) << bad.name;
    EXPECT_THAT(e.what(), HasSubstr(bad.expected)) << bad.name;
  }
  // Nothing of the form is left on the screen.
  EXPECT_TRUE(screen_.Children(0).empty()) << bad.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadFormFiles,
    ::testing::Values(
        BadFile{"empty", "", 0, "Begin Form"},
        BadFile{"not a form", "Begin Frame F\nEnd\n", 1, "Begin Form NAME"},
        BadFile{"unknown class", "Begin Form F\n Begin Gizmo G\n End\nEnd\n", 2, "control class"},
        BadFile{"missing End", "Begin Form F\n Begin CheckBox C\n End\n", 3, "\"End\" for F"},
        BadFile{"no equals", "Begin Form F\n Begin CheckBox C\n  Caption \"x\"\n End\nEnd\n", 3, "KEY = VALUE"},
        BadFile{"open string", "Begin Form F\n Begin CheckBox C\n  Caption = \"x\n End\nEnd\n", 3, "no closing quote"},
        BadFile{"bad number", "Begin Form F\n Begin CheckBox C\n  Left = 12a\n End\nEnd\n", 3, "expected a value"},
        BadFile{"bad hex", "Begin Form F\n BackColor = 0xZZ\nEnd\n", 2, "hexadecimal"},
        BadFile{"bool extent", "Begin Form F\n Begin CheckBox C\n  Left = True\n End\nEnd\n", 3, "number for Left"},
        BadFile{"text visible", "Begin Form F\n Begin CheckBox C\n  Visible = 1\n End\nEnd\n", 3, "True or False"},
        BadFile{"extent beyond a Single", "Begin Form F\n Begin CheckBox C\n  Left = 1E+300\n End\nEnd\n", 3,
                "number a Single holds for Left"},
        BadFile{"height beyond a Single",
                "Begin Form F\n Begin Label C\n  Height = -4E+38\n End\nEnd\n", 3,
                "number a Single holds for Height"},
        BadFile{"registry number beyond 32 bits",
                "Begin Form F\n Begin Machine M\n  Begin RegistryKey K\n   Key = \"K\"\n   Size = 4294967296\n"
                "  End\n End\nEnd\n",
                5, "32-bit number for the registry value Size"},
        BadFile{"display below its range", "Begin Form F\n Begin Machine M\n  Dpi = 47\n End\nEnd\n", 3,
                "48 to 480 for Dpi"},
        BadFile{"display above its range", "Begin Form F\n Begin Machine M\n  Dpi = 481\n End\nEnd\n", 3,
                "48 to 480 for Dpi"},
        BadFile{"fractional display", "Begin Form F\n Begin Machine M\n  Dpi = 144.5\n End\nEnd\n", 3,
                "whole number of 48 to 480 for Dpi"},
        BadFile{"display as text", "Begin Form F\n Begin Machine M\n  Dpi = \"144\"\n End\nEnd\n", 3,
                "whole number of 48 to 480 for Dpi"},
        BadFile{"negative index", "Begin Form F\n Begin CheckBox C\n  Index = -1\n End\nEnd\n", 3, "whole number"},
        BadFile{"not a container", "Begin Form F\n Begin CheckBox C\n  Begin CheckBox D\n  End\n End\nEnd\n", 3,
                "cannot contain"},
        BadFile{"duplicate name", "Begin Form F\n Begin CheckBox C\n End\n Begin CheckBox C\n End\nEnd\n", 4,
                "already taken"},
        BadFile{"repeated key", "Begin Form F\n Width = 1\n Width = 2\nEnd\n", 3, "repeated"},
        BadFile{"unknown form key", "Begin Form F\n Value = 1\nEnd\n", 2, "form property"},
        BadFile{"missing picture", "Begin Form F\n Picture = picture(\"nope.png\")\nEnd\n", 2, "readable PNG"},
        BadFile{"bad font", "Begin Form F\n Begin Label L\n  Font = font(\"A\", 0)\n End\nEnd\n", 3, "font("},
        BadFile{"trailing text", "Begin Form F\nEnd\nBegin Form G\nEnd\n", 3, "nothing after"}));

// A value a control refuses while it loads is the control's run-time error, not a
// fault of the file: the control stays with what it had read, the rest of the form
// loads, and the form keeps each error for whoever loaded it to report.
TEST_F(FormFileTest, AControlThatRefusesASavedValueStaysAndTheRestLoads) {
  constexpr const char* kText =
      "Begin Form F\n"
      " Begin TestCheck A\n  Caption = \"a\"\n  Value = 9\n  BackColor = 0x000000FF\n End\n"
      " Begin CheckBox C\n  Value = 5\n End\n"
      " Begin TestCheck B\n  Caption = \"b\"\n End\n"
      "End\n";
  form_ = LoadFormText(runtime_, kText, "x.vfm", true);
  ASSERT_EQ(form_->LoadErrors().size(), 2u);
  EXPECT_EQ(form_->LoadErrors()[0].control, "A");
  EXPECT_EQ(form_->LoadErrors()[0].error.number(), 380);
  EXPECT_EQ(form_->LoadErrors()[1].control, "C");
  EXPECT_EQ(form_->LoadErrors()[1].error.number(), 380);
  auto& a = dynamic_cast<TestControl&>(form_->GetLibrary("A").Object());
  EXPECT_EQ(a.caption().Caption(), "a") << "what was read before the error";
  EXPECT_NE(form_->GetLibrary("A").GetSurface().BackColor(), 0x000000FFu) << "nothing after it";
  EXPECT_EQ(dynamic_cast<TestControl&>(form_->GetLibrary("B").Object()).caption().Caption(), "b");
}

}  // namespace
}  // namespace vitrelle::model::testing
