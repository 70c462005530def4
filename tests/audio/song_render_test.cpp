// The song renderer end to end: the data tree's songs, rendered by the real
// tool in the game folder, are WAVs of the asked length holding music, the
// same seed gives the same samples, and the game's songs are equally loud.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "game/game_music.h"
#include "platform/sound/sound_driver.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using testsupport::ReadBytes;

namespace {

const fs::path kGameFolder = fs::path(MNEMORA_GAME_DIR) / "Files" / "253";

int Render(const std::string& args) {
  fs::path tool = fs::path(MNEMORA_BINARY_DIR) / "tools" / "song_render" / "song_render";
  std::string command = "cd '" + kGameFolder.string() + "' && '" + tool.string() + "' " + args + " >/dev/null 2>&1";
  return std::system(command.c_str());
}

uint32_t Le(const std::string& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
  return v;
}

}  // namespace

TEST(SongRenderTest, GeneratedSongRendersToMusic) {
  std::set<std::string> songs;
  std::error_code missing;
  for (const auto& entry : fs::directory_iterator(kGameFolder / "music", missing)) {
    if (entry.path().extension() == ".ini") songs.insert(entry.path().stem().string());
  }
  ASSERT_FALSE(songs.empty());
  const std::string song = *songs.begin();
  const testsupport::TempFolder out("render");

  ASSERT_EQ(Render(song + " 42 6.5 '" + (out / "a.wav").string() + "'"), 0);
  const std::string b = ReadBytes(out / "a.wav");
  const uint32_t frames = 44100 * 13 / 2;
  ASSERT_EQ(b.size(), 44 + frames * 4);
  EXPECT_EQ(b.substr(0, 4) + b.substr(8, 8), "RIFFWAVEfmt ");
  EXPECT_EQ(Le(b, 4, 4), b.size() - 8);
  EXPECT_EQ(Le(b, 20, 4), 1u | (2u << 16));   // PCM, stereo
  EXPECT_EQ(Le(b, 24, 4), 44100u);
  EXPECT_EQ(Le(b, 34, 2), 16u);
  EXPECT_EQ(Le(b, 40, 4), frames * 4);

  // Sound in (nearly) every second, not only somewhere: the first 250 ms are the count-in.
  int loudSeconds = 0;
  for (uint32_t second = 0; second < 6; ++second) {
    double sum = 0;
    for (uint32_t i = second * 88200; i < (second + 1) * 88200; ++i) sum += std::pow(int16_t(Le(b, 44 + i * 2, 2)), 2);
    loudSeconds += std::sqrt(sum / 88200) > 200;
  }
  EXPECT_GE(loudSeconds, 5);

  ASSERT_EQ(Render(song + " 42 6.5 '" + (out / "b.wav").string() + "'"), 0);
  EXPECT_TRUE(ReadBytes(out / "b.wav") == b);
  ASSERT_EQ(Render(song + " 43 6.5 '" + (out / "c.wav").string() + "'"), 0);
  EXPECT_FALSE(ReadBytes(out / "c.wav") == b);

  // A song that isn't there, or a length that isn't one, writes nothing.
  EXPECT_NE(Render("no_such_song 1 2 '" + (out / "x.wav").string() + "'"), 0);
  EXPECT_NE(Render(song + " 1 -3 '" + (out / "x.wav").string() + "'"), 0);
  EXPECT_FALSE(fs::exists(out / "x.wav"));
}

// The game's songs at full Music and Master volume: none needs the mixer's
// limiter (their peaks stay below where it starts), and they play at the same
// loudness, RMS within 1 dB of each other. The sequencer silences tracks at
// random per cycle, so each song is measured over the same few seeds.
TEST(SongRenderTest, GameSongsShareOneLoudnessBelowFullScale) {
  const testsupport::TempFolder out("levels");
  std::vector<double> levels;
  for (ScreenSong song : {ScreenSong::Title, ScreenSong::Easy, ScreenSong::Medium, ScreenSong::Hard}) {
    const SongChoice choice = SongFor(song);
    SCOPED_TRACE(choice.name);
    double energy = 0;
    size_t samples = 0;
    int peak = 0;
    for (int seed = 1; seed <= 4; ++seed) {
      const fs::path wav = out / (std::string(choice.name) + ".wav");
      ASSERT_EQ(Render(std::string(choice.name) + " " + std::to_string(seed) + " 6 '" + wav.string() + "' " +
                       std::to_string(choice.tempoMs) + " 100 100"),
                0);
      const std::string b = ReadBytes(wav);
      ASSERT_GT(b.size(), 44u);
      for (size_t at = 44; at + 1 < b.size(); at += 2) {
        int s = int16_t(Le(b, at, 2));
        peak = std::max(peak, std::abs(s));
        energy += double(s) * s;
        ++samples;
      }
    }
    EXPECT_LT(peak, int(plat::kLimitLevel));
    EXPECT_GT(peak, 8000);
    levels.push_back(10 * std::log10(energy / double(samples) / (32768.0 * 32768.0)));
  }
  auto [quietest, loudest] = std::minmax_element(levels.begin(), levels.end());
  EXPECT_LE(*loudest - *quietest, 1.0) << "title " << levels[0] << " easy " << levels[1] << " medium " << levels[2]
                                       << " hard " << levels[3] << " dB";
}
