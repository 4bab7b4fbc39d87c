#include "frame/picture_bytes.h"

#include <algorithm>

namespace vitrelle {
namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;  // a bitmap header's compression

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
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
uint64_t DibTableEnd(const uint8_t* dib) {
  const uint32_t header = Le32(dib);
  const uint16_t bits = Le16(dib + 14);
  const uint32_t compression = Le32(dib + 16), used = Le32(dib + 32);
  if (!KnownDibHeader(header) || Le16(dib + 12) != 1 || !KnownBitCount(bits) || used > 256) return 0;
  const uint64_t colours = used ? used : (bits <= 8 ? 1u << bits : 0);
  const uint64_t masks = compression == kBiBitfields && header == 40 ? 12 : 0;
  return header + masks + colours * 4;
}

bool BitmapBytesFit(const uint8_t* p, size_t n) {
  constexpr size_t kFileHeader = 14;
  if (n < kFileHeader + 40) return false;
  const uint64_t bits_at = Le32(p + 10);
  const uint8_t* dib = p + kFileHeader;
  const int32_t width = static_cast<int32_t>(Le32(dib + 4));
  const int32_t height = static_cast<int32_t>(Le32(dib + 8));
  const uint32_t compression = Le32(dib + 16);
  if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide) return false;
  const uint64_t table = DibTableEnd(dib);
  if (table == 0) return false;
  const uint64_t table_end = kFileHeader + table;
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  // Rows of whole 32-bit words; a compressed image says its own size.
  const bool plain = compression == kBiRgb || compression == kBiBitfields;
  const uint64_t image = plain ? RowBytes(static_cast<uint64_t>(width), Le16(dib + 14)) * rows : Le32(dib + 20);
  return table_end <= n && bits_at >= table_end && bits_at <= n && image <= n - bits_at;
}

// An icon or cursor file: a directory of images, each a bitmap whose height counts
// its image and its one-bit mask below it, or a PNG file.
bool IconBytesFit(const uint8_t* p, size_t n) {
  constexpr size_t kDirectory = 6, kEntry = 16;
  const uint64_t count = Le16(p + 4);
  if (count == 0 || kDirectory + count * kEntry > n) return false;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* entry = p + kDirectory + i * kEntry;
    const uint64_t size = Le32(entry + 8), offset = Le32(entry + 12);
    if (offset < kDirectory + count * kEntry || offset + size > n || size < 8) return false;
    const uint8_t* image = p + offset;
    static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::equal(kPng, kPng + 8, image)) continue;
    if (size < 40) return false;
    const int32_t width = static_cast<int32_t>(Le32(image + 4));
    const int32_t height = static_cast<int32_t>(Le32(image + 8));
    const uint32_t compression = Le32(image + 16);
    if (width <= 0 || width > kMaxSide || height <= 0 || height > 2 * kMaxSide) return false;
    if (compression != kBiRgb && compression != kBiBitfields) return false;
    const uint64_t table = DibTableEnd(image);
    if (table == 0) return false;
    const uint64_t rows = static_cast<uint64_t>(height) / 2;
    const uint64_t pixels = RowBytes(static_cast<uint64_t>(width), Le16(image + 14)) * rows;
    const uint64_t mask = RowBytes(static_cast<uint64_t>(width), 1) * rows;
    if (table + pixels + mask > size) return false;
  }
  return true;
}

}  // namespace

bool PictureBytesFit(std::span<const uint8_t> data) {
  const size_t n = data.size();
  const uint8_t* p = data.data();
  if (n >= 2 && p[0] == 'B' && p[1] == 'M') return BitmapBytesFit(p, n);
  const bool icon_or_cursor = n >= 6 && Le16(p) == 0 && (Le16(p + 2) == 1 || Le16(p + 2) == 2);
  return !icon_or_cursor || IconBytesFit(p, n);
}

}  // namespace vitrelle
