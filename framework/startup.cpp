// The program's spine: from process start to the title screen, then the
// closing screen. Owns the game's identity, the credit lines and the choices
// that start-up resets.
#include "framework/startup.h"

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "framework/clock.h"
#include "framework/closing_screen.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/menus.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "game/table_drawing.h"
#include "game/title_screen.h"
#include "platform/platform.h"

const std::string GameTitle = "Mnemora";
const std::string GameSubtitle = "Find the Match";
std::string TitleLine;
std::array<std::string, 100> CreditLines;
int CreditCount = 0;
int MouseMode = 1;
int ControlSetsShown = 4;
int BadgeCount = 16;
int DeckIndex = 1;
int TableIndex = 1;
int Difficulty = 1;
int LoadStartTime = 0;
int LoadEndTime = 0;

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

std::string GameFolder() {
  std::string digits = "000" + std::to_string(GameNumber);
  return digits.substr(digits.size() - 3) + "/";
}

void ResetStartup() {
  TitleLine = "#" + std::to_string(GameNumber) + " : " + GameTitle + " " + GameSubtitle;
  CreditLines.fill("");
  for (int i = 0; i < 20; ++i) CreditLines[i + 1] = kCredits[i];
  CreditCount = 20;
  MouseMode = 1;
  ControlSetsShown = 4;
  BadgeCount = 16;
  DeckIndex = 1;
  TableIndex = 1;
  Difficulty = 1;
}

void ResetProgramTables() {
  ResetStartup();
  ResetSetup();
  ResetBindings();
  ResetDisplaySetup();
  ResetSharedAssets();
  ResetDrawHelpers();
  ResetFrameFlip();
  ResetMenus();
  ResetSoundEffects();
  ResetMusic();
  ResetDecks();
  ResetCardRound();
  ResetTableDrawing();
  ResetScores();
  ResetScorePanel();
  ResetTitleScreen();
}

void StartUp() {
  if (startedUp) return;
  startedUp = true;

  // 1-4: the platform, every shared table with its defaults (the caption and
  // the credit lines among them), the caption on the window to come.
  InitPlatform();
  ResetProgramTables();
  SetAppTitle(TitleLine);
  HideMouse();
  LastFlipTime = Clock();
  SpriteBudget[1] = 50000;
  SpriteBudget[2] = 50000;
  ScanPads();

  // 5-6: the log in Files/. The folder changes below are relative, so a
  // missing data folder would send every later change astray and the game
  // would write its files outside its own folder: make sure they exist.
  bool foldersMissing = FileType("Files/Common") != 2 || FileType("Files/" + GameFolder()) != 2;
  if (foldersMissing) {
    CreateDir("Files/Common");
    CreateDir("Files/" + GameFolder());
  }
  ChangeDir("Files/");
  OpenLog("Debug.txt");
  LogLine("Quillmar's Zelvane Engine");
  LogLine("----------------------------");
  LogLine("Week #" + std::to_string(GameNumber));
  LogLine("----------------------------");
  LogLine(TitleLine);
  LogLine("----------------------------");
  LogLine("");
  LogLine("Loading");
  if (foldersMissing) LogLine("\tData folders were missing and have been created empty");

  // 7-9: audio drivers and the setup file.
  AudioDriverNames = AudioDrivers();
  ReadSetup();
  ChooseAudioDriver();

  // 10
  LogLine("\tRequested Resolution : " + std::to_string(Setup[5]) + "x" + std::to_string(Setup[6]));
  LogLine("\tSetup Loaded");
  LogLine("");
  LogLine("Grabbing Previous Scores");
  LogLine("");

  // 11-13: the game folder, then the display with everything it loads.
  ChangeDir(GameFolder());
  LoadStartTime = Clock();
  ApplyDisplaySettings();

  // 14
  MouseMode = 1;
  ControlSetsShown = 4;
  BadgeCount = 16;
  PauseState = 0;
  RoundBest.fill(0);

  // 15-16: the splash stays at least 2.5 s from before the display opened.
  // The wait pumps events and sleeps between polls so it costs no CPU and
  // ends under the headless host's virtual clock.
  LogLine("Finished Loading");
  LoadEndTime = Clock();
  while (Clock() < LoadStartTime + 2500) {
    PollSystem();
    Delay(1);
  }

  // 17
  DeckIndex = 1;
  TableIndex = 1;
  Difficulty = 1;

  // Files that are there but could not be read are left alone for this
  // session. The player hears of it now, on the title screen: a notice given
  // while reading would pass unseen during the engine test.
  if (SetupFileUnreadable()) AddNotification("Could not read your settings", 1);
  if (ScoreFileUnreadable()) AddNotification("Could not read your scores", 1);
}

void RunProgram() {
  StartUp();
  TitleScreen();
  ShowClosingScreen();
}
