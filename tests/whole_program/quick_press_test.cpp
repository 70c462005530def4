// Quick presses in a real window: every press below reaches SDL's queue
// together with its release, before one frame reads it (a touchpad tap, a
// short key stroke, any click on a slow frame), through the real SDL host
// on a private Xvfb. Each must still act once. The run is a child process
// (the game ends the process); a per-frame watcher presses and reports.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "framework/display_setup.h"
#include "framework/frame_flip.h"
#include "game/board.h"
#include "game/card_round.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/temp_folder.h"
#include "support/xvfb_server.h"
#include "session_bot.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- presses
int WindowX(float vx) { return static_cast<int>(vx * GraphicsWidth() / VirtualWidth); }
int WindowY(float vy) { return static_cast<int>(vy * GraphicsHeight() / VirtualHeight); }

void PushKey(SDL_Scancode sc, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = sc;
  SDL_PushEvent(&e);
}

void PushButton(bool down, float vx, float vy) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.x = WindowX(vx);
  e.button.y = WindowY(vy);
  SDL_PushEvent(&e);
}

void PushMotion(float vx, float vy) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = WindowX(vx);
  e.motion.y = WindowY(vy);
  SDL_PushEvent(&e);
}

// A press is a key or a click at a place; quick: its release is queued with
// it, so one pump takes both.
struct Press {
  SDL_Scancode key = SDL_SCANCODE_UNKNOWN;
  float x = 0, y = 0;   // virtual units, for a click
};

void PressDown(const Press& p) {
  if (p.key != SDL_SCANCODE_UNKNOWN) {
    PushKey(p.key, true);
  } else {
    PushMotion(p.x, p.y);
    PushButton(true, p.x, p.y);
  }
}

void PressUp(const Press& p) {
  if (p.key != SDL_SCANCODE_UNKNOWN)
    PushKey(p.key, false);
  else
    PushButton(false, p.x, p.y);
}

// ---------------------------------------------------------------- the scenes
bool TitleAtRest() { return SlideStep == 32 && PauseState == 0 && !NameEntryOpen; }

int FaceDownCard() {
  for (int cell = 0; cell < 110; ++cell)
    if (CardValue[cell] != 0 && FlipAngle[cell] == 0) return cell;
  return -1;
}

Press StartButton() { return {.x = VirtualWidth / 2.0f, .y = VirtualHeight / 2.0f + 80}; }
// The card a tap lands on must be the one picked, not the one under the
// pointer's place before the tap.
int g_pickedCell = -1;
Press CardPick() {
  g_pickedCell = FaceDownCard();
  return {.x = static_cast<float>(e2e::CellCentreX(g_pickedCell)),
          .y = static_cast<float>(e2e::CellCentreY(g_pickedCell))};
}
Press QuitEntry() { return {.x = 0.1f * VirtualWidth + 40, .y = 0.375f * VirtualHeight + 135}; }
Press Key(SDL_Scancode sc) { return {.key = sc}; }

// One row: when the screen is ready, the press, and what shows it was taken
// within a few frames. A press that is not taken is made again held (down
// for a few frames), so the rows after it are still tried.
struct Scene {
  const char* name;
  bool (*ready)();
  Press (*press)();
  bool (*taken)();
};

