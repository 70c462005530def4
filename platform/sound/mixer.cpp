// Our own mixer, portable code: a voice per channel, linear-interpolation
// resampling (recorded rate × channel rate → 44100 Hz), volume and the shared
// pan law, summed and clipped to stereo 16-bit. Also the range clamps both
// drivers apply to what the game passes in.
#include "platform/sound/sound_driver.h"

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

bool StartsLoud(const SoundData& sound) {
  if (sound.Frames() == 0) return false;
  for (int c = 0; c < sound.channels; ++c) {
    if (std::abs(int(sound.samples[size_t(c)])) > kQuietStart) return true;
  }
  return false;
}

std::vector<int16_t> WithStartRamp(const SoundData& sound) {
  std::vector<int16_t> out = sound.samples;
  if (!StartsLoud(sound)) return out;
  size_t frames = std::min(sound.Frames(), size_t(std::max(1, kRampFrames * sound.rate / kMixRate)));
  for (size_t f = 0; f < frames; ++f) {
    float gain = float(f + 1) / float(frames + 1);
    for (int c = 0; c < sound.channels; ++c) {
      int16_t& x = out[f * size_t(sound.channels) + size_t(c)];
      x = int16_t(std::lround(float(x) * gain));
    }
  }
  return out;
}

namespace {

// The limiter holds a lowered level for 50 ms after the last peak that needed
// it, so a loud passage is turned down once instead of being squashed crest
// by crest, then lets it back up over about a fifth of a second.
constexpr int kLimiterHoldFrames = kMixRate / 20;
constexpr float kLimiterRelease = 1.0f / (kMixRate / 5.0f);

}  // namespace

void Mixer::Ramp::Set(float to, bool glide) {
  if (!glide) {
    now = target = to;
    step = 0;
    left = 0;
    return;
  }
  if (to == target && (left > 0 || now == to)) return;   // already there or on the way
  target = to;
  left = kRampFrames;
  step = (to - now) / float(kRampFrames);
}

float Mixer::Ramp::Next() {
  if (left > 0) {
    now += step;
    if (--left == 0) now = target;
  }
  return now;
}

double Mixer::Step(const Voice& v) {
  return double(v.sound->rate) * double(v.params.rate) / double(kMixRate);
}

void Mixer::AimGains(Voice& v, bool glide) {
  float gl, gr;
  PanGains(v.params.pan, gl, gr);
  v.left.Set(gl * v.params.volume, glide);
  v.right.Set(gr * v.params.volume, glide);
}

void Mixer::FadeOut(Voice& v) {
  if (!v.running || !v.sound || v.params.rate <= 0) return;   // nothing is heard from it
  Voice& tail = fading_.emplace_back(v);
  tail.left.Set(0, true);
  tail.right.Set(0, true);
}

void Mixer::Cue(int channel, std::shared_ptr<const SoundData> sound, const ChannelParams& params) {
  std::lock_guard<std::mutex> guard(lock_);
  Voice& v = voices_[channel];
  FadeOut(v);   // cueing over a sounding channel cuts it
  v.sound = std::move(sound);
  v.position = 0;
  v.params = params;
  v.running = false;
  v.fresh = v.sound != nullptr;
  AimGains(v, false);
}

bool Mixer::Resume(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it == voices_.end() || !it->second.sound) return false;
  Voice& v = it->second;
  if (v.position >= double(v.sound->Frames())) return false;
  bool started = v.fresh;
  if (started) {
    AimGains(v, false);
    if (StartsLoud(*v.sound)) {
      // It would start on a step: rise from silence instead.
      v.left.now = v.right.now = 0;
      v.left.Set(v.left.target, true);
      v.right.Set(v.right.target, true);
    }
  }
  v.running = true;
  v.fresh = false;
  return started;
}

void Mixer::Stop(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) return;
  // A stopped channel keeps nothing to resume: the next play cues afresh.
  FadeOut(it->second);
  it->second.running = false;
  it->second.fresh = false;
  it->second.sound.reset();
}

void Mixer::Release(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) return;
  FadeOut(it->second);
  voices_.erase(it);
}

