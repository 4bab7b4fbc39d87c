#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "hosts/model/screen.h"

namespace vitrelle::model {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vitrelle_png_test_" + std::to_string(::getpid()) + "_" + name)).string();
}

TEST(PngTest, RoundTripKeepsEveryPixel) {
  Bitmap image(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) image.Set(x, y, Rgb(static_cast<uint8_t>(x * 37), static_cast<uint8_t>(y * 51), 200));
  image.Set(6, 4, Rgb(255, 255, 255));
  const std::string path = TempPath("round_trip.png");
  std::string error;
  ASSERT_TRUE(WritePng(path, image, &error)) << error;
  const auto back = ReadPng(path, &error);
  std::filesystem::remove(path);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->Width(), 7);
  EXPECT_EQ(back->Height(), 5);
  EXPECT_EQ(back->Pixels(), image.Pixels());
}

// The showcase's backdrop is stored with 16 bits a sample: its pixels read as the
// same colours image programs and the platform show, not brightened as if the
// samples were linear light.
TEST(PngTest, SixteenBitSamplesKeepTheirColour) {
  const char* root = std::getenv("VITRELLE_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  std::string error;
  const auto backdrop = ReadPng(std::string(root) + "/examples/backdrop.png", &error);
  ASSERT_TRUE(backdrop) << error;
  EXPECT_EQ(backdrop->At(5, 5), Rgb(231, 211, 154));
  EXPECT_EQ(backdrop->At(100, 290), Rgb(103, 146, 192));
}

TEST(PngTest, FailuresNameTheFile) {
  std::string error;
  EXPECT_FALSE(ReadPng(TempPath("missing.png"), &error));
  EXPECT_NE(error.find("missing.png"), std::string::npos);
  EXPECT_FALSE(WritePng("/nonexistent-dir/x.png", Bitmap(1, 1), &error));
  EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos);
  EXPECT_FALSE(WritePng(TempPath("empty.png"), Bitmap(), &error));
}

}  // namespace
}  // namespace vitrelle::model
