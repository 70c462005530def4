// The round's rules frame by frame, with the board pass's report supplied by
// the test: the pauses and random draws that pace a turn, the sound cues of
// whole turns, the score of perfect turns, and the swap partner's cooling.
#include <gtest/gtest.h>

#include <functional>

#include "game/effect_numbers.h"
#include "audio/sound_effects.h"
#include "framework/setup_file.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "round_fixture.h"

namespace {

int Cell(int x, int y) { return y * 10 + x; }
bool InPhase(Phase p) { return CurrentRound().phase == p; }

// One sound cue as the mixer saw it; card sounds (11..16) are reported as 11.
struct Cue {
  int frame, effect;
  bool operator==(const Cue&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Cue& c) { return o << "{" << c.frame << ", " << c.effect << "}"; }

class RoundPacingTest : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(160, 120);
    LoadEffectSounds();
    ::Setup[kSetupMaster] = 100;
    ::Setup[kSetupSounds] = 100;
    testhost::ClearPlayed();
  }

  // One frame of the turn rules; `moving` is what the board pass reported.
  void Frame(bool moving = false, int hover = -1) {
    bool animating = moving;
    const int judged = CurrentRound().turnsJudged;
    ApplyTurnRules(animating, hover);
    ++frame_;
    if (CurrentRound().turnsJudged != judged) judgedAt_ = frame_;
    auto played = testhost::Played();
    for (size_t i = seen_; i < played.size(); ++i) {
      int number = 0;
      for (int n = 1; n <= 20; ++n) if (EffectSounds[n] == played[i].sound) number = n;
      EXPECT_FLOAT_EQ(played[i].volume, 1.0f) << "effect " << number;
      if (number != effect::kTableFaceDown && number != effect::kSwapFirst && number != effect::kSwapLast) {
        EXPECT_FLOAT_EQ(played[i].rate, 1.0f) << "effect " << number;
      }
      if (number != effect::kTableFaceDown) {
        EXPECT_FLOAT_EQ(played[i].pan, 0.0f) << "effect " << number;
      }
      cues_.push_back({frame_, number >= effect::kCardFirst && number <= effect::kCardLast ? effect::kCardFirst : number});
    }
    seen_ = played.size();
  }
  // The card animations of the board pass, run to their end.
  static void Settle() {
    for (int i = 0; i < 100; ++i) {
      if (FlipAngle[i] > 180) FlipAngle[i] = 0;
      if (FlipAngle[i] > 0 && FlipAngle[i] < 180) FlipAngle[i] = 180;
      SlideX[i] = SlideY[i] = 0;
    }
  }
  // Still frames on a settled board until done(); the frames run, or -1.
  int Until(const std::function<bool()>& done, int limit = 5000) {
    for (int n = 1; n <= limit; ++n) {
      Frame();
      Settle();
      if (done()) return n;
    }
    return -1;
  }
  static int PartnerOf(char shown) {
    for (int c = 0; c < 100; ++c) {
      if (CardValue[c] > 0 && FlipAngle[c] == 0 && CardChar(CardValue[c])[0] == shown) return c;
    }
    return -1;
  }
  // The button held over `cell` for one frame.
  void Pick(int cell, bool moving = false) {
    testhost::PushMouseButton(1, true);
    PollSystem();
    Frame(moving, cell);
    Settle();
    testhost::PushMouseButton(1, false);
    PollSystem();
  }
  // A whole turn: picks in the shown order (or reversed), `gap` frames apart;
  // returns the frames of the picks.
  std::vector<int> PlayTurn(bool rightOrder, int gap = 15) {
    std::vector<int> picks;
    EXPECT_GT(Until([] { return InPhase(Phase::Picking); }), 0);
    std::string order = CurrentRound().shownSequence;
    if (!rightOrder) order.assign(order.rbegin(), order.rend());
    const int judged = CurrentRound().turnsJudged;
    for (char c : order) {
      Pick(PartnerOf(c));
      picks.push_back(frame_);
      if (picks.size() < order.size()) {
        for (int i = 0; i < gap - 1; ++i) Frame();
      }
    }
    if (CurrentRound().turnsJudged == judged) {   // not already judged in the last pick's frame
      EXPECT_GT(Until([judged] { return CurrentRound().turnsJudged == judged + 1; }), 0);
    }
    return picks;
  }
  // Frames (counted from 1 after `seed` was set) in which the rules' draws
  // would first come up 1, when only frames after `busy` may count.
  static int FirstHit(int seed, int lo, int hi, int busy) {
    SeedRnd(seed);
    for (int f = 1;; ++f) {
      if (Rand(lo, hi) == 1 && f > busy) return f;
    }
  }

  int frame_ = 0;
  int judgedAt_ = 0;   // the frame of the latest judgement
  size_t seen_ = 0;
  std::vector<Cue> cues_;
};

