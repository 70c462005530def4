// Loading the numbered deck and table files, and stepping through them.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/startup.h"
#include "game/decks.h"
#include "platform/platform.h"
#include "round_fixture.h"

namespace fs = std::filesystem;

namespace {

class DecksTest : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(160, 120);   // loading runs the engine test; a small screen keeps it short
    ResetDecks();
  }
  // Copies the test deck under another name into the scratch game folder.
  void Put(const std::string& name) {
    fs::copy_file(scratch_ / "Deck_01.png", folder_ / name, fs::copy_options::overwrite_existing);
  }
  void Load() {
    const std::string back = CurrentDir();
    ASSERT_EQ(ChangeDir(folder_.Path().string()), 1);
    LoadDecks();
    ChangeDir(back);
  }
  testsupport::TempFolder folder_{"decks"};
};

TEST_F(DecksTest, GapsAreSkippedAndCountsAreTheHighestNumberFound) {
  Put("Deck_01.png");
  Put("Deck_03.png");
  Put("BG_02.png");
  Put("Deck_26.png");   // only 01..25 are looked at
  fs::copy_file(scratch_ / "heart.png", folder_ / "heart.png");
  Load();
  EXPECT_EQ(DeckCount, 3);
  EXPECT_NE(DeckImages[1], 0);
  EXPECT_EQ(DeckImages[2], 0);
  EXPECT_NE(DeckImages[3], 0);
  EXPECT_EQ(ImageFrames(DeckImages[1]), 25);
  EXPECT_EQ(TableCount, 2);
  EXPECT_EQ(TableImages[1], 0);
  EXPECT_NE(TableImages[2], 0);
  EXPECT_NE(HeartImage, 0);
  EXPECT_EQ(TitleImage, 0);

  // The empty deck 2 can still be chosen; stepping wraps after the highest.
  DeckIndex = 1;
  StepDeck();
  EXPECT_EQ(DeckIndex, 2);
  EXPECT_EQ(CurrentDeckImage(), 0);
  StepDeck();
  StepDeck();
  EXPECT_EQ(DeckIndex, 1);
  TableIndex = 2;
  StepTable();
  EXPECT_EQ(TableIndex, 1);
}

TEST_F(DecksTest, NoFilesKeepTheCountsAndXStillLandsOnOne) {
  Load();
  EXPECT_EQ(DeckCount, 0);
  EXPECT_EQ(TableCount, 0);
  DeckIndex = 1;
  StepDeck();
  EXPECT_EQ(DeckIndex, 1);
  // A later pass without files keeps what an earlier pass found.
  Put("Deck_02.png");
  Load();
  fs::remove(folder_ / "Deck_02.png");
  Load();
  EXPECT_EQ(DeckCount, 2);
  EXPECT_NE(DeckImages[2], 0);
}

TEST_F(DecksTest, ReloadingReleasesTheImagesItReplaces) {
  // Every display set-up loads the art again; memory must not grow with it.
  Put("Deck_01.png");
  Put("BG_01.png");
  Load();
  const int64_t after1 = GCMemAlloced();
  Load();
  EXPECT_EQ(GCMemAlloced(), after1);
  EXPECT_NE(ImageWidth(DeckImages[1]), 0);
}

}  // namespace
