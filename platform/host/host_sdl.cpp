// The SDL host: one window (or full screen), SDL events turned into the shared
// input state, SDL joysticks, the real clock. The back end drawing into the
// window comes from the table of window back ends.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/browser_page.h"
#include "platform/host/host.h"
#include "platform/platform.h"

namespace plat {

// ---------------------------------------------------------------- text helpers
// Titles are one byte per character (Latin-1); SDL wants UTF-8.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// SDL's hat positions as a fraction of a turn clockwise from up; -1 centred.
float HatFraction(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0.0f;
    case SDL_HAT_RIGHTUP: return 0.125f;
    case SDL_HAT_RIGHT: return 0.25f;
    case SDL_HAT_RIGHTDOWN: return 0.375f;
    case SDL_HAT_DOWN: return 0.5f;
    case SDL_HAT_LEFTDOWN: return 0.625f;
    case SDL_HAT_LEFT: return 0.75f;
    case SDL_HAT_LEFTUP: return 0.875f;
    default: return -1.0f;
  }
}

// SDL axes run -32768..32767; both ends read as a full deflection.
float AxisFraction(int16_t value) {
  return value < 0 ? value / 32768.0f : value / 32767.0f;
}

namespace {

// ---------------------------------------------------------------- the host
class SdlHost final : public Host {
 public:
  SdlHost() {
    // Pads keep working while another window has the focus (and under a bare X server).
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // SDL would turn SIGINT and SIGTERM into a close request, and the closing
    // screen then waits for a click: Ctrl+C, timeout and kill could no longer
    // stop the game. The signals keep their usual meaning; saves are written
    // to a temporary file and renamed, so ending mid-save loses nothing.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    videoOk_ = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    if (!videoOk_) {
      std::fprintf(stderr, "SDL video unavailable: %s\n", SDL_GetError());
      SDL_InitSubSystem(SDL_INIT_EVENTS);
    } else if (const char* driver = SDL_GetCurrentVideoDriver();
               driver != nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr &&
               (std::string(driver) == "offscreen" || std::string(driver) == "dummy")) {
      // With no display SDL falls back to an invisible video driver: the game
      // would run in a window nobody can see or close. Unless that driver was
      // asked for, there is no display.
      std::fprintf(stderr,
                   "No display to open a window on (is DISPLAY set?). To run without a window, "
                   "set MNEMORA_HEADLESS.\n");
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      SDL_InitSubSystem(SDL_INIT_EVENTS);
      videoOk_ = false;
    }
    joystickOk_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    // The controller layer reads SDL_GAMECONTROLLERCONFIG by itself.
    controllerOk_ = joystickOk_ && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    // The pads already plugged in are listed now: the start-up scan reads
    // them before any event is pumped. Their device-added events still
    // arrive later and find them open.
    if (joystickOk_) {
      for (int i = 0; i < SDL_NumJoysticks(); ++i) AddPad(i);
      SDL_JoystickUpdate();
      ReadPads();
    }
  }

