// Hands the framework the game's part of start-up, display set-up, every frame
// and the closing screen.
#include "game/game_entry.h"

#include "framework/frame_flip.h"
#include "framework/game_hooks.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/game_music.h"
#include "game/name_entry.h"
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
  ResetNameEntry();
  ResetGameMusic();
}

// The file once per run. A later set-up (Apply) keeps the list as it stands:
// reading it again would drop a round whose save failed and bring back
// records the panel has trimmed.
void LoadRecordsOnce() {
  if (!ScoresLoaded) LoadScores();
}

// A round still waiting for its name (the window closed at name entry) is
// recorded first, so that it is saved.
void SaveRecords() {
  RecordUnnamedRound();
  SaveScores();
}

// A score file that is there but could not be read is left alone for this
// session; the player hears of it on the title screen, where a notice is seen.
void RunGame() {
  // A damaged file that was read but could not be kept aside (a full disk):
  // the scores are shown, only saving is off.
  if (ScoreFileReadFailed()) {
    AddNotification("Could not read your scores", 1);
  } else if (ScoreFileUnreadable()) {
    AddNotification("Your scores will not be saved this session", 1);
  }
  TitleScreen();
}

}  // namespace

void InstallGameHooks() {
  GameHooks.resetTables = &ResetGameTables;
  GameHooks.loadMedia = &LoadDecks;
  GameHooks.loadRecords = &LoadRecordsOnce;
  GameHooks.saveRecords = &SaveRecords;
  GameHooks.drawOverlay = &DrawPopups;
  GameHooks.firstScreen = &RunGame;
}
