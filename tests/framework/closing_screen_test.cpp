// The closing screen in-process: what it saves and logs, and every way its
// wait ends, and the song fading out under the page. The process end is
// swapped for a hook that unwinds to the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/music.h"

#include "framework/closing_screen.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "game/scores.h"
#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "support/fake_host.h"
#include "support/test_host.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace {

struct ProcessEnded {};
void ThrowEnded() { throw ProcessEnded{}; }

class ClosingScreenTest : public ::testing::Test {
 protected:
  testsupport::TempFolder tree{"closing", testsupport::TempFolder::kDataTree};

  void SetUp() override {
    testsupport::StartHeadlessDisplay();
    tree.UseAsGameData();   // the platform's start forgot it
    testhost::SetEndHook(&ThrowEnded);
    ResetPads();
    tree.CopyShipped("Common/logo.png");
    tree.CopyShipped("Common/Kestrine.png");
    OpenLog((tree.Path() / "Debug.txt").string());
  }
  void TearDown() override {
    testhost::SetEndHook(nullptr);
    CloseLog();
    EndGraphics();
  }

  // Runs the closing screen; returns the virtual milliseconds its wait took.
  int RunUntilEnded() {
    int start = MilliSecs();
    bool ended = false;
    try {
      ShowClosingScreen();
    } catch (const ProcessEnded&) {
      ended = true;
    }
    EXPECT_TRUE(ended);
    return MilliSecs() - start;
  }
  void At(int afterMs, const std::string& event) {
    testhost::ScriptLines(std::to_string(testhost::Clock() + afterMs) + " " + event + "\n");
  }
};

}  // namespace

