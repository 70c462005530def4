// Test fixture for the card round: a fresh headless platform with every
// module reset, a software back buffer, and art whose colours the pixel
// checks can recognise (one solid colour per deck cell).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/temp_folder.h"

namespace roundtest {

// Deck cell colours: faces, the two markers and the back are all different.
uint32_t CellColour(int frame);          // 0xRRGGBB
constexpr uint32_t kBackColour = 0x1E3CC8;
constexpr uint32_t kHeartColour = 0xE01020;

}  // namespace roundtest

class RoundTest : public ::testing::Test {
 protected:
  // windowWidth x windowHeight real pixels showing a 1280 x 960 virtual screen.
  void OpenDisplay(int windowWidth = 1280, int windowHeight = 960);
  void SetUp() override;

  // Loads 001.wav .. of the generated game folder into EffectSounds.
  void LoadEffectSounds();
  // Centre of a board cell in virtual units.
  static int CellCentreX(int x);
  static int CellCentreY(int y);
  // Queues a pointer move to a virtual position, whatever the window size.
  void PushPointer(int vx, int vy);

  // The art, and Files/253 inside it as the working folder: the round's
  // files (setup, scores, screenshots) are written relative to the game
  // folder, so nothing lands beside the build.
  testsupport::TempFolder scratch_{"round"};
};
