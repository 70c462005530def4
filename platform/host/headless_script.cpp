// Reading the headless host's input script (format in headless_script.h):
// the time, then a command from the table below with its arguments.
#include "platform/host/headless_script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/host/host.h"
#include "platform/platform.h"

namespace plat {
namespace {

constexpr uint32_t kHoldMs = 50;  // key, pad and click: release after this long
// A click presses a frame after it moves the pointer: screens sample the
// pointer once per frame, so a press in the same instant as the move would be
// judged at the old position.
constexpr uint32_t kClickDelayMs = 20;

bool ParseInt(const std::string& s, ScriptTime& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(s.c_str(), &end, 10);
  out = value;
  return end && *end == '\0' && errno != ERANGE;
}

// A pointer position in window pixels. Not-a-number, an infinity and values
// far off any screen are refused (the comparison is false for all three):
// the host turns positions into integers, and such a value has none.
bool ParseFloat(const std::string& s, float& out) {
  constexpr float kFarthest = 1e6f;
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtof(s.c_str(), &end);
  return end && *end == '\0' && std::fabs(out) <= kFarthest;
}

ScriptEvent Make(uint32_t time, ScriptKind kind, int a = 0) {
  ScriptEvent e;
  e.time = time;
  e.kind = kind;
  e.a = a;
  return e;
}

using Args = std::vector<std::string>;
using Events = std::vector<ScriptEvent>;

// ------------------------------------------------------------ the commands
// Each reads its arguments (or, for text and shot, the rest of the line)
// and adds its events; false when they are not what it takes.

// What a press command gives: the press, the release, or both with the
// release kHoldMs later.
enum class Press { Down, Up, Tap };

struct Command {
  const char* name;
  // Takes the rest of the line as it stands instead of words (comments included).
  bool freeText;
  bool (*read)(const Command& c, uint32_t time, const Args& args, const std::string& rest, Events& out);
  // For the press commands: which events, and of which kinds.
  Press press = Press::Tap;
  ScriptKind down = ScriptKind::KeyDown, up = ScriptKind::KeyUp;
};

void AddPress(const Command& c, uint32_t t, int code, Events& out) {
  if (c.press != Press::Up) out.push_back(Make(t, c.down, code));
  if (c.press == Press::Up) out.push_back(Make(t, c.up, code));
  if (c.press == Press::Tap) out.push_back(Make(t + kHoldMs, c.up, code));
}

// A key code 1..255.
bool KeyPress(const Command& c, uint32_t t, const Args& a, const std::string&, Events& out) {
  ScriptTime n = 0;
  if (a.size() != 1 || !ParseInt(a[0], n) || n <= 0 || n >= 256) return false;
  AddPress(c, t, static_cast<int>(n), out);
  return true;
}

// A mouse button 1..3.
bool ButtonPress(const Command& c, uint32_t t, const Args& a, const std::string&, Events& out) {
  ScriptTime n = 0;
  if (a.size() != 1 || !ParseInt(a[0], n) || n < 1 || n > 3) return false;
  AddPress(c, t, static_cast<int>(n), out);
  return true;
}

// A controller button by name.
bool PadPress(const Command& c, uint32_t t, const Args& a, const std::string&, Events& out) {
  int button = a.size() == 1 ? ControllerButtonByName(a[0]) : -1;
  if (button < 0) return false;
  AddPress(c, t, button, out);
  return true;
}

// Two numbers: a position in logical units (mousemove, click) or the left
// stick's deflection (stick). A click presses and releases button 1 after
// the move.
bool PairCommand(const Command& c, uint32_t t, const Args& a, const std::string&, Events& out) {
  ScriptEvent e = Make(t, c.down);
  if (a.size() != 2 || !ParseFloat(a[0], e.x) || !ParseFloat(a[1], e.y)) return false;
  out.push_back(e);
  if (c.press == Press::Tap) {
    out.push_back(Make(t + kClickDelayMs, ScriptKind::MouseDown, 1));
    out.push_back(Make(t + kClickDelayMs + kHoldMs, ScriptKind::MouseUp, 1));
  }
  return true;
}

bool CloseCommand(const Command&, uint32_t t, const Args& a, const std::string&, Events& out) {
  if (!a.empty()) return false;
  out.push_back(Make(t, ScriptKind::Close));
  return true;
}

// Typed text is taken literally, '#' included.
bool TextCommand(const Command&, uint32_t t, const Args&, const std::string& rest, Events& out) {
  ScriptEvent e = Make(t, ScriptKind::Text);
  e.text = rest;
  out.push_back(e);
  return true;
}

// A file name may hold blanks; a trailing comment and blanks are dropped.
// The same for a shot and for a file waited for (the command's `down` kind).
bool ShotCommand(const Command& c, uint32_t t, const Args&, const std::string& text, Events& out) {
  std::string rest = text;
  if (std::string::size_type c = rest.find('#'); c != std::string::npos) rest.erase(c);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.erase(0, 1);
  if (rest.empty()) return false;
  ScriptEvent shot = Make(t, c.down);
  // The program changes its working folder as it runs; a relative name
  // means the folder it started in, where the script was given.
  std::error_code error;
  std::filesystem::path path(rest);
  if (path.is_relative()) path = std::filesystem::absolute(path, error);
  shot.text = error ? rest : path.string();
  out.push_back(shot);
  return true;
}

using K = ScriptKind;
const Command kCommands[] = {
    {"keydown", false, KeyPress, Press::Down, K::KeyDown, K::KeyUp},
    {"keyup", false, KeyPress, Press::Up, K::KeyDown, K::KeyUp},
    {"key", false, KeyPress, Press::Tap, K::KeyDown, K::KeyUp},
    {"text", true, TextCommand},
    {"mousemove", false, PairCommand, Press::Down, K::MouseMove},
    {"mousedown", false, ButtonPress, Press::Down, K::MouseDown, K::MouseUp},
    {"mouseup", false, ButtonPress, Press::Up, K::MouseDown, K::MouseUp},
    {"click", false, PairCommand, Press::Tap, K::MouseMove},
    {"pad", false, PadPress, Press::Tap, K::PadDown, K::PadUp},
    {"paddown", false, PadPress, Press::Down, K::PadDown, K::PadUp},
    {"padup", false, PadPress, Press::Up, K::PadDown, K::PadUp},
    {"stick", false, PairCommand, Press::Down, K::Stick},
    {"close", false, CloseCommand},
    {"shot", true, ShotCommand, Press::Tap, K::Shot},
    {"waitfor", true, ShotCommand, Press::Tap, K::WaitFor},
};

// The line's time: absolute, or "+N" after the previous line. The clock
// counts milliseconds in 32 bits: a later time is never reached, and would
// fire at once if it wrapped.
bool ReadTime(const std::string& when, uint32_t previousTime, uint32_t& time) {
  ScriptTime t = 0;
  if (!when.empty() && when[0] == '+') {
    ScriptTime rel;
    if (!ParseInt(when.substr(1), rel) || rel < 0 || rel > kLastScriptTime - previousTime)
      return false;
    t = previousTime + rel;
  } else if (!ParseInt(when, t) || t < 0 || t > kLastScriptTime) {
    return false;
  }
  time = static_cast<uint32_t>(t);
  return true;
}

}  // namespace

bool ParseScriptLine(const std::string& raw, uint32_t previousTime, uint32_t& lineTime,
                     std::vector<ScriptEvent>& out) {
  std::string line = raw;
  std::string::size_type hash = line.find('#');
  std::string::size_type first = line.find_first_not_of(" \t");
  if (first == std::string::npos || first == hash) return true;  // blank or comment
  std::istringstream in(line);
  std::string when, cmd;
  in >> when >> cmd;
  uint32_t time = 0;
  if (!ReadTime(when, previousTime, time)) return false;

  // Text and shot take the rest of the line as it stands, after the command
  // and one separating blank; the others take words, so a trailing comment
  // (even one that touches the command) is dropped first.
  const Command* command = nullptr;
  std::string rest;
  Args args;
  for (const Command& c : kCommands)
    if (c.freeText && cmd == c.name) command = &c;
  if (command) {
    std::string::size_type at = line.find(cmd, line.find(when) + when.size()) + cmd.size();
    rest = at < line.size() ? line.substr(at + 1) : std::string();
  } else {
    if (hash != std::string::npos) line = line.substr(0, hash);
    std::istringstream words(line);
    words >> when >> cmd;
    for (std::string w; words >> w;) args.push_back(w);
    for (const Command& c : kCommands)
      if (!c.freeText && cmd == c.name) command = &c;
    if (!command) return false;
  }
  Events events;
  if (!command->read(*command, time, args, rest, events)) return false;
  out.insert(out.end(), events.begin(), events.end());
  lineTime = time;
  return true;
}

}  // namespace plat
