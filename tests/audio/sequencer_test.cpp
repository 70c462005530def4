// The sequencer: repeatable arrangements, drum step positions, silent
// letters and chord rates, phases and lead-ins, catch-up, the tracks'
// settings, and silence rather than a crash for empty patterns and missing parts.
#include <vector>

#include "music_fixture.h"

using SequencerTest = MusicTest;

namespace {

struct Arrangement {
  std::array<std::array<float, 64>, 5> grid;
  std::array<int, 4> parts;
  std::array<int, 20> silent;
  std::string progression;
  bool operator==(const Arrangement&) const = default;
};

std::vector<Arrangement> Arrange(int seed) {
  StartSong("varied", seed, 250);
  std::vector<Arrangement> out;
  for (int b = 0; b < 40; ++b, ArrangeBlock()) out.push_back({StepGrid, PartChoice, TrackSilent, Progression});
  return out;
}

// The steps among the next `steps` on which `track` sounded, with its sound.
std::vector<std::pair<int, int>> Hits(int track, int steps) {
  std::vector<std::pair<int, int>> hits;
  for (int s = 0; s < steps; ++s) {
    if (MusicTest::PlayOneStep() & (1 << track)) hits.push_back({StepIndex, testhost::Played().back().sound});
  }
  return hits;
}

}  // namespace

TEST_F(SequencerTest, SameSeedSameMusic) {
  WriteSong("varied",
            "[DRUMS]\nSTRETCH=RANDOM\n\"1 2 \"\n\"11 2\"\n[CHORDS]\n\"qqwe\"\n\"qetwqetw\"\n\"q\"\n"
            "[BASS]\nSTRETCH=RANDOM+\n\"q w e \"\n\"qq  ww\"\n[MELODY]\n\"qwerty\"\n[ACCOMPANY]\n\"q   w\"\n");
  for (const char* name : {"bass1", "bass2", "bass3", "lead1", "accompany1"}) WritePart(name);
  LoadMusicParts();
  std::vector<Arrangement> a = Arrange(1234);
  EXPECT_TRUE(a == Arrange(1234));
  EXPECT_FALSE(a == Arrange(1235));
  // One drum track, and bass or melody, always play.
  for (const Arrangement& r : a) {
    EXPECT_FALSE(r.silent[0] == 1 && r.silent[1] == 1);
    EXPECT_FALSE(r.silent[2] != 0 && r.silent[3] != 0);
    EXPECT_TRUE(r.parts[1] >= 1 && r.parts[1] <= 3 && r.parts[3] == 1);
  }
  testhost::Advance(777);
  StartSong("varied", -1, 250);
  EXPECT_EQ(SongSeed, MilliSecs());
}

TEST_F(SequencerTest, DrumStepPositions) {
  WriteBasicParts();
  WriteSong("flat", "[DRUMS]\nSTRETCH=FALSE\n\"1 2 \"\n[CHORDS]\n\"qqqq\"\n");
  StartSong("flat", 3, 100);
  OnlyTracks(1);
  int one = MusicParts[1], two = MusicParts[2];
  EXPECT_EQ(Hits(0, 12), (std::vector<std::pair<int, int>>{{0, one}, {2, two}, {4, one}, {6, two}, {8, one}, {10, two}}));

  // No STRETCH line: doubled, half the speed.
  WriteSong("slow", "[DRUMS]\n\"1 2 \"\n[CHORDS]\n\"qqqq\"\n");
  StartSong("slow", 3, 100);
  OnlyTracks(2);
  one = MusicParts[11], two = MusicParts[12];
  EXPECT_EQ(Hits(1, 24), (std::vector<std::pair<int, int>>{{0, one}, {4, two}, {8, one}, {12, two}, {16, one}, {20, two}}));

  // Drums start again every block; tonal patterns run on through the cycle.
  WriteSong("run", "[DRUMS]\nSTRETCH=FALSE\n\"1   2\"\n[CHORDS]\n\"qqqqqqqq\"\n[BASS]\nSTRETCH=FALSE\n\"qwert\"\n");
  StartSong("run", 9, 100);
  ArrangeBlock();
  EXPECT_EQ(StepGrid[0][0], 1);
  EXPECT_FLOAT_EQ(StepGrid[2][0], NoteRatio("t"));   // 64 mod 5 = 4: the fifth letter
}

TEST_F(SequencerTest, SilentLettersAndChordRates) {
  EXPECT_FLOAT_EQ(NoteRatio("Q"), 1.0f);
  EXPECT_FLOAT_EQ(NoteRatio("]"), 2.996f);
  for (const char* silent : {"z", "a", " ", "", "qq"}) EXPECT_EQ(NoteRatio(silent), 0.0f) << silent;

  WriteBasicParts();
  WriteSong("tones", "[CHORDS]\n\"eeee\"\n[BASS]\nSTRETCH=FALSE\n\"wza?Q\"\n");
  StartSong("tones", 11, 100);
  OnlyTracks(4);
  auto hits = Hits(2, 10);
  ASSERT_EQ(hits.size(), 4u);
  EXPECT_EQ(hits[1].first, 4);
  EXPECT_EQ(hits[3].first, 9);
  EXPECT_NEAR(testhost::Played()[0].rate, 1.122f * 1.26f, 1e-4);   // "w" over chord "e"
  EXPECT_NEAR(testhost::Played()[1].rate, 1.26f, 1e-4);            // "Q" over "e"

  // A chord letter that yields nothing sends rate 0 with its notes.
  WriteSong("zero", "[CHORDS]\n\"zzzz\"\n[BASS]\nSTRETCH=FALSE\n\"w\"\n");
  StartSong("zero", 11, 100);
  OnlyTracks(4);
  ASSERT_EQ(PlayOneStep(), 4);
  EXPECT_EQ(testhost::Played().back().rate, 0.0f);
}

