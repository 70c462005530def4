// The software back end draws again only the tiles whose drawing changed
// since the frame it holds, and tells the window only those. A run of
// frames that change a little at a time (sprites turned, scaled and moved
// across tile edges, textures changed in place, frames drawn in several
// flushes with a read in between, frames without a clear, frames that
// change nothing, a long diagonal stripe of the backdrop under them taking
// a new colour) must give the full redraw's pixels on every frame, and a
// window updated from the changed rectangles alone must show them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "platform/render/render_backend.h"

namespace {

constexpr int kW = 300, kH = 200;   // not whole tiles: the right and bottom ones are cut
constexpr int kTextures = 5;   // the last one opaque
constexpr int kKinds = 7, kFrames = 10 * kKinds;

struct Sprite {
  float x, y, w, h, turn;   // centre, size, radians
  int texture;              // index into the textures, -1 untextured
  BlendMode blend;
  plat::Rgba8 colour;
  bool filtered;
};

void AddSprite(plat::DrawList& list, const Sprite& s, const std::vector<int>& ids) {
  plat::DrawCommand cmd{};
  cmd.op = plat::DrawOp::Triangles;
  cmd.texture = s.texture < 0 ? 0 : ids[static_cast<size_t>(s.texture)];
  cmd.blend = s.blend;
  cmd.filtered = s.filtered && s.texture >= 0;
  cmd.first = static_cast<int>(list.vertices.size());
  cmd.count = 6;
  const float c = std::cos(s.turn), n = std::sin(s.turn);
  const float cx[4] = {-s.w / 2, s.w / 2, s.w / 2, -s.w / 2}, cy[4] = {-s.h / 2, -s.h / 2, s.h / 2, s.h / 2};
  const float cu[4] = {0, 1, 1, 0}, cv[4] = {0, 0, 1, 1};
  plat::DrawVertex v[4];
  for (int k = 0; k < 4; ++k)
    v[k] = plat::DrawVertex{s.x + cx[k] * c - cy[k] * n, s.y + cx[k] * n + cy[k] * c, cu[k], cv[k], s.colour};
  for (int k : {0, 1, 2, 0, 2, 3}) list.vertices.push_back(v[k]);
  list.commands.push_back(cmd);
}

std::vector<plat::Rgba8> Noise(std::mt19937& rng, int count) {
  std::vector<plat::Rgba8> px(static_cast<size_t>(count));
  for (plat::Rgba8& p : px) {
    const uint32_t r = rng();
    p = plat::Rgba8{static_cast<uint8_t>(r), static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r >> 16),
                    static_cast<uint8_t>(rng() % 3 == 0 ? 255 : r >> 24)};
  }
  return px;
}

struct Played {
  std::vector<std::vector<plat::Rgba8>> frames;   // the back buffer at each present
  std::vector<std::vector<plat::Rgba8>> windows;  // the window, from the changed rectangles
  std::vector<uint64_t> spans;                    // spans painted for each frame
  std::vector<size_t> rects;                      // changed rectangles at each present
};

std::vector<plat::Rgba8> ReadAll(plat::RenderBackend& be) {
  std::vector<plat::Rgba8> px(static_cast<size_t>(kW) * kH);
  be.ReadPixels(0, 0, kW, kH, px.data());
  return px;
}

