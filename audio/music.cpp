// The music sequencer: endless music from a song's patterns and the recorded
// parts. Five tracks (two drums, bass, melody, accompaniment) on channel slots
// 0..4 are stepped from the frame loop; every 64 steps a block is written into
// the step grid, and every chord cycle new patterns, part variants and silent
// tracks are drawn under the song's seed, so one seed always gives one piece.
#include <cstdint>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "platform/platform.h"

// Start values: ResetMusic. The clock is its installer's.
int MusicPlaying;
float MusicSpread;
int SongSeed;
int BlockCount;
int BlockInCycle;
std::string Progression;
std::array<int, 4> PartChoice;
std::array<int, 20> TrackSilent, NextTrackSilent, LeadIn;
std::array<std::string, 5> TrackPatterns;
std::array<std::array<float, 64>, 5> StepGrid;
int StepIndex;
int NextStepTime;
int StepInterval;
MusicClockFn MusicClock = &MilliSecs;
std::string SongName;
float MusicLevel;

namespace {

constexpr int kTracks = 5;
constexpr int kSteps = 64;

// The level's glide: from `from` at clock `since` to `to` after `length` ms.
struct LevelFade {
  float from = 1, to = 1;
  int since = 0, length = 0;
  bool stopAtEnd = false;
};
LevelFade Fade;
// The channel volume last given to the ringing notes, per track (-1: none yet).
std::array<float, kTracks> AppliedVolume;

// The accompaniment plays at half the others' volume.
float TrackVolume(int track) {
  float volume = MixVolume(VolumeKind::Music) * MusicLevel;
  return track == 4 ? volume / 2.0f : volume;
}

// Moves the level along its glide; true when a fade-out has just ended.
bool StepLevel() {
  int elapsed = MusicClock() - Fade.since;
  if (Fade.length <= 0 || elapsed >= Fade.length || elapsed < 0) {
    MusicLevel = Fade.to;
  } else {
    MusicLevel = Fade.from + (Fade.to - Fade.from) * static_cast<float>(elapsed) / static_cast<float>(Fade.length);
  }
  return Fade.stopAtEnd && MusicLevel == Fade.to;
}

// Ringing notes follow the settings and the level; the mixer glides them there.
void ApplyLiveVolume() {
  for (int t = 0; t < kTracks; ++t) {
    int channel = ChannelSlots[t];
    float volume = TrackVolume(t);
    if (channel == 0 || volume == AppliedVolume[t]) continue;
    AppliedVolume[t] = volume;
    SetChannelVolume(channel, volume);
  }
}

// Seeds are 32-bit sums that may wrap: long songs and large seeds must wrap
// the same way everywhere instead of overflowing.
int WrapSum(int64_t a) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(a))); }
int SeedTimes1024(int seed) { return WrapSum(static_cast<int64_t>(seed) * 1024); }

struct TrackSpec {
  int section;
  int salt;
};
const TrackSpec kTrackSpecs[kTracks] = {{kSectionDrums, 3}, {kSectionDrums, 7}, {kSectionBass, 13},
                                        {kSectionMelody, 19}, {kSectionAccompany, 29}};

// Puts a space after every character: twice the length, half the speed.
std::string Stretched(const std::string& pattern) {
  std::string out;
  out.reserve(pattern.size() * 2);
  for (char c : pattern) {
    out += c;
    out += ' ';
  }
  return out;
}

float DrumCell(const std::string& pattern, int step) {
  if (pattern.empty()) return 0;   // an empty pattern keeps its track silent
  char c = pattern[step % pattern.size()];
  return (c >= '0' && c <= '9') ? static_cast<float>(c - '0') : 0.0f;
}

float TonalCell(const std::string& pattern, int step) {
  if (pattern.empty()) return 0;
  int64_t at = static_cast<int64_t>(step) + static_cast<int64_t>(BlockInCycle - 1) * kSteps;
  int64_t length = static_cast<int64_t>(pattern.size());
  char c = pattern[((at % length) + length) % length];
  if (c == ' ') return 0;
  return NoteRatio(std::string(1, c));
}

// The sequencer draws its numbers from the shared generator under its own
// seeds. The game's draws (the cards of a round) must go on from where the
// game left them, not from the song's seed, so the generator is put back.
class KeepGameRandom {
 public:
  KeepGameRandom() : saved_(RndSeed()) {}
  ~KeepGameRandom() { SeedRnd(saved_); }
  KeepGameRandom(const KeepGameRandom&) = delete;
  KeepGameRandom& operator=(const KeepGameRandom&) = delete;

 private:
  int saved_;
};

std::string LetterAt(const std::string& text, int index) {
  if (index < 0 || index >= static_cast<int>(text.size())) return "";
  return std::string(1, text[index]);
}

