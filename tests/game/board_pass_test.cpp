// Table drawing on the software back end: flip and slide timings, the hover
// rules, where cards land in pixels, markers, the HUD and the caption.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/table_drawing.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "round_fixture.h"

using roundtest::CellColour;
using roundtest::kBackColour;
using roundtest::kHeartColour;

namespace {

int Cell(int x, int y) { return y * 10 + x; }

class BoardPassTest : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    ResetCardRound();
    SetClsColor(0, 0, 0);
    MouseXNow = MouseYNow = 1;   // off every card
  }
  // One frame of the board alone on a black screen.
  BoardPassResult Pass() {
    BeginFrame(1);
    ResetDrawState();
    return BoardPass();
  }
  static uint32_t At(int x, int y) { return testhost::BackBuffer().Pixel(x, y); }
  // Left and right ends of the run of non-black pixels through (x, y).
  static void RunAround(int x, int y, int& left, int& right) {
    testhost::Frame f = testhost::BackBuffer();
    left = right = x;
    while (left > 0 && f.Pixel(left - 1, y) != 0) --left;
    while (right < f.width - 1 && f.Pixel(right + 1, y) != 0) ++right;
  }
};

TEST_F(BoardPassTest, TurningDownShowsTheFaceFrom181To270ThenTheBack) {
  const int cell = Cell(2, 2);
  CardValue[cell] = 3;
  FlipAngle[cell] = 181;
  const int cx = CellCentreX(2), cy = CellCentreY(2);
  for (int pass = 1; pass <= 12; ++pass) {
    SCOPED_TRACE(pass);
    BoardPassResult r = Pass();
    EXPECT_TRUE(r.animating);
    EXPECT_EQ(At(cx, cy), pass <= 6 ? CellColour(2) : kBackColour);
    EXPECT_EQ(FlipAngle[cell], pass < 12 ? 181 + 16 * pass : 0);
  }
  EXPECT_FALSE(Pass().animating);
  EXPECT_EQ(At(cx, cy), kBackColour);
}

TEST_F(BoardPassTest, TurningUpTakesTwelveFramesAndStopsAt180) {
  const int cell = Cell(5, 4);
  CardValue[cell] = 7;
  FlipAngle[cell] = 1;
  const int cx = CellCentreX(5), cy = CellCentreY(4);
  for (int pass = 1; pass <= 12; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_TRUE(Pass().animating);
    // Angles 1..81 show the back, 97..177 the face.
    EXPECT_EQ(At(cx, cy), pass <= 6 ? kBackColour : CellColour(6));
  }
  EXPECT_EQ(FlipAngle[cell], 180);
  EXPECT_FALSE(Pass().animating);
  EXPECT_EQ(At(cx, cy), CellColour(6));
}

TEST_F(BoardPassTest, SlidesReturnTwelveUnitsAFrame) {
  const int a = Cell(1, 1), b = Cell(6, 6);
  CardValue[a] = CardValue[b] = 1;
  FlipAngle[a] = FlipAngle[b] = 180;
  SlideX[a] = 96;
  SlideY[b] = -128;
  int framesA = 0, framesB = 0;
  for (int pass = 1; pass <= 12; ++pass) {
    Pass();
    if (SlideX[a] != 0) framesA = pass + 1; else if (framesA == 0) framesA = pass;
    if (SlideY[b] != 0) framesB = pass + 1; else if (framesB == 0) framesB = pass;
    EXPECT_GE(SlideX[a], 0);
    EXPECT_LE(SlideY[b], 0);
  }
  EXPECT_EQ(framesA, 8);
  EXPECT_EQ(framesB, 11);
  EXPECT_FALSE(Pass().animating);
}

