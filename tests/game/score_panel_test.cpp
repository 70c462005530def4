// The high-score panel: ranking into 25 slots, trimming of old records,
// hover and click choice, scrolling by hovering, and the score popups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "framework/frame_flip.h"
#include "game/card_round.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "title_fixture.h"

using title_test::MakeRecord;

namespace {

constexpr int W = 1280, H = 960;

class ScorePanel : public ::testing::Test {
 protected:
  void SetUp() override {
    title_test::StartTitleDisplay();
    MouseXNow = MouseYNow = -1000;   // pointer away from the panel
  }
  void TearDown() override {
    ResetScorePanel();
    ResetScores();
  }
  // Appends newest-last input and sorts as the round does (newest first).
  void Add(int64_t score, int64_t stamp, int mode, const std::string& name = "P") {
    ListAddLast(ScoreList, MakeRecord(score, stamp, mode, name));
    SortScores();
  }
  std::vector<int64_t> TopStamps() const {
    std::vector<int64_t> out;
    for (int k = 1; k <= 25; ++k) {
      if (TopScores[k]) out.push_back(TopScores[k]->Timestamp);
    }
    return out;
  }
  void PressLeft(bool down) {
    testhost::PushMouseButton(1, down);
    PollSystem();
  }
};

TEST_F(ScorePanel, EmptyListShowsFrameOnly) {
  Add(5, 1, 0);   // another difficulty
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(TopScores[1], nullptr);
  EXPECT_EQ(PanelShown, nullptr);
  EXPECT_EQ(ScoreList.size(), 1u);
}

TEST_F(ScorePanel, RankingOrdersByScoreNewerFirstAmongEquals) {
  Add(10, 1, 1, "old ten");
  Add(30, 2, 1, "thirty");
  Add(10, 3, 1, "new ten");
  Add(50, 4, 2, "other difficulty");
  Add(-5, 5, 1, "negative");
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(TopStamps(), (std::vector<int64_t>{2, 3, 1, 5}));
}

TEST_F(ScorePanel, RecordsOfOtherLevelOrFlagsDoNotMatch) {
  Add(10, 1, 1);
  ScoreList.front()->Level = 1;
  Add(20, 2, 1);
  ScoreList.front()->GameFlags = 1;
  Add(30, 3, 1);
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(TopStamps(), (std::vector<int64_t>{3}));
}

TEST_F(ScorePanel, TwentySixthBetterRecordPushesTheLastOut) {
  for (int i = 1; i <= 25; ++i) Add(100 + i, i, 0);
  DrawScorePanel(320, 0, 0, 0);
  EXPECT_EQ(TopScores[25]->Score, 101);
  Add(102, 26, 0);   // beats the 25th (101), ties the 24th
  DrawScorePanel(320, 0, 0, 0);
  EXPECT_EQ(TopScores[25]->Score, 102);
  EXPECT_EQ(TopScores[24]->Timestamp, 26);   // newer of the two 102s ranks higher
  EXPECT_EQ(TopScores[25]->Timestamp, 2);
  // A worse 27th record is not ranked at all.
  Add(1, 27, 0);
  DrawScorePanel(320, 0, 0, 0);
  for (int k = 1; k <= 25; ++k) EXPECT_NE(TopScores[k]->Timestamp, 27);
}

TEST_F(ScorePanel, ExtremeScoresDoNotBreakTheGraph) {
  Add(std::numeric_limits<int64_t>::max(), 1, 1);
  Add(std::numeric_limits<int64_t>::min(), 2, 1);
  Add(0, 3, 1);
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(TopScores[1]->Score, std::numeric_limits<int64_t>::max());
  EXPECT_EQ(TopScores[3]->Score, std::numeric_limits<int64_t>::min());
}

// Sixty records of one difficulty: the ten oldest go unless among the best 25.
TEST_F(ScorePanel, TrimsBeyondTheFiftiethNewestUnlessRanked) {
  // Stamps 1..60 (60 newest). The oldest ten score 1000+ for stamps 1..3 so
  // they stay ranked; the rest score by stamp.
  for (int stamp = 1; stamp <= 60; ++stamp) Add(stamp <= 3 ? 1000 + stamp : stamp, stamp, 1);
  DrawScorePanel(320, 1, 0, 0);
  std::set<int64_t> left;
  for (const auto& r : ScoreList) left.insert(r->Timestamp);
  EXPECT_EQ(left.size(), 53u);
  for (int64_t stamp : {1, 2, 3}) EXPECT_TRUE(left.count(stamp)) << stamp;
  for (int64_t stamp = 4; stamp <= 10; ++stamp) EXPECT_FALSE(left.count(stamp)) << stamp;
  // A second frame trims nothing more: the survivors are ranked or recent.
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(ScoreList.size(), 53u);
}

// The best 25 are kept however old: here they are the 25 oldest of 76, all
// beyond the 50 newest, and the 25th best is kept as surely as the best.
// Only the one old record that is not among them goes.
TEST_F(ScorePanel, TrimmingKeepsTheTwentyFiveBestHoweverOld) {
  for (int stamp = 1; stamp <= 76; ++stamp) Add(stamp == 1 ? 1 : (stamp <= 26 ? 1000 + stamp : stamp), stamp, 2);
  DrawScorePanel(320, 2, 0, 0);
  std::set<int64_t> left;
  for (const auto& r : ScoreList) left.insert(r->Timestamp);
  EXPECT_EQ(left.size(), 75u);
  EXPECT_FALSE(left.count(1));
  for (int64_t stamp = 2; stamp <= 26; ++stamp) EXPECT_TRUE(left.count(stamp)) << stamp;
  ASSERT_NE(TopScores[25], nullptr);
  EXPECT_EQ(TopScores[25]->Timestamp, 2);
}

// A hundred records of mixed difficulties: only the shown difficulty is trimmed.
TEST_F(ScorePanel, TrimmingTouchesOnlyTheShownDifficulty) {
  for (int stamp = 1; stamp <= 100; ++stamp) Add((stamp * 37) % 101, stamp, stamp % 3 == 0 ? 2 : 0);
  auto count = [](int mode) {
    return std::count_if(ScoreList.begin(), ScoreList.end(),
                         [mode](const auto& r) { return r->GameMode == mode; });
  };
  int easy = static_cast<int>(count(0));   // 67
  int hard = static_cast<int>(count(2));   // 33: never more than 50, nothing to trim
  DrawScorePanel(320, 2, 0, 0);
  EXPECT_EQ(count(2), hard);
  EXPECT_EQ(count(0), easy);

  // Collect what should survive among the Easy records: the 50 newest, plus
  // the best 25 by score (newer first among equals).
  std::vector<std::shared_ptr<Scores>> easyList;
  for (const auto& r : ScoreList) {
    if (r->GameMode == 0) easyList.push_back(r);
  }
  std::set<Scores*> keep;
  for (size_t i = 0; i < easyList.size() && i < 50; ++i) keep.insert(easyList[i].get());
  auto ranked = easyList;
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a->Score > b->Score; });
  for (size_t i = 0; i < 25; ++i) keep.insert(ranked[i].get());

  DrawScorePanel(320, 0, 0, 0);
  EXPECT_EQ(count(2), hard);
  std::set<Scores*> left;
  for (const auto& r : ScoreList) {
    if (r->GameMode == 0) left.insert(r.get());
  }
  EXPECT_EQ(left, keep);
}

