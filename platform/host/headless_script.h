// The headless host's input script: one timed event per line, read into the
// events the host delivers as its virtual clock reaches them.
//
// Script format: one event per line, '#' starts a comment. A line starts with
// its time in virtual milliseconds since start, or "+N" for N after the
// previous line, followed by one of:
//   keydown VK | keyup VK | key VK (down, up 50 ms later)
//   text STRING (typed characters, the rest of the line)
//   mousemove X Y (logical units) | mousedown B | mouseup B
//   click X Y (move; press 20 ms later, a frame after the move, as a hand
//   does; release 50 ms after the press)
//   pad BUTTON (down, up 50 ms later) | paddown BUTTON | padup BUTTON |
//   stick X Y (left stick, -1..1): a game controller, plugged in by the
//   first such line; BUTTON is a, b, x, y, back, guide, start, lstick,
//   rstick, lb, rb, up, down, left or right (the D-pad)
//   close (a close request) | shot FILE.png (back buffer saved at the next
//   Flip at or after that time, or as it stands when no frame is presented
//   within 250 ms, e.g. on the closing page; a relative name is taken from
//   the folder the program started in) | waitfor FILE (the program stands
//   still at that time, its clock too, until FILE exists: another program
//   decides when it goes on, e.g. a second copy of the game; a relative
//   name as for shot; after five real minutes it goes on regardless)
// Unknown lines, and times past the 32-bit clock (4294967295), are refused.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace plat {

enum class ScriptKind { KeyDown, KeyUp, Text, MouseMove, MouseMoveWindow, MouseDown, MouseUp, Close,
                        Shot, PadDown, PadUp, Stick, WaitFor };

struct ScriptEvent {
  uint32_t time = 0;         // virtual milliseconds
  ScriptKind kind = ScriptKind::Close;
  int a = 0, b = 0;          // key, button or window x; window y
  float x = 0, y = 0;        // logical units, stick deflection
  std::string text;          // typed text, shot file, file waited for
};

// Times are read into a type that holds every time the clock can reach and
// more, on every build (a 32-bit `long` cannot hold the last one).
using ScriptTime = int64_t;
constexpr ScriptTime kLastScriptTime = std::numeric_limits<uint32_t>::max();
static_assert(kLastScriptTime > 0 && kLastScriptTime == ScriptTime(4294967295u),
              "script times must hold the whole 32-bit clock");

// Reads one line. previousTime is the time of the line before ("+N" counts
// from it). True for a line understood, with its events in `out` (in the
// order they were given) and `time` set to the line's time; a blank or
// comment line is understood and gives nothing, `time` left as it was. False
// for anything else.
bool ParseScriptLine(const std::string& line, uint32_t previousTime, uint32_t& time,
                     std::vector<ScriptEvent>& out);

}  // namespace plat
