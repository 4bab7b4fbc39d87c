#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "frame/errors.h"
#include "hosts/model/model_driver.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle::model::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;

class ModelDriverTest : public ModelTest {
 protected:
  ModelDriverTest() {
    // ctest runs tests of one fixture side by side: each needs its own folder.
    dir_ = fs::temp_directory_path() /
           ("vitrelle_model_driver_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    std::ofstream(dir_ / "form.vfm") << "Begin Form Form1\n"
                                        " BackColor = 0x000000FF\n"
                                        " Width = 3000\n Height = 1500\n"
                                        " Begin TestCheck Check1\n  Left = 150\n  Top = 150\n  Caption = \"A\"\n End\n"
                                        " Begin CommandButton Command1\n  Left = 150\n  Top = 900\n End\n"
                                        "End\n";
    driver_ = std::make_unique<ModelDriver>(runtime_, (dir_ / "form.vfm").string());
    driver_->SetLog(&log_);
    driver_->Load(false);
  }
  ~ModelDriverTest() override {
    driver_.reset();
    fs::remove_all(dir_);
  }
  static script::Target T(std::string name, std::string part = {}) {
    return script::Target{.name = std::move(name), .index = -1, .part = std::move(part)};
  }

  fs::path dir_;
  std::unique_ptr<ModelDriver> driver_;
};

TEST_F(ModelDriverTest, KeysGoToTheWindowWithTheFocus) {
  driver_->Show();
  auto& control = dynamic_cast<TestControl&>(driver_->GetForm()->GetLibrary("Check1").Object());
  control.calls.clear();
  driver_->Press(32, 0);
  EXPECT_THAT(control.calls, Contains("KeyDown Check1 32"));
  EXPECT_EQ(control.check().Value(), 1);  // the space bar clicks it
  driver_->Press(9, 0);
  EXPECT_EQ(driver_->GetForm()->FocusSite()->Name(), "Command1");
}

TEST_F(ModelDriverTest, SetGetAndErrorsGoThroughTheExtender) {
  driver_->Set(T("Check1"), "Caption", Variant::String("B"));
  EXPECT_EQ(driver_->Get(T("Check1", "lblCaption"), "Caption").ToString(), "B");
  EXPECT_EQ(driver_->Get(T("Form"), "Width").ToSingle(), 3000.0f);
  EXPECT_THROW(driver_->Get(T("Nope"), "Caption"), std::invalid_argument);
  EXPECT_THROW(driver_->Get(T("Check1", "nope"), "Caption"), std::invalid_argument);
  EXPECT_EQ(ErrorOf([&] { driver_->Get(T("Check1"), "Index"); }), err::kObjectNotArray);
}

TEST_F(ModelDriverTest, WaitRunsTheClockAndRenderWritesTheClientArea) {
  driver_->Show();
  driver_->Wait(250);
  EXPECT_EQ(driver_->Now(), 250);
  driver_->Render((dir_ / "out.png").string());
  auto image = ReadPng((dir_ / "out.png").string());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Width(), 200);
  EXPECT_EQ(image->Height(), 100);
  EXPECT_EQ(image->At(199, 99), Rgb(255, 0, 0));
}

}  // namespace
}  // namespace vitrelle::model::testing
