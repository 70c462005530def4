// The engine test on the headless host with a machine whose speed the test
// sets: each frame's load costs virtual time through the cost hook, so the
// smoothed rate falls where a case wants it.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/sprite_budgets.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "game/name_entry.h"
#include "support/test_host.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace {

int (*g_cost)(int sprites) = nullptr;   // ms a frame's load costs
int g_lastLoad = 0;

void ChargeLoad(int sprites) {
  g_lastLoad = sprites;
  if (g_cost != nullptr) testhost::Advance(g_cost(sprites));
}

struct Case {
  const char* what;
  int (*cost)(int);
  int frameskip;
  std::array<int, 3> measured, budgets;
  int aimed, frameskipAfter, lastLoad, presents;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

// The pacing always sleeps at least 1 ms: a frame with no drawing cost lasts
// 15 ms (66 frames a second), one costing 16 ms lasts 17 (58), 40 ms lasts 41 (24).
const Case kCases[] = {
    {"best 5000", [](int n) { return n <= 5000 ? 0 : 40; }, 0, {2000, 2000, 1000}, {2000, 2000, 1000}, 60, 0, 5500, 88},
    {"best 2000", [](int n) { return n <= 2000 ? 0 : 40; }, 0, {800, 800, 400}, {1000, 800, 400}, 30, 1, 2500, 40},
    // Slow from the start: the warm-up can't stop the test, the next step does.
    {"best 0", [](int) { return 40; }, 0, {0, 0, 0}, {1000, 500, 250}, 30, 1, 1000, 16},
    // Fast only while warming up: 500 is never a best count.
    {"warm-up only", [](int n) { return n == 500 ? 0 : 40; }, 0, {0, 0, 0}, {1000, 500, 250}, 30, 1, 1000, 16},
    // Exactly the aimed rate minus 2: recorded, and the last step.
    {"at the limit", [](int n) { return n < 3000 ? 0 : 16; }, 0, {1200, 1200, 600}, {1200, 1200, 600}, 60, 0, 3000, 48},
    {"best 20000", [](int) { return 0; }, 0, {8000, 8000, 4000}, {8000, 8000, 4000}, 60, 0, 20000, 320},
    // Frameskip on: aimed at 30 whatever is passed; every other frame presented.
    {"frameskip on", [](int) { return 0; }, 1, {8000, 8000, 4000}, {8000, 8000, 4000}, 30, 1, 20000, 160},
};

class EngineTestTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    // A window as big as the drawing space; the statistics on, as the
    // program starts: the test turns them off.
    ASSERT_NO_FATAL_FAILURE(testsupport::StartHeadlessDisplay({.width = 1280, .height = 960}));
    ASSERT_EQ(OpenLog(log_.string()), 1);
    EngineTestDrawCost = &ChargeLoad;
  }

  void TearDown() override {
    EngineTestDrawCost = nullptr;
    CloseLog();
    EndGraphics();
  }

  testsupport::TempFolder folder_{"engine"};
  const std::filesystem::path log_ = folder_ / "Debug.txt";
};

}  // namespace

TEST_P(EngineTestTest, BudgetsFloorsAndLog) {
  const Case& c = GetParam();
  ::Setup[kSetupFrameskip] = c.frameskip;
  g_cost = c.cost;
  int presentsBefore = testhost::Presents();
  RunEngineTest(60, 2);
  CloseLog();

  EXPECT_EQ((std::array<int, 3>{SpriteBudget[1], SpriteBudget[2], SpriteBudget[3]}), c.budgets);
  EXPECT_EQ(AimedFps, c.aimed);
  EXPECT_EQ(::Setup[kSetupFrameskip], c.frameskipAfter);
  EXPECT_EQ(g_lastLoad, c.lastLoad);
  EXPECT_EQ(testhost::Presents() - presentsBefore, c.presents);
  EXPECT_EQ(DebugOverlay, 0);

  // The results show what was measured; the floors come after them.
  int shownRate = c.frameskip == 1 ? 30 : 60;
  std::string expected = "Starting Engine Test\r\nAiming for " + std::to_string(shownRate) + ",2\r\n" +
                         "Test Complete\r\n\r\nEngine Test Results\r\n\r\n" +
                         "\tMaximum Sprites Allowed for " + std::to_string(shownRate) + " Frames Per Second\r\n" +
                         "\tMain sprites : " + std::to_string(c.measured[0]) + "\r\n" +
                         "\tGlowy Sprites : " + std::to_string(c.measured[1]) + "\r\n" +
                         "\tParticles : " + std::to_string(c.measured[2]) + "\r\n\r\n";
  if (c.aimed == 30) expected += "Settings Overwritten, Set to Default Lower Limits at 30fps.\r\n";
  expected += "\r\n";
  EXPECT_EQ(testsupport::ReadBytes(log_), expected);
}