TEST_F(ScorePanel, HoverShowsAndClickChoosesAColumn) {
  for (int stamp = 1; stamp <= 3; ++stamp) Add(stamp * 10, stamp, 1);
  // The newest record's column is centred on gx = W + 306 - 320 = W - 14 + ...
  int gx = W + 306 - 320;
  MouseXNow = gx;
  MouseYNow = H - 100;
  DrawScorePanel(320, 1, 0, 0);
  ASSERT_NE(PanelShown, nullptr);
  EXPECT_EQ(PanelShown->Timestamp, 3);
  EXPECT_EQ(LastScore, PanelShown);
  EXPECT_EQ(PanelChoice, 0);

  // Second column, clicked: it stays chosen once the pointer leaves.
  MouseXNow = gx - 18;
  PressLeft(true);
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(PanelChoice, 2);
  PressLeft(false);
  MouseXNow = MouseYNow = -1000;
  DrawScorePanel(320, 1, 0, 0);
  ASSERT_NE(PanelShown, nullptr);
  EXPECT_EQ(PanelShown->Timestamp, 2);

  // A best-list row under the pointer replaces the clicked record while it stays.
  MouseXNow = W - 6 - 320 + 10;
  MouseYNow = H - 436 + 5;   // row 1: the best score, stamp 3
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(PanelShown->Timestamp, 3);
  EXPECT_EQ(PanelChoice, 2);
  PressLeft(true);
  DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(PanelChoice, 1001);
  PressLeft(false);
}

TEST_F(ScorePanel, HoveringAtTheEndsScrollsWithinLimits) {
  Add(1, 1, 1);
  MouseXNow = W - 12 - 320 + 5;
  MouseYNow = H - 100;
  for (int i = 0; i < 200; ++i) DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(PanelScroll, 1000);
  MouseXNow = W + 270 - 320 + 30;
  for (int i = 0; i < 200; ++i) DrawScorePanel(320, 1, 0, 0);
  EXPECT_EQ(PanelScroll, 0);
}

TEST_F(ScorePanel, PopupsAddToTheScoreRiseAndExpire) {
  Score = 10;
  AddPopup(5, 100.0f, 200.0f, 255, 0, 0);
  EXPECT_EQ(Score, 15);
  ASSERT_EQ(PopupList.size(), 1u);
  auto popup = PopupList.front();
  EXPECT_EQ(popup->t, 120);
  for (int i = 0; i < 119; ++i) DrawPopups();
  ASSERT_EQ(PopupList.size(), 1u);
  EXPECT_EQ(popup->t, 1);
  EXPECT_FLOAT_EQ(popup->y, 200.0f - 119 * 0.25f);
  DrawPopups();
  EXPECT_TRUE(PopupList.empty());
}

}  // namespace
