// The title screen's frame: slide-in, the Escape latch after a round, the
// difficulty keys and the art keys.
#include <gtest/gtest.h>

#include "framework/frame_flip.h"
#include "framework/settings_panel.h"
#include "framework/startup.h"
#include "game/decks.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"
#include "title_fixture.h"

namespace {

class TitleFrames : public ::testing::Test {
 protected:
  testsupport::TempFolder scratch_{"title", testsupport::TempFolder::kDataTree};   // Tab's panel saves the setup above 253/
  void SetUp() override {
    title_test::StartTitleDisplay();
    testhost::PushMouseMove(0, 0);   // pointer away from every button
    PollSystem();
  }
  // Events pushed now are seen by the frame after next (pumped while this one paces).
  void Frames(int n) {
    for (int i = 0; i < n; ++i) TitleFrame();
  }
};

TEST_F(TitleFrames, SlidesInOverThirtyTwoFrames) {
  TitleFrame();
  EXPECT_EQ(SlideStep, 1);   // nothing is ever drawn at the full offset
  Frames(40);
  EXPECT_EQ(SlideStep, 32);
  EXPECT_EQ(SpinAngle, 41 * 4);
}

TEST_F(TitleFrames, EscapeHeldFromTheRoundDoesNotQuit) {
  EscapeLatch = true;               // as after a round
  testhost::PushKey(kKeyEscape, true);
  Frames(5);
  EXPECT_FALSE(QuitRequested);
  testhost::PushKey(kKeyEscape, false);
  Frames(2);
  EXPECT_FALSE(EscapeLatch);
  testhost::PushKey(kKeyEscape, true);
  Frames(2);
  EXPECT_TRUE(QuitRequested);
}

TEST_F(TitleFrames, DifficultyKeysStepOncePerPressAndWrap) {
  Difficulty = 1;
  testhost::PushKey(kKeyUp, true);
  Frames(10);                       // held for many frames: one step
  EXPECT_EQ(Difficulty, 0);
  testhost::PushKey(kKeyUp, false);
  Frames(2);
  testhost::PushKey(kKeyUp, true);
  Frames(2);
  EXPECT_EQ(Difficulty, 2);         // up from Easy wraps to Hard
  testhost::PushKey(kKeyUp, false);
  Frames(2);
  testhost::PushKey(kKeyDown, true);
  Frames(3);
  EXPECT_EQ(Difficulty, 0);         // down from Hard wraps to Easy
  testhost::PushKey(kKeyDown, false);
  Frames(2);
}

TEST_F(TitleFrames, XAndZStepTheArtAndWrap) {
  DeckCount = 2;
  TableCount = 1;
  DeckIndex = 1;
  TableIndex = 1;
  testhost::PushKey(kKeyX, true);
  testhost::PushKey(kKeyX, false);
  testhost::PushKey(kKeyZ, true);
  testhost::PushKey(kKeyZ, false);
  Frames(2);
  EXPECT_EQ(DeckIndex, 2);
  EXPECT_EQ(TableIndex, 1);         // a single table stays at 1
  testhost::PushKey(kKeyX, true);
  testhost::PushKey(kKeyX, false);
  Frames(2);
  EXPECT_EQ(DeckIndex, 1);
}

}  // namespace

namespace {

// With the settings panel out, a click on one of its rows must not reach the
// table and deck pickers drawn underneath (800 x 600 window, 1280 x 960 space).
TEST_F(TitleFrames, PanelClicksDoNotReachThePickers) {
  DeckCount = 3;
  TableCount = 3;
  DeckIndex = 1;
  TableIndex = 1;
  Frames(40);                        // slid in: the pickers are in place
  SettingsOpen = 1;
  Frames(20);                        // the panel is fully out
  ASSERT_GE(SettingsPanelY, 0);
  const int picks[2][2] = {{94, 125}, {706, 125}};   // table picker, deck preview
  auto clickBoth = [&] {
    for (const auto& at : picks) {
      testhost::PushMouseMove(at[0], at[1]);
      Frames(2);
      testhost::PushMouseButton(1, true);
      Frames(3);
      testhost::PushMouseButton(1, false);
      Frames(3);
    }
  };
  clickBoth();
  EXPECT_EQ(TableIndex, 1);
  EXPECT_EQ(DeckIndex, 1);

  // Closed again, the same clicks change the art.
  SettingsOpen = 0;
  Frames(20);
  clickBoth();
  EXPECT_EQ(TableIndex, 2);
  EXPECT_EQ(DeckIndex, 2);
}

TEST_F(TitleFrames, ThePadChoosesDifficultyStepsTheArtAndLeavesWithB) {
  DeckCount = 2;
  TableCount = 2;
  DeckIndex = 1;
  TableIndex = 1;
  Difficulty = 1;
  const int pad = testhost::AddController("Test Controller");
  Frames(2);
  auto tap = [&](int button) {
    testhost::SetControllerButton(pad, button, true);
    Frames(3);
    testhost::SetControllerButton(pad, button, false);
    Frames(2);
  };
  tap(kControllerDpadDown);
  EXPECT_EQ(Difficulty, 2);
  tap(kControllerDpadUp);
  tap(kControllerDpadUp);
  EXPECT_EQ(Difficulty, 0);
  tap(kControllerRightShoulder);
  EXPECT_EQ(DeckIndex, 2);
  EXPECT_EQ(TableIndex, 1);
  tap(kControllerLeftShoulder);
  EXPECT_EQ(TableIndex, 2);
  EXPECT_FALSE(QuitRequested);
  tap(kControllerB);
  EXPECT_TRUE(QuitRequested);
}

TEST_F(TitleFrames, KeysWorkTheSettingsPanelNotTheTitleWhileItIsOut) {
  Difficulty = 1;
  testhost::PushKey(9, true);        // Tab
  testhost::PushKey(9, false);
  Frames(12);
  ASSERT_EQ(SettingsOpen, 1);
  testhost::PushKey(kKeyDown, true);
  Frames(3);
  testhost::PushKey(kKeyDown, false);
  Frames(2);
  EXPECT_EQ(Difficulty, 1);          // the arrow went to the panel
  testhost::PushKey(kKeyEscape, true);  // closes the panel, does not quit
  Frames(3);
  EXPECT_EQ(SettingsOpen, 0);
  testhost::PushKey(kKeyEscape, false);
  Frames(12);
  EXPECT_FALSE(QuitRequested);
  testhost::PushKey(kKeyDown, true);
  Frames(3);
  testhost::PushKey(kKeyDown, false);
  Frames(2);
  EXPECT_EQ(Difficulty, 2);          // the title has its keys back
}

}  // namespace
