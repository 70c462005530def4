// Key names. The table is generated from the one list of runs below, so a
// name can't drift away from its code: each run is a first code and the
// names of consecutive codes from there, separated by "|".
#include "framework/key_names.h"

#include <array>

#include "framework/controls.h"
#include "platform/platform.h"

namespace {

struct KeyRun {
  int first;
  const char* names;
};

constexpr KeyRun kKeyRuns[] = {
    {1, "Left Mousebutton|Right Mousebutton|Middle Mousebutton"},
    {8, "Backspace|Tab"},
    {12, "Clear|Return"},
    {19, "Pause|CapsLock"},
    {27, "Escape"},
    {32, "Space|Page Up|Page Down|End|Home|Left|Up|Right|Down|Select|Print|Execute|Screen|"
         "Insert|Delete"},
    {48, "0|1|2|3|4|5|6|7|8|9"},
    {65, "A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|P|Q|R|S|T|U|V|W|X|Y|Z|Sys Left|Sys Right"},
    {96, "0|1|2|3|4|5|6|7|8|9|*|+"},          // keypad digits share the main names
    {109, "-|.|/|F1|F2|F3|F4|F5|F6|F7|F8|F9|F10|F11|F12"},
    {144, "NumLock|ScrollLock"},
    {160, "LShift|RShift|LControl|RControl|LAlt|RAlt"},
    {173, "Mute|Volume Down|Volume Up"},
    {186, ";|=|,|-|.|/|'"},
    {219, "[|\\|]|#|`"},
    {226, "\\"},
};

const std::array<std::string, 256>& KeyTable() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t{};
    for (const KeyRun& run : kKeyRuns) {
      int code = run.first;
      std::string name;
      for (const char* c = run.names;; ++c) {
        if (*c == '|' || *c == '\0') {
          t[code++] = name;
          name.clear();
          if (*c == '\0') break;
        } else {
          name.push_back(*c);
        }
      }
    }
    return t;
  }();
  return table;
}

// Joypad names by sub-code: the twelve axis directions, then the hat.
const char* const kAxisNames[12] = {"Y-", "Y+", "X-", "X+", "Z-", "Z+",
                                    "U-", "U+", "V-", "V+", "R-", "R+"};

}  // namespace

std::string InputName(int code) {
  if (code == kInputNone) return std::string();
  if (code > 0 && code < 256 && !KeyTable()[code].empty()) return KeyTable()[code];
  int sub = code % kInputPadStride;
  if (sub < 0) sub += kInputPadStride;
  if (sub <= kPadRPlus) return kAxisNames[sub];
  switch (sub) {
    case kPadHatUp: return "Up";
    case kPadHatRight: return "Right";
    case kPadHatDown: return "Down";
    case kPadHatLeft: return "Left";
    default: return IntToString(sub - kPadButton0);
  }
}
