// The "FreeMix SDL Audio" driver: our mixer fed to an SDL audio device by
// SDL's callback on its audio thread, or — on the headless host, under the
// dummy SDL audio driver, or on a machine with no sound device — run by the
// platform clock with nothing listening, so channels still end on time and
// tests can pull the samples. Failing to open a device is never an error.
#include "platform/sound/sound_driver.h"
#include "platform/internal.h"
#include "platform/host/host.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace plat {

uint32_t AudioClock() {
  Host* host = CurrentHost();
  return host != nullptr ? host->Millisecs() : 0;
}

namespace {

constexpr int kDeviceBufferFrames = 1024;   // about 23 ms at 44100 Hz
constexpr int kMaxPullFrames = kMixRate * 60;   // a test pulls a minute at most
constexpr int kPullBlockFrames = 4096;           // keeps the mixer's scratch small

class MixerDriver final : public AudioDriver {
 public:
  ~MixerDriver() override { Close(); }
  const char* Name() const override { return "FreeMix SDL Audio"; }

  bool Open() override {
    if (open_) return true;
    open_ = true;
    lastClock_ = AudioClock();
    carry_ = 0;
    Host* host = CurrentHost();
    if (host != nullptr && !host->Headless()) OpenDevice();
    return true;
  }

  void Close() override {
    if (device_ != 0) {
      // Closing waits for a callback in progress, so the mixer is ours again after it.
      SDL_CloseAudioDevice(device_);
      device_ = 0;
    }
    if (sdlAudioInit_) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      sdlAudioInit_ = false;
    }
    mixer_.Clear();
    open_ = false;
  }

  void Cue(int channel, std::shared_ptr<const SoundData> sound, const ChannelParams& params) override {
    mixer_.Cue(channel, std::move(sound), params);
  }
  bool Resume(int channel) override { return mixer_.Resume(channel); }
  void Stop(int channel) override { mixer_.Stop(channel); }
  bool Playing(int channel) override { return mixer_.Playing(channel); }
  void SetParams(int channel, const ChannelParams& params) override { mixer_.SetParams(channel, params); }
  void Release(int channel) override { mixer_.Release(channel); }
  void StopSound(const SoundData* sound) override { mixer_.StopSound(sound); }

  // With no device behind the mixer, the time since the last audio call is
  // played into the void.
  void Update() override {
    if (!open_ || device_ != 0) return;
    uint32_t now = AudioClock();
    uint32_t elapsed = now - lastClock_;
    lastClock_ = now;
    if (elapsed >= 0x80000000u) return;   // the clock went back (a new host): skip
    uint64_t scaled = uint64_t(elapsed) * kMixRate + carry_;
    carry_ = uint32_t(scaled % 1000);
    mixer_.Advance(int64_t(scaled / 1000));
  }

  std::vector<int16_t> Pull(int frames) {
    Update();
    if (frames <= 0) return {};
    if (frames > kMaxPullFrames) frames = kMaxPullFrames;
    std::vector<int16_t> out(size_t(frames) * 2);
    for (int done = 0; done < frames; done += kPullBlockFrames) {
      mixer_.Mix(out.data() + size_t(done) * 2, std::min(kPullBlockFrames, frames - done));
    }
    return out;
  }

 private:
  void OpenDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    sdlAudioInit_ = true;
    // The dummy driver swallows samples on its own timer; the virtual clock
    // is the better stand-in for a missing device.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      sdlAudioInit_ = false;
      return;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = kMixRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceBufferFrames;
    want.callback = &MixerDriver::Callback;
    want.userdata = this;
    SDL_AudioSpec have;
    // No allowed changes: SDL converts to whatever the hardware takes.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      sdlAudioInit_ = false;
      return;
    }
    SDL_PauseAudioDevice(device_, 0);
  }

  // Runs on SDL's audio thread; the mixer locks its own state.
  static void Callback(void* user, Uint8* stream, int length) {
    auto* self = static_cast<MixerDriver*>(user);
    self->mixer_.Mix(reinterpret_cast<int16_t*>(stream), length / 4);
  }

  Mixer mixer_;
  bool open_ = false;
  bool sdlAudioInit_ = false;
  SDL_AudioDeviceID device_ = 0;
  uint32_t lastClock_ = 0;   // platform milliseconds at the last clock-driven update
  uint32_t carry_ = 0;       // sub-frame remainder, in thousandths of a frame
};

}  // namespace

std::unique_ptr<AudioDriver> MakeMixerDriver() { return std::make_unique<MixerDriver>(); }

std::vector<int16_t> PullMixerSamples(AudioDriver* mixerDriver, int frames) {
  auto* mixer = dynamic_cast<MixerDriver*>(mixerDriver);
  if (mixer == nullptr) return std::vector<int16_t>(size_t(std::clamp(frames, 0, kMaxPullFrames)) * 2, 0);
  return mixer->Pull(frames);
}

}  // namespace plat
