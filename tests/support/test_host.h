// Test-only access to the headless host: start it in-process, push input
// events, read the back buffer, the virtual clock and what the mixer played.
// Only tests and tools include this header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/sound_driver.h"

namespace testhost {

// Installs the headless host (script: a file path or "" for none). Resets the
// platform's tables (images, fonts, sounds, streams, input, random state).
void Start(const std::string& scriptPath = "");
// Appends scripted events as if they were lines of an input script.
void ScriptLines(const std::string& lines);

// Events delivered at the next PollSystem / Flip / Delay.
void PushKey(int vk, bool down);
void PushText(const std::string& text);
void PushMouseMove(int windowX, int windowY);
void PushMouseButton(int button, bool down);
void PushClose();

// A fake joypad (port = index in order of adding).
int AddPad(const std::string& name, int buttonMask);
void SetPadAxis(int port, int axis, float value);  // axis 0 X, 1 Y, 2 Z, 3 R, 4 U, 5 V
void SetPadHat(int port, float hat);
void SetPadButton(int port, int button, bool down);
void UnplugPad(int port);
// A fake game controller (standard layout; its raw buttons, hat and axes
// follow it). Buttons and axes are the platform's kController... numbers.
int AddController(const std::string& name);
void SetControllerButton(int port, int button, bool down);
void SetControllerAxis(int port, int axis, float value);

// Displays asked of these drivers (bit = driver number, kDriver*) fail to
// open, as on a machine without that graphics stack; 0 again at Start.
void RefuseDrivers(int mask);
// Displays opened with the OpenGL driver report this renderer (a software
// GL such as "llvmpipe (LLVM 15.0.6, 256 bits)", or a graphics card's).
void ReportOpenGlRenderer(const std::string& name);
// A "waitfor" line of a script waits at most this long in real time
// (milliseconds; 0: it only looks once); five minutes again at Start.
void LimitWaits(int ms);

// The virtual clock in milliseconds.
uint32_t Clock();
void Advance(int ms);
int Sleeps();                            // the program's sleeps so far

// The current back buffer, RGBA bytes, rows top to bottom.
struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  uint32_t Pixel(int x, int y) const;   // 0xRRGGBB
};
Frame BackBuffer();
int Presents();                          // frames presented so far

// Audio: every sound started on the headless mixer, in order.
using PlayedSound = plat::PlayedSound;   // sound, channel, volume, pan, rate, atMs
std::vector<PlayedSound> Played();
void ClearPlayed();
// Pulls mixed stereo 16-bit samples at 44100 Hz from the mixer.
std::vector<int16_t> PullSamples(int frames);

// Text recording, for layout tests: while on, every DrawText with ink
// records the box its glyphs cover and every DrawImage the box of its frame,
// in back-buffer pixels (the window's pixels), with the size of the back
// buffer drawn into. Turning it on or off starts a fresh record.
struct DrawnText {
  std::string text;
  int font;                   // font handle (0 the built-in font)
  float x0, y0, x1, y1;       // inked box, real pixels
  int windowWidth, windowHeight;
  float rotation;             // degrees
  int order;                  // place among all recorded texts and images
};
struct DrawnImage {
  int order;
  int image, frame;
  float x0, y0, x1, y1;       // the frame's box as placed, real pixels
  int windowWidth, windowHeight;
};
struct DrawnRect {
  int order;
  float x0, y0, x1, y1;       // the rectangle as placed, real pixels
  uint32_t colour;            // 0xRRGGBB
  float alpha;
  int windowWidth, windowHeight;
};
void RecordTexts(bool on);
std::vector<DrawnText> DrawnTexts();
std::vector<DrawnImage> DrawnImages();
std::vector<DrawnRect> DrawnRects();   // every DrawRect too
void ClearDrawnTexts();

// End(): instead of ending the process, calls this hook (which may throw).
void SetEndHook(void (*hook)());
// The exit code of the last End() that went to the hook.
int LastEndCode();

// Every DrawText call since RecordTexts(true), inked or not, with its
// position, font and colour.
struct TextCall {
  std::string text;
  float x, y;
  int font;
  uint32_t colour;   // 0xRRGGBB
};
std::vector<TextCall> Texts();

// The headless back buffer rasterises only what is read; with true, displays
// opened from now on rasterise every frame as it is drawn.
void RasteriseEveryFrame(bool eager);

}  // namespace testhost
