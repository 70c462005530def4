// The headless host with a display open, for tests of screens and drawing:
// every program table at its start value (the game's too, through its
// hooks), the display in a window of the given size showing the drawing
// space, and the frame clock started.
#pragma once

#include <gtest/gtest.h>

namespace testsupport {

struct DisplayShape {
  int width = 800, height = 600;                 // the window, in pixels
  int virtualWidth = 1280, virtualHeight = 960;  // the drawing space
  int driver = -1;          // a graphics driver (kDriver...) to choose first; -1: the host's default
  bool statistics = true;   // the F12 statistics over every frame, on as the program starts
};

// Restarts the headless host, resets every program table and opens the display.
void StartHeadlessDisplay(const DisplayShape& shape = {});
// Opens the display (again) in this shape, keeping every table as it is.
void OpenHeadlessDisplay(const DisplayShape& shape);

// A test on a fresh headless display of 800 x 600 showing 1280 x 960, with
// the statistics off so that they draw over nothing under test.
class HeadlessDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { StartHeadlessDisplay({.statistics = false}); }
  void TearDown() override;
};

}  // namespace testsupport
