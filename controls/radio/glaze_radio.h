// GlazeRadio: an option button made of the round mark RadioButton1 (a nested
// control with its own window, the only part that takes the focus), a caption
// label beside it, and the surface that carries either the control's own colour
// or the copied background of the form. The options of one container form a
// group (group.h): setting one at run time clears the others, the arrow keys move
// among the controls of the container, and an option selects itself when it gains
// the focus.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "frame/captioned_control.h"
#include "frame/host.h"
#include "frame/properties.h"

namespace vitrelle {

class GlazeRadio : public CaptionedControl {
 public:
  // What a new instance measures when it is placed on a form, in twips.
  static constexpr float kDesignWidth = 1680;
  static constexpr float kDesignHeight = 870;

  explicit GlazeRadio(Surface& surface);

  std::string_view ClassName() const override { return "GlazeRadio"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  std::span<const Declaration* const> Declarations() const override;

  // Getters of the properties the caption does not hold; the setters are reached
  // through the property table (members.cpp), which reports each change. The
  // option's state lives in the mark alone.
  bool Value() const;
  int32_t hWnd() const;
  bool Enabled() const { return enabled_; }
  int32_t Appearance() const;

  // Lifecycle.
  void InitProperties() override;
  void ReadProperties(PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) override;

  // Input and focus from the caption and the surface (null), and from the mark.
  void Click(Part* part) override;
  void DblClick(Part* part) override;
  void MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void KeyDown(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyUp(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyPress(Part* part, int16_t& key_ascii) override;
  void GotFocus(Part* part) override;
  void LostFocus(Part* part) override;
  void PartEvent(UserControlPart& part, std::string_view event, std::span<Variant> args) override;

 protected:
  // The delayed re-capture, and once per instance the first focus of the group.
  void OnTimer1() override;

 private:
  static std::span<const Property<GlazeRadio>> Properties();

  void SetValue(bool on);
  void SetEnabled(bool on);
  void SetAppearance(int32_t appearance);
  void DisplayAboutBox();

  // The mark's own members, reached late-bound as a nested control is.
  Variant GlyphGet(std::string_view member) const;
  void GlyphLet(std::string_view member, Variant value);

  // group.cpp: the walks of group.h for this control.
  void SelectInGroup();
  void FocusNextInContainer();
  void FocusPreviousInContainer();
  void TakeInitialFocus();

  // focus.cpp
  void OnFocusGained();
  void ClearFocusRect();
  // input.cpp
  bool FromCaptionOrSurface(const Part* part) const;

  UserControlPart& radio_button1_;
  bool enabled_ = true;
  bool initial_focus_done_ = false;
};

// For hosts that create controls by class name.
std::unique_ptr<Control> MakeGlazeRadio(Surface& surface);

}  // namespace vitrelle
