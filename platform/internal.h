// Inside the platform layer only: the host interface (window, events, clock),
// the render back-end interface with its draw list, and the shared input state
// the hosts feed. Nothing outside platform/ and tests includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

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
};

struct DrawList {
  std::vector<DrawVertex> vertices;
  std::vector<DrawCommand> commands;
  void Reset() { vertices.clear(); commands.clear(); }
};

// ---------------------------------------------------------------- render back end
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
// The software rasteriser's span loops: portable, SSE2 or AVX2. The best the
// CPU runs is chosen at start; tests select the others to compare them.
constexpr int kSpansScalar = 0, kSpansSse2 = 1, kSpansAvx2 = 2;
bool SelectSoftwareSpans(int spans);  // false (and no change) if the CPU lacks them
int SoftwareSpans();

// ---------------------------------------------------------------- host
struct DisplayMode {
  int width, height, depth, hertz;
};

// One small table of functions, chosen once at start-up: the SDL host or the
// headless host.
class Host {
 public:
  virtual ~Host() = default;
  virtual const char* Name() const = 0;
  virtual bool Headless() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::vector<DisplayMode> Modes(int driver) = 0;
  // Opens a window (depth 0) or full screen with the given render back end.
  virtual std::unique_ptr<RenderBackend> Open(int driver, int width, int height, int depth,
                                              int hertz) = 0;
  virtual void Close() = 0;
  virtual void PumpEvents() = 0;         // feeds InputState
  virtual uint32_t Millisecs() = 0;
  virtual void Sleep(int ms) = 0;        // the headless host advances its virtual clock
  virtual void ShowPointer(bool show) = 0;
  virtual void WarpPointer(int x, int y) = 0;  // window pixels
  // Called by Flip after presenting (the headless host saves scripted shots here).
  virtual void AfterPresent() {}
  // Local wall-clock date and time (the headless host reports a fixed virtual date).
  virtual void LocalTime(int& year, int& month, int& day, int& hour, int& minute, int& second) = 0;
  // Joypads: the host fills InputState::pads.
  // Controller layouts from a mapping file; the number added.
  // The text of a mapping file, one layout per line.
  virtual int AddControllerLayouts(const std::string& /*text*/) { return 0; }
};

Host* CurrentHost();
void SetHost(std::unique_ptr<Host> host);
std::unique_ptr<Host> MakeSdlHost();
std::unique_ptr<Host> MakeHeadlessHost(const std::string& scriptPath);

// ---------------------------------------------------------------- input state
struct PadState {
  bool connected = false;
  std::string name;
  int buttonMask = 0;
  float axes[6] = {0, 0, 0, 0, 0, 0};   // X, Y, Z, R, U, V
  float hat = -1;
  uint32_t buttons = 0;
  // The standard-controller view, for pads with a known layout.
  bool controller = false;
  uint32_t controllerButtons = 0;          // bit = kController... button
  float controllerAxes[6] = {0, 0, 0, 0, 0, 0};
};

struct InputState {
  bool keyDown[256] = {};
  int keyHits[256] = {};
  std::vector<int> chars;           // typed characters, at most 256 queued
  bool mouseDown[4] = {};
  int mouseHits[4] = {};
  int mouseX = 0, mouseY = 0;       // window pixels
  int windowW = 1, windowH = 1;     // for the virtual mapping
  bool closeRequested = false;
  std::vector<PadState> pads;
  void KeyEvent(int vk, bool down);
  void TextEvent(int code);
  void MouseButton(int button, bool down);
  void MouseMove(int x, int y);
};

InputState& Input();

// Pads without hardware (the headless host's script lines, tests): a
// controller with the standard layout whose raw buttons, hat and axes
// follow it. Returns the port it was plugged into.
int PlugFakeController(const std::string& name);
void SetFakeControllerButton(int port, int button, bool down);   // kController... button
void SetFakeControllerAxis(int port, int axis, float value);     // kController... axis
// "a", "b", "x", "y", "back", "guide", "start", "lstick", "rstick", "lb",
// "rb", "up", "down", "left", "right"; -1 for anything else.
int ControllerButtonByName(const std::string& name);

