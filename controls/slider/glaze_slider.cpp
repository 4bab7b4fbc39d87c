#include "controls/slider/glaze_slider.h"

#include <cmath>

#include "controls/slider/slider_layout.h"
#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/units.h"

namespace vitrelle {

using namespace slider;

namespace {

constexpr std::string_view kMsgBoxTitle = " GlazeSlider";
constexpr std::string_view kMaxBelowMin = "The Max property cannot be less than the Min property";
constexpr std::string_view kMinAboveMax = "The Min property cannot be greater than the Max property";
constexpr int32_t kMsgBoxStop = static_cast<int32_t>(MsgBoxStyle::kCritical) | static_cast<int32_t>(MsgBoxStyle::kOkOnly);

std::array<LinePart*, 5> AddGroove(Surface& surface) {
  std::array<LinePart*, 5> lines{};
  for (size_t i = 0; i < lines.size(); ++i) {
    LinePart& line = surface.AddLine("LineMiddle", static_cast<int>(i));
    line.SetBorderWidth(1);
    line.SetBorderColor(kGroove[i].color);
    line.SetX1(kGrooveStart);
    line.SetY1(kGroove[i].across);
    line.SetX2(kDesignGrooveEnd);
    line.SetY2(kGroove[i].across);
    lines[i] = &line;
  }
  return lines;
}

LinePart& AddLine(Surface& surface, std::string_view name, int16_t width, OleColor color, float x1, float y1,
                  float x2, float y2) {
  LinePart& line = surface.AddLine(name);
  line.SetBorderWidth(width);
  line.SetBorderColor(color);
  line.SetX1(x1);
  line.SetY1(y1);
  line.SetX2(x2);
  line.SetY2(y2);
  line.SetVisible(false);
  return line;
}

ShapePart& AddThumb(Surface& surface) {
  ShapePart& thumb = surface.AddShape("Picture1");
  thumb.SetShape(ShapeKind::kRectangle);
  thumb.SetLeft(kThumbInset);
  thumb.SetTop(kThumbInset);
  thumb.SetWidth(kThumbLength);
  thumb.SetHeight(kThumbBreadth);
  thumb.SetFillStyle(0);
  thumb.SetFillColor(kDefaultSliderColor);
  thumb.SetBorderColor(kColorWindowText);
  thumb.SetBorderWidth(1);
  thumb.SetVisible(true);
  return thumb;
}

constexpr float kThumbRight = kThumbInset + kThumbLength;
constexpr float kThumbBottom = kThumbInset + kThumbBreadth;

}  // namespace

GlazeSlider::GlazeSlider(Surface& surface)
    : TrackedControl(surface),
      line_middle_(AddGroove(surface)),
      line_top_(AddLine(surface, "LineTop", 2, kColorWindowText, 0, 0, kDesignWidth, 0)),
      line_bottom_(AddLine(surface, "LineBottom", 2, kColorWindowText, 0, kThickness - kBorderInset, kDesignWidth,
                           kThickness)),
      line_left_(AddLine(surface, "LineLeft", 2, kColorWindowText, 0, 0, 0, kThickness)),
      line_right_(AddLine(surface, "LineRight", 2, kColorWindowText, kDesignWidth - kBorderInset, 0, kDesignWidth,
                          kThickness)),
      picture1_(AddThumb(surface)),
      // The thumb's edge lines sit where PlaceThumbEdges would put them for the
      // design thumb; they stay hidden.
      line1_(AddLine(surface, "Line1", 2, 0x00E0E0E0, kThumbInset, kThumbInset, kThumbInset, kThumbBottom)),
      line2_(AddLine(surface, "Line2", 1, 0x00C0C0C0, kThumbRight - kThumbEdgeInset, kThumbInset,
                     kThumbRight - kThumbEdgeInset, kThumbBottom)),
      line3_(AddLine(surface, "Line3", 1, 0x00E0E0E0, kThumbInset, kThumbInset, kThumbRight, kThumbInset)) {}

std::unique_ptr<Control> MakeGlazeSlider(Surface& surface) { return std::make_unique<GlazeSlider>(surface); }

// ---------------------------------------------------------------------------
// Late-bound members, in the interface's slot order.

std::span<const MemberBinding<GlazeSlider>> GlazeSlider::Members() {
  using S = GlazeSlider;
  static const MemberBinding<S> kMembers[] = {
      {"value", [](S& s) { return Variant::Long(s.Value()); },
       [](S& s, const Variant& v) { s.SetValue(v.ToLong()); }},
      {"Max", [](S& s) { return Variant::Long(s.Max()); }, [](S& s, const Variant& v) { s.SetMax(v.ToLong()); }},
      {"Min", [](S& s) { return Variant::Long(s.Min()); }, [](S& s, const Variant& v) { s.SetMin(v.ToLong()); }},
      {"SmallChange", [](S& s) { return Variant::Long(s.SmallChange()); },
       [](S& s, const Variant& v) { s.SetSmallChange(v.ToLong()); }},
      {"LargeChange", [](S& s) { return Variant::Long(s.LargeChange()); },
       [](S& s, const Variant& v) { s.SetLargeChange(v.ToLong()); }},
      {"SliderShape", [](S& s) { return Variant::Long(s.SliderShape()); },
       [](S& s, const Variant& v) { s.SetSliderShape(v.ToLong()); }},
      {"Orientation", [](S& s) { return Variant::Long(s.Orientation()); },
       [](S& s, const Variant& v) { s.SetOrientation(v.ToLong()); }},
      {"hwnd", [](S& s) { return Variant::Long(static_cast<int32_t>(s.hWnd())); }},
      {"Enabled", [](S& s) { return Variant::Boolean(s.Enabled()); },
       [](S& s, const Variant& v) { s.SetEnabled(v.ToBoolean()); }},
      {"BackStyle", [](S& s) { return Variant::Long(s.BackStyle()); },
       [](S& s, const Variant& v) { s.SetBackStyle(v.ToLong()); }},
      {"BorderStyle", [](S& s) { return Variant::Long(s.BorderStyle()); },
       [](S& s, const Variant& v) { s.SetBorderStyle(v.ToLong()); }},
      {"BackColor", [](S& s) { return FromOleColor(s.BackColor()); },
       [](S& s, const Variant& v) { s.SetBackColor(ToOleColor(v)); }},
      {"SliderColor", [](S& s) { return FromOleColor(s.SliderColor()); },
       [](S& s, const Variant& v) { s.SetSliderColor(ToOleColor(v)); }},
      {"Scrolling", [](S& s) { return Variant::Boolean(s.Scrolling()); }},
      {"MouseIcon", [](S& s) { return Variant::OfPicture(s.MouseIcon()); },
       [](S& s, const Variant& v) { s.SetMouseIcon(v.ToPicture()); }},
      {"MousePointer", [](S& s) { return Variant::Long(s.MousePointer()); },
       [](S& s, const Variant& v) { s.SetMousePointer(v.ToInteger()); }},
      {"Refresh", nullptr, nullptr, [](S& s) { s.Refresh(); }},
      {"DisplayAboutBox", nullptr, nullptr, [](S& s) { s.DisplayAboutBox(); }},
  };
  return kMembers;
}

Variant GlazeSlider::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return InvokeMember<GlazeSlider>(*this, Members(), member, kind, args);
}

