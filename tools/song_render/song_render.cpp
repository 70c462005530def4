// song_render: lets a composer hear a song without the game. It plays a song
// file of the data tree through the game's own sequencer and our own mixer on
// the headless host, offline, and writes what the mixer produced as a 44.1 kHz
// 16-bit stereo WAV.
//
//   song_render SONG_NAME SEED SECONDS OUT.wav [TEMPO_MS [MUSIC MASTER]]
//
// Run it in the game folder (the one holding music/). SEED -1 takes the
// sequencer's clock, which starts at 0 here, so it plays as seed 0. TEMPO_MS
// is the sequencer's tempo argument (two steps per TEMPO_MS); 250 by default,
// 120 beats a minute. MUSIC and MASTER are the volume settings, 0..100; the
// game's defaults (50 each) unless given.
//
// The sequencer runs on sample time: its clock is the time of the samples
// pulled so far, and it is ticked once per millisecond of output, finer than
// the game's 60 frames a second so steps land exactly where the tempo puts
// them. The platform's clock stands still meanwhile, so the mixer advances
// only by what is pulled.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "platform/platform.h"
#include "support/test_host.h"

namespace {

constexpr int kRate = 44100;
constexpr double kMaxSeconds = 3600;   // an hour of stereo 16-bit is about 635 MB

int64_t g_pulledFrames = 0;

int SampleClock() { return static_cast<int>(g_pulledFrames * 1000 / kRate); }

bool ParseInt(const char* text, int& out) {
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != 0 || value < INT32_MIN || value > INT32_MAX) return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseSeconds(const char* text, double& out) {
  errno = 0;
  char* end = nullptr;
  out = std::strtod(text, &end);
  return errno == 0 && end != text && *end == 0 && std::isfinite(out) && out > 0 && out <= kMaxSeconds;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A canonical 44-byte RIFF header followed by the samples, little-endian.
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples) {
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> bytes;
  bytes.reserve(44 + dataBytes);
  for (char c : std::string("RIFF")) bytes.push_back(static_cast<uint8_t>(c));
  PutLe(bytes, 36 + dataBytes, 4);
  for (char c : std::string("WAVEfmt ")) bytes.push_back(static_cast<uint8_t>(c));
  PutLe(bytes, 16, 4);            // format chunk size
  PutLe(bytes, 1, 2);             // PCM
  PutLe(bytes, 2, 2);             // stereo
  PutLe(bytes, kRate, 4);
  PutLe(bytes, kRate * 4, 4);     // bytes per second
  PutLe(bytes, 4, 2);             // bytes per frame
  PutLe(bytes, 16, 2);            // bits per sample
  for (char c : std::string("data")) bytes.push_back(static_cast<uint8_t>(c));
  PutLe(bytes, dataBytes, 4);
  for (int16_t s : samples) PutLe(bytes, static_cast<uint16_t>(s), 2);

  // Written beside the target and renamed over it, so a failed run never
  // leaves a truncated file under the asked-for name.
  std::string temp = path + ".part";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace

static int g_music = 50, g_master = 50;

static bool ParsePercent(const char* text, int& out) { return ParseInt(text, out) && out >= 0 && out <= 100; }

int main(int argc, char** argv) {
  int seed = 0, tempoMs = 250;
  double seconds = 0;
  if ((argc != 5 && argc != 6 && argc != 8) || !ParseInt(argv[2], seed) || !ParseSeconds(argv[3], seconds) ||
      (argc >= 6 && (!ParseInt(argv[5], tempoMs) || tempoMs < 2)) ||
      (argc == 8 && (!ParsePercent(argv[6], g_music) || !ParsePercent(argv[7], g_master)))) {
    std::fprintf(stderr,
                 "usage: song_render SONG_NAME SEED SECONDS OUT.wav [TEMPO_MS [MUSIC MASTER]]\n"
                 "  run in the game folder; SECONDS in (0, %g]; TEMPO_MS at least 2 (default 250);\n"
                 "  MUSIC and MASTER volumes 0..100 (default 50 each)\n",
                 kMaxSeconds);
    return 2;
  }
  std::string song = argv[1];
  std::string out = argv[4];

  testhost::Start("");
  ReadVolume = [](VolumeKind kind) { return kind == VolumeKind::Master ? g_master : g_music; };
  ResetSoundEffects();
  ResetMusic();

  LoadMusicParts();
  MusicClock = &SampleClock;
  StartSong(song, seed, tempoMs);
  if (MusicPlaying != 1) {
    std::fprintf(stderr, "song_render: no song \"music/%s.ini\" in %s\n", song.c_str(),
                 CurrentDir().c_str());
    return 1;
  }

  const int64_t total = std::llround(seconds * kRate);
  std::vector<int16_t> samples;
  samples.reserve(static_cast<size_t>(total) * 2);
  for (int64_t ms = 0; g_pulledFrames < total; ++ms) {
    UpdateMusic();
    int64_t until = std::min<int64_t>((ms + 1) * kRate / 1000, total);
    std::vector<int16_t> block = testhost::PullSamples(static_cast<int>(until - g_pulledFrames));
    samples.insert(samples.end(), block.begin(), block.end());
    g_pulledFrames = until;
  }
  StopMusic();

  if (!WriteWav(out, samples)) {
    std::fprintf(stderr, "song_render: could not write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: seed %d, %.3f s, %lld frames\n", out.c_str(), SongSeed, seconds,
              static_cast<long long>(total));
  return 0;
}