TEST_F(RoundPacingTest, ThreePerfectEasyTurnsScoreFortyNine) {
  // Picks 1+2, bonus 2x1; picks 3+4, bonus 4x2; picks 5+6, bonus 6x3.
  Difficulty = 0;
  StartRound();
  const int64_t expected[] = {5, 20, 49};
  for (int64_t score : expected) {
    PlayTurn(true);
    EXPECT_EQ(Score, score);
  }
  EXPECT_EQ(Combo, 6);
  EXPECT_EQ(Lives, 5);
}

TEST_F(RoundPacingTest, WaitsSixtyFramesThenNinetyAfterEveryTurn) {
  Difficulty = 0;
  StartRound();
  EXPECT_EQ(Until([] { return InPhase(Phase::Showing); }), 60);
  PlayTurn(true);
  ASSERT_TRUE(InPhase(Phase::Waiting));   // Easy: no new pair nor shuffle after the first turn
  Until([] { return InPhase(Phase::Showing); });
  EXPECT_EQ(frame_ - judgedAt_, 90);
}

TEST_F(RoundPacingTest, ShowingWaitsTwentyStillFramesThenDrawsOneInTen) {
  for (int seed : {1, 2, 3, 5, 8, 13, 21, 34}) {
    SCOPED_TRACE(seed);
    Difficulty = 1;
    StartRound();
    ASSERT_EQ(Until([] { return InPhase(Phase::Showing); }), 60);
    ASSERT_EQ(CurrentRound().cooldown, 19);   // reloaded to 20, counted once
    // Frames in which cards move neither count the pause down nor draw.
    SeedRnd(seed);
    for (int i = 0; i < 30; ++i) Frame(true);
    EXPECT_EQ(CurrentRound().cooldown, 19);
    EXPECT_EQ(CurrentRound().stepCount, 0);
    // Still frames each draw 1..10 and show a card on a 1 once the pause is over.
    const int expected = FirstHit(seed, 1, 10, 18);
    SeedRnd(seed);
    EXPECT_EQ(Until([] { return CurrentRound().stepCount == 1; }), expected);
    ResetCardRound();
  }
}

TEST_F(RoundPacingTest, JudgingDrawsOneInElevenEveryFrameButJudgesOnlyStillOnes) {
  for (int seed : {1, 2, 3, 5, 8, 13, 21, 34}) {
    SCOPED_TRACE(seed);
    Difficulty = 1;
    StartRound();
    ASSERT_GT(Until([] { return InPhase(Phase::Picking); }), 0);
    const std::string shown = CurrentRound().shownSequence;
    Pick(PartnerOf(shown[0]));
    Pick(PartnerOf(shown[1]), true);   // a card still turns: no judgement in this frame
    ASSERT_TRUE(InPhase(Phase::Judging));
    SeedRnd(seed);
    const int expected = FirstHit(seed, 0, 10, 6);
    SeedRnd(seed);
    int frames = 0;
    for (; frames < 6 && CurrentRound().turnsJudged == 0; ++frames) Frame(true);
    EXPECT_EQ(CurrentRound().turnsJudged, 0);
    frames += Until([] { return CurrentRound().turnsJudged == 1; });
    EXPECT_EQ(frames, expected);
    ResetCardRound();
  }
}

TEST_F(RoundPacingTest, ShufflePausesTwentyThenTwentyMinusPairsStillFramesPerSwap) {
  Difficulty = 0;   // the third turn shuffles: 2 x 2 swaps
  StartRound();
  PlayTurn(true);
  PlayTurn(true);
  PlayTurn(true);
  ASSERT_TRUE(InPhase(Phase::Shuffling));
  ASSERT_EQ(CurrentRound().turnsToShuffle, 4);
  const size_t before = cues_.size();
  std::vector<int> gaps;
  int last = judgedAt_;
  for (int n = 0; n < 200 && InPhase(Phase::Shuffling); ++n) {
    const int swapsLeft = CurrentRound().turnsToShuffle;
    Frame();
    if (CurrentRound().turnsToShuffle != swapsLeft || !InPhase(Phase::Shuffling)) {
      gaps.push_back(frame_ - last);
      last = frame_;
      // The slide that follows a swap does not count toward the next pause.
      for (int i = 0; i < 8; ++i) Frame(true);
      Settle();
    }
  }
  EXPECT_EQ(gaps, (std::vector<int>{20, 26, 26, 26}));   // 18 still + 8 moving frames
  EXPECT_TRUE(InPhase(Phase::Waiting));
  EXPECT_EQ(CurrentRound().turnsToShuffle, 3);
  std::vector<Cue> swaps(cues_.begin() + static_cast<long>(before), cues_.end());
  ASSERT_EQ(swaps.size(), 4u);
  auto played = testhost::Played();
  for (size_t i = 0; i < swaps.size(); ++i) {
    EXPECT_TRUE(swaps[i].effect == 6 || swaps[i].effect == 7) << swaps[i];
    const float rate = played[played.size() - 4 + i].rate;
    EXPECT_GE(rate, 0.7f);
    EXPECT_LT(rate, 1.3f);
  }
}

