// The shared icon sheet (icons.png: 64 cells of 16 x 16, 8 across) by frame:
// what the data generator draws in each cell and what the program draws from
// it. The generator, the program and the tests all take the frames from here.
#pragma once

namespace icon {

constexpr int kCellSize = 16;          // pixels
constexpr int kColumns = 8;
constexpr int kFrames = 64;

constexpr int kSprite = 0;             // the engine test's sprite
constexpr int kKeyCap = 3;             // a key binding
constexpr int kGraphPoint = 7;         // a point of the score graph
constexpr int kPadHat = 8;             // a pad binding: hat, axis, button
constexpr int kPadAxis = 9;
constexpr int kPadButton = 10;
constexpr int kResolution = 11;        // 11 4:3, 12 wide
constexpr int kWindowMode = 13;        // 13 windowed, 14 full screen
constexpr int kQualityTier = 18;       // 18..20: frame drawing and graphics engine rows
constexpr int kVolumeBarLeft = 21;     // the volume bar's halves and its knob
constexpr int kVolumeBarRight = 22;
constexpr int kVolumeKnob = 23;
constexpr int kAudioDriver = 24;       // 24..29: the audio drivers
constexpr int kPointer = 63;           // the mouse pointer, tip at the top-left pixel

// Every frame the program draws, for checks over all of them.
constexpr int kDrawn[] = {kSprite, kKeyCap, kGraphPoint, kPadHat, kPadAxis, kPadButton,
                          kResolution, kResolution + 1, kWindowMode, kWindowMode + 1,
                          kQualityTier, kQualityTier + 1, kQualityTier + 2, kVolumeBarLeft,
                          kVolumeBarRight, kVolumeKnob, kAudioDriver, kAudioDriver + 1,
                          kAudioDriver + 2, kAudioDriver + 3, kAudioDriver + 4, kAudioDriver + 5,
                          kPointer};

}  // namespace icon
