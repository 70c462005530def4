// Where things land: handle points, scale before rotation, the clockwise
// turn, the logical-to-back-buffer mapping for drawing and for the mouse.
#include "draw_fixture.h"

using drawtest::DrawTest;

TEST_F(DrawTest, CentredImageTurnedAQuarterCoversTheTurnedBox) {
  AutoMidHandle(1);
  int img = SolidImage(64, 32, 0xFFFFFFFF);
  AutoMidHandle(0);
  ASSERT_NE(img, 0);
  SetRotation(90);
  DrawImage(img, 100, 100);
  auto f = testhost::BackBuffer();
  int first, last;
  LitSpan(f, 100, first, last);
  EXPECT_EQ(first, 84);
  EXPECT_EQ(last, 115);  // covers 84..116: the pixel starting at 116 is outside
  LitRows(f, 100, first, last);
  EXPECT_EQ(first, 68);
  EXPECT_EQ(last, 131);
}

TEST_F(DrawTest, ScaleAppliesBeforeRotationAboutTheHandle) {
  // A 20x10 image, handle at its left-top corner, scaled 2x1 then turned
  // 90 degrees clockwise: the 40-wide side now runs downward from the handle
  // and the 10-high side runs to the left of it.
  int img = SolidImage(20, 10, 0xFFFFFFFF);
  ASSERT_NE(img, 0);
  SetScale(2, 1);
  SetRotation(90);
  DrawImage(img, 100, 50);
  auto f = testhost::BackBuffer();
  int first, last;
  LitSpan(f, 60, first, last);
  EXPECT_EQ(first, 90);
  EXPECT_EQ(last, 99);
  LitRows(f, 95, first, last);
  EXPECT_EQ(first, 50);
  EXPECT_EQ(last, 89);
}

TEST_F(DrawTest, HandlePointLandsOnTheGivenPosition) {
  int img = SolidImage(10, 10, 0xFFFFFFFF);
  SetImageHandle(img, 10, 10);  // bottom-right corner
  DrawImage(img, 50, 50);
  auto f = testhost::BackBuffer();
  EXPECT_NE(f.Pixel(40, 40), 0u);
  EXPECT_NE(f.Pixel(49, 49), 0u);
  EXPECT_EQ(f.Pixel(50, 50), 0u);
  EXPECT_EQ(f.Pixel(39, 45), 0u);
  MidHandleImage(img);
  Cls();
  DrawImage(img, 50, 50);
  f = testhost::BackBuffer();
  EXPECT_NE(f.Pixel(45, 45), 0u);
  EXPECT_EQ(f.Pixel(44, 50), 0u);
  EXPECT_NE(f.Pixel(54, 54), 0u);
  EXPECT_EQ(f.Pixel(55, 50), 0u);
}

TEST_F(DrawTest, RectangleTurnsAboutItsTopLeftCorner) {
  SetRotation(180);
  DrawRect(100, 100, 30, 10);
  auto f = testhost::BackBuffer();
  int first, last;
  LitSpan(f, 95, first, last);
  EXPECT_EQ(first, 70);
  EXPECT_EQ(last, 99);
  LitRows(f, 80, first, last);
  EXPECT_EQ(first, 90);
  EXPECT_EQ(last, 99);
  // Turned -90 (counter-clockwise), the width runs upward from the corner.
  Cls();
  SetRotation(-90);
  DrawRect(100, 100, 30, 10);
  f = testhost::BackBuffer();
  LitRows(f, 105, first, last);
  EXPECT_EQ(first, 70);
  EXPECT_EQ(last, 99);
}

TEST_F(DrawTest, AdjacentRectanglesShareNoPixelAndLeaveNoGap) {
  // Half-open coverage: alpha-blended neighbours must not double up on the seam.
  SetBlend(kBlendAlpha);
  SetAlpha(0.5f);
  DrawRect(10.5f, 10, 20, 10);
  DrawRect(30.5f, 10, 20, 10);
  auto f = testhost::BackBuffer();
  uint32_t inside = f.Pixel(20, 15);
  EXPECT_NE(inside, 0u);
  for (int x = 11; x < 50; ++x) EXPECT_EQ(f.Pixel(x, 15), inside) << "x " << x;
}