// The same frames, drawn whole or only where they changed.
Played Play(bool full, bool lazy) {
  plat::SetSoftwareFullRedraw(full);
  plat::SetEagerHeadlessRaster(!lazy);
  auto be = lazy ? plat::MakeHeadlessBackBuffer(kW, kH) : plat::MakeSoftwareBackend(kW, kH);
  std::mt19937 rng(33);
  std::vector<int> ids;
  const int sizes[kTextures][2] = {{16, 16}, {7, 13}, {64, 40}, {1, 1}, {32, 32}};
  for (const auto& size : sizes) {
    std::vector<plat::Rgba8> px = Noise(rng, size[0] * size[1]);
    if (ids.size() == kTextures - 1)
      for (plat::Rgba8& p : px) p.a = 255;
    ids.push_back(be->CreateTexture(size[0], size[1], px.data()));
  }
  std::uniform_real_distribution<float> unit(0, 1);
  auto randomSprite = [&] {
    Sprite s;
    s.x = unit(rng) * (kW + 60) - 30;
    s.y = unit(rng) * (kH + 60) - 30;
    s.w = 4 + unit(rng) * 40;
    s.h = 4 + unit(rng) * 30;
    s.turn = rng() % 3 == 0 ? 0.0f : unit(rng) * 6.3f;
    s.texture = static_cast<int>(rng() % (kTextures + 1)) - 1;
    s.blend = static_cast<BlendMode>(kBlendMask + static_cast<int>(rng() % 5));
    s.colour = plat::Rgba8{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                           static_cast<uint8_t>(rng() % 4 == 0 ? 255 : rng())};
    s.filtered = rng() % 2 == 0;
    return s;
  };
  // The backdrop: long stripes across the whole screen, as the round's
  // drifting one, each crossing many tiles but covering little of each;
  // then an opaque table over part of it, which hides the stripes' changes
  // (until a change in place makes its texture translucent).
  constexpr size_t kStripes = 14, kBackdrop = kStripes + 1;
  std::vector<Sprite> scene(40 + kBackdrop);
  for (size_t i = 0; i < kStripes; ++i) {
    const uint8_t shade = static_cast<uint8_t>(40 + 9 * i);
    scene[i] = Sprite{-60.0f + 30.0f * i, 100, 700, 22, -0.785f, -1, kBlendAlpha,
                      plat::Rgba8{shade, 10, static_cast<uint8_t>(255 - shade), 255}, false};
  }
  // Its edges lie 2 pixels inside tiles.
  scene[kStripes] = Sprite{160, 96, 188, 124, 0, kTextures - 1, kBlendAlpha, plat::Rgba8{255, 255, 255, 255}, true};
  for (size_t i = kBackdrop; i < scene.size(); ++i) scene[i] = randomSprite();
  std::vector<plat::Rgba8> window(static_cast<size_t>(kW) * kH);

  Played run;
  auto someSprite = [&] { return kBackdrop + rng() % (scene.size() - kBackdrop); };
  for (int frame = 0; frame < kFrames; ++frame) {
    // 1 changes nothing; 6 is drawn over the last frame without a clear.
    const int kind = frame % kKinds, cycle = frame / kKinds;
    if (kind == 0 || kind == 4)
      for (int k = 0; k < 2; ++k) scene[someSprite()] = randomSprite();
    if (kind == 0) {   // one gone, one more on top: the others shift in the list
      scene.erase(scene.begin() + static_cast<long>(someSprite()));
      scene.push_back(randomSprite());
    }
    if (kind == 2) {
      scene[someSprite()].x += 0.37f;   // a nudge across a tile's edge, maybe
      // A stripe turned a little: on the same tiles as a whole, on others
      // band by band.
      scene[static_cast<size_t>(cycle) % kStripes].turn += 0.05f;
    }
    if (kind == 5) {   // a backdrop stripe one shade on, and on another frame two of them
      for (int k = 0; k < 1 + cycle % 2; ++k) ++scene[static_cast<size_t>(3 * cycle + 5 * k) % kStripes].colour.r;
    }
    if (kind == 3) {
      // A texture changed in place: wherever it is drawn is drawn again.
      // The table's turns translucent for a while, then opaque again.
      if (cycle == 4 || cycle == 6) {
        std::vector<plat::Rgba8> px = Noise(rng, 32 * 32);
        for (plat::Rgba8& p : px) p.a = cycle == 6 ? 255 : 100;
        be->UpdateTexture(ids[kTextures - 1], 0, 0, 32, 32, px.data());
      } else {
        const int t = static_cast<int>(rng() % (kTextures - 1));
        be->UpdateTexture(ids[static_cast<size_t>(t)], 0, 0, 2, 2, Noise(rng, 4).data());
      }
    }
    const uint64_t spansBefore = plat::SoftwareSpansPainted();
    plat::DrawList list;
    if (kind != 6) {
      plat::DrawCommand clear{};
      clear.op = plat::DrawOp::Clear;
      clear.clear = plat::Rgba8{20, 40, 60, 255};
      list.commands.push_back(clear);
    }
    for (size_t i = 0; i < scene.size(); ++i) {
      AddSprite(list, scene[i], ids);
      // The scene in two flushes with a read between them, as a grab of
      // the back buffer under the overlays does.
      if (kind == 4 && i == scene.size() / 2) {
        be->Execute(list);
        list.Reset();
        (void)ReadAll(*be);
      }
    }
    be->Execute(list);
    be->Present(false);
    std::vector<plat::Rgba8> pixels = ReadAll(*be);
    std::vector<plat::ClipRect> rects;
    EXPECT_TRUE(plat::SoftwareChangedRects(be.get(), rects));
    for (const plat::ClipRect& r : rects) plat::CopyFromArea(r, pixels.data(), kW, window.data(), 0, 0, kW);
    run.frames.push_back(std::move(pixels));
    run.windows.push_back(window);
    run.spans.push_back(plat::SoftwareSpansPainted() - spansBefore);
    run.rects.push_back(rects.size());
  }
  plat::SetSoftwareFullRedraw(false);
  plat::SetEagerHeadlessRaster(false);
  return run;
}

bool Same(const std::vector<plat::Rgba8>& a, const std::vector<plat::Rgba8>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(plat::Rgba8)) == 0;
}

TEST(SoftTiles, EveryFrameIsTheFullRedrawsAndTheWindowGetsAllThatChanged) {
  const Played full = Play(true, false);
  for (bool lazy : {false, true}) {
    SCOPED_TRACE(lazy ? "lazy" : "eager");
    const Played tiles = Play(false, lazy);
    uint64_t fullSpans = 0, tileSpans = 0, fullStripes = 0, tileStripes = 0;
    for (size_t f = 0; f < full.frames.size(); ++f) {
      SCOPED_TRACE(f);
      EXPECT_TRUE(Same(tiles.frames[f], full.frames[f]));
      EXPECT_TRUE(Same(tiles.windows[f], full.frames[f]));
      if (f % kKinds == 2) {   // one sprite nudged
        fullSpans += full.spans[f];
        tileSpans += tiles.spans[f];
      }
      if (f % kKinds == 5) {   // a stripe recoloured
        fullStripes += full.spans[f];
        tileStripes += tiles.spans[f];
      }
      if (f % kKinds == 1) {
        // Nothing changed: nothing drawn, nothing sent.
        EXPECT_EQ(tiles.spans[f], 0u);
        EXPECT_EQ(tiles.rects[f], 0u);
      }
    }
    // Drawing only what changed is the point: a recoloured stripe is drawn
    // again along its own pixels, not over every tile it crosses.
    EXPECT_LT(tileSpans, fullSpans / 4);
    EXPECT_LT(tileStripes, fullStripes * 3 / 8) << tileStripes << " of " << fullStripes;
  }
}

}  // namespace
