// Shared assets in-process: the log block, effects that exist and those that
// don't, the splash and chime on the first set-up only, font sizes by width.
#include <gtest/gtest.h>

#include "audio/sound_effects.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "game/scores.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace {

class SharedAssetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::StartHeadlessDisplay();
  }
  void TearDown() override {
    CloseLog();
    ResetSharedAssets();
    EndGraphics();
  }
};

}  // namespace

TEST_F(SharedAssetsTest, OnlyExistingEffectsAreLoggedAndLoaded) {
  testsupport::TempFolder tree("sfx", testsupport::TempFolder::kDataTree);
  tree.CopyShipped("253/002.wav");
  std::filesystem::copy_file(tree.Path() / "253/002.wav", tree.Path() / "253/001.wav");
  std::filesystem::copy_file(tree.Path() / "253/002.wav", tree.Path() / "253/005.wav");
  OpenLog((tree.Path() / "Debug.txt").string());
  GraphicsOpen = 1;   // a later set-up: no splash
  LoadSharedAssets();
  CloseLog();

  const std::vector<std::string> expected = {
      "", "Loading : Common Objects", "", "Switching to Default Folder", "", "\tDefault Fonts",
      "\tDefault Icons", "\tLogos", "\tBadgeGet", "", "Switching to Game Folder", "",
      "Loading Sound effects", "\tSFX(1)", "\tSFX(2)", "\tSFX(5)", "Sounds loaded", ""};
  EXPECT_EQ(tree.Lines("Debug.txt"), expected);
  EXPECT_NE(EffectSounds[1], 0);
  EXPECT_NE(EffectSounds[2], 0);
  EXPECT_NE(EffectSounds[5], 0);
  EXPECT_EQ(EffectSounds[3], 0);
  EXPECT_EQ(EffectSounds[4], 0);
  // Nothing in Common: every shared slot stays empty, and the working
  // folder is the game folder again.
  EXPECT_EQ(Fonts[kFontFigures], 0);
  EXPECT_EQ(IconSheet, 0);
  EXPECT_EQ(BadgeGetSound, 0);
  EXPECT_EQ(tree.Cwd(), tree.Canon("253"));
}

TEST_F(SharedAssetsTest, SplashAndChimeOnTheFirstSetUpOnly) {
  testsupport::TempFolder tree("splash", testsupport::TempFolder::kDataTree);
  tree.CopyAllCommon();
  ::Setup[kSetupMaster] = 50;
  ::Setup[kSetupSounds] = 50;
  int presents = testhost::Presents();
  testhost::ClearPlayed();
  LoadSharedAssets();
  EXPECT_EQ(GraphicsOpen, 1);
  EXPECT_EQ(testhost::Presents(), presents + 1);
  ASSERT_NE(BadgeGetSound, 0);
  auto played = testhost::Played();
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0].sound, BadgeGetSound);
  EXPECT_EQ(played[0].channel, ChannelSlots[256]);
  EXPECT_FLOAT_EQ(played[0].volume, 0.25f);

  // The striped backdrop: pure blues between 50 and 100 where no logo lies.
  testhost::Frame splash = testhost::BackBuffer();
  for (auto [x, y] : {std::pair{5, 590}, {790, 10}, {400, 590}}) {
    uint32_t p = splash.Pixel(x, y);
    EXPECT_EQ(p >> 8, 0u) << x << "," << y;
    EXPECT_GE(p & 255, 50u) << x << "," << y;
    EXPECT_LE(p & 255, 100u) << x << "," << y;
  }

  // A second set-up at another width: fonts anew, no splash, no chime.
  int oldFont = Fonts[kFontFigures];
  int tallAt800 = (SetImageFont(Fonts[kFontFigures]), TextHeight("Hg"));
  RealWidth = 1024;
  RealHeight = 768;
  LoadSharedAssets();
  EXPECT_EQ(testhost::Presents(), presents + 1);
  EXPECT_EQ(testhost::Played().size(), 1u);
  EXPECT_NE(Fonts[kFontFigures], 0);
  EXPECT_NE(Fonts[kFontFigures], oldFont);
  SetImageFont(Fonts[kFontFigures]);
  EXPECT_LT(TextHeight("Hg"), tallAt800);

  // SelectFont falls back to family 1 and size index 0 for values out of range.
  SelectFont(0, 9);
  EXPECT_EQ(GetImageFont(), SizedFonts[0]);
  SelectFont(3, -2);
  EXPECT_EQ(GetImageFont(), SizedFonts[20]);
  SelectFont(2, 8);
  EXPECT_EQ(GetImageFont(), SizedFonts[18]);
}

TEST(FontSizes, FactorsByDisplayWidth) {
  // 800 wide: 24 x 1.2 = 28.8 and 16 x 1.4 = 22.4, truncated.
  EXPECT_EQ(NamedFontSize(1, 800), 28);
  EXPECT_EQ(NamedFontSize(2, 800), 22);
  EXPECT_EQ(NamedFontSize(4, 800), 24);     // 20 x 1.2, exactly
  EXPECT_EQ(NamedFontSize(1, 1024), 24);
  EXPECT_EQ(NamedFontSize(2, 1024), 16);
  EXPECT_EQ(NamedFontSize(1, 599), 36);
  EXPECT_EQ(NamedFontSize(2, 599), 32);
  // The thresholds: 900 and more, 600 to 899, below 600.
  EXPECT_EQ(NamedFontSize(6, 900), 72);
  EXPECT_EQ(NamedFontSize(6, 899), 86);
  EXPECT_EQ(NamedFontSize(6, 600), 86);
  EXPECT_EQ(NamedFontSize(9, 599), 21);
  EXPECT_EQ(NamedFontSize(0, 800), 0);
  EXPECT_EQ(SizedFontSize(0, 800), 9);      // 8 x 1.2
  EXPECT_EQ(SizedFontSize(8, 1280), 96);
  EXPECT_EQ(SizedFontSize(8, 599), 144);
  EXPECT_EQ(SizedFontSize(12, 1280), 8);    // out of range: index 0
}

// The score file is read on the first set-up only: a later one (Apply) keeps
// the list in memory, so a round whose save failed and records the panel has
// trimmed stay as they are.
TEST_F(SharedAssetsTest, ScoresAreReadOnceAndKeptAcrossSetUps) {
  testsupport::TempFolder tree("scores-once", testsupport::TempFolder::kDataTree);
  tree.Write("253/scores.dat",
             "5|Stored|0|100|0|1|0|0\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n"
             "7|Trimmed|0|90|0|1|0|0\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n");
  GraphicsOpen = 1;
  LoadSharedAssets();
  ASSERT_EQ(ScoreList.size(), 2u);

  // A round recorded while the save failed, and a record trimmed by the panel.
  ListRemove(ScoreList, ScoreList.back());
  auto round = std::make_shared<Scores>();
  round->Name = "Unsaved";
  round->Timestamp = 200;
  ListAddLast(ScoreList, round);
  SortScores();

  LoadSharedAssets();
  std::vector<std::string> names;
  for (const auto& s : ScoreList) names.push_back(s->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Unsaved", "Stored"}));
}
