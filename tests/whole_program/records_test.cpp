// The player's records through whole runs of the program: a round is never
// lost to a close during name entry, and a score file that can't be read is
// left as it was while the player is told.
#include <gtest/gtest.h>

#include "whole_program/game_run.h"

using gamerun::GameDir;

namespace {

// Starts a round from the title screen, quits it through the pause menu
// (Escape opens it, Down moves to Quit, Escape takes it), up to "Enter Your
// Name".
const char* const kQuitRound =
    "12000 click 640 560\n"
    "+3000 key 27\n"
    "+1000 key 40\n"
    "+500 key 27\n";
// Then types there.
const std::string kQuitRoundAndType = std::string(kQuitRound) + "+4000 text Zed\n";

}  // namespace

TEST(Records, ClosingDuringNameEntryRecordsTheRound) {
  GameDir dir("close-name");
  std::string script = kQuitRoundAndType + "+1000 close\n+3000 key 32\n";
  ASSERT_EQ(dir.Run(script), 0) << dir.Read("run.log");
  std::string scores = dir.Read("Files/253/scores.dat");
  // The round quit through the pause menu, under the name typed so far.
  size_t at = scores.find("|PlayerZed|");
  ASSERT_NE(at, std::string::npos) << scores << dir.Read("run.log");
  std::string line = scores.substr(scores.rfind('\n', at) + 1);
  line = line.substr(0, line.find("\r\n"));
  EXPECT_EQ(line.substr(line.size() - 2), "|1") << line;   // Quit
  auto log = dir.LogLines();
  EXPECT_EQ(log.back(), "Play again, soon!!");
}

// A name erased to nothing when the window closes is no name: the round is
// stored under the name the entry opened with.
TEST(Records, ClosingAfterTheNameWasErasedRecordsItUnderThePreviousName) {
  GameDir dir("close-erased");
  std::string script = std::string(kQuitRound) + "+4000 key 8\n";
  for (int i = 0; i < 7; ++i) script += "+150 key 8\n";   // "Player", and one more
  ASSERT_EQ(dir.Run(script + "+1000 close\n+3000 key 32\n"), 0) << dir.Read("run.log");
  std::string scores = dir.Read("Files/253/scores.dat");
  EXPECT_EQ(scores.find("||"), std::string::npos) << scores;
  EXPECT_NE(scores.find("|Player|"), std::string::npos) << scores << dir.Read("run.log");
}
