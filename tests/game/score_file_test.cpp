// The score file as the title screen's panel depends on it: what SaveScores
// writes LoadScores reads back in the same order, and damaged files load
// without harm.
#include <gtest/gtest.h>

#include <string>

#include "game/scores.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "support/temp_folder.h"
#include "title_fixture.h"

using title_test::MakeRecord;
using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

class TitleScoreFile : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start("");
    ResetScores();
  }
  void TearDown() override { ResetScores(); }
  TempFolder folder_{"scores", TempFolder::kEntered};
};

std::string Zeros30() {
  std::string s = "0";
  for (int i = 1; i < 30; ++i) s += "|0";
  return s;
}

TEST_F(TitleScoreFile, RoundTripKeepsRecordsAndOrder) {
  // Two equal stamps among others: the stable sort keeps "B" before "C".
  auto a = MakeRecord(57, 5000, 1, "ZQ");
  auto b = MakeRecord(-12, 4000, 0, "B");
  auto c = MakeRecord(99, 4000, 2, "C");
  auto d = MakeRecord(3, 100, 1, "  padded  ");
  a->Badges = 5;
  a->Quit = 1;
  a->Best[1] = 7;
  a->Best[30] = 1;
  for (auto& r : {d, b, c, a}) ListAddLast(ScoreList, r);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(FileType("scores.dat.tmp"), 0);

  std::string bytes = ReadBytes("scores.dat");
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), "57|ZQ|5|5000|0|1|0|1");

  ResetScores();
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 4u);
  std::vector<std::string> names;
  for (const auto& r : ScoreList) names.push_back(r->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"ZQ", "B", "C", "padded"}));
  const auto& first = *ScoreList.front();
  EXPECT_EQ(first.Score, 57);
  EXPECT_EQ(first.Badges, 5);
  EXPECT_EQ(first.Quit, 1);
  EXPECT_EQ(first.GameMode, 1);
  EXPECT_EQ(first.Best[1], 7);
  EXPECT_EQ(first.Best[30], 1);
  EXPECT_EQ((*std::next(ScoreList.begin()))->Score, -12);
  EXPECT_EQ(PlayerName, "ZQ");   // the newest record's name
}

TEST_F(TitleScoreFile, NegativeNumbersAndMissingFields) {
  // Score and stamp keep their sign; the other numbers are stored as absolute
  // values. A line with fields missing is neither a record nor a Best line:
  // the record before it keeps a Best line of zeros, and "10|Short" is no
  // record at all.
  WriteBytes("scores.dat",
             "-40|Neg|-3|-77|-1|-2|-4|-1\r\n-5|6|-7\r\n"
             "10|Short\r\n");
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 1u);
  auto neg = ScoreList.front();
  EXPECT_EQ(neg->Name, "Neg");
  EXPECT_EQ(neg->Score, -40);
  EXPECT_EQ(neg->Timestamp, -77);
  EXPECT_EQ(neg->Badges, 3);
  EXPECT_EQ(neg->Level, 1);
  EXPECT_EQ(neg->GameMode, 2);
  EXPECT_EQ(neg->GameFlags, 4);
  EXPECT_EQ(neg->Quit, 1);
  for (int i = 1; i <= 30; ++i) EXPECT_EQ(neg->Best[i], 0) << i;
}

TEST_F(TitleScoreFile, DamagedFilesLoadWithoutHarm) {
  // Empty file: an empty list and the start name.
  WriteBytes("scores.dat", "");
  LoadScores();
  EXPECT_TRUE(ScoreList.empty());
  EXPECT_EQ(PlayerName, "Player");

  // Lines out of step: a record line lost, so Best lines are read as records.
  WriteBytes("scores.dat", Zeros30() + "\r\n5|A|0|9|0|1|0|0\r\n" + Zeros30() + "\r\n");
  LoadScores();
  EXPECT_FALSE(ScoreList.empty());

  // Binary garbage with stray separators and NUL bytes.
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  garbage += std::string("\0|\xff|\r\n|||", 9);
  WriteBytes("scores.dat", garbage);
  LoadScores();
  SUCCEED();
}

TEST_F(TitleScoreFile, TenThousandRecords) {
  std::string text;
  for (int i = 0; i < 10000; ++i) {
    text += std::to_string(i) + "|N" + std::to_string(i) + "|0|" + std::to_string(i) + "|0|" +
            std::to_string(i % 3) + "|0|0\r\n" + Zeros30() + "\r\n";
  }
  WriteBytes("scores.dat", text);
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 10000u);
  EXPECT_EQ(ScoreList.front()->Timestamp, 9999);   // newest first
  EXPECT_EQ(ScoreList.back()->Timestamp, 0);
  EXPECT_EQ(PlayerName, "N0");                      // first record of the file
}

}  // namespace
