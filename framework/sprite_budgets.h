// The engine test: how many sprites this machine draws per frame at the aimed
// rate, turned into the sprite budgets.
#pragma once

// Written by the engine test on every display set-up; read until the next.
extern int AimedFps;   // 60, or 30 with frameskip
extern int EngineTestBest;   // sprites the last test's best step held; 0 = none
// True while the test measures: the frame routine keeps the pause menu and
// screenshots for after it, so neither runs inside the measurement.
extern bool EngineTestRunning;

// AimedFps 60, no test running (a run that ended inside the test leaves it set).
void ResetEngineTest();
void RunEngineTest(int aimedRate, int spriteScale);
// The engine test of a display set-up: at the 60 fps aim; on a first start
// on OpenGL that could not hold the lowest budgets, the software engine is
// measured too and the one that holds more sprites is kept.
struct EngineTestRun;
void RunDisplayEngineTest(const EngineTestRun& run);

// Test-only: called after each frame's load is drawn with the number of
// sprites under test, before the frame flip. Tests on the headless host set
// it to make drawing cost virtual time (a slow machine); nullptr in the game.
// The resets leave it as the test set it.
using EngineTestCostHook = void (*)(int spriteCount);
extern EngineTestCostHook EngineTestDrawCost;
