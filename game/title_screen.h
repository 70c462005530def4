// The title screen: the hub that starts rounds.
#pragma once

// Title screen state, written by the title screen only; all but SpinAngle
// start afresh when the screen is entered.
extern int SlideStep;        // 0..32, slide-in progress; 0 again after each round
extern int SpinAngle;        // degrees, deck preview; +4 per frame
extern bool InputLatch;      // a click or key was acted on; cleared while the button is up
extern bool MouseWasDown;    // left button held at the end of the last start-button step
extern bool EscapeLatch;     // Escape still held from a round; cleared once let go
extern bool QuitRequested;   // ends the loop

void ResetTitleScreen();
// One frame of the title screen, FlipFrame included.
void TitleFrame();
// Runs until the player presses Escape.
void TitleScreen();
