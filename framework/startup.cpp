// The program's spine: from process start to the title screen, then the
// closing screen. Owns the game's identity, the credit lines and the choices
// that start-up resets.
#include "framework/startup.h"

#include <cstdio>
#include <vector>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "framework/clock.h"
#include "framework/closing_screen.h"
#include "framework/command_line.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/sprite_budgets.h"
#include "framework/frame_flip.h"
#include "framework/game_hooks.h"
#include "framework/game_identity.h"
#include "framework/log.h"
#include "framework/pause_menu.h"
#include "framework/screenshots.h"
#include "framework/settings_panel.h"
#include "framework/statistics.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"

// The program's wiring: what the frame routine and display set-up run, by
// name, here at the top, so that neither of them knows the modules above it.
// Constant tables: they hold from before the first line of the program runs.
const FrameHookTable FrameHooks = {
    .panelOut = SettingsPanelOut,
    .escapeForScreen = EscapeForScreen,
    .measuring = [] { return EngineTestRunning; },
    .screenshot = TakeScreenshot,
    .pauseMenu = PauseMenu,
    .settingsPanel = SettingsPanel,
    .statistics = DrawStatistics,
};
const DisplaySetupHookTable DisplaySetupHooks = {
    .loadAssets = LoadSharedAssets,
    .engineTest = [] { RunEngineTest(60, 2); },
};

// Every module's start values, each reset registered once, in start-up's order.
const std::array<void (*)(), 13> kTableResets = {
    ResetStartup,      ResetLog,        ResetSetup,     ResetBindings,    ResetPads,
    ResetDisplaySetup, ResetSharedAssets, ResetDrawHelpers, ResetEngineTest, ResetFrameFlip,
    ResetMenus,        ResetSoundEffects, ResetMusic,
};

// Start values: ResetStartup.
int LoadStartTime;
int LoadEndTime;

namespace {

bool startedUp = false;   // the start-up body runs at most once per process

// Lines 2..6, 9 and 13..15 are ours to word; 13..15 name the fonts the data
// tree ships (see tools/assets).
const char* const kCredits[20] = {
    "A Game by Quillmar",
    "More games, and other editions",
    "of this one, are waiting on",
    "the Quillmar homebrew pages.",
    "Every game there is free,",
    "so come and have a look!",
    "",
    "Game",
    "Written in C++ with SDL2 and OpenGL",
    "using Quillmar's Framework",
    "",
    "Graphics",
    "Font : Lato by Lukasz Dziedzic",
    "Font : Roboto Condensed by C. Robertson",
    "Font : Leckerli One by Gesine Todt",
    "All other graphics by Quillmar",
    "",
    "Sound",
    "Title Music by Quillmar",
    "Sound Effects by Quillmar",
};

}  // namespace

void ResetStartup() {
  TitleLine = "#" + std::to_string(GameNumber) + " : " + GameTitle + " " + GameSubtitle;
  CreditLines.fill("");
  for (int i = 0; i < 20; ++i) CreditLines[i + 1] = kCredits[i];
  CreditCount = 20;
  MouseMode = 1;
  ControlSetsShown = 4;
  BadgeCount = 16;
  LoadStartTime = 0;
  LoadEndTime = 0;
}

void ResetProgramTables() {
  for (void (*reset)() : kTableResets) reset();
  CallGameHook(GameHooks.resetTables);
}