const Scene kScenes[] = {
    {"title: a click starts the round", TitleAtRest, StartButton, [] { return PauseState == 1; }},
    {"round: a click picks a card",
     [] { return PauseState == 1 && CurrentRound().phase == Phase::Picking && FaceDownCard() >= 0; }, CardPick,
     [] { return !CurrentRound().pickedSequence.empty() && FlipAngle[g_pickedCell] != 0; }},
    {"round: Escape opens the pause menu", [] { return PauseState == 1; }, [] { return Key(SDL_SCANCODE_ESCAPE); },
     [] { return PauseState == 2; }},
    // Down cannot be seen from outside the menu: Return after it must quit.
    {"pause menu: Down moves to Quit", [] { return PauseState == 2; }, [] { return Key(SDL_SCANCODE_DOWN); },
     [] { return true; }},
    {"pause menu: Return takes Quit", [] { return PauseState == 2; }, [] { return Key(SDL_SCANCODE_RETURN); },
     [] { return NameEntryOpen; }},
    {"name entry: Return ends it", [] { return NameEntryOpen; }, [] { return Key(SDL_SCANCODE_RETURN); },
     [] { return !NameEntryOpen; }},
    {"title: Return starts the round", TitleAtRest, [] { return Key(SDL_SCANCODE_RETURN); },
     [] { return PauseState == 1; }},
    {"round: Escape opens the pause menu again", [] { return PauseState == 1; },
     [] { return Key(SDL_SCANCODE_ESCAPE); }, [] { return PauseState == 2; }},
    {"pause menu: a click on Quit takes it", [] { return PauseState == 2; }, QuitEntry, [] { return NameEntryOpen; }},
    {"name entry: Return ends it again", [] { return NameEntryOpen; }, [] { return Key(SDL_SCANCODE_RETURN); },
     [] { return !NameEntryOpen; }},
};
constexpr int kSceneCount = sizeof kScenes / sizeof kScenes[0];

struct Player {
  std::ofstream report;
  int scene = 0;
  int frames = 0;      // in this scene since its press
  int held = -1;       // 0 once the press was made again held, -1 not
  bool pressed = false;
  Press press;
};
Player* g_player = nullptr;

// Ends the run: a close request, and a quick key for the closing page,
// which draws no frames of the routine (so no watcher runs there): pressed
// now and then from beside the game, as a hand would.
void Leave(Player& p) {
  p.report << "end\n";
  p.report.flush();
  p.scene = kSceneCount + 1;
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  std::thread([] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      PushKey(SDL_SCANCODE_A, true);
      PushKey(SDL_SCANCODE_A, false);
    }
  }).detach();
}

void Step() {
  Player& p = *g_player;
  p.report.flush();   // the time limit ends the child without flushing
  if (p.scene > kSceneCount) return;
  if (p.scene == kSceneCount) {
    if (TitleAtRest()) Leave(p);
    return;
  }
  const Scene& s = kScenes[p.scene];
  if (!p.pressed) {
    if (!s.ready()) return;
    p.press = s.press();
    PressDown(p.press);
    PressUp(p.press);
    p.pressed = true;
    p.frames = 0;
    return;
  }
  ++p.frames;
  if (p.frames >= 3 && s.taken()) {
    p.report << (p.held < 0 ? "quick " : "held ") << s.name << "\n";
    p.scene++;
    p.pressed = false;
    p.held = -1;
    return;
  }
  if (p.frames == 30 && p.held < 0) {   // not taken: once more, held, so the next rows can run
    // Let go from beside the game: a screen may wait for the release
    // without drawing (the pause menu opening), so no watcher would run.
    PressDown(p.press);
    p.held = 0;
    std::thread([press = p.press] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      PressUp(press);
    }).detach();
  }
  if (p.frames == 90) {
    p.report << "stuck " << s.name << "\n";
    Leave(p);
  }
}

TEST(QuickPresses, APressLetGoBeforeTheNextFrameActsOnEveryScreen) {
  if (!XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  testsupport::TempFolder folder("quick");
  folder.KeepIfFailed();
  const int code = e2e::RunInRealWindow(folder.Path().string(), [] {
    static Player player;
    player.report.open("report.txt", std::ios::trunc);
    g_player = &player;
  }, Step);
  const std::string report = folder.Read("report.txt");
  EXPECT_EQ(code, 0) << report;
  for (const Scene& s : kScenes)
    EXPECT_NE(report.find(std::string("quick ") + s.name + "\n"), std::string::npos)
        << "not seen from a quick press: " << s.name << "\n" << report;
  EXPECT_NE(report.find("end\n"), std::string::npos) << report;
}

}  // namespace
