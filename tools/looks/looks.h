// What two hosts show of the same form, compared part by part: where one host draws
// something over the form's background and the other draws nothing there, a part
// is missing on one of them. Exact pixels differ between hosts (the platform's own
// glyphs, system colours, text rendering), so only presence is compared, in small
// cells, with a cell of slack for positions that round differently.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hosts/model/screen.h"

namespace vitrelle::looks {

using model::Bitmap;
using model::Rect;

// A 24- or 32-bit BMP as the Win32 test container writes it (either row order).
std::optional<Bitmap> ReadBmp(const std::string& path, std::string* error = nullptr);

struct Region {
  std::string name;
  Rect rect;  // pixels
};

struct Mismatch {
  std::string region;
  Rect cell;
  bool drawn_by_first;  // drawn by the first host, nothing there on the second
};

struct LookOptions {
  int cell = 3;         // pixels a side
  int threshold = 48;   // a channel this far from the background counts as drawn
  int min_drawn = 2;    // drawn pixels that make a cell drawn
  int slack = 1;        // cells around a drawn cell that may hold its counterpart
};

// Each host's picture of the form against the same form without the controls
// (`*_base`), within each region. Pictures of different sizes are a mismatch of the
// whole region.
std::vector<Mismatch> CompareLooks(const Bitmap& first, const Bitmap& first_base, const Bitmap& second,
                                   const Bitmap& second_base, const std::vector<Region>& regions,
                                   const LookOptions& options = {});

}  // namespace vitrelle::looks
