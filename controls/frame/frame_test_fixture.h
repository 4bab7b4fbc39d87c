// Frames on a model host form: placing them (new, or loaded from a bag as a saved
// form loads them) with controls inside, reading their parts, and the lines of the
// log that a test is about.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/model/library_classes.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"
#include "hosts/model/property_bag.h"

namespace vitrelle::frame_testing {

using Lines = std::vector<std::string>;

inline constexpr float kWidth = 3000;
inline constexpr float kHeight = 1800;
inline constexpr float kT = 15;  // one pixel

class FrameTest : public model::testing::ModelTest {
 protected:
  FrameTest() {
    model::RegisterLibraryClasses();
    NewForm();
  }

  // A control of any class at (left, top) of its container (the form when null),
  // loaded from `bag` when there is one.
  model::Site& Put(std::string class_name, std::string name, model::Site* container = nullptr,
                   PropertyBag* bag = nullptr, int index = -1) {
    model::ControlSpec spec;
    spec.class_name = std::move(class_name);
    spec.name = std::move(name);
    spec.container = container;
    spec.index = index;
    spec.left = 120;
    spec.top = top_ += 60;
    if (spec.class_name == "GlazeFrame") {
      spec.width = kWidth;
      spec.height = kHeight;
    }
    return form_->AddControl(spec, bag);
  }
  // A saved frame or check box with these keys, as a form file loads it.
  model::Site& Load(std::string class_name, std::string name, model::Site* container = nullptr,
                    std::vector<std::pair<std::string, Variant>> keys = {}, int index = -1) {
    model::ModelPropertyBag bag;
    for (auto& [key, value] : keys) bag.Put(key, value);
    return Put(std::move(class_name), std::move(name), container, &bag, index);
  }

  template <class P = RectPart>
  P& PartOf(std::string_view control, std::string_view part, int index = -1) {
    model::PartNode* node = form_->GetLibrary(control).GetSurface().FindPart(part, index);
    if (!node) throw std::invalid_argument("no part " + std::string(part));
    return dynamic_cast<P&>(node->AsPart());
  }
  LabelPart& Caption(std::string_view frame = "Frame1") { return PartOf<LabelPart>(frame, "lblCaption"); }
  LinePart& Line(std::string_view name, int index, std::string_view frame = "Frame1") {
    return PartOf<LinePart>(frame, name, index);
  }

  DispatchPtr Ext(std::string_view name, int index = -1) { return form_->Extender(name, index); }
  void Let(std::string_view name, std::string_view member, Variant value) { Ext(name)->Let(member, std::move(value)); }

  // The log's lines of one kind ("capture", "event", "changed"), with their time.
  Lines Logged(std::string_view kind) {
    Lines out;
    const std::string marker = " " + std::string(kind) + " ";
    for (const std::string& line : TakeLog()) {
      if (line.find(marker) != std::string::npos) out.push_back(line);
    }
    return out;
  }

  float top_ = 0;
};

}  // namespace vitrelle::frame_testing
