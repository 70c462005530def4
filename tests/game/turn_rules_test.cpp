// The round's rules played through the real frame loop on the headless host:
// the example turn, lives, picks while cards turn, held-button picks.
#include <gtest/gtest.h>

#include "framework/frame_flip.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/table_drawing.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "round_bot.h"
#include "round_fixture.h"

namespace {

int Cell(int x, int y) { return y * 10 + x; }

// The face-down partner of a shown card value.
int FaceDownCardOf(char shown) {
  for (int cell = 0; cell < 100; ++cell) {
    if (CardValue[cell] > 0 && FlipAngle[cell] == 0 && CardChar(CardValue[cell])[0] == shown) return cell;
  }
  return -1;
}

bool InPhase(Phase p) { return CurrentRound().phase == p; }

class TurnRulesTest : public RoundTest {
 protected:
  // Runs frames (no input of its own) until done() or the limit.
  bool RunUntil(const std::function<bool()>& done, int maxFrames = 5000) {
    for (int i = 0; i < maxFrames; ++i) {
      if (RoundFrame()) return done();
      if (done()) return true;
    }
    return false;
  }
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(320, 240);   // the rules do not look at pixels
  }
  void Aim(int cell) { PushPointer(CellCentreX(cell % 10), CellCentreY(cell / 10)); }
  // Aims at the cell with the button held until the card has been picked;
  // press false moves there with the button still down from before.
  bool PickCell(int cell, bool press = true) {
    Aim(cell);
    if (press) testhost::PushMouseButton(1, true);
    return RunUntil([cell] { return FlipAngle[cell] != 0; }, 20);
  }
};

TEST_F(TurnRulesTest, TableWaitsSixtyFramesThenEveryCardTurnsDown) {
  Difficulty = 1;
  StartRound();
  for (int i = 0; i < 59; ++i) RoundFrame();
  EXPECT_TRUE(InPhase(Phase::Waiting));
  RoundFrame();
  EXPECT_TRUE(InPhase(Phase::Showing));
  EXPECT_EQ(CurrentRound().waitTimer, 90);
  // Reloaded to 20 by the wait and already counted once: nothing moved
  // in the board pass of this frame.
  EXPECT_EQ(CurrentRound().cooldown, 19);
  EXPECT_EQ(FlipAngle[Cell(3, 3)], 181);
}

TEST_F(TurnRulesTest, XAndZChangeTheArtDuringTheRound) {
  DeckCount = 2;
  TableCount = 3;
  TableIndex = 3;
  Difficulty = 1;
  StartRound();
  RoundFrame();
  testhost::PushKey(88, true);
  testhost::PushKey(88, false);
  testhost::PushKey(90, true);
  testhost::PushKey(90, false);
  RoundFrame();   // the keys arrive while this frame is paced
  RoundFrame();
  EXPECT_EQ(DeckIndex, 2);
  EXPECT_EQ(TableIndex, 1);   // wrapped after the highest table
  EXPECT_EQ(CurrentDeckImage(), 0);   // deck 2 holds no file: nothing drawn, no harm
}

TEST_F(TurnRulesTest, ExampleTurnInTheRightOrder) {
  Difficulty = 0;
  StartRound();
  ASSERT_TRUE(RunUntil([] { return InPhase(Phase::Picking); }));
  const std::string shown = CurrentRound().shownSequence;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0], shown[1]);
  EXPECT_TRUE(shown == "AB" || shown == "BA") << shown;

  // The partner of the first shown card, then the partner of the second:
  // the button stays down from the first pick to the second.
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[0])));
  EXPECT_EQ(Combo, 1);
  EXPECT_EQ(Score, 1);
  EXPECT_EQ(Markers.back()->t, 2);
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[1]), false));
  EXPECT_EQ(Combo, 2);
  EXPECT_EQ(Score, 3);
  EXPECT_TRUE(InPhase(Phase::Judging));
  testhost::PushMouseButton(1, false);

  // The bonus counts this turn already: Combo 2 x TurnsJudged 1.
  ASSERT_TRUE(RunUntil([] { return CurrentRound().turnsJudged == 1; }));
  EXPECT_EQ(Score, 5);
  EXPECT_EQ(Lives, 5);
  EXPECT_EQ(Combo, 2);   // the combo carries into the next turn
}

