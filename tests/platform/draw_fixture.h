// Shared set-up for the drawing tests: a headless display on the software
// back end, pixel helpers and a small PNG writer for test pictures.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

namespace drawtest {

// 0xAARRGGBB per pixel, rows top to bottom.
inline bool WritePng(const std::string& path, int w, int h, const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> rgba(argb.size() * 4);
  for (size_t i = 0; i < argb.size(); ++i) {
    rgba[i * 4] = (argb[i] >> 16) & 255;
    rgba[i * 4 + 1] = (argb[i] >> 8) & 255;
    rgba[i * 4 + 2] = argb[i] & 255;
    rgba[i * 4 + 3] = argb[i] >> 24;
  }
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = w;
  img.height = h;
  img.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&img, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// The drawing tests' files live in one folder of this process, removed when it ends.
inline std::string TempPath(const std::string& name) {
  static const testsupport::TempFolder folder("draw");
  return (folder / name).string();
}

// A display of the given size on the software back end, white colour, alpha
// 1, solid blend, no rotation or scale.
class DrawTest : public testing::Test {
 protected:
  void Open(int w, int h) {
    testhost::Start("");
    SetGraphicsDriver(kDriverDirectX7);
    ASSERT_EQ(Graphics(w, h, 0, 60), 1);
    SetBlend(kBlendSolid);
    Cls();
  }
  void SetUp() override { Open(200, 200); }
  void TearDown() override { EndGraphics(); }

  uint32_t At(int x, int y) { return testhost::BackBuffer().Pixel(x, y); }
  // The column range [first, last] of pixels in row y that are not black.
  static void LitSpan(const testhost::Frame& f, int y, int& first, int& last) {
    first = -1;
    last = -1;
    for (int x = 0; x < f.width; ++x)
      if (f.Pixel(x, y) != 0) {
        if (first < 0) first = x;
        last = x;
      }
  }
  static void LitRows(const testhost::Frame& f, int x, int& first, int& last) {
    first = -1;
    last = -1;
    for (int y = 0; y < f.height; ++y)
      if (f.Pixel(x, y) != 0) {
        if (first < 0) first = y;
        last = y;
      }
  }
  // A w x h image of one opaque colour, made through a PNG file.
  int SolidImage(int w, int h, uint32_t argb, int flags = 0) {
    std::string path = TempPath("solid.png");
    EXPECT_TRUE(WritePng(path, w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, argb)));
    return LoadImage(path, flags);
  }
};

}  // namespace drawtest