int TrackSound(int track, int cell) {
  switch (track) {
    case 0: return MusicParts[cell];
    case 1: return MusicParts[10 + cell];
    default: return MusicParts[track * 10 + PartChoice[track - 1]];   // 20 bass, 30 melody, 40 accompaniment
  }
}

// Starts one note on a track: the old note is cut and its channel released,
// so a track never holds more than one channel.
void SoundTrack(int track, int sound, float rate) {
  ClearChannelSlot(track);
  int channel = AllocChannel();
  ChannelSlots[track] = channel;
  CueSound(sound, channel);
  if (ChannelSlots[track] == 0) return;

  switch (track) {
    case 0: SetChannelPan(channel, MusicSpread); break;
    case 1: SetChannelPan(channel, -MusicSpread); break;
    case 2: SetChannelPan(channel, -MusicSpread); break;
    case 4: SetChannelPan(channel, MusicSpread); break;
    default: break;   // the melody stays centred
  }
  if (track >= 2) SetChannelRate(channel, rate);
  float volume = TrackVolume(track);
  AppliedVolume[track] = volume;
  SetChannelVolume(channel, volume);
  ResumeChannel(channel);
}

}  // namespace

// The channel slots belong to the sound-effect table and are reset there.
void ResetMusic() {
  MusicPlaying = 0;
  MusicSpread = 0.0f;
  SongSeed = 0;
  BlockCount = BlockInCycle = 0;
  Progression.clear();
  PartChoice.fill(0);
  TrackSilent.fill(0);
  NextTrackSilent.fill(0);
  LeadIn.fill(0);
  for (auto& pattern : TrackPatterns) pattern.clear();
  for (auto& track : StepGrid) track.fill(0);
  StepIndex = NextStepTime = StepInterval = 0;
  SongName.clear();
  MusicLevel = 1.0f;
  Fade = LevelFade{};
  AppliedVolume.fill(-1);
  ResetSongFile();
}

float NoteRatio(const std::string& letter) {
  static const char kLetters[] = "zsxdcvgbhnjmq2w3er5t6y7ui9o0p[=]";
  static const float kRatios[] = {0,     0.5295f, 0.561f, 0.5945f, 0.63f,  0.6675f, 0.707f, 0.749f,
                                  0.7935f, 0.841f, 0.891f, 0.944f, 1,      1.059f, 1.122f, 1.189f,
                                  1.26f,  1.335f, 1.414f, 1.498f,  1.587f, 1.682f, 1.782f, 1.888f,
                                  2,      2.118f, 2.244f, 2.378f,  2.52f,  2.67f,  2.828f, 2.996f};
  if (letter.size() != 1) return 0;
  char c = letter[0];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (int i = 0; kLetters[i] != 0; ++i) {
    if (kLetters[i] == c) return kRatios[i];
  }
  return 0;
}

std::string PickPattern(int section, int salt) {
  // The discarded draws make every block and salt land far apart in the sequence.
  SeedRnd(WrapSum(static_cast<int64_t>(SeedTimes1024(SongSeed)) + BlockInCycle + BlockCount + salt));
  int64_t discards = static_cast<int64_t>(BlockCount) * 4 + salt;
  for (int64_t i = 0; i < discards; ++i) Rand(0, 1000);

  // One of the section's patterns; chords are never stretched.
  std::string pattern = SongPattern(section, Rand(1, PatternCounts[section]));
  if (section == kSectionChords) return pattern;

  // Stretched by the section's mode: not at all, once or twice.
  int mode = StretchModes[section];
  int r = Rand(0, 2);
  if ((mode > 0 && r > 0) || mode < 0) pattern = Stretched(pattern);
  if ((mode == 2 && r == 2) || mode == -2) pattern = Stretched(pattern);
  return pattern;
}

void ArrangeBlock() {
  // The block's own seed; the count moves on.
  SeedRnd(WrapSum(static_cast<int64_t>(SeedTimes1024(SongSeed)) + BlockInCycle + BlockCount));
  ++BlockCount;
  ++BlockInCycle;

  // A new chord cycle: part variants, chords, silent tracks and patterns.
  if (BlockInCycle > static_cast<int>(Progression.size()) / 4 || Progression.empty()) {
    for (int family = 1; family <= 3; ++family) PartChoice[family] = Rand(1, PartCounts[family]);
    BlockInCycle = 1;
    Progression = PickPattern(kSectionChords, 13);
    for (int k = 0; k < 20; ++k) {
      TrackSilent[k] = NextTrackSilent[k];
      NextTrackSilent[k] = Rand(0, 1);
      LeadIn[k] = Rand(1, 2);
    }
    if (TrackSilent[0] != 0 && TrackSilent[1] == 1) TrackSilent[Rand(0, 1)] = 0;
    if (TrackSilent[2] != 0 && TrackSilent[3] != 0) TrackSilent[Rand(2, 3)] = 0;
    for (int t = 0; t < kTracks; ++t) {
      TrackPatterns[t] = PickPattern(kTrackSpecs[t].section, kTrackSpecs[t].salt);
    }
  }

  // Drum patterns restart every block; tonal ones run on across the cycle.
  for (int s = 0; s < kSteps; ++s) {
    StepGrid[0][s] = DrumCell(TrackPatterns[0], s);
    StepGrid[1][s] = DrumCell(TrackPatterns[1], s);
    for (int t = 2; t < kTracks; ++t) StepGrid[t][s] = TonalCell(TrackPatterns[t], s);
  }
}

