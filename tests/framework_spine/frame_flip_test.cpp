// The frame routine and the drawing helpers on the headless host, in-process.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/menus.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"
#include "platform/test_host.h"

namespace {

class FrameFlipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();
    ResetSetup();
    ResetDisplaySetup();
    ResetSharedAssets();
    ResetDrawHelpers();
    ResetFrameFlip();
    ResetMenus();
    Graphics(800, 600, 0, 60, 0);
    SetVirtualResolution(1280, 960);
    LastFlipTime = MilliSecs();
    DebugOverlay = 0;
  }
  void TearDown() override { EndGraphics(); }

  // A small image to count sprites with.
  int Sprite() {
    AutoMidHandle(1);
    int image = CreateImage(8, 8, 1, kImageDynamic);
    return image;
  }
};

// The average colour of a rectangle of the back buffer (window pixels).
void Average(const testhost::Frame& f, int x0, int y0, int x1, int y1, double& r, double& g, double& b) {
  r = g = b = 0;
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint32_t p = f.Pixel(x, y);
      r += (p >> 16) & 255;
      g += (p >> 8) & 255;
      b += p & 255;
      ++n;
    }
  }
  r /= n;
  g /= n;
  b /= n;
}

}  // namespace

TEST_F(FrameFlipTest, NotificationLivesHundredEightyFramesYellowForSixty) {
  AddNotification("Hello there", 1);
  ASSERT_EQ(MessageList.size(), 1u);
  auto message = MessageList.front();
  EXPECT_EQ(message->tick, 0);
  EXPECT_EQ(message->c, 1);

  Cls();
  FlipFrame(0);
  EXPECT_EQ(message->tick, 1);
  // The box sits at the bottom-left: yellow while fresh.
  double r, g, b;
  testhost::Frame frame = testhost::BackBuffer();
  Average(frame, 0, 591, 8, 596, r, g, b);
  EXPECT_GT(r, 80);
  EXPECT_GT(g, 80);
  EXPECT_LT(b, 40);

  for (int i = 2; i <= 60; ++i) {
    Cls();
    FlipFrame(0);
  }
  EXPECT_EQ(message->tick, 60);
  Cls();
  FlipFrame(0);
  EXPECT_EQ(message->tick, 61);
  frame = testhost::BackBuffer();
  Average(frame, 0, 591, 8, 596, r, g, b);
  EXPECT_LT(b, 90);
  EXPECT_LT(std::abs(r - b), 40);  // grey or white on black: no longer yellow

  for (int i = 62; i <= 179; ++i) FlipFrame(0);
  EXPECT_EQ(MessageList.size(), 1u);
  FlipFrame(0);
  EXPECT_TRUE(MessageList.empty());
}

TEST_F(FrameFlipTest, NotificationsStackInArrivalOrder) {
  AddNotification("first", 1);
  AddNotification("second", 1);
  AddNotification("third", 1);
  FlipFrame(0);
  ASSERT_EQ(MessageList.size(), 3u);
  auto it = MessageList.begin();
  EXPECT_EQ((*it++)->txt, "first");
  EXPECT_EQ((*it++)->txt, "second");
  EXPECT_EQ((*it++)->txt, "third");
  for (const auto& m : MessageList) EXPECT_EQ(m->tick, 1);
}

TEST_F(FrameFlipTest, SmoothedRateFollowsSlowFrames) {
  SmoothedFps = 60;
  std::vector<int> shown;
  for (int i = 0; i < 10; ++i) {
    testhost::Advance(40);
    FlipFrame(0);
    EXPECT_EQ(FrameMs, 40);
    shown.push_back(ShownFps);
  }
  std::vector<int> expected = {48, 40, 35, 31, 29, 27, 26, 25, 25, 25};
  EXPECT_EQ(shown, expected);
}

TEST_F(FrameFlipTest, PacingSleepsToSixtyCallsPerSecond) {
  int start = MilliSecs();
  for (int i = 0; i < 60; ++i) FlipFrame(0);
  int elapsed = MilliSecs() - start;
  // 15 ms at least per call, and no more than the next whole millisecond.
  EXPECT_GE(elapsed, 60 * 15);
  EXPECT_LE(elapsed, 60 * 16);
  EXPECT_GE(FrameMs, 15);
}

