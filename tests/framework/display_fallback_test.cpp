// The whole display set-up in-process: the crash guard from creation to
// removal, the switch away from OpenGL after a set-up that never finished,
// the other drivers tried when the chosen one opens no display, and the end
// with exit code 1 (guard removed) when none does.
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
          line.rfind("\tNo display", 0) == 0)
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
