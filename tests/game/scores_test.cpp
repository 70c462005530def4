// The score list and "scores.dat": exact bytes, round trips, ordering, and
// every kind of damaged file the loader has to live with.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <fstream>
#include <functional>
#include <random>
#include <tuple>

#include "framework/frame_flip.h"
#include "framework/log.h"
#include "game/scores.h"
#include "support/hang_guard.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

class ScoreFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScores();
    ResetFrameFlip();
  }
  void TearDown() override {
    ResetScores();
    ResetFrameFlip();
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

  TempFolder folder{"scores", TempFolder::kDataTree};
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
             "-57|X|-4|-99|-5|-2|-7|-1\r\n-1|2|-3|0|16|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|-9\r\n"
             "9|Y\r\n"                        // not a record: two fields
             "4|Z|0|50|0|1|0|0\r\n"
             "-1|2|-3|abc|$10\r\n");           // not a Best line: Z is no whole record
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 1u);
  auto x = ScoreList.back();
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
  EXPECT_EQ(x->Best[5], 16);
  EXPECT_EQ(x->Best[30], 9);
  EXPECT_EQ(PlayerName, "X");  // the first record of the file
}

// A number field that is empty, blank or only a sign holds no number: such
// a line is no record (no phantom round of score 0 dated 0), and such a
// Best line is no Best line.
TEST_F(ScoreFile, EmptyOrSignOnlyNumbersMakeNoRecord) {
  const std::string lines[] = {
      "|Ghost|0|5|0|1|0|0", "5|Ghost||5|0|1|0|0",   "5|Ghost|0||0|1|0|0", "5|Ghost|0|5| |1|0|0",
      "5|Ghost|0|5|0||0|0", "5|Ghost|0|5|0|1|0|",   "-|Ghost|0|5|0|1|0|0", "5|Ghost|0|+|0|1|0|0",
      "5|Ghost|0|5|0|1| - |0", "|Ghost||||||",
  };
  for (const std::string& line : lines) {
    WriteBytes("scores.dat", line + "\r\n" + kZeros + "\r\n4|Real|0|9|0|1|0|0\r\n" + kZeros + "\r\n");
    LoadScores();
    EXPECT_EQ(Names(), std::vector<std::string>{"Real"}) << line;
  }
  // Best lines of 1..30 with one field emptied or only a sign.
  for (const std::string hole : {"", "-", " + "}) {
    std::string best;
    for (int b = 1; b <= 30; ++b) best += (b == 17 ? hole : std::to_string(b)) + (b < 30 ? "|" : "");
    WriteBytes("scores.dat", "4|Real|0|9|0|1|0|0\r\n" + best + "\r\n");
    LoadScores();
    // Not read as its Best line: the record's pair is not whole, so it is
    // no record (the file as it was is kept aside).
    EXPECT_TRUE(ScoreList.empty()) << "'" << hole << "'";
  }
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

  // Out of step from the first line: a record line lost, its Best line is
  // no record, and the record after it is read with its own Best line.
  WriteBytes("scores.dat", kZeros + "\r\n5|A|0|9|0|1|0|0\r\n" + kZeros + "\r\n");
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 1u);
  EXPECT_EQ(ScoreList.front()->Name, "A");
  EXPECT_EQ(ScoreList.front()->Timestamp, 9);
  EXPECT_EQ(PlayerName, "A");

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

  // Something that exists but can't be read must not hang the loader; the
  // list stays as it was and nothing is saved over it.
  DeleteFile("scores.dat");
  std::filesystem::create_directory("scores.dat");
  ClearList(ScoreList);
  Add(1, "kept", 1);
  LoadScores();
  EXPECT_EQ(Names(), (std::vector<std::string>{"kept"}));
  EXPECT_EQ(SaveScores(), 0);
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
  EXPECT_EQ(PlayerName, "N0");                  // the first record of the file
  ASSERT_EQ(SaveScores(), 1);
  ResetScores();
  LoadScores();
  EXPECT_EQ(ScoreList.size(), 10000u);
  EXPECT_EQ(ScoreList.front()->Name, "N499");
}

