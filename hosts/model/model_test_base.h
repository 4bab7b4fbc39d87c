// The common ground of the model host's tests: a screen, a runtime on it, a log
// collected in memory and one form.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "hosts/model/form.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"
#include "hosts/model/test_controls.h"
#include "script/driver.h"

namespace vitrelle::model::testing {

// The number of the run-time error `step` raises, 0 when it raises none.
inline int ErrorOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class ModelTest : public ::testing::Test {
 protected:
  ModelTest() {
    RegisterTestControls();
    runtime_.SetLog(&log_);
  }
  ~ModelTest() override {
    if (form_) form_->Unload();
  }

  Form& NewForm(bool user_mode = true) {
    form_ = Form::Create(runtime_, "Form1", user_mode);
    form_->SetClientSize(6000, 4500);
    return *form_;
  }

  Site& Add(std::string class_name, std::string name, float left = 0, float top = 0, Site* container = nullptr,
            int index = -1) {
    return form_->AddControl({.class_name = std::move(class_name), .name = std::move(name), .index = index,
                              .container = container, .left = left, .top = top});
  }

  TestControl& Test(std::string_view name, int index = -1) {
    return dynamic_cast<TestControl&>(form_->GetLibrary(name, index).Object());
  }

  std::vector<std::string> TakeLog() { return std::exchange(lines_, {}); }

  Screen screen_{640, 480};
  ModelRuntime runtime_{screen_};
  std::vector<std::string> lines_;
  script::ScriptLog log_{[this](const std::string& line) { lines_.push_back(line); }};
  std::shared_ptr<Form> form_;
};

}  // namespace vitrelle::model::testing
