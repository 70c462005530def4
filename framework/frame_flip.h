// The frame routine every screen ends its frames with.
#pragma once

#include <cstdint>
#include <string>

#include "framework/frame_samples.h"
#include "framework/notifications.h"
#include "platform/platform.h"

// Switched by FlipFrame (Tab, the pad's Back) and the settings panel; for the run.
extern int SettingsOpen;   // 1 while the settings panel is wanted out
extern int DebugOverlay;   // 1 while the statistics are shown; F12 switches, the engine test turns off
// Set by the title screen and the round (1 while a round plays, 0 from its
// end) and by FlipFrame (2 while the pause menu runs).
extern int PauseState;     // 1: Escape may pause; 2: the pause menu runs
// Written by FlipFrame every frame.
extern int GcCollected;
extern int LastFlipTime;   // clock at the end of the previous call, ms
extern int FrameMs;
extern int SmoothedFps, ShownFps;

// What the frame routine runs beside the screen, in the frame's order. The
// routine knows none of them by name: the file that wires the program
// (start-up) fills this table once, before anything runs. An empty entry is
// skipped (reads as false, or as the menu's 0).
struct FrameHookTable {
  bool (*panelOut)() = nullptr;        // the settings panel is out: it takes the pad's Start
  bool (*escapeForScreen)() = nullptr; // Escape meant for the screen (not taken by the panel)
  bool (*measuring)() = nullptr;       // the engine test measures: no screenshot, no pause menu
  void (*screenshot)() = nullptr;      // F11, on a drawing frame
  int (*pauseMenu)() = nullptr;        // Escape or Start during a round: kMenuContinue or kMenuQuit
  void (*settingsPanel)() = nullptr;   // every frame, after the pause menu
  void (*statistics)() = nullptr;      // F12's overlay, while it is shown
};
extern const FrameHookTable FrameHooks;

void ResetFrameFlip();
// Returns the pause menu's result when it ran in this call (kMenuContinue or
// kMenuQuit), else 0.
int FlipFrame(int showPointer);
