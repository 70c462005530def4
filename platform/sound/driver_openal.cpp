// The "OpenAL Soft" driver: the default OpenAL device and one context, a
// buffer per sound (made when the sound is first cued), and a source per
// playing channel, taken from a capped pool. When the pool is exhausted a
// source is reclaimed from a channel that has finished, else from the channel
// that started longest ago. Pan is the source's direction on the x axis,
// relative to the listener with distance attenuation off; OpenAL mixes with
// its own panning law, so pans sound much like our mixer's, not identically.
// Stereo sounds are only panned where the library can spatialise them.
//
// Edits behave as in our mixer: a sound whose first sample is not silent gets
// the same short fade-in written into its buffer, and a channel that stops or
// is cut hands its source over to a retiring list at gain 0 — the library
// glides gain changes over its next mixing period — and the source is
// stopped for good only when that fade has been heard.
#include "platform/sound/sound_driver.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>

#ifndef AL_SOURCE_SPATIALIZE_SOFT
#define AL_SOURCE_SPATIALIZE_SOFT 0x1214
#endif

namespace plat {
namespace {

constexpr int kMaxSources = 128;
// How long a retiring source keeps playing at gain 0 before it is stopped:
// the library's gain glide plus a mixing period or two.
constexpr uint32_t kRetireMs = 40;

class OpenALDriver final : public AudioDriver {
 public:
  ~OpenALDriver() override { Close(); }
  const char* Name() const override { return "OpenAL Soft"; }

  bool Open() override {
    if (context_ != nullptr) return true;
    device_ = alcOpenDevice(nullptr);
    if (device_ == nullptr) return false;
    context_ = alcCreateContext(device_, nullptr);
    if (context_ == nullptr || alcMakeContextCurrent(context_) != ALC_TRUE) {
      if (context_ != nullptr) alcDestroyContext(context_);
      context_ = nullptr;
      alcCloseDevice(device_);
      device_ = nullptr;
      return false;
    }
    alDistanceModel(AL_NONE);
    canSpatialiseStereo_ = alIsExtensionPresent("AL_SOFT_source_spatialize") == AL_TRUE;
    alGetError();
    return true;
  }

  void Close() override {
    if (context_ == nullptr) return;
    for (auto& [channel, v] : voices_) DropSource(v);
    voices_.clear();
    RetireAll(nullptr);
    for (ALuint s : freeSources_) alDeleteSources(1, &s);
    freeSources_.clear();
    sourceCount_ = 0;
    for (auto& [sound, buffer] : buffers_) alDeleteBuffers(1, &buffer);
    buffers_.clear();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    context_ = nullptr;
    alcCloseDevice(device_);
    device_ = nullptr;
  }

  void Cue(int channel, std::shared_ptr<const SoundData> sound, const ChannelParams& params) override {
    if (context_ == nullptr) return;
    Voice& v = voices_[channel];
    if (v.source != 0) {
      // A sounding source fades out on its own; an idle one is kept for the
      // new sound, rewound to the start.
      if (v.running) {
        Retire(v);
      } else {
        alSourceStop(v.source);
        alSourcei(v.source, AL_BUFFER, 0);
      }
    }
    v.sound = std::move(sound);
    v.params = params;
    v.running = false;
    v.fresh = v.sound != nullptr && BufferFor(*v.sound) != 0;
    if (!v.fresh) v.sound.reset();
  }

  bool Resume(int channel) override {
    auto it = voices_.find(channel);
    if (it == voices_.end() || !it->second.sound) return false;
    Voice& v = it->second;
    // Nothing here pauses a source mid-way, so only a freshly cued sound has
    // anything to start; a finished one must not start over.
    if (!v.fresh) return false;
    if (v.source == 0 && !TakeSource(v)) return false;
    alSourcei(v.source, AL_BUFFER, ALint(BufferFor(*v.sound)));
    alSourceRewind(v.source);
    ApplyParams(v);
    v.fresh = false;
    v.running = true;
    v.startOrder = ++startCounter_;
    if (v.params.rate > 0) alSourcePlay(v.source);
    return true;
  }

  void Stop(int channel) override {
    auto it = voices_.find(channel);
    if (it == voices_.end()) return;
    Retire(it->second);
    it->second.sound.reset();
    it->second.running = false;
    it->second.fresh = false;
  }

  bool Playing(int channel) override {
    auto it = voices_.find(channel);
    if (it == voices_.end() || !it->second.running) return false;
    Voice& v = it->second;
    if (v.source == 0) return v.running = false;
    // A rate of 0 holds the source paused: the channel counts as still playing.
    if (v.params.rate <= 0) return true;
    ALint state = AL_STOPPED;
    alGetSourcei(v.source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) v.running = false;
    return v.running;
  }

  void SetParams(int channel, const ChannelParams& params) override {
    auto it = voices_.find(channel);
    if (it == voices_.end()) return;
    Voice& v = it->second;
    float oldRate = v.params.rate;
    v.params = params;
    if (v.source == 0) return;
    ApplyParams(v);
    if (v.running && oldRate > 0 && params.rate <= 0) alSourcePause(v.source);
    if (v.running && oldRate <= 0 && params.rate > 0) alSourcePlay(v.source);
  }

  void Release(int channel) override {
    auto it = voices_.find(channel);
    if (it == voices_.end()) return;
    Retire(it->second);
    voices_.erase(it);
  }

