// The contract between the public sound operations (audio_api.cpp) and the
// sound drivers: decoded sound data, the WAV reader, the portable mixer, the
// driver interface and the table of drivers on offer. Inside the platform
// layer only; tests and the fuzz target include it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat {

// ---------------------------------------------------------------- sound data
// A decoded sound: signed 16-bit samples, interleaved when stereo. Immutable
// once loaded, so the mixer thread may read it without a lock while a voice
// holds a reference.
struct SoundData {
  int channels = 0;               // 1 or 2
  int rate = 0;                   // frames per second as recorded
  std::vector<int16_t> samples;   // frames * channels
  size_t Frames() const { return channels > 0 ? samples.size() / size_t(channels) : 0; }
  int64_t Bytes() const { return int64_t(samples.size() * sizeof(int16_t)); }
};

// Limits the reader accepts; anything outside is a broken or hostile file.
constexpr int kWavMinRate = 100;            // frames per second
constexpr int kWavMaxRate = 768000;
constexpr size_t kWavMaxDataBytes = size_t(256) << 20;

// Decodes a RIFF/WAVE image held in memory: PCM 8-bit unsigned or 16-bit
// signed, mono or stereo, any rate in the limits above. Unknown chunks are
// skipped. Returns false, leaving `out` empty, for anything malformed,
// truncated, empty or absurd; never reads outside [data, data + size).
bool DecodeWav(const uint8_t* data, size_t size, SoundData& out);

// ---------------------------------------------------------------- channel settings
struct ChannelParams {
  float volume = 1;   // 0..1
  float pan = 0;      // -1 left .. 1 right
  float rate = 1;     // speed and pitch multiplier; 0 holds the sound silent in place
};

// Clamps what the game passes in (NaN falls to the safe end of each range).
float ClampVolume(float v);
float ClampPan(float p);
float ClampRate(float r);
constexpr float kMaxRate = 64;

// Gains of the pan law both drivers share: a linear balance, so a centred
// sound plays at its recorded level on both sides and a sound panned fully
// left is silent on the right. left = min(1, 1 - pan), right = min(1, 1 + pan).
void PanGains(float pan, float& left, float& right);

// ---------------------------------------------------------------- mixer
constexpr int kMixRate = 44100;   // output frames per second, stereo 16-bit

// Edits of a sounding channel never jump: a stop, a note cut by the next one,
// a change of volume or pan, and the start of a sound whose first sample is
// not silent all move the level over this many output frames (5 ms).
constexpr int kRampFrames = 220;
// A sound whose first frame stays within this much of zero starts at once:
// it fades in by itself, and a ramp would only soften its attack.
constexpr int kQuietStart = 256;
bool StartsLoud(const SoundData& sound);
// The samples of a sound with the start ramp written into them (as long as
// kRampFrames at the output rate), for a driver that cannot ramp as it plays.
std::vector<int16_t> WithStartRamp(const SoundData& sound);

// The mix is never clipped: when the summed voices would pass this level,
// the limiter turns the whole mix down at once, holds it there while the
// peaks go on and lets it back up slowly. Below it, samples pass unchanged.
constexpr float kLimitLevel = 29500.0f;

// Our own mixer: one voice per channel, linear-interpolation resampling for
// the recorded rate times the channel rate, volume and pan. Every member locks,
// so the SDL audio thread may call Mix while the game thread changes voices.
class Mixer {
 public:
  void Cue(int channel, std::shared_ptr<const SoundData> sound, const ChannelParams& params);
  // Returns true when this resume started a freshly cued sound.
  bool Resume(int channel);
  void Stop(int channel);
  void Release(int channel);
  bool Playing(int channel);
  void SetParams(int channel, const ChannelParams& params);
  // Stops every voice that plays this sound (before the sound is freed).
  void StopSound(const SoundData* sound);
  void Clear();
  // Mixes `frames` stereo frames into out (2 * frames samples) and moves the
  // running voices on; voices that reach their end stop.
  void Mix(int16_t* out, int frames);
  // Moves the running voices on by `frames` output frames without producing
  // samples: the clock-driven mode with no device behind the mixer.
  void Advance(int64_t frames);
  // Voices of stopped channels still fading out.
  int FadingVoices();

