#include "hosts/activex/property_bags.h"

#include <olectl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/members.h"
#include "frame/picture_bytes.h"
#include "frame/property_stream.h"
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

// The record's format lives in frame/property_stream; here are only the stream
// itself and the platform's fonts and pictures. The picture is written and read by
// the platform at the stream's position, between the record's own bytes.
class IStreamBytes : public ByteSource, public ByteSink, public StreamObjects {
 public:
  explicit IStreamBytes(IStream* stream) : stream_(stream) {}

  bool Read(void* data, size_t size) override {
    ULONG got = 0;
    return Keep(stream_->Read(data, static_cast<ULONG>(size), &got)) && got == size;
  }
  bool Write(const void* data, size_t size) override {
    ULONG written = 0;
    if (!Keep(stream_->Write(data, static_cast<ULONG>(size), &written))) return false;
    if (written == size) return true;
    failure_ = STG_E_MEDIUMFULL;
    return false;
  }

  FontPtr NewFont() override { return NewOleFont(); }
  // The platform's own record of a picture: its class, "lt\0\0", the length of
  // the picture's bytes and the bytes. It is read here whole, so that the container's
  // stream ends up just after it, and handed to the platform from memory once the
  // bytes hold together.
  PicturePtr ReadPicture(ByteSource& source) override {
    constexpr uint32_t kLengthPrefixed = 0x0000746C;
    CLSID clsid{};
    uint32_t header[2] = {};
    if (!source.Read(&clsid, sizeof clsid) || !IsEqualCLSID(clsid, CLSID_StdPicture) ||
        !source.Read(header, sizeof header) || header[0] != kLengthPrefixed || header[1] > kMaxStreamText) {
      return nullptr;
    }
    // Read as the bytes arrive: a length that promises more than the stream holds
    // costs no more memory than the stream has.
    std::vector<BYTE> data;
    for (uint32_t left = header[1]; left > 0;) {
      const uint32_t chunk = std::min<uint32_t>(left, 1u << 16);
      data.resize(data.size() + chunk);
      if (!source.Read(data.data() + data.size() - chunk, chunk)) return nullptr;
      left -= chunk;
    }
    if (!PictureBytesFit(data)) return nullptr;
    ComPtr<IStream> copy;
    if (!Keep(::CreateStreamOnHGlobal(nullptr, TRUE, copy.Put()))) return nullptr;
    const LARGE_INTEGER start{};
    if (!Keep(copy->Write(&clsid, sizeof clsid, nullptr)) || !Keep(copy->Write(header, sizeof header, nullptr)) ||
        (!data.empty() && !Keep(copy->Write(data.data(), static_cast<ULONG>(data.size()), nullptr))) ||
        !Keep(copy->Seek(start, STREAM_SEEK_SET, nullptr))) {
      return nullptr;
    }
    ComPtr<IPicture> picture;
    if (!Keep(::OleLoadFromStream(copy.get(), IID_IPicture, reinterpret_cast<void**>(picture.Put())))) return nullptr;
    return std::make_shared<OlePicture>(picture.get());
  }
  bool CanWritePicture(const PicturePtr& picture) override { return static_cast<bool>(Persistable(picture)); }
  bool WritePicture(const PicturePtr& picture, ByteSink&) override {
    ComPtr<IPersistStream> persist = Persistable(picture);
    return persist && Keep(::OleSaveToStream(persist.get(), stream_));
  }

  // The stream's own failure, when there was one, says more than the record's.
  HRESULT Failure(HRESULT otherwise) const { return FAILED(failure_) ? failure_ : otherwise; }

 private:
  bool Keep(HRESULT hr) {
    if (FAILED(hr)) failure_ = hr;
    return SUCCEEDED(hr);
  }
  static ComPtr<IPersistStream> Persistable(const PicturePtr& picture) {
    ComPtr<IPersistStream> persist;
    if (IPicture* platform = PlatformPicture(picture))
      platform->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.Put()));
    return persist;
  }

  IStream* stream_;
  HRESULT failure_ = S_OK;
};

}  // namespace

Variant ComPropertyBag::ReadProperty(std::string_view key, const Variant& default_value) {
  std::wstring name = Widen(key);
  // Cleared whole, not only its type: a bag that fails may leave it untouched, and
  // clearing it must then free no pointer the wanted type's field never held.
  VARIANT v{};
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
  IStreamBytes bytes(s);
  return WritePropertyStream(entries_, bytes, bytes) ? S_OK : bytes.Failure(E_FAIL);
}

HRESULT StreamPropertyBag::LoadFrom(IStream* s) {
  IStreamBytes bytes(s);
  StreamEntries entries;
  const StreamStatus status = ReadPropertyStream(bytes, bytes, entries);
  entries_ = std::move(entries);
  return status == StreamStatus::kOk ? S_OK : bytes.Failure(E_FAIL);
}

}  // namespace vitrelle::activex
