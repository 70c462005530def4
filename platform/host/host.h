// The contract between the runtime and the hosts: the window, events and
// clock behind one small interface, chosen once at start-up (the SDL host or
// the headless host), the headless host's feed for tests, fake pads and the
// SDL key and event decoding the hosts share. Inside platform/ (and its
// tests) only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/render/render_backend.h"

namespace plat {

// ---------------------------------------------------------------- host
struct DisplayMode {
  int width, height, depth, hertz;
};

// One small table of functions, chosen once at start-up: the SDL host or the
// headless host.
class Host {
 public:
  virtual ~Host() = default;
  virtual const char* Name() const = 0;
  virtual bool Headless() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::vector<DisplayMode> Modes(int driver) = 0;
  // Opens a window (depth 0) or full screen with the given render back end.
  virtual std::unique_ptr<RenderBackend> Open(int driver, int width, int height, int depth,
                                              int hertz) = 0;
  virtual void Close() = 0;
  virtual void PumpEvents() = 0;         // feeds InputState
  virtual uint32_t Millisecs() = 0;
  virtual void Sleep(int ms) = 0;        // the headless host advances its virtual clock
  // Waits until the next frame is due (deadline on this host's clock, a
  // frame period apart). The browser's host waits for the page's paints
  // instead: the page shows the last frame presented when it paints.
  virtual void WaitForFrame(double deadline, double /*period*/) {
    while (static_cast<double>(Millisecs()) < deadline - 1.0) Sleep(1);
  }
  virtual void ShowPointer(bool show) = 0;
  virtual void WarpPointer(int x, int y) = 0;  // window pixels
  // Called by Flip after presenting (the headless host saves scripted shots here).
  virtual void AfterPresent() {}
  // Local wall-clock date and time (the headless host reports a fixed virtual date).
  virtual void LocalTime(int& year, int& month, int& day, int& hour, int& minute, int& second) = 0;
  // Joypads: the host fills InputState::pads.
  // Controller layouts from a mapping file; the number added.
  // The text of a mapping file, one layout per line.
  virtual int AddControllerLayouts(const std::string& /*text*/) { return 0; }
};

Host* CurrentHost();
void SetHost(std::unique_ptr<Host> host);
std::unique_ptr<Host> MakeSdlHost();
std::unique_ptr<Host> MakeHeadlessHost(const std::string& scriptPath);

// The headless host's script feed, used by testhost (nullptr unless the
// current host is headless).
enum class HeadlessEvent { KeyDown, KeyUp, Text, MouseMoveWindow, MouseDown, MouseUp, Close };
class HeadlessControl {
 public:
  virtual ~HeadlessControl() = default;
  // Lines in the input script's format, timed after the lines already read.
  virtual void AddScript(const std::string& lines) = 0;
  // One event delivered at the next pump (a: key, button or x; b: y).
  virtual void QueueNow(HeadlessEvent kind, int a = 0, int b = 0, const std::string& text = {}) = 0;
  virtual uint32_t Clock() const = 0;
  virtual void Advance(int ms) = 0;
  // The program's sleeps so far (each one a wake-up on a real host).
  virtual int Sleeps() const = 0;
  // Displays asked of these drivers (bit = driver number) fail to open.
  virtual void RefuseDrivers(int mask) = 0;
  // Displays opened with the OpenGL driver say this renderer draws them
  // (a software GL or a graphics card's; "" by default: they do not say).
  virtual void ReportOpenGlRenderer(const std::string& name) = 0;
  // The longest a "waitfor" line stands still, in real milliseconds.
  virtual void LimitWaits(int ms) = 0;
};
HeadlessControl* CurrentHeadless();

// ---------------------------------------------------------------- input shared by the hosts
// Pads without hardware (the headless host's script lines, tests): a
// controller with the standard layout whose raw buttons, hat and axes
// follow it. Returns the port it was plugged into.
int PlugFakeController(const std::string& name);
void SetFakeControllerButton(int port, int button, bool down);   // kController... button
void SetFakeControllerAxis(int port, int axis, float value);     // kController... axis
// "a", "b", "x", "y", "back", "guide", "start", "lstick", "rstick", "lb",
// "rb", "up", "down", "left", "right"; -1 for anything else.
int ControllerButtonByName(const std::string& name);

// Windows virtual-key code for an SDL scancode (0 when unmapped).
int VirtualKeyFromScancode(int scancode);

// Typed text, UTF-8 as every host receives it, to Latin-1 codes 1..255;
// other characters and malformed bytes dropped. Both hosts decode with it.
std::vector<int> DecodeTypedText(const char* utf8);
// Latin-1 text (the game's one byte a character) as UTF-8, for SDL and the page.
std::string Latin1ToUtf8(const std::string& text);
// SDL host helpers, kept apart for the unit tests.
// An SDL hat position as a fraction of a turn clockwise from up; -1 centred.
float HatFraction(uint8_t hat);
// An SDL axis reading (-32768..32767) as -1..1.
float AxisFraction(int16_t value);

}  // namespace plat
