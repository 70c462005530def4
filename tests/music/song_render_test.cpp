// The song renderer end to end: the data tree's song, rendered by the real
// tool in the game folder, is a WAV of the asked length holding music, and
// the same seed gives the same samples.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kGameFolder = fs::path(MNEMORA_GAME_DIR) / "Files" / "253";

int Render(const std::string& args) {
  fs::path tool = fs::path(MNEMORA_BINARY_DIR) / "tools" / "song_render" / "song_render";
  std::string command = "cd '" + kGameFolder.string() + "' && '" + tool.string() + "' " + args + " >/dev/null 2>&1";
  return std::system(command.c_str());
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint32_t(b[at + i]) << (8 * i);
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
  const fs::path out = fs::temp_directory_path() / ("mnemora_render_" + std::to_string(::getpid()));
  fs::create_directories(out);

  ASSERT_EQ(Render(song + " 42 6.5 '" + (out / "a.wav").string() + "'"), 0);
  std::vector<uint8_t> b = ReadAll(out / "a.wav");
  const uint32_t frames = 44100 * 13 / 2;
  ASSERT_EQ(b.size(), 44 + frames * 4);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4) + std::string(b.begin() + 8, b.begin() + 16), "RIFFWAVEfmt ");
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
  EXPECT_TRUE(ReadAll(out / "b.wav") == b);
  ASSERT_EQ(Render(song + " 43 6.5 '" + (out / "c.wav").string() + "'"), 0);
  EXPECT_FALSE(ReadAll(out / "c.wav") == b);

  // A song that isn't there, or a length that isn't one, writes nothing.
  EXPECT_NE(Render("no_such_song 1 2 '" + (out / "x.wav").string() + "'"), 0);
  EXPECT_NE(Render(song + " 1 -3 '" + (out / "x.wav").string() + "'"), 0);
  EXPECT_FALSE(fs::exists(out / "x.wav"));
  fs::remove_all(out);
}
