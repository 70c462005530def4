// Platform start-up and the shared input state: picks the host, keeps the
// application title, pumps events, and answers the keyboard, mouse and joypad
// queries from the InputState the host feeds.
#include <cstdlib>

#include "platform/internal.h"
#include "platform/host/host.h"
#include "platform/platform.h"

namespace plat {
namespace {

std::unique_ptr<Host> g_host;
std::string g_title;
InputState g_input;

std::vector<void (*)()>& ResetHooks() {
  static std::vector<void (*)()> hooks;  // function-local: registration order is static-init order
  return hooks;
}

const ResetHook s_resetInput([] {
  g_input = InputState();
});

}  // namespace

Host* CurrentHost() { return g_host.get(); }

void SetHost(std::unique_ptr<Host> host) {
  // A display opened on the old host must not outlive it.
  if (g_host && GraphicsOpenNow()) EndGraphics();
  g_host = std::move(host);
  if (g_host && !g_title.empty()) g_host->SetTitle(g_title);
}

InputState& Input() { return g_input; }

ResetHook::ResetHook(void (*fn)()) { ResetHooks().push_back(fn); }

void ResetAllPlatformState() {
  for (auto fn : ResetHooks()) fn();
}

void InputState::KeyEvent(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  // Hosts may repeat key-down while a key is held; only a fresh press counts as a hit.
  if (down && !keyDown[vk]) {
    keyHits[vk]++;
    keyLatch.Press(vk);
  }
  keyDown[vk] = down;
  // Typed text never carries control characters, but name entry and the
  // menus read Backspace, Tab, Return and Escape from the typed queue too;
  // a held key repeats there as letters do. Here rather than in a host, so
  // every host queues them alike.
  if (down && (vk == 8 || vk == 9 || vk == 13 || vk == 27)) TextEvent(vk);
}

void InputState::TextEvent(int code) {
  if (code <= 0 || code > 255) return;
  if (chars.size() < 256) chars.push_back(code);
}

void InputState::TypedText(const char* utf8) {
  for (int code : DecodeTypedText(utf8)) TextEvent(code);
}

// Typed text arrives as UTF-8; the game's characters are Latin-1 codes, so
// anything above 255 is dropped, as are malformed bytes.
std::vector<int> DecodeTypedText(const char* utf8) {
  std::vector<int> codes;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (p && *p) {
    unsigned char c = *p;
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) {  // a stray continuation byte or an invalid lead byte
      ++p;
      continue;
    }
    uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
    int taken = 1;
    bool ok = true;
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) {  // also stops at the terminating zero
        ok = false;
        break;
      }
      code = (code << 6) | (p[i] & 0x3F);
      ++taken;
    }
    p += taken;
    // Overlong forms would smuggle control codes past the text filter.
    static const uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (ok && code >= kMinimum[extra] && code > 0 && code <= 255) codes.push_back(static_cast<int>(code));
  }
  return codes;
}

void InputState::MouseButton(int button, bool down) {
  if (button < 1 || button > 3) return;
  if (down && !mouseDown[button]) {
    mouseHits[button]++;
    mouseLatch.Press(button);
  }
  mouseDown[button] = down;
}

void InputState::ExpireLatches() {
  keyLatch.Expire();
  mouseLatch.Expire();
  for (PadState& pad : pads) {
    pad.buttonLatch.Expire();
    pad.controllerLatch.Expire();
  }
}

namespace {
// Latches the bits of `now` that were not in `before`.
void LatchRising(PressLatches<32>& latch, uint32_t before, uint32_t now) {
  for (int b = 0; b < 32; ++b)
    if ((now >> b & 1u) && !(before >> b & 1u)) latch.Press(b);
}
}  // namespace

void PadState::SetButtons(uint32_t held) {
  LatchRising(buttonLatch, buttons, held);
  buttons = held;
}

void PadState::SetControllerButtons(uint32_t pressed) {
  LatchRising(controllerLatch, controllerButtons, pressed);
  controllerButtons = pressed;
}

void PumpHostEvents(Host& host) {
  g_input.ExpireLatches();
  host.PumpEvents();
}

void InputState::MouseMove(int x, int y) {
  mouseX = x;
  mouseY = y;
}

}  // namespace plat

using plat::Input;

void InitPlatform() {
  const char* script = std::getenv("MNEMORA_HEADLESS");
  if (script)
    plat::SetHost(plat::MakeHeadlessHost(script));
  else
    plat::SetHost(plat::MakeSdlHost());
}

void SetAppTitle(const std::string& title) {
  plat::g_title = title;
  if (plat::g_host) plat::g_host->SetTitle(title);
}

void PollSystem() {
  if (plat::g_host) plat::PumpHostEvents(*plat::g_host);
}

int AppTerminate() {
  bool asked = Input().closeRequested;
  Input().closeRequested = false;
  return asked ? 1 : 0;
}

int AppTerminatePending() { return Input().closeRequested ? 1 : 0; }

// ---------------------------------------------------------------- keyboard
int KeyDown(int key) {
  if (key <= 0 || key > 255) return 0;
  // Key codes 1, 2 and 3 are the left, right and middle mouse buttons, as
  // the key names have them: a held button is input held like any key.
  auto& in = Input();
  if (key <= 3) return in.mouseLatch.Read(key) || in.mouseDown[key] ? 1 : 0;
  return in.keyLatch.Read(key) || in.keyDown[key] ? 1 : 0;
}

int KeyHit(int key) {
  if (key <= 0 || key > 255) return 0;
  int n = Input().keyHits[key];
  Input().keyHits[key] = 0;
  return n;
}

