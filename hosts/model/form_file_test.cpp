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
      Font = font("Arial", 12, Bold)
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
  EXPECT_THAT(first, HasSubstr("Font = font(\"Arial\", 12, Bold)"));
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

// Values the script reader also takes: Nothing for no picture, exponents for numbers,
// and a system colour written unsigned.
TEST_F(FormFileTest, NothingExponentsAndUnsignedColoursAreValues) {
  form_ = LoadFormText(runtime_, "Begin Form F\n Picture = Nothing\n Width = 1.5E+3\n BackColor = 2147483663.0\nEnd\n",
                       "f.vfm", true);
  EXPECT_FALSE(form_->GetPicture());
  EXPECT_EQ(form_->ClientWidth(), 1500.0f);
  EXPECT_EQ(form_->BackColor(), 0x8000000Fu);
}

// A form F whose text is `inside`, or, when `control` names a class, one control C
// of that class whose one line is `inside`.
struct BadFile {
  const char* name;
  const char* control;
  const char* inside;
  int line;
  const char* expected;
};

class BadFormFiles : public FormFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFormFiles, OneClearErrorAndNothingLoaded) {
  const BadFile& bad = GetParam();
  const std::string text = *bad.control ? std::string(" Begin ") + bad.control + " C\n  " + bad.inside + "\n End\n"
                                        : std::string(bad.inside);
  try {
    LoadFormText(runtime_, "Begin Form F\n" + text + "End\n", "bad.vfm", true);
    FAIL() << "loaded " << bad.name;
  } catch (const FormFileError& e) {
    EXPECT_THAT(e.what(), HasSubstr("bad.vfm:" + std::to_string(bad.line) + ": ")) << bad.name;
    EXPECT_THAT(e.what(), HasSubstr(bad.expected)) << bad.name;
  }
  // Nothing of the form is left on the screen.
  EXPECT_TRUE(screen_.Children(0).empty()) << bad.name;
}

// The reader's own faults (syntax, values, repeated keys, fonts) are its tests'; one
// of them shows here that they reach the loader as its error.
INSTANTIATE_TEST_SUITE_P(
    Rows, BadFormFiles,
    ::testing::Values(
        BadFile{"unknown class", "", " Begin Gizmo G\n End\n", 2, "control class"},
        BadFile{"missing End", "", " Begin CheckBox C\n", 3, "\"End\" for F"},
        BadFile{"bool extent", "CheckBox", "Left = True", 3, "number for Left"},
        BadFile{"text visible", "CheckBox", "Visible = 1", 3, "True or False"},
        BadFile{"extent beyond a Single", "CheckBox", "Left = 1E+300", 3, "number a Single holds for Left"},
        BadFile{"height beyond a Single", "Label", "Height = -4E+38", 3, "number a Single holds for Height"},
        BadFile{"registry number beyond 32 bits", "",
                " Begin Machine M\n  Begin RegistryKey K\n   Key = \"K\"\n   Size = 4294967296\n  End\n End\n", 5,
                "32-bit number for the registry value Size"},
        BadFile{"display below its range", "Machine", "Dpi = 47", 3, "48 to 480 for Dpi"},
        BadFile{"display above its range", "Machine", "Dpi = 481", 3, "48 to 480 for Dpi"},
        BadFile{"fractional display", "Machine", "Dpi = 144.5", 3, "whole number of 48 to 480 for Dpi"},
        BadFile{"display as text", "Machine", "Dpi = \"144\"", 3, "whole number of 48 to 480 for Dpi"},
        BadFile{"negative index", "CheckBox", "Index = -1", 3, "whole number"},
        BadFile{"not a container", "CheckBox", "Begin CheckBox D\n  End", 3, "cannot contain"},
        BadFile{"duplicate name", "", " Begin CheckBox C\n End\n Begin CheckBox C\n End\n", 4, "already taken"},
        BadFile{"unknown form key", "", " Value = 1\n", 2, "form property"},
        BadFile{"missing picture", "", " Picture = picture(\"nope.png\")\n", 2, "readable PNG"}));

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
