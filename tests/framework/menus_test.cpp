// The settings panel, the pause menu and screenshots on the headless host.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/pause_menu.h"
#include "framework/screenshots.h"
#include "framework/settings_panel.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "game/score_panel.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/hang_guard.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace {

class MenusTest : public testsupport::HeadlessDisplayTest {
 protected:
  // The panel saves the setup one level above the game folder: keep it inside.
  testsupport::TempFolder scratch_{"menus", testsupport::TempFolder::kDataTree};
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    scratch_.UseAsGameData();   // the platform's start forgot it
  }

  // A click that SettingsPanel's own MouseHit sees on its next call.
  void Click(int button = 1) {
    testhost::PushMouseButton(button, true);
    testhost::PushMouseButton(button, false);
    PollSystem();
  }
  void Key(int vk) {
    testhost::PushKey(vk, true);
    testhost::PushKey(vk, false);
    PollSystem();
  }
  // Schedules script lines relative to the virtual clock.
  void At(int afterMs, const std::string& event) {
    testhost::ScriptLines(std::to_string(testhost::Clock() + afterMs) + " " + event + "\n");
  }
};

}  // namespace

TEST_F(MenusTest, PanelSlidesInStepsAndReversesMidway) {
  SettingsOpen = 1;
  for (int i = 1; i <= 10; ++i) {
    SettingsPanel();
    EXPECT_EQ(SettingsPanelY, -300 + 32 * i);
  }
  SettingsPanel();
  EXPECT_EQ(SettingsPanelY, 20);

  SettingsOpen = 0;
  for (int i = 0; i < 3; ++i) SettingsPanel();
  EXPECT_EQ(SettingsPanelY, 20 - 96);
  SettingsOpen = 1;
  SettingsPanel();
  EXPECT_EQ(SettingsPanelY, 20 - 64);
  SettingsOpen = 0;
  for (int i = 0; i < 20; ++i) SettingsPanel();
  EXPECT_EQ(SettingsPanelY, -300);
}

TEST_F(MenusTest, RowsCycleOnClicks) {
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  ASSERT_EQ(SettingsPanelY, 20);
  // The graphics-engine row: three clicks come back to OpenGL.
  MouseXNow = 30;
  MouseYNow = 20 + 184 + 10;
  for (int expected : {1, 2, 0}) {
    Click();
    SettingsPanel();
    EXPECT_EQ(::Setup[kSetupEngine], expected);
  }
  // The display row: two clicks come back to windowed.
  MouseYNow = 20 + 30 + 10;
  for (int expected : {1, 0}) {
    Click();
    SettingsPanel();
    EXPECT_EQ(::Setup[kSetupFullscreen], expected);
  }
  // Outside every row nothing changes.
  MouseXNow = 600;
  MouseYNow = 600;
  Click();
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupFullscreen], 0);
  EXPECT_EQ(::Setup[kSetupEngine], 0);
}

TEST_F(MenusTest, ResolutionWrapsBothWays) {
  ModeCount = 12;
  for (int i = 1; i <= 12; ++i) {
    ModeWidths[i] = 640 + 80 * i;
    ModeHeights[i] = (640 + 80 * i) * 3 / 4;
  }
  ::Setup[kSetupMode] = 12;
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  MouseXNow = 100;
  MouseYNow = 20 + 70 + 50;   // over the resolution area, below the row's icon
  Key(39);
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMode], 1);
  EXPECT_EQ(::Setup[kSetupWidth], ModeWidths[1]);
  EXPECT_EQ(::Setup[kSetupHeight], ModeHeights[1]);
  Key(37);
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMode], 12);
  Click(2);
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMode], 11);
  // With no modes listed the keys do nothing.
  ModeCount = 0;
  Key(39);
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMode], 11);
}

