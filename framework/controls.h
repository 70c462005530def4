// Input codes, the binding table, the joypad table filled at start-up, and
// polling: every player action is read as (control, player) through Bindings.
//
// Input codes share one number space:
//   0            nothing bound
//   1..255       Windows virtual-key codes (only 10..254 ever read as held)
//   300 + (pad - 1) * 50 + sub   joypad 1..4; sub-codes below
#pragma once

#include <array>
#include <string>

constexpr int kInputNone = 0;
constexpr int kInputPadBase = 300;   // code of pad 1, sub-code 0
constexpr int kInputPadStride = 50;  // codes per pad
constexpr int kMaxPads = 4;

// Joypad sub-codes (code mod 50).
constexpr int kPadYMinus = 0, kPadYPlus = 1, kPadXMinus = 2, kPadXPlus = 3;
constexpr int kPadZMinus = 4, kPadZPlus = 5, kPadUMinus = 6, kPadUPlus = 7;
constexpr int kPadVMinus = 8, kPadVPlus = 9, kPadRMinus = 10, kPadRPlus = 11;
constexpr int kPadHatUp = 20, kPadHatRight = 25, kPadHatDown = 28, kPadHatLeft = 23;
constexpr int kPadButton0 = 30;      // 30..49: buttons 0..19
constexpr float kPadDeadZone = 0.3f; // axis travel from rest before it counts

// Control numbers the game reads.
constexpr int kControlUp = 0, kControlLeft = 3, kControlRight = 5, kControlDown = 8;
constexpr int kControlButton1 = 10, kControlButton2 = 11, kControlButton3 = 12,
              kControlButton4 = 13;
constexpr int kControlsPerPlayer = 20;

// Code of pad p (1..4), sub-code s.
constexpr int PadCode(int pad, int sub) { return kInputPadBase + (pad - 1) * kInputPadStride + sub; }

// Input code per (player - 1) * 20 + control; 0 = nothing bound. Written by
// the setup file and the settings panel; lives for the run and is saved in
// the setup file's [Controls] section.
extern std::array<int, 101> Bindings;

// The joypad table, entries 1..4 (slot 0 empty). Filled by ScanPads once at
// start-up and kept for the run; only PadEnabled changes later (the settings
// menu switches pads on and off).
extern int PadCount;                          // pads in use, at most 4
extern std::array<int, 5> PadEnabled;         // 0/1
extern std::array<std::string, 5> PadNames;   // device name
extern std::array<int, 5> PadButtonMask;      // bit i: button i exists
extern std::array<float, 5> PadRestX, PadRestY, PadRestZ, PadRestU, PadRestV, PadRestR;
extern std::array<int, 5> PadHasHat;          // 1 when the hat was centred at the scan

// Default bindings: arrows, and Z X C V for the four buttons of player 1.
void ResetBindings();
// The bindings ResetBindings sets, by slot.
std::array<int, 101> DefaultBindings();
// Empties the joypad table (PadCount 0).
void ResetPads();
// Start-up scan of the connected joypads; pads plugged in later are not seen.
void ScanPads();
// 1 while the input is held.
int InputDown(int code);
// InputDown of the player's binding for the control; 0 outside the table.
int ControlDown(int control, int player);
// The first input held now (keys, then each enabled pad), 0 if none or while
// F11 or F12 is held (those belong to the screenshot and statistics keys).
int CaptureInput();

// Forgets every key and mouse press counted so far and every character typed
// but not yet read; what is held stays held. Each screen calls it as it
// opens, so presses meant for the screen before (the letters of a name, say)
// act on neither.
void ClearInputHits();

// ---------------------------------------------------------------- navigation
// Menus, the title screen, the round's focus and name entry also read pads
// through their controller layout, so A, B, Start and the D-pad mean the
// same on every pad the platform knows. Pads switched off in the settings
// menu are left out; pads plugged in after start-up count too.
enum class Nav { Up, Down, Left, Right, Accept, Back, Start, Select, ShoulderLeft, ShoulderRight };
// Held on some controller: the D-pad or the left stick for the directions,
// A, B, Start, Back and the shoulder buttons for the rest.
bool ControllerHeld(Nav nav);
// Any controller button held (the closing page ends on any input).
bool AnyControllerButtonHeld();
// A direction for the keyboard or pad player: player 1's binding for the
// control (the arrows by default, or whatever pad input the setup binds),
// the D-pad or the left stick. control: kControlUp, Left, Right or Down.
bool DirectionHeld(int control);

// Acts once per press: Fresh is true in the first frame an input is held.
// It starts as held, so an input still down when a screen opens must be let
// go first.
struct PressEdge {
  bool held = true;
  bool Fresh(bool now) {
    bool fresh = now && !held;
    held = now;
    return fresh;
  }
};

// A press that repeats while held: once at once, then after 18 frames every
// 6 frames, as held keys repeat in a text field.
struct RepeatPress {
  int heldFrames = -1;   // -1: not held (or held since before the screen opened)
  bool started = false;
  bool Step(bool now) {
    if (!now) {
      heldFrames = -1;
      started = true;
      return false;
    }
    if (!started) return false;
    ++heldFrames;
    return heldFrames == 0 || (heldFrames >= 18 && (heldFrames - 18) % 6 == 0);
  }
};
