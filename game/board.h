// The board: the card cells that the round and the table drawing both write
// (the round deals, turns and swaps; the drawing moves the turns and slides
// on). Index Y * 10 + X, columns and rows 0..9; cards only in 1..6.
#pragma once

#include <array>

// Written by the round (its start, the turn rules) and the board pass's
// animation; per round.
extern std::array<int, 110> CardValue;    // 0 none, 1..18
extern std::array<int, 110> FlipAngle;    // 180 face up, 0 face down, 1..179 / 181..360 turning
extern std::array<int, 110> SlideX, SlideY;
extern std::array<int, 110> SwapCooldown;
