// The WAV reader: the formats the game's sounds use decode to the right
// length and values; malformed, truncated and absurd files are refused.
#include "platform/sound/sound_driver.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "wav_builder.h"

#include <gtest/gtest.h>

using namespace wavtest;

namespace {

bool Decode(const Bytes& b, plat::SoundData& out) { return plat::DecodeWav(b.data(), b.size(), out); }
bool Decodes(const Bytes& b) {
  plat::SoundData s;
  return Decode(b, s);
}

TEST(WavDecode, SixteenBitMonoAndStereoKeepValuesAndLength) {
  plat::SoundData s;
  ASSERT_TRUE(Decode(Wav16(1, 44100, {0, 1, -1, 32767, -32768}), s));
  EXPECT_EQ(s.channels, 1);
  EXPECT_EQ(s.rate, 44100);
  EXPECT_EQ(s.Frames(), 5u);
  EXPECT_EQ(s.samples, (std::vector<int16_t>{0, 1, -1, 32767, -32768}));

  ASSERT_TRUE(Decode(Wav16(2, 22050, {100, -100, 200, -200, 300, -300}), s));
  EXPECT_EQ(s.channels, 2);
  EXPECT_EQ(s.Frames(), 3u);
  EXPECT_EQ(s.samples[4], 300);
  EXPECT_EQ(s.samples[5], -300);
}

TEST(WavDecode, EightBitIsUnsignedAroundMidScale) {
  plat::SoundData s;
  ASSERT_TRUE(Decode(Wav8(1, 8000, {128, 0, 255, 129}), s));
  EXPECT_EQ(s.samples, (std::vector<int16_t>{0, -32768, 32512, 256}));
  ASSERT_TRUE(Decode(Wav8(2, 11025, {0, 255, 128, 128}), s));
  EXPECT_EQ(s.channels, 2);
  EXPECT_EQ(s.Frames(), 2u);
}

TEST(WavDecode, OddRatesAreKept) {
  for (int rate : {7350, 11025, 22050, 31999, 48000, 96000}) {
    plat::SoundData s;
    ASSERT_TRUE(Decode(Constant16(rate, 10, 5), s)) << rate;
    EXPECT_EQ(s.rate, rate);
  }
}

TEST(WavDecode, UnknownChunksAreSkippedIncludingOddSizedOnes) {
  Bytes odd = {1, 2, 3};   // padded to an even length in the file
  plat::SoundData s;
  ASSERT_TRUE(Decode(Riff({Chunk("LIST", odd), Chunk("fmt ", FmtBody(1, 44100, 16)), Chunk("junk", {}),
                           Chunk("data", Pcm16({7, 8, 9})), Chunk("cue ", odd)}),
                     s));
  EXPECT_EQ(s.samples, (std::vector<int16_t>{7, 8, 9}));
}

TEST(WavDecode, ExtensibleHeaderWithPcmSubformat) {
  Bytes fmt = FmtBody(2, 44100, 16, -1, 0xFFFE);
  Put16(fmt, 22);    // extension size
  Put16(fmt, 16);    // valid bits
  Put32(fmt, 3);     // channel mask
  Put16(fmt, 1);     // sub-format: PCM, then the rest of the GUID
  for (int i = 0; i < 14; ++i) fmt.push_back(uint8_t(i));
  plat::SoundData s;
  ASSERT_TRUE(Decode(Riff({Chunk("fmt ", fmt), Chunk("data", Pcm16({1, 2}))}), s));
  EXPECT_EQ(s.channels, 2);
}

TEST(WavDecode, PartialTrailingFrameIsDropped) {
  Bytes data = Pcm16({10, 20, 30, 40});
  data.push_back(0x55);   // half a sample more
  plat::SoundData s;
  ASSERT_TRUE(Decode(Riff({Chunk("fmt ", FmtBody(2, 44100, 16)), Chunk("data", data)}), s));
  EXPECT_EQ(s.Frames(), 2u);
}

// The broken files of the fuzz corpus cover single faults (wrong fields,
// oversized chunks); here every cut of a good file must be refused, and a
// cut that only loses trailing junk must not be.
TEST(WavDecode, EveryTruncationIsRefused) {
  Bytes good = Wav16(2, 44100, std::vector<int16_t>(40, 3));
  for (size_t cut = 0; cut < good.size(); ++cut) {
    EXPECT_FALSE(Decodes(Bytes(good.begin(), good.begin() + ptrdiff_t(cut)))) << cut;
  }
  Bytes padded = good;
  padded.insert(padded.end(), 7, 0xEE);
  EXPECT_TRUE(Decodes(padded));
}

// LoadSound reads the file, refuses what the reader refuses and hands out
// handles that stay unique after freeing.
class LoadSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();   // also restores the audio start-up state
  }
  void TearDown() override { plat::ResetAudio(); }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  testsupport::TempFolder dir_{"wav"};
};

TEST_F(LoadSoundTest, RefusedFilesGiveNoneAndHandlesAreNeverReused) {
  EXPECT_EQ(LoadSound(Path("missing.wav")), 0);
  EXPECT_EQ(LoadSound(dir_.Path().string()), 0);   // a folder
  WriteFileBytes(Path("text.wav"), Bytes{'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(LoadSound(Path("text.wav")), 0);

  WriteFileBytes(Path("a.wav"), Constant16(22050, 100, 1));
  int a = LoadSound(Path("a.wav"));
  int b = LoadSound(Path("a.wav"));
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  FreeSound(a);
  FreeSound(a);   // stale: ignored
  FreeSound(0);
  int c = LoadSound(Path("a.wav"));
  EXPECT_NE(c, a);
  EXPECT_NE(c, b);
}

}  // namespace
