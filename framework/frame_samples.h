// What the frame routine samples once per frame for every screen and drawing
// helper to read: the pointer, the clicks and the frameskip phase.
#pragma once

// Written by FlipFrame every frame (the settings panel takes the clicks too);
// zero at ResetFrameSamples.
extern int MouseXNow, MouseYNow, MouseXPrev, MouseYPrev;  // virtual units, sampled per frame
extern int LeftClick, RightClick;
extern int SkipPhase;      // 0 or 1, flips every call; frames of phase 1 are skipped under frameskip

void ResetFrameSamples();