TEST_F(ScoreFile, FailedSaveKeepsTheOldFileAndIsLogged) {
  const std::string old = "5|old|0|5|0|1|0|0\r\n" + kZeros + "\r\n";
  WriteBytes("scores.dat", old);
  OpenLog("Debug.txt");
  LoadScores();
  Add(1, "new", 1);
  {
    FileSizeLimit full(120);   // the new file can't be written whole; the log's line fits
    EXPECT_EQ(SaveScores(), 0);
  }
  CloseLog();
  EXPECT_EQ(ReadBytes("scores.dat"), old);
  EXPECT_EQ(ReadBytes("Debug.txt"), "\tCould not save scores.dat\r\n");
}

// ---------------------------------------------------------------- damaged files
// Five rounds as SaveScores writes them, every Best line different, so a
// record paired with the wrong Best line shows.
std::string GoodFile(const std::string& end = "\r\n") {
  std::string text;
  for (int i = 0; i < 5; ++i) {
    text += std::to_string(100 + i) + "|Name" + std::to_string(i) + "|0|" + std::to_string(9000 - i) + "|0|" +
            std::to_string(i % 3) + "|0|" + std::to_string(i % 2) + end;
    for (int b = 1; b <= 30; ++b) text += std::to_string(i * 1000 + b) + (b < 30 ? "|" : "");
    text += end;
  }
  return text;
}

std::vector<std::string> FileLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const auto& line : lines) text += line + end;
  return text;
}

// A write that stops part-way (a full disk, a short write) leaves the
// rounds already on disk exactly as they were, with nothing beside them.
TEST_F(ScoreFile, ASaveCutShortLeavesThePreviousFileAsItWas) {
  WriteBytes("scores.dat", GoodFile());
  LoadScores();
  Add(7, "new", 99999);
  std::string failure = RunWithFileSizeLimit(300, [] {
    return SaveScores() == 0 ? std::string() : std::string("a save cut short was taken for a whole one");
  });
  EXPECT_EQ(failure, "");
  EXPECT_EQ(ReadBytes("scores.dat"), GoodFile());
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"scores.dat", "scores.dat.lock"}));   // the lock stays
}

TEST_F(ScoreFile, AStrayLineAnywhereLosesNoRecord) {
  const std::string good = GoodFile();
  const std::vector<std::string> lines = FileLines(good);
  for (const std::string stray : {"junk|line", "12|Bob", "5|", "", "hello", "1|2|3", "7|Eve|0|1|0|1|0"}) {
    for (size_t at = 0; at <= lines.size(); ++at) {
      std::vector<std::string> damaged = lines;
      damaged.insert(damaged.begin() + static_cast<long>(at), stray);
      ResetScores();
      WriteBytes("scores.dat", JoinLines(damaged));
      LoadScores();
      ASSERT_EQ(SaveScores(), 1);
      // Every good record, Best line and all, is back; the stray line is not
      // (a blank line mends nothing: the file stays as it is then).
      EXPECT_EQ(ScoreFileText(), good) << "'" << stray << "' before line " << at;
      EXPECT_EQ(ReadBytes("scores.dat"), stray.empty() ? JoinLines(damaged) : good) << "'" << stray << "' before line " << at;
      EXPECT_EQ(PlayerName, "Name0");
    }
  }
}

TEST_F(ScoreFile, LoneCrAndLoneLfEndLines) {
  const std::string good = GoodFile();
  for (const std::string end : {"\r", "\n", "\r\r\n"}) {
    ResetScores();
    WriteBytes("scores.dat", GoodFile(end));
    LoadScores();
    EXPECT_EQ(ScoreList.size(), 5u) << end.size();
    EXPECT_EQ(ScoreFileText(), good);   // written back with CR LF by the next save of a change
  }
}

