// Our mixer at the edit points of a mix, pulled without a device: stops,
// notes cut by the next note, starts in mid-stream and volume changes never
// jump further between neighbouring samples than the music itself does,
// where a hard edge would jump by the whole sample value; sounds that start
// from silence keep their attack to the sample; and the limiter keeps loud
// sums below full scale while quieter ones pass untouched, and lets go of
// them gradually.
#include "platform/sound/sound_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using plat::Mixer;
using plat::SoundData;

constexpr double kPi = 3.14159265358979;

// A mono 44.1 kHz sine of the given frequency and amplitude; `phase` 0.25
// starts it at its crest, the worst case for a hard start.
std::shared_ptr<SoundData> Sine(double hz, double amplitude, double seconds, double phase = 0.25) {
  auto s = std::make_shared<SoundData>();
  s->channels = 1;
  s->rate = 44100;
  size_t n = size_t(seconds * 44100);
  for (size_t i = 0; i < n; ++i) {
    s->samples.push_back(int16_t(std::lround(amplitude * std::sin(2 * kPi * (hz * double(i) / 44100 + phase)))));
  }
  return s;
}

std::vector<int16_t> Pull(Mixer& m, int frames) {
  std::vector<int16_t> out(size_t(frames) * 2);
  m.Mix(out.data(), frames);
  return out;
}

// The largest jump between neighbouring frames of the left side.
int LargestStep(const std::vector<int16_t>& a, const std::vector<int16_t>& b = {}) {
  std::vector<int16_t> all = a;
  all.insert(all.end(), b.begin(), b.end());
  int largest = 0;
  for (size_t i = 2; i < all.size(); i += 2) largest = std::max(largest, std::abs(all[i] - all[i - 2]));
  return largest;
}

plat::ChannelParams Full() { return plat::ChannelParams{}; }

// A 110 Hz tone at 20000 moves at most 2 pi 110 / 44100 x 20000 = 313 a frame.
constexpr int kToneStep = 314;
// What a 5 ms ramp from 20000 adds to it, with room for rounding.
constexpr int kRampStep = 20000 / plat::kRampFrames + 2;

}  // namespace

TEST(MixerEdges, StopsAndCutsFadeInsteadOfStepping) {
  auto tone = Sine(110, 20000, 1.0, 0);
  for (int cut = 0; cut < 3; ++cut) {
    SCOPED_TRACE(cut);
    Mixer m;
    m.Cue(1, tone, Full());
    m.Resume(1);
    // Stop exactly on a crest, where a hard edge drops the whole 20000.
    auto before = Pull(m, 100);   // 100 frames = a quarter period: the crest
    ASSERT_GT(std::abs(before[198]), 19900);
    if (cut == 0) m.Stop(1);
    if (cut == 1) m.Release(1);
    if (cut == 2) m.Cue(1, tone, Full());   // the same channel takes a new note
    EXPECT_FALSE(m.Playing(1));
    auto after = Pull(m, 2000);
    EXPECT_LE(LargestStep(before, after), kToneStep + kRampStep);
    // It is gone within the ramp: nothing heard afterwards, no voice kept.
    EXPECT_EQ(after[2 * plat::kRampFrames + 2], 0);
    EXPECT_EQ(m.FadingVoices(), 0);
  }
}

TEST(MixerEdges, ANoteCutByTheNextJoinsWithoutAStep) {
  // The sequencer's way: the old channel is stopped and released, a fresh one
  // starts a note that begins on its crest.
  auto tone = Sine(110, 20000, 1.0);
  Mixer m;
  m.Cue(1, tone, Full());
  m.Resume(1);
  auto before = Pull(m, 150);
  m.Stop(1);
  m.Release(1);
  m.Cue(2, tone, Full());
  EXPECT_TRUE(m.Resume(2));
  auto after = Pull(m, 1000);
  EXPECT_LE(LargestStep(before, after), kToneStep + 2 * kRampStep);
  // After the ramps the new note plays at its full level.
  EXPECT_NEAR(after[2 * 400], tone->samples[400], 1);
}

