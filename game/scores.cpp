// Score records and the score file: two "|"-separated lines per record,
// newest first, CR LF line ends, nothing else in the file.
#include "game/scores.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <new>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "framework/clock.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/startup.h"

// Start values: ResetScores.
RecordList<Scores> ScoreList;
std::shared_ptr<Scores> LastScore;
std::string PlayerName;
bool ScoresLoaded;

namespace {

// In the game folder of the data (installed: the player's data folder).
std::string ScoreFilePath() { return DataFilePath(GameFolder() + "scores.dat"); }
std::string LockFilePath() { return ScoreFilePath() + ".lock"; }   // shared by every copy of the game
constexpr int kLockWaitMs = 500;   // another copy holds the lock only while it writes; never seconds of frames
constexpr int kCopiesKept = 5;                        // copies of damaged files, the newest
constexpr int kBestCount = 30;   // Best entries 1..30 are stored
constexpr int kRecordFields = 8;

// The file as it was read this session: it could not be read at all (never
// saved over then), and the player has been told a save failed.
bool g_unreadable;
bool g_readFailed;     // it was there but could not be read at all
bool g_toldSaveFailed;
bool g_toldKeptForLater;   // the player heard that a save could not lock

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

// Splits at "|" into at most kBestCount + 1 fields: no line with more is
// either kind, and a line of millions of "|" must not become millions of
// strings.
std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t bar = line.find('|', start);
    if (bar == std::string::npos || fields.size() == kBestCount) break;
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

// Bytes that name entry refuses (control codes, DEL) are dropped, then the
// ends are trimmed as they always were: the other way round, a blank left in
// front of a dropped byte would stay and read back differently next time.
std::string CleanName(const std::string& field, bool& changed) {
  std::string name;
  for (char c : field) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      changed = true;
      continue;
    }
    name.push_back(c);
  }
  return Trim(name);
}

// Line 1 of a record: eight fields, numbers where numbers belong.
std::shared_ptr<Scores> ReadRecordLine(const std::vector<std::string>& f, bool& changed) {
  if (f.size() != kRecordFields) return nullptr;
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
  auto r = std::make_shared<Scores>();
  bool ok = ParseDecimal(f[0], r->Score, changed) && ParseSmall(f[2], 0, kMax32, r->Badges, changed) &&
            ParseDecimal(f[3], r->Timestamp, changed) && ParseSmall(f[4], 0, kMax32, r->Level, changed) &&
            ParseSmall(f[5], 0, kMax32, r->GameMode, changed) && ParseSmall(f[6], 0, kMax32, r->GameFlags, changed) &&
            ParseSmall(f[7], 0, kMax32, r->Quit, changed);
  // A difficulty or a quit flag the game never writes is no round of ours
  // (a Best line cut after eight numbers reads like a record line): such a
  // line goes to the copy of the damaged file, not into the list.
  if (!ok || r->GameMode > 2 || r->Quit > 1) return nullptr;
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

// A round as the merge of two lists tells it apart from others: its stamp,
// name (as it reads back), score and difficulty.
using RecordKey = std::tuple<int64_t, std::string, int64_t, int32_t>;

struct RecordKeyHash {
  size_t operator()(const RecordKey& k) const {
    size_t h = std::hash<std::string>()(std::get<1>(k));
    for (uint64_t v : {static_cast<uint64_t>(std::get<0>(k)), static_cast<uint64_t>(std::get<2>(k)),
                       static_cast<uint64_t>(std::get<3>(k))}) {
      h ^= std::hash<uint64_t>()(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    }
    return h;
  }
};
using RecordKeys = std::unordered_set<RecordKey, RecordKeyHash>;

RecordKey KeyOf(const Scores& s) {
  bool changed = false;
  return {s.Timestamp, CleanName(s.Name, changed), s.Score, s.GameMode};
}

RecordKeys KeysOf(const RecordList<Scores>& list) {
  RecordKeys keys;
  keys.reserve(list.size());
  for (const auto& record : list) keys.insert(KeyOf(*record));
  return keys;
}

// The file as this session last read or wrote it: its stamp and the records
// it held, in order. Another copy of the game may save it in between; a save
// then reads it again and keeps the rounds it finds there. A record is never
// changed once it is made, so the same records in the same order are the
// same text.
struct OnDisk {
  bool known = false;          // read or written this session
  FileStamp stamp;
  std::vector<std::shared_ptr<Scores>> records;
  bool mustSave = false;       // it was damaged: the records read from it are to be written
};
OnDisk g_onDisk;

void Remember(const FileStamp& stamp) {
  g_onDisk.known = true;
  g_onDisk.stamp = stamp;
  g_onDisk.records.assign(ScoreList.begin(), ScoreList.end());
  g_onDisk.mustSave = false;
}

bool SameAsOnDisk() {
  return std::equal(ScoreList.begin(), ScoreList.end(), g_onDisk.records.begin(), g_onDisk.records.end());
}

void TellSaveFailed() {
  if (g_toldSaveFailed) return;
  g_toldSaveFailed = true;
  AddNotification("Could not save your score", 1);
}

// The bytes of a damaged file are kept beside it before anything is saved
// over them; false when no copy could be made.
bool KeepDamagedCopy(const std::string& bytes, const ScoreTextCheck& check) {
  LogLine("\tscores.dat was damaged: " + IntToString(check.skipped) + " lines skipped, " +
          IntToString(check.repaired) + " records repaired");
  std::string aside = KeepCopyBeside(ScoreFilePath(), LongToString(MakeTimestamp("")), bytes, kCopiesKept);
  if (!aside.empty()) {
    LogLine("\tThe file as it was is kept as " + aside);
    return true;
  }
  LogLine("\tCould not keep a copy of scores.dat: it is not saved this session");
  return false;
}

}  // namespace

RecordList<Scores> ReadScoreText(const std::string& bytes, ScoreTextCheck& check) {
  check = ScoreTextCheck();
  RecordList<Scores> records;
  // Every line the game writes ends with CR LF: a last line without its end
  // was cut short (a full disk, a copy broken off), and its numbers can't
  // be trusted.
  size_t whole = bytes.size();
  if (whole > 0 && bytes[whole - 1] != '\n' && bytes[whole - 1] != '\r') {
    size_t end = bytes.find_last_of("\r\n");
    whole = end == std::string::npos ? 0 : end + 1;
    if (!Trim(bytes.substr(whole)).empty()) ++check.skipped;
  }
  // A record counts only with its Best line: the record line just before it
  // (lines that fit neither may stand between them), never one further back.
  std::shared_ptr<Scores> waiting;
  bool waitingChanged = false;
  ForEachLine(bytes.substr(0, whole), [&](const std::string& raw) {
    std::string line = Trim(raw);
    if (line.empty()) return;
    std::vector<std::string> fields = SplitFields(line);
    bool changed = false;
    if (auto record = ReadRecordLine(fields, changed)) {
      if (waiting) ++check.skipped;   // it never got its Best line
      waiting = record;
      waitingChanged = changed;
      return;
    }
    changed = false;
    if (waiting && ReadBestLine(fields, waiting->Best, changed)) {
      if (changed || waitingChanged) ++check.repaired;
      records.push_back(waiting);
      waiting.reset();
      return;
    }
    ++check.skipped;
  });
  if (waiting) ++check.skipped;
  return records;
}

bool ScoreFileUnreadable() { return g_unreadable; }
bool ScoreFileReadFailed() { return g_readFailed; }


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
  g_readFailed = false;
  g_toldSaveFailed = false;
  g_toldKeptForLater = false;
  g_onDisk = OnDisk();
}

