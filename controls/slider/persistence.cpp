// A new slider's defaults, and saving and loading through the host's property bag.
#include <array>
#include <string_view>

#include "controls/slider/glaze_slider.h"
#include "controls/slider/slider_layout.h"
#include "frame/errors.h"
#include "frame/members.h"

namespace vitrelle {

using namespace slider;

namespace {

// One row per persisted key, in the order they are written: the key, the member
// that reads and applies it, and the default passed to the bag both ways. The key
// of SliderShape is "Shape", as saved forms already have it.
struct PersistedKey {
  std::string_view key;
  std::string_view member;
  Variant default_value;
};

const std::array<PersistedKey, 14>& PersistedKeys() {
  static const std::array<PersistedKey, 14> kKeys = {{
      {"BackStyle", "BackStyle", Variant::Long(kBackStyleTransparent)},
      {"Enabled", "Enabled", Variant::Boolean(true)},
      {"BackColor", "BackColor", Variant::Long(static_cast<int32_t>(kColorButtonFace))},
      {"SliderColor", "SliderColor", Variant::Long(static_cast<int32_t>(kDefaultSliderColor))},
      {"BorderStyle", "BorderStyle", Variant::Long(0)},
      {"Value", "value", Variant::Long(0)},
      {"Max", "Max", Variant::Long(100)},
      {"Min", "Min", Variant::Long(0)},
      {"SmallChange", "SmallChange", Variant::Long(1)},
      {"LargeChange", "LargeChange", Variant::Long(5)},
      {"Shape", "SliderShape", Variant::Long(0)},
      {"Orientation", "Orientation", Variant::Long(0)},
      {"MouseIcon", "MouseIcon", Variant::OfPicture(nullptr)},
      {"MousePointer", "MousePointer", Variant::Long(0)},
  }};
  return kKeys;
}

const PersistedKey& KeyOf(std::string_view key) {
  for (const PersistedKey& k : PersistedKeys()) {
    if (k.key == key) return k;
  }
  Raise(err::kInvalidProcedureCall);  // a key missing from the table is a bug here
}

Variant ReadKey(PropertyBag& bag, std::string_view key) {
  const PersistedKey& k = KeyOf(key);
  return bag.ReadProperty(k.key, k.default_value);
}

// Reads a key and applies it through its property setter.
void Load(GlazeSlider& slider, PropertyBag& bag, std::string_view key) {
  Variant value[1] = {ReadKey(bag, key)};
  slider.Invoke(KeyOf(key).member, value[0].IsReference() ? InvokeKind::kSet : InvokeKind::kLet, value);
}

}  // namespace

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

void GlazeSlider::WriteProperties(PropertyBag& bag) {
  for (const PersistedKey& k : PersistedKeys()) {
    bag.WriteProperty(k.key, Invoke(k.member, InvokeKind::kGet, {}), k.default_value);
  }
}

void GlazeSlider::ReadProperties(PropertyBag& bag) {
  // While loading, setters that would take a copy of the background (BackStyle,
  // BorderStyle) take none: the form is not on the screen yet. Cleared on every
  // way out, or the control would never copy its background again.
  loading_ = true;
  struct ClearLoading {
    bool& flag;
    ~ClearLoading() { flag = false; }
  } clear_loading{loading_};

  Load(*this, bag, "BackStyle");
  Load(*this, bag, "Enabled");
  Load(*this, bag, "BackColor");
  Load(*this, bag, "SliderColor");
  surface().SetBackColor(back_color_);
  Load(*this, bag, "BorderStyle");
  ReadRange(bag);
  Load(*this, bag, "Orientation");
  ComputeScale();
  Load(*this, bag, "SmallChange");
  Load(*this, bag, "LargeChange");
  Load(*this, bag, "Shape");
  Load(*this, bag, "Value");
  Load(*this, bag, "MouseIcon");
  Load(*this, bag, "MousePointer");

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
    SetMin(saved_min);
    SetMax(saved_max);
  } else {
    SetMax(saved_max);
    SetMin(saved_min);
  }
}

}  // namespace vitrelle
