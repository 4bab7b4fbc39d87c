#include "hosts/activex/property_bags.h"

#include <olectl.h>

#include "frame/members.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/ole_objects.h"

namespace vitrelle::activex {
namespace {

// The VARIANT type a bag should hand a stored value back as: text bags keep
// everything as text, and the default's type says what the control expects.
VARTYPE WantedType(const Variant& default_value) {
  switch (default_value.type()) {
    case VarType::kBoolean: return VT_BOOL;
    case VarType::kInteger: return VT_I2;
    case VarType::kLong: return VT_I4;
    case VarType::kSingle: return VT_R4;
    case VarType::kDouble: return VT_R8;
    case VarType::kString: return VT_BSTR;
    default: return VT_EMPTY;
  }
}

constexpr uint32_t kStreamMagic = 0x56425447;  // "GTBV"
enum class Tag : uint8_t { kEmpty, kBoolean, kInteger, kLong, kSingle, kDouble, kString, kFont, kPicture };

HRESULT Write(IStream* s, const void* data, ULONG size) {
  ULONG written = 0;
  HRESULT hr = s->Write(data, size, &written);
  return FAILED(hr) ? hr : (written == size ? S_OK : STG_E_MEDIUMFULL);
}
HRESULT Read(IStream* s, void* data, ULONG size) {
  ULONG got = 0;
  HRESULT hr = s->Read(data, size, &got);
  return FAILED(hr) ? hr : (got == size ? S_OK : E_FAIL);
}
HRESULT WriteText(IStream* s, const std::string& text) {
  uint32_t n = static_cast<uint32_t>(text.size());
  HRESULT hr = Write(s, &n, sizeof(n));
  return FAILED(hr) || n == 0 ? hr : Write(s, text.data(), n);
}
HRESULT ReadText(IStream* s, std::string& text) {
  uint32_t n = 0;
  HRESULT hr = Read(s, &n, sizeof(n));
  if (FAILED(hr)) return hr;
  if (n > (1u << 24)) return E_FAIL;  // no property is that long: a corrupt stream
  text.assign(n, '\0');
  return n == 0 ? S_OK : Read(s, text.data(), n);
}
template <class T>
HRESULT WriteValue(IStream* s, T v) {
  return Write(s, &v, sizeof(v));
}
template <class T>
HRESULT ReadValue(IStream* s, T& v) {
  return Read(s, &v, sizeof(v));
}

}  // namespace

Variant ComPropertyBag::ReadProperty(std::string_view key, const Variant& default_value) {
  std::wstring name = Widen(key);
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = WantedType(default_value);
  if (FAILED(bag_->Read(name.c_str(), &v, log_))) {
    ::VariantClear(&v);
    return default_value;
  }
  Variant out;
  try {
    out = FromVariant(v);
  } catch (...) {
    ::VariantClear(&v);
    throw;
  }
  ::VariantClear(&v);
  return out;
}

void ComPropertyBag::WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) {
  if (value == default_value) return;
  std::wstring name = Widen(key);
  VARIANT v;
  ToVariant(value, &v);
  HRESULT hr = bag_->Write(name.c_str(), &v);
  ::VariantClear(&v);
  if (FAILED(hr)) Raise(err::kInvalidPropertyValue);
}

Variant StreamPropertyBag::ReadProperty(std::string_view key, const Variant& default_value) {
  for (const auto& [name, value] : entries_) {
    if (NamesEqual(name, key)) return value;
  }
  return default_value;
}

void StreamPropertyBag::WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (NamesEqual(it->first, key)) {
      entries_.erase(it);
      break;
    }
  }
  if (value == default_value) return;
  entries_.emplace_back(std::string(key), value);
}

