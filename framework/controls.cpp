// Bindings, the joypad table and polling. Pads are read through the
// platform's 0-based ports (pad p is port p - 1).
#include "framework/controls.h"

#include "platform/platform.h"

// Start values: ResetBindings and ResetPads.
std::array<int, 101> Bindings;
int PadCount;
std::array<int, 5> PadEnabled;
std::array<std::string, 5> PadNames;
std::array<int, 5> PadButtonMask;
std::array<float, 5> PadRestX, PadRestY, PadRestZ, PadRestU, PadRestV, PadRestR;
std::array<int, 5> PadHasHat;

namespace {

constexpr int kCaptureButtons = 19;  // buttons 0..18 can be captured; 19 only polled

// A pad pulled out while the game runs reads neutral axes from the platform;
// against a rest position far from 0 (a trigger resting at -1) that would
// look like a held direction. The device name vanishes with the pad, so a
// port whose name no longer matches the scan is treated as holding nothing.
bool PadStillThere(int pad) {
  if (PadNames[pad].empty()) return true;
  return JoyName(pad - 1) == PadNames[pad];
}

// Axis sub-codes 0..11 in pairs (minus, plus): Y, X, Z, U, V, R.
float AxisValue(int pad, int axisPair) {
  int port = pad - 1;
  switch (axisPair) {
    case 0: return JoyY(port);
    case 1: return JoyX(port);
    case 2: return JoyZ(port);
    case 3: return JoyU(port);
    case 4: return JoyV(port);
    default: return JoyR(port);
  }
}

float AxisRest(int pad, int axisPair) {
  switch (axisPair) {
    case 0: return PadRestY[pad];
    case 1: return PadRestX[pad];
    case 2: return PadRestZ[pad];
    case 3: return PadRestU[pad];
    case 4: return PadRestV[pad];
    default: return PadRestR[pad];
  }
}

bool AxisHeld(int pad, int sub) {
  int pair = sub / 2;
  float value = AxisValue(pad, pair), rest = AxisRest(pad, pair);
  return (sub % 2 == 0) ? value < rest - kPadDeadZone : value > rest + kPadDeadZone;
}

// The hat ranges overlap so a diagonal holds both neighbours.
bool HatHeld(float hat, int sub) {
  switch (sub) {
    case kPadHatUp: return hat >= 0 && (hat > 0.8f || hat < 0.2f);
    case kPadHatRight: return hat > 0.1f && hat < 0.4f;
    case kPadHatDown: return hat > 0.3f && hat < 0.7f;
    case kPadHatLeft: return hat > 0.6f && hat < 0.9f;
    default: return false;
  }
}

bool PadUsable(int pad) {
  return pad >= 1 && pad <= PadCount && PadEnabled[pad] != 0 && PadStillThere(pad);
}

}  // namespace

std::array<int, 101> DefaultBindings() {
  std::array<int, 101> b{};
  b[kControlUp] = 38;        // Up arrow
  b[kControlLeft] = 37;      // Left arrow
  b[kControlRight] = 39;     // Right arrow
  b[kControlDown] = 40;      // Down arrow
  b[kControlButton1] = 90;   // Z
  b[kControlButton2] = 88;   // X
  b[kControlButton3] = 67;   // C
  b[kControlButton4] = 86;   // V
  return b;
}

void ResetBindings() { Bindings = DefaultBindings(); }

void ResetPads() {
  PadCount = 0;
  PadEnabled.fill(0);
  PadNames.fill("");
  PadButtonMask.fill(0);
  for (auto* rest : {&PadRestX, &PadRestY, &PadRestZ, &PadRestU, &PadRestV, &PadRestR}) {
    rest->fill(0.0f);
  }
  PadHasHat.fill(0);
}

void ScanPads() {
  ResetPads();
  int count = JoyCount();
  PadCount = count < kMaxPads ? (count > 0 ? count : 0) : kMaxPads;
  for (int p = 1; p <= PadCount; ++p) {
    int port = p - 1;
    PadButtonMask[p] = JoyButtonCaps(port);
    PadNames[p] = JoyName(port);
    PadRestX[p] = JoyX(port);
    PadRestY[p] = JoyY(port);
    PadRestZ[p] = JoyZ(port);
    PadRestU[p] = JoyU(port);
    PadRestV[p] = JoyV(port);
    PadRestR[p] = JoyR(port);
    PadEnabled[p] = 1;
    if (JoyHat(port) == -1.0f) PadHasHat[p] = 1;
  }
}

int InputDown(int code) {
  // Keys; 1..9 (mouse buttons, Backspace, Tab) never read as held.
  if (code > 9 && code < 255) return KeyDown(code) ? 1 : 0;

  // Joypads 1..4.
  if (code > 299) {
    int pad = code / kInputPadStride - 5;
    int sub = code % kInputPadStride;
    if (!PadUsable(pad)) return 0;
    int port = pad - 1;
    if (sub <= kPadRPlus) return AxisHeld(pad, sub) ? 1 : 0;
    if (sub >= kPadButton0) return JoyDown(sub - kPadButton0, port) ? 1 : 0;
    if (!PadHasHat[pad]) return 0;
    return HatHeld(JoyHat(port), sub) ? 1 : 0;
  }

  // Nothing else is ever held.
  return 0;
}

