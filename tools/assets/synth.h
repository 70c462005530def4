// Our own small synthesiser: mono sample buffers at 44.1 kHz with the
// oscillators, envelopes, noise, filters and reverb the sound effects and the
// music parts are built from, and the WAV writer that checks its output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int kSampleRate = 44100;
using Wave = std::vector<float>;

int SampleCount(double seconds);
// Renders fn(t) for t in seconds over the given length, fading the last few
// milliseconds out so the piece can be mixed anywhere without a click.
Wave Render(double seconds, const std::function<double(double)>& fn);
// Adds src into dst starting at the given time, growing dst when needed.
void MixInto(Wave& dst, const Wave& src, double atSeconds, double gain = 1.0);
void Scale(Wave& w, double gain);

// Attack-decay-sustain-release envelope for a note held `hold` seconds.
double Adsr(double t, double attack, double decay, double sustain, double release, double hold);
// Percussive envelope: quick linear attack, exponential decay with time constant tau.
double Perc(double t, double attack, double tau);

double Sine(double phase);       // phase in cycles
double Triangle(double phase);
double SoftSquare(double phase, double sharpness);  // tanh-shaped square
double SawBandLimited(double phase, double freq);   // additive saw, no aliasing

// Deterministic white noise in [-1, 1].
class Noise {
 public:
  explicit Noise(uint32_t seed) : s_(seed ? seed : 1) {}
  double Next();

 private:
  uint32_t s_;
};

// Biquad filter (RBJ cookbook forms) with settable coefficients per sample, so
// sweeps are possible.
class Biquad {
 public:
  void LowPass(double freq, double q);
  void HighPass(double freq, double q);
  void BandPass(double freq, double q);
  double Process(double x);

 private:
  void Set(double b0, double b1, double b2, double a0, double a1, double a2);
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A small Schroeder reverb: wet tail added to the dry signal, buffer grown
// by `tail` seconds so the tail is not cut.
void AddReverb(Wave& w, double wet, double roomSize, double tail);
// Shifts a wave by a fixed delay and feeds it back (echo).
void AddEcho(Wave& w, double delaySeconds, double feedback, int repeats);

// Frequency of a MIDI-style note number (69 = A 440 Hz).
double NoteFreq(double note);

// Finishes and writes a sound: removes DC, fades in and out so the ends meet
// silence (no clicks), normalises the peak, writes 16-bit PCM mono at
// 44.1 kHz, then reads the header back to check it.
bool WriteSound(Wave w, const std::string& path, double peak = 0.89, double fadeIn = 0.002,
                double fadeOut = 0.012);

// The RMS of a wave's loudest stretch of the given length, in dB of full
// scale, measured as if the wave were normalised to a peak of 1.
double LoudestStretchDb(const Wave& w, double seconds);

// The peak at which a wave's loudest 100 ms reaches the given RMS level (dB
// of full scale), at most maxPeak: the level every cue of the game is written
// at, so that no cue stands out of the others or far over the music.
double PeakForLoudness(const Wave& w, double loudestDb, double maxPeak);
