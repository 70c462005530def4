// The drawing state and the draw list: colour, alpha, blend mode, rotation,
// scale, image font, auto mid-handle; DrawImage, DrawRect, DrawLine, DrawText
// turn into quads in back-buffer pixels. Every back end runs the same list,
// so placement and colour rules live here once.
#include <algorithm>
#include <cmath>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/platform.h"

namespace plat {
namespace {

struct DrawState {
  int r = 255, g = 255, b = 255;
  float alpha = 1.0f;
  BlendMode blend = kBlendAlpha;
  float rotation = 0.0f;  // degrees, positive clockwise on screen
  float cosR = 1.0f, sinR = 0.0f;
  float sx = 1.0f, sy = 1.0f;
  int font = 0;  // 0 = built-in font
  bool autoMid = false;
};

DrawState g_state;
DrawList g_list;

void ResetDraw() {
  g_state = DrawState();
  g_list.Reset();
}

const ResetHook s_resetDraw(&ResetDraw);

uint8_t Clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Colour × alpha for the vertices. Only the alpha and light modes use the
// current alpha; mask, solid and shade see the texture's own alpha, so every
// back end can fold the alpha the same way.
Rgba8 VertexColour() {
  uint8_t a = 255;
  if (BlendUsesAlpha(g_state.blend)) {
    float al = std::clamp(g_state.alpha, 0.0f, 1.0f);
    a = static_cast<uint8_t>(std::lround(al * 255.0f));
  }
  return Rgba8{Clamp8(g_state.r), Clamp8(g_state.g), Clamp8(g_state.b), a};
}

// A frame that draws without end still runs in bounded memory.
constexpr size_t kMaxQueuedVertices = size_t(1) << 20;

void Append(int texture, bool filtered, const DrawVertex q[4]) {
  if (!CurrentBackend()) return;
  if (g_list.vertices.size() >= kMaxQueuedVertices) FlushDrawList();
  const BlendMode blend = g_state.blend;
  if (texture == 0) filtered = false;
  // A change of texture, blend or filter starts a new command.
  if (g_list.commands.empty() || g_list.commands.back().op != DrawOp::Triangles ||
      g_list.commands.back().texture != texture || g_list.commands.back().blend != blend ||
      g_list.commands.back().filtered != filtered) {
    DrawCommand cmd{};
    cmd.op = DrawOp::Triangles;
    cmd.texture = texture;
    cmd.blend = blend;
    cmd.filtered = filtered;
    cmd.first = static_cast<int>(g_list.vertices.size());
    cmd.count = 0;
    g_list.commands.push_back(cmd);
  }
  const int order[6] = {0, 1, 2, 0, 2, 3};
  for (int k : order) g_list.vertices.push_back(q[k]);
  g_list.commands.back().count += 6;
}

// Bounds of placed quads in back-buffer pixels, for the test-only text log.
struct Bounds {
  float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
  bool Empty() const { return x1 < x0; }
};

// Places a quad given by corner offsets (x0,y0)-(x1,y1) relative to the
// anchor: scaled, then rotated, then moved to (x, y), then mapped from logical
// units to back-buffer pixels.
void PlaceQuad(float x, float y, float x0, float y0, float x1, float y1, int texture, bool filtered,
               float u0, float v0, float u1, float v1, Rgba8 colour, Bounds* grow = nullptr) {
  const float bx = BackScaleX(), by = BackScaleY();
  const float cx[4] = {x0, x1, x1, x0};
  const float cy[4] = {y0, y0, y1, y1};
  const float cu[4] = {u0, u1, u1, u0};
  const float cv[4] = {v0, v0, v1, v1};
  DrawVertex q[4];
  for (int k = 0; k < 4; ++k) {
    float ox = cx[k] * g_state.sx, oy = cy[k] * g_state.sy;
    float rx = ox * g_state.cosR - oy * g_state.sinR;
    float ry = ox * g_state.sinR + oy * g_state.cosR;
    q[k] = DrawVertex{(x + rx) * bx, (y + ry) * by, cu[k], cv[k], colour};
    if (grow) {
      grow->x0 = std::min(grow->x0, q[k].x);
      grow->y0 = std::min(grow->y0, q[k].y);
      grow->x1 = std::max(grow->x1, q[k].x);
      grow->y1 = std::max(grow->y1, q[k].y);
    }
  }
  Append(texture, filtered, q);
}

}  // namespace

std::vector<TextRecord>* g_textLog = nullptr;

bool AutoMidHandleOn() { return g_state.autoMid; }

void QueueClear(Rgba8 colour) {
  DrawCommand cmd{};
  cmd.op = DrawOp::Clear;
  cmd.clear = colour;
  // Anything queued before a clear is invisible anyway.
  g_list.Reset();
  cmd.first = 0;
  g_list.commands.push_back(cmd);
}

void FlushDrawList() {
  if (g_list.commands.empty()) return;
  if (RenderBackend* be = CurrentBackend()) be->Execute(g_list);
  g_list.Reset();
}

void DiscardDrawList() { g_list.Reset(); }

}  // namespace plat

