// Real windows on a private Xvfb: each render back end draws the same scene
// (rectangles in all five blend modes, a rotated and scaled image, text) and
// must read back what the software rasteriser draws from the same commands.
// The SDL host's events are checked here too, through SDL's own event queue
// and a virtual joystick.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "support/fake_host.h"
#include "support/test_host.h"
#include "support/xvfb_server.h"
#include "window_on_screen.h"

namespace {

// One server for the whole run, started on first use.
XvfbServer* Server() {
  static XvfbServer* server = [] {
    auto* s = new XvfbServer;
    if (!XvfbServer::Installed() || !s->Start()) {
      if (XvfbServer::Installed()) std::fprintf(stderr, "Xvfb: %s\n", s->Error().c_str());
      delete s;
      return static_cast<XvfbServer*>(nullptr);
    }
    // Mesa's software GL works under Xvfb; never reach for a real GPU here,
    // nor for a Wayland compositor the environment may name.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::atexit([] { delete Server(); });
    return s;
  }();
  return server;
}

// Runs every command on the real back end and, with texture ids translated,
// on a software back end of the same size: the reference picture.
class TeeBackend final : public plat::RenderBackend {
 public:
  explicit TeeBackend(std::unique_ptr<plat::RenderBackend> real)
      : real_(std::move(real)), soft_(plat::MakeSoftwareBackend(real_->Width(), real_->Height())) {}

  const char* Name() const override { return real_->Name(); }
  int CreateTexture(int w, int h, const plat::Rgba8* rgba) override {
    int id = real_->CreateTexture(w, h, rgba);
    ids_[id] = soft_->CreateTexture(w, h, rgba);
    return id;
  }
  void UpdateTexture(int t, int x, int y, int w, int h, const plat::Rgba8* rgba) override {
    real_->UpdateTexture(t, x, y, w, h, rgba);
    soft_->UpdateTexture(ids_[t], x, y, w, h, rgba);
  }
  void DestroyTexture(int t) override {
    real_->DestroyTexture(t);
    soft_->DestroyTexture(ids_[t]);
    ids_.erase(t);
  }
  void Execute(const plat::DrawList& list) override {
    real_->Execute(list);
    plat::DrawList copy = list;
    for (auto& c : copy.commands)
      if (c.texture) c.texture = ids_[c.texture];
    soft_->Execute(copy);
  }
  void ReadPixels(int x, int y, int w, int h, plat::Rgba8* out) override { real_->ReadPixels(x, y, w, h, out); }
  void Present(bool vsync) override { real_->Present(vsync); }
  int Width() const override { return real_->Width(); }
  int Height() const override { return real_->Height(); }

  std::vector<plat::Rgba8> Read(plat::RenderBackend& b) {
    std::vector<plat::Rgba8> px(static_cast<size_t>(Width()) * Height());
    b.ReadPixels(0, 0, Width(), Height(), px.data());
    return px;
  }
  std::vector<plat::Rgba8> RealPixels() { return Read(*real_); }
  std::vector<plat::Rgba8> ReferencePixels() { return Read(*soft_); }

 private:
  std::unique_ptr<plat::RenderBackend> real_;
  std::unique_ptr<plat::RenderBackend> soft_;
  std::map<int, int> ids_;
};

// The SDL host, its back ends wrapped in a TeeBackend.
class TeeHost final : public ForwardingHost {
 public:
  using ForwardingHost::ForwardingHost;
  bool Headless() const override { return false; }
  std::unique_ptr<plat::RenderBackend> Open(int driver, int w, int h, int depth, int hertz) override {
    auto real = ForwardingHost::Open(driver, w, h, depth, hertz);
    if (!real) return nullptr;
    auto tee = std::make_unique<TeeBackend>(std::move(real));
    lastTee = tee.get();
    return tee;
  }
  TeeBackend* lastTee = nullptr;
};

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed: real-window tests skipped";
    ASSERT_NE(Server(), nullptr) << "Xvfb is installed but did not start";
    plat::ResetAllPlatformState();
  }
  void TearDown() override { plat::SetHost(nullptr); }

  TeeHost* UseTeeHost() {
    auto tee = std::make_unique<TeeHost>(plat::MakeSdlHost());
    TeeHost* raw = tee.get();
    plat::SetHost(std::move(tee));
    return raw;
  }
};

