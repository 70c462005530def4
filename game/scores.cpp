// Score records and the score file: two "|"-separated lines per record,
// newest first, CR LF line ends, nothing else in the file.
#include "game/scores.h"

#include <limits>

#include "framework/fields.h"
#include "framework/log.h"

RecordList<Scores> ScoreList;
std::shared_ptr<Scores> LastScore;
std::string PlayerName = "Player";
bool ScoresLoaded = false;

namespace {

constexpr const char* kScoreFile = "scores.dat";
constexpr const char* kScoreTemp = "scores.dat.tmp";
constexpr int kBestCount = 30;   // Best entries 1..30 are stored

// Absolute value of a field read as a 32-bit number ("-+-" and text read 0).
int32_t AbsField(const std::string& line, int n) { return AbsInt(ToInt(Field(line, "|", n))); }

std::string RecordLine(const Scores& s) {
  return LongToString(s.Score) + "|" + s.Name + "|" + IntToString(s.Badges) + "|" +
         LongToString(s.Timestamp) + "|" + IntToString(s.Level) + "|" +
         IntToString(s.GameMode) + "|" + IntToString(s.GameFlags) + "|" + IntToString(s.Quit);
}

std::string BestLine(const Scores& s) {
  std::string line;
  for (int i = 1; i <= kBestCount; ++i) {
    if (i > 1) line += "|";
    line += IntToString(s.Best[i]);
  }
  return line;
}

}  // namespace

// The difference of two stamps far apart (a damaged file, a stamp of 0) does
// not fit 32 bits; cutting it to 32 bits would flip its sign at random and
// scramble the order, so it is held at the 32-bit limits instead. It is worked
// out by comparing first, so extreme stamps can't overflow the subtraction.
int Scores::Compare(const Scores& other) const {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  if (other.Timestamp >= Timestamp) {
    uint64_t diff = static_cast<uint64_t>(other.Timestamp) - static_cast<uint64_t>(Timestamp);
    return diff > static_cast<uint64_t>(kMax) ? static_cast<int>(kMax) : static_cast<int>(diff);
  }
  uint64_t diff = static_cast<uint64_t>(Timestamp) - static_cast<uint64_t>(other.Timestamp);
  return diff > static_cast<uint64_t>(-kMin) ? static_cast<int>(kMin)
                                           : static_cast<int>(-static_cast<int64_t>(diff));
}

int Scores::Compare(const Scores* other) const { return other ? Compare(*other) : 1; }

void ResetScores() {
  ClearList(ScoreList);
  LastScore.reset();
  PlayerName = "Player";
  ScoresLoaded = false;
}

void SortScores() {
  SortList(ScoreList, true, [](const Scores& a, const Scores& b) { return a.Compare(b); });
}

void LoadScores() {
  // 1-2. Without a file the list stays as it is.
  ScoresLoaded = true;
  int counter = 0;
  if (FileType(kScoreFile) == 0) return;

  // 3. Open it and start from an empty list.
  int file = ReadFile(kScoreFile);
  ClearList(ScoreList);

  // 4. Record lines are those with a "|"; each is followed by its Best line.
  //    Anything else is skipped. Sorting once at the end gives the same order
  //    as sorting after every line: the sort is stable and records are only
  //    ever appended.
  while (!Eof(file)) {
    std::string line = ReadLine(file);
    if (Instr(line, "|") == 0) continue;
    ++counter;
    auto record = std::make_shared<Scores>();
    LastScore = record;
    record->Score = StringToLong(Field(line, "|", 1));
    record->Name = Trim(Field(line, "|", 2));
    if (counter == 1) PlayerName = record->Name;
    record->Badges = AbsField(line, 3);
    record->Timestamp = StringToLong(Field(line, "|", 4));
    record->Level = AbsField(line, 5);
    record->GameMode = AbsField(line, 6);
    record->GameFlags = AbsField(line, 7);
    record->Quit = AbsField(line, 8);
    std::string best = ReadLine(file);   // "" when the file ends here
    for (int i = 1; i <= kBestCount; ++i) record->Best[i] = AbsField(best, i);
    ListAddLast(ScoreList, record);
  }
  SortScores();

  // 5.
  CloseStream(file);
}

int SaveScores() {
  // 1. A fresh temporary file beside the real one.
  int file = WriteFile(kScoreTemp);
  if (file == 0) {
    LogLine("\tCould not save scores.dat");
    return 0;
  }

  // 2-3. Newest first, two lines per record.
  SortScores();
  for (const auto& record : ScoreList) {
    WriteLine(file, RecordLine(*record));
    WriteLine(file, BestLine(*record));
    LastScore = record;
  }

  // 4. Only a complete file replaces the old one.
  if (CloseStream(file) != 1 || RenameFile(kScoreTemp, kScoreFile) != 1) {
    DeleteFile(kScoreTemp);
    LogLine("\tCould not save scores.dat");
    return 0;
  }
  return 1;
}
