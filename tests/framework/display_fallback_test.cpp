// The whole display set-up in-process: the crash guard from creation to
// removal, the switch away from OpenGL after a set-up that never finished,
// the other drivers tried when the chosen one opens no display, the end
// with exit code 1 (guard removed) when none does, and the first start's
// choice of the software engine where OpenGL draws on the CPU.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/sprite_budgets.h"
#include "framework/frame_flip.h"
#include "framework/game_hooks.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

namespace {

struct ProcessEnded {};
void ThrowEnded() { throw ProcessEnded{}; }

// Whether the guard existed while the set-up loaded the game's media.
int g_guardDuringLoad = -1;
void NoteGuard() { g_guardDuringLoad = FileType("crash.dat"); }
// Every frame of the engine test costs a long time: it ends after its first steps.
// Whether the guard existed while the engine test drew with the driver.
int g_guardDuringDrawing = -1;
void SlowMachine(int) {
  g_guardDuringDrawing = FileType("crash.dat");
  testhost::Advance(200);
}

constexpr int kOpenGL = 1 << kDriverOpenGL, kD3D9 = 1 << kDriverDirect3D9, kDX7 = 1 << kDriverDirectX7;

class DisplayFallbackTest : public ::testing::Test {
 protected:
  testsupport::TempFolder tree{"display-fallback", testsupport::TempFolder::kDataTree};
  GameHookTable savedHooks_ = GameHooks;

  void SetUp() override {
    tree.CopyAllCommon();
    Fresh();
  }
  // A fresh start of the platform and the framework's display state.
  void Fresh() {
    CloseLog();
    std::filesystem::remove(tree.Path() / "253/crash.dat");
    testhost::Start();
    tree.UseAsGameData();   // the platform's start forgot it
    testhost::SetEndHook(&ThrowEnded);
    ResetSetup();
    EngineNamed = true;   // the setup names the engine each case asks for
    ResetDisplaySetup();
    ResetSharedAssets();
    ResetDrawHelpers();
    ResetFrameFlip();
    GameHooks.loadMedia = &NoteGuard;   // the decks are not needed here
    EngineTestDrawCost = &SlowMachine;
    GraphicsOpen = 1;   // a set-up from the settings panel: no loading splash
    g_guardDuringLoad = -1;
    g_guardDuringDrawing = -1;
    OpenLog((tree.Path() / "Debug.txt").string());
  }
  void TearDown() override {
    GameHooks = savedHooks_;
    EngineTestDrawCost = nullptr;
    testhost::SetEndHook(nullptr);
    CloseLog();
    if (GraphicsOpenNow()) EndGraphics();
  }
  bool Guard() const { return std::filesystem::exists(tree.Path() / "253/crash.dat"); }
  std::vector<std::string> DriverLines() {
    CloseLog();
    std::vector<std::string> out;
    for (const std::string& line : tree.Lines("Debug.txt")) {
      if (line.rfind("\tUsing ", 0) == 0 || line.rfind("\tThe display could not", 0) == 0 ||
          line.rfind("\tNo display", 0) == 0 || line.rfind("\tOpenGL", 0) == 0 ||
          line.rfind("\tThe software", 0) == 0)
        out.push_back(line);
    }
    return out;
  }
};

}  // namespace

TEST_F(DisplayFallbackTest, GuardLivesOnlyDuringTheSetUpAndMovesOnlyOpenGLAway) {
  const std::string gl = "\tUsing OpenGL Driver", d3d = "\tUsing DirectX 9 Driver", dx7 = "\tUsing DirectX 7 Driver";
  struct Case {
    int engine;
    bool leftover;   // crash.dat left by a set-up that never finished
    int expectEngine;
    std::string expectLine;
  };
  const Case cases[] = {{0, false, 0, gl}, {0, true, 1, d3d}, {1, true, 1, d3d}, {2, true, 2, dx7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "engine " << c.engine << " leftover " << c.leftover);
    Fresh();
    if (c.leftover) tree.Write("253/crash.dat", std::string(1, '\0'));
    ::Setup[kSetupEngine] = c.engine;
    ApplyDisplaySettings();
    EXPECT_EQ(::Setup[kSetupEngine], c.expectEngine);
    EXPECT_EQ(DriverLines(), std::vector<std::string>{c.expectLine});
    EXPECT_EQ(g_guardDuringDrawing, 1);
    EXPECT_EQ(g_guardDuringLoad, 0);   // gone once the driver has drawn: loading files is no risk
    EXPECT_EQ(CrashGuardSwitchedEngine(), c.leftover && c.engine == 0);
    EXPECT_FALSE(Guard());             // and gone once the set-up finished
    EXPECT_EQ(GraphicsOpenNow(), 1);
  }
}

