// Back end 0: a batched OpenGL 2.1 renderer (GLSL 1.20, compatibility context); in the
// browser the same over WebGL 2 (GLSL ES 1.00).
//
// Supports exactly: the draw list as given (one vertex upload per flush, one
// draw call per command), solid, alpha, light (additive, saturating in the
// 8-bit framebuffer) and shade (multiply) blending, mask mode as a discard of
// fragments whose alpha is 0.5 or less, nearest or linear sampling per
// command, read-back of the back buffer top-down, vsync on request.
// Approximates: colour arithmetic runs in floats and is rounded by the
// driver, so blended pixels may differ from the software rasteriser by a
// unit or two; triangle edges follow the driver's rasterisation rules.
// Lacks: nothing the game draws; textures larger than the driver's limit
// stay blank.
//
// Entry points are fetched through SDL_GL_GetProcAddress from the one list
// below, so nothing links against a particular GL library's symbols.
#define GL_GLEXT_PROTOTYPES 1
#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/render/render_backend.h"

namespace plat {
namespace {

// clang-format off
#define MNEMORA_GL_FUNCTIONS(X) \
  X(glGetString) X(glGetIntegerv) X(glGetError) X(glViewport) X(glClearColor) X(glClear) \
  X(glEnable) X(glDisable) X(glBlendFunc) X(glFlush) X(glPixelStorei) X(glReadBuffer) \
  X(glReadPixels) X(glDrawArrays) X(glGenTextures) X(glDeleteTextures) X(glBindTexture) \
  X(glTexImage2D) X(glTexSubImage2D) X(glTexParameteri) X(glActiveTexture) \
  X(glGenBuffers) X(glDeleteBuffers) X(glBindBuffer) X(glBufferData) \
  X(glCreateShader) X(glShaderSource) X(glCompileShader) X(glGetShaderiv) \
  X(glGetShaderInfoLog) X(glDeleteShader) X(glCreateProgram) X(glAttachShader) \
  X(glBindAttribLocation) X(glLinkProgram) X(glGetProgramiv) X(glGetProgramInfoLog) \
  X(glUseProgram) X(glDeleteProgram) X(glGetUniformLocation) X(glUniform1i) \
  X(glUniform1f) X(glUniform2f) X(glEnableVertexAttribArray) X(glVertexAttribPointer)
// In the browser the frame is drawn into a framebuffer of our own and copied
// to the canvas at Present: the page shows the canvas whenever the program
// hands control to the browser, and the frame routine sleeps between drawing
// the scene and presenting it.
#define MNEMORA_GL_OFFSCREEN_FUNCTIONS(X) \
  X(glGenFramebuffers) X(glDeleteFramebuffers) X(glBindFramebuffer) X(glCheckFramebufferStatus) \
  X(glGenRenderbuffers) X(glDeleteRenderbuffers) X(glBindRenderbuffer) X(glRenderbufferStorage) \
  X(glFramebufferRenderbuffer) X(glBlitFramebuffer)
// clang-format on

// The prototypes only lend their types; every call goes through these pointers.
struct GlApi {
#define MNEMORA_GL_MEMBER(name) decltype(&::name) name = nullptr;
  MNEMORA_GL_FUNCTIONS(MNEMORA_GL_MEMBER)
  MNEMORA_GL_OFFSCREEN_FUNCTIONS(MNEMORA_GL_MEMBER)
#undef MNEMORA_GL_MEMBER

