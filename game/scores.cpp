// Score records and the score file: two "|"-separated lines per record,
// newest first, CR LF line ends, nothing else in the file.
#include "game/scores.h"

#include <limits>
#include <vector>

#include "framework/clock.h"
#include "framework/frame_flip.h"
#include "framework/log.h"

// Start values: ResetScores.
RecordList<Scores> ScoreList;
std::shared_ptr<Scores> LastScore;
std::string PlayerName;
bool ScoresLoaded;

namespace {

constexpr const char* kScoreFile = "scores.dat";
constexpr int kBestCount = 30;   // Best entries 1..30 are stored
constexpr int kRecordFields = 8;

// The file as it was read this session: it could not be read at all (never
// saved over then), and the player has been told a save failed.
bool g_unreadable;
bool g_toldSaveFailed;

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

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t bar = line.find('|', start);
    if (bar == std::string::npos) break;
    fields.emplace_back(line, start, bar - start);
    start = bar + 1;
  }
  fields.emplace_back(line, start);
  return fields;
}

// A decimal number with an optional sign, blanks allowed around it. Values
// beyond 64 bits are held at the 64-bit limits (and flagged as changed).
bool ParseDecimal(const std::string& field, int64_t& value, bool& changed) {
  std::string text = Trim(field);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t magnitude = 0;
  bool over = false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    if (magnitude > (kLimit + 1 - digit) / 10) over = true;
    if (!over) magnitude = magnitude * 10 + digit;
  }
  if (over || magnitude > kLimit + (negative ? 1 : 0)) {
    over = true;
    magnitude = kLimit + (negative ? 1 : 0);
  }
  if (negative) {
    value = magnitude == kLimit + 1 ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
  } else {
    value = static_cast<int64_t>(magnitude);
  }
  if (over) changed = true;
  return true;
}

// The 32-bit fields hold counts and flags: stored as absolute values, as they
// always were, and held within lo..hi.
bool ParseSmall(const std::string& field, int32_t lo, int32_t hi, int32_t& out, bool& changed) {
  int64_t value = 0;
  if (!ParseDecimal(field, value, changed)) return false;
  int64_t kept = value < 0 ? (value == std::numeric_limits<int64_t>::min() ? hi : -value) : value;
  if (kept < lo) kept = lo;
  if (kept > hi) kept = hi;
  if (kept != value) changed = true;
  out = static_cast<int32_t>(kept);
  return true;
}

// Bytes that name entry refuses (control codes, DEL) are dropped; the ends
// are trimmed as they always were.
std::string CleanName(const std::string& field, bool& changed) {
  std::string name;
  for (char c : Trim(field)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      changed = true;
      continue;
    }
    name.push_back(c);
  }
  return name;
}

// Line 1 of a record: eight fields, numbers where numbers belong.
std::shared_ptr<Scores> ReadRecordLine(const std::vector<std::string>& f, bool& changed) {
  if (f.size() != kRecordFields) return nullptr;
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
  auto r = std::make_shared<Scores>();
  bool ok = ParseDecimal(f[0], r->Score, changed) && ParseSmall(f[2], 0, kMax32, r->Badges, changed) &&
            ParseDecimal(f[3], r->Timestamp, changed) && ParseSmall(f[4], 0, kMax32, r->Level, changed) &&
            ParseSmall(f[5], 0, 2, r->GameMode, changed) && ParseSmall(f[6], 0, kMax32, r->GameFlags, changed) &&
            ParseSmall(f[7], 0, 1, r->Quit, changed);
  if (!ok) return nullptr;
  r->Name = CleanName(f[1], changed);
  return r;
}

// Line 2 of a record: thirty numbers.
bool ReadBestLine(const std::vector<std::string>& f, std::array<int32_t, 31>& best, bool& changed) {
  if (f.size() != kBestCount) return false;
  std::array<int32_t, 31> read{};
  for (int i = 1; i <= kBestCount; ++i) {
    if (!ParseSmall(f[i - 1], 0, std::numeric_limits<int32_t>::max(), read[i], changed)) return false;
  }
  best = read;
  return true;
}

