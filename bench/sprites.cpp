// Sprite throughput: how many rotated 32x32 sprites (a 16x16 image drawn at
// scale 2, alpha-blended, random positions) each render back end draws per
// frame while holding 60 frames a second in a 1280x960 window, side by side
// with SDL's own renderer drawing the same sprites with SDL_RenderCopyEx on
// its OpenGL and software drivers. Also the CPU time to queue one sprite.
//
// Runs on a private Xvfb when one is installed (the figures then measure
// Mesa's software GL), otherwise on $DISPLAY. Each frame queues its sprites,
// hands them to the back end, sleeps to the frame's deadline while the back
// end renders, then presents.
#include <png.h>
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "bench/bench_display.h"

namespace {

constexpr int kWidth = 1280, kHeight = 960;
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr int kTrialFrames = 40;
constexpr int kMaxSprites = 1 << 20;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Sprite {
  float x, y, angle;
};

std::vector<Sprite> g_sprites;

// A soft-edged disc with a cross: real alpha at the rim, so blending matters.
std::vector<plat::Rgba8> SpritePixels() {
  std::vector<plat::Rgba8> px(16 * 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      float d = std::hypot(x - 7.5f, y - 7.5f);
      int a = d < 6 ? 255 : d < 8 ? static_cast<int>((8 - d) * 127) : 0;
      bool cross = x == 7 || x == 8 || y == 7 || y == 8;
      px[y * 16 + x] = plat::Rgba8{static_cast<uint8_t>(cross ? 255 : 60 + x * 12),
                                   static_cast<uint8_t>(cross ? 255 : 200 - y * 8), 180, static_cast<uint8_t>(a)};
    }
  }
  return px;
}

// One frame of n sprites, paced to the deadline; returns false when asked to stop.
using FrameFn = std::function<void(int n, int frame, Clock::time_point deadline)>;

// True when n sprites a frame keep 60 frames a second over one trial.
bool TrialHolds60(const FrameFn& frame, int n) {
  // One warm-up frame so texture uploads and shader compiles are not counted.
  frame(n, 0, Clock::now());
  Clock::time_point start = Clock::now();
  Clock::time_point deadline = start;
  for (int f = 1; f <= kTrialFrames; ++f) {
    deadline += std::chrono::microseconds(static_cast<int64_t>(kFrameMs * 1000));
    frame(n, f, deadline);
  }
  double ms = MsSince(start);
  return ms <= kTrialFrames * kFrameMs * 1.03;
}

// The machine may be shared: one slow trial gets a second chance, so the
// figure is what the renderer can hold, not the worst moment of the run.
bool Holds60(const FrameFn& frame, int n) { return TrialHolds60(frame, n) || TrialHolds60(frame, n); }

// Milliseconds for one frame with nothing but the clear, unpaced.
double EmptyFrameMs(const FrameFn& frame) {
  frame(0, 0, Clock::now());
  Clock::time_point start = Clock::now();
  for (int f = 1; f <= kTrialFrames; ++f) frame(0, f, Clock::now());
  return MsSince(start) / kTrialFrames;
}

// Doubles, then halves the gap, to within about 3 %.
int SpritesAt60(const FrameFn& frame) {
  int good = 0, bad = 0;
  int n = 16;
  while (n <= kMaxSprites) {
    if (!Holds60(frame, n)) {
      bad = n;
      break;
    }
    good = n;
    n *= 2;
  }
  if (!bad) return good;
  while (bad - good > std::max(2, good / 32)) {
    int mid = (good + bad) / 2;
    (Holds60(frame, mid) ? good : bad) = mid;
  }
  return good;
}

// A late frame does not push the next deadline back: deadlines stay on the
// 60 Hz grid, so only sustained overload shows as a slower run.
void SleepUntil(Clock::time_point deadline) { std::this_thread::sleep_until(deadline); }

// ---------------------------------------------------------------- our back ends
struct OurResult {
  std::string name;
  int sprites = 0;
  double emptyMs = 0;
  bool ok = false;
};

int MakeSpriteImage() {
  std::vector<plat::Rgba8> px = SpritePixels();
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 16;
  image.height = 16;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, px.data(), 0, nullptr);
  std::vector<uint8_t> png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, px.data(), 0, nullptr)) return 0;
  return plat::LoadImageFromMemory(png.data(), size, 0, 0, 0, 1, kImageFiltered);
}

OurResult RunOurs(int driver) {
  OurResult r;
  SetGraphicsDriver(driver);
  if (!Graphics(kWidth, kHeight, 0, 60, 0)) return r;
  r.name = plat::CurrentBackend()->Name();
  AutoMidHandle(1);
  int image = MakeSpriteImage();
  SetBlend(kBlendAlpha);
  SetAlpha(0.9f);
  SetScale(2, 2);
  FrameFn frame = [&](int n, int f, Clock::time_point deadline) {
    Cls();
    for (int i = 0; i < n; ++i) {
      const Sprite& s = g_sprites[i];
      SetRotation(s.angle + f);
      DrawImage(image, s.x, s.y);
    }
    plat::FlushDrawList();  // the back end renders while we sleep
    SleepUntil(deadline);
    Flip(0);
  };
  r.emptyMs = EmptyFrameMs(frame);
  r.sprites = SpritesAt60(frame);
  r.ok = true;
  FreeImage(image);
  EndGraphics();
  return r;
}