TEST_F(TurnRulesTest, ExampleTurnInTheWrongOrderCostsALife) {
  Difficulty = 0;
  StartRound();
  ASSERT_TRUE(RunUntil([] { return InPhase(Phase::Picking); }));
  const std::string shown = CurrentRound().shownSequence;
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[1])));
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[0])));
  testhost::PushMouseButton(1, false);
  EXPECT_EQ(Combo, 0);
  EXPECT_EQ(Score, 0);
  ASSERT_EQ(Markers.size(), 2u);
  for (const auto& m : Markers) EXPECT_EQ(m->t, 1);   // both fall
  ASSERT_TRUE(RunUntil([] { return CurrentRound().turnsJudged == 1; }));
  EXPECT_EQ(Lives, 4);
  EXPECT_EQ(Score, 0);
  EXPECT_EQ(CurrentRound().endReason, 0);
}

TEST_F(TurnRulesTest, RightPicksBeforeAWrongOneKeepTheirPoints) {
  // Hard deals the third pair after two turns; a perfect start gets there.
  Difficulty = 2;
  StartRound();
  RoundBot bot(0.0, 7);
  ASSERT_GT(bot.PlayUntil([] { return CurrentRound().pairCount == 3 && InPhase(Phase::Picking); }, 20000), 0);
  const int64_t before = Score;
  const int comboBefore = Combo;
  const std::string shown = CurrentRound().shownSequence;
  ASSERT_EQ(shown.size(), 3u);
  testhost::PushMouseButton(1, false);
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[0])));
  EXPECT_EQ(Score, before + comboBefore + 1);
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[2])));   // wrong: the second shown was due
  EXPECT_EQ(Combo, 0);
  const int64_t kept = Score;
  EXPECT_EQ(kept, before + comboBefore + 1);
  ASSERT_TRUE(PickCell(FaceDownCardOf(shown[1])));   // also out of place
  testhost::PushMouseButton(1, false);
  const int judged = CurrentRound().turnsJudged;
  ASSERT_TRUE(RunUntil([judged] { return CurrentRound().turnsJudged == judged + 1; }));
  EXPECT_EQ(Score, kept);   // no bonus for the turn
  EXPECT_EQ(Lives, 0);
  EXPECT_EQ(CurrentRound().endReason, 0);   // no heart left, play goes on
}

TEST_F(TurnRulesTest, RoundEndsOnTheWrongTurnAfterTheLastLife) {
  const int wrongTurns[3] = {6, 4, 2};
  for (int d = 0; d < 3; ++d) {
    SCOPED_TRACE(d);
    Difficulty = d;
    StartRound();
    RoundBot bot(1.0, 11 + d);   // always the wrong card
    int lastLives = Lives;
    int frames = bot.PlayUntil([&] {
      // One life per judged turn, never skipping a heart.
      if (Lives != lastLives) {
        EXPECT_EQ(Lives, lastLives - 1);
        lastLives = Lives;
      }
      return false;
    }, 200000);
    EXPECT_GT(frames, 0);
    EXPECT_TRUE(bot.ended());
    EXPECT_EQ(CurrentRound().endReason, 1);
    EXPECT_EQ(CurrentRound().turnsJudged, wrongTurns[d]);
    EXPECT_EQ(Lives, -1);
    testhost::PushMouseButton(1, false);
    ClearList(Markers);
  }
}

TEST_F(TurnRulesTest, ButtonHeldBeforePickingPicksOnTheFirstPickingFrame) {
  Difficulty = 1;
  StartRound();
  ASSERT_TRUE(RunUntil([] { return CurrentRound().stepCount == 1 && InPhase(Phase::Showing); }));
  // Hold the button over the partner of the first shown card before the
  // second card is shown: that partner is the right first pick.
  const int cell = FaceDownCardOf(CurrentRound().shownSequence[0]);
  ASSERT_GE(cell, 0);
  Aim(cell);
  testhost::PushMouseButton(1, true);
  ASSERT_TRUE(RunUntil([] { return !InPhase(Phase::Showing); }));
  // The frame that ended Showing already took the pick, while the card just
  // shown was still turning up.
  EXPECT_EQ(CurrentRound().pickedSequence.size(), 1u);
  EXPECT_EQ(FlipAngle[cell], 1);
  bool otherTurning = false;
  for (int i = 0; i < 100; ++i) otherTurning |= i != cell && CardValue[i] > 0 && FlipAngle[i] > 0 && FlipAngle[i] < 180;
  EXPECT_TRUE(otherTurning);
  EXPECT_EQ(Combo, 1);
}

}  // namespace