// Windows virtual-key code for an SDL scancode (0 when unmapped).
int VirtualKeyFromScancode(int scancode);

// The machine's local date and time (the SDL host's clock, and the runtime's
// when no host is installed yet).
void SystemLocalTime(int& year, int& month, int& day, int& hour, int& minute, int& second);

// Bytes currently held by the platform's handle tables (images, fonts, sounds).
void CountMemory(int64_t delta);

// Set by tests (testhost::SetEndHook): End() calls it instead of ending the process.
extern void (*g_endHook)();
extern int g_lastEndCode;   // the exit code End() handed to the hook

// Start-up values of the runtime tables (also run by ResetAllPlatformState).
void ResetStreams();   // closes every open stream; old handles stay dead
void ResetRandom();    // generator state back to 4660

// ---------------------------------------------------------------- shared by the common layer
// A table of objects named by integer handles. Slot 0 is never handed out,
// and a handle carries its slot's generation, so a handle kept after its
// object was freed (and the slot reused) is recognised as stale and ignored.
template <class T>
class HandleTable {
 public:
  int Add(T value) {
    size_t slot = 1;
    while (slot < slots_.size() && slots_[slot].used) ++slot;
    if (slot >= kMaxSlots) return 0;
    if (slot == slots_.size()) slots_.emplace_back();
    Slot& s = slots_[slot];
    s.gen = s.gen % kMaxGen + 1;  // 1..kMaxGen, so a handle is never 0
    s.used = true;
    s.value = std::move(value);
    return static_cast<int>((s.gen << kSlotBits) | slot);
  }
  T* Get(int handle) {
    if (handle <= 0) return nullptr;
    uint32_t h = static_cast<uint32_t>(handle);
    size_t slot = h & (kMaxSlots - 1);
    if (slot == 0 || slot >= slots_.size()) return nullptr;
    Slot& s = slots_[slot];
    return s.used && s.gen == (h >> kSlotBits) ? &s.value : nullptr;
  }
  bool Remove(int handle) {
    if (!Get(handle)) return false;
    Slot& s = slots_[static_cast<uint32_t>(handle) & (kMaxSlots - 1)];
    s.used = false;
    s.value = T();
    return true;
  }
  void Clear() {
    for (Slot& s : slots_) {
      s.used = false;
      s.value = T();
    }
  }
  template <class F>
  void ForEach(F f) {
    for (Slot& s : slots_)
      if (s.used) f(s.value);
  }

 private:
  static constexpr uint32_t kSlotBits = 20;
  static constexpr size_t kMaxSlots = size_t(1) << kSlotBits;
  static constexpr uint32_t kMaxGen = 2047;  // keeps handles positive ints
  struct Slot {
    uint32_t gen = 0;
    bool used = false;
    T value{};
  };
  std::vector<Slot> slots_{1};
};

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

// ---------------------------------------------------------------- drawing core

// The open display's back end (nullptr while no display is open).
RenderBackend* CurrentBackend();
// Hands queued drawing to the back end. Reading pixels, presenting and
// updating a texture that queued commands use must call this first.
void FlushDrawList();
// Frames presented since the platform was started (tests count them).
int PresentCount();
// Back-buffer pixels per logical unit, from SetVirtualResolution.
float BackScaleX();
float BackScaleY();
// Queues a clear of the whole back buffer (Cls).
void QueueClear(Rgba8 colour);
// Forgets queued drawing without running it (the display is going away).
void DiscardDrawList();
// The auto mid-handle flag: images loaded or created now get a centred handle.
bool AutoMidHandleOn();

