// PlayEffect: volumes, clamping, the ring of effect channels, effects off.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "audio/sound_effects.h"
#include "framework/setup_file.h"
#include "framework/startup.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

namespace {

class SoundEffectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start("");
    ResetProgramTables();
    EffectSounds[5] = LoadSound((testsupport::ShippedFiles() / "253" / "005.wav").string());
    ASSERT_NE(EffectSounds[5], 0) << "the generated game folder has 005.wav";
    ::Setup[kSetupMaster] = 50;   // master
    ::Setup[kSetupSounds] = 50;   // sound
    testhost::ClearPlayed();
  }
  testhost::PlayedSound Last() {
    auto played = testhost::Played();
    return played.empty() ? testhost::PlayedSound{} : played.back();
  }
};

TEST_F(SoundEffectsTest, VolumeIsSoundTimesMasterTimesTheCallersShare) {
  PlayEffect(5, 1, 1, 0);
  ASSERT_EQ(testhost::Played().size(), 1u);
  EXPECT_EQ(Last().sound, EffectSounds[5]);
  EXPECT_FLOAT_EQ(Last().volume, 0.25f);
  EXPECT_FLOAT_EQ(Last().pan, 0.0f);
  EXPECT_FLOAT_EQ(Last().rate, 1.0f);
  EXPECT_EQ(EffectCursor, 21);
  EXPECT_EQ(Last().channel, ChannelSlots[21]);

  ::Setup[kSetupMaster] = 0;   // master alone at 0 still plays, silently
  PlayEffect(5, 1, 0.5f, 0);
  EXPECT_EQ(testhost::Played().size(), 2u);
  EXPECT_FLOAT_EQ(Last().volume, 0.0f);
}

TEST_F(SoundEffectsTest, ArgumentsAreClampedAndNotANumberTakesTheLowerBound) {
  PlayEffect(5, 10, 2, -3);
  EXPECT_FLOAT_EQ(Last().rate, 4.0f);
  EXPECT_FLOAT_EQ(Last().volume, 0.25f);
  EXPECT_FLOAT_EQ(Last().pan, -1.0f);

  PlayEffect(5, 0.01f, -1, 7);
  EXPECT_FLOAT_EQ(Last().rate, 0.25f);
  EXPECT_FLOAT_EQ(Last().volume, 0.0f);
  EXPECT_FLOAT_EQ(Last().pan, 1.0f);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  PlayEffect(5, nan, nan, nan);
  EXPECT_FLOAT_EQ(Last().rate, 0.25f);
  EXPECT_FLOAT_EQ(Last().volume, 0.0f);
  EXPECT_FLOAT_EQ(Last().pan, -1.0f);
}

TEST_F(SoundEffectsTest, RingRunsFrom21To255Then20AndCutsWhatStillSounds) {
  std::vector<int> entries;
  for (int i = 0; i < 236; ++i) {
    PlayEffect(5, 1, 1, 0);
    entries.push_back(EffectCursor);
  }
  EXPECT_EQ(entries.front(), 21);
  EXPECT_EQ(entries[234], 255);
  EXPECT_EQ(entries.back(), 20);
  for (int slot = 0; slot < 20; ++slot) EXPECT_EQ(ChannelSlots[slot], 0);   // music's entries untouched
  EXPECT_EQ(ChannelSlots[256], 0);

  // No time has passed: the first effect still sounds and is cut for the 237th.
  const int first = ChannelSlots[21];
  ASSERT_TRUE(ChannelPlaying(first));
  PlayEffect(5, 1, 1, 0);
  EXPECT_EQ(EffectCursor, 21);
  EXPECT_EQ(Last().channel, ChannelSlots[21]);
  if (ChannelSlots[21] != first) {
    EXPECT_EQ(ChannelPlaying(first), 0);
  }
  int sounding = 0;
  for (int slot = 20; slot <= 255; ++slot) sounding += ChannelPlaying(ChannelSlots[slot]) != 0;
  EXPECT_EQ(sounding, 236);
  EXPECT_EQ(testhost::Played().size(), 237u);
}

TEST_F(SoundEffectsTest, FinishedChannelIsUsedAgain) {
  PlayEffect(5, 1, 1, 0);
  const int channel = ChannelSlots[21];
  StopChannel(channel);   // as if it had played out
  EffectCursor = 20;
  PlayEffect(5, 1, 1, 0);
  EXPECT_EQ(ChannelSlots[21], channel);
}

TEST_F(SoundEffectsTest, EffectsOffOrMissingSoundLeaveTheRingAlone) {
  ::Setup[kSetupSounds] = 0;
  PlayEffect(5, 1, 1, 0);
  ::Setup[kSetupSounds] = -5;
  PlayEffect(5, 1, 1, 0);
  ::Setup[kSetupSounds] = 50;
  EffectSounds[150] = 0;
  PlayEffect(150, 1, 1, 0);
  PlayEffect(0, 1, 1, 0);
  PlayEffect(-3, 1, 1, 0);
  PlayEffect(201, 1, 1, 0);
  EXPECT_EQ(EffectCursor, 20);
  for (int slot : ChannelSlots) EXPECT_EQ(slot, 0);
  EXPECT_TRUE(testhost::Played().empty());
}

}  // namespace
