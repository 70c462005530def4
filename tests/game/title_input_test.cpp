// The title screen's input rules around a round: the start button ignores a
// press while the settings panel is out, one press starts one round, after
// which the screen slides in again without quitting on the pause menu's
// Escape, a start key or button held from before starts nothing, and the
// settings hint blinks only while the setup width is 800.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/frame_flip.h"
#include "framework/settings_panel.h"
#include "framework/setup_file.h"
#include "framework/startup.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/hang_guard.h"
#include "support/test_host.h"
#include "support/temp_folder.h"
#include "title_fixture.h"

namespace {

int g_roundFrames = 0;

// Counts the frames of a running round and, on its first, schedules the way
// out a player would take: the button let go, Escape, up to "Quit", Space,
// and Return for the name.
void EndRoundsByThePauseMenu() {
  if (PauseState != 1) return;
  if (g_roundFrames++ > 0) return;
  const uint32_t t = testhost::Clock();
  testhost::ScriptLines(std::to_string(t + 50) + " mouseup 1\n+50 keydown 27\n+100 keyup 27\n+300 keydown 38\n"
                        "+100 keyup 38\n+300 keydown 32\n+100 keyup 32\n+1500 keydown 13\n"
                        "+100 keyup 13\n");
}

// Counts the rounds started and takes every one out through the pause menu,
// the button, Return or pad's A that started it let go, the name ended by the
// pad's A, which is then held on.
int g_rounds = 0;
bool g_inRound = false;
void EndEveryRoundWithAHeldA() {
  if (PauseState != 1) {
    g_inRound = false;
    return;
  }
  if (g_inRound) return;
  g_inRound = true;
  ++g_rounds;
  const uint32_t t = testhost::Clock();
  testhost::ScriptLines(std::to_string(t + 50) + " mouseup 1\n+0 keyup 13\n+0 padup a\n+50 keydown 27\n+100 keyup 27\n"
                        "+300 keydown 38\n+100 keyup 38\n+300 keydown 32\n+100 keyup 32\n+1500 paddown a\n");
}

class TitleInputTest : public ::testing::Test {
 protected:
  testsupport::TempFolder scratch_{"title", testsupport::TempFolder::kDataTree};
  void SetUp() override {
    title_test::StartTitleDisplay();
    g_roundFrames = 0;
    FrameWatcher = &EndRoundsByThePauseMenu;
    PointAt(0, 0);
    for (int i = 0; i < 32; ++i) TitleFrame();   // slid in
  }
  void TearDown() override {
    FrameWatcher = nullptr;
    testhost::SetEndHook(nullptr);
    testhost::RecordTexts(false);
  }
  static void PointAt(int vx, int vy) {
    testhost::PushMouseMove(vx * 800 / 1280, vy * 600 / 960);
    PollSystem();
  }
  static void Button(bool down) {
    testhost::PushMouseButton(1, down);
    PollSystem();
  }
};

}  // namespace

TEST_F(TitleInputTest, StartButtonWaitsForTheSettingsPanelToBeHidden) {
  PointAt(640, 560);   // the start button
  Button(true);
  for (int i = 0; i < 5; ++i) {
    SettingsPanelY = -250;   // one slide step out is already too far
    TitleFrame();
  }
  EXPECT_EQ(g_roundFrames, 0);
  EXPECT_TRUE(ScoreList.empty());
  Button(false);
  TitleFrame();
  SettingsPanelY = -251;
  Button(true);
  for (int i = 0; i < 3 && g_roundFrames == 0; ++i) TitleFrame();
  EXPECT_GT(g_roundFrames, 0);
  EXPECT_EQ(ScoreList.size(), 1u);
}

