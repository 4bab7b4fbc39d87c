// A new slider's defaults, and saving and loading through the host's property bag.
#include <string_view>

#include "controls/slider/glaze_slider.h"
#include "controls/slider/slider_layout.h"

namespace vitrelle {

using namespace slider;

// A saved key, read with its declared default.
Variant GlazeSlider::ReadKey(PropertyBag& bag, std::string_view key) {
  const Property<GlazeSlider>& p = PersistedUnder(Properties(), key);
  return bag.ReadProperty(p.persisted.key, DefaultFor(p.persisted, surface()));
}

// A saved key, read and applied through its property setter.
void GlazeSlider::Load(PropertyBag& bag, std::string_view key) {
  LoadKey(*this, PersistedUnder(Properties(), key), bag, surface());
}

void GlazeSlider::InitProperties() {
  // Fields only: the parts' design state already shows these, and the Resize that
  // follows lays everything out.
  back_color_ = kColorButtonFace;
  back_style_ = kBackStyleTransparent;
  slider_color_ = kDefaultSliderColor;
  border_style_ = 0;
  max_ = 100;
  min_ = 0;
  value_ = 0;
  small_change_ = 1;
  large_change_ = 5;
  slider_shape_ = 0;
  orientation_ = 0;
  enabled_ = true;
  scrolling_ = false;
}

void GlazeSlider::WriteProperties(PropertyBag& bag) { WriteInOrder(*this, Properties(), bag, surface()); }

void GlazeSlider::ReadProperties(PropertyBag& bag) {
  // While loading, setters that would take a copy of the background (BackStyle,
  // BorderStyle) take none: the form is not on the screen yet. Cleared on every
  // way out, or the control would never copy its background again.
  loading_ = true;
  struct ClearLoading {
    bool& flag;
    ~ClearLoading() { flag = false; }
  } clear_loading{loading_};

  Load(bag, "BackStyle");
  Load(bag, "Enabled");
  Load(bag, "BackColor");
  Load(bag, "SliderColor");
  surface().SetBackColor(back_color_);
  Load(bag, "BorderStyle");
  ReadRange(bag);
  Load(bag, "Orientation");
  ComputeScale();
  Load(bag, "SmallChange");
  Load(bag, "LargeChange");
  Load(bag, "Shape");
  Load(bag, "Value");
  Load(bag, "MouseIcon");
  Load(bag, "MousePointer");

  loading_ = false;
  TakeParent();
}

void GlazeSlider::ReadRange(PropertyBag& bag) {
  const int32_t saved_max = ReadKey(bag, "Max").ToLong();
  const int32_t saved_min = ReadKey(bag, "Min").ToLong();
  // Max goes first, as the setters validate each bound against the other. A saved
  // range that lies wholly below the current Min (say -50..-10) would then have its
  // Max refused and lost; lowering Min first lets both saved bounds in without a
  // message. A saved pair with Max below Min is refused either way.
  if (saved_max < min_ && saved_min <= max_) {
    Assign("Min", Variant::Long(saved_min));
    Assign("Max", Variant::Long(saved_max));
  } else {
    Assign("Max", Variant::Long(saved_max));
    Assign("Min", Variant::Long(saved_min));
  }
}

}  // namespace vitrelle