TEST_F(MenusTest, VolumesSnapAtTheEnds) {
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  int x = VirtualWidth - 280;
  testhost::PushMouseButton(1, true);
  PollSystem();
  MouseYNow = 20 + 70 + 2;
  MouseXNow = x - 1;            // the leftmost point inside the slider
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMaster], 0);
  MouseXNow = x + 97;           // the rightmost
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMaster], 100);
  MouseXNow = x + 40;
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupMaster], 42);
  testhost::PushMouseButton(1, false);
  PollSystem();
}

TEST_F(MenusTest, QualityNoteThresholds) {
  int r, g;
  EXPECT_EQ(QualityNote(899, r, g), "Small (Bit blurry)");
  EXPECT_EQ(QualityNote(900, r, g), "Native (Crisp, Clear)");
  EXPECT_EQ(QualityNote(960, r, g), "Native (Crisp, Clear)");
  EXPECT_EQ(QualityNote(961, r, g), "Bigger! (High-Definition!)");
  EXPECT_EQ(r, 180);
  EXPECT_EQ(g, 255);
}

TEST_F(MenusTest, AudioRowWithoutDriversKeepsValueZero) {
  AudioDriverNames.clear();
  std::string labels[6] = {"AUDIO"};
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  MouseXNow = VirtualWidth - 270;
  MouseYNow = 20 + 20 + 10;
  LeftClick = 1;
  EXPECT_EQ(OptionRow(14, VirtualWidth - 280, 20, 24, labels), 1);
  EXPECT_EQ(::Setup[kSetupAudioDriver], 0);
}

TEST_F(MenusTest, PauseMenuMovesOnceAndWrapsBothWays) {
  Cls();
  // Up from Continue shows Quit; confirm with Space returns 99.
  At(100, "keydown 38");
  At(300, "keyup 38");
  At(500, "keydown 40");   // down from Quit: back to Continue
  At(700, "keyup 40");
  At(900, "keydown 40");   // held for over a second: moves once
  At(2200, "keyup 40");
  At(2400, "keydown 32");
  At(2500, "keyup 32");
  EXPECT_EQ(PauseMenu(), 99);
}

// The frozen picture is grabbed in real pixels and drawn in virtual units: at
// pulse 1 it covers the screen exactly, at every size, so in its first frame
// (pulse about 1.5 on both axes, barely turned) it is 1.5 screens wide and
// tall round the screen's centre.
TEST_F(MenusTest, PauseMenuPictureIsScreenSizedAtEverySize) {
  for (testsupport::DisplayShape shape : {testsupport::DisplayShape{.width = 800, .height = 600},
                                          testsupport::DisplayShape{.width = 1920, .height = 1080,
                                                                    .virtualWidth = 1600, .virtualHeight = 900}}) {
    testsupport::OpenHeadlessDisplay(shape);
    Cls();
    At(200, "key 27");
    testhost::RecordTexts(true);
    EXPECT_EQ(PauseMenu(), 1);
    const std::vector<testhost::DrawnImage> images = testhost::DrawnImages();
    testhost::RecordTexts(false);
    ASSERT_FALSE(images.empty());
    const testhost::DrawnImage& first = images.front();
    const float pulseX = 1.5f + 0.5f * Sin(0.4f), pulseY = 1.5f + 0.5f * Sin(0.52f);
    EXPECT_NEAR(first.x1 - first.x0, shape.width * pulseX, shape.width * 0.01) << shape.width;
    EXPECT_NEAR(first.y1 - first.y0, shape.height * pulseY, shape.height * 0.01) << shape.width;
    EXPECT_NEAR((first.x0 + first.x1) / 2, shape.width / 2.0, 2) << shape.width;
    EXPECT_NEAR((first.y0 + first.y1) / 2, shape.height / 2.0, 2) << shape.width;
  }
}

