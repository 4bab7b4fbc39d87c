// A control made of a glyph and a caption label `lblCaption` on a surface that
// carries the control's colour or the copied background: the check box and the
// option button. What the two share lives here: the caption's text, its back
// style, the placement across by Alignment, the dotted focus rectangle around the
// caption, and the pass-throughs of colours, font and mouse pointer to the surface
// and the caption. Each control adds its glyph, its value and its own setters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frame/caption_font.h"
#include "frame/focus_marks.h"
#include "frame/host.h"
#include "frame/properties.h"
#include "frame/tracking.h"

namespace vitrelle {

class CaptionedControl : public TrackedControl {
 public:
  static constexpr int32_t kAlignLeftJustify = 0;
  static constexpr int32_t kAlignRightJustify = 1;

  const std::string& Caption() const { return caption_; }
  int32_t BackStyle() const { return back_style_; }
  int32_t Alignment() const { return alignment_; }
  OleColor BackColor() const { return back_color_; }
  OleColor ForeColor() const { return fore_color_; }
  FontPtr GetFont() const;
  bool FontUnderline() const;
  bool FontTransparent() const;
  bool FontStrikethru() const;
  float FontSize() const;
  std::string FontName() const;
  bool FontItalic() const;
  bool FontBold() const;
  // The pointer is held by the caption (and the parts that show it with it).
  PicturePtr MouseIcon() const;
  int32_t MousePointer() const;

  void Resize() override { LayOutVertically(); }

 protected:
  // Where the two controls differ in what the caption's setters reach.
  struct CaptionOptions {
    // Adds the glyph to the surface; it is made before the caption, which then lies
    // above it.
    RectPart& (*add_glyph)(Surface&) = nullptr;
    // The glyph shows the mouse pointer and icon too, after the caption.
    bool pointer_on_glyph = false;
    // The surface shows the mouse pointer and icon too, before the caption.
    bool pointer_on_surface = false;
    // FontItalic changes the caption's size enough to lay the control out again.
    bool italic_lays_out = false;
    // How much taller than the caption the surface must be for the caption to be
    // centred beside the glyph; a caption with less room sits at the top.
    float caption_headroom = 0;
  };

  CaptionedControl(Surface& surface, TrackedControl::Options tracking, CaptionOptions caption);

  // Up and down: the glyph centred, the caption a little above the centre line.
  // The host's resize runs it, and so does every change of the caption's size.
  void LayOutVertically();

  // Setters, for the control's property table (which reports each change).
  void SetCaption(std::string_view text);
  void SetBackStyle(int32_t style);
  void SetAlignment(int32_t alignment);
  void SetBackColor(OleColor color);
  void SetForeColor(OleColor color);
  void SetFont(FontPtr font);
  void SetFontUnderline(bool on);
  void SetFontTransparent(bool on);
  void SetFontStrikethru(bool on);
  void SetFontSize(float points);
  void SetFontName(std::string_view name);
  void SetFontItalic(bool on);
  void SetFontBold(bool on);
  void SetMouseIcon(PicturePtr icon);
  void SetMousePointer(int32_t pointer);

  // The declarations of BackColor to MousePointer, which both controls have in this
  // slot order and save in this order from `first_key` on. A control whose saved
  // defaults differ for FontSize or MousePointer names its own.
  struct PassThroughDefaults {
    Variant font_size = Variant::Single(0);
    Variant mouse_pointer = Variant::Long(0);
  };
  template <class C>
  static void DeclarePassThroughs(std::vector<Property<C>>& table, int first_key, const PassThroughDefaults& d);

  // Glyph and caption across the surface by Alignment: left justified, the glyph at
  // the left edge and the caption beside it; otherwise the glyph at the right edge
  // and the caption at the left. Only the Alignment setter runs it: a resize keeps
  // the glyph where it was.
  void PlaceHorizontally();
  // The rectangle around the caption, kept clear of a right-justified glyph.
  FocusRect CaptionFocusRect() const;

  int32_t BackStyleValue() const override { return back_style_; }
  RectPart& glyph() const { return glyph_; }
  LabelPart& caption_label() const { return lbl_caption_; }
  Font& SurfaceFont() const;

  // Fields the controls' InitProperties set without applying them to the parts.
  void SetFieldsOnly(int32_t back_style, OleColor back_color, OleColor fore_color);

 private:
  CaptionOptions options_;
  RectPart& glyph_;
  LabelPart& lbl_caption_;
  CaptionFont font_;
  InputPart* pointer_glyph_ = nullptr;

  // What the parts do not hold themselves. A new instance gets these from
  // InitProperties or ReadProperties; the values here only matter before that.
  int32_t back_style_ = kBackStyleTransparent;
  int32_t alignment_ = kAlignLeftJustify;
  OleColor back_color_ = kColorButtonFace;
  OleColor fore_color_ = kColorButtonText;
  std::string caption_;
};

template <class C>
void CaptionedControl::DeclarePassThroughs(std::vector<Property<C>>& table, int first_key,
                                           const PassThroughDefaults& d) {
  using D = Declare<C>;
  int key = first_key;
  const auto next = [&key] { return Order{key++}; };
  table.push_back(D::template Saved<&CaptionedControl::BackColor, &CaptionedControl::SetBackColor>(
      "BackColor", Key({}, FromOleColor(kColorButtonFace), next())));
  table.push_back(D::template Saved<&CaptionedControl::ForeColor, &CaptionedControl::SetForeColor>(
      "ForeColor", Key({}, FromOleColor(kColorButtonText), next())));
  // The font object itself is not saved; its attributes are.
  table.push_back(D::template Prop<&CaptionedControl::GetFont, &CaptionedControl::SetFont>("Font"));
  table.push_back(D::template Saved<&CaptionedControl::FontUnderline, &CaptionedControl::SetFontUnderline>(
      "FontUnderline", Key({}, Variant::Boolean(false), next())));
  table.push_back(D::template Saved<&CaptionedControl::FontTransparent, &CaptionedControl::SetFontTransparent>(
      "FontTransparent", Key({}, Variant::Boolean(true), next())));
  table.push_back(D::template Saved<&CaptionedControl::FontStrikethru, &CaptionedControl::SetFontStrikethru>(
      "FontStrikethru", Key({}, Variant::Boolean(false), next())));
  table.push_back(D::template Saved<&CaptionedControl::FontSize, &CaptionedControl::SetFontSize>("FontSize", Key({}, d.font_size, next())));
  table.push_back(D::template Saved<&CaptionedControl::FontName, &CaptionedControl::SetFontName>("FontName", Key({}, Variant::String(""), next())));
  table.push_back(D::template Saved<&CaptionedControl::FontItalic, &CaptionedControl::SetFontItalic>(
      "FontItalic", Key({}, Variant::Boolean(false), next())));
  table.push_back(
      D::template Saved<&CaptionedControl::FontBold, &CaptionedControl::SetFontBold>("FontBold", Key({}, Variant::Boolean(false), next())));
  table.push_back(D::template Saved<&CaptionedControl::MouseIcon, &CaptionedControl::SetMouseIcon>(
      "MouseIcon", Key({}, Variant::OfPicture(nullptr), next())));
  table.push_back(
      D::template Saved<&CaptionedControl::MousePointer, &CaptionedControl::SetMousePointer>("MousePointer", Key({}, d.mouse_pointer, next())));
}

}  // namespace vitrelle