// Back-end textures are created lazily from CPU pixels the first time an
// image or a font is drawn, so a display change only has to forget them.
void DropImageTextures();
void DropFontTextures();
// Resolves an image frame for drawing: texture id (created if needed), the
// frame's normalised texture rectangle, size and handle point. false if the
// image or frame does not exist or no display is open.
struct FrameRef {
  int texture;
  bool filtered;
  float u0, v0, u1, v1;
  int width, height;
  float handleX, handleY;
};
bool ResolveImageFrame(int image, int frame, FrameRef& out);
// One glyph of the current font, for DrawText.
struct GlyphRef {
  int texture;
  float u0, v0, u1, v1;
  int width, height;     // bitmap size in pixels (0 for blanks)
  int offsetX, offsetY;  // bitmap's top-left relative to the pen (y from the line top)
  int advance;           // pixels
};
// Prepares the font's atlas texture; false when no display is open.
bool ResolveFontGlyph(int font, uint8_t code, GlyphRef& out);
int FontLineHeight(int font);
int FontAdvance(int font, uint8_t code);

// Test-only: while a text log is set, every DrawText call is noted with its
// position, font and colour, and the inked box of what it drew (the glyph
// quads' bounds, back-buffer pixels); DrawImage notes the box of every image
// frame (image set, text empty).
struct TextRecord {
  std::string text;
  int font;
  int image, frame;
  float x0, y0, x1, y1;
  int windowWidth, windowHeight;
  float rotation;
  float x = 0, y = 0;      // DrawText's position, logical units
  uint32_t colour = 0;     // 0xRRGGBB
  bool inked = false;      // the box above holds drawn glyphs
};
extern std::vector<TextRecord>* g_textLog;

// Decodes a PNG held in memory into an image handle (the same rules as
// LoadAnimImage; cellWidth/cellHeight 0 = the whole picture as one frame).
// 0 on any decoding error. The fuzz target calls this.
int LoadImageFromMemory(const uint8_t* data, size_t size, int cellWidth, int cellHeight,
                        int firstCell, int cellCount, int flags);
// Saves the whole back buffer as a PNG (the headless host's scripted shots).
int SaveBackBufferPNG(const std::string& path);

// Tables cleared when a test restarts the platform. Each subsystem registers
// its own reset once, with a static ResetHook in its .cpp.
struct ResetHook {
  explicit ResetHook(void (*fn)());
};
void ResetAllPlatformState();

// The headless host's script feed, used by testhost (nullptr unless the
// current host is headless).
enum class HeadlessEvent { KeyDown, KeyUp, Text, MouseMoveWindow, MouseDown, MouseUp, Close };
class HeadlessControl {
 public:
  virtual ~HeadlessControl() = default;
  // Lines in the input script's format, timed after the lines already read.
  virtual void AddScript(const std::string& lines) = 0;
  // One event delivered at the next pump (a: key, button or x; b: y).
  virtual void QueueNow(HeadlessEvent kind, int a = 0, int b = 0, const std::string& text = {}) = 0;
  virtual uint32_t Clock() const = 0;
  virtual void Advance(int ms) = 0;
  // Displays asked of these drivers (bit = driver number) fail to open.
  virtual void RefuseDrivers(int mask) = 0;
};
HeadlessControl* CurrentHeadless();

// The real path of a file the program names (relative to the working folder
// or absolute): the name itself, unless an installed data folder maps it to
// the player's folders. Writing creates the player's folder it lands in.
// The one way every reader and writer opens a file: without waiting (a pipe
// would wait for its other end), and only a regular file (a pipe or a
// device, through a link or not, is refused with EINVAL). followLinks false:
// a link in the file's place is refused too. A descriptor, or -1 with errno.
int OpenRegularFile(const std::string& path, int flags, bool followLinks);
// Reads a whole regular file of at most maxBytes (path already mapped);
// false when it can't be opened, is no regular file, is longer, or a read fails.
bool ReadRegularFile(const std::string& path, std::vector<uint8_t>& out, size_t maxBytes);
enum class FileAccess { Read, Write };
std::string MapPath(const std::string& path, FileAccess access);

}  // namespace plat
