// Physical keys (SDL scancodes) to the Windows virtual-key codes the game stores
// in its bindings and setup file. Keys are mapped by position, so a binding
// survives a change of keyboard layout; the punctuation keys take the codes a
// British layout gives them, the layout the controls page names keys by. One list below is the whole table: the lookup array is
// built from it, so a key can never be named twice with different codes.
#include <SDL2/SDL_scancode.h>

#include <array>

#include "platform/internal.h"
#include "platform/host/host.h"

namespace plat {
namespace {

struct KeyPair {
  SDL_Scancode scancode;
  int vk;
};

// clang-format off
constexpr KeyPair kKeyList[] = {
  // letters A..Z
  {SDL_SCANCODE_A, 65}, {SDL_SCANCODE_B, 66}, {SDL_SCANCODE_C, 67}, {SDL_SCANCODE_D, 68},
  {SDL_SCANCODE_E, 69}, {SDL_SCANCODE_F, 70}, {SDL_SCANCODE_G, 71}, {SDL_SCANCODE_H, 72},
  {SDL_SCANCODE_I, 73}, {SDL_SCANCODE_J, 74}, {SDL_SCANCODE_K, 75}, {SDL_SCANCODE_L, 76},
  {SDL_SCANCODE_M, 77}, {SDL_SCANCODE_N, 78}, {SDL_SCANCODE_O, 79}, {SDL_SCANCODE_P, 80},
  {SDL_SCANCODE_Q, 81}, {SDL_SCANCODE_R, 82}, {SDL_SCANCODE_S, 83}, {SDL_SCANCODE_T, 84},
  {SDL_SCANCODE_U, 85}, {SDL_SCANCODE_V, 86}, {SDL_SCANCODE_W, 87}, {SDL_SCANCODE_X, 88},
  {SDL_SCANCODE_Y, 89}, {SDL_SCANCODE_Z, 90},
  // the digit row 0..9
  {SDL_SCANCODE_0, 48}, {SDL_SCANCODE_1, 49}, {SDL_SCANCODE_2, 50}, {SDL_SCANCODE_3, 51},
  {SDL_SCANCODE_4, 52}, {SDL_SCANCODE_5, 53}, {SDL_SCANCODE_6, 54}, {SDL_SCANCODE_7, 55},
  {SDL_SCANCODE_8, 56}, {SDL_SCANCODE_9, 57},
  // editing and control
  {SDL_SCANCODE_BACKSPACE, 8}, {SDL_SCANCODE_TAB, 9}, {SDL_SCANCODE_CLEAR, 12},
  {SDL_SCANCODE_RETURN, 13}, {SDL_SCANCODE_PAUSE, 19}, {SDL_SCANCODE_CAPSLOCK, 20},
  {SDL_SCANCODE_ESCAPE, 27}, {SDL_SCANCODE_SPACE, 32},
  {SDL_SCANCODE_PAGEUP, 33}, {SDL_SCANCODE_PAGEDOWN, 34}, {SDL_SCANCODE_END, 35},
  {SDL_SCANCODE_HOME, 36},
  {SDL_SCANCODE_LEFT, 37}, {SDL_SCANCODE_UP, 38}, {SDL_SCANCODE_RIGHT, 39},
  {SDL_SCANCODE_DOWN, 40},
  {SDL_SCANCODE_SELECT, 41}, {SDL_SCANCODE_EXECUTE, 43}, {SDL_SCANCODE_PRINTSCREEN, 44},
  {SDL_SCANCODE_INSERT, 45}, {SDL_SCANCODE_DELETE, 46}, {SDL_SCANCODE_HELP, 47},
  {SDL_SCANCODE_LGUI, 91}, {SDL_SCANCODE_RGUI, 92}, {SDL_SCANCODE_APPLICATION, 93},
  {SDL_SCANCODE_SLEEP, 95},
  // keypad: digits by position, whatever the state of Num Lock
  {SDL_SCANCODE_KP_0, 96}, {SDL_SCANCODE_KP_1, 97}, {SDL_SCANCODE_KP_2, 98},
  {SDL_SCANCODE_KP_3, 99}, {SDL_SCANCODE_KP_4, 100}, {SDL_SCANCODE_KP_5, 101},
  {SDL_SCANCODE_KP_6, 102}, {SDL_SCANCODE_KP_7, 103}, {SDL_SCANCODE_KP_8, 104},
  {SDL_SCANCODE_KP_9, 105}, {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_PLUS, 107},
  {SDL_SCANCODE_KP_COMMA, 108}, {SDL_SCANCODE_KP_MINUS, 109}, {SDL_SCANCODE_KP_PERIOD, 110},
  {SDL_SCANCODE_KP_DIVIDE, 111},
  // Windows reports the keypad's Enter as Return
  {SDL_SCANCODE_KP_ENTER, 13},
  // function keys F1..F24
  {SDL_SCANCODE_F1, 112}, {SDL_SCANCODE_F2, 113}, {SDL_SCANCODE_F3, 114},
  {SDL_SCANCODE_F4, 115}, {SDL_SCANCODE_F5, 116}, {SDL_SCANCODE_F6, 117},
  {SDL_SCANCODE_F7, 118}, {SDL_SCANCODE_F8, 119}, {SDL_SCANCODE_F9, 120},
  {SDL_SCANCODE_F10, 121}, {SDL_SCANCODE_F11, 122}, {SDL_SCANCODE_F12, 123},
  {SDL_SCANCODE_F13, 124}, {SDL_SCANCODE_F14, 125}, {SDL_SCANCODE_F15, 126},
  {SDL_SCANCODE_F16, 127}, {SDL_SCANCODE_F17, 128}, {SDL_SCANCODE_F18, 129},
  {SDL_SCANCODE_F19, 130}, {SDL_SCANCODE_F20, 131}, {SDL_SCANCODE_F21, 132},
  {SDL_SCANCODE_F22, 133}, {SDL_SCANCODE_F23, 134}, {SDL_SCANCODE_F24, 135},
  // locks
  {SDL_SCANCODE_NUMLOCKCLEAR, 144}, {SDL_SCANCODE_SCROLLLOCK, 145},
  // the left and right modifiers are told apart
  {SDL_SCANCODE_LSHIFT, 160}, {SDL_SCANCODE_RSHIFT, 161},
  {SDL_SCANCODE_LCTRL, 162}, {SDL_SCANCODE_RCTRL, 163},
  {SDL_SCANCODE_LALT, 164}, {SDL_SCANCODE_RALT, 165},
  // browser and media keys
  {SDL_SCANCODE_AC_BACK, 166}, {SDL_SCANCODE_AC_FORWARD, 167}, {SDL_SCANCODE_AC_REFRESH, 168},
  {SDL_SCANCODE_AC_STOP, 169}, {SDL_SCANCODE_AC_SEARCH, 170}, {SDL_SCANCODE_AC_BOOKMARKS, 171},
  {SDL_SCANCODE_AC_HOME, 172}, {SDL_SCANCODE_MUTE, 173}, {SDL_SCANCODE_VOLUMEDOWN, 174},
  {SDL_SCANCODE_VOLUMEUP, 175}, {SDL_SCANCODE_AUDIONEXT, 176}, {SDL_SCANCODE_AUDIOPREV, 177},
  {SDL_SCANCODE_AUDIOSTOP, 178}, {SDL_SCANCODE_AUDIOPLAY, 179}, {SDL_SCANCODE_MAIL, 180},
  {SDL_SCANCODE_MEDIASELECT, 181}, {SDL_SCANCODE_COMPUTER, 182}, {SDL_SCANCODE_CALCULATOR, 183},
  // punctuation, British positions: the ' key is 192, the key left of 1 is
  // 223 and the key left of Return on ISO boards (#) is 222
  {SDL_SCANCODE_SEMICOLON, 186}, {SDL_SCANCODE_EQUALS, 187}, {SDL_SCANCODE_COMMA, 188},
  {SDL_SCANCODE_MINUS, 189}, {SDL_SCANCODE_PERIOD, 190}, {SDL_SCANCODE_SLASH, 191},
  {SDL_SCANCODE_APOSTROPHE, 192}, {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220},
  {SDL_SCANCODE_RIGHTBRACKET, 221}, {SDL_SCANCODE_NONUSHASH, 222}, {SDL_SCANCODE_GRAVE, 223},
  // the extra key left of Z on ISO boards
  {SDL_SCANCODE_NONUSBACKSLASH, 226},
};
// clang-format on

// Scancodes are below SDL_NUM_SCANCODES (512); 0 marks an unmapped key.
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> BuildTable() {
  std::array<uint8_t, SDL_NUM_SCANCODES> table{};
  for (const KeyPair& pair : kKeyList) table[pair.scancode] = static_cast<uint8_t>(pair.vk);
  return table;
}

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> kScancodeToVk = BuildTable();

}  // namespace

int VirtualKeyFromScancode(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return kScancodeToVk[scancode];
}

}  // namespace plat
