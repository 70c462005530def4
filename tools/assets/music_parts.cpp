// Music parts for the song sequencer and the songs that use them.
// Drum kit 1 (d1-N) and kit 2 (d2-N) share digit roles, because both drum
// tracks read the same DRUMS patterns: 1 low hit, 2 backbeat, 3 short tick,
// 4 open tick, 5 clap, 6 low tom/conga, 7 high tom/conga, 8 cymbal.
// Tonal parts hold one note each at the pitch of the letter q (C): bass at
// C2, accompaniment at C4, lead at C5; the sequencer pitches them by rate.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "canvas.h"  // Fail
#include "generators.h"
#include "synth.h"

namespace {

constexpr double kBassC = 65.406, kAccompanyC = 261.626, kLeadC = 523.251;

Wave NoiseHit(uint32_t seed, double length, double attack, double tau, double lowCut, double highCut) {
  Noise noise(seed);
  Biquad hp, lp;
  hp.HighPass(lowCut, 0.7);
  lp.LowPass(highCut, 0.7);
  return Render(length, [=](double t) mutable { return lp.Process(hp.Process(noise.Next())) * Perc(t, attack, tau); });
}

// A drum with a pitch that falls from `from` to `to` Hz.
Wave PitchedDrum(double from, double to, double drop, double tau, double length) {
  double phase = 0;
  return Render(length, [=](double t) mutable {
    double f = to + (from - to) * std::exp(-t / drop);
    phase += f / kSampleRate;
    return Sine(phase) * Perc(t, 0.001, tau);
  });
}

// Several square-ish partials at awkward ratios: the metallic body of cymbals and bells.
Wave Metal(double base, const std::vector<double>& ratios, double tau, double length) {
  return Render(length, [=](double t) {
    double s = 0;
    for (double r : ratios) s += SoftSquare(base * r * t, 4);
    return s / ratios.size() * Perc(t, 0.001, tau);
  });
}

Wave Sum(const Wave& a, double ga, const Wave& b, double gb) {
  Wave w;
  MixInto(w, a, 0, ga);
  MixInto(w, b, 0, gb);
  return w;
}

// Karplus-Strong plucked string: a burst of noise circulating through a
// damped delay line of one period.
Wave Pluck(double freq, double length, double damping, uint32_t seed) {
  Noise noise(seed);
  int period = static_cast<int>(std::lround(kSampleRate / freq));
  std::vector<double> line(period);
  Biquad soften;
  soften.LowPass(freq * 8, 0.7);
  for (double& v : line) v = soften.Process(noise.Next());
  Wave w(SampleCount(length));
  size_t idx = 0;
  double prev = 0;
  for (float& s : w) {
    double cur = line[idx];
    line[idx] = damping * 0.5 * (cur + prev);
    prev = cur;
    idx = (idx + 1) % period;
    s = static_cast<float>(cur);
  }
  return w;
}

// Parts are levelled by loudness, not by their peaks: every part is scaled so
// that its first quarter second — about what a step or two lets a note sound
// before the track's next note cuts it — has the asked-for RMS level times
// kMusicLevel. A sharp drum and a soft pad of the same level then sound
// equally loud, and the songs, which all play these parts, come out alike.
// kMusicLevel leaves the mix of all five tracks at full volume room below
// full scale. No part is allowed a peak above kMaxPeak.
constexpr double kMusicLevel = 0.35;
constexpr double kLoudnessWindow = 0.25;
constexpr double kMaxPeak = 0.89;

void Part(const std::string& dir, const std::string& name, const Wave& w, double rms = 0.2) {
  double mean = 0;
  for (float s : w) mean += s;
  mean /= static_cast<double>(w.size());
  size_t window = std::min(w.size(), static_cast<size_t>(SampleCount(kLoudnessWindow)));
  double sum = 0, top = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    double x = w[i] - mean;
    if (i < window) sum += x * x;
    top = std::max(top, std::fabs(x));
  }
  double level = std::sqrt(sum / static_cast<double>(window));
  if (level < 1e-9 || top < 1e-9) Fail("silent music part " + name);
  double peak = std::min(kMaxPeak, top * rms * kMusicLevel / level);
  WriteSound(w, dir + "/" + name + ".wav", peak, 0.001, 0.02);
}

