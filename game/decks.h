// Card decks, table art, the heart and the title image.
#pragma once

#include <array>

// Loaded by LoadDecks after every display set-up; held until the next.
extern std::array<int, 30> DeckImages;   // by deck number 1..25, 0 = none
extern std::array<int, 30> TableImages;  // by table number 1..25
extern int DeckCount, TableCount;        // highest number found
extern int HeartImage;
extern int TitleImage;
// The player's choices, made on the title screen (and with X and Z during a
// round); kept for the whole run.
extern int DeckIndex;    // chosen deck, 1-based
extern int TableIndex;   // chosen table art, 1-based
extern int Difficulty;   // 0 Easy, 1 Medium, 2 Hard

void ResetDecks();
// Loads the decks, table art, heart and title image. Working folder: the game folder.
void LoadDecks();
void StepDeck();    // X: next deck, wrapping to 1
void StepTable();   // Z: next table art, wrapping to 1
// The chosen deck / table art image, 0 when the choice names no loaded file.
int CurrentDeckImage();
int CurrentTableImage();
