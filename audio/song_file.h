// Song files and music parts: the recorded parts the sequencer plays and the
// song text file of pattern lines grouped by section.
#pragma once

#include <array>
#include <string>
#include <vector>

// Parts: 1..8 drum 1, 11..18 drum 2, 21..28 bass, 31..38 melody, 41..48 accompaniment.
// Replaced on every display set-up by LoadMusicParts. 0 = none.
extern std::array<int, 50> MusicParts;
extern std::array<int, 4> PartCounts;          // 1 bass, 2 melody, 3 accompaniment; highest N found
// Written by ReadSongFile for each song started; held until the next.
extern std::array<std::vector<std::string>, 5> SongPatterns;  // by section, entries from 1
extern std::array<int, 5> PatternCounts;
extern std::array<int, 5> StretchModes;        // -1 none, 0 FALSE, 1 RANDOM, 2 RANDOM+, -2 DOUBLE

// Sections of a song file.
constexpr int kSectionDrums = 0, kSectionChords = 1, kSectionBass = 2, kSectionMelody = 3,
              kSectionAccompany = 4;

void ResetSongFile();
void LoadMusicParts();                 // working folder: the game folder
bool ReadSongFile(const std::string& name);
// Pattern `number` (1-based) of a section as last read; empty outside 1..count.
const std::string& SongPattern(int section, int number);