constexpr int kW = 320, kH = 240;

// The scene every back end draws.
void DrawScene() {
  // A 24x24 picture made on the back buffer and grabbed into an image: this
  // also runs read-back and texture update on the back end under test.
  SetClsColor(0, 0, 0);
  Cls();
  SetBlend(kBlendSolid);
  SetRotation(0);
  SetScale(1, 1);
  SetAlpha(1);
  const int colours[4][3] = {{230, 40, 40}, {40, 200, 60}, {50, 80, 240}, {250, 230, 40}};
  for (int q = 0; q < 4; ++q) {
    SetColor(colours[q][0], colours[q][1], colours[q][2]);
    DrawRect(static_cast<float>((q % 2) * 12), static_cast<float>((q / 2) * 12), 12, 12);
  }
  SetColor(255, 255, 255);
  DrawRect(9, 9, 6, 6);
  int image = CreateImage(24, 24, 1, kImageDynamic);
  int smooth = CreateImage(24, 24, 1, kImageDynamic | kImageFiltered);
  MidHandleImage(image);
  MidHandleImage(smooth);
  GrabImage(image, 0, 0);
  GrabImage(smooth, 0, 0);

  // The scene proper.
  SetClsColor(40, 60, 80);
  Cls();
  for (int mode = kBlendMask; mode <= kBlendShade; ++mode) {
    float x = 10.0f + (mode - 1) * 62.0f;
    SetBlend(kBlendSolid);
    SetRotation(0);
    SetColor(128, 128, 128);
    DrawRect(x, 10, 52, 52);
    SetBlend(mode);
    SetAlpha(0.5f);
    SetRotation(20);
    SetColor(255, 190, 60);
    DrawRect(x + 14, 14, 34, 34);
    // Text in each mode: anti-aliased glyph edges cross the mask threshold.
    SetRotation(0);
    SetColor(255, 255, 255);
    DrawText("Ab3", x + 4, 70);
  }
  SetBlend(kBlendAlpha);
  SetAlpha(1);
  SetColor(255, 255, 255);
  SetRotation(30);
  SetScale(3, 2);
  DrawImage(image, 90, 160);
  SetScale(2, 2);
  SetRotation(-60);
  SetBlend(kBlendLight);
  DrawImage(smooth, 230, 160);
  SetRotation(0);
  SetScale(1, 1);
  SetBlend(kBlendAlpha);
  DrawText("Find the Match 253", 150, 215);
  DrawLine(5, 230, 315, 228);
}

struct Difference {
  int far = 0;       // pixels off by more than 40 levels in some channel
  double mean = 0;   // mean absolute difference per channel
};

Difference Compare(const std::vector<plat::Rgba8>& a, const std::vector<plat::Rgba8>& b) {
  Difference d;
  long total = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int dr = std::abs(a[i].r - b[i].r), dg = std::abs(a[i].g - b[i].g), db = std::abs(a[i].b - b[i].b);
    total += dr + dg + db;
    if (std::max({dr, dg, db}) > 40) ++d.far;
  }
  d.mean = static_cast<double>(total) / (3.0 * a.size());
  return d;
}

std::string DriverName(const ::testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"OpenGL", "SdlRenderer", "Software"};
  return kNames[info.param];
}

class EachBackEnd : public RealWindow, public ::testing::WithParamInterface<int> {};