TEST_F(MenusTest, PauseMenuEscapeTakesTheHighlightedChoice) {
  Cls();
  At(200, "key 27");
  EXPECT_EQ(PauseMenu(), 1);
  At(100, "keydown 38");
  At(200, "keyup 38");
  At(400, "keydown 27");
  At(600, "keyup 27");
  int before = MilliSecs();
  EXPECT_EQ(PauseMenu(), 99);
  // It returns only after Escape is released.
  EXPECT_GE(MilliSecs() - before, 600);
}

TEST_F(MenusTest, PauseMenuConfirmHeldAtOpeningDoesNothingUntilReleased) {
  Cls();
  testhost::PushKey(32, true);
  PollSystem();
  At(500, "keyup 32");
  At(800, "key 32");
  int before = MilliSecs();
  EXPECT_EQ(PauseMenu(), 1);
  EXPECT_GE(MilliSecs() - before, 800);
}

// The pointer works the menu as on every other screen: a click takes an
// entry, a pointer moved over one highlights it, a pointer at rest leaves the
// keys' highlight alone, and a click beside the entries does nothing.
TEST_F(MenusTest, PauseMenuByMouse) {
  const int x = VirtualWidth / 10 + 40, continueY = VirtualHeight * 3 / 8 + 75, quitY = continueY + 60;
  auto at = [x](int y) { return std::to_string(x) + " " + std::to_string(y); };
  struct Case {
    const char* name;
    std::vector<std::pair<int, std::string>> lines;
    int result;
  };
  const Case cases[] = {
      {"click on Quit", {{200, "click " + at(quitY)}}, 99},
      {"click on Continue", {{200, "click " + at(continueY)}}, 1},
      {"pointer moved over Quit, then Return", {{200, "mousemove " + at(quitY)}, {500, "key 13"}}, 99},
      {"pointer at rest over Continue, Down, then Return",
       {{100, "mousemove " + at(continueY)}, {400, "key 40"}, {700, "key 13"}}, 99},
      {"click beside the entries, then Escape", {{200, "click 700 40"}, {600, "key 27"}}, 1},
  };
  for (const Case& c : cases) {
    Cls();
    for (const auto& [ms, line] : c.lines) At(ms, line);
    EXPECT_EQ(PauseMenu(), c.result) << c.name;
  }
}

static int g_closesSeen = 0;

TEST_F(MenusTest, PauseMenuReleaseWaitsEndOnACloseRequest) {
  HangGuard guard(60, "the pause menu's Escape wait ignored a close request");
  // Escape is never let go, and the window is closed.
  Cls();
  testhost::PushKey(27, true);
  testhost::PushClose();
  PollSystem();
  // Each frame takes the request before it would reach the closing page.
  g_closesSeen = 0;
  FrameWatcher = [] { g_closesSeen += AppTerminate(); };
  // The held Escape leaves the menu at its first frame; the wait after it
  // ends on the close request the headless host sends once its script has
  // run out, and leaves that request for the caller.
  EXPECT_EQ(PauseMenu(), 1);
  FrameWatcher = nullptr;
  EXPECT_EQ(g_closesSeen, 1);
  EXPECT_EQ(KeyDown(kKeyEscape), 1);
  EXPECT_EQ(AppTerminate(), 1);
}

TEST_F(MenusTest, PauseMenuScatterIsTheSameOnEveryOpening) {
  auto openAndLook = [this]() {
    Cls();
    ResetDrawState();
    SetColourAlpha(200, 40, 40, 1);
    DrawRect(100, 100, 300, 200);
    Flip(0);
    Cls();
    SetColourAlpha(200, 40, 40, 1);
    DrawRect(100, 100, 300, 200);
    LastFlipTime = MilliSecs();
    At(500, "key 27");
    PauseMenu();
    return testhost::BackBuffer();
  };
  testhost::Frame first = openAndLook();
  testhost::Frame second = openAndLook();
  ASSERT_EQ(first.rgba.size(), second.rgba.size());
  EXPECT_TRUE(first.rgba == second.rgba);
}

