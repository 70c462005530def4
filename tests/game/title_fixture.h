// Shared set-up for the title, panel and name-entry tests: a headless
// display of 800 x 600 with the 1280 x 960 drawing space, every module the
// frame routine touches at its start-up values, and records to show.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/scores.h"

namespace title_test {

// The headless display of tests/support, and the game's frame watcher and
// name entry at their start values as well.
void StartTitleDisplay();

// A record as a finished round leaves it.
std::shared_ptr<Scores> MakeRecord(int64_t score, int64_t stamp, int mode,
                                   const std::string& name = "P");

}  // namespace title_test
