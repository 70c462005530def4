// CPU time per frame of the card round with a full table (36 cards) and
// markers flying. Runs on the host InitPlatform picks: the headless host when
// MNEMORA_HEADLESS is set, a real window otherwise (for instance under Xvfb).
//
//   bench_round_frame [GAME_FOLDER] [DRIVER 0|1|2] [FRAMES] [WIDTH HEIGHT] [idle [SEED]]
//
// GAME_FOLDER defaults to game/Files/253 below the current folder (the build
// folder). DRIVER is the setup's graphics engine number (default 2, the
// software back end). The figures split queueing the round's own scene
// (RoundScene: backdrop, table art, board pass, focus, rules, markers, HUD;
// drawing is only listed here) from FlipFrame, where the list is rasterised
// or handed to the GPU and presented; pacing sleeps cost no CPU time.
// With `idle` the table waits for the first pick instead: every card face
// down, nothing flying, only the backdrop drifting, its directions drawn
// from SEED (default 1), so two builds face the same drift.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/frame_flip.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/game_entry.h"
#include "game/scores.h"
#include "game/table_drawing.h"
#include "platform/platform.h"

namespace {

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

struct Stats {
  std::vector<double> samples;
  void Print(const char* label) {
    if (samples.empty()) return;
    std::vector<double> s = samples;
    std::sort(s.begin(), s.end());
    double sum = 0;
    for (double v : s) sum += v;
    std::printf("  %-8s mean %7.3f ms   median %7.3f ms   95%% %7.3f ms   max %7.3f ms\n", label,
                sum / s.size(), s[s.size() / 2], s[s.size() * 95 / 100], s.back());
  }
};

// All 36 cells of the play area hold cards; some turn, some slide.
void FullTable() {
  StartRound();
  for (int v = 3; v <= 18; ++v) {
    PlaceDealtCard(v);
    PlaceDealtCard(v);
  }
}

void AddMarker(int i) {
  auto m = std::make_shared<icle>();
  m->x = TableOrigin() - 16 + 96 * (1 + i % 6);
  m->y = 128 * (1 + i / 6 % 6) - 96;
  m->t = 1 + i % 2;
  ListAddLast(Markers, m);
}

}  // namespace

int main(int argc, char** argv) {
  InstallGameHooks();   // as the game's main does
  const std::string folder = argc > 1 ? argv[1] : "game/Files/253";
  const int driver = argc > 2 ? std::atoi(argv[2]) : 2;
  const int frames = argc > 3 ? std::max(10, std::atoi(argv[3])) : 600;
  const int width = argc > 5 ? std::atoi(argv[4]) : 1280;
  const int height = argc > 5 ? std::atoi(argv[5]) : 960;
  const bool idle = argc > 6 && std::string(argv[6]) == "idle";
  const int seed = argc > 7 ? std::atoi(argv[7]) : 1;

  InitPlatform();
  ResetProgramTables();
  if (ChangeDir(folder) != 1) {
    std::fprintf(stderr, "no game folder at %s\n", folder.c_str());
    return 1;
  }
  Setup[kSetupEngine] = driver;
  Setup[kSetupFrameskip] = 0;
  SetGraphicsDriver(driver, 2);
  if (!Graphics(width, height, 0, 60, 0)) {
    std::fprintf(stderr, "could not open a %dx%d display\n", width, height);
    return 1;
  }
  RealWidth = width;
  RealHeight = height;
  VirtualWidth = 1280;
  VirtualHeight = 960;
  SetVirtualResolution(1280, 960);
  LoadSharedAssets();
  // The art as LoadDecks loads it, without the engine test: budgets stay open.
  DeckImages[1] = LoadAnimImage("Deck_01.png", 96, 128, 0, 25, 3);
  TableImages[1] = LoadImage("BG_01.png", 3);
  HeartImage = LoadImage("heart.png", 3);
  DeckCount = TableCount = 1;
  DebugOverlay = 0;
  Difficulty = 0;

  if (idle) SeedRnd(seed);
  FullTable();
  if (idle) {
    FlipAngle.fill(0);
    SeedRnd(seed);   // the round seeded it by the clock: the bounces' speeds too
  }
  Lives = 5;
  Stats scene, flip, total;
  size_t mostMarkers = 0;
  for (int f = 0; f < frames; ++f) {
    // Keep the table busy: every few frames a card turns and a marker flies.
    if (!idle && f % 4 == 0) AddMarker(f / 4);
    if (!idle && f % 15 == 0) FlipAngle[(1 + f / 15 % 6) * 10 + 1 + f / 90 % 6] = 181;

    const double t0 = CpuMs();
    RoundScene();
    const double t1 = CpuMs();
    FlipFrame(MouseMode);
    const double t2 = CpuMs();
    scene.samples.push_back(t1 - t0);
    flip.samples.push_back(t2 - t1);
    total.samples.push_back(t2 - t0);
    mostMarkers = std::max(mostMarkers, Markers.size());
  }
  int cards = 0;
  for (int v : CardValue) cards += v > 0;
  std::printf("round frame%s, %d frames, %dx%d window, driver %d, %d cards, up to %zu markers\n",
              idle ? " (idle)" : "", frames, width, height, driver, cards, mostMarkers);
  scene.Print("queue");
  flip.Print("flip");
  total.Print("total");
  return 0;
}