 private:
  // The level of one side moving toward its target over kRampFrames.
  struct Ramp {
    float now = 0, target = 0, step = 0;
    int left = 0;   // frames still to go
    void Set(float to, bool glide);
    float Next();
  };
  struct Voice {
    std::shared_ptr<const SoundData> sound;
    double position = 0;    // in source frames
    ChannelParams params;
    bool running = false;
    bool fresh = false;     // cued and not yet resumed
    Ramp left, right;
  };
  static double Step(const Voice& v);
  static void AimGains(Voice& v, bool glide);
  // Hands a sounding voice over to the fading list; the channel is free at once.
  void FadeOut(Voice& v);
  // Adds one voice into the scratch buffer; false when it has finished.
  bool MixVoice(Voice& v, int frames);
  void Limit(int16_t* out, int frames);
  std::mutex lock_;
  std::unordered_map<int, Voice> voices_;
  std::vector<Voice> fading_;
  std::vector<float> scratch_;
  float limiterCut_ = 0;   // how far the limiter turns the mix down: gain 1 - cut
  int limiterHold_ = 0;   // frames before the limiter may let go
};

// ---------------------------------------------------------------- drivers
// One audio driver: plays cued sounds on channels. Channel numbers are the
// public handles; a driver creates its per-channel state lazily.
class AudioDriver {
 public:
  virtual ~AudioDriver() = default;
  virtual const char* Name() const = 0;
  // Prepares the driver for use (opens devices). False: it cannot be used.
  virtual bool Open() = 0;
  // Stops everything and lets go of devices; Open may be called again.
  virtual void Close() = 0;
  virtual void Cue(int channel, std::shared_ptr<const SoundData> sound,
                   const ChannelParams& params) = 0;
  virtual bool Resume(int channel) = 0;   // true when a freshly cued sound starts
  virtual void Stop(int channel) = 0;
  virtual bool Playing(int channel) = 0;
  virtual void SetParams(int channel, const ChannelParams& params) = 0;
  virtual void Release(int channel) = 0;
  virtual void StopSound(const SoundData* sound) = 0;
  // Called at the start of every public audio operation.
  virtual void Update() {}
};

// ---------------------------------------------------------------- the drivers on offer
// One driver the game can choose by name (the setup file's AudioDriver line).
struct SoundDriverKind {
  const char* name;        // as AudioDrivers lists it
  // It plays aloud on a device of its own, so the headless host (and a
  // program with no host) never selects it: those runs must not depend on
  // whether the machine has a sound device.
  bool needsDevice;
  bool (*available)();     // whether this build can offer it at all
  std::unique_ptr<AudioDriver> (*create)();
};

// The drivers in the fixed order AudioDrivers reports. Our mixer comes first
// (kMixerDriver) so that a setup file without a driver line, or naming one we
// lack, picks it: it behaves the same with and without a sound device.
// OpenAL is kOpenALDriver, the one EnableOpenALAudio turns on.
std::span<const SoundDriverKind> SoundDrivers();
constexpr int kMixerDriver = 0;
constexpr int kOpenALDriver = 1;

// Our mixer on an SDL audio device, or on the platform clock when there is
// no device (headless host, SDL_AUDIODRIVER=dummy, no sound hardware).
std::unique_ptr<AudioDriver> MakeMixerDriver();
// Mixes through the mixer driver for tests; zeros when that driver is absent.
std::vector<int16_t> PullMixerSamples(AudioDriver* mixerDriver, int frames);

// OpenAL Soft: the default device, one buffer per sound, one source per
// playing channel up to a cap.
std::unique_ptr<AudioDriver> MakeOpenALDriver();

// What the test host reads: every sound started, in order (the oldest are
// dropped past a cap), and mixed samples pulled from the current driver when
// it is our mixer (zeros otherwise).
struct PlayedSound {
  int sound;
  int channel;
  float volume, pan, rate;
  uint32_t atMs;
};
std::vector<PlayedSound> PlayedSounds();
void ClearPlayedSounds();
std::vector<int16_t> PullCurrentMixer(int frames);

// The platform clock for audio: the host's milliseconds, 0 without a host.
uint32_t AudioClock();

// Restores the audio start-up state: frees every sound and channel, closes
// devices, forgets what was played and selects our mixer again. Registered
// as a platform reset hook, so testhost::Start runs it; tests may call it too.
void ResetAudio();

}  // namespace plat
