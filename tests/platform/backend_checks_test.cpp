// What the render back ends share: the check a draw command passes before
// it is drawn, the clip of a pixel rectangle against a texture or the back
// buffer (texture updates and read-back), and a new texture's pixels. The
// window tests run the same checks on the OpenGL and SDL back ends.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/internal.h"
#include "platform/render/render_backend.h"

namespace {

using plat::ClipRect;
using plat::Rgba8;

bool Same(Rgba8 a, Rgba8 b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

TEST(BackendChecksTest, ACommandIsDrawnOnlyWithWholeTrianglesInsideTheListAKnownBlendAndAHeldTexture) {
  plat::HandleTable<int> textures;
  const int held = textures.Add(7);
  const int freed = textures.Add(8);
  textures.Remove(freed);
  constexpr size_t kVertices = 12;
  struct Case {
    const char* what;
    int texture, blend, first, count;
    bool drawn;
  };
  const Case cases[] = {
      {"untextured, the whole list", 0, kBlendAlpha, 0, 12, true},
      {"textured, the last triangle", held, kBlendMask, 9, 3, true},
      {"a texture destroyed", freed, kBlendAlpha, 0, 6, false},
      {"a texture never given out", 999, kBlendAlpha, 0, 6, false},
      {"a negative texture id", -held, kBlendAlpha, 0, 6, false},
      {"starting before the list", 0, kBlendAlpha, -3, 6, false},
      {"running past the list", 0, kBlendAlpha, 9, 6, false},
      {"starting at the list's end", 0, kBlendAlpha, 12, 3, false},
      {"reaching past the int range", 0, kBlendAlpha, INT_MAX - 1, 3, false},
      {"no vertices", 0, kBlendAlpha, 0, 0, false},
      {"a negative count", 0, kBlendAlpha, 6, -3, false},
      {"part of a triangle", 0, kBlendAlpha, 0, 4, false},
      {"blend mode 0", 0, 0, 0, 6, false},
      {"blend mode 6", 0, 6, 0, 6, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::DrawCommand cmd{};
    cmd.op = plat::DrawOp::Triangles;
    cmd.texture = c.texture;
    cmd.blend = static_cast<BlendMode>(c.blend);
    cmd.first = c.first;
    cmd.count = c.count;
    int* texture = nullptr;
    EXPECT_EQ(plat::CheckDraw(cmd, kVertices, textures, texture), c.drawn);
    if (c.drawn) {
      EXPECT_EQ(texture, c.texture ? textures.Get(held) : nullptr);
    }
  }
}

TEST(BackendChecksTest, RectanglesAreClippedToTheArea) {
  // The area is 10 x 8.
  struct Case {
    const char* what;
    int x, y, width, height;
    ClipRect want;
  };
  const Case cases[] = {
      {"inside", 2, 3, 4, 5, {2, 3, 6, 8}},
      {"over the left and top edges", -3, -2, 5, 5, {0, 0, 2, 3}},
      {"over the right and bottom edges", 8, 6, 5, 5, {8, 6, 10, 8}},
      {"over every edge", -1, -1, 20, 20, {0, 0, 10, 8}},
      {"touching the right edge from outside", 10, 0, 3, 3, {}},
      {"touching the top edge from outside", 0, -3, 3, 3, {}},
      {"no width", 2, 2, 0, 4, {}},
      {"a negative height", 2, 2, 4, -4, {}},
      {"a far edge past the int range", 5, 5, INT_MAX, INT_MAX, {5, 5, 10, 8}},
      {"from far left to just short of the area", INT_MIN, 1, INT_MAX, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ClipRect got = plat::ClipToArea(c.x, c.y, c.width, c.height, 10, 8);
    EXPECT_EQ(got.x0, c.want.x0);
    EXPECT_EQ(got.y0, c.want.y0);
    EXPECT_EQ(got.x1, c.want.x1);
    EXPECT_EQ(got.y1, c.want.y1);
  }
}

// Read-back and texture updates against the same rectangles, checked pixel
// by pixel: a pixel of the rectangle on the area is copied, one off it is
// black when read and leaves nothing when written.
TEST(BackendChecksTest, ReadBackAndUpdatesMoveExactlyThePixelsOnTheArea) {
  constexpr int kW = 5, kH = 4;
  struct Case {
    const char* what;
    int x, y, width, height;
  };
  const Case cases[] = {
      {"inside", 1, 1, 3, 2},        {"over the top-left corner", -2, -1, 4, 3},
      {"over the bottom-right corner", 3, 2, 4, 4}, {"larger than the area", -1, -2, 8, 9},
      {"off to the right", 5, 0, 2, 2}, {"a single pixel at the far corner", 4, 3, 1, 1},
  };
  auto pixel = [](int i, uint8_t tag) { return Rgba8{static_cast<uint8_t>(i), tag, 7, 200}; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Rgba8> area(kW * kH), rect(static_cast<size_t>(c.width) * c.height);
    for (int i = 0; i < kW * kH; ++i) area[i] = pixel(i, 1);
    for (size_t i = 0; i < rect.size(); ++i) rect[i] = pixel(static_cast<int>(i), 2);

    std::vector<Rgba8> read(rect.size(), Rgba8{9, 9, 9, 9});
    plat::CopyFromArea(plat::StartReadBack(c.x, c.y, c.width, c.height, read.data(), kW, kH), area.data(),
                       kW, read.data(), c.x, c.y, c.width);
    std::vector<Rgba8> written = area;
    plat::CopyIntoArea(plat::ClipToArea(c.x, c.y, c.width, c.height, kW, kH), rect.data(), c.x, c.y, c.width,
                       written.data(), kW);

    for (int row = 0; row < c.height; ++row) {
      for (int col = 0; col < c.width; ++col) {
        const int ax = c.x + col, ay = c.y + row;
        const bool on = ax >= 0 && ax < kW && ay >= 0 && ay < kH;
        const Rgba8 want = on ? area[ay * kW + ax] : Rgba8{0, 0, 0, 255};
        EXPECT_TRUE(Same(read[row * c.width + col], want)) << "read at " << col << ", " << row;
      }
    }
    for (int ay = 0; ay < kH; ++ay) {
      for (int ax = 0; ax < kW; ++ax) {
        const int col = ax - c.x, row = ay - c.y;
        const bool in = col >= 0 && col < c.width && row >= 0 && row < c.height;
        const Rgba8 want = in ? rect[row * c.width + col] : area[ay * kW + ax];
        EXPECT_TRUE(Same(written[ay * kW + ax], want)) << "written at " << ax << ", " << ay;
      }
    }
  }
  // Nothing to read: the output is left alone.
  Rgba8 untouched{9, 9, 9, 9};
  EXPECT_TRUE(plat::StartReadBack(0, 0, 0, 1, &untouched, kW, kH).Empty());
  EXPECT_TRUE(plat::StartReadBack(0, 0, -1, 1, &untouched, kW, kH).Empty());
  EXPECT_EQ(untouched.r, 9);
  EXPECT_TRUE(plat::StartReadBack(0, 0, 2, 2, nullptr, kW, kH).Empty());
}

TEST(BackendChecksTest, ANewTextureIsAtLeastOnePixelAndTakesItsPixelsOnlyForTheSizeAsked) {
  const Rgba8 given[6] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}, {17, 18, 19, 20},
                          {21, 22, 23, 24}};
  struct Case {
    const char* what;
    int width, height;
    const Rgba8* rgba;
    int wantWidth, wantHeight;
    bool copied;
  };
  const Case cases[] = {
      {"pixels given", 3, 2, given, 3, 2, true},
      {"no pixels", 3, 2, nullptr, 3, 2, false},
      {"no width", 0, 2, given, 1, 2, false},
      {"negative size", -4, -1, given, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int width = c.width, height = c.height;
    const std::vector<Rgba8> px = plat::NewTexturePixels(width, height, c.rgba);
    EXPECT_EQ(width, c.wantWidth);
    EXPECT_EQ(height, c.wantHeight);
    ASSERT_EQ(px.size(), static_cast<size_t>(c.wantWidth) * c.wantHeight);
    for (size_t i = 0; i < px.size(); ++i)
      EXPECT_TRUE(Same(px[i], c.copied ? given[i] : Rgba8{0, 0, 0, 0})) << "pixel " << i;
  }
}

}  // namespace

// The window back ends come from one table: each setup engine number finds
// its own back end, only OpenGL asks for a GL window, and a number no back
// end has gets the software one, which runs on every machine.
TEST(BackendChecksTest, EachEngineNumberFindsItsBackEndAndUnknownOnesTheSoftwareOne) {
  ASSERT_EQ(plat::WindowBackends().size(), 3u);
  for (int driver : {kDriverOpenGL, kDriverDirect3D9, kDriverDirectX7}) {
    const plat::WindowBackendKind& kind = plat::WindowBackendFor(driver);
    EXPECT_EQ(kind.driver, driver);
    EXPECT_EQ(kind.glWindow, driver == kDriverOpenGL) << driver;
    EXPECT_TRUE(kind.available()) << driver;
  }
  for (int driver : {-1, 3, 99}) EXPECT_EQ(plat::WindowBackendFor(driver).driver, kDriverDirectX7) << driver;
}
