// The frame routine and the drawing helpers on the headless host, in-process.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace {

class FrameFlipTest : public testsupport::HeadlessDisplayTest {
 protected:
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

TEST_F(FrameFlipTest, NotificationsStackUpwardsWithoutCoveringEachOther) {
  // Three widths, the first added the widest: beyond the end of a shorter
  // box only the longer ones show, so the top of the yellow in a column
  // tells which boxes reach it.
  const std::string texts[3] = {"WWWWWWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWW", "WWWW"};
  for (const std::string& t : texts) AddNotification(t, 1);
  Cls();
  FlipFrame(0);
  ASSERT_EQ(MessageList.size(), 3u);
  auto it = MessageList.begin();
  for (const std::string& t : texts) EXPECT_EQ((*it++)->txt, t);
  for (const auto& m : MessageList) EXPECT_EQ(m->tick, 1);

  testhost::Frame frame = testhost::BackBuffer();
  SetImageFont(Fonts[kFontNotice]);
  const double toReal = 600.0 / 960.0;
  auto topOfYellow = [&](int virtualX) {
    int x = static_cast<int>(virtualX * toReal);
    for (int y = 0; y < frame.height; ++y) {
      uint32_t p = frame.Pixel(x, y);
      if (((p >> 16) & 255) > 120 && ((p >> 8) & 255) > 120 && (p & 255) < 60) return y;
    }
    return -1;
  };
  // Rows at VirtualHeight - 16, then 14 up each; a font taller than that
  // (the built-in one here is 16) moves them up by its height instead, so
  // the lowest box ends at the bottom edge and no box covers another.
  int widths[3];
  for (int i = 0; i < 3; ++i) widths[i] = TextWidth(texts[i]);
  const int step = std::max(14, TextHeight(""));
  const int lowest = 960 - std::max(16, TextHeight(""));
  EXPECT_NEAR(topOfYellow((widths[1] + widths[0]) / 2), lowest * toReal, 1.0);
  EXPECT_NEAR(topOfYellow((widths[2] + widths[1]) / 2), (lowest - step) * toReal, 1.0);
  EXPECT_NEAR(topOfYellow(widths[2] / 2), (lowest - 2 * step) * toReal, 1.0);
}

TEST_F(FrameFlipTest, EscapePausesOnlyDuringARoundAndOnDrawingFrames) {
  auto at = [](int afterMs, const std::string& event) {
    testhost::ScriptLines(std::to_string(testhost::Clock() + afterMs) + " " + event + "\n");
  };
  testhost::PushKey(27, true);
  PollSystem();
  // Outside a round Escape does nothing.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FlipFrame(1), 0);
  EXPECT_EQ(PauseState, 0);

  // With frameskip, a skipped frame does not open the menu either.
  PauseState = 1;
  ::Setup[kSetupFrameskip] = 1;
  SkipPhase = 1;
  int before = MilliSecs();
  EXPECT_EQ(FlipFrame(1), 0);
  EXPECT_LT(MilliSecs() - before, 20);
  ASSERT_EQ(SkipPhase, 0);
  // The next, drawing, frame does; the menu waits for the release, then a
  // second Escape leaves it with Continue.
  at(300, "keyup 27");
  at(600, "key 27");
  EXPECT_EQ(FlipFrame(1), 1);
  EXPECT_GE(MilliSecs() - before, 600);
  EXPECT_EQ(PauseState, 1);
}

TEST_F(FrameFlipTest, F11OnASkippedFrameWaitsForTheNextDrawingFrame) {
  testsupport::TempFolder tree("f11skip", testsupport::TempFolder::kDataTree);
  ::Setup[kSetupFrameskip] = 1;
  SkipPhase = 1;
  testhost::PushKey(122, true);
  testhost::PushKey(122, false);
  PollSystem();
  FlipFrame(0);
  EXPECT_TRUE(MessageList.empty());
  FlipFrame(0);
  ASSERT_EQ(MessageList.size(), 1u);
  EXPECT_EQ(MessageList.front()->txt, "Saved Screenshot");
  int pictures = 0;
  for (const auto& e : std::filesystem::directory_iterator(tree.Path()))
    pictures += e.path().extension() == ".png";
  EXPECT_EQ(pictures, 1);
  EXPECT_EQ(tree.Cwd(), tree.Canon("253"));
}

TEST_F(FrameFlipTest, SmoothedRateFollowsSlowFrames) {
  SmoothedFps = 60;
  std::vector<int> shown;
  for (int i = 0; i < 10; ++i) {
    testhost::Advance(39);   // the pacing always sleeps one more millisecond
    FlipFrame(0);
    EXPECT_EQ(FrameMs, 40);
    shown.push_back(ShownFps);
  }
  std::vector<int> expected = {48, 40, 35, 31, 29, 27, 26, 25, 25, 25};
  EXPECT_EQ(shown, expected);
}

TEST_F(FrameFlipTest, PacingSleepsToSixtyCallsPerSecond) {
  int start = MilliSecs();
  int sleeps = testhost::Sleeps();
  for (int i = 0; i < 60; ++i) FlipFrame(0);
  int elapsed = MilliSecs() - start;
  // 15 ms at least per call, and no more than the next whole millisecond.
  EXPECT_GE(elapsed, 60 * 15);
  EXPECT_LE(elapsed, 60 * 16);
  EXPECT_GE(FrameMs, 15);
  // A screen at rest wakes the machine a few times a frame, not every
  // millisecond: each wake-up costs a laptop's battery.
  EXPECT_LE(testhost::Sleeps() - sleeps, 60);
  // A late frame still gives the machine a millisecond, and is not held
  // back any further.
  testhost::Advance(30);
  start = MilliSecs();
  FlipFrame(0);
  EXPECT_EQ(MilliSecs() - start, 1);
}

TEST_F(FrameFlipTest, FrameskipDrawsCountedSpritesEveryOtherFrame) {
  int image = Sprite();
  ::Setup[kSetupFrameskip] = 1;
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

  ::Setup[kSetupFrameskip] = 0;
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

TEST_F(FrameFlipTest, AlignedTextSitsInsideItsShiftedBox) {
  SetVirtualResolution(800, 600);
  const std::string text = "MWMW";
  int w = TextWidth(text), h = TextHeight(text);
  ASSERT_GT(w, 8);
  ASSERT_GT(h, 4);
  struct Case {
    int alignX, alignY, left, top;
  };
  for (Case c : {Case{0, 0, 400, 300}, Case{1, 1, 400 - w / 2, 300 - h / 2}, Case{2, 2, 400 - w, 300 - h}}) {
    Cls();
    ResetDrawState();
    DrawTextAligned(400, 300, text, c.alignX, c.alignY);
    testhost::Frame f = testhost::BackBuffer();
    int minX = 9999, maxX = -1, minY = 9999, maxY = -1;
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x)
        if (f.Pixel(x, y) != 0) {
          minX = std::min(minX, x), maxX = std::max(maxX, x);
          minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    SCOPED_TRACE("alignment " + std::to_string(c.alignX));
    EXPECT_GE(minX, c.left);
    EXPECT_LT(maxX, c.left + w);
    EXPECT_GE(minY, c.top);
    EXPECT_LT(maxY, c.top + h);
    // and the ink fills most of the box's width
    EXPECT_GT(maxX - minX, w / 2);
  }
  // Text is not gated by frameskip: a skipped frame still draws it.
  ::Setup[kSetupFrameskip] = 1;
  SkipPhase = 1;
  Cls();
  DrawTextAligned(10, 10, text, kAlignStart, kAlignStart);
  testhost::Frame f = testhost::BackBuffer();
  int lit = 0;
  for (int y = 10; y < 10 + h; ++y)
    for (int x = 10; x < 10 + w; ++x) lit += f.Pixel(x, y) != 0;
  EXPECT_GT(lit, 10);
}
