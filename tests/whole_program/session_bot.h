// A small bot that plays whole sessions of the real program on the headless
// host, in a child process: it reads the board each frame, follows the turn
// the game shows, enters names and reports what it saw to a text file.
#pragma once

#include <string>
#include <vector>

namespace e2e {

enum class Plan {
  PlayEachDifficulty,   // Easy, Medium, Hard: one round each, then Escape
  InspectPanel,         // show each difficulty's panel, report TopScores, then Escape
  Listen,               // title, a Medium round paused and continued, quit, title again:
                        // report the song and the music notes started on each screen
  KeysOnlyMedium,       // one Medium round with the keyboard alone: Return, arrows, Space
};

struct BotConfig {
  Plan plan = Plan::PlayEachDifficulty;
  std::vector<std::string> names;   // typed in the name entry of round 1, 2, 3
  int correctTurns = 1;             // turns played right before playing wrong
  std::string reportPath;           // absolute path of the report file
};

// The centre of a board cell, in virtual units, as the round lays it out.
int CellCentreX(int cell);
int CellCentreY(int cell);

// Forks and runs the whole program in a real window in folder root (which
// gets a copy of the game's Files/, set to start on the software back end,
// the quickest under Xvfb) on the display the environment names: the SDL
// host, no sound device, watcher called every frame; inChild runs in the
// child first (to open its report). Returns the child's exit code (-1 when
// it did not exit normally, e.g. the time limit killed it).
int RunInRealWindow(const std::string& root, void (*inChild)(), void (*watcher)());

// Forks, runs the whole program headless in folder root with the bot, and
// returns the child's exit code (-1 when it did not exit normally, e.g. the
// time limit killed it).
int RunSession(const std::string& root, const BotConfig& config);

}  // namespace e2e
