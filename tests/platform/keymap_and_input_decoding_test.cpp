// Key codes from physical keys, and the SDL host's conversions of typed text,
// hats and axes. No window needed.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <set>

#include "framework/key_names.h"
#include "platform/internal.h"
#include "platform/host/host.h"

using plat::VirtualKeyFromScancode;

TEST(Keymap, LettersDigitsAndFunctionKeysRunInOrder) {
  for (int i = 0; i < 26; ++i) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_A + i), 65 + i);
  // SDL numbers the digit row 1..9 then 0; the key codes run 0..9.
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_0), 48);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_1 + i), 49 + i);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F1 + i), 112 + i);
  // Keypad digits: SDL has 1..9 then 0 as well.
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_0), 96);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_1 + i), 97 + i);
}

TEST(Keymap, KeysTheGameBindsByDefault) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_BACKSPACE), 8);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_TAB), 9);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RETURN), 13);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_ENTER), 13);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE), 27);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SPACE), 32);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFT), 37);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UP), 38);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHT), 39);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_DOWN), 40);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LSHIFT), 160);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RSHIFT), 161);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LCTRL), 162);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RCTRL), 163);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LALT), 164);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RALT), 165);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SEMICOLON), 186);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFTBRACKET), 219);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_NONUSBACKSLASH), 226);
}

TEST(Keymap, EveryCodeIsAKeyCodeAndOnlyEnterIsShared) {
  std::set<int> seen;
  int mapped = 0;
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    int vk = VirtualKeyFromScancode(sc);
    if (vk == 0) continue;
    ++mapped;
    EXPECT_GE(vk, 1);
    EXPECT_LE(vk, 255);
    // Two keys with one code would make a binding fire on the wrong key.
    if (vk != 13) {
      EXPECT_TRUE(seen.insert(vk).second) << "key code " << vk << " used twice";
    }
  }
  EXPECT_GT(mapped, 120);
}

// The controls page names keys as a British keyboard's legends: every
// punctuation key must get the code whose name is the legend on that key.
TEST(Keymap, PunctuationKeysAreNamedByTheirBritishLegends) {
  const struct {
    SDL_Scancode key;
    const char* legend;
  } keys[] = {
      {SDL_SCANCODE_GRAVE, "`"},        {SDL_SCANCODE_MINUS, "-"},
      {SDL_SCANCODE_EQUALS, "="},       {SDL_SCANCODE_LEFTBRACKET, "["},
      {SDL_SCANCODE_RIGHTBRACKET, "]"}, {SDL_SCANCODE_SEMICOLON, ";"},
      {SDL_SCANCODE_APOSTROPHE, "'"},   {SDL_SCANCODE_NONUSHASH, "#"},
      {SDL_SCANCODE_BACKSLASH, "\\"},   {SDL_SCANCODE_NONUSBACKSLASH, "\\"},
      {SDL_SCANCODE_COMMA, ","},        {SDL_SCANCODE_PERIOD, "."},
      {SDL_SCANCODE_SLASH, "/"},
  };
  for (const auto& k : keys) {
    EXPECT_EQ(InputName(VirtualKeyFromScancode(k.key)), k.legend) << SDL_GetScancodeName(k.key);
  }
  // Letters, digits and the named keys read as their legends too.
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(InputName(VirtualKeyFromScancode(SDL_SCANCODE_A + i)), std::string(1, static_cast<char>('A' + i)));
  }
  EXPECT_EQ(InputName(VirtualKeyFromScancode(SDL_SCANCODE_0)), "0");
  EXPECT_EQ(InputName(VirtualKeyFromScancode(SDL_SCANCODE_F12)), "F12");
  EXPECT_EQ(InputName(VirtualKeyFromScancode(SDL_SCANCODE_RETURN)), "Return");
  EXPECT_EQ(InputName(VirtualKeyFromScancode(SDL_SCANCODE_RCTRL)), "RControl");
}