// ---------------------------------------------------------------------------
// Property setters. Each ends by reporting the change, whether or not it changed.

void GlazeSlider::SetValue(int32_t value) {
  value_ = value;
  if (value_ < min_) value_ = min_;
  if (value_ > max_) value_ = max_;
  // The new value counts even if the thumb cannot be drawn there.
  IgnoreErrors([&] { PlaceThumb(); });
  RaiseSliderEvent("Changed");
  surface().PropertyChanged("Value");
}

void GlazeSlider::SetMax(int32_t max) {
  if (max < min_) {
    runtime().MsgBox(kMaxBelowMin, kMsgBoxStop, kMsgBoxTitle);
    return;
  }
  max_ = max;
  ComputeScale();
  PlaceThumb();
  surface().PropertyChanged("Max");
}

void GlazeSlider::SetMin(int32_t min) {
  if (min > max_) {
    runtime().MsgBox(kMinAboveMax, kMsgBoxStop, kMsgBoxTitle);
    return;
  }
  min_ = min;
  ComputeScale();
  PlaceThumb();
  surface().PropertyChanged("Min");
}

void GlazeSlider::SetSmallChange(int32_t step) {
  small_change_ = step;
  surface().PropertyChanged("SmallChange");
}

void GlazeSlider::SetLargeChange(int32_t step) {
  large_change_ = step;
  surface().PropertyChanged("LargeChange");
}

void GlazeSlider::SetSliderShape(int32_t shape) {
  slider_shape_ = shape;
  ApplyThumbShape();
  PlaceThumb();
  surface().PropertyChanged("SliderShape");
}

void GlazeSlider::SetOrientation(int32_t orientation) {
  const bool was_vertical = Vertical();
  orientation_ = orientation;
  ApplyThumbShape();
  LayGrooveAcross();
  // Only a real change of axis moves the length: assigning the current orientation
  // again would otherwise fold the slider into a square. And a control being loaded
  // already has the extent it was saved with, on the right axis.
  if (was_vertical != Vertical() && !loading_) SwapLengthOntoAxis();
  ComputeScale();
  PlaceThumb();
  surface().PropertyChanged("Orientation");
}

void GlazeSlider::SetEnabled(bool enabled) {
  enabled_ = enabled;
  surface().SetEnabled(enabled);
  ApplyThumbColor();
  surface().PropertyChanged("Enabled");
}

void GlazeSlider::SetBackStyle(int32_t style) {
  back_style_ = style;
  if (style == kBackStyleTransparent) Refresh();
  surface().PropertyChanged("BackStyle");
}

void GlazeSlider::SetBorderStyle(int32_t style) {
  border_style_ = style;
  ApplyBorder();
  surface().PropertyChanged("BorderStyle");
}

void GlazeSlider::SetBackColor(OleColor color) {
  back_color_ = color;
  surface().SetBackColor(color);
  surface().PropertyChanged("BackColor");
}

void GlazeSlider::SetSliderColor(OleColor color) {
  slider_color_ = color;
  ApplyThumbColor();
  surface().PropertyChanged("SliderColor");
}

void GlazeSlider::SetMouseIcon(PicturePtr icon) {
  surface().SetMouseIcon(std::move(icon));
  surface().PropertyChanged("MouseIcon");
}

void GlazeSlider::SetMousePointer(int16_t pointer) {
  surface().SetMousePointer(pointer);
  surface().PropertyChanged("MousePointer");
}

void GlazeSlider::DisplayAboutBox() {
  // Waits for the About box, which the library does not have yet.
}

// ---------------------------------------------------------------------------
// Background tracking: a slider in a GlazeFrame takes its deferred copy even when
// opaque, and the handler relies on ApplyBackStyle's own guard against re-entry.

void GlazeSlider::OnParentActivate() {
  if (!UserMode()) return;
  const bool in_frame = ContainerIsGlazeFrame();
  if (!in_frame) ApplyBackStyle();
  if (in_frame || back_style_ == kBackStyleTransparent) timer1().SetEnabled(true);
}

}  // namespace vitrelle
