// GlazeSlider: a horizontal or vertical groove with a thumb that selects a whole
// number between Min and Max. Built from lightweight parts only (one shape and a set
// of lines), so a transparent slider shows the form's pixels between them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "frame/host.h"
#include "frame/properties.h"
#include "frame/tracking.h"

namespace vitrelle {

class GlazeSliderTestApi;

class GlazeSlider : public TrackedControl {
 public:
  // The size a new control is given before its first Resize fixes the thickness.
  static constexpr float kDesignWidth = 1680;
  static constexpr float kDesignHeight = 1620;

  explicit GlazeSlider(Surface& surface);

  std::string_view ClassName() const override { return "GlazeSlider"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  std::span<const Declaration* const> Declarations() const override;

  // Host notifications.
  void InitProperties() override;
  void ReadProperties(PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) override;
  void Resize() override;
  void DblClick(Part* part) override;
  void MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void KeyDown(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyUp(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyPress(Part* part, int16_t& key_ascii) override;
  void GotFocus(Part* part) override;
  void LostFocus(Part* part) override;

  // Getters of the public interface; the setters are reached through the property
  // table (glaze_slider.cpp), which reports each change.
  int32_t Value() const { return value_; }
  int32_t Max() const { return max_; }
  int32_t Min() const { return min_; }
  int32_t SmallChange() const { return small_change_; }
  int32_t LargeChange() const { return large_change_; }
  int32_t SliderShape() const { return slider_shape_; }
  int32_t Orientation() const { return orientation_; }
  int32_t hWnd() const { return WindowHandleValue(surface().hWnd()); }
  bool Enabled() const { return enabled_; }
  int32_t BackStyle() const { return back_style_; }
  int32_t BorderStyle() const { return border_style_; }
  OleColor BackColor() const { return back_color_; }
  OleColor SliderColor() const { return slider_color_; }
  bool Scrolling() const { return scrolling_; }
  PicturePtr MouseIcon() const { return surface().MouseIcon(); }
  int32_t MousePointer() const { return surface().MousePointer(); }

 protected:
  int32_t BackStyleValue() const override { return back_style_; }
  bool RefreshSuppressed() const override { return loading_; }
  void OnParentActivate() override;

 private:
  friend class GlazeSliderTestApi;
  static std::span<const Property<GlazeSlider>> Properties();

  void SetValue(int32_t value);
  // The bounds refuse a value on the wrong side of the other one (a message, and
  // false: nothing changed, nothing to report).
  bool SetMax(int32_t max);
  bool SetMin(int32_t min);
  void SetSmallChange(int32_t step);
  void SetLargeChange(int32_t step);
  void SetSliderShape(int32_t shape);
  void SetOrientation(int32_t orientation);
  void SetEnabled(bool enabled);
  void SetBackStyle(int32_t style);
  void SetBorderStyle(int32_t style);
  void SetBackColor(OleColor color);
  void SetSliderColor(OleColor color);
  void SetMouseIcon(PicturePtr icon);
  void SetMousePointer(int32_t pointer);
  void DisplayAboutBox();

  bool Vertical() const { return orientation_ != 0; }

  // Geometry (geometry.cpp).
  void ComputeScale();
  void PlaceThumb();
  void ValueFromThumb();
  int32_t ThumbPosFromPointer(float c) const;
  void MoveThumbAlong(int32_t pos);
  void ApplyThumbShape();
  void PlaceThumbEdges();
  void ApplyBorder();
  void ApplyThumbColor();
  void LayGrooveAcross();
  float GrooveEnd() const;
  void SwapLengthOntoAxis();
  float Thickness(bool vertical) const;

  // Input (input.cpp, focus.cpp).
  void DragThumbTo(float x, float y);
  void StepUp(int32_t step);
  void StepDown(int32_t step);
  void FocusNextControl();
  void FocusPreviousControl();
  void MoveFocus(bool forward);
  void RaiseSliderEvent(std::string_view event);

  // Persistence (persistence.cpp).
  void Load(PropertyBag& bag, std::string_view key);
  Variant ReadKey(PropertyBag& bag, std::string_view key);
  void ReadRange(PropertyBag& bag);

  // Declared back to front, the order in which they are created and stacked.
  std::array<LinePart*, 5> line_middle_;
  LinePart& line_top_;
  LinePart& line_bottom_;
  LinePart& line_left_;
  LinePart& line_right_;
  ShapePart& picture1_;
  LinePart& line1_;
  LinePart& line2_;
  LinePart& line3_;

  int32_t value_ = 0;
  int32_t max_ = 100;
  int32_t min_ = 0;
  int32_t small_change_ = 1;
  int32_t large_change_ = 5;
  int32_t slider_shape_ = 0;
  int32_t orientation_ = 0;
  int32_t border_style_ = 0;
  int32_t back_style_ = kBackStyleTransparent;
  OleColor back_color_ = kColorButtonFace;
  OleColor slider_color_ = 0x000080FF;
  bool enabled_ = true;
  bool scrolling_ = false;
  float twips_per_unit_ = 0;
  bool loading_ = false;
};

std::unique_ptr<Control> MakeGlazeSlider(Surface& surface);

}  // namespace vitrelle
