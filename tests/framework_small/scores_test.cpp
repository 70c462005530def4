// The score list and "scores.dat": exact bytes, round trips, ordering, and
// every kind of damaged file the loader has to live with.
#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "framework/log.h"
#include "game/scores.h"
#include "runtime/temp_folder.h"

namespace {

class ScoreFile : public ::testing::Test {
 protected:
  void SetUp() override { ResetScores(); }
  void TearDown() override {
    ResetScores();
    ResetLog();
  }

  std::shared_ptr<Scores> Add(int64_t score, const std::string& name, int64_t stamp,
                              int mode = 1, int quit = 0) {
    auto s = std::make_shared<Scores>();
    s->Score = score;
    s->Name = name;
    s->Timestamp = stamp;
    s->GameMode = mode;
    s->Quit = quit;
    ListAddLast(ScoreList, s);
    return s;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& s : ScoreList) names.push_back(s->Name);
    return names;
  }

  TempFolder folder;
};

const std::string kZeros =
    "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0";

TEST_F(ScoreFile, BytesOnDiskNewestFirst) {
  Add(12, "Old", 1000);
  auto zq = Add(57, "ZQ", 2000);
  zq->Best[1] = 7;
  zq->Best[30] = 9;
  Add(-3, "Quitter", 1500, 2, 1);
  ASSERT_EQ(SaveScores(), 1);
  std::string best = "7|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|9";
  EXPECT_EQ(ReadBytes("scores.dat"),
            "57|ZQ|0|2000|0|1|0|0\r\n" + best + "\r\n"
            "-3|Quitter|0|1500|0|2|0|1\r\n" + kZeros + "\r\n"
            "12|Old|0|1000|0|1|0|0\r\n" + kZeros + "\r\n");
  EXPECT_EQ(FileType("scores.dat.tmp"), 0);
}

TEST_F(ScoreFile, RoundTripKeepsRecordsAndOrder) {
  for (int i = 0; i < 20; ++i) {
    auto s = Add(int64_t(i) * 1000000007LL, "P" + std::to_string(i), 62000000000LL + i % 7,
                 i % 3, i % 2);
    s->Badges = i * 3;
    s->Level = i;
    s->GameFlags = i + 1;
    for (int b = 1; b <= 30; ++b) s->Best[b] = i * 100 + b;
  }
  ASSERT_EQ(SaveScores(), 1);
  std::vector<Scores> saved;
  for (const auto& s : ScoreList) saved.push_back(*s);

  ResetScores();
  LoadScores();
  ASSERT_EQ(ScoreList.size(), saved.size());
  auto fields = [](const Scores& s) {
    return std::tie(s.Score, s.Name, s.Badges, s.Timestamp, s.Level, s.GameMode, s.GameFlags,
                    s.Quit, s.Best);
  };
  size_t i = 0;
  for (const auto& s : ScoreList) EXPECT_TRUE(fields(*s) == fields(saved[i++])) << i;
  EXPECT_EQ(PlayerName, saved.front().Name);
  EXPECT_EQ(LastScore->Name, saved.back().Name);
}

TEST_F(ScoreFile, EqualStampsKeepTheirOrder) {
  Add(1, "A", 500);
  Add(2, "B", 700);
  Add(3, "C", 500);
  Add(4, "D", 700);
  Add(5, "E", 500);
  SortScores();
  EXPECT_EQ(Names(), (std::vector<std::string>{"B", "D", "A", "C", "E"}));
  SaveScores();
  ResetScores();
  LoadScores();
  EXPECT_EQ(Names(), (std::vector<std::string>{"B", "D", "A", "C", "E"}));
}

TEST_F(ScoreFile, FarApartStampsStillOrder) {
  // Differences beyond 32 bits must not flip the order.
  Add(1, "zero", 0);
  Add(2, "now", 62370000000LL);
  Add(3, "ancient", -62370000000LL);
  Add(4, "edge", LLONG_MAX);
  Add(5, "floor", LLONG_MIN);
  SortScores();
  EXPECT_EQ(Names(), (std::vector<std::string>{"edge", "now", "zero", "ancient", "floor"}));
  Scores a, b;
  a.Timestamp = 10;
  b.Timestamp = 25;
  EXPECT_EQ(a.Compare(b), 15);
  EXPECT_EQ(b.Compare(a), -15);
  EXPECT_EQ(a.Compare(nullptr), 1);
}

TEST_F(ScoreFile, NamesAreReadBackTrimmed) {
  Add(10, "  Ann Lee \t", 5);
  SaveScores();
  EXPECT_NE(ReadBytes("scores.dat").find("|  Ann Lee \t|"), std::string::npos);
  ResetScores();
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 1u);
  EXPECT_EQ(ScoreList.front()->Name, "Ann Lee");
  EXPECT_EQ(PlayerName, "Ann Lee");
}

