#include "hosts/activex/property_bags.h"

#include <olectl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/members.h"
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

uint16_t Le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const BYTE* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// The platform's picture loader takes a bitmap's or an icon's sizes and offsets as
// they stand and reads wherever they point, so those two are checked first: every
// header, colour table, image and mask must lie wholly within the bytes the record
// gives: an icon whose directory counted 65,281 images, one byte of a stored record
// inverted, crashed the loader under 32-bit Wine. Other formats go to the platform
// as they are.
constexpr int32_t kMaxSide = 1 << 16;

uint64_t RowBytes(uint64_t width, uint64_t bits) { return (width * bits + 31) / 32 * 4; }

bool KnownDibHeader(uint32_t header) {
  return header == 40 || header == 52 || header == 56 || header == 108 || header == 124;
}
bool KnownBitCount(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The colour table's end, counted from the DIB's start; 0 when the header is not one
// the platform reads.
uint64_t DibTableEnd(const BYTE* dib) {
  const uint32_t header = Le32(dib);
  const uint16_t bits = Le16(dib + 14);
  const uint32_t compression = Le32(dib + 16), used = Le32(dib + 32);
  if (!KnownDibHeader(header) || Le16(dib + 12) != 1 || !KnownBitCount(bits) || used > 256) return 0;
  const uint64_t colours = used ? used : (bits <= 8 ? 1u << bits : 0);
  const uint64_t masks = compression == BI_BITFIELDS && header == 40 ? 12 : 0;
  return header + masks + colours * 4;
}

bool BitmapBytesFit(const BYTE* p, size_t n) {
  constexpr size_t kFileHeader = 14;
  if (n < kFileHeader + 40) return false;
  const uint64_t bits_at = Le32(p + 10);
  const BYTE* dib = p + kFileHeader;
  const int32_t width = static_cast<int32_t>(Le32(dib + 4));
  const int32_t height = static_cast<int32_t>(Le32(dib + 8));
  const uint32_t compression = Le32(dib + 16);
  if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide) return false;
  const uint64_t table = DibTableEnd(dib);
  if (table == 0) return false;
  const uint64_t table_end = kFileHeader + table;
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  // Rows of whole 32-bit words; a compressed image says its own size.
  const bool plain = compression == BI_RGB || compression == BI_BITFIELDS;
  const uint64_t image = plain ? RowBytes(static_cast<uint64_t>(width), Le16(dib + 14)) * rows : Le32(dib + 20);
  return table_end <= n && bits_at >= table_end && bits_at <= n && image <= n - bits_at;
}

// An icon or cursor file: a directory of images, each a bitmap whose height counts
// its image and its one-bit mask below it, or a PNG file.
bool IconBytesFit(const BYTE* p, size_t n) {
  constexpr size_t kDirectory = 6, kEntry = 16;
  const uint64_t count = Le16(p + 4);
  if (count == 0 || kDirectory + count * kEntry > n) return false;
  for (uint64_t i = 0; i < count; ++i) {
    const BYTE* entry = p + kDirectory + i * kEntry;
    const uint64_t size = Le32(entry + 8), offset = Le32(entry + 12);
    if (offset < kDirectory + count * kEntry || offset + size > n || size < 8) return false;
    const BYTE* image = p + offset;
    static constexpr BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::equal(kPng, kPng + 8, image)) continue;
    if (size < 40) return false;
    const int32_t width = static_cast<int32_t>(Le32(image + 4));
    const int32_t height = static_cast<int32_t>(Le32(image + 8));
    const uint32_t compression = Le32(image + 16);
    if (width <= 0 || width > kMaxSide || height <= 0 || height > 2 * kMaxSide) return false;
    if (compression != BI_RGB && compression != BI_BITFIELDS) return false;
    const uint64_t table = DibTableEnd(image);
    if (table == 0) return false;
    const uint64_t rows = static_cast<uint64_t>(height) / 2;
    const uint64_t pixels = RowBytes(static_cast<uint64_t>(width), Le16(image + 14)) * rows;
    const uint64_t mask = RowBytes(static_cast<uint64_t>(width), 1) * rows;
    if (table + pixels + mask > size) return false;
  }
  return true;
}

bool PictureBytesFit(const std::vector<BYTE>& data) {
  const size_t n = data.size();
  const BYTE* p = data.data();
  if (n >= 2 && p[0] == 'B' && p[1] == 'M') return BitmapBytesFit(p, n);
  const bool icon_or_cursor = n >= 6 && Le16(p) == 0 && (Le16(p + 2) == 1 || Le16(p + 2) == 2);
  return !icon_or_cursor || IconBytesFit(p, n);
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