int GetChar() {
  auto& q = Input().chars;
  if (q.empty()) return 0;
  int c = q.front();
  q.erase(q.begin());
  return c;
}

void FlushKeys() {
  auto& in = Input();
  for (int i = 0; i < 256; ++i) {
    in.keyDown[i] = false;
    in.keyHits[i] = 0;
  }
  in.keyLatch.Clear();
  in.chars.clear();
}

// ---------------------------------------------------------------- mouse
int MouseDown(int button) {
  if (button < 1 || button > 3) return 0;
  auto& in = Input();
  return in.mouseLatch.Read(button) || in.mouseDown[button] ? 1 : 0;
}

int MouseHit(int button) {
  if (button < 1 || button > 3) return 0;
  int n = Input().mouseHits[button];
  Input().mouseHits[button] = 0;
  return n;
}

void FlushMouse() {
  auto& in = Input();
  for (int i = 0; i < 4; ++i) {
    in.mouseDown[i] = false;
    in.mouseHits[i] = 0;
  }
  in.mouseLatch.Clear();
}

// The pointer reads in logical units: window pixels scaled by logical size
// over window size, the same mapping the drawing uses.
float VirtualMouseX() {
  const auto& in = Input();
  return in.windowW > 0 ? in.mouseX * VirtualResolutionWidth() / in.windowW : 0.0f;
}

float VirtualMouseY() {
  const auto& in = Input();
  return in.windowH > 0 ? in.mouseY * VirtualResolutionHeight() / in.windowH : 0.0f;
}

void MoveMouse(float x, float y) {
  auto& in = Input();
  float vw = VirtualResolutionWidth(), vh = VirtualResolutionHeight();
  if (vw <= 0 || vh <= 0) return;
  int wx = static_cast<int>(x * in.windowW / vw);
  int wy = static_cast<int>(y * in.windowH / vh);
  in.MouseMove(wx, wy);
  if (plat::g_host) plat::g_host->WarpPointer(wx, wy);
}

// ---------------------------------------------------------------- joypads
namespace {
plat::PadState* Pad(int port) {
  auto& pads = Input().pads;
  if (port < 0 || port >= static_cast<int>(pads.size()) || !pads[port].connected) return nullptr;
  return &pads[port];
}
float Axis(int port, int axis) {
  const plat::PadState* p = Pad(port);
  return p ? p->axes[axis] : 0.0f;
}
}  // namespace

int JoyCount() {
  int n = 0;
  for (const auto& p : Input().pads) n += p.connected ? 1 : 0;
  return n;
}

std::string JoyName(int port) {
  const plat::PadState* p = Pad(port);
  return p ? p->name : std::string();
}

int JoyButtonCaps(int port) {
  const plat::PadState* p = Pad(port);
  return p ? p->buttonMask : 0;
}

int JoyDown(int button, int port) {
  plat::PadState* p = Pad(port);
  if (!p || button < 0 || button > 31) return 0;
  return p->Held(button) ? 1 : 0;
}

float JoyX(int port) { return Axis(port, 0); }
float JoyY(int port) { return Axis(port, 1); }
float JoyZ(int port) { return Axis(port, 2); }
float JoyR(int port) { return Axis(port, 3); }
float JoyU(int port) { return Axis(port, 4); }
float JoyV(int port) { return Axis(port, 5); }

float JoyHat(int port) {
  const plat::PadState* p = Pad(port);
  return p ? p->hat : -1.0f;
}

int JoyIsController(int port) {
  const plat::PadState* p = Pad(port);
  return p && p->controller ? 1 : 0;
}

int JoyControllerDown(int button, int port) {
  plat::PadState* p = Pad(port);
  if (!p || !p->controller || button < 0 || button >= kControllerButtons) return 0;
  return p->ControllerHeld(button) ? 1 : 0;
}

float JoyControllerAxis(int axis, int port) {
  const plat::PadState* p = Pad(port);
  if (!p || !p->controller || axis < 0 || axis > 5) return 0.0f;
  return p->controllerAxes[axis];
}

int LoadControllerLayouts(const std::string& path, int* left) {
  if (left != nullptr) *left = 0;
  if (path.empty()) return 0;
  std::vector<uint8_t> bytes;
  if (!plat::ReadRegularFile(plat::MapPath(path, plat::FileAccess::Read), bytes, kMaxControllerLayoutBytes)) return 0;
  // SDL adds each layout by searching those it has: a file of tens of
  // thousands of lines would hold the start for a minute. The first layouts
  // are taken, far more than there are pads.
  std::string text(bytes.begin(), bytes.end());
  size_t taken = 0, end = 0;
  int mappings = 0, beyond = 0;
  while (end < text.size()) {
    size_t next = text.find('\n', end);
    next = next == std::string::npos ? text.size() : next + 1;
    size_t first = text.find_first_not_of(" \t\r\n", end);
    bool mapping = first != std::string::npos && first < next && text[first] != '#';
    if (mapping && mappings == kMaxControllerLayouts) ++beyond;
    if (mapping && mappings < kMaxControllerLayouts) {
      ++mappings;
      taken = next;
    }
    end = next;
  }
  if (left != nullptr) *left = beyond;
  text.resize(taken);
  return plat::g_host ? plat::g_host->AddControllerLayouts(text) : 0;
}

std::string PlayerControllerLayoutsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/mnemora/gamecontrollerdb.txt";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config/mnemora/gamecontrollerdb.txt";
  return "";
}
