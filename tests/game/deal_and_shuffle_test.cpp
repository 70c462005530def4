// New pairs and shuffles: their schedule over many turns, the number of
// swaps, the table staying one connected group around the first deal, and
// the placement and swap routines on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "framework/startup.h"
#include "game/decks.h"
#include "game/card_round.h"
#include "platform/platform.h"
#include "round_bot.h"
#include "round_fixture.h"

namespace {

int Cell(int x, int y) { return y * 10 + x; }

// Cards only in columns and rows 1..6, forming one group of orthogonal neighbours.
::testing::AssertionResult OneGroupInTheArea() {
  std::vector<int> cards;
  for (int c = 0; c < 100; ++c) {
    if (CardValue[c] <= 0) continue;
    int x = c % 10, y = c / 10;
    if (x < 1 || x > 6 || y < 1 || y > 6) return ::testing::AssertionFailure() << "card outside the area at " << c;
    cards.push_back(c);
  }
  if (cards.empty()) return ::testing::AssertionSuccess();
  std::vector<bool> seen(100, false);
  std::vector<int> todo{cards.front()};
  seen[cards.front()] = true;
  size_t reached = 0;
  while (!todo.empty()) {
    int c = todo.back();
    todo.pop_back();
    ++reached;
    for (int n : {c - 1, c + 1, c - 10, c + 10}) {
      if (n >= 0 && n < 100 && !seen[n] && CardValue[n] > 0 && std::abs(n % 10 - c % 10) <= 1) {
        seen[n] = true;
        todo.push_back(n);
      }
    }
  }
  if (reached != cards.size()) return ::testing::AssertionFailure() << reached << " of " << cards.size() << " cards connected";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EveryValueTwice(int pairCount) {
  std::map<int, int> count;
  for (int v : CardValue) if (v > 0) ++count[v];
  for (int v = 1; v <= pairCount; ++v) {
    if (count[v] != 2) return ::testing::AssertionFailure() << "value " << v << " on " << count[v] << " cards";
  }
  if (static_cast<int>(count.size()) != pairCount) return ::testing::AssertionFailure() << count.size() << " values";
  return ::testing::AssertionSuccess();
}

bool CentreHeld() {
  return CardValue[Cell(3, 3)] > 0 && CardValue[Cell(4, 3)] > 0 && CardValue[Cell(3, 4)] > 0 &&
         CardValue[Cell(4, 4)] > 0;
}

// A swap made in this frame leaves two cells at a full slide offset.
bool SwapThisFrame() {
  for (int c = 0; c < 100; ++c) {
    if (std::abs(SlideX[c]) == 96 || std::abs(SlideY[c]) == 128) return true;
  }
  return false;
}

struct TurnRecord {
  int turn;
  int pairsBefore;
  Phase after;      // phase right after the judgement
  int swaps = 0;    // swaps made by the shuffle that followed, if any
};

class DealAndShuffleTest : public RoundTest {
 protected:
  // Plays `turns` perfect turns, checking the table in every frame.
  std::vector<TurnRecord> PlayTurns(int difficulty, int turns) {
    Difficulty = difficulty;
    StartRound();
    RoundBot bot(0.0, 100 + difficulty);
    std::vector<TurnRecord> record;
    int judged = 0, pairs = CurrentRound().pairCount;
    bool checked = true, shuffling = false;
    bot.PlayUntil([&] {
      const RoundState& r = CurrentRound();
      if (!CentreHeld() || !OneGroupInTheArea() ||
          (r.phase != Phase::AddingSecond && !EveryValueTwice(r.pairCount))) {
        checked = false;
        return true;
      }
      if (r.turnsJudged != judged) {
        judged = r.turnsJudged;
        record.push_back({judged, pairs, r.phase});
      }
      // The last swap of a shuffle hands over to Waiting in its own frame.
      if (!record.empty() && shuffling && SwapThisFrame()) ++record.back().swaps;
      if (r.phase == Phase::Shuffling && r.turnsToShuffle == 0) checked = false;   // would never end
      shuffling = r.phase == Phase::Shuffling;
      pairs = r.pairCount;
      return judged == turns && r.phase == Phase::Waiting;
    }, 400000);
    EXPECT_TRUE(checked) << OneGroupInTheArea() << EveryValueTwice(CurrentRound().pairCount);
    EXPECT_FALSE(bot.ended());
    EXPECT_EQ(Lives, DifficultyValues(difficulty).lives);
    return record;
  }

  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(160, 120);   // the rules do not care how big the window is
  }
};

// A pair every PairInterval turns up to 18 pairs, a shuffle every
// ShuffleInterval turns otherwise; a pair due with a shuffle wins and
// restarts the shuffle count. Shuffles make 2 x PairCount swaps, at most 20.
void CheckSchedule(const std::vector<TurnRecord>& turns, int difficulty) {
  const DifficultyRow row = DifficultyValues(difficulty);
  for (const TurnRecord& t : turns) {
    SCOPED_TRACE(t.turn);
    bool pairDue = t.turn % row.pairInterval == 0 && t.pairsBefore < 18;
    // After the last pair the shuffle count runs from that pair's turn.
    bool shuffleDue = t.turn % row.shuffleInterval == 0;
    if (pairDue) {
      EXPECT_EQ(t.after, Phase::AddingFirst);
      EXPECT_EQ(t.swaps, 0);
    } else if (shuffleDue) {
      EXPECT_EQ(t.after, Phase::Shuffling);
      EXPECT_EQ(t.swaps, std::min(2 * t.pairsBefore, 20));
    } else {
      EXPECT_EQ(t.after, Phase::Waiting);
    }
  }
}

TEST_F(DealAndShuffleTest, EasyScheduleOverTwelveTurns) {
  auto turns = PlayTurns(0, 12);
  ASSERT_EQ(turns.size(), 12u);
  CheckSchedule(turns, 0);
  EXPECT_EQ(CurrentRound().pairCount, 4);
}

TEST_F(DealAndShuffleTest, MediumScheduleOverTwelveTurns) {
  auto turns = PlayTurns(1, 12);
  ASSERT_EQ(turns.size(), 12u);
  CheckSchedule(turns, 1);
  EXPECT_EQ(CurrentRound().pairCount, 5);
}

TEST_F(DealAndShuffleTest, HardFillsTheTableAndStopsDealingAtEighteenPairs) {
  auto turns = PlayTurns(2, 38);
  ASSERT_EQ(turns.size(), 38u);
  CheckSchedule(turns, 2);
  EXPECT_EQ(CurrentRound().pairCount, 18);
  int cards = 0;
  for (int v : CardValue) cards += v > 0;
  EXPECT_EQ(cards, 36);
  // Past the full table every turn shuffles with 20 swaps.
  for (size_t i = 34; i < turns.size(); ++i) {
    EXPECT_EQ(turns[i].after, Phase::Shuffling);
    EXPECT_EQ(turns[i].swaps, 20);
  }
}

TEST_F(DealAndShuffleTest, DealtCardsGrowOneGroupUntilTheAreaIsFull) {
  for (int seed = 1; seed <= 20; ++seed) {
    SeedRnd(seed);
    StartRound();
    SeedRnd(seed);
    for (int v = 3; v <= 18; ++v) {
      PlaceDealtCard(v);
      PlaceDealtCard(v);
      ASSERT_TRUE(OneGroupInTheArea());
    }
    ASSERT_TRUE(EveryValueTwice(18));
    for (int y = 1; y <= 6; ++y)
      for (int x = 1; x <= 6; ++x) ASSERT_GT(CardValue[Cell(x, y)], 0);
  }
}

TEST_F(DealAndShuffleTest, SwapsExchangeNeighboursAndStartFromTheOldPlaces) {
  // The bare first deal is the tightest case for the swap search to end;
  // a half-full table lets swaps reach the edge columns and rows.
  for (int pairs : {2, 10}) {
    SCOPED_TRACE(pairs);
    SeedRnd(5);
    StartRound();
    for (int v = 3; v <= pairs; ++v) {
      PlaceDealtCard(v);
      PlaceDealtCard(v);
    }
    for (int i = 0; i < 1000; ++i) {
      auto before = CardValue;
      SlideX.fill(0);
      SlideY.fill(0);
      SwapOnce();
      // Equal values may swap invisibly; the slides show which two moved.
      std::vector<int> moved;
      for (int c = 0; c < 100; ++c) if (SlideX[c] != 0 || SlideY[c] != 0) moved.push_back(c);
      ASSERT_EQ(moved.size(), 2u);
      for (int c : moved) {
        ASSERT_TRUE((std::abs(SlideX[c]) == 96 && SlideY[c] == 0) || (SlideX[c] == 0 && std::abs(SlideY[c]) == 128));
        int from = c + SlideX[c] / 96 + SlideY[c] / 128 * 10;   // where its card was drawn before
        ASSERT_TRUE(std::find(moved.begin(), moved.end(), from) != moved.end());
        ASSERT_EQ(CardValue[c], before[from]);
        ASSERT_GE(SwapCooldown[c], 1);
        ASSERT_LE(SwapCooldown[c], 2);
      }
      for (int c = 0; c < 100; ++c) {
        if (std::find(moved.begin(), moved.end(), c) == moved.end()) {
          ASSERT_EQ(CardValue[c], before[c]);
        }
      }
      ASSERT_TRUE(CentreHeld());
      ASSERT_TRUE(EveryValueTwice(pairs));
    }
  }
}

}  // namespace
