// Hands the framework the game's part of start-up, display set-up, every frame
// and the closing screen.
#include "game/game_entry.h"

#include "framework/game_hooks.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/game_music.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "game/table_drawing.h"
#include "game/title_screen.h"

namespace {

// In start-up's order.
void ResetGameTables() {
  ResetDecks();
  ResetCardRound();
  ResetTableDrawing();
  ResetScores();
  ResetScorePanel();
  ResetTitleScreen();
  ResetGameMusic();
}

void SaveRecords() { SaveScores(); }

}  // namespace

void InstallGameHooks() {
  GameHooks.resetTables = &ResetGameTables;
  GameHooks.loadMedia = &LoadDecks;
  GameHooks.loadRecords = &LoadScores;
  GameHooks.saveRecords = &SaveRecords;
  GameHooks.drawOverlay = &DrawPopups;
  GameHooks.firstScreen = &TitleScreen;
}
