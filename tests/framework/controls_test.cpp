// Bindings and polling: keys, fake pads on the headless host with their rest
// positions and hats, capture order, switched-off and unplugged pads.
#include <gtest/gtest.h>

#include "framework/controls.h"
#include "platform/internal.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "support/test_host.h"

namespace {

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();
    ResetBindings();
    ResetPads();
  }
  void TearDown() override {
    ResetPads();
    plat::ResetAllPlatformState();
    plat::SetHost(nullptr);
  }

  // Adds a connected pad at the next port; returns its pad number (1-based).
  int AddPad(const std::string& name, int buttonMask, float hat = -1) {
    int port = testhost::AddPad(name, buttonMask);
    testhost::SetPadHat(port, hat);
    return port + 1;
  }
  void Axis(int pad, int axis, float value) { testhost::SetPadAxis(pad - 1, axis, value); }
  void Hat(int pad, float hat) { testhost::SetPadHat(pad - 1, hat); }
  void Buttons(int pad, uint32_t mask) {
    for (int b = 0; b < 32; ++b) testhost::SetPadButton(pad - 1, b, (mask >> b) & 1u);
  }
  // A key held or let go as a later frame sees it: these read what is held,
  // not the latch a fresh press leaves for the frame after it.
  void Key(int vk, bool down) {
    plat::Input().KeyEvent(vk, down);
    plat::Input().keyLatch.Clear();
  }
};

// Axis numbers of the test host.
constexpr int kX = 0, kY = 1, kZ = 2, kR = 3, kU = 4, kV = 5;

TEST_F(Controls, DefaultBindingsFollowTheirKeys) {
  EXPECT_EQ(Bindings[0], 38);
  EXPECT_EQ(Bindings[13], 86);
  EXPECT_EQ(Bindings[20], 0);
  EXPECT_EQ(ControlDown(kControlButton1, 1), 0);
  Key(90, true);  // Z
  EXPECT_EQ(ControlDown(kControlButton1, 1), 1);
  EXPECT_EQ(ControlDown(kControlButton1, 2), 0);  // player 2 has nothing bound
  Key(90, false);
  EXPECT_EQ(ControlDown(kControlButton1, 1), 0);

  // Outside the table, or outside a player's 20 controls, reads 0.
  Key(38, true);
  EXPECT_EQ(ControlDown(0, 1), 1);
  EXPECT_EQ(ControlDown(0, 0), 0);
  EXPECT_EQ(ControlDown(-20, 2), 0);  // not player 1's up
  EXPECT_EQ(ControlDown(20, 0), 0);
  EXPECT_EQ(ControlDown(1, 6), 0);
}

TEST_F(Controls, OnlyKeysTenTo254ReadAsHeld) {
  for (int vk : {1, 3, 8, 9, 10, 254, 255}) Key(vk, true);
  EXPECT_EQ(InputDown(1), 0);
  EXPECT_EQ(InputDown(8), 0);   // Backspace clears a binding instead
  EXPECT_EQ(InputDown(9), 0);
  EXPECT_EQ(InputDown(10), 1);
  EXPECT_EQ(InputDown(254), 1);
  EXPECT_EQ(InputDown(255), 0);
  EXPECT_EQ(InputDown(299), 0);
  EXPECT_EQ(InputDown(0), 0);
  EXPECT_EQ(InputDown(-40), 0);
}

TEST_F(Controls, AxesCountFromTheirRestPosition) {
  int p = AddPad("Stick", 0);
  Axis(p, kX, 0.1f);    // X rests off-centre
  Axis(p, kZ, -1.0f);   // Z: a trigger resting fully out
  ScanPads();
  ASSERT_EQ(PadCount, 1);
  EXPECT_EQ(PadEnabled[1], 1);
  EXPECT_EQ(PadNames[1], "Stick");
  EXPECT_FLOAT_EQ(PadRestX[1], 0.1f);

  Axis(p, kX, 0.39f);
  EXPECT_EQ(InputDown(PadCode(1, kPadXPlus)), 0);
  Axis(p, kX, 0.41f);
  EXPECT_EQ(InputDown(PadCode(1, kPadXPlus)), 1);
  Axis(p, kX, -0.19f);
  EXPECT_EQ(InputDown(PadCode(1, kPadXMinus)), 0);
  Axis(p, kX, -0.21f);
  EXPECT_EQ(InputDown(PadCode(1, kPadXMinus)), 1);

  EXPECT_EQ(InputDown(PadCode(1, kPadZPlus)), 0);  // resting trigger is not pressed
  Axis(p, kZ, 0.0f);
  EXPECT_EQ(InputDown(PadCode(1, kPadZPlus)), 1);

  // Y is sub-code 0 and R is 10/11: each code reads its own axis.
  Axis(p, kY, -0.5f);
  Axis(p, kR, 0.5f);
  EXPECT_EQ(InputDown(PadCode(1, kPadYMinus)), 1);
  EXPECT_EQ(InputDown(PadCode(1, kPadRPlus)), 1);
  EXPECT_EQ(InputDown(PadCode(1, kPadUPlus)), 0);
  EXPECT_EQ(InputDown(PadCode(1, 12)), 0);  // between axes and hat: nothing
  EXPECT_EQ(InputDown(PadCode(1, 29)), 0);
}

