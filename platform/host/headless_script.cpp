// Reading the headless host's input script (format in headless_script.h):
// the time, then a command from the table below with its arguments.
#include "platform/host/headless_script.h"

#include <cerrno>
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

bool ParseFloat(const std::string& s, float& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtof(s.c_str(), &end);
  return end && *end == '\0';
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

// A key code 1..255.
bool ReadKey(const Args& a, int& key) {
  ScriptTime n = 0;
  if (a.size() != 1 || !ParseInt(a[0], n) || n <= 0 || n >= 256) return false;
  key = static_cast<int>(n);
  return true;
}

bool KeyDownCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int key;
  if (!ReadKey(a, key)) return false;
  out.push_back(Make(t, ScriptKind::KeyDown, key));
  return true;
}

bool KeyUpCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int key;
  if (!ReadKey(a, key)) return false;
  out.push_back(Make(t, ScriptKind::KeyUp, key));
  return true;
}

bool KeyCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int key;
  if (!ReadKey(a, key)) return false;
  out.push_back(Make(t, ScriptKind::KeyDown, key));
  out.push_back(Make(t + kHoldMs, ScriptKind::KeyUp, key));
  return true;
}

// A mouse button 1..3.
bool ReadButton(const Args& a, int& button) {
  ScriptTime n = 0;
  if (a.size() != 1 || !ParseInt(a[0], n) || n < 1 || n > 3) return false;
  button = static_cast<int>(n);
  return true;
}

bool MouseDownCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int button;
  if (!ReadButton(a, button)) return false;
  out.push_back(Make(t, ScriptKind::MouseDown, button));
  return true;
}

bool MouseUpCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int button;
  if (!ReadButton(a, button)) return false;
  out.push_back(Make(t, ScriptKind::MouseUp, button));
  return true;
}

// Two numbers: a position in logical units, or a stick's deflection.
bool ReadPair(const Args& a, float& x, float& y) {
  return a.size() == 2 && ParseFloat(a[0], x) && ParseFloat(a[1], y);
}

bool MouseMoveCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  ScriptEvent move = Make(t, ScriptKind::MouseMove);
  if (!ReadPair(a, move.x, move.y)) return false;
  out.push_back(move);
  return true;
}

bool ClickCommand(uint32_t t, const Args& a, const std::string& rest, Events& out) {
  if (!MouseMoveCommand(t, a, rest, out)) return false;
  out.push_back(Make(t + kClickDelayMs, ScriptKind::MouseDown, 1));
  out.push_back(Make(t + kClickDelayMs + kHoldMs, ScriptKind::MouseUp, 1));
  return true;
}

// A controller button by name.
bool ReadPadButton(const Args& a, int& button) {
  if (a.size() != 1) return false;
  button = ControllerButtonByName(a[0]);
  return button >= 0;
}

bool PadDownCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int button;
  if (!ReadPadButton(a, button)) return false;
  out.push_back(Make(t, ScriptKind::PadDown, button));
  return true;
}

bool PadUpCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int button;
  if (!ReadPadButton(a, button)) return false;
  out.push_back(Make(t, ScriptKind::PadUp, button));
  return true;
}

bool PadCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  int button;
  if (!ReadPadButton(a, button)) return false;
  out.push_back(Make(t, ScriptKind::PadDown, button));
  out.push_back(Make(t + kHoldMs, ScriptKind::PadUp, button));
  return true;
}

bool StickCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  ScriptEvent stick = Make(t, ScriptKind::Stick);
  if (!ReadPair(a, stick.x, stick.y)) return false;
  out.push_back(stick);
  return true;
}

bool CloseCommand(uint32_t t, const Args& a, const std::string&, Events& out) {
  if (!a.empty()) return false;
  out.push_back(Make(t, ScriptKind::Close));
  return true;
}

// Typed text is taken literally, '#' included.
bool TextCommand(uint32_t t, const Args&, const std::string& rest, Events& out) {
  ScriptEvent e = Make(t, ScriptKind::Text);
  e.text = rest;
  out.push_back(e);
  return true;
}

// A file name may hold blanks; a trailing comment and blanks are dropped.
bool ShotCommand(uint32_t t, const Args&, const std::string& text, Events& out) {
  std::string rest = text;
  if (std::string::size_type c = rest.find('#'); c != std::string::npos) rest.erase(c);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.erase(0, 1);
  if (rest.empty()) return false;
  ScriptEvent shot = Make(t, ScriptKind::Shot);
  // The program changes its working folder as it runs; a relative name
  // means the folder it started in, where the script was given.
  std::error_code error;
  std::filesystem::path path(rest);
  if (path.is_relative()) path = std::filesystem::absolute(path, error);
  shot.text = error ? rest : path.string();
  out.push_back(shot);
  return true;
}

struct Command {
  const char* name;
  // Takes the rest of the line as it stands instead of words (comments included).
  bool freeText;
  bool (*read)(uint32_t time, const Args& args, const std::string& rest, Events& out);
};

const Command kCommands[] = {
    {"keydown", false, KeyDownCommand},     {"keyup", false, KeyUpCommand},
    {"key", false, KeyCommand},             {"text", true, TextCommand},
    {"mousemove", false, MouseMoveCommand}, {"mousedown", false, MouseDownCommand},
    {"mouseup", false, MouseUpCommand},     {"click", false, ClickCommand},
    {"pad", false, PadCommand},             {"paddown", false, PadDownCommand},
    {"padup", false, PadUpCommand},         {"stick", false, StickCommand},
    {"close", false, CloseCommand},         {"shot", true, ShotCommand},
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
  if (!command->read(time, args, rest, events)) return false;
  out.insert(out.end(), events.begin(), events.end());
  lineTime = time;
  return true;
}

}  // namespace plat
