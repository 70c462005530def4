// The round's sound effects by number: the game folder's NNN.wav files that
// the data generator writes and the round plays. The generator, the round
// and the tests all take the numbers from here.
#pragma once

namespace effect {

constexpr int kPickWrongLater = 2;    // delayed feedback: that pick was wrong
constexpr int kPickRightLater = 3;    // delayed feedback: that pick was right
constexpr int kTurnWrong = 4;         // a turn judged wrong
constexpr int kTurnRight = 5;         // a turn judged all right
constexpr int kSwapFirst = 6;         // card swaps: a whoosh up (6) or down (7)
constexpr int kSwapLast = 7;
constexpr int kTableFaceDown = 10;    // the whole table turning face down
constexpr int kCardFirst = 11;        // a card flipping: one of six, 11..16
constexpr int kCardLast = 16;
constexpr int kWrongPick = 17;        // a wrong pick
constexpr int kRoundOver = 18;        // the round is over

// Every number the round plays, for checks over all of them.
constexpr int kAll[] = {kPickWrongLater, kPickRightLater, kTurnWrong, kTurnRight, 6, 7,
                        kTableFaceDown, 11, 12, 13, 14, 15, 16, kWrongPick, kRoundOver};

}  // namespace effect
