// The round's sound effects (numbered files in the game folder, the numbers
// in game/effect_numbers.h) and the loading chime in the shared folder.
// Feedback sounds are pitched and shaped so that right always rises and
// rings, wrong always falls and is dull.
#include <cmath>
#include <cstdio>
#include <string>

#include "game/effect_numbers.h"
#include "generators.h"
#include "synth.h"

namespace {

// A struck bell-like tone: slightly inharmonic partials that die at
// different speeds, so it rings rather than beeps.
Wave Chime(double freq, double length, double brightness = 1.0) {
  const double ratios[] = {1.0, 2.0, 3.01, 4.2, 5.43};
  const double amps[] = {1.0, 0.45, 0.22, 0.12 * brightness, 0.06 * brightness};
  return Render(length, [=](double t) {
    double s = 0;
    for (int k = 0; k < 5; ++k) s += amps[k] * Sine(freq * ratios[k] * t) * Perc(t, 0.002, length * 0.35 / (1 + k * 0.8));
    return s;
  });
}

// A soft mallet tone (marimba-like): fundamental plus a quickly fading fourth harmonic.
Wave Mallet(double freq, double length) {
  return Render(length, [=](double t) {
    return Sine(freq * t) * Perc(t, 0.004, 0.18) + 0.3 * Sine(freq * 4 * t) * Perc(t, 0.004, 0.03) +
           0.2 * Sine(freq * 2 * t) * Perc(t, 0.004, 0.08);
  });
}

// A dull, muted tone for "wrong": triangle through a low-pass, with a slight pitch sag.
Wave Dull(double freq, double length, double sag) {
  Biquad lp;
  lp.LowPass(freq * 3, 0.8);
  double phase = 0;
  return Render(length, [=](double t) mutable {
    double f = freq * (1 - sag * t / length);
    phase += f / kSampleRate;
    return lp.Process(Triangle(phase) * 0.7 + SoftSquare(phase, 2) * 0.3) * Perc(t, 0.006, length * 0.4);
  });
}

// A card flicked over: a papery snap (band-passed noise) with a small thump
// under it, and a softer second snap as the card lands.
Wave Flip(uint32_t seed, double band, double q, double gap, double thumpFreq) {
  Noise noise(seed);
  Biquad bp, bp2;
  bp.BandPass(band, q);
  bp2.BandPass(band * 0.7, q * 0.8);
  return Render(0.16, [=](double t) mutable {
    double n = noise.Next();
    double snap = bp.Process(n) * Perc(t, 0.0008, 0.012) * 3.0;
    double land = bp2.Process(n) * Perc(t - gap, 0.001, 0.02) * 1.6;
    double thump = Sine(thumpFreq * t) * Perc(t, 0.001, 0.018) * 0.5;
    return snap + land + thump;
  });
}

// Air moving as two cards trade places: noise through a band-pass whose
// centre sweeps, under a smooth swell.
Wave Whoosh(uint32_t seed, double fromHz, double toHz, double length) {
  Noise noise(seed);
  Biquad bp;
  return Render(length, [=](double t) mutable {
    double x = t / length;
    bp.BandPass(fromHz * std::pow(toHz / fromHz, x), 2.2);
    double swell = std::pow(std::sin(M_PI * x), 1.6);
    return bp.Process(noise.Next()) * swell * 2.5;
  });
}

// Every cue's loudest 100 ms is written at one level, a little over the
// music at the default volumes: a lost turn must not blare over the song, and
// a card flick must still be heard. Sharp sounds (the flicks) meet their peak
// limit a few dB short of it.
constexpr double kCueLoudestDb = -15.0;
constexpr double kCueMaxPeak = 0.95;

void Save(const std::string& dir, int number, Wave w) {
  char name[16];
  std::snprintf(name, sizeof name, "/%03d.wav", number);
  const double peak = PeakForLoudness(w, kCueLoudestDb, kCueMaxPeak);
  WriteSound(std::move(w), dir + name, peak);
}

}  // namespace

