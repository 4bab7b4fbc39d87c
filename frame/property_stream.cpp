#include "frame/property_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "frame/errors.h"
#include "frame/host.h"

namespace vitrelle {

bool MemorySource::Read(void* data, size_t size) {
  if (size > Remaining()) {
    at_ = size_;
    return false;
  }
  if (size > 0) std::memcpy(data, data_ + at_, size);
  at_ += size;
  return true;
}

bool MemorySink::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
  return true;
}

namespace {

constexpr uint32_t kMagic = 0x56425447;  // "GTBV" as the bytes stand in the stream
enum class Tag : uint8_t { kEmpty, kBoolean, kInteger, kLong, kSingle, kDouble, kString, kFont, kPicture };
constexpr uint8_t kBold = 1, kItalic = 2, kUnderline = 4, kStrikethrough = 8;

// Thrown inside the reader only, so that each step reads as the format does.
struct Short {};
struct Corrupt {};

class Reader {
 public:
  explicit Reader(ByteSource& source) : source_(source) {}

  template <class U>
  U Unsigned() {
    uint8_t bytes[sizeof(U)];
    if (!source_.Read(bytes, sizeof(U))) throw Short{};
    U v = 0;
    for (size_t i = sizeof(U); i-- > 0;) v = static_cast<U>((v << 8) | bytes[i]);
    return v;
  }
  uint8_t Byte() { return Unsigned<uint8_t>(); }
  int16_t I16() { return static_cast<int16_t>(Unsigned<uint16_t>()); }
  int32_t I32() { return static_cast<int32_t>(Unsigned<uint32_t>()); }
  float F32() { return std::bit_cast<float>(Unsigned<uint32_t>()); }
  double F64() { return std::bit_cast<double>(Unsigned<uint64_t>()); }

  std::string Text() {
    const uint32_t n = Unsigned<uint32_t>();
    if (n > kMaxStreamText) throw Corrupt{};
    // Grown as the bytes arrive, so a length the source cannot back allocates little.
    std::string text;
    constexpr size_t kChunk = 64 * 1024;
    while (text.size() < n) {
      const size_t at = text.size();
      const size_t take = std::min<size_t>(kChunk, n - at);
      text.resize(at + take);
      if (!source_.Read(text.data() + at, take)) throw Short{};
    }
    return text;
  }

 private:
  ByteSource& source_;
};

class Writer {
 public:
  explicit Writer(ByteSink& sink) : sink_(sink) {}

