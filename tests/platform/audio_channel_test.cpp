// Channels on the headless mixer: the cue/resume/stop lifecycle on the virtual
// clock, rate, volume and pan as heard in the pulled samples, the record of
// what played, stale handles, and the driver list and selection rules.
#include "platform/sound/sound_driver.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "wav_builder.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wavtest;

namespace {

class AudioChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();   // also restores the audio start-up state
  }
  void TearDown() override { plat::ResetAudio(); }
  int Load(const Bytes& wav) {
    std::string path = (dir_ / ("s" + std::to_string(++files_) + ".wav")).string();
    WriteFileBytes(path, wav);
    return LoadSound(path);
  }
  // A channel with the sound cued and started.
  int Start(int sound) {
    int ch = AllocChannel();
    CueSound(sound, ch);
    ResumeChannel(ch);
    return ch;
  }
  testsupport::TempFolder dir_{"audio"};
  int files_ = 0;
};

TEST_F(AudioChannelTest, CuedIsPausedUntilResumedThenPlaysForTheSoundsLength) {
  int sound = Load(Constant16(44100, 44100, 1000));   // one second
  ASSERT_GT(sound, 0);
  int ch = AllocChannel();
  ASSERT_GT(ch, 0);
  CueSound(sound, ch);
  EXPECT_EQ(ChannelPlaying(ch), 0);
  testhost::Advance(2000);                 // a cued sound waits, however long
  EXPECT_EQ(ChannelPlaying(ch), 0);
  EXPECT_EQ(testhost::PullSamples(4)[0], 0);

  ResumeChannel(ch);
  EXPECT_EQ(ChannelPlaying(ch), 1);
  testhost::Advance(990);
  EXPECT_EQ(ChannelPlaying(ch), 1);
  testhost::Advance(20);
  EXPECT_EQ(ChannelPlaying(ch), 0);
  ResumeChannel(ch);                        // a finished sound does not start over
  EXPECT_EQ(ChannelPlaying(ch), 0);
}

TEST_F(AudioChannelTest, StopIsImmediateAndTheChannelPlaysAgainAfterACue) {
  int sound = Load(Constant16(22050, 22050, 1000));
  int ch = Start(sound);
  EXPECT_EQ(ChannelPlaying(ch), 1);
  StopChannel(ch);
  EXPECT_EQ(ChannelPlaying(ch), 0);
  EXPECT_EQ(testhost::PullSamples(8)[0], 0);
  ResumeChannel(ch);                        // nothing cued any more
  EXPECT_EQ(ChannelPlaying(ch), 0);

  // The same handle carries the next play.
  CueSound(sound, ch);
  ResumeChannel(ch);
  EXPECT_EQ(ChannelPlaying(ch), 1);
  // Cueing again while playing rewinds and pauses.
  CueSound(sound, ch);
  EXPECT_EQ(ChannelPlaying(ch), 0);
}

TEST_F(AudioChannelTest, RateScalesPlayingTime) {
  int sound = Load(Constant16(11025, 11025, 1000));   // one second at its own rate
  int normal = Start(sound);
  int fast = AllocChannel();
  CueSound(sound, fast);
  SetChannelRate(fast, 2);
  ResumeChannel(fast);
  int slow = AllocChannel();
  CueSound(sound, slow);
  SetChannelRate(slow, 0.5f);
  ResumeChannel(slow);

  testhost::Advance(490);
  EXPECT_EQ(ChannelPlaying(fast), 1);
  testhost::Advance(20);
  EXPECT_EQ(ChannelPlaying(fast), 0);
  EXPECT_EQ(ChannelPlaying(normal), 1);
  testhost::Advance(500);
  EXPECT_EQ(ChannelPlaying(normal), 0);
  EXPECT_EQ(ChannelPlaying(slow), 1);
  testhost::Advance(1000);
  EXPECT_EQ(ChannelPlaying(slow), 0);
}

