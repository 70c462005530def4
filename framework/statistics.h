// The statistics overlay (F12): the frame rate, the collector's count, the
// memory in use and the sprites drawn against their budgets, at the top-left
// corner of every screen while it is shown.
#pragma once

// Draws it, from the frame routine, with the figures' font and scale set.
void DrawStatistics();
// While the statistics are shown, the right edge of their rate figure at the
// top-left corner (virtual units), so a screen's own text there can stand
// beside it; 0 while they are hidden.
int StatisticsRateRight();
