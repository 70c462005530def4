// Back end 2 in a window: the software rasteriser's back buffer shown through
// SDL, by the window surface or by a streaming texture.
#include <SDL2/SDL.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/render/render_backend.h"

namespace plat {
namespace {

// ---------------------------------------------------------------- back end 2 through SDL
// Supports exactly: everything the software rasteriser does (all five blend
// modes, pixel-exact), since drawing and reading back run on it unchanged.
// Sends the window only the parts of the back buffer drawn since the last
// present (the rasteriser draws only what changed): an idle screen costs
// almost nothing. The whole picture goes again when the window was exposed,
// resized or given a new surface.
// Presents through the window surface: SDL's own framebuffer for the window
// (shared memory under X11), filled straight from the back buffer, with no
// GPU or GL emulator in the way. SDL would otherwise put the window surface
// on a texture of a GL renderer, so its framebuffer acceleration is turned
// off unless the environment asks for it. Where the window has no surface,
// presents through a streaming texture on SDL's renderer instead, which also
// gives vsync on request. In the browser the changed rectangles go straight
// into the page's canvas as a 2D one (putImageData reads them from the back
// buffer in place): the page then redraws only those, where a WebGL canvas
// is drawn and composited whole every frame.
// Lacks: vsync on the window-surface path, which shows frames at once (the
// frame pacing still holds 60 a second).
class SoftPresentBackend final : public SdlWindowBackend {
 public:
  SoftPresentBackend(SDL_Window* window, std::unique_ptr<RenderBackend> soft)
      : window_(window), soft_(std::move(soft)) {
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
#ifdef __EMSCRIPTEN__
    canvas2d_ = EM_ASM_INT({
      var canvas = Module.canvas;
      if (!canvas) return 0;
      if (canvas.width !== $0) canvas.width = $0;
      if (canvas.height !== $1) canvas.height = $1;
      var ctx = canvas.getContext('2d', {alpha: false});
      if (!ctx) return 0;
      Module.mnemoraSoftCanvas = {};
      Module.mnemoraSoftCanvas.ctx = ctx;
      return 1;
    }, soft_->Width(), soft_->Height()) != 0;
    if (canvas2d_) return;
#endif
#ifndef __EMSCRIPTEN__
    // (In the browser the window surface is a 2D canvas filled pixel by
    // pixel from script; the renderer's texture upload is the faster way.)
    if (SDL_GetWindowSurface(window_)) {
      SDL_AddEventWatch(&SoftPresentBackend::WatchWindow, this);
      watching_ = true;
      return;
    }
#endif
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_)
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STREAMING,
                                   soft_->Width(), soft_->Height());
    if (!texture_) ReleaseRenderer();
  }
  ~SoftPresentBackend() override { ReleaseDevice(); }

  const char* Name() const override {
    if (canvas2d_) return "Software (canvas)";
    return renderer_ ? "Software (SDL texture)" : "Software (window surface)";
  }
  int CreateTexture(int w, int h, const Rgba8* rgba) override { return soft_->CreateTexture(w, h, rgba); }
  void UpdateTexture(int t, int x, int y, int w, int h, const Rgba8* rgba) override {
    soft_->UpdateTexture(t, x, y, w, h, rgba);
  }
  void DestroyTexture(int t) override { soft_->DestroyTexture(t); }
  void Execute(const DrawList& list) override {
    soft_->Execute(list);
    // The frame routine hands a frame over before it sleeps until the frame's
    // time, and presents after: by then what was drawn has left the caches.
    // The window surface takes it now, and the present only shows it.
    if (window_ && OnWindowSurface()) CopyToWindowSurface();
  }
  void ReadPixels(int x, int y, int w, int h, Rgba8* out) override { soft_->ReadPixels(x, y, w, h, out); }
  int Width() const override { return soft_->Width(); }
  int Height() const override { return soft_->Height(); }

  void ReleaseDevice() override {
    if (watching_) SDL_DelEventWatch(&SoftPresentBackend::WatchWindow, this);
    watching_ = false;
#ifdef __EMSCRIPTEN__
    if (canvas2d_) EM_ASM({ delete Module.mnemoraSoftCanvas; });
    canvas2d_ = false;
#endif
    ReleaseRenderer();
    window_ = nullptr;
  }

