// Back end 1: SDL's own renderer, one SDL_RenderGeometry call per command. It
// shares no code with the OpenGL back end, so switching away from OpenGL after
// a crash really leaves our GL code behind (SDL picks its own driver; the
// SDL_RENDER_DRIVER variable can force one, "software" included).
//
// Supports exactly: solid (no blending), alpha (SDL's blend mode), light
// (SDL's additive mode: destination + source x alpha, saturating) and shade
// (SDL's modulate mode: destination x source) -- SDL's standard modes already
// are these formulas, so no custom blend mode is composed, and every SDL
// driver (software included) can run them; nearest or linear sampling per
// command; read-back through SDL_RenderReadPixels; vsync on request.
// Approximates: mask mode. SDL has no alpha test, so each texture drawn in
// mask mode gets a twin whose alpha is cut to 0 or 255 at the 0.5 threshold,
// drawn with alpha blending: exact for nearest sampling, but with linear
// sampling the edge is where the filtered twin crosses one half, not where the
// filtered original does. Colour arithmetic and triangle edges follow SDL's
// driver, so pixels may differ from the software rasteriser by a unit or two.
// Lacks: nothing the game draws.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/render/render_backend.h"

namespace plat {
namespace {

struct SdlTexture {
  SDL_Texture* texture = nullptr;
  SDL_Texture* maskTwin = nullptr; // made on first use in mask mode
  bool maskTwinStale = false;      // the original changed since the twin was cut
  int width = 0, height = 0;
  int filter = -1;                 // last scale mode set: 0 nearest, 1 linear
  int twinFilter = -1;
  std::vector<Rgba8> pixels;       // kept to cut the mask twin from
};

class SdlRendererBackend final : public SdlWindowBackend {
 public:
  SdlRendererBackend(SDL_Window* window, int width, int height)
      : window_(window), width_(width), height_(height) {}

  ~SdlRendererBackend() override { ReleaseDevice(); }

  bool Init() {
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) return false;
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer_, &info) == 0 && info.name) {
      name_ = std::string("SDL_Renderer (") + info.name + ")";
      // On SDL's GL renderers, a driver that rasterises on the CPU only
      // starts at a flush; SDL has no call for it, so take the one entry
      // point from SDL (nothing of our own GL back end is used).
      std::string driver = info.name;
      if (driver.rfind("opengl", 0) == 0)
        glFlush_ = reinterpret_cast<void (*)()>(SDL_GL_GetProcAddress("glFlush"));
    }
    SDL_RenderSetVSync(renderer_, 0);
#ifdef __EMSCRIPTEN__
    // In the browser the page shows the canvas whenever the program hands
    // control to it, between drawing the scene and presenting it too: the
    // frame is drawn into a texture and copied to the canvas at Present.
    target_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_TARGET, width_, height_);
    if (!target_ || SDL_SetRenderTarget(renderer_, target_) != 0) {
      std::fprintf(stderr, "SDL back buffer of %dx%d could not be made: %s\n", width_, height_, SDL_GetError());
      return false;
    }