HRESULT StreamPropertyBag::SaveTo(IStream* s) const {
  HRESULT hr = WriteValue(s, kStreamMagic);
  if (SUCCEEDED(hr)) hr = WriteValue(s, static_cast<uint32_t>(entries_.size()));
  for (const auto& [name, value] : entries_) {
    if (FAILED(hr)) break;
    hr = WriteText(s, name);
    if (FAILED(hr)) break;
    switch (value.type()) {
      case VarType::kEmpty:
      case VarType::kObject: hr = WriteValue(s, Tag::kEmpty); break;
      case VarType::kBoolean:
        hr = WriteValue(s, Tag::kBoolean);
        if (SUCCEEDED(hr)) hr = WriteValue(s, static_cast<uint8_t>(value.ToBoolean()));
        break;
      case VarType::kInteger:
        hr = WriteValue(s, Tag::kInteger);
        if (SUCCEEDED(hr)) hr = WriteValue(s, value.ToInteger());
        break;
      case VarType::kLong:
        hr = WriteValue(s, Tag::kLong);
        if (SUCCEEDED(hr)) hr = WriteValue(s, value.ToLong());
        break;
      case VarType::kSingle:
        hr = WriteValue(s, Tag::kSingle);
        if (SUCCEEDED(hr)) hr = WriteValue(s, value.ToSingle());
        break;
      case VarType::kDouble:
        hr = WriteValue(s, Tag::kDouble);
        if (SUCCEEDED(hr)) hr = WriteValue(s, value.ToDouble());
        break;
      case VarType::kString:
        hr = WriteValue(s, Tag::kString);
        if (SUCCEEDED(hr)) hr = WriteText(s, value.ToString());
        break;
      case VarType::kFont: {
        FontPtr font = value.ToFont();
        hr = WriteValue(s, Tag::kFont);
        if (SUCCEEDED(hr)) hr = WriteText(s, font ? font->Name() : std::string());
        if (SUCCEEDED(hr)) hr = WriteValue(s, font ? font->Size() : 0.0f);
        uint8_t flags = font ? static_cast<uint8_t>((font->Bold() ? 1 : 0) | (font->Italic() ? 2 : 0) |
                                                    (font->Underline() ? 4 : 0) | (font->Strikethrough() ? 8 : 0))
                             : 0;
        if (SUCCEEDED(hr)) hr = WriteValue(s, flags);
        break;
      }
      case VarType::kPicture: {
        hr = WriteValue(s, Tag::kPicture);
        IPicture* picture = PlatformPicture(value.ToPicture());
        ComPtr<IPersistStream> persist;
        uint8_t present = picture && SUCCEEDED(picture->QueryInterface(
                                                  IID_IPersistStream, reinterpret_cast<void**>(persist.Put())));
        if (SUCCEEDED(hr)) hr = WriteValue(s, present);
        if (SUCCEEDED(hr) && present) hr = ::OleSaveToStream(persist.get(), s);
        break;
      }
    }
  }
  return hr;
}

HRESULT StreamPropertyBag::LoadFrom(IStream* s) {
  entries_.clear();
  uint32_t magic = 0, count = 0;
  HRESULT hr = ReadValue(s, magic);
  if (FAILED(hr)) return hr;
  if (magic != kStreamMagic) return E_FAIL;
  hr = ReadValue(s, count);
  for (uint32_t i = 0; i < count && SUCCEEDED(hr); ++i) {
    std::string name;
    Tag tag{};
    hr = ReadText(s, name);
    if (SUCCEEDED(hr)) hr = ReadValue(s, tag);
    if (FAILED(hr)) break;
    Variant value;
    switch (tag) {
      case Tag::kEmpty: break;
      case Tag::kBoolean: {
        uint8_t b = 0;
        hr = ReadValue(s, b);
        value = Variant::Boolean(b != 0);
        break;
      }
      case Tag::kInteger: {
        int16_t v = 0;
        hr = ReadValue(s, v);
        value = Variant::Integer(v);
        break;
      }
      case Tag::kLong: {
        int32_t v = 0;
        hr = ReadValue(s, v);
        value = Variant::Long(v);
        break;
      }
      case Tag::kSingle: {
        float v = 0;
        hr = ReadValue(s, v);
        value = Variant::Single(v);
        break;
      }
      case Tag::kDouble: {
        double v = 0;
        hr = ReadValue(s, v);
        value = Variant::Double(v);
        break;
      }
      case Tag::kString: {
        std::string text;
        hr = ReadText(s, text);
        value = Variant::String(std::move(text));
        break;
      }
      case Tag::kFont: {
        std::string font_name;
        float size = 0;
        uint8_t flags = 0;
        hr = ReadText(s, font_name);
        if (SUCCEEDED(hr)) hr = ReadValue(s, size);
        if (SUCCEEDED(hr)) hr = ReadValue(s, flags);
        if (SUCCEEDED(hr)) {
          FontPtr font = NewOleFont();
          font->SetName(font_name);
          font->SetSize(size);
          font->SetBold(flags & 1);
          font->SetItalic(flags & 2);
          font->SetUnderline(flags & 4);
          font->SetStrikethrough(flags & 8);
          value = Variant::OfFont(font);
        }
        break;
      }
      case Tag::kPicture: {
        uint8_t present = 0;
        hr = ReadValue(s, present);
        if (SUCCEEDED(hr) && present) {
          ComPtr<IPicture> picture;
          hr = ::OleLoadFromStream(s, IID_IPicture, reinterpret_cast<void**>(picture.Put()));
          if (SUCCEEDED(hr)) value = Variant::OfPicture(std::make_shared<OlePicture>(picture.get()));
        } else {
          value = Variant::OfPicture(nullptr);
        }
        break;
      }
      default: hr = E_FAIL; break;
    }
    if (SUCCEEDED(hr)) entries_.emplace_back(std::move(name), std::move(value));
  }
  return hr;
}

}  // namespace vitrelle::activex