TEST_P(EachBackEnd, ReadsBackWhatTheSoftwareRasteriserDraws) {
  TeeHost* host = UseTeeHost();
  SetGraphicsDriver(GetParam());
  ASSERT_EQ(Graphics(kW, kH, 0, 60, 0), 1) << SDL_GetError();
  ASSERT_NE(host->lastTee, nullptr);
  EXPECT_EQ(GraphicsWidth(), kW);
  DrawScene();
  plat::FlushDrawList();
  auto got = host->lastTee->RealPixels();
  auto want = host->lastTee->ReferencePixels();
  Difference d = Compare(got, want);
  std::printf("%s: %d pixels far off, mean difference %.3f\n", host->lastTee->Name(), d.far, d.mean);
  // Edges and filtered texels may land a pixel apart; a wrong blend, a flip
  // or a missing rotation moves thousands of pixels.
  EXPECT_LT(d.far, kW * kH / 1000) << host->lastTee->Name();
  EXPECT_LT(d.mean, 0.5) << host->lastTee->Name();
  // The scene really is there: the light-blended image is bright, the
  // background keeps the clear colour.
  EXPECT_EQ(got[5 * kW + 315].r, 40);
  EXPECT_EQ(got[5 * kW + 315].b, 80);
  Flip(0);
  EXPECT_EQ(AppTerminate(), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, EachBackEnd,
                         ::testing::Values(kDriverOpenGL, kDriverDirect3D9, kDriverDirectX7), DriverName);

// One texture drawn nearest, then filtered, in the same list: a back end
// that applies sampling when the command is queued rather than when it runs
// draws both the second way.
TEST_P(EachBackEnd, SameTextureSampledBothWaysInOneList) {
  TeeHost* host = UseTeeHost();
  SetGraphicsDriver(GetParam());
  ASSERT_EQ(Graphics(kW, kH, 0, 60, 0), 1);
  std::vector<plat::Rgba8> checker(8 * 8);
  for (int i = 0; i < 64; ++i) checker[i] = ((i % 8 + i / 8) % 2) ? plat::Rgba8{255, 255, 255, 255} : plat::Rgba8{0, 0, 0, 255};
  plat::RenderBackend* backend = plat::CurrentBackend();
  int texture = backend->CreateTexture(8, 8, checker.data());
  plat::DrawList list;
  auto quad = [&](float x, bool filtered) {
    list.commands.push_back({plat::DrawOp::Triangles, texture, kBlendSolid, filtered,
                             static_cast<int>(list.vertices.size()), 6, {}});
    const float cx[6] = {0, 1, 1, 0, 1, 0}, cy[6] = {0, 0, 1, 0, 1, 1};
    for (int k = 0; k < 6; ++k)
      list.vertices.push_back({x + cx[k] * 96, 20 + cy[k] * 96, cx[k], cy[k], {255, 255, 255, 255}});
  };
  quad(10, false);
  quad(150, true);
  backend->Execute(list);
  Difference d = Compare(host->lastTee->RealPixels(), host->lastTee->ReferencePixels());
  EXPECT_LT(d.far, 40) << host->lastTee->Name();
}

// Commands that no back end may draw: a texture destroyed before the list
// runs, vertices past the end of the list, part of a triangle, a blend mode
// that is not one of the five. Every back end refuses them alike.
TEST_P(EachBackEnd, CommandsThatFailTheCheckDrawNothing) {
  TeeHost* host = UseTeeHost();
  SetGraphicsDriver(GetParam());
  ASSERT_EQ(Graphics(kW, kH, 0, 60, 0), 1);
  plat::RenderBackend* backend = plat::CurrentBackend();
  const plat::Rgba8 white[4] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255},
                                {255, 255, 255, 255}};
  const int freed = backend->CreateTexture(2, 2, white);
  backend->DestroyTexture(freed);
  const plat::Rgba8 clear{0, 0, 90, 255};
  plat::DrawList list;
  list.commands.push_back({plat::DrawOp::Clear, 0, kBlendSolid, false, 0, 0, clear});
  const float cx[6] = {0, 1, 1, 0, 1, 0}, cy[6] = {0, 0, 1, 0, 1, 1};
  for (int k = 0; k < 6; ++k) list.vertices.push_back({cx[k] * kW, cy[k] * kH, cx[k], cy[k], white[0]});
  auto triangles = [&](int texture, BlendMode blend, int first, int count) {
    list.commands.push_back({plat::DrawOp::Triangles, texture, blend, false, first, count, {}});
  };
  triangles(freed, kBlendSolid, 0, 6);
  triangles(0, kBlendSolid, 3, 6);
  triangles(0, kBlendSolid, 0, 4);
  triangles(0, static_cast<BlendMode>(9), 0, 6);
  backend->Execute(list);
  int drawn = 0;
  for (const plat::Rgba8& p : host->lastTee->RealPixels()) drawn += p.r != clear.r || p.b != clear.b;
  EXPECT_EQ(drawn, 0) << host->lastTee->Name();
}

