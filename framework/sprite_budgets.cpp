// The engine test: runs a short animation with ever more sprites, finds the
// most this machine draws per frame while holding the aimed rate, and turns
// that into the sprite budgets. A machine too slow for the floor budgets is
// moved to frameskip. Runs on every display set-up, before the deck art loads.
#include "framework/sprite_budgets.h"

#include <array>
#include <string>

#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/icon_frames.h"
#include "platform/platform.h"

// Start values: ResetEngineTest. The cost hook is the tests' own.
int AimedFps;
int EngineTestBest;
bool EngineTestRunning;
EngineTestCostHook EngineTestDrawCost = nullptr;

namespace {

constexpr int kStepSprites = 500;      // sprites added per step
constexpr int kMaxSprites = 20000;
constexpr int kFramesPerStep = 8;

void DrawBackdrop() {
  // Diagonal stripes whose blue deepens a little from one to the next.
  BeginFrame(1);
  ResetDrawState();
  DrawStripes({0, 0, 0}, {0, 0, 1});

  ResetDrawState();
  SetScaleXY(1.5f);
  DrawImage(LogoImage, 0.3f * VirtualWidth, 0.3f * VirtualHeight, 0);
  DrawImage(PartnerLogoImage, 0.7f * VirtualWidth, 0.7f * VirtualHeight, 0);
  SetScaleXY(1);
}

// The load: fully transparent sprites. They are drawn to cost the back end
// the same work as visible ones (no back end may skip them, the software one
// included), but the picture shows only the backdrop. They bypass the
// counted helpers so the budgets under test can't cut them short.
void DrawLoad(int count, int spriteScale) {
  SetFullCostInvisible(true);
  for (int k = 0; k <= count; ++k) {
    SetRotationDeg(static_cast<float>(Rand(1, 360)));
    SetColourAlpha(0, 0, 0, 0);
    SetScaleXY(static_cast<float>(spriteScale));
    DrawImage(IconSheetUnfiltered, static_cast<float>(Rand(1, VirtualWidth)),
              static_cast<float>(Rand(1, VirtualHeight)), icon::kSprite);
  }
  SetFullCostInvisible(false);
}

}  // namespace

void ResetEngineTest() {
  AimedFps = 60;
  EngineTestBest = 0;
  EngineTestRunning = false;
}

void RunEngineTest(int aimedRate, int spriteScale) {
  // The aimed rate, and the lowest budgets while the test draws.
  DebugOverlay = 0;
  if (Setup[kSetupFrameskip] == 1) aimedRate = 30;
  AimedFps = aimedRate;
  SpriteBudget[1] = 500;
  SpriteBudget[2] = 500;
  SpriteBudget[3] = 250;
  int best = 0;

  LogLine("Starting Engine Test");
  LogLine("Aiming for " + std::to_string(aimedRate) + "," + std::to_string(spriteScale));

  // Ever more sprites until the rate drops; the first step only warms the
  // pipeline and the smoothed rate up.
  EngineTestRunning = true;
  for (int count = kStepSprites; count <= kMaxSprites; count += kStepSprites) {
    for (int frame = 0; frame < kFramesPerStep; ++frame) {
      DrawBackdrop();
      DrawLoad(count, spriteScale);
      if (EngineTestDrawCost != nullptr) EngineTestDrawCost(count);
      FlipFrame(0);
    }
    if (count > kStepSprites) {
      if (ShownFps >= aimedRate - 2) best = count;
      if (ShownFps <= aimedRate - 2) break;
    }
  }

  EngineTestRunning = false;
  EngineTestBest = best;

  // The budgets from the best load, in the log.
  LogLine("Test Complete");
  SpriteBudget[1] = static_cast<int>(best * 0.4);
  SpriteBudget[2] = static_cast<int>(best * 0.4);
  SpriteBudget[3] = static_cast<int>(best * 0.2);
  LogLine("");
  LogLine("Engine Test Results");
  LogLine("");
  LogLine("\tMaximum Sprites Allowed for " + std::to_string(AimedFps) + " Frames Per Second");
  LogLine("\tMain sprites : " + std::to_string(SpriteBudget[1]));
  LogLine("\tGlowy Sprites : " + std::to_string(SpriteBudget[2]));
  LogLine("\tParticles : " + std::to_string(SpriteBudget[3]));
  LogLine("");

  // The floors; a machine below the main floor plays with frameskip.
  if (SpriteBudget[1] < 1000) {
    SpriteBudget[1] = 1000;
    AimedFps = 30;
    Setup[kSetupFrameskip] = 1;
  }
  if (SpriteBudget[2] < 500) SpriteBudget[2] = 500;
  if (SpriteBudget[3] < 250) SpriteBudget[3] = 250;
  if (AimedFps == 30) LogLine("Settings Overwritten, Set to Default Lower Limits at 30fps.");
  LogLine("");
  DebugOverlay = 0;
}

namespace {

// The engine test's findings, kept while another engine is measured.
struct EngineTestFindings {
  std::array<int, 20> budgets;
  int aimedFps, frameskip, best;
};
EngineTestFindings TakeFindings() {
  return {SpriteBudget, AimedFps, Setup[kSetupFrameskip], EngineTestBest};
}
void PutFindings(const EngineTestFindings& f) {
  SpriteBudget = f.budgets;
  AimedFps = f.aimedFps;
  Setup[kSetupFrameskip] = f.frameskip;
  EngineTestBest = f.best;
}

// The first start on OpenGL, after its engine test: a driver that could not
// hold the lowest budgets (the slow-system mode) is measured against the
// software engine, and the one that holds more sprites is kept.
void CompareWithSoftware(int depth, int frameskipBefore) {
  if (Setup[kSetupEngine] != 0 || frameskipBefore == 1 || Setup[kSetupFrameskip] != 1) return;
  const EngineTestFindings openGl = TakeFindings();
  LogLine("\tOpenGL could not hold the lowest budgets: measuring the software engine");
  Setup[kSetupFrameskip] = frameskipBefore;
  if (!ReopenDisplayWith(2, depth)) {
    PutFindings(openGl);
    return;
  }
  RunEngineTest(60, 2);
  if (EngineTestBest > openGl.best) {
    LogLine("\tThe software engine holds more: starting on it");
    return;
  }
  LogLine("\tOpenGL holds as much: staying on it");
  ReopenDisplayWith(0, depth);
  PutFindings(openGl);
}

}  // namespace

void RunDisplayEngineTest(const EngineTestRun& run) {
  RunEngineTest(60, 2);
  if (run.firstStart) CompareWithSoftware(run.depth, run.frameskipBefore);
}