void StartSong(const std::string& name, int seed, int tempoMs) {
  // A song that can't be read leaves everything as it was.
  if (!ReadSongFile(name)) return;
  KeepGameRandom keep;

  // The seed; -1 takes the clock.
  SeedRnd(SeedTimes1024(seed));
  if (seed == -1) {
    seed = MusicClock();
    SeedRnd(SeedTimes1024(seed));
  }

  // The sequencer from the song's start.
  SongSeed = seed;
  MusicSpread = 0.3f;
  Progression.clear();
  BlockCount = BlockInCycle = StepIndex = -1;
  NextStepTime = MusicClock();
  StepInterval = tempoMs / 2;

  // The first block, arranged, starts playing a quarter second from now.
  for (int k = 0; k < 20; ++k) NextTrackSilent[k] = Rand(0, 1);
  ArrangeBlock();
  NextStepTime = MusicClock() + 250;
  MusicPlaying = 1;
  SongName = name;
  MusicLevel = 1.0f;
  Fade = LevelFade{};
}

void UpdateMusic() {
  if (MusicPlaying != 1) return;
  if (StepLevel()) {
    StopMusic();
    return;
  }
  ApplyLiveVolume();
  // One step per call, so a late schedule catches up a step per frame.
  if (!(MusicClock() > NextStepTime)) return;
  NextStepTime = WrapSum(static_cast<int64_t>(NextStepTime) + StepInterval);
  ++StepIndex;
  if (StepIndex >= kSteps) {
    KeepGameRandom keep;
    StepIndex = 0;
    ArrangeBlock();
  }

  // The chord of this step, and how near the cycle's end it is.
  int length = static_cast<int>(Progression.size());
  int half = StepIndex / 8 + (BlockInCycle - 1) * 8;
  int quarter = StepIndex / 16 + (BlockInCycle - 1) * 4;
  float chord = NoteRatio(LetterAt(Progression, quarter));
  int phase = 0;
  if (half >= 2 * length - 1) phase = 2;
  else if (quarter >= length - 1) phase = 1;

  // A note on every track that plays this step.
  for (int t = 0; t < kTracks; ++t) {
    float v = StepGrid[t][StepIndex];
    int held = TrackSilent[t];
    // A track that returns next cycle comes in 16 (lead-in 1) or 8 (lead-in 2) steps early.
    if (held == 1 && NextTrackSilent[t] == 0 &&
        ((phase == 1 && LeadIn[t] == 1) || (phase == 2 && LeadIn[t] > 0))) {
      held = 0;
    }
    if (held != 0) continue;
    int cell = static_cast<int>(v);
    if (t < 2 && !(cell > 0 && cell < 9)) continue;
    if (t >= 2 && v == 0) continue;
    // A part that was never loaded is skipped; the note before it rings on.
    int sound = TrackSound(t, t < 2 ? cell : 0);
    if (sound == 0) continue;
    SoundTrack(t, sound, v * chord);
  }
}

void StopMusic() {
  MusicPlaying = 0;
  SongName.clear();
  Fade = LevelFade{};
  MusicLevel = 1.0f;
  AppliedVolume.fill(-1);
  for (int slot = 0; slot < 20; ++slot) ClearChannelSlot(slot);
}

void SetMusicLevel(float level, int fadeMs) {
  if (!(level > 0)) level = 0;   // also NaN
  if (level > 1) level = 1;
  Fade.from = MusicLevel;
  Fade.to = level;
  Fade.since = MusicClock();
  Fade.length = fadeMs > 0 ? fadeMs : 0;
  Fade.stopAtEnd = false;
  if (Fade.length == 0) MusicLevel = level;
}

void FadeOutMusic(int fadeMs) {
  if (MusicPlaying != 1) return;
  SetMusicLevel(0, fadeMs);
  Fade.stopAtEnd = true;
}

bool MusicFadingOut() { return MusicPlaying == 1 && Fade.stopAtEnd; }

void SetMusicSpread(float spread) { MusicSpread = spread; }