  bool Load() {
    bool all = true;
#define MNEMORA_GL_LOAD(fn)                                                  \
  fn = reinterpret_cast<decltype(&::fn)>(SDL_GL_GetProcAddress(#fn));        \
  if (!fn) {                                                                 \
    std::fprintf(stderr, "OpenGL entry point missing: %s\n", #fn);           \
    all = false;                                                             \
  }
    MNEMORA_GL_FUNCTIONS(MNEMORA_GL_LOAD)
    return all;
  }

  bool LoadOffscreen() {
    bool all = true;
    MNEMORA_GL_OFFSCREEN_FUNCTIONS(MNEMORA_GL_LOAD)
#undef MNEMORA_GL_LOAD
    return all;
  }
};

// Each shader source is preceded by its version line (and on WebGL a precision) and the
// variant's defines.
const char* const kVertexShader = R"(
attribute vec2 a_position;   // back-buffer pixels, y down
attribute vec2 a_texcoord;
attribute vec4 a_colour;
uniform vec2 u_pixelToClip;  // 2/width, 2/height
varying vec2 v_texcoord;
varying vec4 v_colour;
void main() {
  v_texcoord = a_texcoord;
  v_colour = a_colour;
  gl_Position = vec4(a_position.x * u_pixelToClip.x - 1.0, 1.0 - a_position.y * u_pixelToClip.y, 0.0, 1.0);
}
)";

// TEXTURED: modulate by the texture. ALPHA_TEST: mask mode. Separate
// programs rather than uniform branches: a shader that may discard keeps
// software GL off its fast blending path for every draw.
const char* const kFragmentShader = R"(
uniform sampler2D u_texture;
varying vec2 v_texcoord;
varying vec4 v_colour;
void main() {
  vec4 colour = v_colour;
#ifdef TEXTURED
  colour *= texture2D(u_texture, v_texcoord);
#endif
#ifdef ALPHA_TEST
  // 128/255 must pass and 127/255 must not, as in the software rasteriser.
  if (colour.a * 255.0 < 127.5) discard;
#endif
  gl_FragColor = colour;
}
)";

// Program variants, indexed by (textured ? 1 : 0) | (mask ? 2 : 0).
constexpr int kVariants = 4;

enum Attribute : GLuint { kPosition = 0, kTexcoord = 1, kColour = 2 };

struct GlTexture {
  GLuint name = 0;
  int width = 0, height = 0;
  int filter = -1;  // last sampling set on it: 0 nearest, 1 linear, -1 unset
};

class GlBackend final : public SdlWindowBackend {
 public:
  GlBackend(SDL_Window* window, int width, int height) : window_(window), width_(width), height_(height) {}

  ~GlBackend() override { ReleaseDevice(); }

  bool Init() {
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) return false;
    SDL_GL_MakeCurrent(window_, context_);
    if (!gl_.Load() || !BuildPrograms()) return false;
#ifdef __EMSCRIPTEN__
    if (!MakeOffscreen()) return false;
#endif
    gl_.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture_);
    renderer = RendererName();
    gl_.glGenBuffers(1, &vertexBuffer_);
    gl_.glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    const auto stride = static_cast<GLsizei>(sizeof(DrawVertex));
    gl_.glEnableVertexAttribArray(kPosition);
    gl_.glEnableVertexAttribArray(kTexcoord);
    gl_.glEnableVertexAttribArray(kColour);
    gl_.glVertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(offsetof(DrawVertex, x)));
    gl_.glVertexAttribPointer(kTexcoord, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(offsetof(DrawVertex, u)));
    gl_.glVertexAttribPointer(kColour, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              reinterpret_cast<const void*>(offsetof(DrawVertex, colour)));
    gl_.glViewport(0, 0, width_, height_);
    gl_.glDisable(GL_DEPTH_TEST);
    gl_.glDisable(GL_CULL_FACE);
    gl_.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl_.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl_.glActiveTexture(GL_TEXTURE0);
    for (GLuint program : programs_) {
      gl_.glUseProgram(program);
      gl_.glUniform1i(gl_.glGetUniformLocation(program, "u_texture"), 0);
      gl_.glUniform2f(gl_.glGetUniformLocation(program, "u_pixelToClip"), 2.0f / width_, 2.0f / height_);
    }
    gl_.glUseProgram(programs_[0]);
    // The back buffer starts black, as the software one does.
    gl_.glClearColor(0, 0, 0, 1);
    gl_.glClear(GL_COLOR_BUFFER_BIT);
    // Flip(0) is the common case: start without waiting for the refresh.
    SDL_GL_SetSwapInterval(0);
    return true;
  }

