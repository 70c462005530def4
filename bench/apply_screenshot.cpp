// The time of an Apply (display set-up with all assets and the engine test)
// on each back end, and the time to save a 1600 x 900 screenshot at
// compression 9. Run: bench_apply_screenshot [GAME_DIR] (default build/game);
// headless with MNEMORA_HEADLESS= set, or under an X server.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "framework/command_line.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/setup_file.h"
#include "framework/startup.h"
#include "game/decks.h"
#include "game/game_entry.h"
#include "platform/platform.h"

namespace {

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

double Cpu() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  InstallGameHooks();   // as the game's main does
  std::string gameDir = argc > 1 ? argv[1] : "build/game";
  if (chdir(gameDir.c_str()) != 0) {
    std::fprintf(stderr, "cannot enter %s\n", gameDir.c_str());
    return 1;
  }
  DataFolderOption = ".";   // as --data: the benchmark has no Files/ beside it
  StartUp();
  std::printf("host: %s\n", getenv("MNEMORA_HEADLESS") ? "headless" : "SDL window");

  const char* names[3] = {"OpenGL", "DirectX 9 slot (SDL_Renderer)", "DirectX 7 slot (software)"};
  for (int engine : {0, 1, 2, 0}) {
    Setup[kSetupEngine] = engine;
    double t0 = Now(), c0 = Cpu();
    ApplyDisplaySettings();
    std::printf("Apply to %-30s %6.2f s wall, %6.2f s CPU (engine test included)\n", names[engine],
                Now() - t0, Cpu() - c0);
  }

  // A 1600 x 900 picture with the game's own art on it: table art and cards
  // scattered over a striped backdrop, as busy as a round.
  Setup[kSetupWidth] = 1600;
  Setup[kSetupHeight] = 900;
  ApplyDisplaySettings();
  BeginFrame(1);
  ResetDrawState();
  SetRotation(-45);
  for (int y = 0; y <= VirtualHeight; y += 10) {
    SetColor(0, 0, 50 + y / 20);
    DrawRect(-100, static_cast<float>(3 * y), static_cast<float>(VirtualWidth + 1800), 30);
  }
  ResetDrawState();
  DrawSpriteCounted(TableImages[1], (VirtualWidth - 640) / 2, 0, 0, 1);
  for (int i = 0; i < 36; ++i) DrawSpriteCounted(DeckImages[1 + i % 3], 200 + i % 12 * 100, 60 + i / 12 * 260, i % 18, 1);
  Flip(0);
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    double t0 = Now();
    int pixmap = GrabPixmap(0, 0, RealWidth, RealHeight);
    int ok = SavePixmapPNG(pixmap, "bench-shot.png", 9);
    FreePixmap(pixmap);
    double t = Now() - t0;
    if (ok != 1) std::printf("screenshot save failed\n");
    if (t < best) best = t;
  }
  DeleteFile("bench-shot.png");
  std::printf("screenshot %dx%d at compression 9: %.0f ms (best of 3)\n", RealWidth, RealHeight, best * 1000);
  std::fflush(stdout);
  _exit(0);
}