INSTANTIATE_TEST_SUITE_P(Machines, EngineTestTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           return name;
                         });

// The load is drawn in full but invisible: the picture is the stripes alone.
TEST_F(EngineTestTest, LoadLeavesOnlyTheBackdrop) {
  // The budget cases leave the sprite out: on the virtual clock its pixels
  // cost nothing but the test's own time. Here it is the game's real sprite.
  IconSheetUnfiltered = LoadAnimImage(std::string(MNEMORA_GAME_DIR) + "/Files/Common/icons.png", 16, 16, 0, 64, 1);
  ASSERT_NE(IconSheetUnfiltered, 0);
  g_cost = [](int n) { return n <= 500 ? 0 : 40; };
  RunEngineTest(60, 2);
  testhost::Frame frame = testhost::BackBuffer();
  int blue = 0;
  for (int y = 0; y < frame.height; y += 7) {
    for (int x = 0; x < frame.width; x += 7) {
      uint32_t p = frame.Pixel(x, y);
      ASSERT_EQ(p & 0xffff00u, 0u) << x << "," << y;
      blue += (p & 0xff) >= 50;
    }
  }
  EXPECT_GT(blue, 1000);
}

// Apply runs the engine test in the middle of a round (PauseState 1). Escape
// and F11 pressed while it measures wait until it is over: a pause menu inside
// the test would throw its Quit away, and a screenshot's long frame would
// force the lowest budgets.
TEST_F(EngineTestTest, HotkeysWaitUntilTheTestIsOver) {
  static int calls;
  calls = 0;
  g_cost = [](int n) { return n <= 2000 ? 0 : 40; };
  EngineTestDrawCost = [](int sprites) {
    ++calls;
    if (calls == 3) {
      testhost::PushKey(122, true);   // F11
      testhost::PushKey(122, false);
      testhost::PushKey(27, true);    // Escape, held over several frames
    }
    if (calls == 6) testhost::PushKey(27, false);
    ChargeLoad(sprites);
  };
  PauseState = 1;
  RunEngineTest(60, 2);
  EXPECT_EQ(PauseState, 1);
  EXPECT_EQ((std::array<int, 3>{SpriteBudget[1], SpriteBudget[2], SpriteBudget[3]}),
            (std::array<int, 3>{1000, 800, 400}));   // as without the keys
  EXPECT_EQ(testsupport::ReadBytes(log_).find("Screenshot"), std::string::npos);
}

// A run that ends inside the engine test (the window closed while it
// measures) or inside name entry leaves those marked as running. The next
// run in the same process starts from the resets; without them its frame
// routine would never again open the pause menu or take a screenshot.
TEST_F(EngineTestTest, ResetsClearStateLeftByARunThatEndedMidway) {
  struct RunEnded {};
  EngineTestDrawCost = [](int) { throw RunEnded{}; };
  EXPECT_THROW(RunEngineTest(30, 2), RunEnded);
  ASSERT_TRUE(EngineTestRunning);
  NameEntryOpen = true;

  ResetProgramTables();
  EXPECT_FALSE(EngineTestRunning);
  EXPECT_EQ(AimedFps, 60);
  EXPECT_FALSE(NameEntryOpen);
}