TEST_F(ScoreFile, NumbersAreHeldInTheirRangesAndNamesCleaned) {
  WriteBytes("scores.dat",
             "100000000000000000000000000|Big|99999999999|99999999999999999999|0|-2|0|-1\r\n"
             "1000000000000|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|-2147483648\r\n"
             "-100000000000000000000000000|A\x01" "B\x7f|0|-99999999999999999999|0|1|0|0\r\n" +
                 kZeros + "\r\n");
  LoadScores();
  ASSERT_EQ(ScoreList.size(), 2u);
  auto big = ScoreList.front();
  EXPECT_EQ(big->Score, LLONG_MAX);           // not a wrapped, negative number
  EXPECT_EQ(big->Timestamp, LLONG_MAX);
  EXPECT_EQ(big->Badges, INT_MAX);
  EXPECT_EQ(big->GameMode, 2);                // difficulties are 0..2
  EXPECT_EQ(big->Quit, 1);
  EXPECT_EQ(big->Best[1], INT_MAX);
  EXPECT_EQ(big->Best[30], INT_MAX);
  auto low = ScoreList.back();
  EXPECT_EQ(low->Score, LLONG_MIN);
  EXPECT_EQ(low->Timestamp, LLONG_MIN);
  EXPECT_EQ(low->Name, "AB");                 // bytes name entry refuses are dropped
}

TEST_F(ScoreFile, BinaryJunkBesideGoodRecordsMakesNoRecords) {
  std::string junk;
  std::mt19937 random(7);
  for (int i = 0; i < 100000; ++i) junk.push_back(static_cast<char>(random()));
  WriteBytes("scores.dat", junk + "\r\n" + GoodFile() + junk);
  LoadScores();
  ASSERT_EQ(SaveScores(), 1);
  // The junk never lines up as eight fields with numbers where they belong.
  EXPECT_EQ(ReadBytes("scores.dat"), GoodFile());
}

TEST_F(ScoreFile, ADamagedFileIsKeptAsideOnceBeforeItIsSavedOver) {
  OpenLog("Debug.txt");
  const std::string damaged = "junk|line\r\n" + GoodFile();
  WriteBytes("scores.dat", damaged);
  LoadScores();
  CloseLog();
  std::vector<std::string> aside;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    std::string name = entry.path().filename().string();
    if (name.rfind("scores.dat.bad-", 0) == 0) aside.push_back(name);
  }
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(ReadBytes(aside[0]), damaged);
  EXPECT_NE(ReadBytes("Debug.txt").find("1 lines skipped"), std::string::npos);
  EXPECT_NE(ReadBytes("Debug.txt").find(aside[0]), std::string::npos);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ReadBytes("scores.dat"), GoodFile());

  // A clean file leaves nothing aside.
  std::filesystem::remove(aside[0]);
  ResetScores();
  LoadScores();
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_EQ(entry.path().filename().string().rfind("scores.dat.bad-", 0), std::string::npos);
  }
}

TEST_F(ScoreFile, AnUnreadableFileIsNeverSavedOver) {
  TempFolder tree("scoresunreadable", TempFolder::kDataTree, FolderAnybodyCanReach());
  std::filesystem::permissions(tree.Path(), std::filesystem::perms::all);
  WriteBytes("scores.dat", GoodFile());
  chmod("scores.dat", 0);
  std::string failure = RunUnprivileged([this] {
    LoadScores();
    Add(1, "new", 1);
    if (SaveScores() != 0) return std::string("saved over it");
    if (!ScoreFileUnreadable()) return std::string("not seen as unreadable");
    SaveScores();
    int told = 0;
    for (const auto& m : MessageList) told += m->txt == "Could not save your score";
    if (told != 1) return "told " + std::to_string(told) + " times";
    return std::string();
  });
  EXPECT_EQ(failure, "");
  chmod("scores.dat", 0644);
  EXPECT_EQ(ReadBytes("scores.dat"), GoodFile());
}

