// Display set-up: the mode list, the graphics driver, the window or full
// screen, the virtual drawing space and the crash guard "crash.dat".
#pragma once

#include <array>
#include <string>

// Written by each display set-up; they hold until the next one.
extern int RealWidth, RealHeight;            // display mode in pixels
extern int VirtualWidth, VirtualHeight;      // drawing space of every screen
extern int ModeCount;
extern std::array<int, 2500> ModeWidths;     // used from slot 1
extern std::array<int, 2500> ModeHeights;
// 1 once the first set-up's shared assets drew the splash; for the rest of the run.
extern int GraphicsOpen;
// True from the start of ApplyDisplaySettings to its end: the frames its
// engine test draws run the settings panel, whose Apply must not start a
// second set-up inside this one.
extern bool DisplaySetupRunning;

// What a display set-up runs on the new display, behind the crash guard, in
// this order: the shared assets, then the engine test, which measures the
// display before any art is drawn on it. Display set-up knows neither by
// name: start-up, which wires the program, fills this table once.
// What the engine test is told of the set-up that runs it.
struct EngineTestRun {
  bool firstStart = false;   // the run's first set-up, its setup naming no engine, on OpenGL
  int depth = 0;             // the colour depth the display opened with
  int frameskipBefore = 0;   // the frameskip setting before the test
};
struct DisplaySetupHookTable {
  void (*loadAssets)() = nullptr;
  void (*engineTest)(const EngineTestRun& run) = nullptr;
};
extern const DisplaySetupHookTable DisplaySetupHooks;

void ResetDisplaySetup();
// Opens the display again on another engine, in the same mode and space (the
// images and fonts keep their pixels and make new textures on it). When that
// engine cannot open it, the one before opens it again; false then.
bool ReopenDisplayWith(int driver, int depth);
// Working folder: the game folder; it is left so.
void ApplyDisplaySettings();
// The crash guard "crash.dat" of the game folder (installed: the player's
// state folder); it exists only while a display is being set up.
std::string CrashGuardPath();
// True when a guard left behind by a set-up that never finished moved this
// run from OpenGL to the DirectX 9 slot.
bool CrashGuardSwitchedEngine();
// Takes the guard down at the end of a set-up, or when the program leaves in
// the middle of one (an orderly exit is no crash). Not held by this copy, a
// guard left behind is removed; one another running copy holds stays.
void DropCrashGuard();
// Its steps that depend on nothing loaded: the mode list with the requested
// size (an unlisted one keeps the size in use), the colour depth (0 for a
// window; a full screen impossible at this size notifies and gives 0), and
// the virtual drawing space by the display's shape (logged, and applied).
void ListDisplayModes();
int ChooseColourDepth();
void ChooseVirtualSpace();

// The drawing space of a screen. The screens' own is the one
// ChooseVirtualSpace picks. The title screen and the round are laid out for
// a space 960 units tall (the round's table art is that tall, and the title's
// score panel, pickers and texts share its height), so they draw in a space
// that tall on every display, as wide as the display's shape makes it: a 4:3
// display keeps 1280 x 960, 16:9 gets about 1707 x 960. Sets VirtualWidth,
// VirtualHeight and the drawing's mapping; the pointer follows.
enum class DrawingSpace { Screens, Tall };
void UseDrawingSpace(DrawingSpace space);
// In the browser, between two frames: when the page's size changed, the
// display opens again at it and the screen's drawing space follows its
// shape (true then). Images, fonts and sounds stay loaded.
bool FollowPageSize();