TEST_F(FrameFlipTest, FrameskipDrawsCountedSpritesEveryOtherFrame) {
  int image = Sprite();
  ::Setup[7] = 1;
  std::vector<int> counted;
  for (int i = 0; i < 4; ++i) {
    BeginFrame(1);
    DrawSpriteCounted(image, 10, 10, 0, 1);
    counted.push_back(SpriteDrawn[1]);
    FlipFrame(0);
  }
  EXPECT_EQ(counted, (std::vector<int>{1, 0, 1, 0}));
  int presented = testhost::Presents();
  FlipFrame(0);
  FlipFrame(0);
  EXPECT_EQ(testhost::Presents(), presented + 1);

  ::Setup[7] = 0;
  presented = testhost::Presents();
  FlipFrame(0);
  FlipFrame(0);
  EXPECT_EQ(testhost::Presents(), presented + 2);
}

TEST_F(FrameFlipTest, SpriteBudgetCutsOffAndResetsEachFrame) {
  int image = Sprite();
  SpriteBudget[1] = 1000;
  BeginFrame(1);
  for (int i = 0; i < 1001; ++i) DrawSpriteCounted(image, 1, 1, 0, 1);
  EXPECT_EQ(SpriteDrawn[1], 1000);
  BeginFrame(1);
  EXPECT_EQ(SpriteDrawn[1], 0);
  DrawSpriteCounted(image, 1, 1, 0, 1);
  EXPECT_EQ(SpriteDrawn[1], 1);
}

TEST_F(FrameFlipTest, GlowSpriteRestoresStateWhateverTheBudget) {
  int image = Sprite();
  SpriteBudget[2] = 0;
  SetScale(2, 3);
  SetAlpha(0.4f);
  SetBlend(kBlendShade);
  BeginFrame(1);
  DrawGlowSprite(image, 5, 5, 0, 0, 1.5f, 0.5f);
  EXPECT_EQ(SpriteDrawn[1], 1);
  EXPECT_EQ(SpriteDrawn[2], 0);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_FLOAT_EQ(sx, 2);
  EXPECT_FLOAT_EQ(sy, 3);
  EXPECT_FLOAT_EQ(GetAlpha(), 0.4f);
  EXPECT_EQ(GetBlend(), kBlendShade);
}

TEST_F(FrameFlipTest, SpriteTopLeftPlacementUnderScale) {
  AutoMidHandle(1);
  int image = CreateImage(16, 16, 1, kImageDynamic);
  // Fill it white by grabbing a white square.
  SetVirtualResolution(800, 600);
  Cls();
  ResetDrawState();
  DrawRect(0, 0, 16, 16);
  GrabImage(image, 0, 0, 0);
  Cls();
  SetScaleXY(2);
  DrawSpriteCounted(image, 100, 50, 0, 1);
  testhost::Frame f = testhost::BackBuffer();
  Flip(0);
  EXPECT_EQ(f.Pixel(100, 50), 0xFFFFFFu);
  EXPECT_EQ(f.Pixel(131, 81), 0xFFFFFFu);
  EXPECT_EQ(f.Pixel(99, 50), 0u);
  EXPECT_EQ(f.Pixel(132, 60), 0u);
}

TEST(DrawHelpers, ColourClampingAndOptionalAlpha) {
  testhost::Start();
  SetAlpha(0.25f);
  SetColourAlpha(300, -5, 128);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 128);
  EXPECT_FLOAT_EQ(GetAlpha(), 0.25f);
  SetColourAlpha(10.9, 20.2, 30.7, 7);
  GetColor(r, g, b);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(b, 30);
  EXPECT_FLOAT_EQ(GetAlpha(), 1.0f);
  EXPECT_DOUBLE_EQ(ClampFloat(std::nan(""), 0.25, 4), 0.25);
  EXPECT_DOUBLE_EQ(ClampFloat(-3, -1, 1), -1);
}

TEST(DrawHelpers, MouseOverIsStrict) {
  ResetFrameFlip();
  MouseYNow = 15;
  MouseXNow = 10;
  EXPECT_FALSE(MouseOver(10, 10, 20, 20));
  MouseXNow = 30;
  EXPECT_FALSE(MouseOver(10, 10, 20, 20));
  for (int x = 11; x <= 29; ++x) {
    MouseXNow = x;
    EXPECT_TRUE(MouseOver(10, 10, 20, 20)) << x;
  }
}

TEST(DrawHelpers, BlendKindsMapAndUnknownKindsChangeNothing) {
  testhost::Start();
  SetBlendKind(0);
  EXPECT_EQ(GetBlend(), kBlendSolid);
  SetBlendKind(2);
  EXPECT_EQ(GetBlend(), kBlendShade);
  SetBlendKind(3);
  EXPECT_EQ(GetBlend(), kBlendLight);
  SetBlendKind(7);
  EXPECT_EQ(GetBlend(), kBlendLight);
  SetBlendKind(1);
  EXPECT_EQ(GetBlend(), kBlendAlpha);
}
