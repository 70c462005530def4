// The end of a round: the caption, name entry, the new record at the head of
// the score list and the score file written at once; a quit from the pause
// menu is recorded as such; the round's song fades out under the name entry,
// and every round plays a tune of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "audio/music.h"
#include "framework/frame_flip.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/game_music.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "round_bot.h"
#include "round_fixture.h"

namespace {

class RoundEndTest : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(320, 240);
    ASSERT_EQ(ChangeDir(scratch_.Path().string()), 1);
    scratch_.UseAsGameData();   // scores.dat lands in its 253/
    PauseState = 1;                      // as the title screen runs a round
    FrameWatcher = nullptr;
  }
  // Timed input a little after now, as lines of an input script.
  static void At(int afterMs, const std::string& event) {
    testhost::ScriptLines(std::to_string(testhost::Clock() + afterMs) + " " + event + "\n");
  }
  std::string ScoreFile() { return scratch_.Read("253/scores.dat"); }
  // The game's song files, so the screens' songs play (silently: no parts).
  void CopySongs() {
    std::filesystem::create_directories(scratch_ / "music");
    for (const char* song : {"title", "easy", "medium", "hard"}) {
      const std::string file = std::string(song) + ".ini";
      std::filesystem::copy_file(testsupport::ShippedFiles() / "253/music" / file, scratch_ / "music" / file);
    }
  }
  // Escape opens the pause menu; Down picks "Quit", Space confirms.
  void QuitByThePauseMenu() {
    At(0, "keydown 27");
    At(100, "keyup 27");
    At(300, "keydown 40");
    At(350, "keyup 40");
    At(600, "keydown 32");
    At(650, "keyup 32");
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) ended = RoundFrame();
    ASSERT_TRUE(ended);
  }
};

// The music as each frame left it.
struct MusicAtFrame {
  uint32_t ms;
  bool naming;
  int playing;
  float level;
};
std::vector<MusicAtFrame> g_music;
void WatchMusic() { g_music.push_back({testhost::Clock(), NameEntryOpen, MusicPlaying, MusicLevel}); }

TEST_F(RoundEndTest, LostRoundIsRecordedNewestFirstAndSavedAtOnce) {
  auto older = std::make_shared<Scores>();
  older->Name = "Earlier";
  older->Timestamp = 1;
  ListAddLast(ScoreList, older);

  Difficulty = 2;
  StartRound();
  RoundBot bot(0.5, 3);
  ASSERT_GT(bot.PlayToEnd(200000), 0);
  const int64_t score = Score;
  testhost::PushMouseButton(1, false);
  At(1500, "keydown 13");
  At(1550, "keyup 13");
  FinishRound();

  ASSERT_EQ(ScoreList.size(), 2u);
  const Scores& made = *ScoreList.front();
  EXPECT_EQ(ScoreList.front(), LastScore);
  EXPECT_EQ(made.Score, score);
  EXPECT_EQ(made.Name, "Player");
  EXPECT_EQ(made.GameMode, 2);
  EXPECT_EQ(made.Quit, 0);
  EXPECT_EQ(made.Badges, 0);
  EXPECT_GT(made.Timestamp, 1);
  EXPECT_EQ(PauseState, 0);

  const std::string file = ScoreFile();
  const std::string first = std::to_string(score) + "|Player|0|" + std::to_string(made.Timestamp) + "|0|2|0|0\r\n";
  EXPECT_EQ(file.substr(0, first.size()), first);
  EXPECT_NE(file.find("|Earlier|"), std::string::npos);
}

TEST_F(RoundEndTest, QuitFromThePauseMenuEndsTheRoundAndIsRecorded) {
  Difficulty = 0;
  StartRound();
  for (int i = 0; i < 30; ++i) ASSERT_FALSE(RoundFrame());
  QuitByThePauseMenu();
  EXPECT_EQ(CurrentRound().endReason, 99);
  EXPECT_EQ(Lives, 5);
  At(1500, "keydown 13");
  At(1550, "keyup 13");
  FinishRound();
  ASSERT_EQ(ScoreList.size(), 1u);
  EXPECT_EQ(ScoreList.front()->Quit, 1);
  EXPECT_EQ(ScoreList.front()->GameMode, 0);
}

// The song the round left playing dies away while the player types the
// name, over the whole fade, instead of stopping at the entry's first frame.
TEST_F(RoundEndTest, TheRoundsSongFadesOutOverTheNameEntry) {
  CopySongs();
  Difficulty = 1;
  StartRound();
  for (int i = 0; i < 30; ++i) ASSERT_FALSE(RoundFrame());
  ASSERT_EQ(MusicPlaying, 1);
  QuitByThePauseMenu();
  ASSERT_EQ(MusicPlaying, 1);
  const float before = MusicLevel;
  ASSERT_GT(before, 0);
  g_music.clear();
  FrameWatcher = &WatchMusic;
  At(2500, "keydown 13");
  At(2550, "keyup 13");
  FinishRound();
  FrameWatcher = nullptr;

  ASSERT_FALSE(g_music.empty());
  ASSERT_TRUE(g_music.front().naming);
  const uint32_t start = g_music.front().ms;
  float previous = before;
  bool midway = false;
  for (const MusicAtFrame& f : g_music) {
    if (!f.naming) continue;
    const uint32_t since = f.ms - start;
    if (since < 1000) {
      EXPECT_EQ(f.playing, 1) << since << " ms into the name entry";
      EXPECT_LE(f.level, previous);
      previous = f.level;
      midway |= since >= 400 && since <= 800 && f.level > before / 5 && f.level < before * 4 / 5;
    }
    if (since > 1400) {
      EXPECT_EQ(f.playing, 0) << "still playing " << since << " ms into the name entry";
    }
  }
  EXPECT_TRUE(midway);
}

// A new round draws a new tune, whichever the difficulty and however often
// it is played: the song's seed is chosen afresh for every round.
TEST_F(RoundEndTest, EveryRoundOfEveryDifficultyPlaysATuneOfItsOwn) {
  CopySongs();
  std::set<int> seeds;
  for (int difficulty : {0, 1, 2}) {
    for (int round = 0; round < 3; ++round) {
      Difficulty = difficulty;
      StartRound();
      ASSERT_FALSE(RoundFrame());
      ASSERT_EQ(MusicPlaying, 1);
      EXPECT_EQ(SongName, SongFor(RoundSong(difficulty)).name);
      EXPECT_TRUE(seeds.insert(SongSeed).second) << "difficulty " << difficulty << ", round " << round;
      // The round's song fades at name entry, the title screen plays its own.
      StopMusic();
      PlayScreenSong(ScreenSong::Title);
      testhost::Advance(3000);
    }
  }
}

}  // namespace
