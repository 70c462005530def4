// Sound effects: the shared table of channel slots and the ring of effect
// channels (entries 20..255) that PlayEffect walks through. Effects are fire
// and forget; an effect still sounding when the ring comes back to its entry
// 236 calls later is cut off.
#include "audio/sound_effects.h"

#include <cmath>

#include "platform/platform.h"

// Start values: ResetSoundEffects; the effect sounds go with the shared
// assets, the volume reader is its installer's.
std::array<int, 260> ChannelSlots;
int EffectCursor;
std::array<int, 201> EffectSounds;
VolumeReader ReadVolume = nullptr;

namespace {

constexpr int kRingFirst = 20;   // first ring entry
constexpr int kRingEnd = 256;    // one past the last ring entry

// NaN fails both comparisons of a plain clamp and would reach the mixer
// untouched, so it is sent to the lower bound first.
float ClampArg(float value, float low, float high) {
  if (std::isnan(value)) return low;
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

}  // namespace

void ResetSoundEffects() {
  // Channel handles belong to the platform; a restarted platform has already
  // forgotten them, so only our references are dropped here.
  ChannelSlots.fill(0);
  EffectCursor = kRingFirst;
}

int VolumeSetting(VolumeKind kind) { return ReadVolume != nullptr ? ReadVolume(kind) : 100; }

float MixVolume(VolumeKind kind) {
  return static_cast<float>(VolumeSetting(kind) * VolumeSetting(VolumeKind::Master)) / 100.0f / 100.0f;
}

void ClearChannelSlot(int slot) {
  if (slot < 0 || slot >= static_cast<int>(ChannelSlots.size())) return;
  int channel = ChannelSlots[slot];
  if (channel == 0) return;
  if (ChannelPlaying(channel)) StopChannel(channel);
  FreeChannel(channel);
  ChannelSlots[slot] = 0;
}

void PlayEffect(int index, float rate, float volume, float pan) {
  // Effects off, or no such sound: the ring stays where it is.
  if (VolumeSetting(VolumeKind::Sounds) <= 0) return;
  if (index < 1 || index >= static_cast<int>(EffectSounds.size())) return;
  int sound = EffectSounds[index];
  if (sound == 0) return;

  // Next ring entry.
  EffectCursor += 1;
  if (EffectCursor >= kRingEnd) EffectCursor = kRingFirst;
  int& entry = ChannelSlots[EffectCursor];

  // Clamp the arguments.
  volume = ClampArg(volume, 0.0f, 1.0f);
  rate = ClampArg(rate, 0.25f, 4.0f);
  pan = ClampArg(pan, -1.0f, 1.0f);

  // A channel still sounding is cut and dropped; a finished one is reused.
  if (entry != 0 && ChannelPlaying(entry)) ClearChannelSlot(EffectCursor);

  // An empty entry gets a fresh channel.
  if (entry == 0) entry = AllocChannel();

  // Cue the sound paused, so volume, pan and rate apply from its first sample.
  CueSound(sound, entry);

  // The settings are percentages; their product is taken before dividing.
  if (entry != 0) {
    SetChannelVolume(entry, MixVolume(VolumeKind::Sounds) * volume);
    SetChannelPan(entry, pan);
    SetChannelRate(entry, rate);
    ResumeChannel(entry);
  }
}
