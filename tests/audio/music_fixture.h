// Shared set-up for the music tests: a fresh headless platform, a scratch game
// folder with music/, part files and songs written on demand, and stepping
// the sequencer one step at a time on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "framework/setup_file.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start("");
    ResetSetup();
    ResetSoundEffects();
    ResetMusic();
    testhost::ClearPlayed();
    folder_.Enter();
    std::filesystem::create_directories("music");
  }

  void TearDown() override { StopMusic(); }

 public:
  static void WriteSong(const std::string& name, const std::string& text) {
    testsupport::WriteBytes("music/" + name + ".ini", text);
  }

  // A 16-bit mono square wave at 22050 Hz.
  static void WritePart(const std::string& name, uint32_t frames = 2205) {
    std::ofstream f("music/" + name + ".wav", std::ios::binary);
    auto put = [&f](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) f.put(static_cast<char>(v >> (8 * i)));
    };
    f << "RIFF", put(36 + frames * 2, 4), f << "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(22050, 4), put(44100, 4), put(2, 2), put(16, 2);
    f << "data", put(frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i) put(i % 50 < 25 ? 8000 : 0xffff - 8000, 2);
  }

  static void WriteBasicParts() {
    for (const char* name : {"d1-1", "d1-2", "d2-1", "d2-2", "bass1", "lead1", "accompany1"}) WritePart(name);
    LoadMusicParts();
  }

  // Plays one step; returns the tracks (bit t) that started a note in it.
  // Every note takes a fresh channel handle, so a changed slot is a new note.
  static int PlayOneStep() {
    std::array<int, 5> before;
    for (int t = 0; t < 5; ++t) before[t] = ChannelSlots[t];
    int index = StepIndex, blocks = BlockCount;
    for (int guard = 0; guard < 100000 && index == StepIndex && blocks == BlockCount; ++guard) {
      testhost::Advance(1);
      UpdateMusic();
    }
    int sounded = 0;
    for (int t = 0; t < 5; ++t) sounded |= (ChannelSlots[t] != before[t] && ChannelSlots[t] != 0) << t;
    return sounded;
  }

  // Lets only the given tracks (bits) play for the rest of this cycle and the next.
  static void OnlyTracks(int mask) {
    for (int t = 0; t < 20; ++t) TrackSilent[t] = NextTrackSilent[t] = (t >= 5 || !(mask & (1 << t)));
  }

 protected:
  testsupport::TempFolder folder_{"music"};
};
