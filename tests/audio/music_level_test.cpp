// The music's loudness while it plays: the settings reach ringing notes at
// once, the level glides where it is sent and a fade-out ends the song, and
// the sequencer leaves the game's random numbers where they were.
#include <algorithm>
#include <cstdlib>

#include "music_fixture.h"

using MusicLevelTest = MusicTest;

namespace {

const char* const kSteadySong =
    "[DRUMS]\nSTRETCH=FALSE\n\"1\"\n[CHORDS]\n\"qqqq\"\n[BASS]\nSTRETCH=FALSE\n\"q\"\n"
    "[MELODY]\nSTRETCH=FALSE\n\"w\"\n[ACCOMPANY]\nSTRETCH=FALSE\n\"e\"\n";

int LoudestSample(int frames) {
  int peak = 0;
  for (int16_t s : testhost::PullSamples(frames)) peak = std::max(peak, std::abs(int(s)));
  return peak;
}

}  // namespace

TEST_F(MusicLevelTest, TheGamesRandomNumbersAreLeftAlone) {
  WriteBasicParts();
  WriteSong("steady", kSteadySong);
  SeedRnd(777);
  const int before = RndSeed();
  StartSong("steady", 5, 20);
  EXPECT_EQ(RndSeed(), before);
  // Past a block boundary, where the next block is arranged under the song's seed.
  for (int step = 0; step < 70; ++step) {
    PlayOneStep();
    ASSERT_EQ(RndSeed(), before) << "step " << step;
  }
  EXPECT_GE(BlockCount, 1);
}

TEST_F(MusicLevelTest, SettingsReachRingingNotesAtOnce) {
  WritePart("bass1", 22050 * 4);   // a note that rings for four seconds
  LoadMusicParts();
  WriteSong("bass", "[DRUMS]\n[CHORDS]\n\"qqqq\"\n[BASS]\nSTRETCH=FALSE\n\"q               \"\n");
  ::Setup[kSetupMaster] = ::Setup[kSetupMusic] = 100;
  StartSong("bass", 1, 200);
  OnlyTracks(1 << 2);
  ASSERT_EQ(PlayOneStep(), 1 << 2);
  const int full = LoudestSample(441);
  EXPECT_GT(full, 4000);

  ::Setup[kSetupMusic] = 25;
  UpdateMusic();
  LoudestSample(300);                        // the glide to the new volume
  EXPECT_NEAR(LoudestSample(441), full / 4, full / 50);
  ::Setup[kSetupMusic] = 100;
  ::Setup[kSetupMaster] = 0;
  UpdateMusic();
  LoudestSample(300);
  EXPECT_EQ(LoudestSample(441), 0);
}

TEST_F(MusicLevelTest, LevelGlidesAndAFadeOutStopsTheSong) {
  WriteBasicParts();
  WriteSong("steady", kSteadySong);
  ::Setup[kSetupMaster] = ::Setup[kSetupMusic] = 100;
  StartSong("steady", 3, 100);
  OnlyTracks(1 << 3);
  EXPECT_FLOAT_EQ(MusicLevel, 1);
  SetMusicLevel(0.2f, 1000);
  testhost::Advance(500);
  UpdateMusic();
  EXPECT_NEAR(MusicLevel, 0.6f, 0.01f);
  testhost::Advance(600);
  testhost::ClearPlayed();
  ASSERT_EQ(PlayOneStep(), 1 << 3);
  EXPECT_NEAR(testhost::Played().back().volume, 0.2f, 1e-6);   // new notes at the lowered level

  SetMusicLevel(7, 0);                       // clamped, at once
  EXPECT_FLOAT_EQ(MusicLevel, 1);
  EXPECT_FALSE(MusicFadingOut());
  FadeOutMusic(300);
  EXPECT_TRUE(MusicFadingOut());
  EXPECT_EQ(SongName, "steady");
  testhost::Advance(310);
  UpdateMusic();
  EXPECT_EQ(MusicPlaying, 0);
  EXPECT_EQ(SongName, "");
  EXPECT_EQ(ChannelSlots[3], 0);
  FadeOutMusic(300);                         // nothing playing: nothing to fade
  EXPECT_FALSE(MusicFadingOut());

  // A new song starts at full level.
  StartSong("steady", 3, 100);
  EXPECT_FLOAT_EQ(MusicLevel, 1);
  EXPECT_EQ(SongName, "steady");
}