TEST_F(TitleInputTest, OnePressStartsOneRoundAndTheScreenSlidesInAgain) {
  PointAt(640, 560);
  Button(true);
  for (int i = 0; i < 3 && g_roundFrames == 0; ++i) TitleFrame();
  ASSERT_GT(g_roundFrames, 0);
  ASSERT_EQ(ScoreList.size(), 1u);
  EXPECT_EQ(ScoreList.front()->Quit, 1);
  EXPECT_EQ(PauseState, 0);
  EXPECT_EQ(SlideStep, 0);   // the rest of the frame runs with the new values

  const int frames = g_roundFrames;
  for (int i = 0; i < 40; ++i) TitleFrame();
  EXPECT_EQ(g_roundFrames, frames);
  EXPECT_EQ(ScoreList.size(), 1u);
  EXPECT_EQ(SlideStep, 32);
  EXPECT_FALSE(QuitRequested);   // the Escape of the pause menu does not quit either
}

TEST_F(TitleInputTest, SettingsHintBlinksOnlyAtTheDefaultWidth) {
  struct Case {
    int width, phase;
    uint32_t colour;
  };
  const Case cases[] = {{800, 0, 0xFFFF00},   {800, 399, 0xFFFF00}, {800, 400, 0xFFFFFF},
                        {800, 799, 0xFFFFFF}, {1024, 0, 0xFFFFFF},  {640, 100, 0xFFFFFF},
                        {801, 100, 0xFFFFFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " at " << c.phase);
    ::Setup[kSetupWidth] = c.width;
    testhost::Advance((c.phase - Clock() % 800 + 800) % 800);
    ASSERT_EQ(Clock() % 800, c.phase);
    testhost::RecordTexts(true);
    TitleFrame();
    uint32_t colour = 0x123456;
    for (const auto& t : testhost::Texts())
      if (t.text == "Hit [Tab] for settings") colour = t.colour;
    EXPECT_EQ(colour, c.colour);
  }
}

// Only a fresh press of Return, the pad's A or its Start starts a round: one
// held since before the screen opened does not, nor does the A that ended
// the last round's name entry.
TEST_F(TitleInputTest, AStartKeyOrButtonHeldFromBeforeStartsNoRound) {
  HangGuard guard(120, "a round was never left");
  // A round that could not be left ends in the program's end (the host asks
  // to close when no input comes): that must fail here, not end the tests.
  testhost::SetEndHook([] { throw std::runtime_error("the program ended during the test"); });
  const int pad = testhost::AddController("Test Controller");
  FrameWatcher = &EndEveryRoundWithAHeldA;
  g_rounds = 0;
  struct Held {
    const char* name;
    std::function<void(bool)> hold;
  };
  const Held helds[] = {
      {"Return", [](bool down) { testhost::PushKey(13, down); }},
      {"pad A", [pad](bool down) { testhost::SetControllerButton(pad, kControllerA, down); }},
      {"pad Start", [pad](bool down) { testhost::SetControllerButton(pad, kControllerStart, down); }},
  };
  for (const Held& held : helds) {
    SCOPED_TRACE(held.name);
    ResetTitleScreen();   // as the screen opens
    held.hold(true);
    PollSystem();
    for (int i = 0; i < 40; ++i) TitleFrame();
    EXPECT_EQ(g_rounds, 0);
    held.hold(false);
    PollSystem();
    TitleFrame();
    EXPECT_EQ(g_rounds, 0);
  }

  // A click starts a round; A ends its name entry and stays held.
  PointAt(640, 560);
  Button(true);
  for (int i = 0; i < 3 && g_rounds == 0; ++i) TitleFrame();
  ASSERT_EQ(g_rounds, 1);
  ASSERT_EQ(ScoreList.size(), 1u);
  PointAt(0, 0);
  ASSERT_TRUE(ControllerHeld(Nav::Accept));   // the A that ended the name
  for (int i = 0; i < 60; ++i) TitleFrame();
  EXPECT_EQ(g_rounds, 1);
  // Let go and pressed again, it starts the next. (The script's A: its pad
  // is its own.)
  const auto scriptNow = [](const std::string& line) {
    testhost::ScriptLines(std::to_string(testhost::Clock()) + " " + line + "\n");
    PollSystem();
  };
  scriptNow("padup a");
  TitleFrame();
  scriptNow("paddown a");
  for (int i = 0; i < 3 && g_rounds == 1; ++i) TitleFrame();
  EXPECT_EQ(g_rounds, 2);
  scriptNow("padup a");
  FrameWatcher = nullptr;
}