bool Mixer::Playing(int channel) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  return it != voices_.end() && it->second.running;
}

void Mixer::SetParams(int channel, const ChannelParams& params) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) return;
  Voice& v = it->second;
  v.params = params;
  AimGains(v, v.running);   // a sounding channel glides to its new level
}

void Mixer::StopSound(const SoundData* sound) {
  std::lock_guard<std::mutex> guard(lock_);
  // A fading voice holds its own reference, so the data outlives the handle
  // for the few milliseconds of its fade.
  for (auto& [channel, v] : voices_) {
    if (v.sound.get() == sound) {
      FadeOut(v);
      v.running = false;
      v.fresh = false;
      v.sound.reset();
    }
  }
}

void Mixer::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  voices_.clear();
  fading_.clear();
  limiterCut_ = 0;
  limiterHold_ = 0;
}

int Mixer::FadingVoices() {
  std::lock_guard<std::mutex> guard(lock_);
  return int(fading_.size());
}

void Mixer::Advance(int64_t frames) {
  if (frames <= 0) return;
  std::lock_guard<std::mutex> guard(lock_);
  auto skip = [frames](Ramp& r) {
    if (frames >= r.left) {
      r.now = r.target;
      r.left = 0;
    } else {
      r.now += r.step * float(frames);
      r.left -= int(frames);
    }
  };
  for (auto& [channel, v] : voices_) {
    if (!v.running || v.params.rate <= 0) continue;
    v.position += Step(v) * double(frames);
    skip(v.left);
    skip(v.right);
    if (v.position >= double(v.sound->Frames())) v.running = false;
  }
  // Fades last a few milliseconds: any advance the clock makes ends them.
  if (frames >= kRampFrames) {
    fading_.clear();
  } else {
    for (Voice& v : fading_) {
      v.position += Step(v) * double(frames);
      skip(v.left);
      skip(v.right);
    }
    std::erase_if(fading_, [](const Voice& v) { return v.left.left == 0 && v.right.left == 0; });
  }
}

bool Mixer::MixVoice(Voice& v, int frames) {
  const SoundData& s = *v.sound;
  const int16_t* src = s.samples.data();
  const size_t length = s.Frames();
  const int stride = s.channels;
  const double step = Step(v);
  double pos = v.position;
  for (int f = 0; f < frames; ++f) {
    if (pos >= double(length)) break;
    float gl = v.left.Next();
    float gr = v.right.Next();
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
  return v.position < double(length);
}

void Mixer::Limit(int16_t* out, int frames) {
  for (int f = 0; f < frames; ++f) {
    float l = scratch_[size_t(f) * 2], r = scratch_[size_t(f) * 2 + 1];
    float peak = std::max(std::abs(l), std::abs(r));
    if (peak * (1 - limiterCut_) > kLimitLevel) limiterCut_ = 1 - kLimitLevel / peak;
    if (limiterCut_ > 0) {
      float gain = 1 - limiterCut_;
      l *= gain;
      r *= gain;
      // Peaks that reach near the limit keep the level where it is.
      if (peak * gain > 0.9f * kLimitLevel) limiterHold_ = kLimiterHoldFrames;
      if (limiterHold_ > 0) {
        --limiterHold_;
      } else {
        limiterCut_ *= 1 - kLimiterRelease;
        if (limiterCut_ < 1e-6f) limiterCut_ = 0;
      }
    }
    out[size_t(f) * 2] = int16_t(std::clamp(std::round(l), -32768.0f, 32767.0f));
    out[size_t(f) * 2 + 1] = int16_t(std::clamp(std::round(r), -32768.0f, 32767.0f));
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
    if (!MixVoice(v, frames)) v.running = false;
  }
  // A fade is over when both sides reached silence or the sound ran out.
  for (Voice& v : fading_) {
    if (!MixVoice(v, frames)) v.left.left = v.right.left = 0;
  }
  std::erase_if(fading_, [](const Voice& v) { return v.left.left == 0 && v.right.left == 0; });

  Limit(out, frames);
}

}  // namespace plat