TEST(Screenshots, SafeFileNameDropsTheTwelveCharacters) {
  EXPECT_EQ(SafeFileName("a.b:c"), "abc");
  EXPECT_EQ(SafeFileName("Rock 'n' Roll?"), "Rock n Roll");
  EXPECT_EQ(SafeFileName("#',`.\\/:|*?\"ok"), "ok");
}

TEST_F(MenusTest, ScreenshotsGoBesideTheGameFolderWithoutOverwriting) {
  namespace fs = std::filesystem;
  testsupport::TempFolder folder("shots");
  folder.Enter("253");
  folder.UseAsGameData();
  const fs::path root = folder.Path();
  OpenLog((root / "Debug.txt").string());

  Cls();
  TakeScreenshot();
  TakeScreenshot();
  CloseLog();
  EXPECT_EQ(fs::canonical(CurrentDir()), fs::canonical(root / "253"));
  std::string date = CurrentDate();
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(root)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 5u);  // 253, Common, Debug.txt and two pictures
  EXPECT_EQ(names[3].rfind("Mnemora Find the Match (Screenshot_" + date + "_", 0), 0u) << names[3];
  EXPECT_NE(names[3], names[4]);
  ASSERT_GE(MessageList.size(), 2u);
  EXPECT_EQ(MessageList.back()->txt, "Saved Screenshot");

  const std::string text = folder.Read("Debug.txt");
  EXPECT_NE(text.find("\r\n\tScreenshot\r\n\tGrabbing Screenshot\r\n\tSaving Screenshot : Mnemora Find the Match (Screenshot_"),
            std::string::npos);
  EXPECT_NE(text.find("\tSaved Screenshot 1\r\n\r\n"), std::string::npos);
}

TEST_F(MenusTest, FailedScreenshotIsReportedAndTheFolderRestored) {
  namespace fs = std::filesystem;
  testsupport::TempFolder folder("shotfail");
  folder.Enter("253");
  const fs::path root = folder.Path();
  OpenLog((root / "Debug.txt").string());
  EndGraphics();   // nothing to grab
  TakeScreenshot();
  CloseLog();
  EXPECT_EQ(fs::canonical(CurrentDir()), fs::canonical(root / "253"));
  ASSERT_FALSE(MessageList.empty());
  EXPECT_EQ(MessageList.back()->txt, "Could not save the Screenshot");
  EXPECT_NE(folder.Read("Debug.txt").find("\tSaved Screenshot 0\r\n"), std::string::npos);
  Graphics(800, 600, 0, 60, 0);
}

// The panel is drawn over a display set-up's engine test: while that runs,
// neither a click nor Return acts on a row (Apply would start a set-up
// inside the running one, a pad switched off would change what it sets up).
TEST_F(MenusTest, NoRowActsWhileADisplaySetUpRuns) {
  testhost::AddPad("First Pad", 0xF);
  ScanPads();
  ::Setup[kSetupFullscreen] = 0;
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  DisplaySetupRunning = true;
  MouseXNow = VirtualWidth - 280 + 5;
  MouseYNow = 20 + 230 + 5;        // the pad's line
  Click();
  SettingsPanel();
  EXPECT_EQ(PadEnabled[1], 1);
  MouseXNow = 30;
  MouseYNow = 20 + 30 + 10;        // the display row
  Click();
  SettingsPanel();
  EXPECT_EQ(::Setup[kSetupFullscreen], 0);
  // The keys: the focus shows, Right on the display row and Return on Apply
  // do nothing.
  MouseXPrev = MouseXNow;
  MouseYPrev = MouseYNow;
  for (int vk : {40, 39, 40, 40, 40, 40, 13}) {
    testhost::PushKey(vk, true);
    PollSystem();
    SettingsPanel();
    testhost::PushKey(vk, false);
    PollSystem();
    SettingsPanel();
  }
  EXPECT_EQ(SettingsOpen, 1);
  EXPECT_EQ(::Setup[kSetupFullscreen], 0);
  DisplaySetupRunning = false;
}