double SubmitNanoseconds() {
  SetGraphicsDriver(kDriverDirectX7);
  if (!Graphics(kWidth, kHeight, 0, 60, 0)) return 0;
  AutoMidHandle(1);
  int image = MakeSpriteImage();
  SetBlend(kBlendAlpha);
  SetScale(2, 2);
  // Queue in rounds small enough to stay in cache-friendly list sizes; the
  // list is thrown away, not drawn, so only queuing is timed.
  const int kRound = 20000, kRounds = 25;
  DrawImage(image, 0, 0);
  plat::DiscardDrawList();
  double total = 0;
  for (int round = 0; round < kRounds; ++round) {
    Clock::time_point t = Clock::now();
    for (int i = 0; i < kRound; ++i) {
      const Sprite& s = g_sprites[i];
      SetRotation(s.angle);
      DrawImage(image, s.x, s.y);
    }
    total += MsSince(t);
    plat::DiscardDrawList();
  }
  FreeImage(image);
  EndGraphics();
  return total * 1e6 / (static_cast<double>(kRound) * kRounds);
}

// ---------------------------------------------------------------- SDL's own renderer
struct SdlResult {
  std::string name;
  int sprites = 0;
  double emptyMs = 0;
  double submitNs = 0;
  bool ok = false;
};

SdlResult RunSdl(const char* driverName) {
  SdlResult r;
  r.name = std::string("SDL_RenderCopyEx (") + driverName + ")";
  int index = -1;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::string(info.name) == driverName) index = i;
  }
  if (index < 0) return r;
  SDL_Window* window = SDL_CreateWindow("sprites", 0, 0, kWidth, kHeight, SDL_WINDOW_SHOWN);
  if (!window) return r;
  SDL_Renderer* renderer = SDL_CreateRenderer(window, index, 0);
  if (!renderer) {
    SDL_DestroyWindow(window);
    return r;
  }
  std::vector<plat::Rgba8> px = SpritePixels();
  SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, 16, 16);
  SDL_UpdateTexture(texture, nullptr, px.data(), 16 * 4);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  SDL_SetTextureAlphaMod(texture, 230);
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
  auto queue = [&](int n, int f) {
    for (int i = 0; i < n; ++i) {
      const Sprite& s = g_sprites[i];
      SDL_FRect dst{s.x - 16, s.y - 16, 32, 32};
      SDL_RenderCopyExF(renderer, texture, nullptr, &dst, s.angle + f, nullptr, SDL_FLIP_NONE);
    }
  };
  FrameFn frame = [&](int n, int f, Clock::time_point deadline) {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    queue(n, f);
    SDL_RenderFlush(renderer);
    SleepUntil(deadline);
    SDL_RenderPresent(renderer);
    SDL_PumpEvents();
  };
  r.emptyMs = EmptyFrameMs(frame);
  r.sprites = SpritesAt60(frame);
  // Queuing cost: SDL batches the copies until the flush.
  Clock::time_point t = Clock::now();
  queue(20000, 0);
  r.submitNs = MsSince(t) * 1e6 / 20000;
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);
  r.ok = true;
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  return r;
}

}  // namespace

int main() {
  XvfbServer server;
  if (!StartBenchDisplay(server)) return 1;
  std::mt19937 rng(253);
  std::uniform_real_distribution<float> rx(0, kWidth), ry(0, kHeight), ra(0, 360);
  g_sprites.resize(kMaxSprites);
  for (Sprite& s : g_sprites) s = Sprite{rx(rng), ry(rng), ra(rng)};

  InitPlatform();
  SetAppTitle("sprites");
  std::printf("Sprites per frame at 60 fps, 1280x960 window%s\n",
              server.Display().empty() ? "" : (", Xvfb " + server.Display()).c_str());
  std::printf("%-44s %10s %16s %14s\n", "renderer", "sprites", "queue ns/sprite", "empty frame ms");
  std::fflush(stdout);
  double submitNs = SubmitNanoseconds();
  const int drivers[] = {kDriverOpenGL, kDriverDirect3D9, kDriverDirectX7};
  const char* slots[] = {"0 OpenGL", "1 Direct3D 9 slot", "2 DirectX 7 slot"};
  for (int d = 0; d < 3; ++d) {
    OurResult r = RunOurs(drivers[d]);
    std::string label = std::string(slots[d]) + ": " + (r.ok ? r.name : "unavailable");
    std::printf("%-44s %10d %16.1f %14.2f\n", label.c_str(), r.sprites, submitNs, r.emptyMs);
    std::fflush(stdout);
  }
  for (const char* name : {"opengl", "software"}) {
    SdlResult r = RunSdl(name);
    std::printf("%-44s %10d %16.1f %14.2f\n", (r.ok ? r.name : r.name + " unavailable").c_str(), r.sprites,
                r.submitNs, r.emptyMs);
    std::fflush(stdout);
  }
  // The host's X connection must close before the private server stops.
  plat::SetHost(nullptr);
  return 0;
}