  const char* Name() const override { return "OpenGL"; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }

  int CreateTexture(int width, int height, const Rgba8* rgba) override {
    if (!context_) return 0;
    const std::vector<Rgba8> pixels = NewTexturePixels(width, height, rgba);
    GlTexture t;
    gl_.glGenTextures(1, &t.name);
    t.width = width;
    t.height = height;
    gl_.glBindTexture(GL_TEXTURE_2D, t.name);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    SetFilter(t, false);
    if (width > maxTexture_ || height > maxTexture_)
      std::fprintf(stderr, "OpenGL texture %dx%d exceeds the limit %d\n", width, height, maxTexture_);
    gl_.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
    boundTexture_ = t.name;
    return textures_.Add(t);
  }

  void UpdateTexture(int texture, int x, int y, int width, int height, const Rgba8* rgba) override {
    GlTexture* t = textures_.Get(texture);
    if (!t || !rgba) return;
    // Only the part inside the texture is sent; the source rows keep their stride.
    const ClipRect c = ClipToArea(x, y, width, height, t->width, t->height);
    if (c.Empty()) return;
    gl_.glBindTexture(GL_TEXTURE_2D, t->name);
    boundTexture_ = t->name;
    gl_.glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
    gl_.glTexSubImage2D(GL_TEXTURE_2D, 0, c.x0, c.y0, c.Width(), c.Height(), GL_RGBA, GL_UNSIGNED_BYTE,
                        rgba + static_cast<size_t>(c.y0 - y) * width + (c.x0 - x));
    gl_.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }

  void DestroyTexture(int texture) override {
    GlTexture* t = textures_.Get(texture);
    if (!t) return;
    if (boundTexture_ == t->name) boundTexture_ = 0;
    gl_.glDeleteTextures(1, &t->name);
    textures_.Remove(texture);
  }