TEST_F(MenusTest, ClickingAPadNameSwitchesItOffAndOn) {
  testhost::AddPad("First Pad", 0xF);
  testhost::AddPad("Second Pad", 0xF);
  ScanPads();
  ASSERT_EQ(PadCount, 2);
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  MouseXNow = VirtualWidth - 280 + 5;
  MouseYNow = 20 + 230 + 15 + 5;   // the second line
  Click();
  SettingsPanel();
  EXPECT_EQ(PadEnabled[1], 1);
  EXPECT_EQ(PadEnabled[2], 0);
  EXPECT_EQ(LeftClick, 0);         // the click was used up
  // A disabled pad's button no longer counts for its bindings.
  testhost::SetPadButton(1, 0, true);
  PollSystem();
  EXPECT_EQ(InputDown(PadCode(2, kPadButton0)), 0);
  Click();
  SettingsPanel();
  EXPECT_EQ(PadEnabled[2], 1);
  EXPECT_EQ(InputDown(PadCode(2, kPadButton0)), 1);
  // Between the lines nothing flips.
  MouseYNow = 20 + 230 + 30 + 5;
  Click();
  SettingsPanel();
  EXPECT_EQ(PadEnabled[1] + PadEnabled[2], 2);
}

TEST_F(MenusTest, BindingButtonsTakeTheHeldInputWhileHovered) {
  MouseMode = 0;   // keyboard-and-pad mode shows the controls column
  SettingsOpen = 1;
  for (int i = 0; i < 10; ++i) SettingsPanel();
  // Set 1, control 0 (up) sits at (250 + 50, panel + 10).
  MouseXNow = 300 + 10;
  MouseYNow = 20 + 10 + 10;
  testhost::PushKey(65, true);
  PollSystem();
  SettingsPanel();
  EXPECT_EQ(Bindings[0], 65);
  testhost::PushKey(65, false);
  // Backspace clears the binding; Tab and other codes up to 8 change nothing.
  testhost::PushKey(8, true);
  PollSystem();
  SettingsPanel();
  EXPECT_EQ(Bindings[0], 0);
  testhost::PushKey(8, false);
  // Away from the buttons, or while the panel is still sliding, a held key
  // binds nothing.
  MouseXNow = 900;
  testhost::PushKey(66, true);
  PollSystem();
  SettingsPanel();
  EXPECT_EQ(Bindings[0], 0);
  MouseXNow = 310;
  SettingsOpen = 0;
  SettingsPanel();
  EXPECT_LT(SettingsPanelY, 0);
  EXPECT_EQ(Bindings[0], 0);
  // Set 4 (base slot 60), control 13 at (650 + 190, panel + 10 + 150).
  SettingsOpen = 1;
  SettingsPanel();
  MouseXNow = 840 + 10;
  MouseYNow = 20 + 160 + 10;
  SettingsPanel();
  EXPECT_EQ(Bindings[73], 66);
  testhost::PushKey(66, false);
  PollSystem();
  MouseMode = 1;
}

