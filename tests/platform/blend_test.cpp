// The five blend modes on the software back end, exact to the 8-bit value,
// and colour tinting of image pixels.
#include <algorithm>
#include <cmath>

#include "draw_fixture.h"

using drawtest::DrawTest;

namespace {
uint32_t Grey(int v) { return (uint32_t(v) << 16) | (uint32_t(v) << 8) | uint32_t(v); }
}  // namespace

class BlendTest : public DrawTest {
 protected:
  // Fills the 10x10 square at (0,0) with mid-grey 128 as the destination.
  void GreyBackground() {
    SetBlend(kBlendSolid);
    SetColor(128, 128, 128);
    DrawRect(0, 0, 10, 10);
    SetColor(255, 255, 255);
  }
};

TEST_F(BlendTest, LightAddsAndSaturates) {
  GreyBackground();
  SetBlend(kBlendLight);
  SetAlpha(0.5f);
  DrawRect(0, 0, 10, 10);
  EXPECT_EQ(At(5, 5), Grey(255));
  // Below saturation the sum is exact: 128 + 100 * 0.5.
  GreyBackground();
  SetBlend(kBlendLight);
  SetColor(100, 0, 40);
  DrawRect(0, 0, 10, 10);
  EXPECT_EQ(At(5, 5), 0xB28094u);  // 178, 128, 148
}

TEST_F(BlendTest, AlphaMixesSourceAndDestination) {
  GreyBackground();
  SetBlend(kBlendAlpha);
  SetAlpha(0.25f);
  SetColor(255, 0, 0);
  DrawRect(0, 0, 10, 10);
  // 255*0.25 + 128*0.75 = 159.75; 128*0.75 = 96
  EXPECT_EQ(At(5, 5), 0xA06060u);
  SetAlpha(0);
  SetColor(0, 255, 0);
  DrawRect(0, 0, 10, 10);
  EXPECT_EQ(At(5, 5), 0xA06060u);  // fully transparent leaves it alone
}

TEST_F(BlendTest, ShadeMultipliesAndIgnoresAlpha) {
  GreyBackground();
  SetBlend(kBlendShade);
  SetAlpha(0.1f);
  SetColor(255, 128, 0);
  DrawRect(0, 0, 10, 10);
  EXPECT_EQ(At(5, 5), 0x804000u);  // 128*1, 128*128/255, 0
}

TEST_F(BlendTest, SolidReplacesEvenTransparentPixels) {
  GreyBackground();
  // A half-transparent red image: solid ignores its alpha and the current alpha.
  int img = SolidImage(4, 4, 0x40FF0000);
  ASSERT_NE(img, 0);
  SetBlend(kBlendSolid);
  SetAlpha(0.2f);
  DrawImage(img, 2, 2);
  EXPECT_EQ(At(3, 3), 0xFF0000u);
  EXPECT_EQ(At(1, 1), Grey(128));
}

TEST_F(BlendTest, MaskSkipsPixelsAtOrBelowHalfAlpha) {
  // Three columns with alpha 127, 128 and 255.
  std::string path = drawtest::TempPath("mask.png");
  ASSERT_TRUE(drawtest::WritePng(path, 3, 1, {0x7FFF0000, 0x80FF0000, 0xFFFF0000}));
  int img = LoadImage(path, 0);
  ASSERT_NE(img, 0);
  GreyBackground();
  SetBlend(kBlendMask);
  SetAlpha(0.3f);  // not used by the mask mode
  DrawImage(img, 0, 0);
  EXPECT_EQ(At(0, 0), Grey(128));
  EXPECT_EQ(At(1, 0), 0xFF0000u);
  EXPECT_EQ(At(2, 0), 0xFF0000u);
}

