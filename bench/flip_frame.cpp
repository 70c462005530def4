// CPU time per FlipFrame call (the pacing sleep costs no CPU time) with the
// statistics overlay on and off, and the start-up time to the end of loading.
// Run from anywhere: bench_flip_frame [GAME_DIR] (default build/game).
// Headless: MNEMORA_HEADLESS= bench_flip_frame; real window: under Xvfb.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/startup.h"
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
  std::string gameDir = argc > 1 ? argv[1] : "build/game";
  if (chdir(gameDir.c_str()) != 0) {
    std::fprintf(stderr, "cannot enter %s\n", gameDir.c_str());
    return 1;
  }
  double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  StartUp();
  double wall = Seconds(CLOCK_MONOTONIC) - wall0, cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
  std::printf("host: %s\n", getenv("MNEMORA_HEADLESS") ? "headless" : "SDL window");
  std::printf("start-up to the title screen: %.2f s wall, %.2f s CPU (wall includes the 2.5 s minimum "
              "and the paced engine test on a real window)\n", wall, cpu);

  DebugOverlay = 0;
  double off = CpuPerFlip(600);
  DebugOverlay = 1;
  double on = CpuPerFlip(600);
  std::printf("FlipFrame CPU time: overlay off %.1f us, overlay on %.1f us\n", off * 1e6, on * 1e6);
  std::fflush(stdout);
  _exit(0);
}
