// Every drum digit reaches its part (the last part of each kit included),
// and a song's first blocks arranged exactly as the sequencer's rules work
// them out from the seed: progressions, part choices, silences, patterns
// with their stretching, and the step grid filled from them.
#include <vector>

#include "music_fixture.h"

using ArrangementTest = MusicTest;

namespace {

// The sounds started on `track` over the next `steps` steps, in order.
std::vector<int> SoundsOf(int track, int steps) {
  std::vector<int> sounds;
  for (int s = 0; s < steps; ++s) {
    if (MusicTest::PlayOneStep() & (1 << track)) sounds.push_back(testhost::Played().back().sound);
  }
  return sounds;
}

// The arrangement rules on their own, on the platform's generator.
struct RuleBook {
  explicit RuleBook(int songSeed) : seed(songSeed) {}
  int seed;
  std::array<int, 5> counts{};
  std::array<int, 5> modes{};
  std::array<std::vector<std::string>, 5> patterns;   // entries from 1
  std::array<int, 4> partCounts{};

  int blockCount = -1, blockInCycle = -1;
  std::string progression;
  std::array<int, 4> part{};
  std::array<int, 20> silent{}, next{}, lead{};
  std::array<std::string, 5> track;

  std::string Pick(int section, int salt) const {
    SeedRnd(seed * 1024 + blockInCycle + blockCount + salt);
    for (int i = 0; i < blockCount * 4 + salt; ++i) Rand(0, 1000);
    std::string p = patterns[section][Rand(1, counts[section])];
    if (section == kSectionChords) return p;
    const int r = Rand(0, 2), mode = modes[section];
    auto stretch = [&p] {
      std::string out;
      for (char c : p) out += std::string(1, c) + " ";
      p = out;
    };
    if ((mode > 0 && r > 0) || mode < 0) stretch();
    if ((mode == 2 && r == 2) || mode == -2) stretch();
    return p;
  }
  void Start() {
    SeedRnd(seed * 1024);
    for (int k = 0; k < 20; ++k) next[k] = Rand(0, 1);
    Arrange();
  }
  void Arrange() {
    SeedRnd(seed * 1024 + blockInCycle + blockCount);
    ++blockCount;
    ++blockInCycle;
    if (!progression.empty() && blockInCycle <= static_cast<int>(progression.size()) / 4) return;
    for (int f = 1; f <= 3; ++f) part[f] = Rand(1, partCounts[f]);
    blockInCycle = 1;
    progression = Pick(kSectionChords, 13);
    for (int k = 0; k < 20; ++k) {
      silent[k] = next[k];
      next[k] = Rand(0, 1);
      lead[k] = Rand(1, 2);
    }
    if (silent[0] != 0 && silent[1] == 1) silent[Rand(0, 1)] = 0;
    if (silent[2] != 0 && silent[3] != 0) silent[Rand(2, 3)] = 0;
    track = {Pick(kSectionDrums, 3), Pick(kSectionDrums, 7), Pick(kSectionBass, 13),
             Pick(kSectionMelody, 19), Pick(kSectionAccompany, 29)};
  }
  float Cell(int t, int s) const {
    const std::string& p = track[t];
    if (t < 2) {
      const char c = p[s % p.size()];
      return c >= '0' && c <= '9' ? static_cast<float>(c - '0') : 0.0f;
    }
    const char c = p[(s + (blockInCycle - 1) * 64) % p.size()];
    return c == ' ' ? 0.0f : NoteRatio(std::string(1, c));
  }
};

}  // namespace

TEST_F(ArrangementTest, EveryDrumDigitPlaysItsPartOfEachKit) {
  for (int n = 1; n <= 8; ++n) {
    WritePart("d1-" + std::to_string(n));
    WritePart("d2-" + std::to_string(n));
  }
  LoadMusicParts();
  WriteSong("kit", "[DRUMS]\nSTRETCH=FALSE\n\"1234567890 x\"\n[CHORDS]\n\"qqqq\"\n");
  for (int track : {0, 1}) {
    SCOPED_TRACE(track);
    StartSong("kit", 5, 100);
    OnlyTracks(1 << track);
    std::vector<int> expected;
    for (int n = 1; n <= 8; ++n) expected.push_back(MusicParts[10 * track + n]);
    EXPECT_EQ(SoundsOf(track, 12), expected);   // 9, 0, space and letters sound nothing
  }
}

TEST_F(ArrangementTest, FirstBlocksFollowTheRulesForTheSeed) {
  const std::string song =
      "[DRUMS]\nSTRETCH=RANDOM\n\"1 2 \"\n\"3  4\"\n\"5\"\n"
      "[CHORDS]\n\"qwer\"\n\"tyuiqwer\"\n\"zxcvbnmq\"\n"
      "[BASS]\nSTRETCH=RANDOM+\n\"q w e \"\n\"rt\"\n"
      "[MELODY]\n\"qwerty\"\n\"e  e\"\n"
      "[ACCOMPANY]\nSTRETCH=DOUBLE\n\"q   w\"\n\"ee r\"\n";
  WriteSong("golden", song);
  for (const char* name : {"bass1", "bass2", "bass3", "lead1", "lead2", "accompany1"}) WritePart(name);
  LoadMusicParts();

  for (int seed : {4242, 7, 123456}) {
    SCOPED_TRACE(seed);
    RuleBook book(seed);
    book.counts = {3, 3, 2, 2, 2};
    book.modes = {1, -1, 2, -1, -2};
    book.patterns[kSectionDrums] = {"", "1 2 ", "3  4", "5"};
    book.patterns[kSectionChords] = {"", "qwer", "tyuiqwer", "zxcvbnmq"};
    book.patterns[kSectionBass] = {"", "q w e ", "rt"};
    book.patterns[kSectionMelody] = {"", "qwerty", "e  e"};
    book.patterns[kSectionAccompany] = {"", "q   w", "ee r"};
    book.partCounts = {0, 3, 2, 1};
    book.Start();
    StartSong("golden", seed, 250);
    for (int block = 0; block < 8; ++block, book.Arrange(), ArrangeBlock()) {
      SCOPED_TRACE(block);
      ASSERT_EQ(BlockCount, book.blockCount);
      ASSERT_EQ(BlockInCycle, book.blockInCycle);
      EXPECT_EQ(Progression, book.progression);
      EXPECT_EQ(PartChoice, book.part);
      EXPECT_EQ(TrackSilent, book.silent);
      EXPECT_EQ(NextTrackSilent, book.next);
      EXPECT_EQ(LeadIn, book.lead);
      EXPECT_EQ(TrackPatterns, book.track);
      for (int t = 0; t < 5; ++t)
        for (int s = 0; s < 64; ++s) ASSERT_FLOAT_EQ(StepGrid[t][s], book.Cell(t, s)) << "track " << t << " step " << s;
    }
  }
}
