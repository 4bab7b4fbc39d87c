// The binary record a control's properties are saved as when a container persists it
// into a stream rather than a property bag:
//
//   u32 magic "GTBV", u32 count, count times { text key, u8 tag, value }
//   text: u32 byte count, then the bytes (UTF-8); numbers little-endian
//   tags: 0 empty, 1 Boolean (u8), 2 Integer (i16), 3 Long (i32), 4 Single (f32),
//         5 Double (f64), 6 String (text), 7 font (text name, f32 size, u8 flags:
//         1 bold, 2 italic, 4 underline, 8 strikethrough), 8 picture (u8 present,
//         then the platform's own picture record)
//
// The record is read from whatever a container hands over, so the reader trusts
// nothing in it: a record that ends early, a tag or a length no writer produces, or
// a font the platform refuses makes the whole record unreadable, and nothing of it
// is used. Only fonts and pictures need the platform, through StreamObjects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "frame/variant.h"

namespace vitrelle {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Exactly `size` bytes, or false when the source ends or fails first.
  virtual bool Read(void* data, size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* data, size_t size) = 0;
};

// Bytes in memory, for tests and for callers that already hold the record.
class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  bool Read(void* data, size_t size) override;
  size_t Remaining() const { return size_ - at_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

class MemorySink : public ByteSink {
 public:
  bool Write(const void* data, size_t size) override;
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// What only the platform can make: a font object, and pictures in the platform's
// own persisted form (which the record embeds without knowing its length).
class StreamObjects {
 public:
  virtual ~StreamObjects() = default;
  virtual FontPtr NewFont() = 0;
  // Reads one picture where `source` stands; null when the bytes hold none.
  virtual PicturePtr ReadPicture(ByteSource& source) = 0;
  // False when the platform cannot persist this picture: it is then saved as none.
  virtual bool CanWritePicture(const PicturePtr& picture) = 0;
  virtual bool WritePicture(const PicturePtr& picture, ByteSink& sink) = 0;
};

using StreamEntries = std::vector<std::pair<std::string, Variant>>;

enum class StreamStatus {
  kOk,
  kShort,    // the source ended or failed inside the record
  kCorrupt,  // bytes no writer produces, or a value the platform refuses
};

// On anything but kOk `entries` is left empty.
StreamStatus ReadPropertyStream(ByteSource& source, StreamObjects& objects, StreamEntries& entries);
// Objects and empty values are saved as empty; false when the sink refused a write.
bool WritePropertyStream(const StreamEntries& entries, StreamObjects& objects, ByteSink& sink);

// No key or string in a record is longer: a larger length is a corrupt record.
inline constexpr uint32_t kMaxStreamText = 1u << 24;

}  // namespace vitrelle
