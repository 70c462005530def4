// Synthesiser primitives and the checked WAV writer.
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "canvas.h"  // Fail

int SampleCount(double seconds) { return std::max(1, static_cast<int>(std::lround(seconds * kSampleRate))); }

Wave Render(double seconds, const std::function<double(double)>& fn) {
  Wave w(SampleCount(seconds));
  for (size_t i = 0; i < w.size(); ++i) w[i] = static_cast<float>(fn(static_cast<double>(i) / kSampleRate));
  // Every piece ends with a short fade: a note cut while still sounding
  // would click where it is mixed into a longer sound.
  size_t fade = std::min(w.size() / 2, static_cast<size_t>(SampleCount(0.006)));
  for (size_t i = 0; i < fade; ++i) {
    size_t j = w.size() - 1 - i;
    w[j] = static_cast<float>(w[j] * 0.5 * (1 - std::cos(M_PI * i / fade)));
  }
  return w;
}

void MixInto(Wave& dst, const Wave& src, double atSeconds, double gain) {
  size_t start = static_cast<size_t>(std::max(0.0, atSeconds) * kSampleRate);
  if (dst.size() < start + src.size()) dst.resize(start + src.size(), 0.0f);
  for (size_t i = 0; i < src.size(); ++i) dst[start + i] += static_cast<float>(src[i] * gain);
}

void Scale(Wave& w, double gain) {
  for (float& s : w) s = static_cast<float>(s * gain);
}

double Adsr(double t, double attack, double decay, double sustain, double release, double hold) {
  if (t < 0) return 0;
  double level;
  if (t < attack) {
    level = t / attack;
  } else if (t < attack + decay) {
    level = 1 - (1 - sustain) * (t - attack) / decay;
  } else {
    level = sustain;
  }
  if (t > hold) {
    double held = (hold < attack) ? hold / attack : (hold < attack + decay ? 1 - (1 - sustain) * (hold - attack) / decay : sustain);
    level = held * std::max(0.0, 1 - (t - hold) / release);
  }
  return level;
}

double Perc(double t, double attack, double tau) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

double Sine(double phase) { return std::sin(2 * M_PI * phase); }

double Triangle(double phase) {
  double p = phase - std::floor(phase);
  return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
}

double SoftSquare(double phase, double sharpness) { return std::tanh(sharpness * Sine(phase)) / std::tanh(sharpness); }

double SawBandLimited(double phase, double freq) {
  double sum = 0;
  int harmonics = std::max(1, static_cast<int>(kSampleRate / 2.2 / std::max(freq, 1.0)));
  harmonics = std::min(harmonics, 60);
  for (int k = 1; k <= harmonics; ++k) sum += std::sin(2 * M_PI * k * phase) / k;
  return sum * (2 / M_PI);
}

double Noise::Next() {
  s_ ^= s_ << 13;
  s_ ^= s_ >> 17;
  s_ ^= s_ << 5;
  return (s_ / 4294967295.0) * 2 - 1;
}

void Biquad::Set(double b0, double b1, double b2, double a0, double a1, double a2) {
  b0_ = b0 / a0;
  b1_ = b1 / a0;
  b2_ = b2 / a0;
  a1_ = a1 / a0;
  a2_ = a2 / a0;
}

