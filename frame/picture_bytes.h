// Whether a stored picture's bytes hold together before a platform's loader reads
// them: the loaders take a bitmap's or an icon's sizes and offsets as they stand.
#pragma once

#include <cstdint>
#include <span>

namespace vitrelle {

// False for a bitmap, icon or cursor whose headers, colours, images or masks do not
// lie wholly within `data`; true for those that do and for every other format.
bool PictureBytesFit(std::span<const uint8_t> data);

}  // namespace vitrelle
