// What the player keeps and sees through the framework's services: every
// setup value read back as it was saved, Tab saving the setup at once, and
// the lines of the F12 statistics.
#include <gtest/gtest.h>

#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace {

class FrameServicesTest : public testsupport::HeadlessDisplayTest {
 protected:
  testsupport::TempFolder tree{"services", testsupport::TempFolder::kDataTree};
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    tree.UseAsGameData();   // the platform's start forgot it
  }
  void TearDown() override {
    testhost::RecordTexts(false);
    HeadlessDisplayTest::TearDown();
  }
  void Hit(int vk) {
    testhost::PushKey(vk, true);
    testhost::PushKey(vk, false);
    PollSystem();
  }
};

}  // namespace

TEST_F(FrameServicesTest, EverySetupValueReadsBackAsSaved) {
  // Each stored slot gets a value of its own, so a line written from the
  // wrong slot cannot pass.
  struct Case {
    int fullscreen, engine, width, height, ess, master, sound, music, driver;
  };
  const Case cases[] = {{1, 2, 1024, 768, 1, 11, 22, 33, 2}, {0, 1, 1366, 768, 0, 100, 0, 7, 1},
                        {0, 0, 640, 480, 0, 3, 99, 100, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "master " << c.master);
    ResetSetup();
    ResetBindings();
    AudioDriverNames = {"First", "Second", "Third"};
    ::Setup[kSetupFullscreen] = c.fullscreen;
    ::Setup[kSetupEngine] = c.engine;
    ::Setup[kSetupWidth] = c.width;
    ::Setup[kSetupHeight] = c.height;
    ::Setup[kSetupFrameskip] = c.ess;
    ::Setup[kSetupMaster] = c.master;
    ::Setup[kSetupSounds] = c.sound;
    ::Setup[kSetupMusic] = c.music;
    ::Setup[kSetupAudioDriver] = c.driver;
    std::array<int, 101> bindings{};
    // Distinct codes an input can have: keys for the first sixty slots, pad codes after.
    for (int n = 1; n < 100; ++n)
      bindings[n] = Bindings[n] = n <= 60 ? 10 + 3 * n + c.master % 3 : 300 + 2 * (n - 60) + c.master % 2;
    const std::array<int, 100> saved = ::Setup;
    SaveSetup();

    ResetSetup();
    AudioDriverNames = {"First", "Second", "Third"};
    Bindings.fill(0);
    ChangeDir(tree.Path().string());
    ReadSetup();
    ChangeDir((tree.Path() / "253").string());
    for (int slot : {1, 3, 5, 6, 7, 11, 12, 13, 14}) EXPECT_EQ(::Setup[slot], saved[slot]) << "slot " << slot;
    for (int n = 1; n < 100; ++n) ASSERT_EQ(Bindings[n], bindings[n]) << "binding " << n;
    EXPECT_TRUE(AudioDriverNamed);
  }
}

TEST_F(FrameServicesTest, TabSavesTheSetupAtOnceEachTime) {
  const std::filesystem::path file = tree.Path() / "Setup.ini";
  FlipFrame(0);
  EXPECT_FALSE(std::filesystem::exists(file));   // no Tab, no file
  for (int master : {77, 66}) {
    SCOPED_TRACE(master);
    ::Setup[kSetupMaster] = master;
    const int open = SettingsOpen;
    Hit(9);
    FlipFrame(0);
    EXPECT_EQ(SettingsOpen, 1 - open);
    EXPECT_NE(tree.Read("Setup.ini").find("Master = " + std::to_string(master) + "\r\n"), std::string::npos);
    EXPECT_EQ(tree.Cwd(), tree.Canon("253"));
  }
}

TEST_F(FrameServicesTest, F12ShowsTheStatisticsLinesAndHidesThemAgain) {
  SpriteBudget[1] = 111;
  SpriteBudget[2] = 222;
  SpriteBudget[3] = 333;
  SpriteDrawn[1] = 4;
  SpriteDrawn[2] = 5;
  SpriteDrawn[3] = 6;
  ShownFps = 58;
  Fonts[kFontFigures] = 901;   // the overlay only selects the slots; any handle will do
  Fonts[kFontSmall] = 902;
  testhost::RecordTexts(true);
  Hit(123);
  FlipFrame(0);
  EXPECT_EQ(DebugOverlay, 1);
  const auto texts = testhost::Texts();
  ASSERT_EQ(texts.size(), 7u);
  struct Line {
    std::string text;
    int y, font;
  };
  const std::string memory = texts[2].text;
  const Line expected[] = {{"58", 2, 901},
                           {"Collection : " + std::to_string(GcCollected), 40, 902},
                           {memory, 60, 902},
                           {"Drawn Images : 4/111", 80, 902},
                           {"Drawn Glow : 5/222", 100, 902},
                           {"Drawn Particles : 6/333", 120, 902},
                           {"Hit F12 to remove this", 150, 902}};
  EXPECT_EQ(memory.rfind("Used Memory : ", 0), 0u) << memory;
  EXPECT_EQ(memory.find_first_not_of("0123456789", 14), std::string::npos) << memory;
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].text, expected[i].text);
    EXPECT_FLOAT_EQ(texts[i].x, 2);
    EXPECT_FLOAT_EQ(texts[i].y, static_cast<float>(expected[i].y));
    EXPECT_EQ(texts[i].font, expected[i].font) << texts[i].text;
  }
  testhost::RecordTexts(true);
  FlipFrame(0);
  EXPECT_EQ(testhost::Texts().size(), 7u);   // stays on
  testhost::RecordTexts(true);
  Hit(123);
  FlipFrame(0);
  EXPECT_EQ(DebugOverlay, 0);
  EXPECT_TRUE(testhost::Texts().empty());
}

// The striped backdrop of the title and the name entry covers the whole
// space whatever its shape: a page wider than 2:1 (a phone held sideways)
// showed a black corner at the bottom right.
TEST_F(FrameServicesTest, StripesCoverEveryCornerOfWideSpaces) {
  const struct {
    int width, height, virtualWidth;
  } kShapes[] = {{800, 600, 1280}, {1280, 720, 1707}, {1040, 480, 2080}, {1300, 480, 2600}};
  for (const auto& shape : kShapes) {
    testsupport::OpenHeadlessDisplay({.width = shape.width, .height = shape.height,
                                      .virtualWidth = shape.virtualWidth, .virtualHeight = 960, .statistics = false});
    VirtualWidth = shape.virtualWidth;
    VirtualHeight = 960;
    SetVirtualResolution(static_cast<float>(VirtualWidth), 960);
    Cls();
    DrawStripes({0, 0, 0}, {0, 0, 1});
    const testhost::Frame frame = testhost::BackBuffer();
    for (int x : {0, shape.width - 1})
      for (int y : {0, shape.height - 1})
        EXPECT_NE(frame.Pixel(x, y) & 0xFF, 0u) << shape.virtualWidth << " wide: no stripe at " << x << "," << y;
  }
}