TEST_F(Controls, HatRangesOverlapOnDiagonals) {
  int p = AddPad("Hat", 0);
  ScanPads();
  ASSERT_EQ(PadHasHat[1], 1);
  auto held = [&](float hat) {
    Hat(p, hat);
    std::string s;
    if (InputDown(PadCode(1, kPadHatUp))) s += "U";
    if (InputDown(PadCode(1, kPadHatRight))) s += "R";
    if (InputDown(PadCode(1, kPadHatDown))) s += "D";
    if (InputDown(PadCode(1, kPadHatLeft))) s += "L";
    return s;
  };
  EXPECT_EQ(held(-1), "");
  EXPECT_EQ(held(0), "U");
  EXPECT_EQ(held(0.125f), "UR");
  EXPECT_EQ(held(0.35f), "RD");
  EXPECT_EQ(held(0.5f), "D");
  EXPECT_EQ(held(0.75f), "L");
  EXPECT_EQ(held(0.9f), "U");
}

TEST_F(Controls, HatNeedsACentredHatAtTheScan) {
  int p = AddPad("Odd hat", 0, 0.0f);  // reads "up" at start-up: no usable hat
  ScanPads();
  EXPECT_EQ(PadHasHat[1], 0);
  Hat(p, 0.5f);
  EXPECT_EQ(InputDown(PadCode(1, kPadHatDown)), 0);
}

TEST_F(Controls, ButtonsDisabledAndUnpluggedPads) {
  int p = AddPad("Pad", 0xFFFFF);
  Axis(p, kZ, -1.0f);
  ScanPads();
  Buttons(p, 1u << 19);
  EXPECT_EQ(InputDown(PadCode(1, kPadButton0 + 19)), 1);
  EXPECT_EQ(CaptureInput(), 0);  // button 19 is polled, never captured

  Buttons(p, 1u << 2);
  EXPECT_EQ(InputDown(PadCode(1, kPadButton0 + 2)), 1);
  PadEnabled[1] = 0;
  EXPECT_EQ(InputDown(PadCode(1, kPadButton0 + 2)), 0);
  EXPECT_EQ(CaptureInput(), 0);
  PadEnabled[1] = 1;
  EXPECT_EQ(InputDown(PadCode(1, kPadButton0 + 2)), 1);

  // Pulled out while running: neutral readings against a trigger resting at
  // -1 must not look like a held Z+.
  testhost::UnplugPad(p - 1);
  EXPECT_EQ(InputDown(PadCode(1, kPadZPlus)), 0);
  EXPECT_EQ(InputDown(PadCode(1, kPadButton0 + 2)), 0);
  EXPECT_EQ(CaptureInput(), 0);

  // Pad 2 was never there; codes of a fifth pad don't exist.
  EXPECT_EQ(InputDown(PadCode(2, kPadButton0)), 0);
  EXPECT_EQ(InputDown(500), 0);
  EXPECT_EQ(InputDown(PadCode(5, kPadButton0 + 2)), 0);
}

TEST_F(Controls, AtMostFourPads) {
  for (int i = 0; i < 6; ++i) AddPad("Pad " + std::to_string(i), 1);
  ScanPads();
  EXPECT_EQ(PadCount, 4);
  EXPECT_EQ(PadNames[4], "Pad 3");
}

TEST_F(Controls, CaptureOrder) {
  Key(90, true);
  Key(65, true);
  EXPECT_EQ(CaptureInput(), 65);
  Key(123, true);  // F12 held: nothing is captured
  EXPECT_EQ(CaptureInput(), 0);
  Key(123, false);
  Key(122, true);
  EXPECT_EQ(CaptureInput(), 0);
  for (int vk : {65, 90, 122}) Key(vk, false);

  int p1 = AddPad("One", 0b101);
  int p2 = AddPad("Two", 0b11);
  ScanPads();
  EXPECT_EQ(CaptureInput(), 0);

  Buttons(p2, 0b10);
  EXPECT_EQ(CaptureInput(), PadCode(2, kPadButton0 + 1));
  Buttons(p1, 0b10);  // button 1 is not in pad 1's mask
  EXPECT_EQ(CaptureInput(), PadCode(2, kPadButton0 + 1));
  Buttons(p1, 0b100);
  EXPECT_EQ(CaptureInput(), PadCode(1, kPadButton0 + 2));  // pad 1 before pad 2

  Hat(p1, 0.125f);  // diagonal: polled but not captured
  EXPECT_EQ(CaptureInput(), PadCode(1, kPadButton0 + 2));
  Hat(p1, 0.75f);   // hat before buttons
  EXPECT_EQ(CaptureInput(), PadCode(1, kPadHatLeft));
  Axis(p1, kU, 0.9f);  // axes before the hat; U comes before V and R
  Axis(p1, kV, 0.9f);
  EXPECT_EQ(CaptureInput(), PadCode(1, kPadUPlus));
  Key(40, true);  // keys before any pad
  EXPECT_EQ(CaptureInput(), 40);
}

}  // namespace
