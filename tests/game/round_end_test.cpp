// The end of a round: the caption, name entry, the new record at the head of
// the score list and the score file written at once; a quit from the pause
// menu is recorded as such.
#include <gtest/gtest.h>

#include "framework/frame_flip.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/scores.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "round_bot.h"
#include "round_fixture.h"

namespace {

class RoundEndTest : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(320, 240);
    scratch_.UseAsGameData("Files");   // scores.dat lands in Files/253, the working folder
    PauseState = 1;                      // as the title screen runs a round
  }
  // Timed input a little after now, as lines of an input script.
  static void At(int afterMs, const std::string& event) {
    testhost::ScriptLines(std::to_string(testhost::Clock() + afterMs) + " " + event + "\n");
  }
  std::string ScoreFile() { return scratch_.Read("Files/253/scores.dat"); }
};

TEST_F(RoundEndTest, LostRoundIsRecordedNewestFirstAndSavedAtOnce) {
  auto older = std::make_shared<Scores>();
  older->Name = "Earlier";
  older->Timestamp = 1;
  ListAddLast(ScoreList, older);

  Difficulty = 2;
  StartRound();
  RoundBot bot(0.5, 3);
  ASSERT_GT(bot.PlayToEnd(200000), 0);
  const int64_t score = Score;
  testhost::PushMouseButton(1, false);
  At(1500, "keydown 13");
  At(1550, "keyup 13");
  FinishRound();

  ASSERT_EQ(ScoreList.size(), 2u);
  const Scores& made = *ScoreList.front();
  EXPECT_EQ(ScoreList.front(), LastScore);
  EXPECT_EQ(made.Score, score);
  EXPECT_EQ(made.Name, "Player");
  EXPECT_EQ(made.GameMode, 2);
  EXPECT_EQ(made.Quit, 0);
  EXPECT_EQ(made.Badges, 0);
  EXPECT_GT(made.Timestamp, 1);
  EXPECT_EQ(PauseState, 0);

  const std::string file = ScoreFile();
  const std::string first = std::to_string(score) + "|Player|0|" + std::to_string(made.Timestamp) + "|0|2|0|0\r\n";
  EXPECT_EQ(file.substr(0, first.size()), first);
  EXPECT_NE(file.find("|Earlier|"), std::string::npos);
}

TEST_F(RoundEndTest, QuitFromThePauseMenuEndsTheRoundAndIsRecorded) {
  Difficulty = 0;
  StartRound();
  for (int i = 0; i < 30; ++i) ASSERT_FALSE(RoundFrame());
  // Escape opens the pause menu; Down picks "Quit", Space confirms.
  At(0, "keydown 27");
  At(100, "keyup 27");
  At(300, "keydown 40");
  At(350, "keyup 40");
  At(600, "keydown 32");
  At(650, "keyup 32");
  bool ended = false;
  for (int i = 0; i < 200 && !ended; ++i) ended = RoundFrame();
  ASSERT_TRUE(ended);
  EXPECT_EQ(CurrentRound().endReason, 99);
  EXPECT_EQ(Lives, 5);
  At(1500, "keydown 13");
  At(1550, "keyup 13");
  FinishRound();
  ASSERT_EQ(ScoreList.size(), 1u);
  EXPECT_EQ(ScoreList.front()->Quit, 1);
  EXPECT_EQ(ScoreList.front()->GameMode, 0);
}

}  // namespace