TEST_F(RealWindow, SoftwareBackEndPresentsTheRightColoursToTheWindowSurface) {
  // Without a renderer, back end 2 falls back to the window surface.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  plat::SetHost(plat::MakeSdlHost());
  SetGraphicsDriver(kDriverDirectX7);
  ASSERT_EQ(Graphics(64, 48, 0, 60, 0), 1);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, nullptr);
  EXPECT_STREQ(plat::CurrentBackend()->Name(), "Software (window surface)");
  SetClsColor(200, 100, 30);
  Cls();
  Flip(0);
  // The window's own surface, not our buffer: a channel swap would show here.
  SDL_Window* window = nullptr;
  for (Uint32 id = 1; id < 256 && !window; ++id) window = SDL_GetWindowFromID(id);
  ASSERT_NE(window, nullptr);
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  ASSERT_NE(surface, nullptr);
  Uint32 pixel = 0;
  SDL_LockSurface(surface);
  std::memcpy(&pixel, static_cast<uint8_t*>(surface->pixels) + 10 * surface->pitch + 10 * 4, 4);
  SDL_UnlockSurface(surface);
  Uint8 r, g, b;
  SDL_GetRGB(pixel, surface->format, &r, &g, &b);
  EXPECT_EQ(r, 200);
  EXPECT_EQ(g, 100);
  EXPECT_EQ(b, 30);
}