void StartUp() {
  if (startedUp) return;
  startedUp = true;

  // The platform, every shared table at its start values (the caption and
  // the credit lines among them), the caption on the window to come.
  InitPlatform();
  ResetProgramTables();
  SetAppTitle(TitleLine);
  HideMouse();
  LastFlipTime = Clock();
  ScanPads();

  // The data folder, found from the executable's own place and never
  // from the working folder, and the log in it. Without the data the game
  // would run with no art at all: say where we looked and stop instead of
  // creating an empty tree.
  if (SearchGameData(DataOptions()) == kDataNotFound) {
    std::string game = GameFolder().substr(0, GameFolder().size() - 1);
    std::vector<std::string> tried = DataPlacesTried();
    std::string message = "Game data not found: looked for ";
    for (size_t i = 0; i < tried.size(); ++i) {
      message += (i > 0 ? ", then " : "") + tried[i] + "/Common and " + tried[i] + "/" + game;
    }
    // Found but shut: say so, or the player looks for files that are there.
    if (!DataFolderDenied().empty()) message = "Game data can't be read: " + DataFolderDenied() + ": permission denied";
    std::fprintf(stderr, "mnemora: %s\n", message.c_str());
    // A portable Files/ folder with a part missing gets the message in its log too.
    if (!tried.empty() && FileType(tried[0]) == 2 && ChangeDir(tried[0]) == 1 && OpenLog("Debug.txt") == 1) {
      LogLine(message);
      CloseLog();
    }
    End(1);
  }
  // The working folder is only where the data's own files are loaded from;
  // the player's files are named by their full paths.
  if (ChangeDir(DataFolder()) != 1) {
    std::fprintf(stderr, "mnemora: Game data can't be read: %s: permission denied\n", DataFolder().c_str());
    End(1);
  }
  OpenLog(DataFilePath("Debug.txt"));
  LogLine("Quillmar's Zelvane Engine");
  LogLine("----------------------------");
  LogLine("Week #" + std::to_string(GameNumber));
  LogLine("----------------------------");
  LogLine(TitleLine);
  LogLine("----------------------------");
  LogLine("");
  LogLine("Loading");

  // The audio drivers, the setup file and the driver it names.
  AudioDriverNames = AudioDrivers();
  ReadSetup();
  ChooseAudioDriver();

  // The size the setup asks for; the scores are read with the shared assets.
  LogLine("\tRequested Resolution : " + std::to_string(Setup[kSetupWidth]) + "x" + std::to_string(Setup[kSetupHeight]));
  LogLine("\tSetup Loaded");
  LogLine("");
  LogLine("Grabbing Previous Scores");
  LogLine("");

  // The game folder, then the display with everything it loads. The search
  // made sure it can be entered; should that change meanwhile, the game
  // stops as it would without its data, rather than load and save elsewhere.
  if (!EnterDataFolder(GameFolder())) {
    std::string message = "Game data can't be read: " + DataFilePath(GameFolder()) + ": permission denied";
    std::fprintf(stderr, "mnemora: %s\n", message.c_str());
    LogLine(message);
    CloseLog();
    End(1);
  }
  // Pad layouts SDL does not know yet: the game's own file, then the
  // player's, whose lines win for the same pad.
  for (const std::string& layouts : {std::string("gamecontrollerdb.txt"), PlayerControllerLayoutsPath()}) {
    int left = 0;
    LoadControllerLayouts(layouts, &left);
    if (left > 0) {
      LogLine("\t" + layouts + ": only the first " + std::to_string(kMaxControllerLayouts) + " pad layouts are used, " +
              std::to_string(left) + " more are left out");
    }
  }
  LoadStartTime = Clock();
  ApplyDisplaySettings();

  // The splash stays at least 2.5 s from before the display opened.
  // The wait pumps events and sleeps between polls so it costs no CPU and
  // ends under the headless host's virtual clock. A close request ends it
  // early; the title screen's first frame then closes.
  LogLine("Finished Loading");
  LoadEndTime = Clock();
  while (Clock() < LoadStartTime + 2500 && !AppTerminatePending()) {
    PollSystem();
    Delay(1);
  }

  // Files that are there but could not be read are left alone for this
  // session. The player hears of it now, on the title screen: a notice given
  // while reading would pass unseen during the engine test.
  if (SetupFileUnreadable()) AddNotification("Could not read your settings", 1);
  if (CrashGuardSwitchedEngine()) AddNotification("The last start did not finish: using DirectX 9", 1);
}

void RunProgram() {
  StartUp();
  CallGameHook(GameHooks.firstScreen);
  ShowClosingScreen();
}
