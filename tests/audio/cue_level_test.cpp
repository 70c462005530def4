// The generated cues against each other and against the music: no cue stands
// far out of the others (their loudest 100 ms lie within 6 dB), and a lost
// turn (the wrong pick's buzz, then the lost heart's fall) played through the
// game's own mixer at the default volumes sits at most 8 dB over the round's
// song rendered at the same defaults, and not under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sound_effects.h"
#include "framework/setup_file.h"
#include "game/effect_numbers.h"
#include "game/game_music.h"
#include "platform/platform.h"
#include "support/temp_folder.h"
#include "support/test_host.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGameFolder = fs::path(MNEMORA_GAME_DIR) / "Files" / "253";
constexpr int kRate = 44100;

// The samples of a 16-bit PCM WAV whose data chunk follows the 44-byte
// header, as the generator and the song renderer write them.
std::vector<int16_t> WavSamples(const fs::path& path) {
  const std::string b = testsupport::ReadBytes(path);
  std::vector<int16_t> out;
  for (size_t at = 44; at + 1 < b.size(); at += 2)
    out.push_back(static_cast<int16_t>(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8));
  return out;
}

double Db(double energy, size_t count) { return 10 * std::log10(energy / double(count) / (32768.0 * 32768.0)); }

double RmsDb(const std::vector<int16_t>& s) {
  double energy = 0;
  for (int16_t v : s) energy += double(v) * v;
  return Db(energy, s.size());
}

double LoudestStretchDb(const std::vector<int16_t>& s, size_t window) {
  double sum = 0, best = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    sum += double(s[i]) * s[i];
    if (i >= window) sum -= double(s[i - window]) * s[i - window];
    best = std::max(best, sum);
  }
  return Db(best, window);
}

}  // namespace

TEST(CueLevels, EveryCueIsAsLoudAsTheOthers) {
  std::vector<std::pair<double, std::string>> levels;
  for (const auto& entry : fs::directory_iterator(kGameFolder)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 7 || name.substr(3) != ".wav" || !std::isdigit(uint8_t(name[0]))) continue;
    levels.emplace_back(LoudestStretchDb(WavSamples(entry.path()), kRate / 10), name);
  }
  ASSERT_GE(levels.size(), 15u);
  std::sort(levels.begin(), levels.end());
  std::string table;
  for (const auto& [db, name] : levels) table += name + " " + std::to_string(db) + " dB\n";
  EXPECT_LE(levels.back().first - levels.front().first, 6.0) << table;
}

TEST(CueLevels, ALostTurnSitsALittleOverTheRoundsMusic) {
  // The round's song at the default volumes, over a few seeds (the sequencer
  // silences tracks at random), by the song renderer.
  const testsupport::TempFolder out("cues");
  const SongChoice song = SongFor(ScreenSong::Easy);
  std::vector<int16_t> music;
  for (int seed = 1; seed <= 3; ++seed) {
    const fs::path wav = out / "song.wav";
    const fs::path tool = fs::path(MNEMORA_BINARY_DIR) / "tools" / "song_render" / "song_render";
    const std::string command = "cd '" + kGameFolder.string() + "' && '" + tool.string() + "' " + song.name + " " +
                                std::to_string(seed) + " 6 '" + wav.string() + "' " + std::to_string(song.tempoMs) +
                                " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<int16_t> part = WavSamples(wav);
    music.insert(music.end(), part.begin(), part.end());
  }

  // The lost turn through the mixer at the default settings: the buzz, and
  // the fall half a second later, when the turn is judged.
  testhost::Start("");
  ResetSetup();
  ResetSoundEffects();
  for (int n : {effect::kWrongPick, effect::kTurnWrong}) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.wav", n);
    EffectSounds[n] = LoadSound((kGameFolder / name).string());
    ASSERT_NE(EffectSounds[n], 0) << name;
  }
  PlayEffect(effect::kWrongPick, 1, 1, 0);
  std::vector<int16_t> cues = testhost::PullSamples(kRate / 2);
  PlayEffect(effect::kTurnWrong, 1, 1, 0);
  const std::vector<int16_t> fall = testhost::PullSamples(kRate * 18 / 10);
  cues.insert(cues.end(), fall.begin(), fall.end());
  ResetSoundEffects();

  const double musicDb = RmsDb(music), turnDb = RmsDb(cues);
  RecordProperty("lost_turn_db", std::to_string(turnDb));
  RecordProperty("music_db", std::to_string(musicDb));
  EXPECT_LE(turnDb - musicDb, 8.0) << "lost turn " << turnDb << " dB, music " << musicDb << " dB";
  EXPECT_GE(turnDb - musicDb, 0.0) << "lost turn " << turnDb << " dB, music " << musicDb << " dB";
}