  template <class U>
  void Unsigned(U v) {
    uint8_t bytes[sizeof(U)];
    for (size_t i = 0; i < sizeof(U); ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    Bytes(bytes, sizeof(U));
  }
  void Byte(uint8_t v) { Unsigned(v); }
  void Text(const std::string& text) {
    Unsigned(static_cast<uint32_t>(text.size()));
    Bytes(text.data(), text.size());
  }
  void Bytes(const void* data, size_t size) {
    if (ok_ && size > 0) ok_ = sink_.Write(data, size);
  }
  bool ok() const { return ok_; }

 private:
  ByteSink& sink_;
  bool ok_ = true;
};

Variant ReadFont(Reader& in, StreamObjects& objects) {
  std::string name = in.Text();
  const float size = in.F32();
  const uint8_t flags = in.Byte();
  if (flags & ~(kBold | kItalic | kUnderline | kStrikethrough)) throw Corrupt{};
  FontPtr font = objects.NewFont();
  if (!font) throw Corrupt{};
  try {
    font->SetName(name);
    font->SetSize(size);
    font->SetBold(flags & kBold);
    font->SetItalic(flags & kItalic);
    font->SetUnderline(flags & kUnderline);
    font->SetStrikethrough(flags & kStrikethrough);
  } catch (const RuntimeError&) {
    // The writer saved what a font held, and a font never holds what it refuses.
    throw Corrupt{};
  }
  return Variant::OfFont(std::move(font));
}

Variant ReadValue(Reader& in, ByteSource& source, StreamObjects& objects) {
  switch (static_cast<Tag>(in.Byte())) {
    case Tag::kEmpty: return Variant();
    case Tag::kBoolean: return Variant::Boolean(in.Byte() != 0);
    case Tag::kInteger: return Variant::Integer(in.I16());
    case Tag::kLong: return Variant::Long(in.I32());
    case Tag::kSingle: return Variant::Single(in.F32());
    case Tag::kDouble: return Variant::Double(in.F64());
    case Tag::kString: return Variant::String(in.Text());
    case Tag::kFont: return ReadFont(in, objects);
    case Tag::kPicture: {
      const uint8_t present = in.Byte();
      if (present > 1) throw Corrupt{};
      if (!present) return Variant::OfPicture(nullptr);
      PicturePtr picture = objects.ReadPicture(source);
      if (!picture) throw Corrupt{};
      return Variant::OfPicture(std::move(picture));
    }
  }
  throw Corrupt{};
}

}  // namespace

StreamStatus ReadPropertyStream(ByteSource& source, StreamObjects& objects, StreamEntries& entries) {
  entries.clear();
  Reader in(source);
  StreamEntries read;
  try {
    if (in.Unsigned<uint32_t>() != kMagic) return StreamStatus::kCorrupt;
    const uint32_t count = in.Unsigned<uint32_t>();
    // The count is not trusted for a reservation: each entry must be there to count.
    for (uint32_t i = 0; i < count; ++i) {
      std::string key = in.Text();
      Variant value = ReadValue(in, source, objects);
      read.emplace_back(std::move(key), std::move(value));
    }
  } catch (const Short&) {
    return StreamStatus::kShort;
  } catch (const Corrupt&) {
    return StreamStatus::kCorrupt;
  }
  entries = std::move(read);
  return StreamStatus::kOk;
}

bool WritePropertyStream(const StreamEntries& entries, StreamObjects& objects, ByteSink& sink) {
  Writer out(sink);
  out.Unsigned(kMagic);
  out.Unsigned(static_cast<uint32_t>(entries.size()));
  for (const auto& [key, value] : entries) {
    out.Text(key);
    switch (value.type()) {
      case VarType::kEmpty:
      case VarType::kObject: out.Byte(static_cast<uint8_t>(Tag::kEmpty)); break;
      case VarType::kBoolean:
        out.Byte(static_cast<uint8_t>(Tag::kBoolean));
        out.Byte(value.ToBoolean() ? 1 : 0);
        break;
      case VarType::kInteger:
        out.Byte(static_cast<uint8_t>(Tag::kInteger));
        out.Unsigned(static_cast<uint16_t>(value.ToInteger()));
        break;
      case VarType::kLong:
        out.Byte(static_cast<uint8_t>(Tag::kLong));
        out.Unsigned(static_cast<uint32_t>(value.ToLong()));
        break;
      case VarType::kSingle:
        out.Byte(static_cast<uint8_t>(Tag::kSingle));
        out.Unsigned(std::bit_cast<uint32_t>(value.ToSingle()));
        break;
      case VarType::kDouble:
        out.Byte(static_cast<uint8_t>(Tag::kDouble));
        out.Unsigned(std::bit_cast<uint64_t>(value.ToDouble()));
        break;
      case VarType::kString:
        out.Byte(static_cast<uint8_t>(Tag::kString));
        out.Text(value.ToString());
        break;
      case VarType::kFont: {
        const FontPtr font = value.ToFont();
        out.Byte(static_cast<uint8_t>(Tag::kFont));
        out.Text(font ? font->Name() : std::string());
        out.Unsigned(std::bit_cast<uint32_t>(font ? font->Size() : 0.0f));
        out.Byte(font ? static_cast<uint8_t>((font->Bold() ? kBold : 0) | (font->Italic() ? kItalic : 0) |
                                             (font->Underline() ? kUnderline : 0) |
                                             (font->Strikethrough() ? kStrikethrough : 0))
                      : 0);
        break;
      }
      case VarType::kPicture: {
        const PicturePtr picture = value.ToPicture();
        const bool present = picture && objects.CanWritePicture(picture);
        out.Byte(static_cast<uint8_t>(Tag::kPicture));
        out.Byte(present ? 1 : 0);
        if (present && out.ok() && !objects.WritePicture(picture, sink)) return false;
        break;
      }
    }
    if (!out.ok()) return false;
  }
  return out.ok();
}

}  // namespace vitrelle
