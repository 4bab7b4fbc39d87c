#include "frame/picture_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vitrelle {
namespace {

struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u16(uint16_t x) { return v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)}), *this; }
  Bytes& u32(uint32_t x) {
    return v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)}), *this;
  }
};

// A 16 x 16 image of two colours: its bitmap header, colours and rows, and for an
// icon the one-bit mask below them.
void Dib(Bytes& b, int32_t height, bool mask) {
  b.u32(40).u32(16).u32(static_cast<uint32_t>(height)).u16(1).u16(1).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  b.u32(0x000000).u32(0xFFFFFF);
  for (int row = 0; row < (mask ? 32 : 16); ++row) b.u32(row % 2 ? 0x0000FFFFu : 0xFFFF0000u);
}

// A bitmap file: its 14-byte header at 0, the bitmap header at 14 (width 18, height 22,
// bits 28, colours used 46).
std::vector<uint8_t> BitmapFile() {
  Bytes b;
  b.v = {'B', 'M'};
  b.u32(14 + 40 + 8 + 64).u32(0).u32(14 + 40 + 8);
  Dib(b, 16, false);
  return b.v;
}

// An icon file of one image: its entry at 6 (size 14, offset 18), the image's bitmap
// header at 22 (width 26, height 30, bits 36, colours used 54).
std::vector<uint8_t> IconFile(bool png = false) {
  Bytes b;
  b.u16(0).u16(1).u16(1);
  b.v.insert(b.v.end(), {16, 16, 2, 0});
  b.u16(1).u16(1).u32(png ? 16 : 40 + 8 + 128).u32(22);
  if (png) {
    b.v.insert(b.v.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    b.u32(0).u32(0);
  } else {
    Dib(b, 32, true);
  }
  return b.v;
}

struct Damage {
  std::string what;
  std::vector<uint8_t> (*file)(bool);
  std::vector<std::pair<size_t, uint32_t>> edits;  // 32-bit little-endian values
  bool fits;
};

std::vector<uint8_t> Bitmap(bool) { return BitmapFile(); }

TEST(PictureBytes, RefusesWhatPointsBeyondItsBytesAndKeepsWhatFits) {
  const Damage rows[] = {
      {"a whole bitmap", Bitmap, {}, true},
      {"bitmap: its bits beyond the file", Bitmap, {{10, 200}}, false},
      {"bitmap: wider than its bytes", Bitmap, {{18, 0x4000}}, false},
      {"bitmap: 257 colours", Bitmap, {{46, 257}}, false},
      {"a whole icon", IconFile, {}, true},
      {"icon: 65,535 images", IconFile, {{4, 0x1010FFFFu}}, false},
      {"icon: no images", IconFile, {{4, 0x10100000u}}, false},
      {"icon: an image beyond the file", IconFile, {{14, 0x10000}}, false},
      {"icon: an offset and size that wrap around 4 GB", IconFile, {{14, 0x20}, {18, 0xFFFFFFF0u}}, false},
      {"icon: an image inside its own directory", IconFile, {{18, 6}}, false},
      {"icon: a bitmap wider than its image", IconFile, {{26, 0x4000}}, false},
      {"icon: a bitmap without room for its mask", IconFile, {{14, 40 + 8 + 64}}, false},
      {"icon: 32 bits a pixel in the bytes of one", IconFile, {{34, 0x00200001u}}, false},
      {"icon: 0xFF000000 colours", IconFile, {{54, 0xFF000000u}}, false},
      {"icon: a compressed bitmap", IconFile, {{38, 1}}, false},
  };
  for (const Damage& row : rows) {
    std::vector<uint8_t> file = row.file(false);
    for (const auto& [offset, value] : row.edits) {
      for (int b = 0; b < 4; ++b) file[offset + b] = uint8_t(value >> (8 * b));
    }
    EXPECT_EQ(PictureBytesFit(file), row.fits) << row.what;
  }
  EXPECT_TRUE(PictureBytesFit(IconFile(true))) << "an icon's PNG image is its decoder's to check";
  std::vector<uint8_t> png_beyond = IconFile(true);
  png_beyond[14] = 17;
  EXPECT_FALSE(PictureBytesFit(png_beyond)) << "a PNG image beyond the file";
  for (std::string other : {"GIF89a", "", "\xFF\xD8\xFF"}) {
    EXPECT_TRUE(PictureBytesFit(std::vector<uint8_t>(other.begin(), other.end()))) << "left to the platform";
  }
}

}  // namespace
}  // namespace vitrelle
