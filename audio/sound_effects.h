// Sound effects: the ring of effect channels and the shared channel table.
#pragma once

#include <array>

// 260 channel handles: 0..19 the music tracks, 20..255 the effect ring,
// 256 the chime played while the shared assets load. 0 = none.
extern std::array<int, 260> ChannelSlots;
extern int EffectCursor;   // ring entry used last; 20 at start

void ResetSoundEffects();
void PlayEffect(int index, float rate, float volume, float pan);
// Stops the channel in a slot if it plays, drops it and clears the slot.
void ClearChannelSlot(int slot);