void DrumKits(const std::string& dir) {
  // Kit 1: a clean pop kit.
  Part(dir, "d1-1", Sum(PitchedDrum(160, 48, 0.03, 0.16, 0.45), 1.0, NoiseHit(11, 0.02, 0.0005, 0.004, 800, 6000), 0.4), 0.24);
  Part(dir, "d1-2", Sum(NoiseHit(12, 0.3, 0.001, 0.07, 1200, 9000), 0.9, PitchedDrum(240, 185, 0.02, 0.05, 0.3), 0.7), 0.17);
  Part(dir, "d1-3", NoiseHit(13, 0.09, 0.0005, 0.018, 7000, 16000), 0.07);
  Part(dir, "d1-4", Sum(NoiseHit(14, 0.45, 0.001, 0.12, 6500, 16000), 1.0, Metal(410, {1, 1.48, 1.93, 2.61}, 0.1, 0.45), 0.15), 0.06);
  {
    Wave clap;
    for (int i = 0; i < 3; ++i) MixInto(clap, NoiseHit(15 + i, 0.02, 0.0005, 0.004, 900, 3500), i * 0.011);
    MixInto(clap, NoiseHit(18, 0.22, 0.001, 0.06, 900, 4000), 0.033, 0.8);
    Part(dir, "d1-5", clap, 0.14);
  }
  Part(dir, "d1-6", PitchedDrum(130, 82, 0.05, 0.22, 0.5), 0.17);
  Part(dir, "d1-7", PitchedDrum(210, 140, 0.04, 0.17, 0.4), 0.15);
  Part(dir, "d1-8", Sum(NoiseHit(19, 1.8, 0.002, 0.55, 3500, 15000), 1.0, Metal(320, {1, 1.34, 1.72, 2.27, 2.91, 3.52}, 0.6, 1.8), 0.25), 0.05);

  // Kit 2: hand percussion in the same roles.
  Part(dir, "d2-1", Sum(PitchedDrum(190, 165, 0.02, 0.16, 0.4), 1.0, NoiseHit(21, 0.02, 0.0005, 0.003, 1500, 5000), 0.3), 0.2);
  Part(dir, "d2-2", Sum(NoiseHit(22, 0.12, 0.0005, 0.02, 1800, 7000), 1.0, PitchedDrum(520, 480, 0.01, 0.02, 0.12), 0.5), 0.15);
  Part(dir, "d2-3", NoiseHit(23, 0.12, 0.012, 0.03, 5000, 12000), 0.07);
  Part(dir, "d2-4", Sum(NoiseHit(24, 0.3, 0.002, 0.09, 6000, 15000), 1.0, Metal(1800, {1, 1.41, 1.83}, 0.08, 0.3), 0.25), 0.06);
  Part(dir, "d2-5", NoiseHit(25, 0.1, 0.0005, 0.015, 1500, 4500), 0.12);
  Part(dir, "d2-6", Sum(PitchedDrum(260, 235, 0.02, 0.13, 0.35), 1.0, NoiseHit(26, 0.02, 0.0005, 0.003, 1500, 5000), 0.3), 0.16);
  Part(dir, "d2-7", Render(0.15, [](double t) { return (Sine(820 * t) + 0.5 * Sine(1640 * t + 0.3)) * Perc(t, 0.0005, 0.025); }), 0.1);
  Part(dir, "d2-8", Sum(Metal(560, {1, 1.5, 2.08, 2.74}, 0.5, 1.5), 1.0, NoiseHit(27, 1.5, 0.001, 0.3, 5000, 14000), 0.3), 0.05);
}