TEST_F(BoardPassTest, SlidingCardIsDrawnAtItsOldPlaceButHoveredAtItsCell) {
  const int cell = Cell(2, 3);
  CardValue[cell] = 4;
  FlipAngle[cell] = 0;
  SlideX[cell] = 96;
  MouseXNow = CellCentreX(2);
  MouseYNow = CellCentreY(3);
  BoardPassResult r = Pass();
  // Drawn one cell to the right on the first frame of its slide...
  EXPECT_NE(At(CellCentreX(3), CellCentreY(3)), 0u);
  EXPECT_EQ(At(CellCentreX(2) - 1, CellCentreY(3)), 0u);
  // ...but picked where it belongs.
  EXPECT_EQ(r.hoverCell, cell);
  EXPECT_TRUE(r.animating);
  SlideX[cell] = 96;
  MouseXNow = CellCentreX(3);
  EXPECT_EQ(Pass().hoverCell, -1);
}

// Red, green and blue of a pixel.
int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 255); }

TEST_F(BoardPassTest, HoverTintsEveryCardButOnlyAFaceDownCardAtRestIsPicked) {
  const int down = Cell(1, 1), up = Cell(2, 1), turning = Cell(3, 1);
  CardValue[down] = CardValue[up] = CardValue[turning] = 2;
  FlipAngle[down] = 0;
  FlipAngle[up] = 180;
  MouseYNow = CellCentreY(1);

  MouseXNow = CellCentreX(1);
  EXPECT_EQ(Pass().hoverCell, down);
  uint32_t tinted = At(CellCentreX(1), CellCentreY(1));
  EXPECT_LT(Channel(tinted, 16), Channel(kBackColour, 16));
  EXPECT_LT(Channel(tinted, 8), Channel(kBackColour, 8));
  EXPECT_EQ(At(CellCentreX(2), CellCentreY(1)), CellColour(1));   // its neighbour untinted

  MouseXNow = CellCentreX(2);
  EXPECT_EQ(Pass().hoverCell, -1);
  EXPECT_NE(At(CellCentreX(2), CellCentreY(1)), CellColour(1));   // tinted all the same
  EXPECT_EQ(At(CellCentreX(1), CellCentreY(1)), kBackColour);

  FlipAngle[turning] = 181;
  MouseXNow = CellCentreX(3);
  EXPECT_EQ(Pass().hoverCell, -1);

  // The card's border pixels are outside it: the test is strict.
  const int left = CellCentreX(1) - 48;
  MouseXNow = left;
  EXPECT_EQ(Pass().hoverCell, -1);
  MouseXNow = left + 1;
  EXPECT_EQ(Pass().hoverCell, down);
  MouseXNow = CellCentreX(1);
  MouseYNow = 128 * 1 - 96;
  EXPECT_EQ(Pass().hoverCell, -1);
  MouseYNow = 128 * 1 - 95;
  EXPECT_EQ(Pass().hoverCell, down);
}

TEST_F(BoardPassTest, CardAtRestFillsItsCellExactly) {
  const int cell = Cell(4, 2);
  CardValue[cell] = 9;
  FlipAngle[cell] = 180;
  Pass();
  const int left = TableOrigin() - 64 + 96 * 4, top = 128 * 2 - 96;
  const int cy = top + 64, cx = left + 48;
  EXPECT_EQ(At(left, cy), CellColour(8));
  EXPECT_EQ(At(left + 95, cy), CellColour(8));
  EXPECT_EQ(At(left - 1, cy), 0u);
  EXPECT_EQ(At(left + 96, cy), 0u);
  EXPECT_EQ(At(cx, top), CellColour(8));
  EXPECT_EQ(At(cx, top + 127), CellColour(8));
  EXPECT_EQ(At(cx, top - 1), 0u);
  EXPECT_EQ(At(cx, top + 128), 0u);
}

TEST_F(BoardPassTest, TurningCardNarrowsAboutItsCentre) {
  const int cell = Cell(3, 5);
  CardValue[cell] = 5;
  for (int angle : {30, 45, 60, 100, 135, 200, 300, 340}) {
    SCOPED_TRACE(angle);
    FlipAngle[cell] = angle;
    SlideX[cell] = 0;
    Pass();
    const int cx = CellCentreX(3), cy = CellCentreY(5);
    int left = 0, right = 0;
    RunAround(cx, cy, left, right);
    const double width = 96 * std::fabs(std::cos(angle * M_PI / 180));
    EXPECT_NEAR(right - left + 1, width, 2.0);
    EXPECT_NEAR((left + right + 1) / 2.0, cx, 1.0);
  }
  // A sliding, turning card is centred on its drawn place.
  FlipAngle[cell] = 45;
  SlideX[cell] = -96;
  Pass();
  int left = 0, right = 0;
  RunAround(CellCentreX(2), CellCentreY(5), left, right);
  EXPECT_NEAR((left + right + 1) / 2.0, CellCentreX(2), 1.0);
}