  // Stops the retiring sources whose fade is over.
  void Update() override {
    uint32_t now = AudioClock();
    std::erase_if(retiring_, [this, now](const Retiring& r) {
      if (now - r.since < kRetireMs && now - r.since < 0x80000000u) return false;
      Recycle(r.source);
      return true;
    });
  }

  void StopSound(const SoundData* sound) override {
    for (auto& [channel, v] : voices_) {
      if (v.sound.get() != sound) continue;
      DropSource(v);
      v.sound.reset();
      v.running = false;
      v.fresh = false;
    }
    // A buffer still attached to a source cannot be deleted.
    RetireAll(sound);
    auto it = buffers_.find(sound);
    if (it != buffers_.end()) {
      alDeleteBuffers(1, &it->second);
      buffers_.erase(it);
    }
  }

 private:
  struct Voice {
    std::shared_ptr<const SoundData> sound;
    ChannelParams params;
    ALuint source = 0;
    bool running = false;
    bool fresh = false;
    uint64_t startOrder = 0;
  };
  struct Retiring {
    ALuint source;
    const SoundData* sound;
    uint32_t since;   // AudioClock when its fade began
  };

  ALuint BufferFor(const SoundData& sound) {
    auto it = buffers_.find(&sound);
    if (it != buffers_.end()) return it->second;
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return 0;
    ALenum format = sound.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    // The mixer's start ramp, in the sound's own frames.
    std::vector<int16_t> data = WithStartRamp(sound);
    alBufferData(buffer, format, data.data(), ALsizei(data.size() * sizeof(int16_t)), sound.rate);
    if (alGetError() != AL_NO_ERROR) {
      alDeleteBuffers(1, &buffer);
      return 0;
    }
    buffers_[&sound] = buffer;
    return buffer;
  }

  // Gives the voice a source: a pooled one, a new one under the cap, one from a
  // finished channel, or at last the one of the channel started longest ago.
  bool TakeSource(Voice& v) {
    if (freeSources_.empty() && sourceCount_ < kMaxSources) {
      alGetError();
      ALuint s = 0;
      alGenSources(1, &s);
      if (alGetError() == AL_NO_ERROR) {
        alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
        freeSources_.push_back(s);
        ++sourceCount_;
      }
    }
    if (freeSources_.empty() && !retiring_.empty()) {
      // The fade that began first is cut short before any channel is.
      Recycle(retiring_.front().source);
      retiring_.erase(retiring_.begin());
    }
    if (freeSources_.empty()) {
      Voice* finished = nullptr;
      Voice* oldest = nullptr;
      for (auto& [channel, other] : voices_) {
        if (other.source == 0 || &other == &v) continue;
        ALint state = AL_STOPPED;
        alGetSourcei(other.source, AL_SOURCE_STATE, &state);
        bool busy = other.running && (state == AL_PLAYING || other.params.rate <= 0);
        if (!busy) { finished = &other; break; }
        if (oldest == nullptr || other.startOrder < oldest->startOrder) oldest = &other;
      }
      Voice* victim = finished != nullptr ? finished : oldest;
      if (victim == nullptr) return false;
      DropSource(*victim);
      victim->running = false;
    }
    if (freeSources_.empty()) return false;
    v.source = freeSources_.back();
    freeSources_.pop_back();
    return true;
  }

  void DropSource(Voice& v) {
    if (v.source == 0) return;
    Recycle(v.source);
    v.source = 0;
  }

  void Recycle(ALuint source) {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    freeSources_.push_back(source);
  }

  // A sounding source is turned down and left to play out its fade; a silent
  // one goes back to the pool at once.
  void Retire(Voice& v) {
    if (v.source == 0) return;
    ALint state = AL_STOPPED;
    alGetSourcei(v.source, AL_SOURCE_STATE, &state);
    if (!v.running || state != AL_PLAYING) {
      DropSource(v);
      return;
    }
    alSourcef(v.source, AL_GAIN, 0.0f);
    retiring_.push_back({v.source, v.sound.get(), AudioClock()});
    v.source = 0;
  }

  // Ends the fades at once: all of them, or those playing one sound.
  void RetireAll(const SoundData* sound) {
    std::erase_if(retiring_, [this, sound](const Retiring& r) {
      if (sound != nullptr && r.sound != sound) return false;
      Recycle(r.source);
      return true;
    });
  }

  void ApplyParams(const Voice& v) {
    float pan = ClampPan(v.params.pan);
    alSourcef(v.source, AL_GAIN, ClampVolume(v.params.volume));
    alSourcef(v.source, AL_PITCH, v.params.rate > 0 ? v.params.rate : 1.0f);
    alSource3f(v.source, AL_POSITION, pan, 0.0f, -std::sqrt(1.0f - pan * pan));
    if (canSpatialiseStereo_ && v.sound && v.sound->channels == 2) {
      // A stereo sound keeps its own image when centred and is folded to a
      // panned mono source otherwise.
      alSourcei(v.source, AL_SOURCE_SPATIALIZE_SOFT, pan != 0 ? AL_TRUE : AL_FALSE);
    }
  }

  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  bool canSpatialiseStereo_ = false;
  std::unordered_map<int, Voice> voices_;
  std::unordered_map<const SoundData*, ALuint> buffers_;
  std::vector<ALuint> freeSources_;
  std::vector<Retiring> retiring_;   // oldest first
  int sourceCount_ = 0;
  uint64_t startCounter_ = 0;
};

}  // namespace

std::unique_ptr<AudioDriver> MakeOpenALDriver() { return std::make_unique<OpenALDriver>(); }

}  // namespace plat