TEST_F(ScoreFile, NegativesAndJunkFields) {
  WriteBytes("scores.dat",
             "-57|X|-4|-99|-5|-2|-7|-1\r\n-1|2|-3|abc|$10\r\n"
             "9|Y\r\n");
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 2u);
  auto x = ScoreList.back();   // stamp -99 sorts after stamp 0
  EXPECT_EQ(x->Name, "X");
  EXPECT_EQ(x->Score, -57);      // score and stamp keep their sign
  EXPECT_EQ(x->Timestamp, -99);
  EXPECT_EQ(x->Badges, 4);       // the rest are absolute values
  EXPECT_EQ(x->Level, 5);
  EXPECT_EQ(x->GameMode, 2);
  EXPECT_EQ(x->GameFlags, 7);
  EXPECT_EQ(x->Quit, 1);
  EXPECT_EQ(x->Best[1], 1);
  EXPECT_EQ(x->Best[3], 3);
  EXPECT_EQ(x->Best[4], 0);      // text reads 0
  EXPECT_EQ(x->Best[5], 16);
  EXPECT_EQ(x->Best[6], 0);      // missing fields read 0
  auto y = ScoreList.front();
  EXPECT_EQ(y->Name, "Y");
  EXPECT_EQ(y->Timestamp, 0);
  EXPECT_EQ(y->Quit, 0);
  for (int b = 1; b <= 30; ++b) EXPECT_EQ(y->Best[b], 0);  // second line missing at the end
  EXPECT_EQ(PlayerName, "X");  // the first record of the file
}

TEST_F(ScoreFile, StrayLinesSkippedAndOutOfStepLinesTakenAsTheyCome) {
  WriteBytes("scores.dat",
             "\r\nhello\r\n"
             "5|A|0|300|0|0|0|0\r\n" + kZeros + "\r\n"
             "3|4|5|6|7|8|9|10|11\r\n"          // a Best line whose record line was lost
             "8|B|0|100|0|1|0|0\r\n" + kZeros + "\r\n");
  LoadScores();
  // The lost record's Best line becomes a record, B's first line its Best
  // line, and B's Best line a record of its own.
  ASSERT_EQ(ScoreList.size(), 3u);
  std::vector<std::string> names = Names();
  EXPECT_EQ(names, (std::vector<std::string>{"A", "4", "0"}));
  auto stray = *std::next(ScoreList.begin());
  EXPECT_EQ(stray->Score, 3);
  EXPECT_EQ(stray->Timestamp, 6);
  EXPECT_EQ(stray->Best[1], 8);
  EXPECT_EQ(stray->Best[2], 0);   // "B"
  EXPECT_EQ(stray->Best[4], 100);
}

TEST_F(ScoreFile, EmptyGarbageAndMissingFiles) {
  Add(1, "kept", 1);
  LoadScores();  // no file: the list is untouched
  EXPECT_EQ(Names(), (std::vector<std::string>{"kept"}));
  EXPECT_EQ(PlayerName, "Player");

  WriteBytes("scores.dat", "");
  LoadScores();
  EXPECT_TRUE(ScoreList.empty());
  EXPECT_EQ(PlayerName, "Player");

  std::string garbage;
  uint32_t x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    garbage.push_back(static_cast<char>(x >> 24));
  }
  WriteBytes("scores.dat", garbage);
  LoadScores();  // whatever it makes of it, it must come back
  for (const auto& s : ScoreList) {
    EXPECT_GE(s->GameMode, 0);
    EXPECT_GE(s->Quit, 0);
  }
  ASSERT_EQ(SaveScores(), 1);  // and whatever it read can be written again

  // Something that exists but can't be read must not hang the loader.
  DeleteFile("scores.dat");
  std::filesystem::create_directory("scores.dat");
  LoadScores();
  EXPECT_TRUE(ScoreList.empty());
  Add(1, "new", 1);
  EXPECT_EQ(SaveScores(), 0);  // can't replace a folder; the temporary is cleared up
  EXPECT_EQ(FileType("scores.dat"), 2);
  EXPECT_EQ(FileType("scores.dat.tmp"), 0);
}

TEST_F(ScoreFile, TenThousandRecords) {
  std::string text;
  for (int i = 0; i < 10000; ++i) {
    text += std::to_string(i) + "|N" + std::to_string(i) + "|0|" + std::to_string(i % 500) +
            "|0|" + std::to_string(i % 3) + "|0|0\r\n" + kZeros + "\r\n";
  }
  WriteBytes("scores.dat", text);
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 10000u);
  EXPECT_EQ(ScoreList.front()->Name, "N499");   // newest stamp, first in the file
  EXPECT_EQ(ScoreList.back()->Name, "N9500");   // oldest stamp, last of its equals
  ASSERT_EQ(SaveScores(), 1);
  ResetScores();
  LoadScores();
  EXPECT_EQ(ScoreList.size(), 10000u);
  EXPECT_EQ(ScoreList.front()->Name, "N499");
}

TEST_F(ScoreFile, FailedSaveKeepsTheOldFileAndIsLogged) {
  WriteBytes("scores.dat", "old file\r\n");
  std::filesystem::create_directory("scores.dat.tmp");  // the temporary can't be created
  OpenLog("Debug.txt");
  Add(1, "new", 1);
  EXPECT_EQ(SaveScores(), 0);
  CloseLog();
  EXPECT_EQ(ReadBytes("scores.dat"), "old file\r\n");
  EXPECT_EQ(ReadBytes("Debug.txt"), "\tCould not save scores.dat\r\n");
}

}  // namespace
