// Names of input codes: the runs of the key table at their edges, and the
// joypad names by sub-code for every other code.
#include <gtest/gtest.h>

#include "framework/key_names.h"

namespace {

TEST(KeyNames, KeyTableRows) {
  const std::pair<int, const char*> rows[] = {
      {1, "Left Mousebutton"}, {3, "Middle Mousebutton"}, {8, "Backspace"}, {9, "Tab"},
      {12, "Clear"}, {13, "Return"}, {19, "Pause"}, {20, "CapsLock"}, {27, "Escape"},
      {32, "Space"}, {33, "Page Up"}, {36, "Home"}, {37, "Left"}, {38, "Up"}, {40, "Down"},
      {44, "Screen"}, {46, "Delete"}, {48, "0"}, {57, "9"}, {65, "A"}, {90, "Z"},
      {91, "Sys Left"}, {92, "Sys Right"}, {96, "0"}, {105, "9"}, {106, "*"}, {107, "+"},
      {109, "-"}, {111, "/"}, {112, "F1"}, {123, "F12"}, {144, "NumLock"},
      {145, "ScrollLock"}, {160, "LShift"}, {165, "RAlt"}, {173, "Mute"}, {175, "Volume Up"},
      {186, ";"}, {188, ","}, {191, "/"}, {192, "'"}, {219, "["}, {220, "\\"}, {221, "]"},
      {222, "#"}, {223, "`"}, {226, "\\"},
  };
  for (const auto& [code, name] : rows) EXPECT_EQ(InputName(code), name) << code;
}

TEST(KeyNames, PadNamesBySubCode) {
  EXPECT_EQ(InputName(320), "Up");     // hat up of pad 1
  EXPECT_EQ(InputName(350), "Y-");     // pad 2
  EXPECT_EQ(InputName(331), "1");      // button 1 of pad 1
  EXPECT_EQ(InputName(311), "R+");
  EXPECT_EQ(InputName(325), "Right");
  EXPECT_EQ(InputName(378), "Down");
  EXPECT_EQ(InputName(473), "Left");
  EXPECT_EQ(InputName(349), "19");
  EXPECT_EQ(InputName(315), "-15");    // neither axis, hat nor button
}

TEST(KeyNames, CodesWithoutARowUseThePadTable) {
  EXPECT_EQ(InputName(4), "Z-");
  EXPECT_EQ(InputName(14), "-16");
  EXPECT_EQ(InputName(108), "V-");     // no row for the keypad separator
  EXPECT_EQ(InputName(255), "Z+");
  EXPECT_EQ(InputName(0), "");
}

}  // namespace