using plat::g_state;

// ---------------------------------------------------------------- state
void SetColor(int r, int g, int b) {
  g_state.r = std::clamp(r, 0, 255);
  g_state.g = std::clamp(g, 0, 255);
  g_state.b = std::clamp(b, 0, 255);
}

void GetColor(int& r, int& g, int& b) {
  r = g_state.r;
  g = g_state.g;
  b = g_state.b;
}

void SetAlpha(float alpha) { g_state.alpha = std::isnan(alpha) ? 0.0f : alpha; }
float GetAlpha() { return g_state.alpha; }

void SetBlend(int mode) {
  if (plat::KnownBlend(mode)) g_state.blend = static_cast<BlendMode>(mode);
}
BlendMode GetBlend() { return g_state.blend; }

void SetRotation(float degrees) {
  if (!std::isfinite(degrees)) degrees = 0.0f;
  g_state.rotation = degrees;
  // Quarter turns are exact, so turned sprites keep straight pixel edges.
  double turns = std::fmod(static_cast<double>(degrees), 360.0);
  if (turns < 0) turns += 360.0;
  if (turns == 0.0) {
    g_state.cosR = 1; g_state.sinR = 0;
  } else if (turns == 90.0) {
    g_state.cosR = 0; g_state.sinR = 1;
  } else if (turns == 180.0) {
    g_state.cosR = -1; g_state.sinR = 0;
  } else if (turns == 270.0) {
    g_state.cosR = 0; g_state.sinR = -1;
  } else {
    double rad = turns * 3.14159265358979323846 / 180.0;
    g_state.cosR = static_cast<float>(std::cos(rad));
    g_state.sinR = static_cast<float>(std::sin(rad));
  }
}
float GetRotation() { return g_state.rotation; }

void SetScale(float sx, float sy) {
  g_state.sx = std::isfinite(sx) ? sx : 1.0f;
  g_state.sy = std::isfinite(sy) ? sy : 1.0f;
}

void GetScale(float& sx, float& sy) {
  sx = g_state.sx;
  sy = g_state.sy;
}

void SetImageFont(int font) { g_state.font = font; }
int GetImageFont() { return g_state.font; }
void AutoMidHandle(int on) { g_state.autoMid = on != 0; }

// ---------------------------------------------------------------- drawing
void DrawImage(int image, float x, float y, int frame) {
  plat::FrameRef f;
  if (!plat::CurrentBackend() || !plat::ResolveImageFrame(image, frame, f)) return;
  plat::Bounds box;
  plat::PlaceQuad(x, y, -f.handleX, -f.handleY, f.width - f.handleX, f.height - f.handleY,
                  f.texture, f.filtered, f.u0, f.v0, f.u1, f.v1, plat::VertexColour(),
                  plat::g_textLog ? &box : nullptr);
  if (plat::g_textLog) {
    plat::RenderBackend* be = plat::CurrentBackend();
    plat::g_textLog->push_back(plat::TextRecord{"", 0, image, frame, box.x0, box.y0, box.x1, box.y1,
                                                be->Width(), be->Height(), g_state.rotation});
  }
}

