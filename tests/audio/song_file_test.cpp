// Song files and music parts: headers, stretch lines, pattern lines and their
// limit, a missing file, and how part families are counted.
#include "music_fixture.h"

using SongFileTest = MusicTest;

TEST_F(SongFileTest, HeadersPatternsAndStretchLines) {
  std::string text =
      "\"9\"\nSTRETCH=DOUBLE\n"                          // before any header: ignored
      "[drums]\nSTRETCH=RANDOM+\n\"1 2 \"\n"             // lower case selects
      "[CHORDS]]\nstretch random\n\"q\"\n"               // a doubled bracket selects
      "[ BASS]\n\"in chords\"\n"                         // not with a space: still CHORDS
      "[MELODY] lead\n\"in chords\"\n"                   // nor with trailing text
      "  [BASS]  \r\nStretch = false\n\t\"a\"b\"c\"  \r\n\"\"\n"  // trimmed; quotes anywhere go
      "[MELODY]\nSTRETCH=RANDOM\nSTRETCH DOUBLE\n"       // the later line wins
      "[ACCOMPANY]\nSTRETCH=FALSE\nSTRETCH=maybe\nnot a \"pattern\"\n";  // unknown ending: unchanged
  for (int i = 1; i <= 1000; ++i) text += "\"" + std::to_string(i) + "\"\n";
  WriteSong("s", text);
  ASSERT_TRUE(ReadSongFile("s"));

  EXPECT_EQ(PatternCounts, (std::array<int, 5>{1, 3, 2, 0, 998}));
  EXPECT_EQ(StretchModes, (std::array<int, 5>{2, 1, 0, -2, 0}));
  EXPECT_EQ(SongPattern(kSectionDrums, 1), "1 2 ");
  EXPECT_EQ(SongPattern(kSectionChords, 3), "in chords");
  EXPECT_EQ(SongPattern(kSectionBass, 1), "abc");
  EXPECT_EQ(SongPattern(kSectionBass, 2), "");         // quotes only: an empty pattern
  EXPECT_EQ(SongPattern(kSectionAccompany, 998), "998");
  EXPECT_EQ(SongPattern(kSectionAccompany, 999), "");

  // A missing file empties every section, whatever is still stored.
  EXPECT_FALSE(ReadSongFile("absent"));
  EXPECT_EQ(PatternCounts, (std::array<int, 5>{}));
  EXPECT_EQ(StretchModes, (std::array<int, 5>{-1, -1, -1, -1, -1}));
  EXPECT_EQ(SongPattern(kSectionDrums, 1), "");
  std::filesystem::create_directories("music/dir.ini");
  EXPECT_FALSE(ReadSongFile("dir"));
}

TEST_F(SongFileTest, PartFamiliesCountTheLastNumberFound) {
  for (const char* name : {"bass1", "bass2", "lead1", "d1-1", "d2-8"}) WritePart(name);
  LoadMusicParts();
  EXPECT_EQ(PartCounts, (std::array<int, 4>{0, 2, 1, 0}));
  EXPECT_TRUE(MusicParts[1] && !MusicParts[2] && MusicParts[18] && MusicParts[22] && MusicParts[31]);

  // A gap still counts to the last file; the missing slot stays empty, and
  // the previous set's sounds are released.
  std::filesystem::remove("music/bass2.wav");
  WritePart("bass3");
  int oldBass = MusicParts[21];
  LoadMusicParts();
  EXPECT_EQ(PartCounts[1], 3);
  EXPECT_TRUE(MusicParts[21] && !MusicParts[22] && MusicParts[23]);
  int channel = AllocChannel();
  CueSound(oldBass, channel);
  ResumeChannel(channel);
  EXPECT_TRUE(testhost::Played().empty());
  FreeChannel(channel);
}
