// The program's spine: the credit lines, the values the start-up sequence
// sets, and the start-up sequence itself. The game's identity and folder are
// in game_identity.h.
#pragma once

#include <array>
#include <string>

#include "framework/game_identity.h"

// Written only by ResetStartup, at start-up; read for the whole run.
extern std::string TitleLine;                   // "#253 : Mnemora Find the Match"; window caption
extern std::array<std::string, 100> CreditLines;  // used from slot 1
extern int CreditCount;
extern int MouseMode;         // 1: played with the mouse
extern int ControlSetsShown;  // control sets the settings panel lists
extern int BadgeCount;        // badges the score panel shows

// Written by StartUp, once per run.
extern int LoadStartTime;     // clock (ms) before the first display set-up opened the display
extern int LoadEndTime;       // clock (ms) at "Finished Loading", before the splash's minimum wait

// Makes a folder of the data (below it: "Common/", GameFolder()) the working
// folder, where the data's own files are loaded from. False, with a log line
// saying why, when it can't be entered.
bool EnterDataFolder(const std::string& folder);

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
