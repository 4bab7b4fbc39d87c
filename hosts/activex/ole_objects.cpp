#include "hosts/activex/ole_objects.h"

#include <cmath>

#include "frame/font_rules.h"

namespace vitrelle::activex {
namespace {

void Check(HRESULT hr) {
  if (FAILED(hr)) Raise(err::kInvalidPropertyValue);
}

}  // namespace

int16_t OlePicture::Type() const {
  SHORT type = PICTYPE_NONE;
  picture_->get_Type(&type);
  return type;
}

Handle OlePicture::BitmapHandle() const {
  OLE_HANDLE handle = 0;
  picture_->get_Handle(&handle);
  return static_cast<Handle>(handle);
}

Handle OlePicture::PaletteHandle() const {
  OLE_HANDLE palette = 0;
  picture_->get_hPal(&palette);
  return static_cast<Handle>(palette);
}

// OLE keeps picture sizes in HIMETRIC; the core wants device pixels.
int32_t OlePicture::WidthPixels() const {
  OLE_XSIZE_HIMETRIC width = 0;
  picture_->get_Width(&width);
  return ::MulDiv(width, ScreenDpi(LOGPIXELSX), 2540);
}

int32_t OlePicture::HeightPixels() const {
  OLE_YSIZE_HIMETRIC height = 0;
  picture_->get_Height(&height);
  return ::MulDiv(height, ScreenDpi(LOGPIXELSY), 2540);
}

std::string OleFont::Name() const {
  BSTR name = nullptr;
  font_->get_Name(&name);
  std::string text = FromBstr(name);
  ::SysFreeString(name);
  return text;
}

void OleFont::SetName(std::string_view name) {
  CheckFontName(name);
  BSTR text = ToBstr(name);
  HRESULT hr = font_->put_Name(text);
  ::SysFreeString(text);
  Check(hr);
}

// CY holds the point size in ten-thousandths.
float OleFont::Size() const {
  CY size{};
  font_->get_Size(&size);
  return static_cast<float>(static_cast<double>(size.int64) / 10000.0);
}

void OleFont::SetSize(float points) {
  CheckFontSize(points);
  CY size{};
  size.int64 = std::llround(static_cast<double>(points) * 10000.0);
  Check(font_->put_Size(size));
}

bool OleFont::Bold() const {
  BOOL on = FALSE;
  font_->get_Bold(&on);
  return on != FALSE;
}
void OleFont::SetBold(bool on) { Check(font_->put_Bold(on ? TRUE : FALSE)); }

bool OleFont::Italic() const {
  BOOL on = FALSE;
  font_->get_Italic(&on);
  return on != FALSE;
}
void OleFont::SetItalic(bool on) { Check(font_->put_Italic(on ? TRUE : FALSE)); }

bool OleFont::Underline() const {
  BOOL on = FALSE;
  font_->get_Underline(&on);
  return on != FALSE;
}
void OleFont::SetUnderline(bool on) { Check(font_->put_Underline(on ? TRUE : FALSE)); }

bool OleFont::Strikethrough() const {
  BOOL on = FALSE;
  font_->get_Strikethrough(&on);
  return on != FALSE;
}
void OleFont::SetStrikethrough(bool on) { Check(font_->put_Strikethrough(on ? TRUE : FALSE)); }

FontPtr OleFont::Clone() const {
  ComPtr<IFont> copy;
  if (FAILED(font_->Clone(copy.Put())) || !copy) Raise(err::kOutOfMemory);
  return std::make_shared<OleFont>(copy.get());
}

FontPtr NewOleFont(const Font* like) {
  std::wstring name = like ? Widen(like->Name()) : L"MS Sans Serif";
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.lpstrName = name.data();
  desc.cySize.int64 = std::llround((like ? static_cast<double>(like->Size()) : 8.25) * 10000.0);
  desc.sWeight = static_cast<SHORT>(like && like->Bold() ? FW_BOLD : FW_NORMAL);
  desc.sCharset = DEFAULT_CHARSET;
  desc.fItalic = like && like->Italic();
  desc.fUnderline = like && like->Underline();
  desc.fStrikethrough = like && like->Strikethrough();
  ComPtr<IFont> font;
  if (FAILED(::OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(font.Put()))) || !font) {
    Raise(err::kOutOfMemory);
  }
  return std::make_shared<OleFont>(font.get());
}

IPicture* PlatformPicture(const PicturePtr& picture) {
  auto* ole = dynamic_cast<OlePicture*>(picture.get());
  return ole ? ole->Get() : nullptr;
}

IFont* PlatformFont(const FontPtr& font) {
  auto* ole = dynamic_cast<OleFont*>(font.get());
  return ole ? ole->Get() : nullptr;
}

}  // namespace vitrelle::activex
