// The contract between the drawing core and the render back ends: the draw
// list the core fills, the back-end interface, the checks every back end
// runs on a list it is handed, and the table of back ends a window can
// carry. Inside platform/ (and its tests) only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"

struct SDL_Window;

namespace plat {

struct Rgba8 {
  uint8_t r, g, b, a;
};

// ---------------------------------------------------------------- draw list
// Vertices are in back-buffer pixels; texture coordinates are normalised.
struct DrawVertex {
  float x, y;
  float u, v;
  Rgba8 colour;   // current colour with the current alpha folded in
};

enum class DrawOp : uint8_t { Clear, Triangles };

struct DrawCommand {
  DrawOp op;
  int texture;    // back-end texture id; 0 = untextured (rectangles, lines)
  BlendMode blend;
  bool filtered;  // smooth sampling
  int first;      // first vertex
  int count;      // vertex count, a multiple of 3
  Rgba8 clear;    // for DrawOp::Clear
  bool fullCost = false;  // opacity 0 is drawn in full, never skipped (SetFullCostInvisible)
};

struct DrawList {
  std::vector<DrawVertex> vertices;
  std::vector<DrawCommand> commands;
  void Reset() { vertices.clear(); commands.clear(); }
};

// ---------------------------------------------------------------- back end
// A back end only creates, updates and destroys textures, runs a draw list,
// reads pixels back and presents. Everything above it is common code.
class RenderBackend {
 public:
  virtual ~RenderBackend() = default;
  virtual const char* Name() const = 0;
  // rgba: width*height pixels, rows top to bottom. Returns an id > 0.
  virtual int CreateTexture(int width, int height, const Rgba8* rgba) = 0;
  virtual void UpdateTexture(int texture, int x, int y, int width, int height, const Rgba8* rgba) = 0;
  virtual void DestroyTexture(int texture) = 0;
  // Runs the list in order into the back buffer.
  virtual void Execute(const DrawList& list) = 0;
  // Reads back-buffer pixels (rows top to bottom, alpha 255).
  virtual void ReadPixels(int x, int y, int width, int height, Rgba8* out) = 0;
  // Presents the back buffer. vsync: wait for the display's refresh.
  virtual void Present(bool vsync) = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // What draws, as the graphics driver names it (OpenGL's renderer), set by
  // whoever makes the back end; "" when it does not say.
  std::string renderer;
};

// The software rasteriser is usable on its own: the headless host's back buffer,
// the reference for pixel tests, and (presented through SDL) back end 2.
std::unique_ptr<RenderBackend> MakeSoftwareBackend(int width, int height);
// The headless host's back buffer: the software rasteriser keeping the
// drawing since the last full clear and rasterising it only when pixels are
// read (or, after SetEagerHeadlessRaster(true), every frame as it is drawn).
std::unique_ptr<RenderBackend> MakeHeadlessBackBuffer(int width, int height);
void SetEagerHeadlessRaster(bool eager);
// Direct access to the software back buffer (nullptr unless the back end is software).
const std::vector<Rgba8>* SoftwarePixels(RenderBackend* backend);
// The software back buffer rasterises only the parts of a frame that draw
// differently from the frame it holds. The parts drawn since the last call,
// as rectangles of back-buffer pixels (false unless the back end is software).
struct ClipRect;
bool SoftwareChangedRects(RenderBackend* backend, std::vector<ClipRect>& rects);
// Every frame rasterised and presented whole, as before the comparison
// (tests compare both ways; the pictures are the same).
void SetSoftwareFullRedraw(bool full);
// Tests: called with the whole back buffer at every present of a software
// back end (which then rasterises every frame it presents).
using SoftPresentWatcher = void (*)(const Rgba8* pixels, int width, int height);
void SetSoftwarePresentWatcher(SoftPresentWatcher watcher);
// Row spans every software back end of this process has painted so far (for
// tests: what a load cost the rasteriser, counted instead of timed).
uint64_t SoftwareSpansPainted();
// The software rasteriser's span loops: portable, SSE2 or AVX2. The best the
// CPU runs is chosen at start; tests select the others to compare them.
constexpr int kSpansScalar = 0, kSpansSse2 = 1, kSpansAvx2 = 2;
bool SelectSoftwareSpans(int spans);  // false (and no change) if the CPU lacks them
int SoftwareSpans();

// ---------------------------------------------------------------- shared by the render back ends
// Every back end keeps its textures in a HandleTable: a texture id is a
// handle, so an id the back end never gave out, or one whose texture was
// destroyed, finds nothing.

inline bool KnownBlend(int mode) { return mode >= kBlendMask && mode <= kBlendShade; }
// Alpha and light weigh the source by its alpha: at opacity 0 they change nothing.
inline bool BlendUsesAlpha(BlendMode mode) { return mode == kBlendAlpha || mode == kBlendLight; }

// Whether a back end may draw a triangles command of a list holding
// vertexCount vertices: its vertices lie inside the list and make whole
// triangles, and its blend mode is one of the five.
bool DrawableRange(const DrawCommand& cmd, size_t vertexCount);

// The check every back end runs on a triangles command before drawing it:
// DrawableRange, and its texture (0: none) is one the back end holds.
// `texture` is set to that texture, nullptr for an untextured command.
// False: the command draws nothing.
template <class T>
bool CheckDraw(const DrawCommand& cmd, size_t vertexCount, HandleTable<T>& textures, T*& texture) {
  texture = cmd.texture != 0 ? textures.Get(cmd.texture) : nullptr;
  return DrawableRange(cmd, vertexCount) && (cmd.texture == 0 || texture != nullptr);
}

// A new texture's pixels: width and height raised to at least 1, a copy of
// rgba when it is given for a size that is not empty, transparent black
// otherwise.
std::vector<Rgba8> NewTexturePixels(int& width, int& height, const Rgba8* rgba);

// The part of a width x height rectangle placed at (x, y) that lies inside
// an area of areaWidth x areaHeight at (0, 0): columns [x0, x1), rows
// [y0, y1). Empty when they do not meet, a rectangle of no size included.
struct ClipRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
  int Width() const { return x1 - x0; }
  int Height() const { return y1 - y0; }
};
ClipRect ClipToArea(int x, int y, int width, int height, int areaWidth, int areaHeight);

