// The display: back-end choice, display modes, opening and closing the
// window or full screen, the virtual resolution, clearing and presenting.
// The open back end lives here; images and fonts keep CPU pixels and only
// cache back-end textures, so closing a display just makes them forget.
#include <cctype>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"
#include "platform/platform.h"

namespace plat {
namespace {

int g_driver = kDriverOpenGL;
std::unique_ptr<RenderBackend> g_backend;
float g_virtualW = 0, g_virtualH = 0;  // logical units; 0 until a display opens
Rgba8 g_clsColour{0, 0, 0, 255};
int g_presents = 0;
double g_deadline = 0;  // host milliseconds of the next paced present
bool g_haveDeadline = false;

void ResetDisplay() {
  if (g_backend) EndGraphics();
  g_driver = kDriverOpenGL;
  g_virtualW = g_virtualH = 0;
  g_clsColour = Rgba8{0, 0, 0, 255};
  g_presents = 0;
  g_haveDeadline = false;
}

const ResetHook s_resetDisplay(&ResetDisplay);

}  // namespace

RenderBackend* CurrentBackend() { return g_backend.get(); }
int PresentCount() { return g_presents; }

float BackScaleX() {
  if (!g_backend || g_virtualW <= 0) return 1.0f;
  return g_backend->Width() / g_virtualW;
}

float BackScaleY() {
  if (!g_backend || g_virtualH <= 0) return 1.0f;
  return g_backend->Height() / g_virtualH;
}

}  // namespace plat

using plat::g_backend;

void SetGraphicsDriver(int driver, int /*flags*/) {
  // Every back end draws into a back buffer, so the flags change nothing.
  if (driver < kDriverOpenGL || driver > kDriverDirectX7) driver = kDriverOpenGL;
  plat::g_driver = driver;
}

int CountGraphicsModes() {
  plat::Host* host = plat::CurrentHost();
  return host ? static_cast<int>(host->Modes(plat::g_driver).size()) : 0;
}

int GetGraphicsMode(int index, int& width, int& height, int& depth, int& hertz) {
  width = height = depth = hertz = 0;
  plat::Host* host = plat::CurrentHost();
  if (!host) return 0;
  auto modes = host->Modes(plat::g_driver);
  if (index < 0 || index >= static_cast<int>(modes.size())) return 0;
  width = modes[index].width;
  height = modes[index].height;
  depth = modes[index].depth;
  hertz = modes[index].hertz;
  return 1;
}

int GraphicsModeExists(int width, int height, int depth, int hertz) {
  plat::Host* host = plat::CurrentHost();
  if (!host) return 0;
  for (const auto& m : host->Modes(plat::g_driver)) {
    if ((width == 0 || m.width == width) && (height == 0 || m.height == height) &&
        (depth == 0 || m.depth == depth) && (hertz == 0 || m.hertz == hertz))
      return 1;
  }
  return 0;
}

int Graphics(int width, int height, int depth, int hertz, int /*flags*/) {
  plat::Host* host = plat::CurrentHost();
  if (!host || width <= 0 || height <= 0) return 0;
  if (g_backend) EndGraphics();
  // The host may correct these when the window's pixels differ from the
  // back buffer (high-density screens).
  plat::Input().windowW = width;
  plat::Input().windowH = height;
  g_backend = host->Open(plat::g_driver, width, height, depth, hertz);
  if (!g_backend) return 0;
  plat::g_virtualW = static_cast<float>(width);
  plat::g_virtualH = static_cast<float>(height);
  plat::g_haveDeadline = false;
  plat::DiscardDrawList();
  return 1;
}

void EndGraphics() {
  plat::DiscardDrawList();
  // Images and fonts drop their texture ids; their pixels stay, and they are
  // uploaded again to whatever back end draws them next.
  plat::DropImageTextures();
  plat::DropFontTextures();
  bool wasOpen = g_backend != nullptr;
  g_backend.reset();
  if (wasOpen && plat::CurrentHost()) plat::CurrentHost()->Close();
}

int GraphicsOpenNow() { return g_backend ? 1 : 0; }
int GraphicsWidth() { return g_backend ? g_backend->Width() : 0; }
int GraphicsHeight() { return g_backend ? g_backend->Height() : 0; }

std::string GraphicsRenderer() { return g_backend ? g_backend->renderer : std::string(); }

int GraphicsRendererInSoftware() {
  std::string name = GraphicsRenderer();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // Mesa's CPU drivers, Google's CPU Vulkan under a browser's WebGL, and
  // the names other drivers give their CPU paths.
  for (const char* cpu : {"llvmpipe", "softpipe", "swrast", "swiftshader", "software"})
    if (name.find(cpu) != std::string::npos) return 1;
  return 0;
}

void SetVirtualResolution(float width, float height) {
  if (!(width > 0) || !(height > 0)) return;
  // Drawing already queued was mapped with the old factors; that stays right
  // because the draw list holds back-buffer pixels.
  plat::g_virtualW = width;
  plat::g_virtualH = height;
}

float VirtualResolutionWidth() { return plat::g_virtualW; }
float VirtualResolutionHeight() { return plat::g_virtualH; }

void Cls() {
  if (g_backend) plat::QueueClear(plat::g_clsColour);
}

void SetClsColor(int r, int g, int b) {
  auto c = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  plat::g_clsColour = plat::Rgba8{c(r), c(g), c(b), 255};
}

void FlushDrawing() {
  if (plat::CurrentHost()) plat::FlushDrawList();
}

void Flip(int sync) {
  plat::Host* host = plat::CurrentHost();
  if (g_backend && host) {
    plat::FlushDrawList();
    // Pace to 60 presents a second on a real display, on a deadline that
    // advances by exactly 1000/60 ms so the rate does not drift. The wait
    // ends a millisecond early: a back end that also waits for the refresh
    // must not miss it because a 1 ms sleep overslept. The headless host's
    // virtual clock only moves when the program itself waits.
    if (sync == -1 && !host->Headless()) {
      constexpr double kPeriod = 1000.0 / 60.0;
      double now = host->Millisecs();
      plat::g_deadline += kPeriod;
      // The first present, or a frame more than a period late, starts the
      // count afresh instead of rushing the next frames to catch up.
      if (!plat::g_haveDeadline || now > plat::g_deadline + kPeriod) plat::g_deadline = now;
      plat::g_haveDeadline = true;
      host->WaitForFrame(plat::g_deadline, kPeriod);
    }
    g_backend->Present(sync != 0);
    ++plat::g_presents;
    host->AfterPresent();
  }
  PollSystem();
}

void HideMouse() {
  if (plat::CurrentHost()) plat::CurrentHost()->ShowPointer(false);
}

void ShowMouse() {
  if (plat::CurrentHost()) plat::CurrentHost()->ShowPointer(true);
}