void TellSaveFailed() {
  if (g_toldSaveFailed) return;
  g_toldSaveFailed = true;
  AddNotification("Could not save your score", 1);
}

}  // namespace

RecordList<Scores> ReadScoreText(const std::string& bytes, ScoreTextCheck& check) {
  check = ScoreTextCheck();
  RecordList<Scores> records;
  std::shared_ptr<Scores> waiting;   // the last record, while it has no Best line yet
  ForEachLine(bytes, [&](const std::string& raw) {
    std::string line = Trim(raw);
    if (line.empty()) return;
    std::vector<std::string> fields = SplitFields(line);
    bool changed = false;
    if (auto record = ReadRecordLine(fields, changed)) {
      if (waiting) ++check.repaired;   // it never got its Best line
      if (changed) ++check.repaired;
      records.push_back(record);
      waiting = record;
      return;
    }
    // A Best line belongs to the record just before it (lines that fit
    // neither may stand between them), never to one further back.
    changed = false;
    if (waiting && ReadBestLine(fields, waiting->Best, changed)) {
      if (changed) ++check.repaired;
      waiting.reset();
      return;
    }
    ++check.skipped;
  });
  if (waiting) ++check.repaired;
  return records;
}

bool ScoreFileUnreadable() { return g_unreadable; }


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
  g_unreadable = false;
  g_toldSaveFailed = false;
}

void SortScores() {
  SortList(ScoreList, true, [](const Scores& a, const Scores& b) { return a.Compare(b); });
}

void LoadScores() {
  // Without a file the list stays as it is.
  ScoresLoaded = true;
  std::string bytes;
  int read = ReadWholeFile(kScoreFile, bytes);
  if (read == 0) return;

  // A file that is there but can't be read is left exactly as it is: saving
  // over it would replace every record in it by this session's rounds.
  if (read < 0) {
    g_unreadable = true;
    LogLine("\tCould not read scores.dat: it is left as it is and not saved this session");
    return;
  }

  // Every record whose lines are whole is kept; lines that fit neither
  //      kind are skipped. The newest record of the file names the player.
  ScoreTextCheck check;
  RecordList<Scores> records = ReadScoreText(bytes, check);
  ClearList(ScoreList);
  for (const auto& record : records) {
    if (ScoreList.empty()) PlayerName = record->Name;
    LastScore = record;
    ListAddLast(ScoreList, record);
  }
  SortScores();

  // The next save writes only what was understood, so the file as it was is
  // kept aside first. Without that copy the file is not saved over.
  if (check.skipped == 0 && check.repaired == 0) return;
  std::string aside = std::string(kScoreFile) + ".bad-" + LongToString(MakeTimestamp(""));
  LogLine("\tscores.dat was damaged: " + IntToString(check.skipped) + " lines skipped, " +
          IntToString(check.repaired) + " records repaired");
  if (FileType(aside) != 0 || WriteNewFile(aside, bytes) == 1) {
    LogLine("\tThe file as it was is kept as " + aside);
  } else {
    g_unreadable = true;
    LogLine("\tCould not keep a copy of scores.dat: it is not saved this session");
  }
}

std::string ScoreFileText() {
  std::string text;
  for (const auto& record : ScoreList) {
    text += RecordLine(*record);
    text += "\r\n";
    text += BestLine(*record);
    text += "\r\n";
  }
  return text;
}

int SaveScores() {
  // Never over a file that could not be read (or kept aside).
  if (g_unreadable) {
    LogLine("\tDid not save scores.dat over the file that could not be read");
    TellSaveFailed();
    return 0;
  }

  // Newest first, two lines per record.
  SortScores();
  const std::string text = ScoreFileText();
  if (!ScoreList.empty()) LastScore = ScoreList.back();

  // Only a complete file replaces the old one.
  if (SaveFileAtomically(kScoreFile, text) != 1) {
    LogLine("\tCould not save scores.dat");
    TellSaveFailed();
    return 0;
  }
  return 1;
}