// Copies the clipped part from a rectangle's own pixels (rows of `width`,
// the rectangle placed at (x, y)) into the area's pixels (rows of
// areaWidth), and the other way round.
void CopyIntoArea(const ClipRect& clip, const Rgba8* rect, int x, int y, int width, Rgba8* area,
                  int areaWidth);
void CopyFromArea(const ClipRect& clip, const Rgba8* area, int areaWidth, Rgba8* rect, int x, int y,
                  int width);

// How every back end's ReadPixels starts: out (width x height) is filled
// with opaque black, for the pixels off the back buffer, and the part on
// the back buffer is returned (empty when there is nothing to read, out
// missing included).
ClipRect StartReadBack(int x, int y, int width, int height, Rgba8* out, int bufferWidth,
                       int bufferHeight);

// ---------------------------------------------------------------- window back ends
// A back end tied to a window. The window belongs to the host; the back end
// belongs to the drawing layer, which may drop it before or after the host
// closes the window. The host therefore calls ReleaseDevice before the window
// goes, and the back end frees nothing tied to the window afterwards.
class SdlWindowBackend : public RenderBackend {
 public:
  virtual void ReleaseDevice() = 0;
  // Set by the host: run on destruction, so the host forgets a back end that
  // the drawing layer dropped before closing the window.
  void (*onDestroy)(void* context) = nullptr;
  void* onDestroyContext = nullptr;
  ~SdlWindowBackend() override {
    if (onDestroy) onDestroy(onDestroyContext);
  }
};

// One back end a window can carry, by the setup's driver number (kDriver...).
struct WindowBackendKind {
  int driver;
  const char* name;
  // The window must be made for OpenGL (SDL_WINDOW_OPENGL, GL attributes set first).
  bool glWindow;
  // Whether this build and machine can offer it at all.
  bool (*available)();
  // nullptr when the back end cannot be made on this window.
  std::unique_ptr<SdlWindowBackend> (*create)(SDL_Window* window, int width, int height);
};

// Every back end, in driver order.
std::span<const WindowBackendKind> WindowBackends();
// The back end for a driver number; a number no back end has gets the
// software one, which every machine runs.
const WindowBackendKind& WindowBackendFor(int driver);

// Back end 0: batched OpenGL 2.1. The window must have been created with
// SDL_WINDOW_OPENGL. nullptr when no usable context can be made.
std::unique_ptr<SdlWindowBackend> MakeGlBackend(SDL_Window* window, int width, int height);
// Back end 1: SDL's own renderer through SDL_RenderGeometry.
std::unique_ptr<SdlWindowBackend> MakeSdlRendererBackend(SDL_Window* window, int width,
                                                         int height);
// Back end 2: the software rasteriser, presented through a streaming texture
// on SDL's renderer, or through the window surface where there is none.
std::unique_ptr<SdlWindowBackend> MakeSoftPresentBackend(SDL_Window* window, int width, int height);

}  // namespace plat
