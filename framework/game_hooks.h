// The game's side of the program, as the framework reaches it. The framework
// never names a game function: the game fills this table (main does, before
// the program starts; tests do in their set-up) and the framework calls
// through it. An empty entry is skipped.
#pragma once

struct GameHookTable {
  void (*resetTables)() = nullptr;   // the game's tables back to their start values
  void (*loadMedia)() = nullptr;     // after every display set-up; working folder: the game folder
  void (*loadRecords)() = nullptr;   // the stored records, once per start; working folder: the game folder
  void (*saveRecords)() = nullptr;   // at the closing screen; working folder: the game folder
  void (*drawOverlay)() = nullptr;   // every frame, first thing in FlipFrame
  void (*firstScreen)() = nullptr;   // the game itself; returns when the player leaves
};

// Filled once by the game before start-up; lives for the whole run.
extern GameHookTable GameHooks;

// Calls a hook if it is set.
inline void CallGameHook(void (*hook)()) {
  if (hook != nullptr) hook();
}
