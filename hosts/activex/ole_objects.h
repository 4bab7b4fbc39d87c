// The core's Picture and Font over the platform's OLE picture and font objects, so
// that a picture a script hands in and one the capture makes are the same kind.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "frame/host.h"
#include "hosts/activex/com_util.h"

namespace vitrelle::activex {

class OlePicture : public Picture {
 public:
  explicit OlePicture(IPicture* picture) : picture_(picture) {}
  int16_t Type() const override;
  Handle BitmapHandle() const override;
  Handle PaletteHandle() const override;
  int32_t WidthPixels() const override;
  int32_t HeightPixels() const override;
  IPicture* Get() const { return picture_.get(); }

 private:
  ComPtr<IPicture> picture_;
};

class OleFont : public Font {
 public:
  explicit OleFont(IFont* font) : font_(font) {}
  std::string Name() const override;
  void SetName(std::string_view name) override;
  float Size() const override;
  void SetSize(float points) override;
  bool Bold() const override;
  void SetBold(bool on) override;
  bool Italic() const override;
  void SetItalic(bool on) override;
  bool Underline() const override;
  void SetUnderline(bool on) override;
  bool Strikethrough() const override;
  void SetStrikethrough(bool on) override;
  FontPtr Clone() const override;
  IFont* Get() const { return font_.get(); }

 private:
  ComPtr<IFont> font_;
};

// A new OLE font: MS Sans Serif 8 pt unless `like` gives the attributes.
FontPtr NewOleFont(const Font* like = nullptr);

// The platform object behind a core picture or font: the wrapped one, or null for
// an object of another host (which the ActiveX host never makes).
IPicture* PlatformPicture(const PicturePtr& picture);
IFont* PlatformFont(const FontPtr& font);

}  // namespace vitrelle::activex
