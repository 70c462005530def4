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

// 1 when bit n - 1 of bits is set (n counts from 1); 0 for n outside 1..32.
// A record's badges are read this way: badge k is GetBit(Badges, k).
inline int GetBit(int bits, int n) {
  if (n < 1 || n > 32) return 0;
  return (static_cast<uint32_t>(bits) & (1u << (n - 1))) != 0 ? 1 : 0;
}

// Every recorded round, newest first, for the run: filled by LoadScores and
// each round's record, written by SaveScores, trimmed by the score panel.
extern RecordList<Scores> ScoreList;
// The record last created, read, written or shown (a working reference);
// written by the round, the score file and the score panel.
extern std::shared_ptr<Scores> LastScore;
// The name entry's default: "Player", or the newest record's name once read.
// Edited by name entry; kept for the run.
extern std::string PlayerName;

// Set by LoadScores: the score file has been read this run. Display set-ups
// after the first keep the list in memory instead of reading the file again.
extern bool ScoresLoaded;

// Empty list, no last record, PlayerName "Player", the file not read yet.
void ResetScores();
// Sorts ScoreList newest first (stable: equal stamps keep their order).
void SortScores();
// Reads "scores.dat" of the game folder; without the file nothing changes.
// Lines that are neither a whole record line nor a Best line are skipped, and
// such a file is first kept aside as "scores.dat.bad-<stamp>". A file that is
// there but can't be read is logged and never saved over.
void LoadScores();
// Writes ScoreList to "scores.dat" through "scores.dat.tmp", replacing the old
// file (or the file a link points to) only after a complete write, under a
// lock ("scores.dat.lock") shared with other copies of the game. A file that
// changed on disk since this session read or wrote it is read again first and
// the rounds in it that the list lacks (and this session did not trim) join
// the list. Nothing is written when the list is what was read or last
// written. Returns 1 on success; a failure is logged, the player told once
// per session, and the old file left as it was.
int SaveScores();
// Brings in the rounds another copy of the game saved (in the browser:
// another tab) when the platform says the player's files changed elsewhere;
// called every frame by the screens that show the scores.
void PickUpSavedScores();
// The file's text exactly as SaveScores writes it, ScoreList in list order.
std::string ScoreFileText();
// True when this session's score file could not be read (or kept aside):
// it is not saved over this session.
bool ScoreFileUnreadable();
// True when it could not be read at all (not only its copy failed).
bool ScoreFileReadFailed();

// What reading a score file's text made of it.
struct ScoreTextCheck {
  int skipped = 0;    // lines that were neither a record line nor its Best line
  int repaired = 0;   // records kept with a value held in range, a name
                      // cleaned, or no Best line
};
// The records of a score file's text in file order. A record line has eight
// fields with numbers where numbers belong; its Best line (thirty numbers)
// is the next such line before another record line. LF, CR LF and a lone CR
// end lines.
RecordList<Scores> ReadScoreText(const std::string& bytes, ScoreTextCheck& check);