TEST_F(RealWindow, SoftwareWindowShowsEveryFrameOfAChangingScene) {
  // The software back end draws again only what changed, copies it into the
  // window surface when the frame is handed over (before the frame routine
  // sleeps) and shows it at the flip. Drawn after the hand-over, a
  // notification's box reaches the window at the flip too.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  plat::SetHost(plat::MakeSdlHost());
  SetGraphicsDriver(kDriverDirectX7);
  ASSERT_EQ(Graphics(kW, kH, 0, 60, 0), 1);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, nullptr);
  ASSERT_STREQ(plat::CurrentBackend()->Name(), "Software (window surface)");
  SDL_Window* window = nullptr;
  for (Uint32 id = 1; id < 256 && !window; ++id) window = SDL_GetWindowFromID(id);
  ASSERT_NE(window, nullptr);
  for (int frame = 0; frame < 14; ++frame) {
    SCOPED_TRACE(frame);
    SetClsColor(10, 20, 30);
    Cls();
    SetBlend(kBlendAlpha);
    SetAlpha(1);
    SetScale(1, 1);
    SetRotation(-45);
    for (int i = 0; i < 12; ++i) {   // a backdrop whose stripes step a shade now and then
      const int shade = 60 + 12 * i + (frame / 3) * ((i % 4 == 1) ? 1 : 0) + (frame % 5 == 2 && i == 7 ? 9 : 0);
      SetColor(shade, 40, 200 - shade);
      DrawRect(-40, static_cast<float>(24 * i), kW + 300, 24);
    }
    SetRotation(0);
    SetColor(240, 240, 240);
    DrawRect(static_cast<float>(100 + 3 * (frame % 4)), 80, 60, 50);   // a box nudged, or at rest
    FlushDrawing();
    if (frame % 4 == 3) {   // a notification, drawn after the hand-over
      SetColor(250, 200, 0);
      DrawRect(static_cast<float>(8 + frame), 200, 90, 20);
    }
    Flip(0);
    std::vector<plat::Rgba8> drawn(static_cast<size_t>(kW) * kH);
    plat::CurrentBackend()->ReadPixels(0, 0, kW, kH, drawn.data());
    const std::vector<uint8_t> shown = WindowOnScreen(window, kW, kH);
    ASSERT_EQ(shown.size(), drawn.size() * 3);
    int wrong = 0;
    for (size_t i = 0; i < drawn.size(); ++i)
      wrong += shown[3 * i] != drawn[i].r || shown[3 * i + 1] != drawn[i].g || shown[3 * i + 2] != drawn[i].b;
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(RealWindow, ReopeningAndSwitchingBackEndsKeepsImagesDrawable) {
  plat::SetHost(plat::MakeSdlHost());
  int drivers[] = {kDriverOpenGL, kDriverDirect3D9, kDriverDirectX7, kDriverOpenGL};
  for (int driver : drivers) {
    SetGraphicsDriver(driver);
    ASSERT_EQ(Graphics(96, 64, 0, 60, 0), 1) << "driver " << driver;
    SetClsColor(0, 0, 0);
    Cls();
    SetBlend(kBlendSolid);
    SetColor(10, 220, 30);
    DrawRect(0, 0, 8, 8);
    Flip(0);
  }
  // The display closed before the host: nothing may touch a dead window.
  EndGraphics();
  EXPECT_EQ(GraphicsOpenNow(), 0);
}

TEST_F(RealWindow, ListsTheDisplayModesAndOpensFullScreenInOne) {
  plat::SetHost(plat::MakeSdlHost());
  int count = CountGraphicsModes();
  ASSERT_GT(count, 0);
  int w = 0, h = 0, depth = 0, hertz = 0;
  ASSERT_EQ(GetGraphicsMode(0, w, h, depth, hertz), 1);
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  EXPECT_GE(depth, 16);  // bits per pixel from the mode's pixel format
  EXPECT_EQ(GraphicsModeExists(w, h, depth, 0), 1);
  for (int driver : {kDriverOpenGL, kDriverDirectX7}) {
    SetGraphicsDriver(driver);
    ASSERT_EQ(Graphics(w, h, depth, hertz, 0), 1) << "driver " << driver;
    EXPECT_EQ(GraphicsWidth(), w);
    SetClsColor(0, 0, 255);
    Cls();
    plat::FlushDrawList();
    plat::Rgba8 corner{};
    plat::CurrentBackend()->ReadPixels(w - 1, h - 1, 1, 1, &corner);
    EXPECT_EQ(corner.b, 255);
    EXPECT_EQ(corner.r, 0);
    Flip(0);
    EndGraphics();
  }
}

// ---------------------------------------------------------------- events
class SdlEvents : public RealWindow {
 protected:
  void SetUp() override {
    RealWindow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    plat::SetHost(plat::MakeSdlHost());
    SetGraphicsDriver(kDriverDirectX7);
    ASSERT_EQ(Graphics(640, 480, 0, 60, 0), 1);
    SetVirtualResolution(1280, 960);
    PollSystem();  // drain what the new window announced
    FlushKeys();
    FlushMouse();
  }
  static void Key(SDL_Scancode sc, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = sc;
    SDL_PushEvent(&e);
  }
  static void Button(int sdlButton, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = static_cast<Uint8>(sdlButton);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
  }
};

TEST_F(SdlEvents, KeysCountFreshPressesAndControlKeysReachTheTypedQueue) {
  Key(SDL_SCANCODE_A, true);
  Key(SDL_SCANCODE_A, true, true);  // auto-repeat
  PollSystem();
  EXPECT_EQ(KeyDown(65), 1);
  EXPECT_EQ(KeyHit(65), 1);
  Key(SDL_SCANCODE_A, false);
  Key(SDL_SCANCODE_BACKSPACE, true);
  Key(SDL_SCANCODE_BACKSPACE, true, true);
  Key(SDL_SCANCODE_KP_ENTER, true);
  PollSystem();
  EXPECT_EQ(KeyDown(65), 0);
  // Held Backspace repeats in text entry, as any held key does.
  EXPECT_EQ(GetChar(), 8);
  EXPECT_EQ(GetChar(), 8);
  EXPECT_EQ(GetChar(), 13);
  EXPECT_EQ(GetChar(), 0);
}

TEST_F(SdlEvents, TypedTextArrivesAsLatin1Codes) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strcpy(e.text.text, "n\xC3\xA9\xE2\x82\xAC");  // n é €
  SDL_PushEvent(&e);
  PollSystem();
  EXPECT_EQ(GetChar(), 'n');
  EXPECT_EQ(GetChar(), 233);
  EXPECT_EQ(GetChar(), 0);
}

