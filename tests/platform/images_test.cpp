// Images, pixel maps and fonts: loading, frames, the mask colour, handles
// that went stale, grabbing and saving, broken files, and surviving a
// display change.
#include <cstdio>

#include "draw_fixture.h"

using drawtest::DrawTest;
using drawtest::TempPath;
using drawtest::WritePng;

namespace {

// A 3x2 sheet of 4x4 cells, cell i filled with colour 0xFF0000nn (nn = 10*(i+1)).
std::string MakeSheet() {
  const int w = 12, h = 8;
  std::vector<uint32_t> px(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[y * w + x] = 0xFF000000u | uint32_t(10 * ((y / 4) * 3 + x / 4 + 1));
  std::string path = TempPath("sheet.png");
  EXPECT_TRUE(WritePng(path, w, h, px));
  return path;
}

std::string FontPath() {
  // The game's data tree carries the real fonts; the system copy stands in
  // when the tree has not been generated.
  for (const char* p : {MNEMORA_GAME_DIR "/Files/Common/SVBasicManual.ttf",
                        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
    if (FILE* f = std::fopen(p, "rb")) {
      std::fclose(f);
      return p;
    }
  }
  return "";
}

}  // namespace

TEST_F(DrawTest, AnimImageCutsCellsLeftToRightTopToBottom) {
  std::string sheet = MakeSheet();
  int img = LoadAnimImage(sheet, 4, 4, 1, 4, 0);  // cells 1..4
  ASSERT_NE(img, 0);
  EXPECT_EQ(ImageWidth(img), 4);
  EXPECT_EQ(ImageHeight(img), 4);
  EXPECT_EQ(ImageFrames(img), 4);
  for (int f = 0; f < 4; ++f) DrawImage(img, 10 * f, 0, f);
  auto fr = testhost::BackBuffer();
  EXPECT_EQ(fr.Pixel(1, 1), 20u);   // cell 1: top row, middle
  EXPECT_EQ(fr.Pixel(11, 1), 30u);  // cell 2: top row, right
  EXPECT_EQ(fr.Pixel(21, 1), 40u);  // cell 3: second row, left
  EXPECT_EQ(fr.Pixel(31, 3), 50u);
  // Frames out of range draw nothing.
  DrawImage(img, 100, 100, 4);
  DrawImage(img, 100, 100, -1);
  EXPECT_EQ(At(101, 101), 0u);
}

TEST_F(DrawTest, AnimImageRejectsCellsBeyondTheSheet) {
  std::string sheet = MakeSheet();
  EXPECT_EQ(LoadAnimImage(sheet, 4, 4, 4, 3, 0), 0);  // would need cell 6
  EXPECT_EQ(LoadAnimImage(sheet, 13, 4, 0, 1, 0), 0);
  EXPECT_EQ(LoadAnimImage(sheet, 4, 4, 0, 0, 0), 0);
  EXPECT_EQ(LoadAnimImage(sheet, -4, 4, 0, 1, 0), 0);
  EXPECT_NE(LoadAnimImage(sheet, 4, 4, 0, 6, 0), 0);
}

TEST_F(DrawTest, MaskedImagesTurnPureBlackTransparent) {
  std::string path = TempPath("black.png");
  // Only all three channels at 0 are the mask colour: a pixel dark in red and
  // green alone (pure or dark blue), or in one channel alone, is kept.
  ASSERT_TRUE(WritePng(path, 6, 1, {0xFF000000, 0xFF010000, 0xFF0000FF, 0xFF000001, 0xFF000100, 0xFF010001}));
  SetBlend(kBlendSolid);
  SetColor(0, 200, 0);
  DrawRect(0, 0, 10, 10);
  SetColor(255, 255, 255);
  SetBlend(kBlendAlpha);
  int masked = LoadImage(path, kImageMasked);
  ASSERT_NE(masked, 0);
  DrawImage(masked, 0, 0);
  EXPECT_EQ(At(0, 0), 0x00C800u);  // black pixel left out
  EXPECT_EQ(At(1, 0), 0x010000u);  // nearly black is kept
  EXPECT_EQ(At(2, 0), 0x0000FFu);  // pure blue
  EXPECT_EQ(At(3, 0), 0x000001u);  // the darkest blue
  EXPECT_EQ(At(4, 0), 0x000100u);
  EXPECT_EQ(At(5, 0), 0x010001u);
  int plain = LoadImage(path, 0);
  DrawImage(plain, 0, 0);
  EXPECT_EQ(At(0, 0), 0u);
}

TEST_F(DrawTest, AutoMidHandleAppliesToImagesMadeAfterwards) {
  int before = CreateImage(10, 20, 1, kImageDynamic);
  AutoMidHandle(1);
  int after = CreateImage(10, 20, 1, kImageDynamic);
  AutoMidHandle(0);
  // Grab a white square into both and draw them at the same point.
  DrawRect(0, 0, 10, 20);
  GrabImage(before, 0, 0);
  GrabImage(after, 0, 0);
  Cls();
  DrawImage(before, 100, 100);
  auto f = testhost::BackBuffer();
  EXPECT_NE(f.Pixel(100, 100), 0u);
  EXPECT_EQ(f.Pixel(99, 99), 0u);
  Cls();
  DrawImage(after, 100, 100);
  f = testhost::BackBuffer();
  EXPECT_NE(f.Pixel(95, 90), 0u);
  EXPECT_EQ(f.Pixel(94, 90), 0u);
  EXPECT_EQ(f.Pixel(95, 89), 0u);
}

TEST_F(DrawTest, StaleAndZeroHandlesAreIgnored) {
  int img = SolidImage(4, 4, 0xFFFFFFFF);
  ASSERT_NE(img, 0);
  FreeImage(img);
  int reused = SolidImage(8, 8, 0xFFFF0000);  // likely the same slot
  ASSERT_NE(reused, img);
  EXPECT_EQ(ImageWidth(img), 0);
  DrawImage(img, 0, 0);
  SetImageHandle(img, 5, 5);
  FreeImage(img);  // must not free the new image
  FreeImage(0);
  DrawImage(0, 0, 0);
  EXPECT_EQ(At(1, 1), 0u);
  EXPECT_EQ(ImageWidth(reused), 8);
  DrawImage(reused, 0, 0);
  EXPECT_EQ(At(1, 1), 0xFF0000u);
  EXPECT_EQ(PixmapWidth(12345), 0);
  EXPECT_EQ(SavePixmapPNG(0, TempPath("none.png")), 0);
}

TEST_F(DrawTest, FreeingAnImageAfterQueuingItStillDrawsTheQueuedCopy) {
  int img = SolidImage(4, 4, 0xFF00FF00);
  DrawImage(img, 0, 0);
  FreeImage(img);  // the queued draw runs before the texture goes
  EXPECT_EQ(At(1, 1), 0x00FF00u);
}

TEST_F(DrawTest, GrabbedPixmapSavesAndLoadsBackUnchanged) {
  SetColor(200, 100, 50);
  DrawRect(10, 10, 20, 10);
  SetColor(1, 2, 3);
  DrawRect(15, 12, 3, 3);
  int pm = GrabPixmap(5, 5, 40, 30);
  ASSERT_NE(pm, 0);
  SetColor(255, 255, 255);
  EXPECT_EQ(PixmapWidth(pm), 40);
  EXPECT_EQ(PixmapHeight(pm), 30);
  std::string path = TempPath("roundtrip.png");
  std::remove(path.c_str());
  for (int level : {0, 9}) {
    ASSERT_EQ(SavePixmapPNG(pm, path, level), 1);
    int img = LoadImage(path, 0);
    ASSERT_NE(img, 0);
    Cls();
    DrawImage(img, 100, 100);
    auto f = testhost::BackBuffer();
    EXPECT_EQ(f.Pixel(105 + 10 - 5, 105), 0xC86432u);
    EXPECT_EQ(f.Pixel(100 + 15 - 5, 100 + 12 - 5), 0x010203u);
    EXPECT_EQ(f.Pixel(100, 100), 0u);
  }
  FreePixmap(pm);
  EXPECT_EQ(PixmapWidth(pm), 0);
}

TEST_F(DrawTest, SavingToAnUnwritablePlaceFailsAndLeavesNoFile) {
  int pm = GrabPixmap(0, 0, 8, 8);
  std::string bad = TempPath("no_such_folder/shot.png");
  EXPECT_EQ(SavePixmapPNG(pm, bad), 0);
  EXPECT_EQ(std::fopen(bad.c_str(), "rb"), nullptr);
  EXPECT_EQ(SavePixmapPNG(pm, ""), 0);
}

TEST_F(DrawTest, GrabImageReadsLogicalAreaThroughTheVirtualMapping) {
  Open(400, 300);
  SetVirtualResolution(200, 150);  // 2 pixels per logical unit
  SetColor(0, 255, 0);
  DrawRect(20, 20, 5, 5);
  int img = CreateImage(10, 10, 2, kImageDynamic);
  GrabImage(img, 15, 15, 1);
  Cls();
  SetColor(255, 255, 255);
  DrawImage(img, 0, 0, 1);
  auto f = testhost::BackBuffer();
  EXPECT_EQ(f.Pixel(9, 9), 0u);          // logical (4.5, 4.5): outside the square
  EXPECT_EQ(f.Pixel(11, 11), 0x00FF00u);  // logical (5.5, 5.5): inside
  EXPECT_EQ(f.Pixel(19, 19), 0x00FF00u);
  // A grab after the image was drawn updates what it draws next time.
  Cls();
  GrabImage(img, 15, 15, 1);
  DrawImage(img, 0, 0, 1);
  EXPECT_EQ(testhost::BackBuffer().Pixel(11, 11), 0u);
}

TEST_F(DrawTest, CorruptPngsGiveNoImage) {
  std::string good = TempPath("good.png");
  ASSERT_TRUE(WritePng(good, 16, 16, std::vector<uint32_t>(256, 0xFF123456)));
  const std::string bytes = testsupport::ReadBytes(good);
  ASSERT_GT(bytes.size(), 60u);
  std::string bad = TempPath("bad.png");
  // Truncated at every length up to the full file, and with flipped bytes.
  for (size_t len = 0; len < bytes.size(); len += 7) {
    testsupport::WriteBytes(bad, bytes.substr(0, len));
    EXPECT_EQ(LoadImage(bad, 0), 0) << "length " << len;
  }
  std::string flipped = bytes;
  flipped[20] = static_cast<char>(~flipped[20]);  // inside IHDR: CRC no longer matches
  testsupport::WriteBytes(bad, flipped);
  EXPECT_EQ(LoadImage(bad, 0), 0);
  EXPECT_EQ(LoadImage(TempPath("missing.png"), 0), 0);
  EXPECT_EQ(LoadImage(testing::TempDir(), 0), 0);  // a folder
}

TEST_F(DrawTest, FontsMeasureAndDrawText) {
  // The built-in font first.
  SetImageFont(0);
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_GT(TextHeight("A"), 0);
  EXPECT_EQ(TextWidth("AB"), 2 * TextWidth("A"));
  DrawText("Hi", 10, 10);
  auto f = testhost::BackBuffer();
  bool lit = false;
  for (int y = 10; y < 10 + TextHeight("Hi"); ++y)
    for (int x = 10; x < 10 + TextWidth("Hi"); ++x) lit |= f.Pixel(x, y) != 0;
  EXPECT_TRUE(lit);
  EXPECT_EQ(f.Pixel(9, 12), 0u);

  std::string path = FontPath();
  if (path.empty()) GTEST_SKIP() << "no TrueType font on this machine";
  int small = LoadImageFont(path, 12);
  int big = LoadImageFont(path, 36);
  ASSERT_NE(small, 0);
  ASSERT_NE(big, 0);
  SetImageFont(small);
  int ws = TextWidth("Hello, world"), hs = TextHeight("x");
  SetImageFont(big);
  int wb = TextWidth("Hello, world"), hb = TextHeight("x");
  EXPECT_GT(ws, 30);
  EXPECT_NEAR(double(wb) / ws, 3.0, 0.5);
  EXPECT_GE(hs, 12);
  EXPECT_NEAR(double(hb) / hs, 3.0, 0.5);
  EXPECT_GT(TextWidth("\xE9"), 0);  // Latin-1 bytes are measured as their code points
  // Text stays inside its box: top-left at the given point.
  Cls();
  DrawText("Hello", 50, 50);
  f = testhost::BackBuffer();
  int lo = 1 << 30, hi = -1, top = 1 << 30, bottom = -1;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      if (f.Pixel(x, y)) {
        lo = std::min(lo, x), hi = std::max(hi, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
  EXPECT_GE(lo, 50);
  EXPECT_LE(hi, 50 + TextWidth("Hello") + 2);
  EXPECT_GE(top, 50);
  EXPECT_LE(bottom, 50 + TextHeight("Hello"));
  FreeFont(big);
  SetImageFont(big);  // stale: falls back to the built-in font
  EXPECT_EQ(TextHeight("x"), [] { SetImageFont(0); return TextHeight("x"); }());
}

// Smooth text has edge pixels partly covered, blended between the text's
// colour and the ground; a font loaded plain has only full and empty ones.
TEST_F(DrawTest, SmoothFontsAreDrawnAntiAliasedPlainOnesAreNot) {
  std::string path = FontPath();
  if (path.empty()) GTEST_SKIP() << "no TrueType font on this machine";
  auto shades = [this](int font) {
    Cls();
    SetImageFont(font);
    SetBlend(kBlendAlpha);
    SetColor(255, 255, 255);
    DrawText("Quiet Wo", 10, 10);
    auto f = testhost::BackBuffer();
    int full = 0, partial = 0;
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x) {
        uint32_t green = (f.Pixel(x, y) >> 8) & 255;
        full += green == 255;
        partial += green > 0 && green < 255;
      }
    EXPECT_GT(full, 20);
    return partial;
  };
  int smooth = LoadImageFont(path, 24, kFontSmooth);
  int plain = LoadImageFont(path, 24, 0);
  ASSERT_NE(smooth, 0);
  ASSERT_NE(plain, 0);
  EXPECT_GT(shades(smooth), 40);
  EXPECT_EQ(shades(plain), 0);
  FreeFont(smooth);
  FreeFont(plain);
}

TEST_F(DrawTest, CorruptOrTruncatedFontsGiveNoFont) {
  std::string path = FontPath();
  if (path.empty()) GTEST_SKIP() << "no TrueType font on this machine";
  const std::string bytes = testsupport::ReadBytes(path);
  std::string bad = TempPath("bad.ttf");
  for (size_t len : {size_t(0), size_t(11), size_t(100), bytes.size() / 2, bytes.size() - 1}) {
    testsupport::WriteBytes(bad, bytes.substr(0, len));
    EXPECT_EQ(LoadImageFont(bad, 20), 0) << "length " << len;
  }
  testsupport::WriteBytes(bad, std::string(5000, '\xAB'));
  EXPECT_EQ(LoadImageFont(bad, 20), 0);
  EXPECT_EQ(LoadImageFont(path, 0), 0);
  EXPECT_EQ(LoadImageFont(TempPath("missing.ttf"), 20), 0);
}

TEST_F(DrawTest, ImagesAndFontsSurviveADisplayChange) {
  int img = SolidImage(4, 4, 0xFF0000FF);
  DrawImage(img, 0, 0);
  DrawText("A", 20, 0);
  EXPECT_EQ(At(1, 1), 0x0000FFu);
  // Close, switch back end slot and reopen at another size: same handles draw.
  EndGraphics();
  EXPECT_EQ(GraphicsOpenNow(), 0);
  DrawImage(img, 0, 0);  // no display: ignored
  SetGraphicsDriver(kDriverDirectX7);
  ASSERT_EQ(Graphics(320, 240, 0, 60), 1);
  EXPECT_EQ(GraphicsWidth(), 320);
  SetBlend(kBlendSolid);
  DrawImage(img, 0, 0);
  DrawText("A", 20, 0);
  auto f = testhost::BackBuffer();
  EXPECT_EQ(f.Pixel(1, 1), 0x0000FFu);
  bool lit = false;
  for (int y = 0; y < 16; ++y)
    for (int x = 20; x < 28; ++x) lit |= f.Pixel(x, y) != 0;
  EXPECT_TRUE(lit);
}

TEST_F(DrawTest, MemoryCountFollowsImagesAndPixmaps) {
  int64_t before = GCMemAlloced();
  int img = CreateImage(100, 100, 4, kImageDynamic);
  int pm = GrabPixmap(0, 0, 50, 50);
  int64_t held = GCMemAlloced() - before;
  EXPECT_GE(held, 100 * 100 * 4 * 4 + 50 * 50 * 4);  // RGBA bytes at least
  FreeImage(img);
  FreePixmap(pm);
  FreeImage(img);  // a second free must not count twice
  EXPECT_EQ(GCMemAlloced(), before);
}

TEST_F(DrawTest, EveryPngColourTypeDecodesToRgba) {
  // Grey 1-bit, grey with alpha, 4-bit palette with transparency, 16-bit
  // RGB and interlaced RGB, each drawn solid and read back.
  const std::string dir = MNEMORA_SOURCE_DIR "/tests/fuzz/corpus_png/";
  struct Case {
    const char* file;
    int x, y;
    uint32_t rgb;
  } cases[] = {
      {"valid_grey_1bit.png", 0, 0, 0xFFFFFF},  {"valid_grey_1bit.png", 1, 0, 0x000000},
      {"valid_grey_alpha.png", 2, 0, 0x3C3C3C}, {"valid_palette_4bit_trns.png", 1, 3, 0xFF0000},
      {"valid_palette_4bit_trns.png", 3, 0, 0x0000FF}, {"valid_rgb_16bit.png", 1, 2, 0x1F3E9C},
      {"valid_rgb_interlaced.png", 3, 5, 0x5A96C8},
  };
  for (const Case& c : cases) {
    int img = LoadImage(dir + c.file, 0);
    ASSERT_NE(img, 0) << c.file;
    EXPECT_EQ(ImageWidth(img), 8);
    Cls();
    DrawImage(img, 0, 0);
    EXPECT_EQ(At(c.x, c.y), c.rgb) << c.file << " at " << c.x << "," << c.y;
    FreeImage(img);
  }
  // The palette's transparent entry stays transparent under alpha blending.
  int img = LoadImage(dir + "valid_palette_4bit_trns.png", 0);
  SetBlend(kBlendAlpha);
  SetColor(255, 255, 255);
  Cls();
  DrawImage(img, 0, 0);
  EXPECT_EQ(At(0, 0), 0u);
  EXPECT_EQ(At(4, 0), 0u);
}
