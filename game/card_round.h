// One card round: the board, the turn rules, the end of the round.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "game/board.h"
#include "platform/platform.h"

// A pick marker: x the card's centre line, y its top edge at the pick.
struct icle {
  int x = 0, y = 0;
  int t = 0;      // 2 correct pick (rises), 1 wrong pick (falls)
  int rot = 0;    // degrees
};

// Per round, from StartRound to the record FinishRound makes of them; the
// turn rules and the score popups add to the score.
extern int64_t Score;                      // the round's score
extern int Lives, Combo;
extern int BadgesEarned;
extern std::array<int, 31> RoundBest;      // entries 1..30
extern int Level, GameFlags;               // always 0 in this game
// Added by the turn rules, moved and retired by the marker pass; they
// outlive the round until they leave the screen.
extern RecordList<icle> Markers;

// The keyboard and pad player's focus: a card position (cell index) picked
// by Space, Return or the pad's A. Shown from the first key or pad press,
// hidden again when the mouse moves, so a mouse player never sees it.
// Written by the round's focus input; per round.
extern int FocusCell;                      // cell index Y * 10 + X
extern bool FocusShown;

// Why a round ended; a quit keeps the pause menu's number.
enum RoundEnd : int { kRoundPlaying = 0, kRoundOutOfLives = 1, kRoundQuit = 99 };

enum class Phase { Waiting, Showing, Picking, Judging, AddingFirst, AddingSecond, Shuffling };

// Difficulty table: turns between new pairs and shuffles, and the lives.
struct DifficultyRow {
  int pairInterval, shuffleInterval, lives;
};
DifficultyRow DifficultyValues(int difficulty);   // out of range: Easy

// The turn state of the round being played. Only the round changes it;
// tests and the bench read it through CurrentRound().
struct RoundState {
  Phase phase = Phase::Waiting;
  int waitTimer = 60;        // frames left in Waiting
  int pairCount = 2;         // distinct values on the table
  int stepCount = 0;         // cards shown (Showing) or picks made (Picking)
  int cooldown = 0;          // still frames to wait
  std::array<int, 100> shownValues{};   // entries 1..stepCount
  std::string shownSequence, pickedSequence;  // one character per card
  int feedbackTimer = 0;     // frames to the delayed right / wrong cue
  int pairInterval = 6, shuffleInterval = 3;
  int turnsToNewPair = 6;
  int turnsToShuffle = 3;    // while Shuffling: swaps still to make
  int turnsJudged = 0;
  int endReason = 0;         // a RoundEnd
};
const RoundState& CurrentRound();

// The character a card value adds to a sequence: code 64 + (value mod 25).
std::string CardChar(int value);

void ResetCardRound();
// The whole round: start, frames until it ends, name entry and the record.
void PlayRound();

// The round in its pieces, in the order PlayRound runs them.
void StartRound();
// One frame of the round; true when the round ended in it ("Game Over" shown).
bool RoundFrame();
// The part of RoundFrame before the frame flip: a cleared frame, the deck and
// table keys, the backdrop, table art and cards, the focus, the turn rules,
// the markers and the HUD. The round benchmark times it on its own.
void RoundScene();
// The end cue, name entry, the new record in ScoreList and the saved file.
void FinishRound();
// A round that has ended but is still waiting for its name (name entry is
// open) is recorded now with the name as it stands, or the last name used
// when it was erased; the closing screen calls this before it saves, so a
// close during name entry never loses the round. Nothing happens otherwise.
void RecordUnnamedRound();

// The turn rules of one frame, given what the board pass reported; a card
// dealt in this frame sets animating. keyPickCell: the cell a key or pad
// press picks in this frame, -1 none; it picks exactly as a click would.
void ApplyTurnRules(bool& animating, int hoverCell, int keyPickCell = -1);
// The card nearest to cell `from` in direction (dx, dy) (one of them 0, the
// other 1 or -1): the closest along that way, the fewest rows or columns
// off it breaking ties; empty cells are skipped, the edges do not wrap.
// -1 when no card lies that way.
int NearestCard(int from, int dx, int dy);
// One frame of keyboard and pad input for the focus; returns the cell a
// press picks in this frame, or -1.
int FocusInput();
// Deals a card of this value, turning face up, beside the group on the table.
void PlaceDealtCard(int value);
// One swap of two neighbouring cards while shuffling.
void SwapOnce();
