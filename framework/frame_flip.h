// The frame routine every screen ends its frames with, and the notifications.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// One notification message.
struct ment {
  int tick = 0;       // frames shown so far
  std::string txt;
  int c = 0;          // the caller's value, kept with the message
};

// Added to by AddNotification from any module; FlipFrame ages each message
// and drops it after 180 frames.
extern RecordList<ment> MessageList;
// Switched by FlipFrame (Tab, the pad's Back) and the settings panel; for the run.
extern int SettingsOpen;   // 1 while the settings panel is wanted out
extern int DebugOverlay;   // 1 while the statistics are shown; F12 switches, the engine test turns off
// Set by the title screen and the round (1 while a round plays, 0 from its
// end) and by FlipFrame (2 while the pause menu runs).
extern int PauseState;     // 1: Escape may pause; 2: the pause menu runs
// Written by FlipFrame every frame (the settings panel takes the clicks too).
extern int SkipPhase;      // 0 or 1, flips every call
extern int GcCollected;
extern int MouseXNow, MouseYNow, MouseXPrev, MouseYPrev;  // virtual units, sampled per frame
extern int LeftClick, RightClick;
extern int LastFlipTime;   // clock at the end of the previous call, ms
extern int FrameMs;
extern int SmoothedFps, ShownFps;

void ResetFrameFlip();
// Returns the pause menu's result when it ran in this call (kMenuContinue or
// kMenuQuit), else 0.
int FlipFrame(int showPointer);
void AddNotification(const std::string& text, int c);
// While the statistics are shown, the right edge of their rate figure at the
// top-left corner (virtual units), so a screen's own text there can stand
// beside it; 0 while they are hidden.
int StatisticsRateRight();
