#include "hosts/model/stream_objects.h"

#include <vector>

#include "frame/errors.h"
#include "hosts/model/screen.h"

namespace vitrelle::model {

namespace {

bool ReadU16(ByteSource& source, uint16_t& v) {
  uint8_t b[2];
  if (!source.Read(b, 2)) return false;
  v = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

PicturePtr ModelStreamObjects::ReadPicture(ByteSource& source) {
  uint16_t width = 0, height = 0;
  if (!ReadU16(source, width) || !ReadU16(source, height)) return nullptr;
  // Refused before the pixels are read, so a huge size in a short record costs nothing.
  if (width < 1 || width > 4096 || height < 1 || height > 4096) return nullptr;
  std::vector<OleColor> pixels(static_cast<size_t>(width) * height);
  for (OleColor& c : pixels) {
    uint8_t b[4];
    if (!source.Read(b, 4)) return nullptr;
    c = static_cast<OleColor>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
  }
  try {
    return runtime_.NewPicture(width, height, pixels);
  } catch (const RuntimeError&) {
    return nullptr;
  }
}

bool ModelStreamObjects::CanWritePicture(const PicturePtr& picture) {
  return picture && runtime_.GetScreen().PictureBitmap(*picture).has_value();
}

bool ModelStreamObjects::WritePicture(const PicturePtr& picture, ByteSink& sink) {
  const auto bitmap = runtime_.GetScreen().PictureBitmap(*picture);
  if (!bitmap || bitmap->Width() > 0xFFFF || bitmap->Height() > 0xFFFF) return false;
  std::vector<uint8_t> out;
  PutU16(out, static_cast<uint16_t>(bitmap->Width()));
  PutU16(out, static_cast<uint16_t>(bitmap->Height()));
  for (OleColor c : bitmap->Pixels()) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(c >> (8 * i)));
  }
  return sink.Write(out.data(), out.size());
}

}  // namespace vitrelle::model
