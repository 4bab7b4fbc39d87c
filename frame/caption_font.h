// A surface and its caption label that show one font. The font object itself is
// shared when it is assigned; its attributes are set on the surface's font first
// and then on the label's, which may hold an object of its own (the one the label
// was made with, until the first font is assigned). The check box, the option
// button and the frame all pass their font through this way.
#pragma once

#include <string>
#include <string_view>

#include "frame/host.h"

namespace vitrelle {

class CaptionFont {
 public:
  CaptionFont(Surface& surface, LabelPart& label) : surface_(surface), label_(label) {}

  // The surface's font object; 91 when it has none.
  Font& SurfaceFont() const;

  FontPtr Get() const { return surface_.GetFont(); }
  // One object for both, so that a change made through either shows in both.
  void Set(FontPtr font);

  bool Underline() const { return SurfaceFont().Underline(); }
  void SetUnderline(bool on);
  // Only the surface's text drawing has a transparency setting; the label has its
  // own BackStyle for that.
  bool Transparent() const { return surface_.FontTransparent(); }
  void SetTransparent(bool on) { surface_.SetFontTransparent(on); }
  bool Strikethru() const { return SurfaceFont().Strikethrough(); }
  void SetStrikethru(bool on);
  // A size or name the platform refuses must not stop a form from loading (a
  // saved control without a size passes 0 here): each part takes what it can.
  float Size() const { return SurfaceFont().Size(); }
  void SetSize(float points);
  std::string Name() const { return SurfaceFont().Name(); }
  void SetName(std::string_view name);
  bool Italic() const { return SurfaceFont().Italic(); }
  void SetItalic(bool on);
  bool Bold() const { return SurfaceFont().Bold(); }
  void SetBold(bool on);

 private:
  Surface& surface_;
  LabelPart& label_;
};

}  // namespace vitrelle