void MakeSoundEffects(const std::string& gameDir, const std::string& commonDir) {
  // 2: delayed "that pick was wrong" — two low muted notes falling a semitone.
  {
    Wave w;
    MixInto(w, Dull(NoteFreq(55), 0.22, 0.04), 0);
    MixInto(w, Dull(NoteFreq(54), 0.34, 0.08), 0.13);
    Save(gameDir, effect::kPickWrongLater, w);
  }
  // 3: delayed "that pick was right" — a bright rising fifth.
  {
    Wave w;
    MixInto(w, Chime(NoteFreq(84), 0.5), 0);
    MixInto(w, Chime(NoteFreq(91), 0.6), 0.08, 0.9);
    AddReverb(w, 0.25, 0.72, 0.3);
    Save(gameDir, effect::kPickRightLater, w);
  }
  // 4: a turn judged wrong — the classic falling "wah wah wah waaah".
  {
    Wave w;
    const double notes[] = {67, 66, 65, 64};
    for (int i = 0; i < 4; ++i) {
      double len = i == 3 ? 0.75 : 0.24;
      Biquad lp;
      lp.LowPass(1400, 1.2);
      double phase = 0, base = NoteFreq(notes[i]);
      bool last = i == 3;
      Wave note = Render(len, [=](double t) mutable {
        double vibrato = last ? 1 + 0.012 * Sine(5.5 * t) * std::min(1.0, t * 4) : 1;
        phase += base * vibrato / kSampleRate;
        double wah = 0.5 + 0.5 * std::sin(M_PI * std::min(1.0, t / 0.18));
        return lp.Process(SawBandLimited(phase, base) * 0.6 + SoftSquare(phase, 1.5) * 0.4) *
               Adsr(t, 0.015, 0.05, 0.8, 0.08, len - 0.08) * (0.6 + 0.4 * wah);
      });
      MixInto(w, note, i * 0.26);
    }
    AddReverb(w, 0.15, 0.6, 0.2);
    Save(gameDir, effect::kTurnWrong, w);
  }
  // 5: a turn judged all right — a rising major arpeggio with a sparkle on top.
  {
    Wave w;
    const double notes[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) MixInto(w, Mallet(NoteFreq(notes[i]), 0.6), i * 0.085, 0.9);
    MixInto(w, Chime(NoteFreq(88), 0.9), 0.34, 0.7);
    MixInto(w, Chime(NoteFreq(91), 0.9), 0.40, 0.5);
    AddReverb(w, 0.3, 0.78, 0.5);
    Save(gameDir, effect::kTurnRight, w);
  }
  // 6 and 7: card swaps — a whoosh up and a whoosh down.
  Save(gameDir, effect::kSwapFirst, Whoosh(606, 500, 2600, 0.3));
  Save(gameDir, effect::kSwapLast, Whoosh(707, 2400, 600, 0.3));
  // 10: the whole table turning face down — a riffle of quick flicks.
  {
    Wave w;
    for (int i = 0; i < 9; ++i) {
      double at = i * 0.045 + (i % 3) * 0.006;
      MixInto(w, Flip(1000 + i, 2200 + (i % 4) * 260, 1.6, 0.02, 140), at, 1.0 - i * 0.07);
    }
    Save(gameDir, effect::kTableFaceDown, w);
  }
  // 11-16: single card flips, six slightly different so repeats sound natural.
  const double bands[] = {1800, 2300, 2700, 2000, 3100, 2500};
  for (int i = 0; i < 6; ++i) {
    Save(gameDir, effect::kCardFirst + i, Flip(1100 + i * 17, bands[i], 1.3 + 0.2 * (i % 3), 0.035 + 0.006 * i, 110 + 12 * i));
  }
  // 17: a wrong pick — a short soft buzz that drops in pitch.
  {
    Biquad lp;
    lp.LowPass(900, 0.9);
    double phase1 = 0, phase2 = 0;
    Wave w = Render(0.3, [=](double t) mutable {
      double f = 180 * (1 - 0.25 * t / 0.3);
      phase1 += f / kSampleRate;
      phase2 += f * 1.03 / kSampleRate;
      return lp.Process(SoftSquare(phase1, 3) + SoftSquare(phase2, 3)) * Adsr(t, 0.008, 0.05, 0.7, 0.1, 0.2);
    });
    Save(gameDir, effect::kWrongPick, w);
  }
  // 18: the round is over — a slow falling phrase settling on a low chord.
  {
    Wave w;
    const double notes[] = {72, 69, 65};
    for (int i = 0; i < 3; ++i) MixInto(w, Mallet(NoteFreq(notes[i]), 0.7), i * 0.28);
    for (double n : {53.0, 60.0, 64.0, 69.0}) MixInto(w, Chime(NoteFreq(n), 1.6, 0.5), 0.84, 0.5);
    AddReverb(w, 0.35, 0.8, 0.7);
    Save(gameDir, effect::kRoundOver, w);
  }
  // The loading chime: quick rising sparkle, a glint while the splash shows.
  {
    Wave w;
    const double notes[] = {84, 88, 91, 96};
    for (int i = 0; i < 4; ++i) MixInto(w, Chime(NoteFreq(notes[i]), 0.9, 1.2), i * 0.07, 0.8);
    Noise noise(4242);
    Biquad hp;
    hp.HighPass(6000, 0.7);
    MixInto(w, Render(0.8, [=](double t) mutable { return hp.Process(noise.Next()) * Perc(t - 0.2, 0.05, 0.15) * 0.15; }), 0);
    AddReverb(w, 0.35, 0.8, 0.6);
    WriteSound(w, commonDir + "/badgeget.wav", PeakForLoudness(w, kCueLoudestDb, kCueMaxPeak));
  }
}