TEST_F(SequencerTest, PhasesLetReturningTracksInEarly) {
  WriteBasicParts();
  // Eight letters, two blocks a cycle. The bass is held this cycle and comes
  // back in the next, so it enters over the last letter.
  WriteSong("phases", "[CHORDS]\n\"qqqqwwww\"\n[BASS]\nSTRETCH=FALSE\n\"q\"\n");
  for (int leadIn : {1, 2}) {
    StartSong("phases", 21, 40);
    OnlyTracks(0);
    NextTrackSilent[2] = 0;
    LeadIn[2] = leadIn;
    std::vector<int> entered, expected;   // block * 100 + step
    for (int s = 0; s < 128; ++s) {
      if (PlayOneStep() & 4) entered.push_back(BlockInCycle * 100 + StepIndex);
    }
    for (int step = leadIn == 1 ? 48 : 56; step < 64; ++step) expected.push_back(200 + step);
    EXPECT_EQ(entered, expected) << "lead-in " << leadIn;
    EXPECT_NEAR(testhost::Played().back().rate, 1.122f, 1e-4);   // the last letter, "w"
  }
}

TEST_F(SequencerTest, CatchesUpOneStepPerCallAfterAStall) {
  WriteSong("beat", "[DRUMS]\n\"1\"\n[CHORDS]\n\"qqqq\"\n");
  StartSong("beat", 2, 100);   // 50 ms a step
  for (int s = 0; s < 5; ++s) PlayOneStep();
  int due = NextStepTime;
  testhost::Advance(1000);
  int behind = (MilliSecs() - due + StepInterval - 1) / StepInterval;
  int calls = 0;
  for (int before = StepIndex; calls < 100; ++calls, before = StepIndex) {
    UpdateMusic();
    if (StepIndex == before) break;
    ASSERT_EQ(StepIndex, (before + 1) % 64);
  }
  EXPECT_EQ(calls, behind);
  EXPECT_EQ(NextStepTime, due + behind * StepInterval);
  EXPECT_GE(NextStepTime, MilliSecs());
}

TEST_F(SequencerTest, TrackSettingsAndChangesReachTheNextNote) {
  WriteBasicParts();
  WriteSong("all", "[DRUMS]\nSTRETCH=FALSE\n\"1\"\n[CHORDS]\n\"qqqq\"\n[BASS]\nSTRETCH=FALSE\n\"q\"\n"
                   "[MELODY]\nSTRETCH=FALSE\n\"w\"\n[ACCOMPANY]\nSTRETCH=FALSE\n\"e\"\n");
  ::Setup[kSetupMaster] = ::Setup[kSetupMusic] = 100;
  StartSong("all", 4, 100);
  OnlyTracks(0x1f);
  ASSERT_EQ(PlayOneStep(), 0x1f);
  const float pans[5] = {0.3f, -0.3f, -0.3f, 0, 0.3f}, volumes[5] = {1, 1, 1, 1, 0.5f}, rates[5] = {1, 1, 1, 1.122f, 1.26f};
  for (int t = 0; t < 5; ++t) {
    testhost::PlayedSound p = testhost::Played()[t];
    EXPECT_EQ(p.channel, ChannelSlots[t]);
    EXPECT_NEAR(p.pan, pans[t], 1e-6) << t;
    EXPECT_NEAR(p.volume, volumes[t], 1e-6) << t;
    EXPECT_NEAR(p.rate, rates[t], 1e-4) << t;
  }
  ::Setup[kSetupMusic] = 50;
  ::Setup[kSetupMaster] = 40;
  SetMusicSpread(0.8f);
  testhost::ClearPlayed();
  ASSERT_EQ(PlayOneStep(), 0x1f);
  EXPECT_NEAR(testhost::Played()[0].volume, 0.2f, 1e-6);
  EXPECT_NEAR(testhost::Played()[4].volume, 0.1f, 1e-6);
  EXPECT_NEAR(testhost::Played()[1].pan, -0.8f, 1e-6);

  // Stopping cuts and releases every track's channel.
  int ringing = ChannelSlots[3];
  StopMusic();
  EXPECT_EQ(ChannelPlaying(ringing), 0);
  EXPECT_EQ(ChannelSlots, (std::array<int, 260>{}));
  EXPECT_EQ(PlayOneStep(), 0);
}

TEST_F(SequencerTest, EmptyPatternsAndMissingPartsStaySilent) {
  // Sections without lines, quotes-only patterns, and no part files at all.
  WriteSong("hollow", "[DRUMS]\n\"\"\n[BASS]\n\"q\"\n[MELODY]\n\"\"\n");
  StartSong("hollow", 8, 20);
  ASSERT_EQ(MusicPlaying, 1);
  OnlyTracks(0x1f);
  for (int s = 0; s < 300; ++s) ASSERT_EQ(PlayOneStep(), 0);
  EXPECT_TRUE(testhost::Played().empty());

  // Drum parts 3 and 9 don't exist: only the 1s sound.
  WriteBasicParts();
  WriteSong("odd", "[DRUMS]\nSTRETCH=FALSE\n\"3919\"\n[CHORDS]\n\"qqqq\"\n");
  StartSong("odd", 8, 20);
  OnlyTracks(1);
  EXPECT_EQ(Hits(0, 8), (std::vector<std::pair<int, int>>{{2, MusicParts[1]}, {6, MusicParts[1]}}));

  // A missing song leaves the playing one going, into silence from its next cycle.
  StartSong("absent", 8, 20);
  EXPECT_EQ(MusicPlaying, 1);
  Hits(0, 56);
  for (int s = 0; s < 128; ++s) ASSERT_EQ(PlayOneStep(), 0);
}
