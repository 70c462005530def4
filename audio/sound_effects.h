// Sound effects: the ring of effect channels and the shared channel table.
#pragma once

#include <array>

// 260 channel handles: 0..19 the music tracks, 20..255 the effect ring,
// 256 the chime played while the shared assets load. 0 = none. Written by
// the sequencer, PlayEffect and the splash; for the run.
extern std::array<int, 260> ChannelSlots;
extern int EffectCursor;   // ring entry used last, moved by PlayEffect; 20 at start
// 001.wav .. 200.wav by number, 0 = none; filled by the shared-asset loading
// on every display set-up, emptied with the display's other assets.
extern std::array<int, 201> EffectSounds;

// The player's loudness settings, 0..100 each. Audio does not own them: the
// owner of the settings installs a reader (at its reset); without one every
// setting reads as full.
enum class VolumeKind { Master, Sounds, Music };
using VolumeReader = int (*)(VolumeKind kind);
extern VolumeReader ReadVolume;
int VolumeSetting(VolumeKind kind);
// A setting times the master setting as a channel volume 0..1 (the two
// percentages are multiplied before dividing).
float MixVolume(VolumeKind kind);

void ResetSoundEffects();
void PlayEffect(int index, float rate, float volume, float pan);
// Stops the channel in a slot if it plays, drops it and clears the slot.
void ClearChannelSlot(int slot);