TEST_F(ScoreFile, AFailedSaveIsShownOncePerSession) {
  Add(1, "new", 1);
  {
    FileSizeLimit full(10);   // the new file can't be written whole
    EXPECT_EQ(SaveScores(), 0);
    EXPECT_EQ(SaveScores(), 0);
  }
  ASSERT_EQ(MessageList.size(), 1u);
  EXPECT_EQ(MessageList.front()->txt, "Could not save your score");
  EXPECT_EQ(SaveScores(), 1);
  EXPECT_EQ(MessageList.size(), 1u);
}

TEST_F(ScoreFile, SavingThroughALinkReplacesItsTarget) {
  std::filesystem::create_directory("synced");
  WriteBytes("synced/scores.dat", "old\r\n");
  std::filesystem::create_symlink("synced/scores.dat", "scores.dat");
  Add(1, "new", 1);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_TRUE(std::filesystem::is_symlink("scores.dat"));
  EXPECT_EQ(ReadBytes("synced/scores.dat"), "1|new|0|1|0|1|0|0\r\n" + kZeros + "\r\n");
  EXPECT_FALSE(std::filesystem::exists("scores.dat.tmp"));
  EXPECT_FALSE(std::filesystem::exists("synced/scores.dat.tmp"));

  // A link whose file is not there yet (a synced folder on a new machine):
  // nothing to read, and the first save creates the file it points to.
  std::filesystem::remove("scores.dat");
  std::filesystem::create_symlink(std::filesystem::absolute("synced/later.dat"), "scores.dat");
  ResetScores();
  LoadScores();
  EXPECT_FALSE(ScoreFileUnreadable());
  Add(2, "first", 2);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_TRUE(std::filesystem::is_symlink("scores.dat"));
  EXPECT_EQ(ReadBytes("synced/later.dat"), "2|first|0|2|0|1|0|0\r\n" + kZeros + "\r\n");
}

// Random line-level damage to a valid file: whatever happens to other lines,
// a record whose two lines were left alone comes through a load and a save
// byte for byte.
TEST_F(ScoreFile, RecordsWithUntouchedLinesSurviveRandomDamage) {
  std::mt19937 random(20261206);
  const char* const strays[] = {"junk|line", "12|Bob", "5|", "", "x", "\x01\x02|\xff", "3|4|5|6|7|8|9|10|11"};
  for (int trial = 0; trial < 300; ++trial) {
    // Twelve records, each line tagged with its record.
    struct Line {
      std::string text;
      int record;       // -1: not part of a record
      bool touched;
    };
    std::vector<Line> lines;
    std::vector<std::string> recordText(12);
    for (int i = 0; i < 12; ++i) {
      std::string first = std::to_string(random() % 100000) + "|P" + std::to_string(trial) + "_" + std::to_string(i) +
                          "|0|" + std::to_string(62000000000LL - i) + "|0|" + std::to_string(i % 3) + "|0|" +
                          std::to_string(i % 2);
      std::string best;
      for (int b = 1; b <= 30; ++b) best += std::to_string(random() % 1000) + (b < 30 ? "|" : "");
      lines.push_back({first, i, false});
      lines.push_back({best, i, false});
      recordText[i] = first + "\r\n" + best + "\r\n";
    }
    std::vector<std::string> ends(lines.size(), "\r\n");
    for (int step = 0, steps = 1 + static_cast<int>(random() % 4); step < steps; ++step) {
      size_t at = random() % lines.size();
      switch (random() % 5) {
        case 0:   // insert a stray line
          lines.insert(lines.begin() + static_cast<long>(at), {strays[random() % 7], -1, false});
          ends.insert(ends.begin() + static_cast<long>(at), "\r\n");
          break;
        case 1:   // delete a line
          if (lines[at].record >= 0) {
            for (auto& l : lines) l.touched |= l.record == lines[at].record;
          }
          lines.erase(lines.begin() + static_cast<long>(at));
          ends.erase(ends.begin() + static_cast<long>(at));
          break;
        case 2:   // duplicate a line in place
          lines.insert(lines.begin() + static_cast<long>(at), {lines[at].text, -1, false});
          ends.insert(ends.begin() + static_cast<long>(at), "\r\n");
          break;
        case 3:   // cut a line short
          if (lines[at].record >= 0) {
            for (auto& l : lines) l.touched |= l.record == lines[at].record;
          }
          lines[at].text.resize(random() % (lines[at].text.size() + 1));
          break;
        default:  // another kind of line end
          ends[at] = random() % 2 ? "\n" : "\r";
          break;
      }
      if (lines.empty()) break;
    }
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += lines[i].text + ends[i];

    ResetScores();
    WriteBytes("scores.dat", text);
    LoadScores();
    ASSERT_EQ(SaveScores(), 1);
    // A file with nothing to mend is left as it is; what is written is the list.
    const std::string saved = ScoreFileText();
    std::vector<bool> touched(12, false);
    std::vector<bool> present(12, false);
    for (const auto& l : lines) {
      if (l.record < 0) continue;
      touched[l.record] = touched[l.record] || l.touched;
      present[l.record] = true;
    }
    for (int i = 0; i < 12; ++i) {
      if (touched[i] || !present[i]) continue;
      EXPECT_NE(saved.find(recordText[i]), std::string::npos) << "trial " << trial << " record " << i << "\n" << text;
    }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      if (entry.path().filename().string().rfind("scores.dat.bad-", 0) == 0) std::filesystem::remove(entry.path());
    }
  }
}