TEST_F(ClosingScreenTest, SavesLogsAndEndsOnAClick) {
  // A set-up still in progress when the player closed: an orderly exit, so
  // the crash guard must not survive it.
  tree.Write("253/crash.dat", "");
  At(30, "mousedown 1");
  const int waited = RunUntilEnded();
  EXPECT_GE(waited, 30);
  EXPECT_LT(waited, 50);

  EXPECT_EQ(tree.Read("Setup.ini").rfind("[Graphics]\r\nFullscreen = False\r\n", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists(tree.Path() / "253/scores.dat"));
  EXPECT_FALSE(std::filesystem::exists(tree.Path() / "253/crash.dat"));
  const std::vector<std::string> lines = tree.Lines("Debug.txt");
  const std::vector<std::string> expected = {"Closing Up", "", "Bye!", "", "Play again, soon!!"};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(LogStream, 0);              // closed before the end
  EXPECT_EQ(GraphicsOpenNow(), 0);
  EXPECT_EQ(tree.Cwd(), tree.Canon("Common"));
  // The logos were loaded anew with their handle at the top-left corner.
  EXPECT_NE(LogoImage, 0);
  EXPECT_NE(PartnerLogoImage, 0);
}

TEST_F(ClosingScreenTest, EveryMouseButtonAndAltF4EndTheWait) {
  for (const char* press : {"mousedown 2", "mousedown 3", "keydown 115"}) {
    ChangeDir((tree.Path() / "253").string());
    if (std::string(press) == "keydown 115") {
      testhost::PushKey(165, true);   // right Alt, held from before the page
      PollSystem();
    }
    At(20, press);
    const int waited = RunUntilEnded();
    EXPECT_GE(waited, 20) << press;
    EXPECT_LT(waited, 40) << press;
    for (int vk : {2, 3, 4, 115, 165}) testhost::PushKey(vk, false);
    testhost::PushMouseButton(2, false);
    testhost::PushMouseButton(3, false);
    PollSystem();
  }
}

// The page ends only on input that starts after it is shown. Leaving the
// title screen with Escape shows the page while Escape is still held (a
// hand lets go some 120 ms later); a click, a key or a pad button held from
// the screen before ends nothing either. A press after all that ends it.
TEST_F(ClosingScreenTest, InputHeldFromTheScreenBeforeDoesNotEndThePage) {
  At(0, "paddown a");
  testhost::PushKey(27, true);
  testhost::PushMouseButton(1, true);
  testhost::PushKey(65, true);
  PollSystem();
  ASSERT_TRUE(AnyControllerButtonHeld());
  At(120, "keyup 27");
  At(150, "mouseup 1");
  At(170, "keyup 65");
  At(200, "padup a");
  At(400, "paddown a");
  const int waited = RunUntilEnded();
  EXPECT_GE(waited, 400);
  EXPECT_LT(waited, 420);

  // A key pressed later ends it too, with the pad button still held.
  ChangeDir((tree.Path() / "253").string());
  At(300, "key 32");
  EXPECT_GE(RunUntilEnded(), 300);
}

namespace {

// The headless host, except that no 640 x 480 window can be opened.
class NoSmallWindowHost final : public ForwardingHost {
 public:
  NoSmallWindowHost() : ForwardingHost(plat::MakeHeadlessHost("")) {}
  std::unique_ptr<plat::RenderBackend> Open(int driver, int w, int h, int depth, int hertz) override {
    if (w == 640 && h == 480) return nullptr;
    return ForwardingHost::Open(driver, w, h, depth, hertz);
  }
};

}  // namespace

TEST_F(ClosingScreenTest, APageWhoseWindowFailsIsSkipped) {
  // Nothing could end the wait of a page that is not there: no key, click or
  // close request reaches a window that never opened.
  plat::SetHost(std::make_unique<NoSmallWindowHost>());
  EXPECT_LT(RunUntilEnded(), 50);
  EXPECT_EQ(GraphicsOpenNow(), 0);
  // Everything before the page still happened.
  EXPECT_TRUE(std::filesystem::exists(tree.Path() / "Setup.ini"));
  EXPECT_TRUE(std::filesystem::exists(tree.Path() / "253/scores.dat"));
  EXPECT_EQ(tree.Lines("Debug.txt").back(), "Play again, soon!!");
  EXPECT_EQ(LogStream, 0);
}

TEST_F(ClosingScreenTest, WaitsForAKeyOrACloseRequest) {
  At(400, "key 32");
  EXPECT_GE(RunUntilEnded(), 400);

  testhost::Advance(100);   // the key's release
  PollSystem();
  ChangeDir((tree.Path() / "253").string());
  At(700, "close");
  EXPECT_GE(RunUntilEnded(), 700);
}

// The song playing when the window was closed goes on under the page, ever
// quieter, over the whole fade, rather than stopping at the page's first frame.
TEST_F(ClosingScreenTest, TheSongFadesOutUnderThePage) {
  for (const auto& entry : std::filesystem::directory_iterator(testsupport::ShippedFiles() / "253/music"))
    tree.CopyShipped("253/music/" + entry.path().filename().string());
  ChangeDir((tree.Path() / "253").string());
  LoadMusicParts();
  ::Setup[kSetupMaster] = ::Setup[kSetupMusic] = 100;
  StartSong("medium", 7, 240);
  for (int i = 0; i < 100; ++i) {   // a second of it
    testhost::Advance(10);
    UpdateMusic();
  }
  ASSERT_FALSE(testhost::Played().empty());
  testhost::ClearPlayed();
  const uint32_t closed = testhost::Clock();
  At(1700, "key 32");
  RunUntilEnded();
  EXPECT_EQ(MusicPlaying, 0);
  int late = 0;
  for (const auto& note : testhost::Played()) {
    const float since = static_cast<float>(note.atMs - closed);
    late += since > 800;
    // Full volume is 1: the level falls evenly from there to silence in 1.5 s.
    EXPECT_LE(note.volume, 1.0f - since / 1500.0f + 0.03f) << since << " ms after closing";
  }
  EXPECT_GT(late, 0);
}
