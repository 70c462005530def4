// Pads without hardware, for the headless host's scripts and for tests: a
// controller with the standard layout whose raw side reads like the pads
// SDL makes for virtual controllers (buttons in layout order, the D-pad as
// the hat, the sticks and triggers as axes 0..5).
#include <cmath>

#include "platform/internal.h"
#include "platform/host/host.h"
#include "platform/platform.h"

namespace plat {
namespace {

PadState* FakePad(int port) {
  auto& pads = Input().pads;
  if (port < 0 || port >= static_cast<int>(pads.size()) || !pads[port].connected) return nullptr;
  return &pads[port];
}

// The D-pad as a hat: a fraction of a turn clockwise from up, -1 centred.
float HatFromDpad(uint32_t buttons) {
  bool up = buttons >> kControllerDpadUp & 1, down = buttons >> kControllerDpadDown & 1;
  bool left = buttons >> kControllerDpadLeft & 1, right = buttons >> kControllerDpadRight & 1;
  if (up && right) return 0.125f;
  if (down && right) return 0.375f;
  if (down && left) return 0.625f;
  if (up && left) return 0.875f;
  if (up) return 0.0f;
  if (right) return 0.25f;
  if (down) return 0.5f;
  if (left) return 0.75f;
  return -1.0f;
}

}  // namespace

int PlugFakeController(const std::string& name) {
  PadState pad;
  pad.connected = true;
  pad.name = name;
  pad.buttonMask = (1 << kControllerButtons) - 1;
  pad.controller = true;
  auto& pads = Input().pads;
  for (size_t port = 0; port < pads.size(); ++port) {
    if (!pads[port].connected) {
      pads[port] = pad;
      return static_cast<int>(port);
    }
  }
  pads.push_back(pad);
  return static_cast<int>(pads.size()) - 1;
}

void SetFakeControllerButton(int port, int button, bool down) {
  PadState* pad = FakePad(port);
  if (!pad || !pad->controller || button < 0 || button >= kControllerButtons) return;
  const uint32_t bit = 1u << button;
  pad->SetControllerButtons(down ? pad->controllerButtons | bit : pad->controllerButtons & ~bit);
  pad->SetButtons(pad->controllerButtons);
  pad->hat = HatFromDpad(pad->controllerButtons);
}

void SetFakeControllerAxis(int port, int axis, float value) {
  PadState* pad = FakePad(port);
  if (!pad || !pad->controller || axis < 0 || axis > 5 || std::isnan(value)) return;
  float low = axis >= kControllerTriggerLeft ? 0.0f : -1.0f;
  value = value < low ? low : (value > 1.0f ? 1.0f : value);
  pad->controllerAxes[axis] = value;
  pad->axes[axis] = value;
}

int ControllerButtonByName(const std::string& name) {
  static const char* const kNames[kControllerButtons] = {
      "a", "b", "x", "y", "back", "guide", "start", "lstick", "rstick", "lb", "rb", "up", "down", "left", "right"};
  for (int b = 0; b < kControllerButtons; ++b)
    if (name == kNames[b]) return b;
  return -1;
}

}  // namespace plat
