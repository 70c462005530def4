// The per-frame samples (written by the frame routine).
#include "framework/frame_samples.h"

int MouseXNow, MouseYNow, MouseXPrev, MouseYPrev;
int LeftClick, RightClick;
int SkipPhase;

void ResetFrameSamples() {
  MouseXNow = MouseYNow = MouseXPrev = MouseYPrev = 0;
  LeftClick = RightClick = 0;
  SkipPhase = 0;
}
