// Figures for the frame routine and the spine: start-up to the end of loading
// (without the splash's 2.5-second minimum), and CPU time per FlipFrame call
// with the statistics overlay off and on (the pacing sleep costs no CPU time).
// Apply and screenshot times: bench_apply_screenshot.
// Run: bench_flip_frame [GAME_DIR] (default build/game).
// Headless: MNEMORA_HEADLESS= bench_flip_frame; real window: under Xvfb.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/command_line.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/setup_file.h"
#include "framework/startup.h"
#include "game/game_entry.h"
#include "platform/platform.h"

namespace {

double Seconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

double CpuPerFlip(int frames) {
  double start = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  for (int i = 0; i < frames; ++i) {
    BeginFrame(1);
    FlipFrame(1);
  }
  return (Seconds(CLOCK_PROCESS_CPUTIME_ID) - start) / frames;
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
  const bool headless = std::getenv("MNEMORA_HEADLESS") != nullptr;
  double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  StartUp();
  double wall = Seconds(CLOCK_MONOTONIC) - wall0, cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
  std::printf("host: %s, display %dx%d, engine %d\n", headless ? "headless" : "SDL window", RealWidth,
              RealHeight, Setup[kSetupEngine]);
  // On the headless host the clock is virtual (the engine test's paced frames
  // and the 2.5 s wait cost no real time), so wall time is the real cost; on
  // a window the program's own clock is real and excludes the minimum wait.
  std::printf("start-up to the end of loading: %d ms on the program's clock; whole StartUp %.2f s wall, "
              "%.2f s CPU\n", LoadEndTime - LoadStartTime, wall, cpu);

  DebugOverlay = 0;
  double off = CpuPerFlip(600);
  DebugOverlay = 1;
  double on = CpuPerFlip(600);
  DebugOverlay = 0;
  std::printf("FlipFrame CPU time: overlay off %.1f us, overlay on %.1f us\n", off * 1e6, on * 1e6);

  std::fflush(stdout);
  _exit(0);
}
