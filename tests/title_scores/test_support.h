// Shared set-up for the title, panel and name-entry tests: a headless
// display of 800 x 600 with the 1280 x 960 drawing space, every module the
// frame routine touches at its start-up values, and a scratch folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/scores.h"
#include "support/scratch_game_folder.h"

namespace title_test {

// A fresh game folder made the working folder; removed again by the destructor.
class ScratchFolder : public ScratchGameFolder {
 public:
  ScratchFolder() : ScratchGameFolder("mnemora_title") {}
};

// Restarts the headless host, opens the display and resets the modules.
void StartHeadlessDisplay();

// A record as a finished round leaves it.
std::shared_ptr<Scores> MakeRecord(int64_t score, int64_t stamp, int mode,
                                   const std::string& name = "P");

// Writes text to a file as bytes, no line-end translation.
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

}  // namespace title_test