TEST(ScoreRecords, GetBitCountsFromOne) {
  EXPECT_EQ(GetBit(5, 1), 1);
  EXPECT_EQ(GetBit(5, 2), 0);
  EXPECT_EQ(GetBit(5, 3), 1);
  EXPECT_EQ(GetBit(1 << 15, 16), 1);
  EXPECT_EQ(GetBit(-1, 32), 1);
  EXPECT_EQ(GetBit(-1, 33), 0);
  EXPECT_EQ(GetBit(-1, 0), 0);
  EXPECT_EQ(GetBit(-1, -4), 0);
}

}  // namespace

// ---------------------------------------------------------------- other copies of the game
// Another copy of the game saving: a new file renamed over the old one.
void SaveAsAnotherCopy(const std::string& bytes) {
  WriteBytes("scores.dat.other", bytes);
  std::filesystem::rename("scores.dat.other", "scores.dat");
}

std::string RecordText(int64_t score, const std::string& name, int64_t stamp, int mode = 1) {
  return std::to_string(score) + "|" + name + "|0|" + std::to_string(stamp) + "|0|" + std::to_string(mode) +
         "|0|0\r\n" + kZeros + "\r\n";
}

// Two windows on one file: the rounds each plays are all kept, whichever
// saves last, and one that only looked writes nothing.
TEST_F(ScoreFile, SavesKeepTheRoundsOfOtherCopies) {
  WriteBytes("scores.dat", RecordText(5, "Old", 100));
  LoadScores();

  // This copy only looks; another plays two rounds. This one writes nothing.
  SaveAsAnotherCopy(RecordText(8, "Bea", 300) + RecordText(7, "Bea", 200) + RecordText(5, "Old", 100));
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ReadBytes("scores.dat"), RecordText(8, "Bea", 300) + RecordText(7, "Bea", 200) + RecordText(5, "Old", 100));

  // Now it plays one of its own: the other's rounds stay, once each.
  Add(9, "Al", 250);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ReadBytes("scores.dat"),
            RecordText(8, "Bea", 300) + RecordText(9, "Al", 250) + RecordText(7, "Bea", 200) + RecordText(5, "Old", 100));
  EXPECT_EQ(ScoreList.size(), 4u);

  // A round differing in score, name or difficulty only is another round.
  SaveAsAnotherCopy(ReadBytes("scores.dat") + RecordText(10, "Al", 250) + RecordText(9, "Al", 250, 2) +
                    RecordText(9, "Alf", 250));
  Add(1, "Al", 400);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ScoreList.size(), 8u);
  ResetScores();
  LoadScores();
  EXPECT_EQ(ScoreList.size(), 8u);
}