TEST_F(SdlEvents, RightAndMiddleButtonsSwapNumbersAndThePointerScales) {
  Button(SDL_BUTTON_RIGHT, true, 320, 240);
  Button(SDL_BUTTON_MIDDLE, true, 320, 240);
  PollSystem();
  EXPECT_EQ(MouseDown(2), 1);
  EXPECT_EQ(MouseDown(3), 1);
  EXPECT_EQ(MouseDown(1), 0);
  EXPECT_EQ(MouseHit(2), 1);
  // A 640x480 window under a 1280x960 logical screen reads doubled.
  EXPECT_FLOAT_EQ(VirtualMouseX(), 640.0f);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 480.0f);
  Button(SDL_BUTTON_RIGHT, false, 320, 240);
  PollSystem();
  EXPECT_EQ(MouseDown(2), 0);
}

TEST_F(SdlEvents, CloseRequestIsReportedOnce) {
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  PollSystem();
  EXPECT_EQ(AppTerminate(), 1);
  EXPECT_EQ(AppTerminate(), 0);
}

// What the program reads after the same hand on either host: Backspace,
// Tab, Return and Escape pressed, a letter typed, the middle button held.
struct InputSeen {
  std::vector<int> chars;
  int keys[4] = {};     // key codes 0..3 (1..3 are the mouse buttons)
  int buttons[4] = {};
  int capture = 0;
  bool operator==(const InputSeen& o) const {
    return chars == o.chars && std::equal(keys, keys + 4, o.keys) &&
           std::equal(buttons, buttons + 4, o.buttons) && capture == o.capture;
  }
};

InputSeen ReadInput() {
  InputSeen seen;
  for (int c = GetChar(); c != 0; c = GetChar()) seen.chars.push_back(c);
  for (int k = 0; k < 4; ++k) seen.keys[k] = KeyDown(k);
  for (int b = 1; b < 4; ++b) seen.buttons[b] = MouseDown(b);
  // Mouse buttons are the lowest codes, so a held one is caught first.
  for (int code = 1; code <= 255; ++code)
    if (KeyDown(code)) {
      seen.capture = code;
      break;
    }
  return seen;
}

std::string Describe(const InputSeen& s) {
  std::string out = "chars";
  for (int c : s.chars) out += " " + std::to_string(c);
  out += ", keys 1..3:";
  for (int k = 1; k < 4; ++k) out += " " + std::to_string(s.keys[k]);
  out += ", first held code " + std::to_string(s.capture);
  return out;
}

TEST_F(SdlEvents, BothHostsGiveTheProgramTheSameInput) {
  const SDL_Scancode controls[] = {SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_TAB, SDL_SCANCODE_RETURN,
                                   SDL_SCANCODE_ESCAPE};
  for (SDL_Scancode sc : controls) {
    Key(sc, true);
    Key(sc, false);
  }
  Key(SDL_SCANCODE_Q, true);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  std::strcpy(text.text.text, "q");
  SDL_PushEvent(&text);
  Key(SDL_SCANCODE_Q, false);
  Button(SDL_BUTTON_MIDDLE, true, 10, 10);
  PollSystem();
  const InputSeen sdl = ReadInput();

  testhost::Start("");
  for (int vk : {8, 9, 13, 27}) {
    testhost::PushKey(vk, true);
    testhost::PushKey(vk, false);
  }
  testhost::PushKey('Q', true);
  testhost::PushText("q");
  testhost::PushKey('Q', false);
  testhost::PushMouseButton(3, true);
  PollSystem();
  const InputSeen headless = ReadInput();

  EXPECT_EQ(Describe(sdl), "chars 8 9 13 27 113, keys 1..3: 0 0 1, first held code 3");
  EXPECT_TRUE(sdl == headless) << "SDL: " << Describe(sdl) << "\nheadless: " << Describe(headless);
}

