// Test-only access to the headless host: start it in-process, push input
// events, read the back buffer, the virtual clock and what the mixer played.
// Only tests and tools include this header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The virtual clock in milliseconds.
uint32_t Clock();
void Advance(int ms);

// The current back buffer, RGBA bytes, rows top to bottom.
struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  uint32_t Pixel(int x, int y) const;   // 0xRRGGBB
};
Frame BackBuffer();
int Presents();                          // frames presented so far

// Audio: every sound started on the headless mixer, in order.
struct PlayedSound {
  int sound;
  int channel;
  float volume, pan, rate;
  uint32_t atMs;
};
std::vector<PlayedSound> Played();
void ClearPlayed();
// Pulls mixed stereo 16-bit samples at 44100 Hz from the mixer.
std::vector<int16_t> PullSamples(int frames);

// End(): instead of ending the process, calls this hook (which may throw).
void SetEndHook(void (*hook)());

}  // namespace testhost