// A file that arrives after loading (a sync client still downloading, a
// backup put back) is not replaced by this session's list; rounds trimmed by
// this session do not come back from it.
TEST_F(ScoreFile, AFileArrivingLaterIsMergedAndTrimmedRoundsStayGone) {
  LoadScores();   // nothing there yet
  WriteBytes("scores.dat", RecordText(3, "Sync", 50) + RecordText(2, "Sync", 40));
  Add(4, "Me", 60);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ReadBytes("scores.dat"), RecordText(4, "Me", 60) + RecordText(3, "Sync", 50) + RecordText(2, "Sync", 40));

  // The panel trims the oldest; another copy saves the list it read before.
  ScoreList.pop_back();
  SaveAsAnotherCopy(RecordText(4, "Me", 60) + RecordText(3, "Sync", 50) + RecordText(2, "Sync", 40) +
                    RecordText(1, "You", 10));
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ReadBytes("scores.dat"), RecordText(4, "Me", 60) + RecordText(3, "Sync", 50) + RecordText(1, "You", 10));
}

// A name read back differently (trimmed, control bytes dropped) is the same
// round: merging it again would double it. A blank before a dropped byte is
// trimmed too, so the name reads back the same after the next save.
TEST_F(ScoreFile, ARoundIsKnownByItsNameAsItReadsBack) {
  Add(6, " Hal \x7f", 70);
  ASSERT_EQ(SaveScores(), 1);
  SaveAsAnotherCopy(ReadBytes("scores.dat") + RecordText(1, "X", 1));
  Add(2, "Y", 2);
  ASSERT_EQ(SaveScores(), 1);
  EXPECT_EQ(ScoreList.size(), 3u);
  ResetScores();
  LoadScores();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Hal", "Y", "X"}));
}

// A save waits for another copy's save to finish, and then keeps its round.
TEST_F(ScoreFile, ASaveWaitsForTheLockOfAnotherCopy) {
  WriteBytes("scores.dat", RecordText(5, "Old", 100));
  LoadScores();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    int fd = open("scores.dat.lock", O_RDWR | O_CREAT, 0644);
    flock(fd, LOCK_EX);
    char go = 1;
    if (write(ready[1], &go, 1) != 1) _exit(1);
    usleep(100000);
    SaveAsAnotherCopy(RecordText(6, "Other", 200) + RecordText(5, "Old", 100));
    _exit(0);
  }
  char go = 0;
  ASSERT_EQ(read(ready[0], &go, 1), 1);
  Add(7, "Mine", 300);
  ASSERT_EQ(SaveScores(), 1);
  int status = 0;
  waitpid(other, &status, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(ReadBytes("scores.dat"), RecordText(7, "Mine", 300) + RecordText(6, "Other", 200) + RecordText(5, "Old", 100));
}

// ---------------------------------------------------------------- damage that looks like data
// A record counts only with its whole line pair: a Best line cut after its
// eighth number is no record of its own, and a file cut inside its last
// number loses that record to the copy instead of changing it.
// A damaged line of millions of "|" is split into no more fields than a
// line can hold: loading it takes memory by the line, not by the bar. The
// load runs with room for a few copies of the file and no more (splitting
// every bar would take some thirty bytes each), and keeps the good records.
TEST_F(ScoreFile, ALineOfManyBarsTakesNoMemoryByTheBar) {
  if (dlsym(RTLD_DEFAULT, "__asan_init") != nullptr) {
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit leaves";
  }
  constexpr size_t kBars = size_t(20) << 20;
  WriteBytes("scores.dat", GoodFile() + std::string(kBars, '|') + "\r\n");
  std::string failure = RunInChild([this] {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    if (pages <= 0) return std::string("no size of the address space");
    const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + kBars * 10;
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) return std::string("could not limit the address space");
    LoadScores();
    if (Names().size() != 5) return "kept " + std::to_string(Names().size()) + " of the 5 good records";
    return std::string();
  });
  EXPECT_EQ(failure, "");
}

