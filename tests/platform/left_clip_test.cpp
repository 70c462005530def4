// The software rasteriser's left edge: a shape that starts left of the
// screen is cut at column 0, its texture keeps its place, and nothing spills
// onto the right end of the row above (which is where a span starting at a
// negative column would land in the back buffer).
#include "draw_fixture.h"

using namespace drawtest;

namespace {

using LeftClipTest = DrawTest;

TEST_F(LeftClipTest, ShapesStartingLeftOfTheScreenAreCutAtColumnZero) {
  const uint32_t red = 0xFFFF0000, green = 0xFF00FF00;
  std::vector<uint32_t> halves(16 * 8);
  for (int i = 0; i < 16 * 8; ++i) halves[i] = i % 16 < 8 ? red : green;
  ASSERT_TRUE(WritePng(TempPath("halves.png"), 16, 8, halves));
  const int image = LoadImage(TempPath("halves.png"), 0);
  std::remove(TempPath("halves.png").c_str());
  ASSERT_NE(image, 0);

  struct Case {
    const char* what;
    float x;
    bool textured;
    int lastLit;            // last lit column of the rows drawn
    uint32_t firstColour;   // colour at column 0
  };
  const Case cases[] = {
      {"rectangle 50 left of the edge", -50, false, 29, 0xFFFFFF},
      {"rectangle just left of the edge", -0.75f, false, 78, 0xFFFFFF},
      {"image with its red half off screen", -8, true, 7, 0x00FF00},
      {"image cut inside its red half", -5, true, 10, 0xFF0000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Cls();
    SetColor(255, 255, 255);
    if (c.textured) {
      DrawImage(image, c.x, 100);
    } else {
      DrawRect(c.x, 100, 80, 8);
    }
    const testhost::Frame f = testhost::BackBuffer();
    for (int y = 100; y < 108; ++y) {
      int first = 0, last = 0;
      LitSpan(f, y, first, last);
      EXPECT_EQ(first, 0) << "row " << y;
      EXPECT_EQ(last, c.lastLit) << "row " << y;
      EXPECT_EQ(f.Pixel(0, y), c.firstColour) << "row " << y;
    }
    for (int y : {99, 108}) {
      int first = 0, last = 0;
      LitSpan(f, y, first, last);
      EXPECT_EQ(first, -1) << "row " << y << " lit from " << first << " to " << last;
    }
  }
  FreeImage(image);
}

}  // namespace
