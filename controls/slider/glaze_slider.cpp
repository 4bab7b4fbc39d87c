#include "controls/slider/glaze_slider.h"

#include <cmath>

#include "about/about_box.h"
#include "controls/slider/slider_layout.h"
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
// The published members, declared once in slot order with how each is saved.
// ReadProperties reads the keys in steps of its own (persistence.cpp); the table
// gives the order in which they are written.

namespace {
Persisted Written(std::string_view key, Variant default_value, int place) {
  return Persisted{.key = key, .default_value = std::move(default_value), .write_order = place};
}
}  // namespace

std::span<const Property<GlazeSlider>> GlazeSlider::Properties() {
  using S = GlazeSlider;
  using D = Declare<S>;
  static const std::vector<Property<S>> kTable = {
      D::Prop<&S::Value, &S::SetValue>("value", "Value", Written("Value", Variant::Long(0), 6)),
      D::Prop<&S::Max, &S::SetMax>("Max", {}, Written("Max", Variant::Long(100), 7)),
      D::Prop<&S::Min, &S::SetMin>("Min", {}, Written("Min", Variant::Long(0), 8)),
      D::Prop<&S::SmallChange, &S::SetSmallChange>("SmallChange", {}, Written("SmallChange", Variant::Long(1), 9)),
      D::Prop<&S::LargeChange, &S::SetLargeChange>("LargeChange", {}, Written("LargeChange", Variant::Long(5), 10)),
      // Saved as "Shape", as saved forms already have it.
      D::Prop<&S::SliderShape, &S::SetSliderShape>("SliderShape", {}, Written("Shape", Variant::Long(0), 11)),
      D::Prop<&S::Orientation, &S::SetOrientation>("Orientation", {}, Written("Orientation", Variant::Long(0), 12)),
      D::Prop<&S::hWnd>("hwnd"),
      D::Prop<&S::Enabled, &S::SetEnabled>("Enabled", {}, Written("Enabled", Variant::Boolean(true), 2)),
      D::Prop<&S::BackStyle, &S::SetBackStyle>("BackStyle", {},
                                               Written("BackStyle", Variant::Long(kBackStyleTransparent), 1)),
      D::Prop<&S::BorderStyle, &S::SetBorderStyle>("BorderStyle", {}, Written("BorderStyle", Variant::Long(0), 5)),
      D::Prop<&S::BackColor, &S::SetBackColor>("BackColor", {},
                                               Written("BackColor", FromOleColor(kColorButtonFace), 3)),
      D::Prop<&S::SliderColor, &S::SetSliderColor>("SliderColor", {},
                                                   Written("SliderColor", FromOleColor(kDefaultSliderColor), 4)),
      D::Prop<&S::Scrolling>("Scrolling"),
      D::Prop<&S::MouseIcon, &S::SetMouseIcon>("MouseIcon", {}, Written("MouseIcon", Variant::OfPicture(nullptr), 13)),
      D::Prop<&S::MousePointer, &S::SetMousePointer>("MousePointer", {},
                                                     Written("MousePointer", Variant::Long(0), 14)),
      D::Method<&S::Refresh>("Refresh"),
      D::Method<&S::DisplayAboutBox>("DisplayAboutBox"),
  };
  return kTable;
}

Variant GlazeSlider::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return InvokeProperty(*this, Properties(), member, kind, args);
}

std::span<const Declaration* const> GlazeSlider::Declarations() const { return DeclarationsOf(Properties()); }

// ---------------------------------------------------------------------------
// Property setters. The table reports each change after them, whether or not the
// value changed.

void GlazeSlider::SetValue(int32_t value) {
  value_ = value;
  if (value_ < min_) value_ = min_;
  if (value_ > max_) value_ = max_;
  // The new value counts even if the thumb cannot be drawn there.
  IgnoreErrors([&] { PlaceThumb(); });
  RaiseSliderEvent("Changed");
}

bool GlazeSlider::SetMax(int32_t max) {
  if (max < min_) {
    runtime().MsgBox(kMaxBelowMin, kMsgBoxStop, kMsgBoxTitle);
    return false;
  }
  max_ = max;
  ComputeScale();
  PlaceThumb();
  return true;
}

bool GlazeSlider::SetMin(int32_t min) {
  if (min > max_) {
    runtime().MsgBox(kMinAboveMax, kMsgBoxStop, kMsgBoxTitle);
    return false;
  }
  min_ = min;
  ComputeScale();
  PlaceThumb();
  return true;
}

void GlazeSlider::SetSmallChange(int32_t step) {
  small_change_ = step;
}

void GlazeSlider::SetLargeChange(int32_t step) {
  large_change_ = step;
}

void GlazeSlider::SetSliderShape(int32_t shape) {
  slider_shape_ = shape;
  ApplyThumbShape();
  PlaceThumb();
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
}

void GlazeSlider::SetEnabled(bool enabled) {
  enabled_ = enabled;
  surface().SetEnabled(enabled);
  ApplyThumbColor();
}

void GlazeSlider::SetBackStyle(int32_t style) {
  back_style_ = style;
  if (style == kBackStyleTransparent) Refresh();
}

void GlazeSlider::SetBorderStyle(int32_t style) {
  border_style_ = style;
  ApplyBorder();
}

void GlazeSlider::SetBackColor(OleColor color) {
  back_color_ = color;
  surface().SetBackColor(color);
}

void GlazeSlider::SetSliderColor(OleColor color) {
  slider_color_ = color;
  ApplyThumbColor();
}

void GlazeSlider::SetMouseIcon(PicturePtr icon) {
  surface().SetMouseIcon(std::move(icon));
}

void GlazeSlider::SetMousePointer(int32_t pointer) {
  surface().SetMousePointer(MousePointerValue(pointer));
}

void GlazeSlider::DisplayAboutBox() { vitrelle::DisplayAboutBox(surface().GetRuntime()); }

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
