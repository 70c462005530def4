// The software rasteriser's ways of getting to the same picture: the span
// loops for each instruction set, and the headless back buffer that keeps
// the drawing and rasterises it only when pixels are read. Every way must
// give the same bytes.
#include <cmath>
#include <cstring>
#include <random>

#include "draw_fixture.h"
#include "platform/internal.h"
#include "platform/render/render_backend.h"

using drawtest::DrawTest;

namespace {

// A texture with every kind of alpha: opaque, clear, and in between.
std::vector<uint32_t> NoisyPixels(int w, int h, std::mt19937& rng) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (uint32_t& p : px) {
    uint32_t a = rng() % 4 == 0 ? 255 : rng() % 4 == 0 ? 0 : rng() % 256;
    p = (a << 24) | (rng() & 0xFFFFFF);
  }
  return px;
}

class RasterPathsTest : public DrawTest {
 protected:
  void SetUp() override { Open(160, 120); }
  void TearDown() override {
    plat::SelectSoftwareSpans(best_);
    DrawTest::TearDown();
  }

  // Images of awkward sizes, smooth and not.
  void MakeImages() {
    std::mt19937 rng(7);
    const int sizes[][2] = {{16, 16}, {7, 13}, {33, 5}, {1, 1}, {64, 40}};
    for (int i = 0; i < 5; ++i) {
      std::string path = drawtest::TempPath("noise" + std::to_string(i) + ".png");
      ASSERT_TRUE(drawtest::WritePng(path, sizes[i][0], sizes[i][1], NoisyPixels(sizes[i][0], sizes[i][1], rng)));
      images_.push_back(LoadImage(path, i % 2 == 0 ? kImageFiltered : 0));
      ASSERT_NE(images_.back(), 0);
    }
  }

  // Many primitives of every kind over one another: each blend, tint and
  // sampling, turned, scaled, mirrored, at fractional and clipped positions.
  testhost::Frame DrawScene() {
    std::mt19937 rng(253);
    std::uniform_real_distribution<float> pos(-40, 200), unit(0, 1);
    SetClsColor(30, 60, 90);
    Cls();
    for (int i = 0; i < 600; ++i) {
      SetBlend(kBlendMask + static_cast<int>(rng() % 5));
      switch (rng() % 3) {
        case 0: SetColor(255, 255, 255); break;
        case 1: SetColor(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256), static_cast<int>(rng() % 256)); break;
        default: SetColor(255, 255, 255); break;
      }
      SetAlpha(rng() % 3 == 0 ? 1.0f : unit(rng));
      const float turns[] = {0, 90, 180, 270, 0, 0};
      SetRotation(rng() % 2 ? turns[rng() % 6] : unit(rng) * 360);
      const float scales[] = {1, 1, 2, 0.5f, -1, 1.37f, 3.1f};
      SetScale(scales[rng() % 7], scales[rng() % 7]);
      float x = pos(rng), y = pos(rng);
      if (rng() % 2) {
        x = std::floor(x);
        y = std::floor(y);
      }
      switch (rng() % 6) {
        case 0: DrawRect(x, y, unit(rng) * 90, unit(rng) * 60); break;
        case 1: DrawLine(x, y, pos(rng), pos(rng)); break;
        default: DrawImage(images_[rng() % images_.size()], x, y); break;
      }
    }
    return testhost::BackBuffer();
  }

  std::vector<int> images_;
  int best_ = plat::SoftwareSpans();
};

TEST_F(RasterPathsTest, EverySpanLoopDrawsTheSameBytes) {
  MakeImages();
  ASSERT_TRUE(plat::SelectSoftwareSpans(plat::kSpansScalar));
  testhost::Frame reference = DrawScene();
  // The scene is busy: most pixels differ from the clear colour.
  int changed = 0;
  for (int y = 0; y < reference.height; ++y)
    for (int x = 0; x < reference.width; ++x) changed += reference.Pixel(x, y) != 0x1E3C5A;
  EXPECT_GT(changed, reference.width * reference.height / 2);
  int compared = 0;
  for (int spans : {plat::kSpansSse2, plat::kSpansAvx2}) {
    if (!plat::SelectSoftwareSpans(spans)) continue;  // this CPU lacks them
    testhost::Frame frame = DrawScene();
    ASSERT_EQ(frame.rgba.size(), reference.rgba.size());
    size_t first = 0;
    while (first < frame.rgba.size() && frame.rgba[first] == reference.rgba[first]) ++first;
    EXPECT_EQ(first, frame.rgba.size()) << "span loops " << spans << " differ first at pixel ("
                                        << first / 4 % frame.width << ", " << first / 4 / frame.width << ")";
    ++compared;
  }
  std::printf("span loops compared with the portable ones: %d\n", compared);
#if defined(__x86_64__)
  // Every x86-64 CPU has SSE2: a comparison that compared nothing means the
  // vector loops were not built or not selectable, and proves nothing.
  EXPECT_GE(compared, 1);
#endif
}

// ---------------------------------------------------------------- the kept drawing
// The back end on its own, fed draw lists by hand.
struct Quad {
  float x0, y0, x1, y1;
  int texture;
  BlendMode blend;
  plat::Rgba8 colour;
};

void AddQuad(plat::DrawList& list, const Quad& q) {
  plat::DrawCommand cmd{};
  cmd.op = plat::DrawOp::Triangles;
  cmd.texture = q.texture;
  cmd.blend = q.blend;
  cmd.first = static_cast<int>(list.vertices.size());
  cmd.count = 6;
  const plat::DrawVertex v[4] = {{q.x0, q.y0, 0, 0, q.colour},
                                 {q.x1, q.y0, 1, 0, q.colour},
                                 {q.x1, q.y1, 1, 1, q.colour},
                                 {q.x0, q.y1, 0, 1, q.colour}};
  for (int k : {0, 1, 2, 0, 2, 3}) list.vertices.push_back(v[k]);
  list.commands.push_back(cmd);
}