// The panel without a mouse: rows in drawing order, Left and Right change
// the focused value, the pad's B closes it.
TEST_F(MenusTest, KeysAndThePadWorkThePanelRowByRow) {
  auto hold = [](int vk, bool down) {
    testhost::PushKey(vk, down);
    PollSystem();
  };
  auto tap = [&](int vk) {
    hold(vk, true);
    SettingsPanel();
    hold(vk, false);
    SettingsPanel();
  };
  SettingsOpen = 1;
  for (int i = 0; i < 11; ++i) SettingsPanel();
  ::Setup[kSetupFullscreen] = 0;
  ::Setup[kSetupFrameskip] = 0;
  ::Setup[kSetupSounds] = 50;
  tap(40);                  // the first press shows the focus on the first row
  tap(39);                  // display: windowed -> full screen
  EXPECT_EQ(::Setup[kSetupFullscreen], 1);
  tap(39);                  // and back: two values wrap
  EXPECT_EQ(::Setup[kSetupFullscreen], 0);
  tap(40);                  // resolution
  tap(40);                  // frame drawing
  tap(37);                  // left wraps from the first value to the last
  EXPECT_EQ(::Setup[kSetupFrameskip], 1);
  // Down past the engine, Apply, the audio driver and the master volume to the sounds.
  for (int i = 0; i < 5; ++i) tap(40);
  tap(37);
  EXPECT_EQ(::Setup[kSetupSounds], 45);
  EXPECT_EQ(::Setup[kSetupFullscreen], 0);   // nothing else moved

  const int pad = testhost::AddController("Test Controller");
  testhost::SetControllerButton(pad, kControllerB, true);
  SettingsPanel();
  EXPECT_EQ(SettingsOpen, 0);
  testhost::SetControllerButton(pad, kControllerB, false);
}

// Apply without a mouse: Return or the pad's A on it saves the settings and
// sets the display up anew; Left and Right, which step the other rows, leave
// it alone.
TEST_F(MenusTest, ReturnOrAOnApplyAppliesTheDisplayLeftAndRightDoNothing) {
  const int pad = testhost::AddController("Test Controller");
  auto step = [](const std::function<void(bool)>& hold) {
    hold(true);
    PollSystem();
    SettingsPanel();
    hold(false);
    PollSystem();
    SettingsPanel();
  };
  auto key = [](int vk) { return [vk](bool down) { testhost::PushKey(vk, down); }; };
  auto setup = scratch_.Path() / "Setup.ini";
  // Returns with the focus on Apply and the panel out.
  auto focusApply = [&] {
    ResetMenus();
    SettingsOpen = 1;
    for (int i = 0; i < 11; ++i) SettingsPanel();
    step(key(40));                               // shows the focus on the display row
    for (int i = 0; i < 4; ++i) step(key(40));   // resolution, frame drawing, engine, Apply
  };
  struct Accept {
    const char* name;
    std::function<void(bool)> hold;
  };
  const Accept accepts[] = {
      {"Return", key(13)},
      {"pad A", [pad](bool down) { testhost::SetControllerButton(pad, kControllerA, down); }},
  };
  for (const Accept& accept : accepts) {
    SCOPED_TRACE(accept.name);
    std::filesystem::remove(setup);
    focusApply();
    const int width = RealWidth;
    ::Setup[kSetupWidth] = width == 1024 ? 1280 : 1024;
    ::Setup[kSetupHeight] = width == 1024 ? 960 : 768;
    step(key(37));
    step(key(39));
    EXPECT_EQ(SettingsOpen, 1);
    EXPECT_EQ(RealWidth, width);
    EXPECT_FALSE(std::filesystem::exists(setup));
    step(accept.hold);
    EXPECT_EQ(SettingsOpen, 0);
    EXPECT_EQ(RealWidth, ::Setup[kSetupWidth]);
    EXPECT_EQ(RealHeight, ::Setup[kSetupHeight]);
    EXPECT_TRUE(std::filesystem::exists(setup));
  }
}

TEST_F(MenusTest, EscapeClosesTheOpenPanelAndIsNotTakenForTheScreen) {
  SettingsOpen = 1;
  for (int i = 0; i < 11; ++i) SettingsPanel();
  testhost::PushKey(27, true);
  PollSystem();
  SettingsPanel();
  EXPECT_EQ(SettingsOpen, 0);
  for (int i = 0; i < 12; ++i) SettingsPanel();   // slid away, Escape still held
  EXPECT_FALSE(SettingsPanelOut());
  EXPECT_FALSE(EscapeForScreen());
  testhost::PushKey(27, false);
  PollSystem();
  SettingsPanel();
  testhost::PushKey(27, true);
  PollSystem();
  EXPECT_TRUE(EscapeForScreen());                 // a fresh press is the screen's again
}
