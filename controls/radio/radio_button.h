// RadioButton: the round mark of an option button and nothing else. A private
// control with a window of its own (so that it takes the focus and the keys), shown
// through a circular window region, that draws one of eight ready-made pictures
// chosen by Enabled, value and Appearance. It never changes its own value: setting
// and clearing the option is its owner's business.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "frame/color.h"
#include "frame/host.h"

namespace vitrelle {

class RadioButton : public Control {
 public:
  // The picture's side in pixels, and the part's in twips at 96 dots per inch.
  static constexpr int kPictureSide = 13;
  static constexpr float kGlyphSize = 195;
  // The round window is one pixel larger than the picture, so that it cuts off the
  // picture's square corners and nothing of its ring.
  static constexpr int kRegionSide = 14;  // pixels at 96 dpi

  // The pictures, in the order of their elements.
  enum class Look { kTrue3D, kFalse3D, kTrueFlat, kFalseFlat, kTrue3DDisabled, kFalse3DDisabled,
                    kTrueFlatDisabled, kFalseFlatDisabled };
  static constexpr int kLooks = 8;

  explicit RadioButton(Surface& surface);

  std::string_view ClassName() const override { return "RadioButton"; }
  // "Enabled", "value" (also "Value") and "Appearance", each read and written.
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;

  bool Enabled() const { return enabled_; }
  bool Value() const { return value_; }
  int32_t Appearance() const { return appearance_; }
  void SetEnabled(bool on);
  void SetValue(bool on);
  void SetAppearance(int32_t appearance);

  // Which picture the fields choose; Paint shows it.
  Look CurrentLook() const;
  // A picture's pixels, row by row from the top.
  static std::span<const OleColor> Pixels(Look look);

  void InitProperties() override;
  void ReadProperties(PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) override;
  void Show() override;
  void Paint() override;

  void Click(Part* part) override;
  void DblClick(Part* part) override;
  void MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void KeyDown(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyUp(Part* part, int16_t& key_code, int16_t& shift) override;
  void KeyPress(Part* part, int16_t& key_ascii) override;

 private:
  bool FromOption1(const Part* part) const { return part == &option1_; }

  Surface& surface_;
  // The eight pictures, each held by a hidden image element, and the one element
  // that shows the chosen picture and receives the mouse.
  std::array<ImagePart*, kLooks> looks_{};
  ImagePart& option1_;

  bool enabled_ = true;
  bool value_ = false;
  int32_t appearance_ = 1;
};

// For the owner's AddUserControl.
std::unique_ptr<Control> MakeRadioButton(Surface& surface);

}  // namespace vitrelle
