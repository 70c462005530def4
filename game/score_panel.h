// The high-score panel with its history graph, and the score popups.
#pragma once

#include <array>
#include <memory>

#include "game/scores.h"
#include "platform/platform.h"

// A score popup.
struct ore {
  int n = 0;
  float x = 0, y = 0;
  int t = 0;      // frames left
  int r = 0, g = 0, b = 0;
};

// Written by the score panel in every title-screen frame; the title screen
// sets the scroll and the choice back to 0 after each round.
extern std::array<std::shared_ptr<Scores>, 26> TopScores;  // slots 1..25
extern int PanelScroll;     // 0..1000
extern int PanelChoice;     // 0 none, 1..999 history, 1000 + k best-list row
extern std::shared_ptr<Scores> PanelShown;
// Added by AddPopup, aged and retired by DrawPopups every frame; for the run.
extern RecordList<ore> PopupList;

void ResetScorePanel();
void DrawScorePanel(int slide, int difficulty, int level, int flags);
void AddPopup(int n, float x, float y, int r, int g, int b);
// Once per frame, from FlipFrame; calls FrameWatcher at its end.
void DrawPopups();

// Called once per frame of every screen, after the popups are drawn (nullptr =
// none). Tests, benchmarks and demo bots watch or drive a running session
// through it; the game itself leaves it empty. Installed before the run
// starts and kept for it: start-up's resets leave it, as they leave the hooks.
extern void (*FrameWatcher)();