// A pad plugged in before the program starts is there for the start-up scan,
// which runs before the host has pumped a single event.
TEST_F(RealWindow, PadsPluggedInBeforeStartAreListedBeforeAnyEventIsPumped) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 12, 1);
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* stick = SDL_JoystickOpen(index);  // a reference for setting values
  ASSERT_NE(stick, nullptr);
  SDL_JoystickSetVirtualAxis(stick, 0, 32767);     // a stick resting off centre
  const std::string name = SDL_JoystickName(stick);

  plat::SetHost(plat::MakeSdlHost());
  EXPECT_EQ(JoyCount(), 1);
  EXPECT_EQ(JoyName(0), name);
  EXPECT_EQ(JoyButtonCaps(0), 0xFFF);
  EXPECT_FLOAT_EQ(JoyX(0), 1.0f);
  EXPECT_FLOAT_EQ(JoyHat(0), -1.0f);

  // Its own device-added event, pumped now, does not list it twice; a pad
  // plugged in while the program runs takes the next port.
  int second = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
  ASSERT_GE(second, 0) << SDL_GetError();
  PollSystem();
  EXPECT_EQ(JoyCount(), 2);
  EXPECT_EQ(JoyButtonCaps(1), 0xF);
  EXPECT_FLOAT_EQ(JoyX(0), 1.0f);

  SDL_JoystickClose(stick);
  SDL_JoystickDetachVirtual(second);
  SDL_JoystickDetachVirtual(index);
  PollSystem();
  EXPECT_EQ(JoyCount(), 0);
  plat::SetHost(nullptr);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

TEST_F(SdlEvents, VirtualPadReadsAxesHatButtonsAndSurvivesUnplugging) {
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 12, 1);
  ASSERT_GE(index, 0) << SDL_GetError();
  PollSystem();
  ASSERT_EQ(JoyCount(), 1);
  EXPECT_EQ(JoyButtonCaps(0), 0xFFF);
  SDL_Joystick* stick = SDL_JoystickOpen(index);  // a second reference, for setting values
  ASSERT_NE(stick, nullptr);
  SDL_JoystickSetVirtualAxis(stick, 0, 32767);
  SDL_JoystickSetVirtualAxis(stick, 1, -32768);
  SDL_JoystickSetVirtualAxis(stick, 5, 16384);
  SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_RIGHTDOWN);
  SDL_JoystickSetVirtualButton(stick, 3, SDL_PRESSED);
  PollSystem();
  EXPECT_FLOAT_EQ(JoyX(0), 1.0f);
  EXPECT_FLOAT_EQ(JoyY(0), -1.0f);
  EXPECT_NEAR(JoyV(0), 0.5f, 1e-3);
  EXPECT_FLOAT_EQ(JoyHat(0), 0.375f);
  EXPECT_EQ(JoyDown(3, 0), 1);
  EXPECT_EQ(JoyDown(2, 0), 0);

  SDL_JoystickClose(stick);
  SDL_JoystickDetachVirtual(index);
  PollSystem();
  EXPECT_EQ(JoyCount(), 0);
  EXPECT_EQ(JoyDown(3, 0), 0);
  EXPECT_FLOAT_EQ(JoyX(0), 0.0f);
  EXPECT_FLOAT_EQ(JoyHat(0), -1.0f);
}