// A binding is stored as a key code and shown by the code's name: every
// physical key with a name must give the code of that name, or a stored
// Home would come back as End (or as nothing) on the next start.
TEST(Keymap, EveryNamedKeyGivesTheCodeOfItsName) {
  const struct {
    SDL_Scancode key;
    const char* name;
  } keys[] = {
      {SDL_SCANCODE_BACKSPACE, "Backspace"}, {SDL_SCANCODE_TAB, "Tab"}, {SDL_SCANCODE_CLEAR, "Clear"},
      {SDL_SCANCODE_RETURN, "Return"}, {SDL_SCANCODE_PAUSE, "Pause"}, {SDL_SCANCODE_CAPSLOCK, "CapsLock"},
      {SDL_SCANCODE_ESCAPE, "Escape"}, {SDL_SCANCODE_SPACE, "Space"}, {SDL_SCANCODE_PAGEUP, "Page Up"},
      {SDL_SCANCODE_PAGEDOWN, "Page Down"}, {SDL_SCANCODE_END, "End"}, {SDL_SCANCODE_HOME, "Home"},
      {SDL_SCANCODE_LEFT, "Left"}, {SDL_SCANCODE_UP, "Up"}, {SDL_SCANCODE_RIGHT, "Right"},
      {SDL_SCANCODE_DOWN, "Down"}, {SDL_SCANCODE_SELECT, "Select"}, {SDL_SCANCODE_EXECUTE, "Execute"},
      {SDL_SCANCODE_PRINTSCREEN, "Screen"}, {SDL_SCANCODE_INSERT, "Insert"}, {SDL_SCANCODE_DELETE, "Delete"},
      {SDL_SCANCODE_LGUI, "Sys Left"}, {SDL_SCANCODE_RGUI, "Sys Right"},
      {SDL_SCANCODE_KP_MULTIPLY, "*"}, {SDL_SCANCODE_KP_PLUS, "+"}, {SDL_SCANCODE_KP_MINUS, "-"},
      {SDL_SCANCODE_KP_PERIOD, "."}, {SDL_SCANCODE_KP_DIVIDE, "/"}, {SDL_SCANCODE_KP_ENTER, "Return"},
      {SDL_SCANCODE_NUMLOCKCLEAR, "NumLock"}, {SDL_SCANCODE_SCROLLLOCK, "ScrollLock"},
      {SDL_SCANCODE_LSHIFT, "LShift"}, {SDL_SCANCODE_RSHIFT, "RShift"}, {SDL_SCANCODE_LCTRL, "LControl"},
      {SDL_SCANCODE_RCTRL, "RControl"}, {SDL_SCANCODE_LALT, "LAlt"}, {SDL_SCANCODE_RALT, "RAlt"},
      {SDL_SCANCODE_MUTE, "Mute"}, {SDL_SCANCODE_VOLUMEDOWN, "Volume Down"}, {SDL_SCANCODE_VOLUMEUP, "Volume Up"},
  };
  for (const auto& k : keys) {
    EXPECT_EQ(InputName(VirtualKeyFromScancode(k.key)), k.name) << SDL_GetScancodeName(k.key);
  }
  // The keypad's digits are named as the digit row's; the function keys by number.
  for (int i = 0; i < 10; ++i) {
    SDL_Scancode key = i == 0 ? SDL_SCANCODE_KP_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + i - 1);
    EXPECT_EQ(InputName(VirtualKeyFromScancode(key)), std::to_string(i)) << SDL_GetScancodeName(key);
  }
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(InputName(VirtualKeyFromScancode(SDL_SCANCODE_F1 + i)), "F" + std::to_string(i + 1));
  }

  // And the other way: every code with a name of its own (a name other than
  // the pad name of the same sub-code) is some key's, but for the mouse
  // buttons and Print, which no keyboard reports.
  std::set<int> reached;
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) reached.insert(VirtualKeyFromScancode(sc));
  int named = 0;
  for (int code = 1; code < 256; ++code) {
    if (InputName(code) == InputName(code + 300) || code <= 3 || code == 42) continue;
    ++named;
    EXPECT_TRUE(reached.count(code)) << "no key gives code " << code << " (" << InputName(code) << ")";
  }
  EXPECT_GT(named, 100);
}

TEST(Keymap, UnknownAndOutOfRangeScancodesGiveZero) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFromScancode(-1), 0);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_NUM_SCANCODES), 0);
  EXPECT_EQ(VirtualKeyFromScancode(1 << 30), 0);
}

TEST(TypedText, Latin1CharactersPassOthersAreDropped) {
  using V = std::vector<int>;
  EXPECT_EQ(plat::DecodeTypedText("Ab 1"), (V{'A', 'b', ' ', '1'}));
  EXPECT_EQ(plat::DecodeTypedText("\xC3\xA9\xC3\xBF"), (V{233, 255}));     // é ÿ
  EXPECT_EQ(plat::DecodeTypedText("a\xE2\x82\xAC" "b"), (V{'a', 'b'}));   // € is not Latin-1
  EXPECT_EQ(plat::DecodeTypedText("\xF0\x9F\x98\x80!"), (V{'!'}));        // emoji dropped
  EXPECT_EQ(plat::DecodeTypedText(""), V{});
  EXPECT_EQ(plat::DecodeTypedText(nullptr), V{});
}

TEST(TypedText, MalformedBytesNeverReadPastTheEndOrSmuggleCodes) {
  using V = std::vector<int>;
  EXPECT_EQ(plat::DecodeTypedText("\x80x"), (V{'x'}));           // stray continuation
  EXPECT_EQ(plat::DecodeTypedText("x\xC3"), (V{'x'}));           // truncated at the end
  EXPECT_EQ(plat::DecodeTypedText("\xE2\x82y"), (V{'y'}));       // truncated in the middle
  EXPECT_EQ(plat::DecodeTypedText("\xFF\xFEz"), (V{'z'}));       // invalid lead bytes
  // An overlong form of Backspace must not reach the queue as a control code.
  EXPECT_EQ(plat::DecodeTypedText("\xC0\x88q"), (V{'q'}));
}

TEST(PadReadings, HatTurnsClockwiseFromUp) {
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_CENTERED), -1.0f);
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_UP), 0.0f);
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_RIGHTUP), 0.125f);
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_RIGHT), 0.25f);
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_DOWN), 0.5f);
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_LEFT), 0.75f);
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_LEFTUP), 0.875f);
  // Up and down at once is no direction at all.
  EXPECT_FLOAT_EQ(plat::HatFraction(SDL_HAT_UP | SDL_HAT_DOWN), -1.0f);
}

TEST(PadReadings, AxesReachBothEndsAndRestAtZero) {
  EXPECT_FLOAT_EQ(plat::AxisFraction(-32768), -1.0f);
  EXPECT_FLOAT_EQ(plat::AxisFraction(32767), 1.0f);
  EXPECT_FLOAT_EQ(plat::AxisFraction(0), 0.0f);
  EXPECT_NEAR(plat::AxisFraction(16384), 0.5f, 1e-3);
}
