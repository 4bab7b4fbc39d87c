#include <png.h>

#include <cstring>
#include <vector>

#include "hosts/model/screen.h"

namespace vitrelle::model {

namespace {

void SetError(std::string* error, const std::string& path, const char* what) {
  if (error != nullptr) *error = path + ": " + what;
}

}  // namespace

bool WritePng(const std::string& path, const Bitmap& bitmap, std::string* error) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) {
    SetError(error, path, "an image without pixels cannot be written");
    return false;
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 3);
  const auto& pixels = bitmap.Pixels();
  for (size_t i = 0; i < pixels.size(); ++i) {
    rgb[3 * i] = RedOf(pixels[i]);
    rgb[3 * i + 1] = GreenOf(pixels[i]);
    rgb[3 * i + 2] = BlueOf(pixels[i]);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap.Width());
  image.height = static_cast<png_uint_32>(bitmap.Height());
  image.format = PNG_FORMAT_RGB;
  if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
    SetError(error, path, image.message);
    png_image_free(&image);
    return false;
  }
  return true;
}

// Transparent pixels are laid over black: the model's pictures have no alpha.
std::optional<Bitmap> ReadPng(const std::string& path, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    SetError(error, path, image.message);
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;
  // libpng's simple reader takes 16-bit samples for linear light and brightens
  // them on the way to 8 bits; image programs and the platform's decoders read
  // them as the same sRGB values as 8-bit ones.
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  if (image.width == 0 || image.height == 0 || image.width > 32768 || image.height > 32768) {
    SetError(error, path, "image size out of range");
    png_image_free(&image);
    return std::nullopt;
  }
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0) {
    SetError(error, path, image.message);
    png_image_free(&image);
    return std::nullopt;
  }
  Bitmap out(static_cast<int>(image.width), static_cast<int>(image.height));
  auto& pixels = out.Pixels();
  for (size_t i = 0; i < pixels.size(); ++i) {
    const unsigned a = rgba[4 * i + 3];
    auto over_black = [a](unsigned v) { return static_cast<uint8_t>((v * a + 127) / 255); };
    pixels[i] = Rgb(over_black(rgba[4 * i]), over_black(rgba[4 * i + 1]), over_black(rgba[4 * i + 2]));
  }
  return out;
}

}  // namespace vitrelle::model