  void Present(bool vsync) override {
    soft_->Present(vsync);
    const std::vector<Rgba8>* pixels = SoftwarePixels(soft_.get());
    if (!window_ || !pixels || !SoftwareChangedRects(soft_.get(), rects_)) return;
    const int w = soft_->Width(), h = soft_->Height();
    if (pixels->size() < static_cast<size_t>(w) * h) return;
#ifdef __EMSCRIPTEN__
    if (canvas2d_) {
      PutOnCanvas(pixels->data(), w, h);
      return;
    }
#endif
    if (renderer_) {
      if (vsync != vsync_) {
        SDL_RenderSetVSync(renderer_, vsync ? 1 : 0);
        vsync_ = vsync;
      }
      // Nothing changed: the window keeps showing the last frame.
      if (rects_.empty() && !wholeNext_.exchange(false)) return;
      for (const ClipRect& r : rects_) {
        const SDL_Rect area = SdlRect(r);
        SDL_UpdateTexture(texture_, &area, pixels->data() + static_cast<size_t>(r.y0) * w + r.x0, w * 4);
      }
      SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
      SDL_RenderPresent(renderer_);
      return;
    }
    StoreInWindowSurface(*pixels);
    if (toShow_.empty()) return;
    SDL_UpdateWindowSurfaceRects(window_, toShow_.data(), static_cast<int>(toShow_.size()));
    toShow_.clear();
  }

 private:
  bool OnWindowSurface() const {
    if (renderer_) return false;
#ifdef __EMSCRIPTEN__
    if (canvas2d_) return false;
#endif
    return true;
  }

  // What the back buffer drew since the last call goes into the window
  // surface; its rectangles wait for the next present to show them.
  void CopyToWindowSurface() {
    const std::vector<Rgba8>* pixels = SoftwarePixels(soft_.get());
    if (!pixels || !SoftwareChangedRects(soft_.get(), rects_)) return;
    if (pixels->size() < static_cast<size_t>(soft_->Width()) * soft_->Height()) return;
    StoreInWindowSurface(*pixels);
  }

  // rects_ (the back buffer's changes) into the window surface, and onto
  // the rectangles to show.
  void StoreInWindowSurface(const std::vector<Rgba8>& pixels) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return;
    const int w = soft_->Width();
    const ClipRect shown = ClipToArea(0, 0, surface->w, surface->h, w, soft_->Height());
    if (shown.Empty()) return;
    // A new surface (the window was resized) or an exposed window holds
    // nothing of ours: it gets the whole picture.
    if (wholeNext_.exchange(false) || surface != surface_ || surface->w != surfaceW_ || surface->h != surfaceH_) {
      rects_.assign(1, shown);
      toShow_.clear();
    }
    surface_ = surface;
    surfaceW_ = surface->w;
    surfaceH_ = surface->h;
    sdlRects_.clear();
    for (const ClipRect& r : rects_) {
      const ClipRect part = ClipToArea(r.x0, r.y0, r.Width(), r.Height(), shown.x1, shown.y1);
      if (!part.Empty()) sdlRects_.push_back(SdlRect(part));
    }
    if (sdlRects_.empty()) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    FetchRects(pixels.data(), w, sdlRects_);
    for (const SDL_Rect& r : sdlRects_) CopyToSurface(pixels.data(), w, r, surface);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    toShow_.insert(toShow_.end(), sdlRects_.begin(), sdlRects_.end());
    // Drawing that is never presented (a loading screen's) must not pile up.
    if (toShow_.size() > kMostToShow) toShow_.assign(1, SdlRect(shown));
  }
  static SDL_Rect SdlRect(const ClipRect& r) { return SDL_Rect{r.x0, r.y0, r.Width(), r.Height()}; }

#ifdef __EMSCRIPTEN__
  // The changed rectangles into the 2D canvas. The image wraps the back
  // buffer where it lies in the program's memory, made again only when that
  // memory was replaced (it grew).
  void PutOnCanvas(const Rgba8* pixels, int w, int h) {
    sdlRects_.clear();
    for (const ClipRect& r : rects_) sdlRects_.push_back(SdlRect(r));
    if (sdlRects_.empty()) return;
    EM_ASM({
      var s = Module.mnemoraSoftCanvas;
      if (!s) return;
      if (!s.image || s.at !== $0 || s.buffer !== HEAPU8.buffer) {
        s.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, $0, $2 * $3 * 4), $2, $3);
        s.at = $0;
        s.buffer = HEAPU8.buffer;
      }
      for (var i = 0; i < $4; i++) {
        var r = ($1 >> 2) + i * 4;
        s.ctx.putImageData(s.image, 0, 0, HEAP32[r], HEAP32[r + 1], HEAP32[r + 2], HEAP32[r + 3]);
      }
    }, pixels, sdlRects_.data(), w, h, static_cast<int>(sdlRects_.size()));
  }
