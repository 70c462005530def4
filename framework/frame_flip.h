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

extern RecordList<ment> MessageList;
extern int SettingsOpen;   // 1 while the settings panel is wanted out
extern int DebugOverlay;   // 1 while the statistics are shown
extern int PauseState;     // 1: Escape may pause; 2: the pause menu runs
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
