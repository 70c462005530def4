// Inside the platform layer only: what the runtime's files share among
// themselves and with the plug-ins (the input state the hosts feed, handle
// tables, the drawing core's entry points, resets, path mapping). The
// plug-ins' own contracts are render/render_backend.h, host/host.h and
// sound/sound_driver.h. Nothing outside platform/ and tests includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat {

struct Rgba8;
class RenderBackend;
class Host;

// ---------------------------------------------------------------- input state
int PresentCount();   // frames presented since the platform started

// Presses the pump saw, each held for the frames that read it: a button
// pressed and let go between two frames still reads as down once, at any
// frame rate. A latch goes at the first pump after something read it; one
// nobody read goes once two frames have been presented since its press, so
// a screen that never asks for a key does not leave it to the next screen.
template <int N>
struct PressLatches {
  bool on[N] = {};
  bool read[N] = {};
  int stamp[N] = {};   // PresentCount() at the press
  void Press(int i) {
    on[i] = true;
    read[i] = false;
    stamp[i] = PresentCount();
  }
  bool Read(int i) {
    if (on[i]) read[i] = true;
    return on[i];
  }
  void Expire() {
    const int now = PresentCount();
    for (int i = 0; i < N; ++i)
      if (on[i] && (read[i] || now - stamp[i] >= 2 || now < stamp[i])) on[i] = false;
  }
  void Clear() {
    for (bool& b : on) b = false;
  }
};

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
  PressLatches<32> buttonLatch, controllerLatch;
  // Takes the held buttons a host polled; a button that went down since
  // the last poll is latched, for hosts that see no button events.
  void SetButtons(uint32_t held);
  void SetControllerButtons(uint32_t pressed);
  bool Held(int button) { return ((buttons >> button) & 1u) | buttonLatch.Read(button); }
  bool ControllerHeld(int button) { return ((controllerButtons >> button) & 1u) | controllerLatch.Read(button); }
};

struct InputState {
  bool keyDown[256] = {};
  int keyHits[256] = {};
  std::vector<int> chars;           // typed characters, at most 256 queued
  PressLatches<256> keyLatch;
  bool mouseDown[4] = {};
  int mouseHits[4] = {};
  PressLatches<4> mouseLatch;
  int mouseX = 0, mouseY = 0;       // window pixels
  int windowW = 1, windowH = 1;     // for the virtual mapping
  bool closeRequested = false;
  std::vector<PadState> pads;
  void KeyEvent(int vk, bool down);
  void TextEvent(int code);
  // Typed text as every host receives it, UTF-8, queued as its characters.
  void TypedText(const char* utf8);
  void MouseButton(int button, bool down);
  void MouseMove(int x, int y);
  // Drops the latches that have been read or have gone stale: at the start
  // of every pump.
  void ExpireLatches();
};

InputState& Input();

// Pumps the host's events: every pump of the program goes through here.
void PumpHostEvents(Host& host);

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
// frame (image set, text empty), DrawRect the box of its rectangle (image
// kRectRecord, with its colour and alpha).
constexpr int kRectRecord = -1;
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
  float alpha = 1;         // rectangles: the alpha drawn with
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