void DrawRect(float x, float y, float w, float h) {
  if (!plat::CurrentBackend()) return;
  plat::PlaceQuad(x, y, 0, 0, w, h, 0, false, 0, 0, 0, 0, plat::VertexColour());
}

void DrawLine(float x1, float y1, float x2, float y2) {
  if (!plat::CurrentBackend()) return;
  // A line is one back-buffer pixel thick across its minor axis, so every
  // column (or row) it passes gets exactly one pixel, like a classic line;
  // it reaches half a pixel past both end points so both ends are drawn.
  const float bx = plat::BackScaleX(), by = plat::BackScaleY();
  float ax = x1 * bx + 0.5f, ay = y1 * by + 0.5f;
  float cx = x2 * bx + 0.5f, cy = y2 * by + 0.5f;
  float dx = cx - ax, dy = cy - ay;
  float hx, hy, nx, ny;  // half a pixel along the major axis; half a pixel across
  if (std::fabs(dx) >= std::fabs(dy)) {
    hx = dx >= 0 ? 0.5f : -0.5f;
    hy = dx != 0 ? hx * dy / dx : 0.0f;
    nx = 0.0f;
    ny = 0.5f;
  } else {
    hy = dy >= 0 ? 0.5f : -0.5f;
    hx = hy * dx / dy;
    nx = 0.5f;
    ny = 0.0f;
  }
  plat::Rgba8 c = plat::VertexColour();
  plat::DrawVertex q[4] = {
      {ax - hx + nx, ay - hy + ny, 0, 0, c},
      {cx + hx + nx, cy + hy + ny, 0, 0, c},
      {cx + hx - nx, cy + hy - ny, 0, 0, c},
      {ax - hx - nx, ay - hy - ny, 0, 0, c},
  };
  plat::Append(0, false, q);
}

void DrawText(const std::string& text, float x, float y) {
  size_t logged = 0;
  if (plat::g_textLog) {
    const plat::Rgba8 c = plat::VertexColour();
    logged = plat::g_textLog->size();
    plat::TextRecord call{text, g_state.font, 0, 0, 0, 0, 0, 0, 0, 0, g_state.rotation};
    call.x = x;
    call.y = y;
    call.colour = (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
    plat::g_textLog->push_back(call);
  }
  if (!plat::CurrentBackend() || text.empty()) return;
  plat::Rgba8 c = plat::VertexColour();
  // Glyphs stay crisp when they land 1:1 on back-buffer pixels; anything
  // scaled or turned is sampled smoothly.
  bool filtered = !(g_state.sx == 1.0f && g_state.sy == 1.0f && g_state.sinR == 0.0f &&
                    g_state.cosR == 1.0f && plat::BackScaleX() == 1.0f &&
                    plat::BackScaleY() == 1.0f);
  plat::Bounds inked;
  plat::Bounds* grow = plat::g_textLog ? &inked : nullptr;
  int pen = 0;
  for (unsigned char ch : text) {
    plat::GlyphRef gl;
    if (!plat::ResolveFontGlyph(g_state.font, ch, gl)) return;
    if (gl.width > 0 && gl.height > 0) {
      float gx = static_cast<float>(pen + gl.offsetX), gy = static_cast<float>(gl.offsetY);
      plat::PlaceQuad(x, y, gx, gy, gx + gl.width, gy + gl.height, gl.texture, filtered, gl.u0,
                      gl.v0, gl.u1, gl.v1, c, grow);
    }
    pen += gl.advance;
  }
  if (grow && !inked.Empty()) {
    plat::RenderBackend* be = plat::CurrentBackend();
    plat::TextRecord& r = (*plat::g_textLog)[logged];
    r.x0 = inked.x0;
    r.y0 = inked.y0;
    r.x1 = inked.x1;
    r.y1 = inked.y1;
    r.windowWidth = be->Width();
    r.windowHeight = be->Height();
    r.inked = true;
  }
}

int TextWidth(const std::string& text) {
  int w = 0;
  for (unsigned char ch : text) w += plat::FontAdvance(g_state.font, ch);
  return w;
}

int TextHeight(const std::string& /*text*/) { return plat::FontLineHeight(g_state.font); }