void Biquad::LowPass(double f, double q) {
  double w = 2 * M_PI * std::clamp(f, 10.0, kSampleRate * 0.45) / kSampleRate;
  double alpha = std::sin(w) / (2 * q), c = std::cos(w);
  Set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::HighPass(double f, double q) {
  double w = 2 * M_PI * std::clamp(f, 10.0, kSampleRate * 0.45) / kSampleRate;
  double alpha = std::sin(w) / (2 * q), c = std::cos(w);
  Set((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::BandPass(double f, double q) {
  double w = 2 * M_PI * std::clamp(f, 10.0, kSampleRate * 0.45) / kSampleRate;
  double alpha = std::sin(w) / (2 * q), c = std::cos(w);
  Set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

double Biquad::Process(double x) {
  double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

void AddReverb(Wave& w, double wet, double roomSize, double tail) {
  size_t dryLength = w.size();
  w.resize(dryLength + SampleCount(tail), 0.0f);
  // Comb delays chosen mutually prime so the echoes do not pile up into a pitch.
  const int combs[4] = {1557, 1617, 1491, 1422};
  const int allpasses[2] = {225, 556};
  Wave out(w.size(), 0.0f);
  for (int c : combs) {
    std::vector<double> buf(c, 0.0);
    double filtered = 0;
    size_t idx = 0;
    for (size_t i = 0; i < w.size(); ++i) {
      double y = buf[idx];
      filtered = y * 0.7 + filtered * 0.3;  // damping: highs die first, like a real room
      buf[idx] = w[i] + filtered * roomSize;
      idx = (idx + 1) % c;
      out[i] += static_cast<float>(y * 0.25);
    }
  }
  for (int a : allpasses) {
    std::vector<double> buf(a, 0.0);
    size_t idx = 0;
    for (float& s : out) {
      double b = buf[idx];
      double y = -s + b;
      buf[idx] = s + b * 0.5;
      idx = (idx + 1) % a;
      s = static_cast<float>(y);
    }
  }
  for (size_t i = 0; i < w.size(); ++i) w[i] += static_cast<float>(out[i] * wet);
}

void AddEcho(Wave& w, double delaySeconds, double feedback, int repeats) {
  size_t d = static_cast<size_t>(delaySeconds * kSampleRate);
  Wave dry = w;
  double gain = 1;
  for (int r = 1; r <= repeats; ++r) {
    gain *= feedback;
    MixInto(w, dry, static_cast<double>(d * r) / kSampleRate, gain);
  }
}

double NoteFreq(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

namespace {

void Put16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(v & 255);
  b.push_back((v >> 8) & 255);
}
void Put32(std::vector<unsigned char>& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
unsigned Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned Get32(const unsigned char* p) { return Get16(p) | (Get16(p + 2) << 16); }

}  // namespace

double LoudestStretchDb(const Wave& w, double seconds) {
  const size_t window = std::max<size_t>(1, std::min(w.size(), static_cast<size_t>(SampleCount(seconds))));
  double top = 0, sum = 0, best = 0;
  for (float s : w) top = std::max(top, static_cast<double>(std::fabs(s)));
  if (top <= 0) return -200;
  for (size_t i = 0; i < w.size(); ++i) {
    sum += static_cast<double>(w[i]) * w[i];
    if (i >= window) sum -= static_cast<double>(w[i - window]) * w[i - window];
    best = std::max(best, sum);
  }
  return 10 * std::log10(std::max(best, 1e-30) / static_cast<double>(window) / (top * top));
}

double PeakForLoudness(const Wave& w, double loudestDb, double maxPeak) {
  return std::min(maxPeak, std::pow(10.0, (loudestDb - LoudestStretchDb(w, 0.1)) / 20));
}

bool WriteSound(Wave w, const std::string& path, double peak, double fadeIn, double fadeOut) {
  if (w.empty()) {
    Fail("empty sound " + path);
    return false;
  }
  double mean = 0;
  for (float s : w) mean += s;
  mean /= static_cast<double>(w.size());
  for (float& s : w) s = static_cast<float>(s - mean);
  // Raised-cosine fades: both ends start and stop at exactly zero.
  size_t in = std::min(w.size() / 4, static_cast<size_t>(SampleCount(fadeIn)));
  size_t out = std::min(w.size() / 2, static_cast<size_t>(SampleCount(fadeOut)));
  for (size_t i = 0; i < in; ++i) w[i] = static_cast<float>(w[i] * 0.5 * (1 - std::cos(M_PI * i / in)));
  for (size_t i = 0; i < out; ++i) {
    size_t j = w.size() - 1 - i;
    w[j] = static_cast<float>(w[j] * 0.5 * (1 - std::cos(M_PI * i / out)));
  }
  double top = 0;
  for (float s : w) top = std::max(top, static_cast<double>(std::fabs(s)));
  if (top < 1e-6) {
    Fail("silent sound " + path);
    return false;
  }
  double gain = peak / top;

  std::vector<unsigned char> bytes;
  unsigned dataBytes = static_cast<unsigned>(w.size() * 2);
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  Put32(bytes, 36 + dataBytes);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(bytes, 16);
  Put16(bytes, 1);  // PCM
  Put16(bytes, 1);  // mono: the game pans each effect itself
  Put32(bytes, kSampleRate);
  Put32(bytes, kSampleRate * 2);
  Put16(bytes, 2);
  Put16(bytes, 16);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  Put32(bytes, dataBytes);
  for (float s : w) {
    long v = std::lround(std::clamp(s * gain, -1.0, 1.0) * 32767.0);
    Put16(bytes, static_cast<unsigned>(static_cast<int16_t>(v)) & 0xFFFF);
  }

  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f) ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    Fail("cannot write " + path);
    return false;
  }
  // Read back the header we just wrote: a short write or a bad field shows here.
  unsigned char head[44];
  f = std::fopen(path.c_str(), "rb");
  bool good = f && std::fread(head, 1, 44, f) == 44 && std::memcmp(head, "RIFF", 4) == 0 &&
              std::memcmp(head + 8, "WAVEfmt ", 8) == 0 && Get16(head + 20) == 1 && Get16(head + 22) == 1 &&
              Get32(head + 24) == kSampleRate && Get16(head + 34) == 16 &&
              std::memcmp(head + 36, "data", 4) == 0 && Get32(head + 40) == dataBytes;
  if (f) {
    std::fseek(f, 0, SEEK_END);
    good = good && std::ftell(f) == static_cast<long>(44 + dataBytes);
    std::fclose(f);
  }
  if (!good) Fail("written sound does not read back as 16-bit mono PCM: " + path);
  return good;
}