  void Execute(const DrawList& list) override {
    if (!context_ || list.commands.empty()) return;
    // One upload for the whole list; every command then draws a range of it.
    gl_.glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    gl_.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(list.vertices.size() * sizeof(DrawVertex)),
                     list.vertices.data(), GL_STREAM_DRAW);
    for (const DrawCommand& c : list.commands) {
      if (c.op == DrawOp::Clear) {
        gl_.glClearColor(c.clear.r / 255.0f, c.clear.g / 255.0f, c.clear.b / 255.0f, 1.0f);
        gl_.glClear(GL_COLOR_BUFFER_BIT);
        continue;
      }
      // A malformed command must not make the driver read outside the buffer.
      GlTexture* texture;
      if (!CheckDraw(c, list.vertices.size(), textures_, texture)) continue;
      SetBlend(c.blend);
      SetTexture(texture, c.filtered);
      gl_.glDrawArrays(GL_TRIANGLES, c.first, c.count);
    }
    // Hand the work to the driver now, so it renders while the frame sleeps.
    gl_.glFlush();
  }

  void ReadPixels(int x, int y, int width, int height, Rgba8* out) override {
    const ClipRect c = StartReadBack(x, y, width, height, out, width_, height_);
    if (!context_ || c.Empty()) return;
    const int w = c.Width(), h = c.Height();
    readback_.resize(static_cast<size_t>(w) * h);
    gl_.glReadBuffer(offscreen_ ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    // GL counts rows from the bottom: read the band, then turn it over.
    gl_.glReadPixels(c.x0, height_ - c.y1, w, h, GL_RGBA, GL_UNSIGNED_BYTE, readback_.data());
    for (int row = 0; row < h; ++row) {
      const Rgba8* src = &readback_[static_cast<size_t>(h - 1 - row) * w];
      Rgba8* dst = out + static_cast<size_t>(c.y0 - y + row) * width + (c.x0 - x);
      for (int i = 0; i < w; ++i) dst[i] = Rgba8{src[i].r, src[i].g, src[i].b, 255};
    }
  }

  void Present(bool vsync) override {
    if (!context_) return;
    // The interval is only changed when the request changes; the game asks
    // the same way nearly every frame.
    if (vsync != vsync_) {
      SDL_GL_SetSwapInterval(vsync ? 1 : 0);
      vsync_ = vsync;
    }
    if (offscreen_) {
      // The finished frame onto the canvas, in one copy.
      gl_.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      gl_.glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
      gl_.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, offscreen_);
    }
    SDL_GL_SwapWindow(window_);
  }

  void ReleaseDevice() override {
    if (!context_) return;
    SDL_GL_MakeCurrent(window_, context_);
    textures_.ForEach([&](GlTexture& t) { gl_.glDeleteTextures(1, &t.name); });
    textures_.Clear();
    if (vertexBuffer_) gl_.glDeleteBuffers(1, &vertexBuffer_);
    for (GLuint& program : programs_) {
      if (program) gl_.glDeleteProgram(program);
      program = 0;
    }
    vertexBuffer_ = 0;
    if (offscreen_) gl_.glDeleteFramebuffers(1, &offscreen_);
    if (colourBuffer_) gl_.glDeleteRenderbuffers(1, &colourBuffer_);
    offscreen_ = colourBuffer_ = 0;
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
  }

 private:
  // The back buffer as a framebuffer of our own (read and drawn), the canvas
  // only written at Present.
  bool MakeOffscreen() {
    if (!gl_.LoadOffscreen()) return false;
    gl_.glGenRenderbuffers(1, &colourBuffer_);
    gl_.glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
    gl_.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    gl_.glGenFramebuffers(1, &offscreen_);
    gl_.glBindFramebuffer(GL_FRAMEBUFFER, offscreen_);
    gl_.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer_);
    if (gl_.glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      std::fprintf(stderr, "OpenGL back buffer of %dx%d could not be made\n", width_, height_);
      return false;
    }
    return true;
  }

  void SetFilter(GlTexture& t, bool filtered) {
    int want = filtered ? 1 : 0;
    if (t.filter == want) return;
    GLint mode = filtered ? GL_LINEAR : GL_NEAREST;
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mode);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mode);
    t.filter = want;
  }

  // t: nullptr for untextured drawing.
  void SetTexture(GlTexture* t, bool filtered) {
    UseVariant((t ? 1 : 0) | (blend_ == kBlendMask ? 2 : 0));
    if (!t) return;
    if (boundTexture_ != t->name) {
      gl_.glBindTexture(GL_TEXTURE_2D, t->name);
      boundTexture_ = t->name;
    }
    SetFilter(*t, filtered);
  }

  void SetBlend(BlendMode mode) {
    if (mode == blend_) return;
    blend_ = mode;
    switch (mode) {
      case kBlendAlpha:  // source x alpha + destination x (1 - alpha)
        gl_.glEnable(GL_BLEND);
        gl_.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
      case kBlendLight:  // destination + source x alpha, saturating
        gl_.glEnable(GL_BLEND);
        gl_.glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      case kBlendShade:  // destination x source
        gl_.glEnable(GL_BLEND);
        gl_.glBlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
      case kBlendMask:   // after the discard, as solid
      case kBlendSolid:  // the source replaces the destination
        gl_.glDisable(GL_BLEND);
        break;
    }
  }

  GLuint Compile(GLenum kind, const char* source) {
    GLuint shader = gl_.glCreateShader(kind);
    gl_.glShaderSource(shader, 1, &source, nullptr);
    gl_.glCompileShader(shader);
    GLint ok = 0;
    gl_.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
      char log[1024] = {};
      gl_.glGetShaderInfoLog(shader, sizeof log, nullptr, log);
      std::fprintf(stderr, "OpenGL shader failed: %s\n", log);
      gl_.glDeleteShader(shader);
      return 0;
    }
    return shader;
  }

  void UseVariant(int variant) {
    if (variant == variant_) return;
    gl_.glUseProgram(programs_[variant]);
    variant_ = variant;
  }

  // The driver's name for what draws. A browser's WebGL says only "WebKit
  // WebGL" there; the real one comes through its debug extension.
  std::string RendererName() {
#ifdef __EMSCRIPTEN__
    char name[256] = {};
    EM_ASM({
      var gl = typeof GLctx !== 'undefined' ? GLctx : null;
      var ext = gl && gl.getExtension('WEBGL_debug_renderer_info');
      var text = ext ? String(gl.getParameter(ext.UNMASKED_RENDERER_WEBGL) || '') : '';
      stringToUTF8(text, $0, $1);
    }, name, static_cast<int>(sizeof name));
    if (name[0]) return name;
#endif
    const auto* text = reinterpret_cast<const char*>(gl_.glGetString(GL_RENDERER));
    return text ? text : "";
  }

  // GLSL 1.20 on the desktop; GLSL ES 1.00 on WebGL, where fragment shaders
  // must name a float precision (high where the device has it: texture
  // coordinates of a large sheet need it).
  GLuint Compile(GLenum kind, const std::string& defines, const char* body) {
#ifdef __EMSCRIPTEN__
    std::string source =
        "#version 100\n#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\n"
        "precision mediump float;\n#endif\n" + defines + body;
#else
    std::string source = "#version 120\n" + defines + body;
#endif
    return Compile(kind, source.c_str());
  }

  bool BuildPrograms() {
    for (int variant = 0; variant < kVariants; ++variant) {
      std::string defines;
      if (variant & 1) defines += "#define TEXTURED\n";
      if (variant & 2) defines += "#define ALPHA_TEST\n";
      GLuint vs = Compile(GL_VERTEX_SHADER, defines, kVertexShader);
      GLuint fs = Compile(GL_FRAGMENT_SHADER, defines, kFragmentShader);
      if (!vs || !fs) return false;
      GLuint program = gl_.glCreateProgram();
      programs_[variant] = program;
      gl_.glAttachShader(program, vs);
      gl_.glAttachShader(program, fs);
      gl_.glBindAttribLocation(program, kPosition, "a_position");
      gl_.glBindAttribLocation(program, kTexcoord, "a_texcoord");
      gl_.glBindAttribLocation(program, kColour, "a_colour");
      gl_.glLinkProgram(program);
      gl_.glDeleteShader(vs);  // kept alive by the program
      gl_.glDeleteShader(fs);
      GLint ok = 0;
      gl_.glGetProgramiv(program, GL_LINK_STATUS, &ok);
      if (!ok) {
        char log[1024] = {};
        gl_.glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "OpenGL program failed: %s\n", log);
        return false;
      }
    }
    return true;
  }

  SDL_Window* window_;
  SDL_GLContext context_ = nullptr;
  GlApi gl_;
  int width_, height_;
  GLint maxTexture_ = 0;
  GLuint programs_[kVariants] = {};
  GLuint vertexBuffer_ = 0;
  GLuint offscreen_ = 0;     // the framebuffer drawn into, 0 when drawing to the window's own
  GLuint colourBuffer_ = 0;
  HandleTable<GlTexture> textures_;
  std::vector<Rgba8> readback_;
  GLuint boundTexture_ = 0;
  int blend_ = 0;          // the BlendMode set; 0: none yet
  int variant_ = 0;        // the program in use
  bool vsync_ = false;
};

}  // namespace

std::unique_ptr<SdlWindowBackend> MakeGlBackend(SDL_Window* window, int width, int height) {
  auto backend = std::make_unique<GlBackend>(window, width, height);
  if (!backend->Init()) return nullptr;
  return backend;
}

}  // namespace plat