TEST_F(DisplayFallbackTest, TheOtherDriversAreTriedInTheirOrder) {
  const std::string gl = "\tUsing OpenGL Driver", d3d = "\tUsing DirectX 9 Driver", dx7 = "\tUsing DirectX 7 Driver";
  const std::string failed = "\tThe display could not be opened with that driver";
  struct Case {
    int engine, refused, expectEngine;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {0, kOpenGL, 1, {gl, failed, d3d}},
      {0, kOpenGL | kD3D9, 2, {gl, failed, d3d, failed, dx7}},
      {2, kDX7, 0, {dx7, failed, gl}},
      {1, kD3D9 | kOpenGL, 2, {d3d, failed, gl, failed, dx7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "engine " << c.engine << " refused " << c.refused);
    Fresh();
    testhost::RefuseDrivers(c.refused);
    ::Setup[kSetupEngine] = c.engine;
    ApplyDisplaySettings();
    EXPECT_EQ(::Setup[kSetupEngine], c.expectEngine);   // the driver that works is saved with the setup
    EXPECT_EQ(DriverLines(), c.lines);
    EXPECT_FALSE(Guard());
    EXPECT_EQ(GraphicsOpenNow(), 1);
  }
}

TEST_F(DisplayFallbackTest, NoDriverOpensADisplayEndsWithCodeOneAndNoGuard) {
  testhost::RefuseDrivers(kOpenGL | kD3D9 | kDX7);
  ::Setup[kSetupEngine] = 0;
  EXPECT_THROW(ApplyDisplaySettings(), ProcessEnded);
  EXPECT_EQ(testhost::LastEndCode(), 1);
  EXPECT_FALSE(Guard());   // no crash happened: the next start keeps OpenGL
  EXPECT_EQ(::Setup[kSetupEngine], 0);
  EXPECT_EQ(g_guardDuringLoad, -1);   // nothing was loaded
  const std::vector<std::string> lines = DriverLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "\tNo display could be opened; the game cannot run");
}

namespace {

// OpenGL on this machine draws too slowly for the lowest budgets; the
// software engine holds 5000 sprites a frame, or (when as slow) none.
bool g_softwareSlowToo = false;
// Every engine holds 3000 sprites: each engine test ends after a few steps.
void Holds3000(int sprites) {
  if (sprites > 3000) testhost::Advance(200);
}
void SlowOpenGl(int sprites) {
  const bool slow = ::Setup[kSetupEngine] == 0 || g_softwareSlowToo || sprites > 5000;
  if (slow) testhost::Advance(200);
}

}  // namespace

TEST_F(DisplayFallbackTest, TheFirstStartLeavesASoftwareOpenGlForTheSoftwareEngine) {
  const std::string gl = "\tUsing OpenGL Driver", dx7 = "\tUsing DirectX 7 Driver";
  const std::string llvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";
  const std::string swiftShader =
      "ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero) (0x0000C0DE)), SwiftShader driver)";
  struct Case {
    std::string renderer;
    bool named;   // Setup.ini has a GFX Engine line (the player's choice)
    int expectEngine;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {llvmpipe, false, 2,
       {gl, "\tOpenGL draws in software here (" + llvmpipe + "): starting on the software engine", dx7}},
      {"softpipe", false, 2, {gl, "\tOpenGL draws in software here (softpipe): starting on the software engine", dx7}},
      {swiftShader, false, 2,
       {gl, "\tOpenGL draws in software here (" + swiftShader + "): starting on the software engine", dx7}},
      {"NVIDIA GeForce GTX 1060/PCIe/SSE2", false, 0, {gl}},
      {"AMD Radeon RX 580 (radeonsi, polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0)", false, 0, {gl}},
      {"", false, 0, {gl}},
      {llvmpipe, true, 0, {gl}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.renderer + (c.named ? " (named)" : ""));
    Fresh();
    EngineTestDrawCost = &Holds3000;
    EngineNamed = c.named;
    testhost::ReportOpenGlRenderer(c.renderer);
    ::Setup[kSetupEngine] = 0;
    ApplyDisplaySettings();
    EXPECT_EQ(::Setup[kSetupEngine], c.expectEngine);
    EXPECT_EQ(DriverLines(), c.lines);
    EXPECT_EQ(GraphicsRenderer(), c.expectEngine == 0 ? c.renderer : "");
    EXPECT_FALSE(Guard());
    // Apply from the settings panel later in the run keeps what the player asks for.
    ::Setup[kSetupEngine] = 0;
    ApplyDisplaySettings();
    EXPECT_EQ(::Setup[kSetupEngine], 0);
  }
}

TEST_F(DisplayFallbackTest, TheFirstStartKeepsTheEngineThatHoldsMoreWhenOpenGlFallsShort) {
  const std::string card = "Mesa Intel(R) UHD Graphics 620 (KBL GT2)";
  struct Case {
    bool named, softwareSlowToo;
    int expectEngine, expectFrameskip, expectBudget;
  };
  const Case cases[] = {
      {false, false, 2, 0, 2000},    // 5000 held: 0.4 x 5000
      {false, true, 0, 1, 1000},     // as slow: OpenGL's findings, the slow-system floors
      {true, false, 0, 1, 1000},     // the player's OpenGL stands, however slow
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "named " << c.named << " software slow too " << c.softwareSlowToo);
    Fresh();
    EngineNamed = c.named;
    g_softwareSlowToo = c.softwareSlowToo;
    EngineTestDrawCost = &SlowOpenGl;
    testhost::ReportOpenGlRenderer(card);
    ::Setup[kSetupEngine] = 0;
    ::Setup[kSetupFrameskip] = 0;
    ApplyDisplaySettings();
    EXPECT_EQ(::Setup[kSetupEngine], c.expectEngine);
    EXPECT_EQ(::Setup[kSetupFrameskip], c.expectFrameskip);
    EXPECT_EQ(AimedFps, c.expectFrameskip == 1 ? 30 : 60);
    EXPECT_EQ(SpriteBudget[1], c.expectBudget);
    EXPECT_EQ(GraphicsRenderer(), c.expectEngine == 0 ? card : "");
    EXPECT_FALSE(Guard());
  }
  g_softwareSlowToo = false;
}
