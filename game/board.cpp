// The board's cells (start values: ResetCardRound, which owns the round).
#include "game/board.h"

std::array<int, 110> CardValue;
std::array<int, 110> FlipAngle;
std::array<int, 110> SlideX, SlideY;
std::array<int, 110> SwapCooldown;