  ~SdlHost() override {
    Close();
    for (size_t port = 0; port < sticks_.size(); ++port)
      if (sticks_[port]) CloseStick(port);
    if (controllerOk_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (joystickOk_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    SDL_QuitSubSystem(videoOk_ ? SDL_INIT_VIDEO | SDL_INIT_EVENTS : SDL_INIT_EVENTS);
  }

  const char* Name() const override { return "SDL"; }
  bool Headless() const override { return false; }

  void SetTitle(const std::string& title) override {
    title_ = Latin1ToUtf8(title);
    if (window_) SDL_SetWindowTitle(window_, title_.c_str());
  }

  std::vector<DisplayMode> Modes(int /*driver*/) override {
    // Every back end draws into the same kind of SDL window, so all offer the
    // display's own full-screen modes.
    std::vector<DisplayMode> modes;
    if (!videoOk_) return modes;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode m;
      if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
      modes.push_back({m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate});
    }
    return modes;
  }

  std::unique_ptr<RenderBackend> Open(int driver, int width, int height, int depth, int hertz) override {
    Close();
    if (!videoOk_ || width <= 0 || height <= 0) return nullptr;

    // 1. The window: GL attributes must be set before it exists.
    const WindowBackendKind& kind = WindowBackendFor(driver);
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (kind.glWindow) {
      flags |= SDL_WINDOW_OPENGL;
      SDL_GL_ResetAttributes();
      if (InBrowser()) {
        // WebGL 2: sized texture formats, row lengths for uploads, reading the back buffer.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
      } else {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
      }
      SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
      SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
      SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
      SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
      SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
      SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    }
    BrowserFreshCanvas();
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                               height, flags);
    if (!window_) {
      std::fprintf(stderr, "SDL window %dx%d failed: %s\n", width, height, SDL_GetError());
      return nullptr;
    }

    // 2. Full screen: the mode is chosen before the switch, so the display
    // changes once, to the closest listed mode of that size.
    if (depth > 0) {
      SDL_DisplayMode want{0, width, height, hertz, nullptr};
      SDL_DisplayMode got;
      if (SDL_GetClosestDisplayMode(0, &want, &got)) SDL_SetWindowDisplayMode(window_, &got);
      if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0)
        std::fprintf(stderr, "full screen %dx%d failed, staying windowed: %s\n", width, height, SDL_GetError());
    }

    // 3. The back end.
    std::unique_ptr<SdlWindowBackend> backend =
        kind.available() ? kind.create(window_, width, height) : nullptr;
    if (!backend) {
      std::fprintf(stderr, "render back end %d failed: %s\n", driver, SDL_GetError());
      Close();
      return nullptr;
    }
    live_ = backend.get();
    live_->onDestroy = [](void* host) { static_cast<SdlHost*>(host)->live_ = nullptr; };
    live_->onDestroyContext = this;

