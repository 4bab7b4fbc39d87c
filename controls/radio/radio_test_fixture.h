// Option buttons on a model host form: placing them (new, or loaded from a bag as
// a saved form loads them), reading them through their extenders, and the lines
// of the log that a test is about.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/model/library_classes.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"
#include "hosts/model/property_bag.h"

namespace vitrelle::radio_testing {

using Lines = std::vector<std::string>;

// Where a control goes: its container (the form when null), its index in a control
// array, and its place in the tab order (the end when none).
struct Place {
  model::Site* container = nullptr;
  int index = -1;
  std::optional<int> tab_index = std::nullopt;
};

class RadioTest : public model::testing::ModelTest {
 protected:
  RadioTest() {
    model::RegisterLibraryClasses();
    NewForm();
  }

  // A control of any class, below the one placed before it.
  model::Site& Put(std::string class_name, std::string name, Place at = {}, PropertyBag* bag = nullptr) {
    model::ControlSpec spec;
    spec.class_name = std::move(class_name);
    spec.name = std::move(name);
    spec.container = at.container;
    spec.index = at.index;
    spec.left = 120;
    spec.top = top_ += 400;
    spec.tab_index = at.tab_index;
    return form_->AddControl(spec, bag);
  }
  // An opaque option, loaded as a saved form loads it: it follows its form but
  // has no delayed re-capture to wait for.
  model::Site& Radio(std::string name, Place at = {}) {
    model::ModelPropertyBag bag;
    bag.Put("BackStyle", Variant::Integer(1));
    return Put("GlazeRadio", std::move(name), at, &bag);
  }

  template <class P = RectPart>
  P& PartOf(std::string_view control, std::string_view part) {
    model::PartNode* node = form_->GetLibrary(control).GetSurface().FindPart(part);
    if (!node) throw std::invalid_argument("no part " + std::string(part));
    return dynamic_cast<P&>(node->AsPart());
  }
  // The round mark's own members, as its owner reaches them.
  Variant MarkGet(std::string_view control, std::string_view member) {
    return PartOf<UserControlPart>(control, "RadioButton1").Object().Invoke(member, InvokeKind::kGet, {});
  }

  DispatchPtr Ext(std::string_view name, int index = -1) { return form_->Extender(name, index); }
  bool IsSet(std::string_view name, int index = -1) { return Ext(name, index)->Get("Value").ToBoolean(); }
  void SetValue(std::string_view name, bool on, int index = -1) { Ext(name, index)->Let("Value", Variant::Boolean(on)); }
  // The log's lines of one kind ("event", "focus", "changed"), without their time.
  Lines Logged(std::string_view kind) {
    Lines out;
    const std::string marker = " " + std::string(kind) + " ";
    for (const std::string& line : TakeLog()) {
      const auto at = line.find(marker);
      if (at != std::string::npos) out.push_back(line.substr(at + marker.size()));
    }
    return out;
  }
  // Shows the form with the focus on `site` (for a library control, on the window
  // the host gives it first: an option's mark), and starts the log afresh.
  void ShowAndFocus(model::Site& site) {
    form_->Show();
    site.SetFocus();
    TakeLog();
  }

  float top_ = 0;
};

}  // namespace vitrelle::radio_testing
