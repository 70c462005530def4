// The program's spine: the credit lines, the values the start-up sequence
// sets, and the start-up sequence itself. The game's identity and folder are
// in game_identity.h.
#pragma once

#include <array>
#include <string>

#include "framework/game_identity.h"

// Written by StartUp, once per run.
extern int LoadStartTime;     // clock (ms) before the first display set-up opened the display
extern int LoadEndTime;       // clock (ms) at "Finished Loading", before the splash's minimum wait


// The start values of this module's tables (the caption and credits among them).
void ResetStartup();

// Every module's tables back to their start values, in start-up's order
// (tests and benchmarks start from here too). Hooks installed before the run
// (the game's, the frame watcher, the test-only cost and clock hooks) stay.
void ResetProgramTables();

// Start-up: the platform, the tables, the folders, the log, the setup, the
// display with its assets, the minimum splash time. Runs at most once per process.
void StartUp();

// The whole run: StartUp, the game's first screen, the closing screen. Never returns.
[[noreturn]] void RunProgram();