#endif
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    return true;
  }

  const char* Name() const override { return name_.c_str(); }
  int Width() const override { return width_; }
  int Height() const override { return height_; }

  int CreateTexture(int width, int height, const Rgba8* rgba) override {
    if (!renderer_) return 0;
    std::vector<Rgba8> pixels = NewTexturePixels(width, height, rgba);
    SDL_Texture* texture =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, width, height);
    if (!texture) {
      std::fprintf(stderr, "SDL texture %dx%d failed: %s\n", width, height, SDL_GetError());
      return 0;
    }
    SDL_UpdateTexture(texture, nullptr, pixels.data(), width * 4);
    SdlTexture t;
    t.texture = texture;
    t.width = width;
    t.height = height;
    t.pixels = std::move(pixels);
    return textures_.Add(std::move(t));
  }

  void UpdateTexture(int texture, int x, int y, int width, int height, const Rgba8* rgba) override {
    SdlTexture* t = textures_.Get(texture);
    if (!t || !rgba) return;
    const ClipRect c = ClipToArea(x, y, width, height, t->width, t->height);
    if (c.Empty()) return;
    CopyIntoArea(c, rgba, x, y, width, t->pixels.data(), t->width);
    SDL_Rect rect{c.x0, c.y0, c.Width(), c.Height()};
    SDL_UpdateTexture(t->texture, &rect, &t->pixels[static_cast<size_t>(c.y0) * t->width + c.x0], t->width * 4);
    t->maskTwinStale = true;
  }

  void DestroyTexture(int texture) override {
    SdlTexture* t = textures_.Get(texture);
    if (!t) return;
    SDL_DestroyTexture(t->texture);
    if (t->maskTwin) SDL_DestroyTexture(t->maskTwin);
    textures_.Remove(texture);
  }

  void Execute(const DrawList& list) override {
    if (!renderer_ || list.commands.empty()) return;
    // SDL_Vertex has the same fields as ours in another order: convert once.
    vertices_.resize(list.vertices.size());
    for (size_t i = 0; i < list.vertices.size(); ++i) {
      const DrawVertex& v = list.vertices[i];
      vertices_[i] = SDL_Vertex{{v.x, v.y}, {v.colour.r, v.colour.g, v.colour.b, v.colour.a}, {v.u, v.v}};
    }
    for (const DrawCommand& c : list.commands) {
      if (c.op == DrawOp::Clear) {
        SDL_SetRenderDrawColor(renderer_, c.clear.r, c.clear.g, c.clear.b, 255);
        SDL_RenderClear(renderer_);
        continue;
      }
      SdlTexture* t;
      if (!CheckDraw(c, vertices_.size(), textures_, t)) continue;
      SDL_Texture* texture = nullptr;
      if (t) {
        texture = c.blend == kBlendMask ? MaskTwin(*t, c.filtered) : Sampled(*t, c.filtered);
        if (!texture) continue;
        SDL_SetTextureBlendMode(texture, BlendFor(c.blend));
      } else {
        SDL_SetRenderDrawBlendMode(renderer_, BlendFor(c.blend));
      }
      SDL_RenderGeometry(renderer_, texture, &vertices_[c.first], c.count, nullptr, 0);
    }
    // SDL batches what it is given; hand the batch on now so the renderer
    // underneath works while the frame routine sleeps.
    SDL_RenderFlush(renderer_);
    if (glFlush_) glFlush_();
  }

  void ReadPixels(int x, int y, int width, int height, Rgba8* out) override {
    const ClipRect c = StartReadBack(x, y, width, height, out, width_, height_);
    if (!renderer_ || c.Empty()) return;
    SDL_Rect rect{c.x0, c.y0, c.Width(), c.Height()};
    Rgba8* first = out + static_cast<size_t>(c.y0 - y) * width + (c.x0 - x);
    SDL_RenderReadPixels(renderer_, &rect, SDL_PIXELFORMAT_RGBA32, first, width * 4);
    for (int row = 0; row < rect.h; ++row)
      for (int i = 0; i < rect.w; ++i) first[static_cast<size_t>(row) * width + i].a = 255;
  }

  void Present(bool vsync) override {
    if (!renderer_) return;
    if (vsync != vsync_) {
      SDL_RenderSetVSync(renderer_, vsync ? 1 : 0);
      vsync_ = vsync;
    }
    if (target_) {
      // The finished frame onto the canvas, in one copy.
      SDL_SetRenderTarget(renderer_, nullptr);
      SDL_SetTextureBlendMode(target_, SDL_BLENDMODE_NONE);
      SDL_RenderCopy(renderer_, target_, nullptr, nullptr);
      SDL_RenderPresent(renderer_);
      SDL_SetRenderTarget(renderer_, target_);
      return;
    }
    SDL_RenderPresent(renderer_);
  }

  void ReleaseDevice() override {
    if (!renderer_) return;
    textures_.ForEach([](SdlTexture& t) {
      SDL_DestroyTexture(t.texture);
      if (t.maskTwin) SDL_DestroyTexture(t.maskTwin);
    });
    textures_.Clear();
    if (target_) SDL_DestroyTexture(target_);
    target_ = nullptr;
    SDL_DestroyRenderer(renderer_);  // also frees anything SDL still holds for it
    renderer_ = nullptr;
  }

 private:
  static SDL_BlendMode BlendFor(BlendMode mode) {
    switch (mode) {
      case kBlendMask: return SDL_BLENDMODE_BLEND;  // the mask twin's alpha is 0 or 255
      case kBlendSolid: return SDL_BLENDMODE_NONE;
      case kBlendLight: return SDL_BLENDMODE_ADD;
      case kBlendShade: return SDL_BLENDMODE_MOD;
      case kBlendAlpha: break;
    }
    return SDL_BLENDMODE_BLEND;
  }

  void SetScale(SDL_Texture* texture, int& current, bool filtered) {
    int want = filtered ? 1 : 0;
    if (current == want) return;
    // SDL queues draws but applies a scale mode at once: without the flush,
    // draws of this texture still queued would take the new sampling too.
    SDL_RenderFlush(renderer_);
    SDL_SetTextureScaleMode(texture, filtered ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    current = want;
  }

  SDL_Texture* Sampled(SdlTexture& t, bool filtered) {
    SetScale(t.texture, t.filter, filtered);
    return t.texture;
  }

  SDL_Texture* MaskTwin(SdlTexture& t, bool filtered) {
    if (!t.maskTwin) {
      t.maskTwin = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, t.width,
                                     t.height);
      if (!t.maskTwin) return nullptr;
      t.maskTwinStale = true;
      t.twinFilter = -1;
    }
    if (t.maskTwinStale) {
      cut_.resize(t.pixels.size());
      for (size_t i = 0; i < t.pixels.size(); ++i) {
        cut_[i] = t.pixels[i];
        cut_[i].a = t.pixels[i].a > 127 ? 255 : 0;
      }
      SDL_UpdateTexture(t.maskTwin, nullptr, cut_.data(), t.width * 4);
      t.maskTwinStale = false;
    }
    SetScale(t.maskTwin, t.twinFilter, filtered);
    return t.maskTwin;
  }

  SDL_Window* window_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* target_ = nullptr;  // the back buffer where the canvas is not one (the browser)
  void (*glFlush_)() = nullptr;   // set on SDL's GL renderers only
  std::string name_ = "SDL_Renderer";
  int width_, height_;
  HandleTable<SdlTexture> textures_;
  std::vector<SDL_Vertex> vertices_;
  std::vector<Rgba8> cut_;
  bool vsync_ = false;
};

}  // namespace

std::unique_ptr<SdlWindowBackend> MakeSdlRendererBackend(SDL_Window* window, int width, int height) {
  auto backend = std::make_unique<SdlRendererBackend>(window, width, height);
  if (!backend->Init()) return nullptr;
  return backend;
}

}  // namespace plat