#endif

  // Whatever uncovers or resizes our window: its next present sends the
  // whole picture. (Called by SDL as the events are queued.)
  static int WatchWindow(void* self, SDL_Event* e) {
    auto* backend = static_cast<SoftPresentBackend*>(self);
    if (e->type != SDL_WINDOWEVENT || !backend->window_ ||
        e->window.windowID != SDL_GetWindowID(backend->window_))
      return 0;
    switch (e->window.event) {
      case SDL_WINDOWEVENT_EXPOSED:
      case SDL_WINDOWEVENT_SHOWN:
      case SDL_WINDOWEVENT_RESTORED:
      case SDL_WINDOWEVENT_MAXIMIZED:
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        backend->wholeNext_ = true;
        break;
      default: break;
    }
    return 0;
  }

  // Most of a rectangle around a redrawn stripe was not drawn this frame,
  // so its rows are out of the caches, and each is only a few cache lines
  // long: copied as they are, the copy stalls line after line. Asking for
  // every line of the rectangles first lets the fetches overlap (measured
  // when the copy still came after the frame's sleep: the idle round's copy
  // about twice as fast). Not for a big part of the screen, which would not
  // stay in the caches until it is copied.
  static void FetchRects(const Rgba8* src, int srcWidth, const std::vector<SDL_Rect>& rects) {
    constexpr long kMostPixels = 384 * 1024;
    long pixels = 0;
    for (const SDL_Rect& r : rects) pixels += static_cast<long>(r.w) * r.h;
    if (pixels > kMostPixels) return;
    for (const SDL_Rect& r : rects)
      for (int y = r.y; y < r.y + r.h; ++y) {
        const Rgba8* row = src + static_cast<size_t>(y) * srcWidth + r.x;
        for (int x = 0; x < r.w; x += 16) __builtin_prefetch(row + x);
        __builtin_prefetch(row + r.w - 1);
      }
  }

  // The rectangle r of the back buffer (rows of srcWidth) into the same
  // place of the window surface. The usual window formats (32-bit, red and
  // blue swapped against ours) are converted here four pixels at a time;
  // anything else goes through SDL.
  static void CopyToSurface(const Rgba8* src, int srcWidth, const SDL_Rect& r, SDL_Surface* surface) {
    const Uint32 format = surface->format->format;
    src += static_cast<size_t>(r.y) * srcWidth + r.x;
    uint8_t* dst = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(r.y) * surface->pitch +
                   static_cast<size_t>(r.x) * surface->format->BytesPerPixel;
    const int w = r.w, h = r.h;
    if (format != SDL_PIXELFORMAT_ARGB8888 && format != SDL_PIXELFORMAT_RGB888) {
      SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGBA32, src, srcWidth * 4, format, dst, surface->pitch);
      return;
    }
    for (int y = 0; y < h; ++y) {
      const uint32_t* in = reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y) * srcWidth);
      uint32_t* out = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y) * surface->pitch);
      // Bytes R, G, B, A in memory are 0xAABBGGRR; the window wants 0xFFRRGGBB.
      typedef uint32_t Four __attribute__((vector_size(16)));
      int x = 0;
      for (; x + 4 <= w; x += 4) {
        Four p;
        std::memcpy(&p, in + x, sizeof p);
        p = 0xFF000000u | (p & 0x0000FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
        std::memcpy(out + x, &p, sizeof p);
      }
      for (; x < w; ++x) {
        const uint32_t p = in[x];
        out[x] = 0xFF000000u | (p & 0x0000FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
      }
    }
  }

  void ReleaseRenderer() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
  }

  SDL_Window* window_;
  std::unique_ptr<RenderBackend> soft_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool vsync_ = false;
  bool watching_ = false;
  bool canvas2d_ = false;   // the browser's canvas, drawn as a 2D one
  std::atomic<bool> wholeNext_{false};
  SDL_Surface* surface_ = nullptr;  // the surface the last present went to
  int surfaceW_ = 0, surfaceH_ = 0;
  std::vector<ClipRect> rects_;
  std::vector<SDL_Rect> sdlRects_;
  static constexpr size_t kMostToShow = 4096;
  std::vector<SDL_Rect> toShow_;   // in the window surface, not shown yet
};

}  // namespace

std::unique_ptr<SdlWindowBackend> MakeSoftPresentBackend(SDL_Window* window, int width, int height) {
  std::unique_ptr<RenderBackend> soft = MakeSoftwareBackend(width, height);
  if (!soft) return nullptr;
  return std::make_unique<SoftPresentBackend>(window, std::move(soft));
}

}  // namespace plat
