// The whole game with a pad alone, through the real SDL host on a private
// Xvfb: SDL's virtual game controller is plugged in after start-up and the
// game is played by its buttons only — A on the title screen, the D-pad and
// A in the round, Start for the pause menu and Quit, the letter picker for
// the name, B to leave. The run is a child process (the game ends the
// process); a per-frame watcher presses the buttons and reports.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "framework/frame_flip.h"
#include "game/card_round.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/temp_folder.h"
#include "support/xvfb_server.h"
#include "session_bot.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- the child's player
struct PadPlayer {
  std::ofstream report;
  SDL_Joystick* stick = nullptr;
  int stage = 0;
  int wait = 0;          // frames before the next action
  int held = -1;         // button held now, released when wait runs out
  int frames = 0;
  int sincePicking = 0;
};
PadPlayer* g_player = nullptr;

// Holds a button until the next frame's watcher, then leaves it for six
// frames. The press is polled at the end of the frame it was made in, so the
// next frame's screen sees it held once; and a screen that waits for the
// release without drawing (the pause menu opening) sees it let go.
void Tap(int button) {
  PadPlayer& p = *g_player;
  SDL_JoystickSetVirtualButton(p.stick, button, SDL_PRESSED);
  p.held = button;
  p.wait = 6;
}

void Step() {
  PadPlayer& p = *g_player;
  ++p.frames;
  p.report.flush();   // the time limit ends the child without flushing
  if (p.frames % 300 == 0) {
    p.report << "trace frame " << p.frames << " stage " << p.stage << " pause " << PauseState << " slide "
             << SlideStep << "\n";
  }
  if (p.held >= 0 && p.wait <= 6) {
    SDL_JoystickSetVirtualButton(p.stick, p.held, SDL_RELEASED);
    p.held = -1;
  }
  if (p.wait > 0) {
    --p.wait;
    return;
  }
  switch (p.stage) {
    case 0: {  // plugged in once the program runs: pads arriving late are read too
      int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 1);
      p.stick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
      p.report << (p.stick ? "plugged\n" : "error no virtual controller\n");
      p.stage = p.stick ? 1 : 99;
      p.wait = 10;
      break;
    }
    case 1:  // the title screen at rest: A starts the round
      if (SlideStep == 32 && PauseState == 0 && !NameEntryOpen) {
        Tap(kControllerA);
        p.stage = 2;
      }
      break;
    case 2:
      if (PauseState == 1) {
        p.report << "round\n";
        p.stage = 3;
      }
      break;
    case 3:  // wait for the picks, then walk to a face-down card of the first deal and pick it
      if (CurrentRound().phase != Phase::Picking) break;
      if (!FocusShown) {
        Tap(kControllerDpadRight);
        break;
      }
      if (FlipAngle[FocusCell] == 0) {
        p.report << "focus " << FocusCell << "\n";
        Tap(kControllerA);
        p.stage = 4;
        break;
      }
      // Round the square of the first four cards: right, down, left.
      Tap(FocusCell == 33 ? kControllerDpadRight : FocusCell == 34 ? kControllerDpadDown : kControllerDpadLeft);
      break;
    case 4:
      if (!CurrentRound().pickedSequence.empty()) {
        p.report << "picked\n";
        Tap(kControllerStart);
        p.stage = 5;
      }
      break;
    case 5:  // the pause menu: down to Quit, A
      if (PauseState == 2) {
        p.report << "paused\n";
        Tap(kControllerDpadDown);
        p.stage = 6;
      }
      break;
    case 6:
      Tap(kControllerA);
      p.stage = 7;
      break;
    case 7:  // the name: the picker comes up, adds an A, and A accepts
      if (NameEntryOpen) {
        p.report << "name " << PlayerName << "\n";
        Tap(kControllerDpadUp);
        p.stage = 8;
      }
      break;
    case 8:
      Tap(kControllerDpadUp);
      p.stage = 9;
      break;
    case 9:
      Tap(kControllerA);
      p.stage = 10;
      break;
    case 10:  // back on the title screen: B leaves, and the closing page ends on B pressed again
      if (!NameEntryOpen && PauseState == 0 && SlideStep == 32) {
        p.report << "entered " << PlayerName << "\n";
        p.report.flush();
        SDL_JoystickSetVirtualButton(p.stick, kControllerB, SDL_PRESSED);
        // The page draws no frames: a hand on the pad lets go of B and
        // presses it again while the page waits (a B still held from the
        // title screen must not end it).
        std::thread([stick = p.stick] {
          std::this_thread::sleep_for(std::chrono::milliseconds(400));
          SDL_JoystickSetVirtualButton(stick, kControllerB, SDL_RELEASED);
          std::this_thread::sleep_for(std::chrono::milliseconds(400));
          SDL_JoystickSetVirtualButton(stick, kControllerB, SDL_PRESSED);
        }).detach();
        p.stage = 11;
      }
      break;
    default: break;
  }
}

TEST(PadGame, APadAloneStartsPicksPausesQuitsAndEntersTheName) {
  if (!XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  ASSERT_TRUE(fs::exists(fs::path(MNEMORA_GAME_DIR) / "Files" / "253"));
  testsupport::TempFolder folder("pad");
  folder.KeepIfFailed();
  const fs::path root = folder.Path();
  const int code = e2e::RunInRealWindow(root.string(), [] {
    static PadPlayer player;
    player.report.open("report.txt", std::ios::trunc);
    g_player = &player;
  }, Step);
  const std::string report = folder.Read("report.txt");
  EXPECT_EQ(code, 0) << report;
  for (const char* line : {"plugged\n", "round\n", "picked\n", "paused\n", "name Player\n", "entered PlayerA\n"})
    EXPECT_NE(report.find(line), std::string::npos) << "missing: " << line << report;

  // The round was recorded as quit, under the picked name.
  const std::string scores = folder.Read("Files/253/scores.dat");
  const std::string first = scores.substr(0, scores.find("\r\n"));
  EXPECT_NE(first.find("|PlayerA|"), std::string::npos) << scores;
  EXPECT_EQ(first.substr(first.size() - 2), "|1") << first;   // quit from the pause menu
}

}  // namespace