void TonalParts(const std::string& dir) {
  const double hold = 1.4;
  // Bass 1: synth bass, a saw under a closing low-pass.
  {
    Biquad lp;
    double phase = 0;
    Part(dir, "bass1", Render(hold, [=](double t) mutable {
      phase += kBassC / kSampleRate;
      lp.LowPass(220 + 1400 * std::exp(-t / 0.08), 1.4);
      return lp.Process(SawBandLimited(phase, kBassC)) * Adsr(t, 0.004, 0.3, 0.6, 0.2, hold - 0.2);
    }), 0.22);
  }
  // Bass 2: round sub bass with a soft pluck on top.
  Part(dir, "bass2", Render(hold, [=](double t) {
    return (Sine(kBassC * t) + 0.3 * Sine(2 * kBassC * t) * Perc(t, 0.002, 0.15) + 0.15 * Sine(3 * kBassC * t) * Perc(t, 0.001, 0.05)) *
           Adsr(t, 0.006, 0.4, 0.7, 0.2, hold - 0.2);
  }), 0.22);
  // Bass 3: plucked string bass.
  {
    Wave w = Pluck(kBassC, hold, 0.996, 303);
    Biquad lp;
    lp.LowPass(900, 0.7);
    for (float& s : w) s = static_cast<float>(lp.Process(s));
    Part(dir, "bass3", w, 0.22);
  }
  // Lead 1: a bright square lead with delayed vibrato.
  {
    Biquad lp;
    lp.LowPass(3200, 0.8);
    double phase = 0;
    Part(dir, "lead1", Render(hold, [=](double t) mutable {
      phase += kLeadC * (1 + 0.006 * Sine(5.8 * t) * std::min(1.0, std::max(0.0, t - 0.2) * 3)) / kSampleRate;
      return lp.Process(SoftSquare(phase, 2.5) * 0.7 + Sine(phase * 2) * 0.2) * Adsr(t, 0.01, 0.2, 0.7, 0.3, hold - 0.3);
    }), 0.14);
  }
  // Lead 2: electric-piano keys (FM with a fading modulation index).
  Part(dir, "lead2", Render(hold, [=](double t) {
    double index = 1.8 * std::exp(-t / 0.25) + 0.2;
    return Sine(kLeadC * t + index * Sine(kLeadC * t) / (2 * M_PI)) * Perc(t, 0.003, 0.55);
  }), 0.15);
  // Lead 3: a breathy flute.
  {
    Noise noise(33);
    Biquad bp;
    bp.BandPass(kLeadC * 2, 3);
    Part(dir, "lead3", Render(hold, [=](double t) mutable {
      double vib = 1 + 0.005 * Sine(5 * t) * std::min(1.0, t * 2);
      double tone = Sine(kLeadC * vib * t) + 0.25 * Sine(2 * kLeadC * vib * t) + 0.08 * Sine(3 * kLeadC * vib * t);
      return (tone + 0.25 * bp.Process(noise.Next())) * Adsr(t, 0.06, 0.2, 0.8, 0.25, hold - 0.25);
    }), 0.14);
  }
  // Accompaniment 1: a harp-like pluck.
  Part(dir, "accompany1", Pluck(kAccompanyC, hold, 0.998, 101), 0.15);
  // Accompaniment 2: a soft pad of three detuned saws.
  {
    Biquad lp;
    lp.LowPass(1500, 0.7);
    double p1 = 0, p2 = 0.3, p3 = 0.6;
    Part(dir, "accompany2", Render(hold, [=](double t) mutable {
      p1 += kAccompanyC / kSampleRate;
      p2 += kAccompanyC * 1.004 / kSampleRate;
      p3 += kAccompanyC * 0.996 / kSampleRate;
      double saw = SawBandLimited(p1, kAccompanyC) + SawBandLimited(p2, kAccompanyC) + SawBandLimited(p3, kAccompanyC);
      return lp.Process(saw) * Adsr(t, 0.03, 0.3, 0.75, 0.3, hold - 0.3);
    }), 0.15);
  }
  // Accompaniment 3: a marimba.
  Part(dir, "accompany3", Render(hold, [=](double t) {
    return Sine(kAccompanyC * t) * Perc(t, 0.002, 0.3) + 0.4 * Sine(kAccompanyC * 4 * t) * Perc(t, 0.001, 0.04) +
           0.15 * Sine(kAccompanyC * 10 * t) * Perc(t, 0.0005, 0.01);
  }), 0.15);
}

// The songs. Chords move the whole band in parallel, so the tonal lines stay
// on the major pentatonic and the root's fifth and octave, which sound right
// over every chord of the progressions. Lines that are neither a header, a
// stretch line nor a quoted pattern are comments. The game plays each at its
// own tempo (the title slowest, the rounds faster with the difficulty); the
// harder songs are busier, so their notes are cut sooner and their parts
// sound shorter, which keeps the four at much the same loudness.
struct Song {
  const char* name;
  const char* text;
};