TEST_F(BoardPassTest, MarkersRiseOrFallSpinAndLeaveOffScreen) {
  auto right = std::make_shared<icle>();
  right->x = CellCentreX(3);
  right->y = 100;
  right->t = 2;
  auto wrong = std::make_shared<icle>();
  wrong->x = CellCentreX(5);
  wrong->y = 100;
  wrong->t = 1;
  ListAddLast(Markers, right);
  ListAddLast(Markers, wrong);

  // Markers belong to no round: a new round leaves them flying.
  Difficulty = 1;
  StartRound();
  ASSERT_EQ(Markers.size(), 2u);

  BeginFrame(1);
  ResetDrawState();
  MarkerPass();
  EXPECT_EQ(right->y, 88);
  EXPECT_EQ(wrong->y, 112);
  EXPECT_EQ(right->rot, 5);
  // Drawn in its own deck cell, on the card's centre line.
  int left = 0, r = 0;
  RunAround(right->x, right->y + 64, left, r);
  EXPECT_EQ(At(right->x, right->y + 64), CellColour(22));
  EXPECT_NEAR((left + r + 1) / 2.0, right->x, 1.0);
  EXPECT_EQ(At(wrong->x, wrong->y + 64), CellColour(21));

  int passes = 1, rightGone = 0, wrongGone = 0;
  while (!Markers.empty() && passes < 500) {
    MarkerPass();
    ++passes;
    bool hasRight = false, hasWrong = false;
    for (auto& m : Markers) { hasRight |= m == right; hasWrong |= m == wrong; }
    if (!hasRight && !rightGone) rightGone = passes;
    if (!hasWrong && !wrongGone) wrongGone = passes;
  }
  EXPECT_EQ(rightGone, 30);    // y 100 - 12 * 30 = -260 < -256
  EXPECT_EQ(wrongGone, 94);    // y 100 + 12 * 94 = 1228 > 960 + 256
}

TEST_F(BoardPassTest, HudPadsItsFiguresAndShowsOneHeartPerLife) {
  EXPECT_EQ(ComboText(0), "00000");
  EXPECT_EQ(ComboText(42), "00042");
  EXPECT_EQ(ComboText(123456), "23456");
  EXPECT_EQ(ScoreText(7), "00000007");
  EXPECT_EQ(ScoreText(123456789012LL), "56789012");
  const int x0 = TableOrigin();
  for (int lives = -1; lives <= 5; ++lives) {
    SCOPED_TRACE(lives);
    Lives = lives;
    BeginFrame(1);
    DrawHud();
    for (int i = 1; i <= 6; ++i) {
      EXPECT_EQ(At(x0 + 640 - 64 * i + 24, 854) == kHeartColour, i <= lives) << i;
    }
    EXPECT_EQ(SpriteDrawn[1], std::max(lives, 0));
  }
}

TEST_F(BoardPassTest, GameOverCaptionHasAnOutlineADarkBandAndAYellowFace) {
  BeginFrame(1);
  int presents = testhost::Presents();
  DrawGameOver();
  EXPECT_EQ(testhost::Presents(), presents + 2);
  testhost::Frame f = testhost::BackBuffer();
  int yellow = 0, white = 0, dark = 0;
  for (int y = 380; y < 580; ++y) {
    for (int x = 440; x < 840; ++x) {
      uint32_t p = f.Pixel(x, y);
      yellow += p == 0xFFFF00;
      white += p == 0xFFFFFF;
      dark += p == 0x080808;
    }
  }
  EXPECT_GT(yellow, 20);
  EXPECT_GT(white, 20);
  EXPECT_GT(dark, 20);
}

}  // namespace
