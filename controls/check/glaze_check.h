// GlazeCheck: a check box made of the host's check box (the box alone, no text),
// a caption label beside it, and the surface that carries either the control's
// own colour or the copied background of the form.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "frame/captioned_control.h"
#include "frame/host.h"
#include "frame/properties.h"

namespace vitrelle {

class GlazeCheck : public CaptionedControl {
 public:
  // What a new instance measures when it is placed on a form, in twips.
  static constexpr float kDesignWidth = 1680;
  static constexpr float kDesignHeight = 915;

  explicit GlazeCheck(Surface& surface);

  std::string_view ClassName() const override { return "GlazeCheck"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  std::span<const Declaration* const> Declarations() const override;

  // Getters of the properties the caption does not hold; the setters are reached
  // through the property table (members.cpp), which reports each change.
  int16_t Value() const;
  int32_t hWnd() const;
  bool Enabled() const { return enabled_; }
  int32_t Appearance() const;

  // Lifecycle.
  void InitProperties() override;
  void ReadProperties(PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) override;

  // Input and focus from the parts (null: the bare surface).
  void Click(Part* part) override;
  void MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void KeyDown(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyUp(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyPress(Part* part, int16_t& key_ascii) override;
  void GotFocus(Part* part) override;
  void LostFocus(Part* part) override;

 private:
  static std::span<const Property<GlazeCheck>> Properties();

  void SetValue(int16_t value);
  void SetEnabled(bool on);
  void SetAppearance(int32_t appearance);
  void DisplayAboutBox();

  // layout.cpp
  void DrawFocusRect();
  void ClearFocusRect();

  // input.cpp
  void ToggleValue();
  bool FromGlyphOrSurface(const Part* part) const;
  bool FromInputPart(const Part* part) const;

  CheckBoxPart& check1_;
  bool enabled_ = true;
};

// For hosts that create controls by class name.
std::unique_ptr<Control> MakeGlazeCheck(Surface& surface);

}  // namespace vitrelle