namespace {

bool NewerFirst(const std::shared_ptr<Scores>& a, const std::shared_ptr<Scores>& b) { return a->Compare(*b) < 0; }

// A list already in order (every save after the first, a file as the game
// wrote it) is left as it is: a stable sort would not change it, and a list
// of millions of rounds is checked in one pass.
void SortNewestFirst(RecordList<Scores>& list) {
  if (std::is_sorted(list.begin(), list.end(), NewerFirst)) return;
  SortList(list, true, [](const Scores& a, const Scores& b) { return a.Compare(b); });
}

}  // namespace

void SortScores() { SortNewestFirst(ScoreList); }

namespace {
void ReadScoreFile();
int SaveScoreFile();
}  // namespace

void LoadScores() {
  // A file too big for the memory there is can't be read; it is left alone
  // like any other file that can't be read.
  try {
    ReadScoreFile();
  } catch (const std::bad_alloc&) {
    g_unreadable = true;
    g_readFailed = true;
    LogLine("\tscores.dat is too big to read: it is left as it is and not saved this session");
  }
}

namespace {

void ReadScoreFile() {
  // Without a file the list stays as it is.
  ScoresLoaded = true;
  std::string bytes;
  FileStamp stamp;
  int read = ReadWholeFile(ScoreFilePath(), bytes, stamp);
  if (read == 0) {
    // On disk there are no records at all.
    g_onDisk = OnDisk();
    g_onDisk.known = true;
    return;
  }

  // A file that is there but can't be read is left exactly as it is: saving
  // over it would replace every record in it by this session's rounds.
  if (read < 0) {
    g_unreadable = true;
    g_readFailed = true;
    LogLine("\tCould not read scores.dat: it is left as it is and not saved this session");
    return;
  }

  // Every record whose lines are whole is kept; lines that fit neither
  // kind are skipped. The newest record of the file names the player.
  ScoreTextCheck check;
  RecordList<Scores> records = ReadScoreText(bytes, check);
  ClearList(ScoreList);
  for (const auto& record : records) {
    if (ScoreList.empty()) PlayerName = record->Name;
    LastScore = record;
    ListAddLast(ScoreList, record);
  }
  SortScores();
  Remember(stamp);

  // The next save writes only what was understood, so the file as it was is
  // kept aside first. Without that copy the file is not saved over.
  if (check.skipped == 0 && check.repaired == 0) return;
  if (KeepDamagedCopy(bytes, check)) {
    g_onDisk.mustSave = true;
  } else {
    g_unreadable = true;
  }
}

}  // namespace

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