TEST_F(DrawTest, LinesIncludeBothEndPoints) {
  DrawLine(10, 20, 30, 20);
  DrawLine(50, 10, 50, 40);
  auto f = testhost::BackBuffer();
  int first, last;
  LitSpan(f, 20, first, last);
  EXPECT_EQ(first, 10);
  EXPECT_EQ(last, 50);
  EXPECT_EQ(f.Pixel(20, 19), 0u);
  EXPECT_EQ(f.Pixel(20, 21), 0u);
  LitRows(f, 50, first, last);
  EXPECT_EQ(first, 10);
  EXPECT_EQ(last, 40);
}

TEST_F(DrawTest, VirtualResolutionMapsDrawingOntoTheWholeBackBuffer) {
  Open(640, 480);
  SetVirtualResolution(1280, 960);
  DrawRect(640, 480, 640, 480);  // the bottom-right logical quarter
  auto f = testhost::BackBuffer();
  EXPECT_EQ(f.Pixel(319, 239), 0u);
  EXPECT_NE(f.Pixel(320, 240), 0u);
  EXPECT_NE(f.Pixel(639, 479), 0u);
  // Lines stay one back-buffer pixel wide.
  Cls();
  DrawLine(0, 100, 1279, 100);
  f = testhost::BackBuffer();
  int first, last;
  LitRows(f, 300, first, last);
  EXPECT_EQ(first, 50);
  EXPECT_EQ(last, 50);
}

TEST_F(DrawTest, VirtualResolutionMapsTheMousePointer) {
  Open(640, 480);
  SetVirtualResolution(1280, 960);
  testhost::PushMouseMove(320, 240);
  PollSystem();
  EXPECT_FLOAT_EQ(VirtualMouseX(), 640);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 480);
  MoveMouse(100, 50);
  EXPECT_FLOAT_EQ(VirtualMouseX(), 100);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 50);
  // Scripted moves are in logical units.
  testhost::ScriptLines("0 mousemove 1000 900\n");
  PollSystem();
  EXPECT_FLOAT_EQ(VirtualMouseX(), 1000);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 900);
}

TEST_F(DrawTest, FarOffAndAbsurdCoordinatesAreClippedNotWrapped) {
  DrawRect(-1000, -1000, 1100, 1050);  // reaches (100, 50)
  DrawRect(190, 190, 5000, 5000);
  int img = SolidImage(8, 8, 0xFFFFFFFF, kImageFiltered);
  SetScale(1e30f, 1e30f);
  DrawImage(img, 150, 150);  // handle at the corner: everything right of and below it
  SetScale(1, 1);
  SetRotation(45);
  DrawRect(-3e38f, -3e38f, 3e38f, 3e38f);
  DrawImage(img, 1e30f, -1e30f);
  SetRotation(0);
  DrawLine(-1e30f, 0, 1e30f, 0);
  DrawRect(0, 0, 0, 0);
  DrawRect(20, 120, -10, -10);  // negative size: the box above and left of the corner
  auto f = testhost::BackBuffer();
  EXPECT_NE(f.Pixel(0, 1), 0u);
  EXPECT_NE(f.Pixel(99, 49), 0u);
  EXPECT_EQ(f.Pixel(100, 49), 0u);
  EXPECT_EQ(f.Pixel(99, 50), 0u);
  EXPECT_NE(f.Pixel(160, 160), 0u);
  EXPECT_EQ(f.Pixel(149, 160), 0u);
  EXPECT_NE(f.Pixel(15, 115), 0u);
  EXPECT_EQ(f.Pixel(25, 125), 0u);
}
