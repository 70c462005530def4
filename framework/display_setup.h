// Display set-up: the mode list, the graphics driver, the window or full
// screen, the virtual drawing space and the crash guard "crash.dat".
#pragma once

#include <array>

extern int RealWidth, RealHeight;            // display mode in pixels
extern int VirtualWidth, VirtualHeight;      // drawing space of every screen
extern int ModeCount;
extern std::array<int, 2500> ModeWidths;     // used from slot 1
extern std::array<int, 2500> ModeHeights;
extern int GraphicsOpen;                     // 1 once the first set-up loaded the shared assets

void ResetDisplaySetup();
// Working folder: the game folder; it is left so.
void ApplyDisplaySettings();
