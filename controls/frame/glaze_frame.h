// GlazeFrame: a frame that groups the controls placed in it. Its border is ten
// windowless line segments, single or etched, cut at the top behind the caption
// label; its surface carries either its own colour or the copied background of the
// form. Whenever a transparent frame takes a new copy, the library's controls
// placed directly in it take theirs 150 ms later, so that they show the frame's
// copy beneath them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "frame/caption_font.h"
#include "frame/host.h"
#include "frame/properties.h"
#include "frame/tracking.h"

namespace vitrelle {

class GlazeFrame : public TrackedControl {
 public:
  // What a new instance measures when it is placed on a form, in twips.
  static constexpr float kDesignWidth = 3000;
  static constexpr float kDesignHeight = 1800;

  static constexpr int32_t kBorderNone = 0;
  static constexpr int32_t kBorderFixedSingle = 1;
  static constexpr int32_t kAppearanceFlat = 0;
  static constexpr int32_t kAppearance3D = 1;
  // The host's alignment values that move the caption; every other one keeps it at
  // the left.
  static constexpr int32_t kCaptionCentred = 2;
  static constexpr int32_t kCaptionRight = 4;

  // The border's lines, each an array of two: in the etched look index 0 is the
  // outer line and 1 the inner one; the single-line look uses one of each pair.
  enum class Edge { kTopLeft, kTopRight, kLeft, kRight, kBottom };

  explicit GlazeFrame(Surface& surface);

  std::string_view ClassName() const override { return "GlazeFrame"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  std::span<const Declaration* const> Declarations() const override;

  // Getters; the setters are reached through the property table (members.cpp),
  // which reports each change. Colours, font and pointer live on the surface.
  int32_t hWnd() const;
  bool Enabled() const { return enabled_; }
  DispatchPtr Controls() const;
  OleColor BackColor() const;
  OleColor ForeColor() const;
  int32_t BackStyle() const { return back_style_; }
  int32_t CaptionAlignment() const { return caption_alignment_; }
  int32_t BorderStyle() const { return border_style_; }
  const std::string& Caption() const { return caption_; }
  int32_t Appearance() const { return appearance_; }
  FontPtr GetFont() const { return font_.Get(); }
  bool FontUnderline() const { return font_.Underline(); }
  bool FontTransparent() const { return font_.Transparent(); }
  bool FontStrikethru() const { return font_.Strikethru(); }
  float FontSize() const { return font_.Size(); }
  std::string FontName() const { return font_.Name(); }
  bool FontItalic() const { return font_.Italic(); }
  bool FontBold() const { return font_.Bold(); }
  PicturePtr MouseIcon() const;
  int32_t MousePointer() const;

  // Lifecycle.
  void Initialize() override;
  void InitProperties() override;
  void ReadProperties(PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) override;
  void Resize() override { DrawFrame(); }

  // Input from the bare surface becomes the frame's events; the caption and the
  // lines raise none.
  void Click(Part* part) override;
  void DblClick(Part* part) override;
  void MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) override;
  void Change(Part* part) override;

 protected:
  int32_t BackStyleValue() const override { return back_style_; }
  bool RefreshSuppressed() const override { return loading_; }
  void OnParentActivate() override;
  void OnCopyTaken() override;
  void OnOtherTimer(TimerPart& timer) override;

 private:
  static std::span<const Property<GlazeFrame>> Properties();
  static void RestoreFont(GlazeFrame& self, const Variant& saved);

  void SetEnabled(bool on);
  void SetBackColor(OleColor color);
  void SetForeColor(OleColor color);
  void SetBackStyle(int32_t style);
  void SetCaptionAlignment(int32_t alignment);
  void SetBorderStyle(int32_t style);
  void SetCaption(std::string_view text);
  void SetAppearance(int32_t appearance);
  void SetFont(FontPtr font);
  void SetFontUnderline(bool on) { font_.SetUnderline(on); }
  void SetFontTransparent(bool on) { font_.SetTransparent(on); }
  void SetFontStrikethru(bool on) { font_.SetStrikethru(on); }
  void SetFontSize(float points);
  void SetFontName(std::string_view name);
  void SetFontItalic(bool on);
  void SetFontBold(bool on);
  void SetMouseIcon(PicturePtr icon);
  void SetMousePointer(int32_t pointer);
  void DisplayAboutBox();

  // draw_frame.cpp
  void DrawFrame();
  LinePart& Line(Edge edge, int index) const;

  // container.cpp
  void ShowCaptionByRule();
  void RefreshChildren();

  LabelPart& lbl_caption_;
  std::array<std::array<LinePart*, 2>, 5> lines_{};
  TimerPart& timer3_;
  CaptionFont font_;

  // What the frame keeps itself; Initialize gives the first values.
  int32_t back_style_ = kBackStyleTransparent;
  int32_t border_style_ = kBorderFixedSingle;
  int32_t caption_alignment_ = 0;
  std::string caption_;
  bool enabled_ = true;
  int32_t appearance_ = kAppearanceFlat;
  // True only while ReadProperties runs: the setters it calls take no copy.
  bool loading_ = false;
};

// For hosts that create controls by class name.
std::unique_ptr<Control> MakeGlazeFrame(Surface& surface);

}  // namespace vitrelle
