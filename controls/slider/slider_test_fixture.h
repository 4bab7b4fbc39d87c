// Sliders on a model-host form, for the slider's tests: the control is created,
// sized, loaded and driven exactly as the host does it, and what it raises is read
// back from the host's log.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/slider/glaze_slider.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"

namespace vitrelle {

// What tests may see of a slider beyond its public interface.
class GlazeSliderTestApi {
 public:
  explicit GlazeSliderTestApi(GlazeSlider& slider) : slider_(slider) {}
  float TwipsPerUnit() const { return slider_.twips_per_unit_; }
  float GrooveEnd() const { return slider_.GrooveEnd(); }
  bool Timer1Enabled() const { return slider_.timer1().Enabled(); }

 private:
  GlazeSlider& slider_;
};

namespace slider_testing {

class SliderTest : public model::testing::ModelTest {
 protected:
  SliderTest() {
    model::RegisterLibraryClasses();
    NewForm();
  }

  // A new slider (InitProperties), or a saved one loaded from `bag`; the log of its
  // creation is dropped.
  model::LibrarySite& AddSlider(std::string name = "Slider1", std::optional<float> width = {},
                                std::optional<float> height = {}, model::Site* container = nullptr,
                                PropertyBag* bag = nullptr) {
    model::ControlSpec spec;
    spec.class_name = "GlazeSlider";
    spec.name = std::move(name);
    spec.width = width;
    spec.height = height;
    spec.container = container;
    auto& site = dynamic_cast<model::LibrarySite&>(form_->AddControl(spec, bag));
    TakeLog();
    return site;
  }

  model::Site& AddHost(std::string class_name, std::string name, model::Site* container = nullptr) {
    model::Site& site = Add(std::move(class_name), std::move(name), 0, 3000, container);
    TakeLog();
    return site;
  }

  GlazeSlider& Slider(std::string_view name = "Slider1") {
    return dynamic_cast<GlazeSlider&>(form_->GetLibrary(name).Object());
  }
  model::LibrarySite& Site(std::string_view name = "Slider1") { return form_->GetLibrary(name); }
  GlazeSliderTestApi Api(std::string_view name = "Slider1") { return GlazeSliderTestApi(Slider(name)); }

  // Through the extender, as application code reaches the control.
  void Set(std::string_view member, Variant value, std::string_view name = "Slider1") {
    form_->Extender(name)->Let(member, std::move(value));
  }
  Variant Get(std::string_view member, std::string_view name = "Slider1") {
    return form_->Extender(name)->Get(member);
  }

  template <class P>
  P& PartOf(std::string_view part, int index = -1, std::string_view name = "Slider1") {
    model::PartNode* node = Site(name).GetSurface().FindPart(part, index);
    if (!node) throw std::invalid_argument("no part " + std::string(part));
    return dynamic_cast<P&>(node->AsPart());
  }
  ShapePart& Thumb() { return PartOf<ShapePart>("Picture1"); }
  // The thumb's left, top, width and height.
  std::vector<float> ThumbBox() { return {Thumb().Left(), Thumb().Top(), Thumb().Width(), Thumb().Height()}; }
  std::vector<float> Ends(LinePart& line) { return {line.X1(), line.Y1(), line.X2(), line.Y2()}; }
  LinePart& Groove(int i) { return PartOf<LinePart>("LineMiddle", i); }
  LinePart& Line(std::string_view part) { return PartOf<LinePart>(part); }

  // Input needs a shown form; what showing logs is dropped.
  void ShowForm() {
    form_->Show();
    TakeLog();
  }
  void Mouse(model::MouseInput action, int16_t button, float x, float y, std::string_view name = "Slider1") {
    Site(name).Mouse("", action, button, 0, x, y);
  }
  void KeyDown(int16_t key_code, std::string_view name = "Slider1") { Site(name).Key("", true, key_code, 0); }

  // The log lines of one kind ("event", "changed", "msgbox", "capture", "focus"),
  // without their time and kind.
  std::vector<std::string> Logged(std::string_view kind) {
    std::vector<std::string> out;
    const std::string marker = " " + std::string(kind) + " ";
    for (const std::string& line : TakeLog()) {
      const auto at = line.find(marker);
      if (at != std::string::npos && line.front() == '@' && line.find(' ') == at) {
        out.push_back(line.substr(at + marker.size()));
      }
    }
    return out;
  }
  std::vector<std::string> Events() { return Logged("event"); }
};

using Lines = std::vector<std::string>;

}  // namespace slider_testing
}  // namespace vitrelle