    // 4. Input reads in window pixels from now on.
    Input().windowW = width;
    Input().windowH = height;
    SDL_StartTextInput();
    SDL_ShowCursor(pointerShown_ ? SDL_ENABLE : SDL_DISABLE);
    return backend;
  }

  void Close() override {
    if (live_) {
      live_->ReleaseDevice();
      live_->onDestroy = nullptr;
      live_ = nullptr;
    }
    if (window_) {
      SDL_DestroyWindow(window_);
      window_ = nullptr;
    }
  }

  void PumpEvents() override {
    InputState& in = Input();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_QUIT: in.closeRequested = true; break;
        case SDL_WINDOWEVENT:
          if (e.window.event == SDL_WINDOWEVENT_CLOSE) in.closeRequested = true;
          if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && e.window.data1 > 0 && e.window.data2 > 0) {
            in.windowW = e.window.data1;
            in.windowH = e.window.data2;
          }
          break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: KeyEvent(e.key, e.type == SDL_KEYDOWN); break;
        case SDL_TEXTINPUT:
          in.TypedText(e.text.text);
          break;
        case SDL_MOUSEMOTION: in.MouseMove(e.motion.x, e.motion.y); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
          // SDL numbers the middle button 2 and the right 3; the game the other way round.
          int button = e.button.button == SDL_BUTTON_LEFT     ? 1
                       : e.button.button == SDL_BUTTON_RIGHT  ? 2
                       : e.button.button == SDL_BUTTON_MIDDLE ? 3
                                                              : 0;
          in.MouseMove(e.button.x, e.button.y);
          in.MouseButton(button, e.type == SDL_MOUSEBUTTONDOWN);
          break;
        }
        case SDL_JOYDEVICEADDED: AddPad(e.jdevice.which); break;
        case SDL_JOYDEVICEREMOVED: RemovePad(e.jdevice.which); break;
        // Buttons are polled below, after the events; a press let go
        // within this pump is only seen here.
        case SDL_JOYBUTTONDOWN: LatchPadButton(e.jbutton.which, e.jbutton.button, false); break;
        case SDL_CONTROLLERBUTTONDOWN: LatchPadButton(e.cbutton.which, e.cbutton.button, true); break;
        default: break;
      }
    }
    // The page's touch buttons press keys (pause, settings).
    int vk = 0;
    bool down = false;
    while (BrowserPageKey(vk, down)) in.KeyEvent(vk, down);
    ReadPads();
  }

  uint32_t Millisecs() override { return SDL_GetTicks(); }
  // In the browser a sleep hands control to the page until it is over.
  void Sleep(int ms) override {
    SDL_Delay(ms > 0 ? static_cast<Uint32>(ms) : 0);
    if (InBrowser()) CountBrowserYield();
  }

  // The browser paints (and shows the last frame presented) only while the
  // program has handed control back to it, at the display's rate: the wait
  // for the frame's time is a wait for its paints. Half a period early
  // counts as on time, so a paint that comes a little early is not waited
  // past (that would halve the rate).
  void WaitForFrame(double deadline, double period) override {
    if (!InBrowser()) return Host::WaitForFrame(deadline, period);
    do {
      BrowserNextFrame();
    } while (static_cast<double>(Millisecs()) < deadline - period / 2);
  }

  // A frame presented without any wait since the last (a screen that flips
  // without pacing) would never be shown, and the page would freeze.
  void AfterPresent() override {
    if (!InBrowser()) return;
    BrowserFramePresented();
    if (BrowserYields() == yieldsAtPresent_) BrowserNextFrame();
    yieldsAtPresent_ = BrowserYields();
  }

  void ShowPointer(bool show) override {
    pointerShown_ = show;
    if (videoOk_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
  }

  void WarpPointer(int x, int y) override {
    if (window_) SDL_WarpMouseInWindow(window_, x, y);
  }

  void LocalTime(int& year, int& month, int& day, int& hour, int& minute, int& second) override {
    SystemLocalTime(year, month, day, hour, minute, second);
  }

  // The text was read by our own reader: SDL's would wait for ever on a pipe.
  int AddControllerLayouts(const std::string& text) override {
    if (!controllerOk_ || text.empty()) return 0;
    SDL_RWops* file = SDL_RWFromConstMem(text.data(), static_cast<int>(text.size()));
    if (!file) return 0;
    int added = SDL_GameControllerAddMappingsFromRW(file, 1);
    if (added <= 0) return 0;
    // Pads already plugged in may have just got their layout.
    for (size_t port = 0; port < sticks_.size(); ++port) OpenController(port);
    return added;
  }

 private:
  void KeyEvent(const SDL_KeyboardEvent& key, bool down) {
    int vk = VirtualKeyFromScancode(key.keysym.scancode);
    if (vk == 0) return;
    Input().KeyEvent(vk, down);
  }

  // Ports stay put while the game runs: an unplugged pad leaves a gap that
  // the next pad plugged in fills, so the other pads keep their numbers.
  void AddPad(int deviceIndex) {
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_Joystick* stick : sticks_)
      if (stick && SDL_JoystickInstanceID(stick) == id) return;  // already open
    SDL_Joystick* stick = SDL_JoystickOpen(deviceIndex);
    if (!stick) return;
    size_t port = 0;
    while (port < sticks_.size() && sticks_[port]) ++port;
    if (port == sticks_.size()) sticks_.push_back(nullptr);
    sticks_[port] = stick;
    if (controllers_.size() < sticks_.size()) controllers_.resize(sticks_.size(), nullptr);
    auto& pads = Input().pads;
    if (pads.size() < sticks_.size()) pads.resize(sticks_.size());
    PadState& pad = pads[port];
    pad = PadState();
    pad.connected = true;
    const char* name = SDL_JoystickName(stick);
    pad.name = name ? name : "";
    int buttons = std::min(SDL_JoystickNumButtons(stick), 31);
    pad.buttonMask = buttons > 0 ? static_cast<int>((1u << buttons) - 1) : 0;
    OpenController(port);
  }

  // A pad SDL has a layout for is also opened as a controller; the raw
  // joystick stays open beside it, so bindings to raw buttons still read.
  void OpenController(size_t port) {
    if (!controllerOk_ || port >= sticks_.size() || !sticks_[port] || controllers_[port]) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(sticks_[port]);
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
      if (SDL_JoystickGetDeviceInstanceID(index) != id) continue;
      if (SDL_IsGameController(index)) controllers_[port] = SDL_GameControllerOpen(index);
      break;
    }
    if (controllers_[port] && port < Input().pads.size()) Input().pads[port].controller = true;
  }

  void CloseStick(size_t port) {
    if (port < controllers_.size() && controllers_[port]) {
      SDL_GameControllerClose(controllers_[port]);
      controllers_[port] = nullptr;
    }
    SDL_JoystickClose(sticks_[port]);
    sticks_[port] = nullptr;
  }

  void LatchPadButton(SDL_JoystickID id, int button, bool controller) {
    if (button < 0 || button >= (controller ? kControllerButtons : 31)) return;
    auto& pads = Input().pads;
    for (size_t port = 0; port < sticks_.size() && port < pads.size(); ++port) {
      if (!sticks_[port] || SDL_JoystickInstanceID(sticks_[port]) != id) continue;
      (controller ? pads[port].controllerLatch : pads[port].buttonLatch).Press(button);
      return;
    }
  }

  void RemovePad(SDL_JoystickID id) {
    for (size_t port = 0; port < sticks_.size(); ++port) {
      if (sticks_[port] && SDL_JoystickInstanceID(sticks_[port]) == id) DropPad(port);
    }
  }

  void DropPad(size_t port) {
    CloseStick(port);
    auto& pads = Input().pads;
    if (port < pads.size()) pads[port] = PadState();  // not held, centred, disconnected
    while (!sticks_.empty() && !sticks_.back()) sticks_.pop_back();
    controllers_.resize(sticks_.size());
    if (pads.size() > sticks_.size()) pads.resize(sticks_.size());
  }

  void ReadPads() {
    auto& pads = Input().pads;
    if (pads.size() < sticks_.size()) pads.resize(sticks_.size());
    for (size_t port = 0; port < sticks_.size(); ++port) {
      SDL_Joystick* stick = sticks_[port];
      if (!stick) continue;
      if (!SDL_JoystickGetAttached(stick)) {  // removed before its event arrived
        DropPad(port);
        continue;
      }
      PadState& pad = pads[port];
      int axes = std::min(SDL_JoystickNumAxes(stick), 6);
      for (int a = 0; a < 6; ++a) pad.axes[a] = a < axes ? AxisFraction(SDL_JoystickGetAxis(stick, a)) : 0.0f;
      pad.hat = SDL_JoystickNumHats(stick) > 0 ? HatFraction(SDL_JoystickGetHat(stick, 0)) : -1.0f;
      int buttons = std::min(SDL_JoystickNumButtons(stick), 31);
      uint32_t held = 0;
      for (int b = 0; b < buttons; ++b)
        if (SDL_JoystickGetButton(stick, b)) held |= 1u << b;
      pad.SetButtons(held);
      if (SDL_GameController* controller = port < controllers_.size() ? controllers_[port] : nullptr) {
        uint32_t pressed = 0;
        for (int b = 0; b < kControllerButtons; ++b)
          if (SDL_GameControllerGetButton(controller, static_cast<SDL_GameControllerButton>(b))) pressed |= 1u << b;
        pad.SetControllerButtons(pressed);
        for (int a = 0; a < 6; ++a)
          pad.controllerAxes[a] = AxisFraction(SDL_GameControllerGetAxis(controller, static_cast<SDL_GameControllerAxis>(a)));
      }
    }
  }

  bool videoOk_ = false;
  bool joystickOk_ = false;
  bool controllerOk_ = false;
  bool pointerShown_ = true;
  unsigned yieldsAtPresent_ = 0;
  std::string title_ = "Mnemora";
  SDL_Window* window_ = nullptr;
  SdlWindowBackend* live_ = nullptr;  // the back end drawing into window_, if still alive
  std::vector<SDL_Joystick*> sticks_;  // by port; nullptr = unplugged
  std::vector<SDL_GameController*> controllers_;  // by port; nullptr = no layout known
};

}  // namespace

std::unique_ptr<Host> MakeSdlHost() { return std::make_unique<SdlHost>(); }

}  // namespace plat