// A control number outside 0..19 would read another player's binding.
int ControlDown(int control, int player) {
  if (control < 0 || control >= kControlsPerPlayer || player < 1) return 0;
  int slot = (player - 1) * kControlsPerPlayer + control;
  if (slot >= static_cast<int>(Bindings.size())) return 0;
  return InputDown(Bindings[slot]);
}

int CaptureInput() {
  // The screenshot and statistics keys are never bound.
  if (KeyDown(kKeyF11) || KeyDown(kKeyF12)) return 0;

  // Keys in ascending order.
  for (int key = 1; key <= 255; ++key) {
    if (KeyDown(key)) return key;
  }

  // Each enabled pad: axes, then the hat (exact positions only, so a
  // diagonal is never captured), then the buttons it has.
  for (int pad = 1; pad <= PadCount; ++pad) {
    if (!PadUsable(pad)) continue;
    int port = pad - 1;
    for (int sub = kPadYMinus; sub <= kPadRPlus; ++sub) {
      if (AxisHeld(pad, sub)) return PadCode(pad, sub);
    }
    if (PadHasHat[pad]) {
      float hat = JoyHat(port);
      if (hat == 0.0f) return PadCode(pad, kPadHatUp);
      if (hat == 0.25f) return PadCode(pad, kPadHatRight);
      if (hat == 0.5f) return PadCode(pad, kPadHatDown);
      if (hat == 0.75f) return PadCode(pad, kPadHatLeft);
    }
    for (int button = 0; button < kCaptureButtons; ++button) {
      if ((PadButtonMask[pad] >> button & 1) && JoyDown(button, port)) {
        return PadCode(pad, kPadButton0 + button);
      }
    }
  }

  // Nothing held.
  return 0;
}

// ---------------------------------------------------------------- navigation
namespace {

constexpr int kControllerPorts = 8;      // ports looked at; gaps from unplugged pads included
constexpr float kStickThreshold = 0.5f;  // half way out counts as a push

// A scanned pad follows its switch in the settings menu; a pad plugged in
// later has no switch and counts.
bool PortEnabled(int port) {
  int pad = port + 1;
  return pad > PadCount || PadEnabled[pad] != 0;
}

bool ControllerPortHeld(int port, Nav nav) {
  auto stick = [port](int axis, float sign) { return JoyControllerAxis(axis, port) * sign > kStickThreshold; };
  switch (nav) {
    case Nav::Up: return JoyControllerDown(kControllerDpadUp, port) || stick(kControllerLeftY, -1);
    case Nav::Down: return JoyControllerDown(kControllerDpadDown, port) || stick(kControllerLeftY, 1);
    case Nav::Left: return JoyControllerDown(kControllerDpadLeft, port) || stick(kControllerLeftX, -1);
    case Nav::Right: return JoyControllerDown(kControllerDpadRight, port) || stick(kControllerLeftX, 1);
    case Nav::Accept: return JoyControllerDown(kControllerA, port) != 0;
    case Nav::Back: return JoyControllerDown(kControllerB, port) != 0;
    case Nav::Start: return JoyControllerDown(kControllerStart, port) != 0;
    case Nav::Select: return JoyControllerDown(kControllerBack, port) != 0;
    case Nav::ShoulderLeft: return JoyControllerDown(kControllerLeftShoulder, port) != 0;
    case Nav::ShoulderRight: return JoyControllerDown(kControllerRightShoulder, port) != 0;
  }
  return false;
}

}  // namespace

bool ControllerHeld(Nav nav) {
  for (int port = 0; port < kControllerPorts; ++port) {
    if (JoyIsController(port) && PortEnabled(port) && ControllerPortHeld(port, nav)) return true;
  }
  return false;
}

void ClearInputHits() {
  for (int key = 1; key <= 255; ++key) KeyHit(key);
  for (int button = 1; button <= 3; ++button) MouseHit(button);
  while (GetChar() != 0) {
  }
}

bool AnyControllerButtonHeld() {
  for (int port = 0; port < kControllerPorts; ++port) {
    if (!JoyIsController(port) || !PortEnabled(port)) continue;
    for (int button = 0; button < kControllerButtons; ++button) {
      if (JoyControllerDown(button, port)) return true;
    }
  }
  return false;
}

bool DirectionHeld(int control) {
  Nav nav = Nav::Up;
  switch (control) {
    case kControlUp: nav = Nav::Up; break;
    case kControlDown: nav = Nav::Down; break;
    case kControlLeft: nav = Nav::Left; break;
    case kControlRight: nav = Nav::Right; break;
    default: return false;
  }
  return ControlDown(control, 1) != 0 || ControllerHeld(nav);
}
