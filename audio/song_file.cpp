// Song files and music parts: the recorded parts the sequencer plays (drum
// hits and one-note instrument variants under music/) and the song text file
// of pattern lines grouped by section. Reading only; the sequencer that plays
// them lives in music.cpp.
#include "audio/song_file.h"

#include <string>

#include "audio/music.h"
#include "platform/platform.h"

// Start values: ResetSongFile.
std::array<int, 50> MusicParts;
std::array<int, 4> PartCounts;
std::array<std::vector<std::string>, 5> SongPatterns;
std::array<int, 5> PatternCounts;
std::array<int, 5> StretchModes;

namespace {

constexpr int kMaxPatterns = 998;   // pattern lines kept per section

const char* const kSectionHeaders[5] = {"[DRUMS", "[CHORDS", "[BASS", "[MELODY", "[ACCOMPANY"};
const char* const kFamilyFiles[4] = {"", "music/bass", "music/lead", "music/accompany"};

// Control characters and spaces go at both ends, whatever the platform's Trim
// thinks of bytes above 127: a song file edited on another machine must read
// the same.
std::string TrimLow(const std::string& line) {
  size_t first = 0, last = line.size();
  while (first < last && static_cast<unsigned char>(line[first]) < 33) ++first;
  while (last > first && static_cast<unsigned char>(line[last - 1]) < 33) --last;
  return line.substr(first, last - first);
}

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string Without(std::string text, char drop) {
  std::string kept;
  for (char c : text) {
    if (c != drop) kept += c;
  }
  return kept;
}

void ApplyStretchLine(const std::string& upper, int section) {
  if (EndsWith(upper, "RANDOM+")) StretchModes[section] = 2;
  else if (EndsWith(upper, "RANDOM")) StretchModes[section] = 1;
  else if (EndsWith(upper, "FALSE")) StretchModes[section] = 0;
  else if (EndsWith(upper, "DOUBLE")) StretchModes[section] = -2;
}

// No patterns and no stretch lines: what a song file that can't be read leaves.
void ClearSongTables() {
  PatternCounts.fill(0);
  StretchModes.fill(-1);
  for (auto& section : SongPatterns) section.assign(1, std::string());
}

// A "[SECTION]" line (any case; closing brackets are dropped before the
// comparison) makes its section the current one; an unknown header leaves
// the current one.
void ApplyHeaderLine(const std::string& line, int& current) {
  std::string header = Without(UpperAscii(line), ']');
  for (int s = 0; s < 5; ++s) {
    if (header == kSectionHeaders[s]) current = s;
  }
}

// A quoted line is a pattern of the current section, quotes dropped, up to
// kMaxPatterns per section. Lines before the first header are ignored.
void AddPatternLine(const std::string& line, int current) {
  if (current < 0 || PatternCounts[current] >= kMaxPatterns) return;
  ++PatternCounts[current];
  SongPatterns[current].push_back(Without(line, '"'));
}

// One line of a song file, trimmed: a header, a stretch line or a pattern.
void ReadSongLine(const std::string& line, int& current) {
  if (StartsWith(line, "[")) ApplyHeaderLine(line, current);
  std::string upper = UpperAscii(line);
  if (StartsWith(upper, "STRETCH") && current >= 0) ApplyStretchLine(upper, current);
  if (StartsWith(line, "\"")) AddPatternLine(line, current);
}

void FreeMusicParts() {
  for (int& part : MusicParts) {
    FreeSound(part);
    part = 0;
  }
  PartCounts.fill(0);
}

}  // namespace

void ResetSongFile() {
  MusicParts.fill(0);
  PartCounts.fill(0);
  ClearSongTables();
}

void LoadMusicParts() {
  // Every display set-up loads the parts again; the previous set's sounds are
  // released first so repeated set-ups don't pile up sound handles.
  FreeMusicParts();
  for (int n = 1; n <= 8; ++n) {
    std::string number = std::to_string(n);
    MusicParts[n] = LoadSound("music/d1-" + number + ".wav", 0);
    MusicParts[10 + n] = LoadSound("music/d2-" + number + ".wav", 0);
    for (int family = 1; family <= 3; ++family) {
      std::string path = kFamilyFiles[family] + number + ".wav";
      if (FileType(path) != 0) {
        PartCounts[family] = n;
        MusicParts[family * 10 + 10 + n] = LoadSound(path, 0);
      }
    }
  }
}

const std::string& SongPattern(int section, int number) {
  static const std::string kNone;
  if (section < 0 || section > 4) return kNone;
  // Only numbers the last reading counted are patterns: a failed reading
  // empties the section even though older strings may still be stored.
  if (number < 1 || number > PatternCounts[section]) return kNone;
  if (number >= static_cast<int>(SongPatterns[section].size())) return kNone;
  return SongPatterns[section][number];
}

bool ReadSongFile(const std::string& name) {
  ClearSongTables();
  std::string path = "music/" + name + ".ini";
  if (FileType(path) != 1) return false;
  int stream = ReadFile(path);
  if (stream == 0) return false;

  int current = -1;   // no section yet
  do {
    ReadSongLine(TrimLow(ReadLine(stream)), current);
  } while (Eof(stream) == 0);
  CloseStream(stream);
  return true;
}