TEST_F(ScoreFile, OnlyWholeLinePairsAreRecords) {
  const std::vector<std::string> lines = FileLines(GoodFile());
  std::string zeros8 = "0|0|0|0|0|0|0|0";
  for (const std::string& cut : {zeros8, std::string("4001|4002|4003|4004|4005|4006|4007|4008")}) {
    ResetScores();
    std::vector<std::string> damaged = lines;
    damaged.back() = cut;
    WriteBytes("scores.dat", JoinLines(damaged));
    LoadScores();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Name0", "Name1", "Name2", "Name3"})) << cut;
  }
  ResetScores();
  const std::string good = GoodFile();
  WriteBytes("scores.dat", good.substr(0, good.size() - 3));   // "...|4029|403"
  LoadScores();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Name0", "Name1", "Name2", "Name3"}));
}

// The same damaged file put back before every start is kept once; another
// one damaged in the same second gets a name of its own; only the newest
// few copies stay.
TEST_F(ScoreFile, CopiesOfDamagedFilesAreNeitherDoubledNorClaimedNorEndless) {
  auto copies = [] {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      std::string name = entry.path().filename().string();
      if (name.rfind("scores.dat.bad-", 0) == 0) found.push_back(ReadBytes(name));
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::string first = "junk|1\r\n" + GoodFile();
  for (int start = 0; start < 3; ++start) {
    ResetScores();
    WriteBytes("scores.dat", first);
    LoadScores();
    EXPECT_FALSE(ScoreFileUnreadable());
  }
  EXPECT_EQ(copies(), std::vector<std::string>{first});

  std::vector<std::string> all = {first};
  for (int n = 2; n <= 8; ++n) {
    ResetScores();
    const std::string other = "junk|" + std::to_string(n) + "\r\n" + GoodFile();
    WriteBytes("scores.dat", other);
    LoadScores();
    EXPECT_FALSE(ScoreFileUnreadable()) << n;
    all.push_back(other);
  }
  // Every copy holds a damaged file of its own; the last one is among them.
  std::vector<std::string> kept = copies();
  EXPECT_EQ(kept.size(), 5u);
  EXPECT_NE(std::find(kept.begin(), kept.end(), all.back()), kept.end());
}

// A damaged file that can't be kept aside (a full disk, a folder without
// write access) was still read: saving is off, reading was not what failed.
TEST_F(ScoreFile, ACopyThatFailsStopsSavingButTheScoresWereRead) {
  TempFolder tree("scorescopyfails", TempFolder::kDataTree, FolderAnybodyCanReach());
  std::filesystem::permissions(tree.Path(), std::filesystem::perms::all);
  WriteBytes("scores.dat", "junk|1\r\n" + GoodFile());
  std::filesystem::permissions(tree.Path() / "253", std::filesystem::perms::owner_all | std::filesystem::perms::others_read |
                                                        std::filesystem::perms::others_exec);
  std::string failure = RunUnprivileged([this] {
    LoadScores();
    if (Names().size() != 5) return std::string("the records were not read");
    if (!ScoreFileUnreadable()) return std::string("saving is still on");
    if (ScoreFileReadFailed()) return std::string("told the file could not be read");
    return std::string();
  });
  std::filesystem::permissions(tree.Path() / "253", std::filesystem::perms::owner_all);
  EXPECT_EQ(failure, "");
}

// A save that can't take the lock (a folder, a pipe or a link in its place,
// or another copy that holds it and never lets go) writes nothing over what
// another copy may be writing: the round stays in memory, the player hears
// of it once, and the next save that can lock writes it. It waits a moment
// for the lock, never seconds (the bound here is far above that moment).
TEST_F(ScoreFile, ASaveThatCannotLockKeepsTheRoundForTheNextSave) {
  HangGuard guard(120, "saves that cannot lock");
  pid_t holder = -1;
  auto holdForEver = [&holder] {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
      int fd = open("scores.dat.lock", O_RDWR | O_CREAT, 0644);
      flock(fd, LOCK_EX);
      char go = 1;
      if (write(ready[1], &go, 1) != 1) _exit(1);
      for (;;) pause();
    }
    char go = 0;
    ASSERT_EQ(read(ready[0], &go, 1), 1);
    close(ready[0]);
    close(ready[1]);
  };
  struct Case {
    const char* what;
    std::function<void()> plant;
  };
  const std::vector<Case> cases = {
      {"a folder", [] { std::filesystem::create_directory("scores.dat.lock"); }},
      {"a pipe", [] { ASSERT_EQ(mkfifo("scores.dat.lock", 0644), 0); }},
      {"a link", [] { std::filesystem::create_symlink("elsewhere", "scores.dat.lock"); }},
      {"a copy that hangs", holdForEver},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetScores();
    ResetFrameFlip();
    for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry.path());
    WriteBytes("scores.dat", RecordText(5, "Old", 100));
    LoadScores();
    c.plant();
    Add(7, "Mine", 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SaveScores(), 0);
    EXPECT_EQ(SaveScores(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(ReadBytes("scores.dat"), RecordText(5, "Old", 100));
    EXPECT_EQ(ReadBytes("elsewhere"), "");
    ASSERT_EQ(MessageList.size(), 1u);
    EXPECT_EQ(MessageList.front()->txt, "Your score is kept until it can be saved");

    if (holder > 0) {
      kill(holder, SIGKILL);
      waitpid(holder, nullptr, 0);
      holder = -1;
    } else {
      std::filesystem::remove("scores.dat.lock");
    }
    EXPECT_EQ(SaveScores(), 1);
    EXPECT_EQ(ReadBytes("scores.dat"), RecordText(7, "Mine", 300) + RecordText(5, "Old", 100));
    EXPECT_EQ(MessageList.size(), 1u);
  }
}

// A lock file left by another user in a folder both may write is taken when
// it can be read (a lock needs no more); one that can't be read stops the
// save like any other lock that can't be had.
TEST_F(ScoreFile, ALockFileOfAnotherUserIsTakenWhenItCanBeRead) {
  TempFolder tree("scoreslockuser", TempFolder::kDataTree, FolderAnybodyCanReach());
  namespace fs = std::filesystem;
  fs::permissions(tree.Path(), fs::perms::all);
  fs::permissions(tree.Path() / "253", fs::perms::all);
  for (fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read,
                         fs::perms::owner_read | fs::perms::owner_write}) {
    const bool readable = (mode & fs::perms::others_read) != fs::perms::none;
    SCOPED_TRACE(readable ? "readable" : "not readable");
    WriteBytes("scores.dat", RecordText(5, "Old", 100));
    fs::permissions("scores.dat", fs::perms::all);
    WriteBytes("scores.dat.lock", "");
    fs::permissions("scores.dat.lock", mode);
    std::string failure = RunUnprivileged([this, readable] {
      ResetScores();
      LoadScores();
      Add(7, "Mine", 300);
      const int saved = SaveScores();
      if (saved != (readable ? 1 : 0)) return "saved: " + std::to_string(saved);
      const std::string expected = (readable ? RecordText(7, "Mine", 300) : "") + RecordText(5, "Old", 100);
      if (ReadBytes("scores.dat") != expected) return "on disk: " + ReadBytes("scores.dat");
      return std::string();
    });
    EXPECT_EQ(failure, "");
  }
}
