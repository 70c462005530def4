// The engine test's load against a visible one: 20 000 turned sprites drawn
// as the engine test draws them (opacity 0, at full cost) and the same
// sprites at opacity 0.004 (one step of 255, the faintest visible), on each
// render back end in one run, in a 1280x960 window. A load that measures the
// machine must cost what the visible one costs: the ratio should stay within
// 10 %. For comparison, opacity 0 drawn the ordinary way, which a back end
// may skip.
//
// Runs on a private Xvfb when one is installed, otherwise on $DISPLAY. Each
// figure is the median of several blocks of unpaced frames, the three loads
// taking turns so that a busy moment of a shared machine hits them alike.
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"
#include "platform/host/host.h"
#include "platform/render/render_backend.h"
#include "bench/bench_display.h"

namespace {

constexpr int kWidth = 1280, kHeight = 960;
constexpr int kSprites = 20000;
constexpr int kBlocks = 7, kFramesPerBlock = 6;

using Clock = std::chrono::steady_clock;

struct Sprite {
  float x, y, angle;
};
std::vector<Sprite> g_sprites;

// A 16x16 disc with soft edges and transparent corners, like the icons.
int MakeSpriteImage() {
  std::vector<plat::Rgba8> px(16 * 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      float d = std::hypot(x - 7.5f, y - 7.5f);
      int a = d < 6 ? 255 : d < 8 ? static_cast<int>((8 - d) * 127) : 0;
      px[y * 16 + x] = plat::Rgba8{200, static_cast<uint8_t>(100 + 8 * y), 80, static_cast<uint8_t>(a)};
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 16;
  image.height = 16;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, px.data(), 0, nullptr);
  std::vector<uint8_t> png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, px.data(), 0, nullptr)) return 0;
  return plat::LoadImageFromMemory(png.data(), size, 0, 0, 0, 1, 0);
}

enum Load { kEngineLoad, kFaintLoad, kSkippableLoad, kLoads };
const char* const kLoadNames[kLoads] = {"alpha 0, full cost", "alpha 0.004", "alpha 0, ordinary"};

// One frame of the load, waited for: ms.
double Frame(int image, Load load, int frame) {
  Clock::time_point t = Clock::now();
  Cls();
  SetBlend(kBlendAlpha);
  SetColor(0, 0, 0);
  SetAlpha(load == kFaintLoad ? 0.004f : 0.0f);
  SetScale(2, 2);
  SetFullCostInvisible(load == kEngineLoad);
  for (int i = 0; i < kSprites; ++i) {
    const Sprite& s = g_sprites[i];
    SetRotation(s.angle + frame);
    DrawImage(image, s.x, s.y);
  }
  SetFullCostInvisible(false);
  // Reading a pixel back waits until the back end has drawn everything.
  plat::FlushDrawList();
  plat::Rgba8 pixel{};
  plat::CurrentBackend()->ReadPixels(kWidth / 2, kHeight / 2, 1, 1, &pixel);
  Flip(0);
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void RunBackEnd(int driver, const char* slot) {
  SetGraphicsDriver(driver);
  if (!Graphics(kWidth, kHeight, 0, 60, 0)) {
    std::printf("%-20s unavailable\n", slot);
    return;
  }
  const std::string name = plat::CurrentBackend()->Name();
  AutoMidHandle(1);
  int image = MakeSpriteImage();
  std::vector<double> ms[kLoads];
  for (int load = 0; load < kLoads; ++load) Frame(image, static_cast<Load>(load), 0);   // warm-up
  int frame = 0;
  for (int block = 0; block < kBlocks; ++block) {
    for (int load = 0; load < kLoads; ++load) {
      double total = 0;
      for (int f = 0; f < kFramesPerBlock; ++f) total += Frame(image, static_cast<Load>(load), ++frame);
      ms[load].push_back(total / kFramesPerBlock);
    }
  }
  const double engine = Median(ms[kEngineLoad]), faint = Median(ms[kFaintLoad]),
               skippable = Median(ms[kSkippableLoad]);
  std::printf("%-20s %-28s %10.2f %10.2f %10.2f %8.1f %%\n", slot, name.c_str(), engine, faint, skippable,
              100.0 * (engine - faint) / faint);
  std::fflush(stdout);
  FreeImage(image);
  EndGraphics();
}

}  // namespace

int main() {
  XvfbServer server;
  if (!StartBenchDisplay(server)) return 1;
  std::mt19937 rng(253);
  std::uniform_real_distribution<float> rx(0, kWidth), ry(0, kHeight), ra(0, 360);
  g_sprites.resize(kSprites);
  for (Sprite& s : g_sprites) s = Sprite{rx(rng), ry(rng), ra(rng)};

  InitPlatform();
  SetAppTitle("invisible load");
  std::printf("%d sprites a frame, 1280x960 window%s; ms per frame (median of %d blocks of %d)\n", kSprites,
              server.Display().empty() ? "" : (", Xvfb " + server.Display()).c_str(), kBlocks, kFramesPerBlock);
  std::printf("%-20s %-28s %10s %10s %10s %9s\n", "slot", "back end", kLoadNames[0], kLoadNames[1], kLoadNames[2],
              "0 vs .004");
  RunBackEnd(kDriverOpenGL, "0 OpenGL");
  RunBackEnd(kDriverDirect3D9, "1 Direct3D 9 slot");
  RunBackEnd(kDriverDirectX7, "2 DirectX 7 slot");
  // The host's X connection must close before the private server stops.
  plat::SetHost(nullptr);
  return 0;
}