TEST_F(AudioChannelTest, RateZeroHoldsTheSoundSilentUntilRaised) {
  int sound = Load(Constant16(44100, 4410, 1000));   // 100 ms
  int ch = AllocChannel();
  CueSound(sound, ch);
  SetChannelRate(ch, 0);
  ResumeChannel(ch);
  testhost::Advance(5000);
  EXPECT_EQ(ChannelPlaying(ch), 1);
  EXPECT_EQ(testhost::PullSamples(4)[0], 0);
  SetChannelRate(ch, std::nanf(""));       // not a number: held too
  testhost::Advance(5000);
  EXPECT_EQ(ChannelPlaying(ch), 1);
  SetChannelRate(ch, 1);
  testhost::Advance(150);
  EXPECT_EQ(ChannelPlaying(ch), 0);
}

TEST_F(AudioChannelTest, VolumeAndPanShapeTheMix) {
  int ch = Start(Load(Constant16(44100, 44100, 10000)));
  // Every change glides over the mixer's ramp; the level after it is the one set.
  auto next = [] {
    auto s = testhost::PullSamples(plat::kRampFrames + 1);
    return std::pair<int, int>(s[s.size() - 2], s.back());
  };
  using LR = std::pair<int, int>;
  EXPECT_EQ(next(), LR(10000, 10000));      // centred: full level on both sides
  SetChannelVolume(ch, 0.5f);
  EXPECT_EQ(next(), LR(5000, 5000));
  SetChannelVolume(ch, 1);
  SetChannelPan(ch, -1);
  EXPECT_EQ(next(), LR(10000, 0));
  SetChannelPan(ch, 0.5f);
  EXPECT_EQ(next(), LR(5000, 10000));
  // Out-of-range values are clamped, not amplified or inverted.
  SetChannelVolume(ch, 7);
  SetChannelPan(ch, 9);
  EXPECT_EQ(next(), LR(0, 10000));
  SetChannelVolume(ch, -3);
  EXPECT_EQ(next(), LR(0, 0));
}

TEST_F(AudioChannelTest, StereoKeepsItsSidesAndVoicesSumWithoutWrapping) {
  int loud = Load(Constant16(44100, 1000, 30000));
  int lr = Load(Wav16(2, 44100, {0, 0, 1000, -2000, 1000, -2000}));   // starts from silence: no ramp
  Start(lr);
  auto s = testhost::PullSamples(2);
  EXPECT_EQ(s[2], 1000);
  EXPECT_EQ(s[3], -2000);

  Start(loud);
  Start(loud);
  s = testhost::PullSamples(plat::kRampFrames + 1);
  // Past the 16-bit range: turned down below full scale, never wrapped.
  EXPECT_GT(s[s.size() - 2], 25000);
  EXPECT_LE(s[s.size() - 2], plat::kLimitLevel);
}

TEST_F(AudioChannelTest, RateResamplesWithLinearInterpolation) {
  int ramp = Load(Wav16(1, 22050, {0, 1000, 2000, 3000}));
  int ch = Start(ramp);                     // half the output rate: one new frame per two
  auto s = testhost::PullSamples(6);
  std::vector<int16_t> left;
  for (size_t i = 0; i < s.size(); i += 2) left.push_back(s[i]);
  EXPECT_EQ(left, (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2500}));
  StopChannel(ch);
  testhost::PullSamples(plat::kRampFrames);   // its fade

  int ch2 = AllocChannel();
  CueSound(ramp, ch2);
  SetChannelRate(ch2, 2);                   // 22050 × 2: the recorded frames one by one
  ResumeChannel(ch2);
  s = testhost::PullSamples(5);
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(s[2], 1000);
  EXPECT_EQ(s[6], 3000);
  EXPECT_EQ(s[8], 0);                       // played out
  EXPECT_EQ(ChannelPlaying(ch2), 0);
}

TEST_F(AudioChannelTest, LongPullsRunToTheSoundsLastFrame) {
  int ch = Start(Load(Constant16(44100, 5000, 1000)));
  auto s = testhost::PullSamples(6000);
  ASSERT_EQ(s.size(), 12000u);
  EXPECT_EQ(s[2 * 4095], 1000);
  EXPECT_EQ(s[2 * 4096], 1000);
  EXPECT_EQ(s[2 * 4999 + 1], 1000);
  EXPECT_EQ(s[2 * 5000], 0);
  EXPECT_EQ(ChannelPlaying(ch), 0);
}