void AddClear(plat::DrawList& list, plat::Rgba8 colour) {
  plat::DrawCommand cmd{};
  cmd.op = plat::DrawOp::Clear;
  cmd.clear = colour;
  list.commands.push_back(cmd);
}

std::vector<plat::Rgba8> Read(plat::RenderBackend& be) {
  std::vector<plat::Rgba8> px(static_cast<size_t>(be.Width()) * be.Height());
  be.ReadPixels(0, 0, be.Width(), be.Height(), px.data());
  return px;
}

bool Same(const std::vector<plat::Rgba8>& a, const std::vector<plat::Rgba8>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(plat::Rgba8)) == 0;
}

// The same calls on an eager back end and on the lazy headless one; the
// pixels read at the end (and in between) must match.
class KeptDrawingTest : public testing::Test {
 protected:
  void SetUp() override {
    plat::SetEagerHeadlessRaster(false);
    eager_ = plat::MakeSoftwareBackend(64, 48);
    lazy_ = plat::MakeHeadlessBackBuffer(64, 48);
  }
  // f(back end, index): index 0 eager, 1 lazy (texture ids may differ).
  template <class F>
  void Both(F f) {
    f(*eager_, 0);
    f(*lazy_, 1);
  }
  void ExpectSame() { EXPECT_TRUE(Same(Read(*eager_), Read(*lazy_))); }

  std::unique_ptr<plat::RenderBackend> eager_, lazy_;
};

const plat::Rgba8 kRed[4] = {{255, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}};
const plat::Rgba8 kGreen[4] = {{0, 255, 0, 200}, {0, 255, 0, 200}, {0, 255, 0, 200}, {0, 255, 0, 200}};
const plat::Rgba8 kWhite{255, 255, 255, 255};

TEST_F(KeptDrawingTest, ATextureFreedOrChangedAfterDrawingStillShowsWhatWasDrawn) {
  Both([&](plat::RenderBackend& be, int) {
    int red = be.CreateTexture(2, 2, kRed);
    plat::DrawList list;
    AddClear(list, plat::Rgba8{10, 20, 30, 255});
    AddQuad(list, {4, 4, 30, 30, red, kBlendAlpha, kWhite});
    be.Execute(list);
    // Freed while drawing that uses it is still kept; a new texture may take its slot.
    be.DestroyTexture(red);
    int green = be.CreateTexture(2, 2, kGreen);
    list.Reset();
    AddQuad(list, {20, 10, 60, 40, green, kBlendAlpha, plat::Rgba8{255, 255, 255, 128}});
    be.Execute(list);
    // Changed after drawing: the drawing keeps the old pixels.
    be.UpdateTexture(green, 0, 0, 2, 2, kRed);
    list.Reset();
    AddQuad(list, {0, 30, 20, 48, green, kBlendSolid, kWhite});
    AddQuad(list, {50, 0, 64, 8, 999, kBlendSolid, kWhite});  // a texture that never was draws nothing
    be.Execute(list);
  });
  ExpectSame();
  std::vector<plat::Rgba8> px = Read(*lazy_);
  EXPECT_EQ(px[10 * 64 + 10].r, 255);   // the freed red texture's quad
  EXPECT_EQ(px[20 * 64 + 40].g, 112);   // green, alpha 200 at half opacity, over the clear colour
  EXPECT_EQ(px[40 * 64 + 5].r, 255);    // the changed texture, drawn after the change
  EXPECT_EQ(px[4 * 64 + 60].b, 30);     // untouched by the unknown texture
}

TEST_F(KeptDrawingTest, FramesWithoutAClearBuildOnEachOtherAndReadsInBetweenAgree) {
  int tex[2] = {};
  for (int frame = 0; frame < 6; ++frame) {
    Both([&](plat::RenderBackend& be, int k) {
      if (frame == 0) tex[k] = be.CreateTexture(2, 2, kGreen);
      plat::DrawList list;
      if (frame % 3 == 0) AddClear(list, plat::Rgba8{0, 0, 40, 255});
      AddQuad(list, {frame * 5.0f, frame * 3.5f, frame * 5.0f + 30, frame * 3.5f + 20, tex[k],
                     static_cast<BlendMode>(kBlendMask + frame % 5), plat::Rgba8{200, 100, 50, 180}});
      AddQuad(list, {0, 0, 64, 48, 0, kBlendAlpha, plat::Rgba8{50, 50, 50, 0}});  // invisible
      be.Execute(list);
      be.Present(false);
    });
    if (frame % 2) ExpectSame();
  }
  ExpectSame();
}

TEST_F(KeptDrawingTest, DrawingThatNeverClearsIsRasterisedInBoundedMemory) {
  // Far more vertices than the record keeps: still the same picture.
  Both([&](plat::RenderBackend& be, int) {
    for (int round = 0; round < 12; ++round) {
      plat::DrawList list;
      for (int i = 0; i < 20000; ++i) {
        float x = static_cast<float>((i * 7 + round) % 60), y = static_cast<float>((i * 13) % 44);
        AddQuad(list, {x, y, x + 3, y + 3, 0, kBlendLight, plat::Rgba8{1, 2, 3, 255}});
      }
      be.Execute(list);
    }
  });
  ExpectSame();
}

}  // namespace