namespace {

// The file changed since this session read or wrote it (another copy of the
// game saved, a backup was put back): the rounds in it that this session
// neither holds nor has let go of (the panel trims old rounds) join the list,
// in order. `stamp` is that of the file read. False when the file is there
// but can't be read, or was damaged and no copy of it could be kept: it must
// not be saved over then.
bool MergeFileChangedOnDisk(FileStamp& stamp) {
  std::string bytes;
  int read = ReadWholeFile(ScoreFilePath(), bytes, stamp);
  if (read == 0) return true;
  if (read < 0) {
    LogLine("\tCould not read scores.dat again before saving over it: it is left as it is");
    return false;
  }
  ScoreTextCheck check;
  RecordList<Scores> onDisk = ReadScoreText(bytes, check);
  if ((check.skipped != 0 || check.repaired != 0) && !KeepDamagedCopy(bytes, check)) return false;
  bytes = std::string();

  // Let go of: the records of the file as it was that the list no longer
  // holds (by the record itself: the trimmed ones are few).
  std::unordered_set<const Scores*> inList;
  inList.reserve(ScoreList.size());
  for (const auto& record : ScoreList) inList.insert(record.get());
  RecordKeys letGo;
  for (const auto& record : g_onDisk.records) {
    if (!inList.count(record.get())) letGo.insert(KeyOf(*record));
  }
  inList = {};
  RecordKeys held = KeysOf(ScoreList);
  RecordList<Scores> added;
  for (auto& record : onDisk) {
    RecordKey key = KeyOf(*record);
    if (letGo.count(key) || !held.insert(std::move(key)).second) continue;
    added.push_back(std::move(record));
  }
  if (added.empty()) return true;
  LogLine("\tscores.dat was changed elsewhere: " + IntToString(static_cast<int>(added.size())) + " rounds from it kept");
  // Both in order, newest first: one pass joins them, this session's rounds
  // first among equal stamps, as a stable sort of the two would.
  SortScores();
  SortNewestFirst(added);
  ScoreList.merge(added, NewerFirst);
  return true;
}

void TellKeptForLater() {
  if (g_toldKeptForLater) return;
  g_toldKeptForLater = true;
  AddNotification("Your score is kept until it can be saved", 1);
}

}  // namespace

int SaveScores() {
  try {
    return SaveScoreFile();
  } catch (const std::bad_alloc&) {
    LogLine("\tCould not save scores.dat: out of memory");
    TellSaveFailed();
    return 0;
  }
}

namespace {

constexpr int kMergeTries = 3;   // saves of other copies landing between a merge and the lock

// The lock, let go of on every way out (an exception included).
struct HeldLock {
  int handle;
  void Release() {
    UnlockFile(handle);
    handle = 0;
  }
  ~HeldLock() { UnlockFile(handle); }
};

int SaveScoreFile() {
  // Never over a file that could not be read (or kept aside).
  if (g_unreadable) {
    LogLine("\tDid not save scores.dat over the file that could not be read");
    TellSaveFailed();
    return 0;
  }

  // Newest first, two lines per record. Nothing new since the file was read
  // or last written: it is left as it is.
  SortScores();
  if (!ScoreList.empty()) LastScore = ScoreList.back();
  if (g_onDisk.known && !g_onDisk.mustSave && SameAsOnDisk()) return 1;

  for (int attempt = 1;; ++attempt) {
    // What another copy saved meanwhile is read and merged before the lock
    // is taken: the lock is held only for the write.
    FileStamp merged = g_onDisk.stamp;
    if (!g_onDisk.known || StampOfFile(ScoreFilePath()) != g_onDisk.stamp) {
      if (!MergeFileChangedOnDisk(merged)) {
        TellSaveFailed();
        return 0;
      }
    }
    std::string text = ScoreFileText();

    // One save at a time among the copies of the game sharing the file. A
    // lock that can't be had now (another copy that hangs, something else
    // in its place) writes nothing over what another copy may be writing:
    // the rounds stay in memory, and the next save (or leaving) tries again.
    HeldLock lock{LockFile(LockFilePath(), kLockWaitMs)};
    if (lock.handle == 0) {
      LogLine("\tCould not lock scores.dat: its rounds are kept for the next save");
      TellKeptForLater();
      return 0;
    }
    // Another copy saved between the merge and the lock: merged again,
    // unless it keeps doing so, then under the lock.
    if (StampOfFile(ScoreFilePath()) != merged) {
      if (attempt < kMergeTries) continue;
      if (!MergeFileChangedOnDisk(merged)) {
        TellSaveFailed();
        return 0;
      }
      text = ScoreFileText();
    }
    // Only a complete file replaces the old one.
    if (SaveFileAtomically(ScoreFilePath(), text) != 1) {
      LogLine("\tCould not save scores.dat");
      TellSaveFailed();
      return 0;
    }
    FileStamp written = StampOfFile(ScoreFilePath());
    lock.Release();
    Remember(written);
    return 1;
  }
}

}  // namespace
