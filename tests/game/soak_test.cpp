// A long soak: the bot plays 200 rounds at every difficulty with random
// mistakes. Every round must end, nothing may crash or hang, and memory must
// stay flat from round to round.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <random>

#include "framework/startup.h"
#include "game/decks.h"
#include "game/card_round.h"
#include "platform/platform.h"
#include "round_bot.h"
#include "round_fixture.h"

namespace {

long ResidentKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class SoakTest : public RoundTest {};

TEST_F(SoakTest, TwoHundredRoundsWithRandomMistakesAllEnd) {
  OpenDisplay(160, 120);   // the rules and the bot do not need pixels
  std::mt19937 rng(2024);
  std::uniform_real_distribution<double> mistakes(0.15, 0.7);
  int64_t platformMemory = 0;
  long residentAt20 = 0;
  size_t mostMarkers = 0;
  for (int round = 1; round <= 200; ++round) {
    SCOPED_TRACE(round);
    Difficulty = round % 3;
    StartRound();
    RoundBot bot(mistakes(rng), rng());
    int frames = bot.PlayToEnd(400000);
    ASSERT_GT(frames, 0) << "round did not end";
    ASSERT_TRUE(bot.ended());
    EXPECT_EQ(CurrentRound().endReason, 1);
    EXPECT_EQ(Lives, -1);
    mostMarkers = std::max(mostMarkers, Markers.size());
    if (round == 20) {
      platformMemory = GCMemAlloced();
      residentAt20 = ResidentKb();
    }
    if (round > 20) {
      ASSERT_EQ(GCMemAlloced(), platformMemory);
    }
  }
  // Markers leave the list once off screen: it never grows with the rounds.
  EXPECT_LT(mostMarkers, 100u);
  EXPECT_LT(ResidentKb() - residentAt20, 4096) << "resident memory grew";
}

}  // namespace
