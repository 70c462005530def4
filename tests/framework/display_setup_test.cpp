// The display set-up's own choices on the headless host, whose driver offers
// 640x480, 800x600, 1024x768, 1280x720, 1280x800, 1280x960, 1280x1024,
// 1366x768, 1440x900, 1600x900 and 1920x1080, each at depths 16, 24 and 32.
#include <gtest/gtest.h>

#include "framework/display_setup.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "platform/platform.h"
#include "support/test_host.h"

namespace {

class DisplaySetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();
    ResetSetup();
    ResetDisplaySetup();
    ResetFrameFlip();
  }

  // Lists the modes with this size requested; returns the listed sizes.
  std::vector<std::pair<int, int>> Request(int w, int h) {
    ::Setup[kSetupWidth] = w;
    ::Setup[kSetupHeight] = h;
    ListDisplayModes();
    std::vector<std::pair<int, int>> sizes;
    for (int i = 1; i <= ModeCount; ++i) sizes.emplace_back(ModeWidths[i], ModeHeights[i]);
    return sizes;
  }
};

}  // namespace

TEST_F(DisplaySetupTest, ListsOnlyKnownShapesOnceEach) {
  auto sizes = Request(800, 600);
  const std::vector<std::pair<int, int>> expected = {{640, 480},  {800, 600},  {1024, 768}, {1280, 720},
                                                     {1280, 800}, {1280, 960}, {1366, 768}, {1440, 900},
                                                     {1600, 900}, {1920, 1080}};
  // 1280x1024 (5:4) is left out; 1366x768 passes the truncated 16:9 test;
  // three depths of every size collapse into one entry.
  EXPECT_EQ(sizes, expected);
  EXPECT_EQ(::Setup[kSetupMode], 2);
  EXPECT_EQ(RealWidth, 800);
}

TEST_F(DisplaySetupTest, AnUnlistedSizeKeepsTheOneInUse) {
  Request(1366, 768);
  EXPECT_EQ(::Setup[kSetupMode], 7);
  EXPECT_EQ(RealWidth, 1366);
  // 1360 x 9 / 16 = 765: not a listed shape, so 1366x768 stays, slot 4 too.
  Request(1360, 768);
  EXPECT_EQ(RealWidth, 1366);
  EXPECT_EQ(RealHeight, 768);
  EXPECT_EQ(::Setup[kSetupWidth], 1366);
  EXPECT_EQ(::Setup[kSetupHeight], 768);
  EXPECT_EQ(::Setup[kSetupMode], 7);
  // On a first set-up an absurd request falls back to 800x600.
  ResetSetup();
  ResetDisplaySetup();
  Request(1234, 567);
  EXPECT_EQ(::Setup[kSetupWidth], 800);
  EXPECT_EQ(::Setup[kSetupHeight], 600);
  EXPECT_EQ(::Setup[kSetupMode], 0);
}

TEST_F(DisplaySetupTest, VirtualSpaceByShape) {
  struct Case {
    int w, h, vw, vh, wide;
  };
  for (Case c : {Case{800, 600, 1280, 960, 0}, Case{1366, 768, 1600, 900, 1}, Case{1920, 1080, 1600, 900, 1},
                 Case{1280, 800, 1440, 900, 1}, Case{1280, 1024, 1280, 960, 0}}) {
    RealWidth = c.w;
    RealHeight = c.h;
    ::Setup[kSetupWidescreen] = 7;
    ChooseVirtualSpace();
    EXPECT_EQ(VirtualWidth, c.vw) << c.w << "x" << c.h;
    EXPECT_EQ(VirtualHeight, c.vh) << c.w << "x" << c.h;
    EXPECT_EQ(::Setup[kSetupWidescreen], c.wide) << c.w << "x" << c.h;
    EXPECT_FLOAT_EQ(VirtualResolutionWidth(), static_cast<float>(c.vw));
  }
}

TEST_F(DisplaySetupTest, FullScreenDepthOrAWindowWithANotice) {
  RealWidth = 1024;
  RealHeight = 768;
  EXPECT_EQ(ChooseColourDepth(), 0);   // windowed
  ::Setup[kSetupFullscreen] = 1;
  EXPECT_EQ(ChooseColourDepth(), 32);
  EXPECT_TRUE(MessageList.empty());
  RealWidth = 1360;
  EXPECT_EQ(ChooseColourDepth(), 0);
  ASSERT_EQ(MessageList.size(), 1u);
  EXPECT_EQ(MessageList.front()->txt, "Can't set to fullscreen in this resolution.");
  EXPECT_EQ(MessageList.front()->c, 1);
  EXPECT_EQ(::Setup[kSetupFullscreen], 1);   // the setup keeps asking for full screen
}