TEST_F(RoundPacingTest, SoundCuesOfARightTurnAndAWrongTurn) {
  constexpr int kCard = 11;
  Difficulty = 0;
  // The two turn-down sounds take their rate, then their pan, from the generator.
  SeedRnd(77);
  const double r1 = RndRange(0.7, 1.3), p1 = RndRange(-1, 1), r2 = RndRange(0.7, 1.3), p2 = RndRange(-1, 1);
  StartRound();
  SeedRnd(77);

  std::vector<int> picks = PlayTurn(true);
  std::vector<Cue> expected = {{60, 10}, {60, 10}};
  auto played = testhost::Played();
  ASSERT_GE(played.size(), 2u);
  EXPECT_FLOAT_EQ(played[0].rate, static_cast<float>(r1));
  EXPECT_FLOAT_EQ(played[0].pan, static_cast<float>(p1));
  EXPECT_FLOAT_EQ(played[1].rate, static_cast<float>(r2));
  EXPECT_FLOAT_EQ(played[1].pan, static_cast<float>(p2));
  ASSERT_GE(cues_.size(), 4u);
  // Each shown card sounds in its frame; the delayed cue follows the first
  // pick by PairCount + 10 - 1 frames; the last pick gets none.
  expected.push_back({cues_[2].frame, kCard});
  expected.push_back({cues_[3].frame, kCard});
  expected.push_back({picks[0], kCard});
  expected.push_back({picks[0] + 11, 3});
  expected.push_back({picks[1], kCard});
  expected.push_back({judgedAt_, 5});
  EXPECT_EQ(cues_, expected);

  const int judged = judgedAt_;
  cues_.clear();
  picks = PlayTurn(false);
  ASSERT_GE(cues_.size(), 4u);
  EXPECT_EQ(cues_[0], (Cue{judged + 90, 10}));
  expected = {{judged + 90, 10}, {judged + 90, 10}, {cues_[2].frame, kCard}, {cues_[3].frame, kCard},
              {picks[0], kCard}, {picks[0], 17}, {picks[0] + 11, 2}, {picks[1], kCard},
              {picks[1], 17}, {judgedAt_, 4}};
  EXPECT_EQ(cues_, expected);
}

TEST_F(RoundPacingTest, ACoolingCardIsNeverTheSwapPartner) {
  // The first deal with two neighbours still cooling from the last swap:
  // the only swap left is the other two cards, whichever cell is drawn.
  const int a = Cell(3, 3), b = Cell(4, 3), c = Cell(3, 4), d = Cell(4, 4);
  struct Case {
    int cool1, cool2, free1, free2;
  };
  const Case cases[] = {{a, c, b, d}, {b, d, a, c}, {a, b, c, d}, {c, d, a, b}};
  for (const Case& k : cases) {
    for (int seed = 1; seed <= 25; ++seed) {
      SCOPED_TRACE(testing::Message() << "cooling " << k.cool1 << "," << k.cool2 << " seed " << seed);
      StartRound();
      SeedRnd(seed);
      SwapCooldown[k.cool1] = SwapCooldown[k.cool2] = 2;
      const auto before = CardValue;
      SwapOnce();
      EXPECT_EQ(SwapCooldown[k.cool1], 1);
      EXPECT_EQ(SwapCooldown[k.cool2], 1);
      EXPECT_EQ(SlideX[k.cool1] + SlideY[k.cool1] + SlideX[k.cool2] + SlideY[k.cool2], 0);
      EXPECT_EQ(CardValue[k.cool1], before[k.cool1]);
      EXPECT_EQ(CardValue[k.cool2], before[k.cool2]);
      EXPECT_NE(SlideX[k.free1] + SlideY[k.free1], 0);
      EXPECT_NE(SlideX[k.free2] + SlideY[k.free2], 0);
    }
  }
  // A cooldown of 1 runs out at the start of the swap: both cards are free again.
  bool cooledCardMoved = false;
  for (int seed = 1; seed <= 25; ++seed) {
    StartRound();
    SeedRnd(seed);
    SwapCooldown[a] = SwapCooldown[c] = 1;
    SwapOnce();
    cooledCardMoved |= SlideX[a] != 0 || SlideY[a] != 0 || SlideX[c] != 0 || SlideY[c] != 0;
  }
  EXPECT_TRUE(cooledCardMoved);
}

}  // namespace
