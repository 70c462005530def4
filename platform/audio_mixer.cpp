// Our own mixer, portable code: a voice per channel, linear-interpolation
// resampling (recorded rate × channel rate → 44100 Hz), volume and the shared
// pan law, summed and clipped to stereo 16-bit. Also the range clamps both
// drivers apply to what the game passes in.
#include "platform/audio_internal.h"

#include <algorithm>
#include <cmath>

namespace plat {

float ClampVolume(float v) {
  if (!(v > 0)) return 0;   // also NaN
  return v > 1 ? 1 : v;
}

float ClampPan(float p) {
  if (std::isnan(p)) return 0;
  return std::clamp(p, -1.0f, 1.0f);
}

float ClampRate(float r) {
  if (!(r > 0)) return 0;   // negative, zero and NaN hold the sound silent
  return r > kMaxRate ? kMaxRate : r;
}

void PanGains(float pan, float& left, float& right) {
  pan = ClampPan(pan);
  left = std::min(1.0f, 1.0f - pan);
  right = std::min(1.0f, 1.0f + pan);
}

double Mixer::Step(const Voice& v) {
  return double(v.sound->rate) * double(v.params.rate) / double(kMixRate);
}

void Mixer::Cue(int channel, std::shared_ptr<const SoundData> sound, const ChannelParams& params) {
  std::lock_guard<std::mutex> guard(lock_);
  Voice& v = voices_[channel];
  v.sound = std::move(sound);
  v.position = 0;
  v.params = params;
  v.running = false;
  v.fresh = v.sound != nullptr;
}

bool Mixer::Resume(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it == voices_.end() || !it->second.sound) return false;
  Voice& v = it->second;
  if (v.position >= double(v.sound->Frames())) return false;
  v.running = true;
  bool started = v.fresh;
  v.fresh = false;
  return started;
}

void Mixer::Stop(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) return;
  // A stopped channel keeps nothing to resume: the next play cues afresh.
  it->second.running = false;
  it->second.fresh = false;
  it->second.sound.reset();
}

void Mixer::Release(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  voices_.erase(channel);
}

bool Mixer::Playing(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  return it != voices_.end() && it->second.running;
}

void Mixer::SetParams(int channel, const ChannelParams& params) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it != voices_.end()) it->second.params = params;
}

void Mixer::StopSound(const SoundData* sound) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [channel, v] : voices_) {
    if (v.sound.get() == sound) {
      v.running = false;
      v.fresh = false;
      v.sound.reset();
    }
  }
}

void Mixer::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  voices_.clear();
}

int Mixer::RunningVoices() {
  std::lock_guard<std::mutex> guard(lock_);
  int n = 0;
  for (auto& [channel, v] : voices_) n += v.running ? 1 : 0;
  return n;
}

void Mixer::Advance(int64_t frames) {
  if (frames <= 0) return;
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [channel, v] : voices_) {
    if (!v.running || v.params.rate <= 0) continue;
    v.position += Step(v) * double(frames);
    if (v.position >= double(v.sound->Frames())) v.running = false;
  }
}

void Mixer::Mix(int16_t* out, int frames) {
  if (out == nullptr || frames <= 0) return;
  std::lock_guard<std::mutex> guard(lock_);
  // The scratch buffer only grows, so the audio thread settles into never
  // allocating after its first few callbacks.
  if (scratch_.size() < size_t(frames) * 2) scratch_.resize(size_t(frames) * 2);
  std::fill(scratch_.begin(), scratch_.begin() + ptrdiff_t(frames) * 2, 0.0f);

  for (auto& [channel, v] : voices_) {
    if (!v.running || v.params.rate <= 0) continue;
    const SoundData& s = *v.sound;
    const int16_t* src = s.samples.data();
    const size_t length = s.Frames();
    const int stride = s.channels;
    const double step = Step(v);
    float gl, gr;
    PanGains(v.params.pan, gl, gr);
    gl *= v.params.volume;
    gr *= v.params.volume;
    double pos = v.position;
    for (int f = 0; f < frames; ++f) {
      if (pos >= double(length)) break;
      size_t i = size_t(pos);
      float frac = float(pos - double(i));
      // The last frame has no successor: hold it rather than read past the end.
      size_t j = i + 1 < length ? i + 1 : i;
      const int16_t* a = src + i * size_t(stride);
      const int16_t* b = src + j * size_t(stride);
      float left = float(a[0]) + (float(b[0]) - float(a[0])) * frac;
      float right = left;
      if (stride == 2) right = float(a[1]) + (float(b[1]) - float(a[1])) * frac;
      scratch_[size_t(f) * 2] += left * gl;
      scratch_[size_t(f) * 2 + 1] += right * gr;
      pos += step;
    }
    v.position = pos;
    if (v.position >= double(length)) v.running = false;
  }

  for (size_t k = 0; k < size_t(frames) * 2; ++k) {
    float x = std::round(scratch_[k]);
    out[k] = int16_t(std::clamp(x, -32768.0f, 32767.0f));
  }
}

}  // namespace plat
