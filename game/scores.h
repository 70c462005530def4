// Score records, the program-wide score list and the score file "scores.dat".
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

// One finished round. Fields and their order are those of the score file.
struct Scores {
  int64_t Score = 0;
  int64_t Timestamp = 0;               // MakeTimestamp of the round's end
  int32_t Badges = 0;                  // bit k - 1: badge k; 0 in this game
  std::string Name;
  std::array<int32_t, 31> Best{};      // entries 1..30; 0 in this game
  int32_t Level = 0;                   // always 0 in this game
  int32_t GameMode = 0;                // difficulty: 0 Easy, 1 Medium, 2 Hard
  int32_t GameFlags = 0;               // always 0 in this game
  int32_t Quit = 0;                    // 1 when left through the pause menu

  // Sorting ascending by this puts the newest record first: other's stamp
  // minus ours, kept within 32 bits. 1 when there is no other record.
  int Compare(const Scores& other) const;
  int Compare(const Scores* other) const;
};

// Every recorded round, newest first; survives display set-up; read by
// LoadScores, written by SaveScores, trimmed by the score panel.
extern RecordList<Scores> ScoreList;
// The record last created, read, written or shown (a working reference).
extern std::shared_ptr<Scores> LastScore;
// The name entry's default: "Player", or the newest record's name once read.
extern std::string PlayerName;

// Set by LoadScores: the score file has been read this run. Display set-ups
// after the first keep the list in memory instead of reading the file again.
extern bool ScoresLoaded;

// Empty list, no last record, PlayerName "Player", the file not read yet.
void ResetScores();
// Sorts ScoreList newest first (stable: equal stamps keep their order).
void SortScores();
// Reads "scores.dat" of the current folder; without the file nothing changes.
void LoadScores();
// Writes ScoreList to "scores.dat" through "scores.dat.tmp", replacing the old
// file only after a complete write. Returns 1 on success; a failure is logged
// and leaves the old file as it was.
int SaveScores();