TEST_F(BlendTest, ColourTintsImagePixelsAndAlphaScalesThem) {
  int img = SolidImage(4, 4, 0xFFFFFFFF);
  SetBlend(kBlendAlpha);
  SetColor(255, 128, 0);
  SetAlpha(1);
  DrawImage(img, 0, 0);
  EXPECT_EQ(At(1, 1), 0xFF8000u);
  // Image alpha and current alpha multiply: 50% image at alpha 0.5 over black.
  int half = SolidImage(4, 4, 0x80FFFFFF);
  SetColor(255, 255, 255);
  SetAlpha(0.5f);
  DrawImage(half, 10, 0);
  EXPECT_EQ(At(11, 1), Grey(64));
}

TEST_F(BlendTest, BackBufferAlphaStaysOpaque) {
  SetBlend(kBlendAlpha);
  SetAlpha(0.5f);
  DrawRect(0, 0, 10, 10);
  auto f = testhost::BackBuffer();
  EXPECT_EQ(f.rgba[(5 * f.width + 5) * 4 + 3], 255);
}

TEST_F(BlendTest, ClsUsesTheClearColourAndDropsEarlierDrawing) {
  DrawRect(0, 0, 50, 50);
  SetClsColor(10, 20, 30);
  Cls();
  EXPECT_EQ(At(5, 5), 0x0A141Eu);
  SetClsColor(0, 0, 0);
}

TEST_F(BlendTest, AlphaAndLightFollowTheFormulaForEveryAlphaStep) {
  // Source channel 200 over destination 90, alpha in steps of 1/15: each
  // result is the rounded formula with the alpha taken to 8 bits.
  for (int step = 0; step <= 15; ++step) {
    float alpha = step / 15.0f;
    int a = static_cast<int>(std::lround(alpha * 255));
    for (int mode : {kBlendAlpha, kBlendLight}) {
      SetBlend(kBlendSolid);
      SetColor(90, 90, 90);
      DrawRect(0, 0, 4, 4);
      SetBlend(mode);
      SetAlpha(alpha);
      SetColor(200, 0, 255);
      DrawRect(0, 0, 4, 4);
      uint32_t got = At(1, 1);
      int r, g, b;
      if (mode == kBlendAlpha) {
        r = static_cast<int>(std::lround((200.0 * a + 90.0 * (255 - a)) / 255));
        g = static_cast<int>(std::lround(90.0 * (255 - a) / 255));
        b = static_cast<int>(std::lround((255.0 * a + 90.0 * (255 - a)) / 255));
      } else {
        r = std::min(255, 90 + static_cast<int>(std::lround(200.0 * a / 255)));
        g = 90;
        b = std::min(255, 90 + a);
      }
      EXPECT_EQ(got, (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b)) << "mode " << mode << " alpha " << a;
    }
  }
}

TEST_F(BlendTest, RowsSplitBetweenThreadsDrawTheSameAsOneBand) {
  // The same turned, filtered, translucent sprite drawn twice, 60 rows
  // apart: the rasterising threads draw bands of rows, so the two copies
  // are split between bands (and threads) differently. An integer offset
  // must still give identical pixels.
  Open(200, 200);
  std::vector<uint32_t> px(16 * 16);
  for (int i = 0; i < 256; ++i) px[i] = 0xFF000000u | uint32_t(i * 0x010305);
  std::string path = drawtest::TempPath("pattern.png");
  ASSERT_TRUE(drawtest::WritePng(path, 16, 16, px));
  int img = LoadImage(path, kImageFiltered);
  ASSERT_NE(img, 0);
  MidHandleImage(img);
  SetBlend(kBlendAlpha);
  SetAlpha(0.6f);
  SetRotation(37);
  SetScale(2.5f, 1.5f);
  DrawImage(img, 50, 100);  // straddles row 100
  DrawImage(img, 150, 40);
  auto f = testhost::BackBuffer();
  for (int y = -30; y < 30; ++y)
    for (int x = -30; x < 30; ++x)
      ASSERT_EQ(f.Pixel(50 + x, 100 + y), f.Pixel(150 + x, 40 + y)) << x << "," << y;
}