TEST(MixerEdges, OnlySoundsThatStartLoudAreRampedIn) {
  // Starting in mid-stream on a crest: the level rises over the ramp.
  auto crest = Sine(110, 20000, 0.5);
  ASSERT_TRUE(plat::StartsLoud(*crest));
  Mixer m;
  m.Cue(1, crest, Full());
  m.Resume(1);
  auto s = Pull(m, 400);
  EXPECT_LT(std::abs(s[0]), kRampStep);
  EXPECT_LT(std::abs(s[1]), kRampStep);          // the right side rises too
  EXPECT_LE(LargestStep(s), kToneStep + kRampStep);
  EXPECT_EQ(s[2 * 300], crest->samples[300]);
  EXPECT_EQ(s[2 * 300 + 1], crest->samples[300]);

  // A stereo sound loud on its right side only: that side rises, from the
  // mixer and from the ramp written into the samples alike.
  auto right = std::make_shared<SoundData>();
  right->channels = 2;
  right->rate = 44100;
  for (int16_t x : crest->samples) right->samples.insert(right->samples.end(), {0, x});
  ASSERT_TRUE(plat::StartsLoud(*right));
  Mixer r;
  r.Cue(1, right, Full());
  r.Resume(1);
  auto rs = Pull(r, 400);
  EXPECT_LT(std::abs(rs[1]), kRampStep);
  EXPECT_EQ(rs[2 * 300 + 1], crest->samples[300]);
  auto rampedRight = plat::WithStartRamp(*right);
  EXPECT_LT(std::abs(rampedRight[1]), kRampStep);
  EXPECT_EQ(rampedRight[2 * 300 + 1], crest->samples[300]);

  // A hit that begins at zero keeps its attack to the sample.
  auto hit = std::make_shared<SoundData>();
  hit->channels = 1;
  hit->rate = 44100;
  hit->samples = {0, 12000, 24000, 28000, 20000, 10000, 0};
  ASSERT_FALSE(plat::StartsLoud(*hit));
  Mixer e;
  e.Cue(1, hit, Full());
  e.Resume(1);
  auto h = Pull(e, 7);
  for (size_t i = 0; i < hit->samples.size(); ++i) EXPECT_EQ(h[2 * i], hit->samples[i]) << i;

  // The same ramp, written into the samples, for a driver that plays buffers.
  auto written = plat::WithStartRamp(*crest);
  EXPECT_LT(std::abs(written[0]), kRampStep);
  EXPECT_EQ(written[300], crest->samples[300]);
  EXPECT_EQ(plat::WithStartRamp(*hit), hit->samples);
}

TEST(MixerEdges, VolumeAndPanChangesGlide) {
  auto tone = Sine(110, 20000, 1.0, 0);
  Mixer m;
  m.Cue(1, tone, Full());
  m.Resume(1);
  auto before = Pull(m, 100);
  plat::ChannelParams quiet;
  quiet.volume = 0;
  quiet.pan = -1;
  m.SetParams(1, quiet);
  auto after = Pull(m, 1000);
  EXPECT_LE(LargestStep(before, after), kToneStep + kRampStep);
  EXPECT_TRUE(m.Playing(1));
  EXPECT_EQ(after[2 * 500], 0);
}

TEST(MixerEdges, TheLimiterKeepsLoudSumsBelowFullScaleAndLeavesQuietOnesAlone) {
  auto loud = Sine(220, 30000, 1.0, 0);
  Mixer m;
  for (int ch = 1; ch <= 4; ++ch) {
    m.Cue(ch, loud, Full());
    m.Resume(ch);
  }
  auto s = Pull(m, 44100 / 2);
  int peak = 0;
  for (int16_t x : s) peak = std::max(peak, std::abs(int(x)));
  EXPECT_LE(peak, int(plat::kLimitLevel) + 1);
  EXPECT_GT(peak, 20000);
  // Turned down, not flattened: once the first crest has set the level, the
  // wave keeps its shape (no run of equal samples at the top, as clipping
  // would leave).
  int run = 0, longest = 0;
  for (size_t i = 2 * 441; i < s.size(); i += 2) {
    run = (s[i] == s[i - 2] && std::abs(s[i]) > 20000) ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  EXPECT_LT(longest, 4);

  // Quiet again: once the limiter has let go, the samples are the voices' own.
  for (int ch = 1; ch <= 4; ++ch) m.Stop(ch);
  auto quiet = Sine(220, 8000, 4.0);
  m.Cue(1, quiet, Full());
  m.Resume(1);
  auto q = Pull(m, 44100 * 7 / 2);
  EXPECT_EQ(q[2 * 150000], quiet->samples[150000]);
}

TEST(MixerEdges, TheLimiterLetsGoGraduallyAfterALoudPassage) {
  auto loud = Sine(220, 30000, 1.0, 0);
  Mixer m;
  for (int ch = 1; ch <= 4; ++ch) {
    m.Cue(ch, loud, Full());
    m.Resume(ch);
  }
  Pull(m, 44100 / 2);
  // The loud part ends; a steady level follows, which alone needs no limiting.
  for (int ch = 1; ch <= 4; ++ch) m.Stop(ch);
  auto steady = std::make_shared<SoundData>();
  steady->channels = 1;
  steady->rate = 44100;
  steady->samples.assign(44100 * 3, 8000);
  m.Cue(5, steady, Full());
  m.Resume(5);
  auto s = Pull(m, 44100 * 2);
  auto level = [&s](int frame) { return s[2 * size_t(frame)]; };
  EXPECT_LT(level(1000), 8000 * 4 / 10);   // still turned down just after
  // Back up over about a fifth of a second, not in one step: a tenth of a
  // second on it is still well down, a quarter second on part of the way up.
  EXPECT_LT(level(4410), 8000 * 6 / 10);
  EXPECT_GT(level(11025), level(4410));
  EXPECT_LT(level(11025), 8000 * 9 / 10);
  EXPECT_LE(LargestStep(std::vector<int16_t>(s.begin() + 2 * plat::kRampFrames, s.end())), 3);
  EXPECT_NEAR(level(44100 * 2 - 1), 8000, 1);
}