TEST_F(AudioChannelTest, PlayedRecordsEveryStartWithItsSettings) {
  int sound = Load(Constant16(44100, 441, 1));
  testhost::Advance(1234);
  int ch = AllocChannel();
  CueSound(sound, ch);
  SetChannelVolume(ch, 0.25f);
  SetChannelPan(ch, -0.5f);
  SetChannelRate(ch, 1.5f);
  ResumeChannel(ch);
  ResumeChannel(ch);                        // continuing is not a new start
  int ch2 = AllocChannel();
  CueSound(sound, ch2);                     // cued but never resumed: not played

  auto played = testhost::Played();
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0].sound, sound);
  EXPECT_EQ(played[0].channel, ch);
  EXPECT_FLOAT_EQ(played[0].volume, 0.25f);
  EXPECT_FLOAT_EQ(played[0].pan, -0.5f);
  EXPECT_FLOAT_EQ(played[0].rate, 1.5f);
  EXPECT_EQ(played[0].atMs, testhost::Clock());

  CueSound(sound, ch);
  ResumeChannel(ch);
  EXPECT_EQ(testhost::Played().size(), 2u);
  testhost::ClearPlayed();
  EXPECT_TRUE(testhost::Played().empty());
}

TEST_F(AudioChannelTest, StaleAndZeroHandlesAreIgnored) {
  int sound = Load(Constant16(44100, 44100, 1000));
  int ch = AllocChannel();
  CueSound(0, ch);
  CueSound(sound + 99, ch);
  ResumeChannel(ch);
  EXPECT_EQ(ChannelPlaying(ch), 0);
  EXPECT_TRUE(testhost::Played().empty());

  for (int bad : {0, -1, ch + 99}) {
    CueSound(sound, bad);
    ResumeChannel(bad);
    SetChannelVolume(bad, 1);
    StopChannel(bad);
    EXPECT_EQ(ChannelPlaying(bad), 0);
  }

  // A freed channel stops and its handle goes stale; new channels get new handles.
  CueSound(sound, ch);
  ResumeChannel(ch);
  FreeChannel(ch);
  EXPECT_EQ(ChannelPlaying(ch), 0);
  EXPECT_EQ(testhost::PullSamples(1)[0], 0);
  EXPECT_NE(AllocChannel(), ch);
}

TEST_F(AudioChannelTest, FreeingASoundSilencesItsChannels) {
  int sound = Load(Constant16(44100, 44100, 1000));
  int ch = Start(sound);
  FreeSound(sound);
  EXPECT_EQ(ChannelPlaying(ch), 0);
  EXPECT_EQ(testhost::PullSamples(1)[0], 0);
  CueSound(sound, ch);                      // stale now
  ResumeChannel(ch);
  EXPECT_EQ(ChannelPlaying(ch), 0);
}

TEST_F(AudioChannelTest, DriverListAndSelection) {
  auto names = AudioDrivers();
  ASSERT_GE(names.size(), 2u);
  auto startsWith = [](const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; };
  std::string openal;
  int free = 0;
  for (const auto& n : names) {
    EXPECT_EQ(AudioDriverExists(n), 1);
    free += startsWith(n, "Free");
    if (startsWith(n, "OpenAL")) openal = n;
  }
  EXPECT_EQ(free, 1);
  ASSERT_FALSE(openal.empty());
  const std::string mixer = CurrentAudioDriver();
  EXPECT_TRUE(startsWith(mixer, "Free"));   // our mixer by default

  // Exact names only; a failed choice keeps the driver in use.
  std::string upper = mixer;
  for (char& c : upper) c = char(std::toupper(c));
  EXPECT_EQ(AudioDriverExists(upper), 0);
  EXPECT_EQ(AudioDriverExists(""), 0);
  EXPECT_EQ(SetAudioDriver(upper), 0);
  EXPECT_EQ(SetAudioDriver("DirectMix Test"), 0);
  // The headless host never turns OpenAL on, so it cannot be selected.
  EXPECT_EQ(EnableOpenALAudio(), 0);
  EXPECT_EQ(SetAudioDriver(openal), 0);
  EXPECT_EQ(CurrentAudioDriver(), mixer);
  EXPECT_EQ(SetAudioDriver(mixer), 1);
}

}  // namespace
