#include "tools/looks/looks.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vitrelle::looks {
namespace {

uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

int ChannelDistance(OleColor a, OleColor b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8)
    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return d;
}

// One flag a cell: whether the host drew over the background there.
std::vector<bool> DrawnCells(const Bitmap& shot, const Bitmap& base, const Rect& r, int cols, int rows,
                             const LookOptions& o) {
  std::vector<bool> drawn(static_cast<size_t>(cols) * rows, false);
  for (int cy = 0; cy < rows; ++cy)
    for (int cx = 0; cx < cols; ++cx) {
      int count = 0;
      for (int y = r.top + cy * o.cell; y < std::min(r.bottom, r.top + (cy + 1) * o.cell); ++y)
        for (int x = r.left + cx * o.cell; x < std::min(r.right, r.left + (cx + 1) * o.cell); ++x)
          if (ChannelDistance(shot.At(x, y), base.At(x, y)) >= o.threshold) ++count;
      drawn[static_cast<size_t>(cy) * cols + cx] = count >= o.min_drawn;
    }
  return drawn;
}

}  // namespace

std::optional<Bitmap> ReadBmp(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, path + ": cannot be read"), std::nullopt;
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return Fail(error, path + ": not a BMP file"), std::nullopt;
  const uint32_t offset = U32(b, 10);
  const auto width = static_cast<int32_t>(U32(b, 18));
  const auto height = static_cast<int32_t>(U32(b, 22));
  const int bits = b[28] | b[29] << 8;
  const uint32_t compression = U32(b, 30);
  if ((bits != 24 && bits != 32) || (compression != 0 && compression != 3) || width <= 0 || height == 0 ||
      width > 16384 || std::abs(height) > 16384)
    return Fail(error, path + ": not an uncompressed 24- or 32-bit BMP"), std::nullopt;
  const int rows = std::abs(height);
  const size_t stride = (static_cast<size_t>(width) * (bits / 8) + 3) & ~size_t{3};
  if (offset + stride * rows > b.size()) return Fail(error, path + ": truncated"), std::nullopt;
  Bitmap image(width, rows);
  for (int y = 0; y < rows; ++y) {
    const size_t row = offset + stride * static_cast<size_t>(height > 0 ? rows - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const size_t at = row + static_cast<size_t>(x) * (bits / 8);
      image.Set(x, y, Rgb(b[at + 2], b[at + 1], b[at]));
    }
  }
  return image;
}

std::vector<Mismatch> CompareLooks(const Bitmap& first, const Bitmap& first_base, const Bitmap& second,
                                   const Bitmap& second_base, const std::vector<Region>& regions,
                                   const LookOptions& o) {
  std::vector<Mismatch> out;
  const int w = first.Width(), h = first.Height();
  const bool same_size = second.Width() == w && second.Height() == h && first_base.Width() == w &&
                         first_base.Height() == h && second_base.Width() == w && second_base.Height() == h;
  for (const Region& region : regions) {
    const Rect r = region.rect.Intersect({0, 0, w, h});
    if (!same_size) {
      out.push_back({region.name, region.rect, true});
      continue;
    }
    if (r.Empty()) continue;
    const int cols = (r.Width() + o.cell - 1) / o.cell, rows = (r.Height() + o.cell - 1) / o.cell;
    const std::vector<bool> a = DrawnCells(first, first_base, r, cols, rows, o);
    const std::vector<bool> b = DrawnCells(second, second_base, r, cols, rows, o);
    auto near = [&](const std::vector<bool>& map, int cx, int cy) {
      for (int y = std::max(0, cy - o.slack); y <= std::min(rows - 1, cy + o.slack); ++y)
        for (int x = std::max(0, cx - o.slack); x <= std::min(cols - 1, cx + o.slack); ++x)
          if (map[static_cast<size_t>(y) * cols + x]) return true;
      return false;
    };
    for (int cy = 0; cy < rows; ++cy)
      for (int cx = 0; cx < cols; ++cx) {
        const size_t i = static_cast<size_t>(cy) * cols + cx;
        const Rect cell{r.left + cx * o.cell, r.top + cy * o.cell, std::min(r.right, r.left + (cx + 1) * o.cell),
                        std::min(r.bottom, r.top + (cy + 1) * o.cell)};
        if (a[i] && !near(b, cx, cy)) out.push_back({region.name, cell, true});
        if (b[i] && !near(a, cx, cy)) out.push_back({region.name, cell, false});
      }
  }
  return out;
}

}  // namespace vitrelle::looks
