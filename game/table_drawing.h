// What the player sees during a round: the drifting backdrop, the table art,
// the cards with their flip and slide animations, the pick markers, the HUD
// and the "Game Over" caption. The board pass also steps the card animations
// and tells the round what moved and which card the pointer rests on.
#pragma once

#include <string>

// The round's 640-unit column starts here (virtual units).
int TableOrigin();

// Backdrop drift: colour weights and their speeds, for one round.
struct BackdropDrift {
  double r = 0, g = 0, b = 1;     // colour weights, 0..1 give or take a step
  double sr = 1, sg = 1, sb = 1;  // drift speeds
};
// Written by the round: StartBackdrop at its start, DrawBackdrop every frame.
extern BackdropDrift Backdrop;

void ResetTableDrawing();
// Round start: blue first, each speed +1 or -1 at random.
void StartBackdrop();
void DrawBackdrop();
void DrawTableArt();

struct BoardPassResult {
  bool animating = false;   // some card turned or slid this frame
  int hoverCell = -1;       // cell index Y * 10 + X of the face-down card at rest under the pointer; -1 none
};
// Draws every card and advances its animation by one frame.
BoardPassResult BoardPass();
// The keyboard and pad player's focus: a frame round the card position,
// black, white and yellow bands so it stands out on any deck and table art,
// in colour and in grey.
void DrawFocusFrame(int cell);
// Moves, draws and retires the pick markers.
void MarkerPass();
void DrawHud();
// Presents the finished frame, draws the caption over it and presents again.
void DrawGameOver();

// The HUD's zero-padded figures.
std::string ComboText(int combo);
std::string ScoreText(long long score);
