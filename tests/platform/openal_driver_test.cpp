// The OpenAL driver on the library's silent output device: channels start,
// stop and hold as the mixer's do, the source pool gives way to the newest
// sound, and freeing a sound leaves the others playing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/sound/sound_driver.h"

namespace {

std::shared_ptr<const plat::SoundData> Tone(int frames) {
  auto sound = std::make_shared<plat::SoundData>();
  sound->channels = 1;
  sound->rate = 22050;
  sound->samples.resize(frames);
  for (int i = 0; i < frames; ++i) sound->samples[i] = int16_t((i % 50) * 400 - 10000);
  return sound;
}

class OpenALDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No sound card here: the library's null output mixes in real time into nothing.
    setenv("ALSOFT_DRIVERS", "null", 1);
    driver_ = plat::MakeOpenALDriver();
    ASSERT_TRUE(driver_->Open()) << "OpenAL's null output did not open";
  }
  void TearDown() override {
    driver_->Close();
    unsetenv("ALSOFT_DRIVERS");
  }

  void Start(int channel, const std::shared_ptr<const plat::SoundData>& sound, float rate = 1) {
    driver_->Cue(channel, sound, {1, 0, rate});
    ASSERT_TRUE(driver_->Resume(channel));
  }

  std::unique_ptr<plat::AudioDriver> driver_;
};

TEST_F(OpenALDriverTest, ChannelsStartStopAndHoldLikeTheMixers) {
  auto longTone = Tone(22050 * 20);
  Start(1, longTone);
  EXPECT_TRUE(driver_->Playing(1));
  // Only a freshly cued sound starts; a second Resume does nothing.
  EXPECT_FALSE(driver_->Resume(1));
  driver_->Stop(1);
  EXPECT_FALSE(driver_->Playing(1));
  EXPECT_FALSE(driver_->Resume(1));

  // A rate of 0 holds the sound in place and the channel still counts as playing.
  Start(2, longTone, 0);
  EXPECT_TRUE(driver_->Playing(2));
  driver_->SetParams(2, {0.5f, -1, 1});
  EXPECT_TRUE(driver_->Playing(2));

  // Nothing cued, or a channel never used: nothing to start, nothing playing.
  EXPECT_FALSE(driver_->Resume(3));
  EXPECT_FALSE(driver_->Playing(3));
  driver_->Cue(4, nullptr, {});
  EXPECT_FALSE(driver_->Resume(4));

  // Close and open again: the channels are gone, new ones play.
  driver_->Close();
  EXPECT_FALSE(driver_->Playing(2));
  ASSERT_TRUE(driver_->Open());
  Start(5, longTone);
  EXPECT_TRUE(driver_->Playing(5));
}

TEST_F(OpenALDriverTest, AFullPoolGivesTheNewestSoundTheOldestChannelsSource) {
  auto longTone = Tone(22050 * 20);
  // More channels than the pool has sources: every start succeeds.
  constexpr int kChannels = 140;
  for (int c = 1; c <= kChannels; ++c) Start(c, longTone);
  int playing = 0;
  for (int c = 1; c <= kChannels; ++c) playing += driver_->Playing(c) ? 1 : 0;
  EXPECT_LT(playing, kChannels);
  EXPECT_GT(playing, 64);
  // The newest ones play; the first ones gave way.
  EXPECT_TRUE(driver_->Playing(kChannels));
  EXPECT_TRUE(driver_->Playing(kChannels - 1));
  EXPECT_FALSE(driver_->Playing(1));
  // Releasing channels gives their sources back: new starts play again.
  for (int c = 100; c <= kChannels; ++c) driver_->Release(c);
  Start(1, longTone);
  EXPECT_TRUE(driver_->Playing(1));
}

TEST_F(OpenALDriverTest, FreeingASoundSilencesOnlyItsChannels) {
  auto a = Tone(22050 * 20);
  auto b = Tone(22050 * 20);
  Start(1, a);
  Start(2, b);
  Start(3, a);
  driver_->StopSound(a.get());
  EXPECT_FALSE(driver_->Playing(1));
  EXPECT_FALSE(driver_->Playing(3));
  EXPECT_TRUE(driver_->Playing(2));
  // The freed sound's channels have nothing left to start.
  EXPECT_FALSE(driver_->Resume(1));
}

}  // namespace