// A press let go within one pump reads as down for the frame after it, once:
// keys, mouse buttons, and a pad's buttons in both its views (the raw button
// and the layout's), whose state alone would never show it.
TEST_F(SdlEvents, APressLetGoWithinOnePumpReadsDownOnce) {
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 12, 1);
  ASSERT_GE(index, 0) << SDL_GetError();
  PollSystem();
  ASSERT_EQ(JoyCount(), 1);
  const SDL_JoystickID pad = SDL_JoystickGetDeviceInstanceID(index);
  struct Case {
    const char* name;
    std::function<void(bool)> push;
    std::function<int()> read;
  };
  const Case cases[] = {
      {"key", [](bool down) { Key(SDL_SCANCODE_RETURN, down); }, [] { return KeyDown(kKeyReturn); }},
      {"button", [](bool down) { Button(SDL_BUTTON_LEFT, down, 5, 5); }, [] { return MouseDown(1); }},
      {"button as a key code", [](bool down) { Button(SDL_BUTTON_LEFT, down, 5, 5); }, [] { return KeyDown(1); }},
      {"pad button",
       [pad](bool down) {
         SDL_Event e{};
         e.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
         e.jbutton.which = pad;
         e.jbutton.button = 2;
         e.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
         SDL_PushEvent(&e);
       },
       [] { return JoyDown(2, 0); }},
      {"pad layout button",
       [pad](bool down) {
         SDL_Event e{};
         e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
         e.cbutton.which = pad;
         e.cbutton.button = SDL_CONTROLLER_BUTTON_A;
         e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
         SDL_PushEvent(&e);
       },
       [] { return JoyControllerDown(kControllerA, 0); }},
  };
  for (const Case& c : cases) {
    c.push(true);
    c.push(false);
    PollSystem();
    EXPECT_EQ(c.read(), 1) << c.name << ": the next frame sees it";
    EXPECT_EQ(c.read(), 1) << c.name << ": every reader of that frame";
    PollSystem();
    EXPECT_EQ(c.read(), 0) << c.name << ": once read, gone at the next pump";
  }
  // Unread, a press goes once two frames have been presented since.
  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_SPACE, false);
  PollSystem();
  Flip(0);
  EXPECT_EQ(KeyDown(kKeySpace), 1) << "one frame later";
  Key(SDL_SCANCODE_ESCAPE, true);
  Key(SDL_SCANCODE_ESCAPE, false);
  PollSystem();
  Flip(0);
  Flip(0);
  EXPECT_EQ(KeyDown(kKeyEscape), 0) << "two frames later, nobody asked";
  SDL_JoystickDetachVirtual(index);
  PollSystem();
}

// SDL keeps its own layout for its virtual pads, so the file's layouts are
// checked in SDL's table; a plain joystick reads raw only.
TEST_F(SdlEvents, MappingFilesAddLayoutsAndPlainJoysticksReadRaw) {
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  PollSystem();
  SDL_Joystick* stick = SDL_JoystickOpen(index);
  ASSERT_NE(stick, nullptr);
  EXPECT_EQ(JoyIsController(0), 0);
  SDL_JoystickSetVirtualButton(stick, 3, SDL_PRESSED);
  PollSystem();
  EXPECT_EQ(JoyDown(3, 0), 1);
  EXPECT_EQ(JoyControllerDown(kControllerB, 0), 0);
  SDL_JoystickClose(stick);
  SDL_JoystickDetachVirtual(index);
  PollSystem();

  EXPECT_EQ(LoadControllerLayouts("no-such-file.txt"), 0);
  EXPECT_EQ(LoadControllerLayouts(""), 0);
  const char* guid = "05000000d1ce0000c0de000001000000";
  const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/mnemora-layouts-" + std::to_string(::getpid()) + ".txt";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "# a comment line\n%s,Test Pad,a:b1,b:b3,start:b0,leftx:a0,lefty:a1,platform:Linux,\n", guid);
    std::fclose(f);
  }
  EXPECT_EQ(LoadControllerLayouts(path), 1);
  std::remove(path.c_str());
  char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(guid));
  ASSERT_NE(mapping, nullptr);
  EXPECT_NE(std::string(mapping).find("Test Pad,a:b1,b:b3"), std::string::npos) << mapping;
  SDL_free(mapping);
}

}  // namespace
