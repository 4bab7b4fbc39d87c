// GlazeCheck: a check box made of the host's check box (the box alone, no text),
// a caption label beside it, and the surface that carries either the control's
// own colour or the copied background of the form.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "frame/host.h"
#include "frame/tracking.h"

namespace vitrelle {

class GlazeCheck : public TrackedControl {
 public:
  // What a new instance measures when it is placed on a form, in twips.
  static constexpr float kDesignWidth = 1680;
  static constexpr float kDesignHeight = 915;

  static constexpr int32_t kAlignLeftJustify = 0;
  static constexpr int32_t kAlignRightJustify = 1;

  explicit GlazeCheck(Surface& surface);

  std::string_view ClassName() const override { return "GlazeCheck"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;

  // Properties, in the order of the dispatch interface.
  int16_t Value() const;
  void SetValue(int16_t value);
  int32_t hWnd() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view text);
  int32_t BackStyle() const { return back_style_; }
  void SetBackStyle(int32_t style);
  int32_t Appearance() const;
  void SetAppearance(int32_t appearance);
  int32_t Alignment() const { return alignment_; }
  void SetAlignment(int32_t alignment);
  OleColor BackColor() const { return back_color_; }
  void SetBackColor(OleColor color);
  OleColor ForeColor() const { return fore_color_; }
  void SetForeColor(OleColor color);
  FontPtr GetFont() const;
  void SetFont(FontPtr font);
  bool FontUnderline() const;
  void SetFontUnderline(bool on);
  bool FontTransparent() const;
  void SetFontTransparent(bool on);
  bool FontStrikethru() const;
  void SetFontStrikethru(bool on);
  float FontSize() const;
  void SetFontSize(float points);
  std::string FontName() const;
  void SetFontName(std::string_view name);
  bool FontItalic() const;
  void SetFontItalic(bool on);
  bool FontBold() const;
  void SetFontBold(bool on);
  PicturePtr MouseIcon() const;
  void SetMouseIcon(PicturePtr icon);
  int32_t MousePointer() const;
  void SetMousePointer(int32_t pointer);
  void DisplayAboutBox();

  // Lifecycle.
  void InitProperties() override;
  void ReadProperties(PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) override;
  void Resize() override;

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

 protected:
  int32_t BackStyleValue() const override { return back_style_; }

 private:
  // layout.cpp
  void LayOutVertically();
  void PlaceHorizontally();
  void DrawFocusRect();
  void ClearFocusRect();

  // input.cpp
  void ToggleValue();
  bool FromGlyphOrSurface(const Part* part) const;
  bool FromInputPart(const Part* part) const;
  void RaiseMouse(std::string_view event, int16_t& button, int16_t& shift, float& x, float& y);
  void RaiseKey(std::string_view event, int16_t& key_code, int16_t& shift);

  Font& SurfaceFont() const;

  CheckBoxPart& check1_;
  LabelPart& lbl_caption_;

  // What the parts do not hold themselves. A new instance gets these from
  // InitProperties or ReadProperties; the values here only matter before that.
  int32_t back_style_ = kBackStyleTransparent;
  int32_t alignment_ = kAlignLeftJustify;
  bool enabled_ = true;
  OleColor back_color_ = kColorButtonFace;
  OleColor fore_color_ = kColorButtonText;
  std::string caption_;
};

// For hosts that create controls by class name.
std::unique_ptr<Control> MakeGlazeCheck(Surface& surface);

}  // namespace vitrelle