const Song kSongs[] = {
    {"title", R"(Title song: calm. Soft hand drums, a slow bass and long melody notes.

[DRUMS]
STRETCH = FALSE
"1 3 2 6 3 1 2 3 "
"1 3 6 2 1 3 7 2 "
"1 3 2 3 1 6 2 4 "
"1 3 2 3 1 6 7 2 "
"8 3 2 6 1 3 2 3 "

[CHORDS]
STRETCH = FALSE
Eight letters make a cycle of two blocks.
"qqvvqqbb"
"qnvb"
"qvnb"
"nnvvqqbb"

[BASS]
STRETCH = FALSE
"q t q t "
"q q t i "
"q v q v "
"q t i t "

[MELODY]
STRETCH = FALSE
"e t y t e w e q "
"i   y t y   t e "
"t e w q e   w q "
"e w q   t   y   "
"q w e t i   t   "

[ACCOMPANY]
STRETCH = FALSE
"q t i t q t i t "
"q e t i t e q e "
"q e t e q e t e "
)"},

    {"easy", R"(Easy round: a relaxed groove.

[DRUMS]
STRETCH = FALSE
Kick, hat, snare and hat on sixteenth steps; the second drum track reads these too.
"1 3 2 3 1 3 2 3 "
"1 3 2 3 1 1 2 3 "
"1 3 2 31 3 2 3 4"
"8 3 2 3 1 3 2 3 1 3 2 3 1 1 2 5"
"1  3  2 1  3 2 3"
"1   5   1 1 5  3"
"1 3 2 3 1 3 2 36 1 3 2 3 1 3 2 77"

[CHORDS]
STRETCH = FALSE
One letter per sixteen steps: I vi IV V and friends, transposing everything.
"qnvb"
"qvbq"
"qqvvbbqq"
"nvqb"
"qbnv"

[BASS]
STRETCH = RANDOM
"q   q   t   q   "
"q q   q b   t   "
"q  i  q  t  q b "
"q   t   i   t   "
"q   q b q   n b "

[MELODY]
STRETCH = RANDOM+
"e t y   t e w   e   w q   q    "
"i   y t y   t e t   e w e   q   "
"q w e   t   e w q       b   q   "
"t   y i o   i y t   e   t   y   "
"e e t   e w q   w   e   q       "

[ACCOMPANY]
STRETCH = FALSE
"q t i t q t i t "
"q   t   i   t   "
"q e t i t e q e "
"  t   t   t   t "
"q t e t q t e t "
)"},

    {"medium", R"(Medium round: driving eighths.

[DRUMS]
STRETCH = RANDOM
"1 3 2 3 1 3 2 3 "
"1 3 2 3 1 1 2 3 "
"1 3 2 31 3 2 3 4"
"1 3 5 3 1 3 5 36"
"1 3 2 3 1 3 2 3 1 3 2 3 1 1 2 7"
"8 3 2 3 1 3 2 3 "

[CHORDS]
STRETCH = FALSE
"qnvb"
"nvqb"
"qbnv"
"qqnnvvbb"

[BASS]
STRETCH = FALSE
"q q t q q q t i "
"q   q t q   t i "
"q q   q b b   b "
"q t i t q t i t "

[MELODY]
STRETCH = RANDOM
"e t y   t e w   e   w q   q    "
"i   y t y   t e t   e w e   q   "
"t   y i o   i y t   e   t   y   "
"q w e t y t e w q w e t i   t   "
"e e t   e w q   w   e   q       "

[ACCOMPANY]
STRETCH = RANDOM
"q t i t q t i t "
"q e t i t e q e "
" t t t t t t t t"
"q t e t q t e t "
)"},

    {"hard", R"(Hard round: fast and busy.

[DRUMS]
STRETCH = RANDOM
"1 3 2 3 1 3 2 3 "
"1 332 3 1 3 2 33"
"1 3 2 31 3 2 3 4"
"1 3 5 3 1 1 5 3 "
"1 3 2 3 1 3 2 3 1 3 2 3 1 1 2 7"
"1 3 2 3 1 3 2 36 1 3 2 3 1 3 2 77"

[CHORDS]
STRETCH = FALSE
"qnvb"
"nvqb"
"qvbq"
"qqbbnnvv"

[BASS]
STRETCH = FALSE
"q q t q q q t i "
"q i q t q i q t "
"q q   q b b   b "
"q  q  t q  q  t "

[MELODY]
STRETCH = RANDOM
"e t y   t e w   e   w q   q    "
"i y t y i   t e t   e w e   q   "
"t   y i o   i y t   e   t   y   "
"q w e t y t e w q w e t i   t   "
"e e t   e w q   w   e   q       "

[ACCOMPANY]
STRETCH = RANDOM
"q t i t q t i t "
"q e t i t e q e "
" t t t t t t t t"
"q t e t q t e t "
)"},
};

}  // namespace

void MakeMusic(const std::string& musicDir) {
  DrumKits(musicDir);
  TonalParts(musicDir);
  for (const Song& song : kSongs) {
    std::string path = musicDir + "/" + song.name + ".ini";
    std::ofstream out(path, std::ios::binary);
    out << song.text;
    out.close();
    if (!out) Fail("cannot write " + path);
  }
}
