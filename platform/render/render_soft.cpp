// The CPU rasteriser: back end 2, the headless host's back buffer and the
// reference for the pixel tests.
//
// Exact: all five blend modes (mask, solid, alpha, light, shade) in 8-bit
// integer arithmetic with rounding division by 255; nearest and bilinear
// sampling with clamp-to-edge; a half-open fill rule (a pixel is covered when
// its centre lies in [left, right) x [top, bottom)), so quads sharing an edge
// never blend a pixel twice. Back-buffer alpha is always 255.
// Approximates: per-vertex colours are flat per primitive (the first vertex's
// colour); the common layer never varies colour within a quad.
// Lacks: nothing the game draws.
//
// Speed: every primitive is clipped to the screen (and to the thread's band of
// rows) before any pixel work; a quad emitted as two triangles is rasterised
// as one convex polygon; texture coordinates step in 16.16 fixed point along a
// span, so there is no per-pixel division. The span loops run on vectors
// (render_soft_spans.inc): AVX2 when the CPU has it, SSE2 otherwise (4 pixels
// a step), the one-pixel loops on other CPUs; all give the same
// bytes. Unscaled straight sprites read their texels in a row. Primitives at
// opacity 0 are skipped, unless drawn to cost in full (SetFullCostInvisible). Two threads claim bands of 32 rows as they come
// free; every pixel sees the same operations in the same order, so the
// result does not depend on which thread drew it.
//
// Lazy (the headless host's back buffer): drawing is kept since the last full
// clear and rasterised only when pixels are read, so frames nobody looks at
// cost nothing. A texture the kept drawing uses is freed only with it, and
// changing one first rasterises what was kept.
//
// The parts, each under a banner of its own: textures and pixels, scalar
// spans, vector spans, one polygon, the back end (drawing, the lazy record,
// the thread pool), the factories.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#define SOFT_VECTOR_SPANS 1
#endif

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/render/soft_tiles.h"

namespace plat {

// ================================================================ textures and pixels
struct SoftTexture {
  int w = 0, h = 0;
  std::vector<Rgba8> px;
  uint64_t stamp = 0;  // new whenever the pixels change: tiles drawing it are drawn again
  bool opaque = false; // every texel's alpha is 255
  // Recorded drawing samples this texture, so it must not change under the
  // record; a destroyed one lingers until the record is gone.
  bool recorded = false;
  bool lingering = false;
};

namespace {

// The headless host rasterises every frame as it is drawn instead of only
// what is read (tests compare both ways).
bool g_eagerHeadless = false;
// Every frame rasterised and presented whole (tests compare both ways).
bool g_fullRedraw = false;
// Tests: called with the back buffer at every present.
SoftPresentWatcher g_presentWatcher = nullptr;
// Row spans painted: each thread counts its own and adds them up once per
// band, so counting costs the rasteriser nothing it would notice.
std::atomic<uint64_t> g_spansPainted{0};
thread_local uint64_t t_spansPainted = 0;

// A record that grows past this many vertices without a full clear is
// rasterised, so a program that never clears still runs in bounded memory.
constexpr size_t kMaxRecordedVertices = size_t(1) << 20;

inline int Div255(int x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

// Four 8-bit channels spread into 16-bit lanes of a 64-bit word, so one
// multiplication weighs all four channels at once with no lane overflowing
// (255 * 256 < 65536).
constexpr uint64_t kLanes = 0x00FF00FF00FF00FFull;

inline uint64_t Spread(Rgba8 p) {
  uint32_t v;
  std::memcpy(&v, &p, 4);
  uint64_t x = v;
  x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
  return (x | (x << 8)) & kLanes;
}

inline Rgba8 Gather(uint64_t x) {
  x &= kLanes;
  x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
  uint32_t v = static_cast<uint32_t>(x | (x >> 16));
  Rgba8 p;
  std::memcpy(&p, &v, 4);
  return p;
}

// Exact rounding division by 255 in every lane (lanes hold at most 65025).
inline uint64_t LaneDiv255(uint64_t x) {
  x += 0x0080008000800080ull;
  return ((x + ((x >> 8) & kLanes)) >> 8) & kLanes;
}

constexpr uint64_t kOpaqueLane = 0x00FF000000000000ull;  // alpha lane = 255

// Blends one source pixel (already tinted, alpha = effective opacity) into dst.
template <BlendMode Blend>
inline void BlendPixel(Rgba8& d, Rgba8 s) {
  if constexpr (Blend == kBlendMask) {  // mask: alpha 0.5 or less is skipped
    if (s.a > 127) d = Rgba8{s.r, s.g, s.b, 255};
  } else if constexpr (Blend == kBlendSolid) {  // solid
    d = Rgba8{s.r, s.g, s.b, 255};
  } else if constexpr (Blend == kBlendAlpha) {  // alpha
    const uint64_t a = s.a;
    if (a == 0) return;
    if (a == 255) {
      d = Rgba8{s.r, s.g, s.b, 255};
      return;
    }
    uint64_t x = LaneDiv255(Spread(s) * a + Spread(d) * (255 - a));
    d = Gather(x | kOpaqueLane);
  } else if constexpr (Blend == kBlendLight) {  // light: additive, saturating
    const uint64_t a = s.a;
    if (a == 0) return;
    uint64_t x = Spread(d) + LaneDiv255(Spread(s) * a);
    uint64_t over = (x >> 8) & 0x0001000100010001ull;  // lanes that passed 255
    d = Gather((x | (over * 0xFF)) | kOpaqueLane);
  } else {  // shade: multiply
    d.r = static_cast<uint8_t>(Div255(d.r * s.r));
    d.g = static_cast<uint8_t>(Div255(d.g * s.g));
    d.b = static_cast<uint8_t>(Div255(d.b * s.b));
  }
}

// How a texel is coloured before blending: not at all (white, opaque), by
// the alpha only (white, translucent), or in every channel.
enum class TintKind { None, Alpha, Full };

template <TintKind K>
inline Rgba8 Tint(Rgba8 t, Rgba8 c) {
  if constexpr (K == TintKind::None) {
    return t;
  } else if constexpr (K == TintKind::Alpha) {
    t.a = static_cast<uint8_t>(Div255(t.a * c.a));
    return t;
  } else {
    return Rgba8{static_cast<uint8_t>(Div255(t.r * c.r)), static_cast<uint8_t>(Div255(t.g * c.g)),
                 static_cast<uint8_t>(Div255(t.b * c.b)), static_cast<uint8_t>(Div255(t.a * c.a))};
  }
}

template <BlendMode Blend>
void SpanFlat(Rgba8* d, int n, Rgba8 c) {
  if constexpr (Blend == kBlendMask || Blend == kBlendSolid) {
    if (Blend == kBlendMask && c.a <= 127) return;
    Rgba8 s{c.r, c.g, c.b, 255};
    std::fill(d, d + n, s);
  } else {
    for (int i = 0; i < n; ++i) BlendPixel<Blend>(d[i], c);
  }
}

struct SpanTex {
  const SoftTexture* t;
  int64_t u, v;    // 16.16 texel coordinates at the first pixel
  int64_t du, dv;  // per pixel
  Rgba8 c;
};

template <BlendMode Blend, TintKind K>
void SpanNearest(Rgba8* d, int n, const SpanTex& s) {
  const int tw = s.t->w, th = s.t->h;
  const Rgba8* px = s.t->px.data();
  int64_t u = s.u, v = s.v;
  if (s.dv == 0) {  // axis-aligned: one texture row for the whole span
    int ty = std::clamp(static_cast<int>(v >> 16), 0, th - 1);
    const Rgba8* row = px + static_cast<size_t>(ty) * tw;
    for (int i = 0; i < n; ++i, u += s.du) {
      int tx = std::clamp(static_cast<int>(u >> 16), 0, tw - 1);
      Rgba8 t = row[tx];
      t = Tint<K>(t, s.c);
      BlendPixel<Blend>(d[i], t);
    }
    return;
  }
  for (int i = 0; i < n; ++i, u += s.du, v += s.dv) {
    int tx = std::clamp(static_cast<int>(u >> 16), 0, tw - 1);
    int ty = std::clamp(static_cast<int>(v >> 16), 0, th - 1);
    Rgba8 t = px[static_cast<size_t>(ty) * tw + tx];
    t = Tint<K>(t, s.c);
    BlendPixel<Blend>(d[i], t);
  }
}

// One bilinear sample from the texels (x0, x1) of rows r0 and r1; fx, fy
// are the 8-bit fractions towards x1 and r1.
inline Rgba8 Bilinear(const Rgba8* r0, const Rgba8* r1, int x0, int x1, int fx, int fy) {
#if defined(__SSE2__)
  // Both rows' texel pairs widened to 16-bit lanes: the vertical blend takes
  // one multiply-add for two texels, the horizontal one adds the halves.
  const __m128i zero = _mm_setzero_si128();
  uint64_t p0, p1;
  uint32_t a, b;
  std::memcpy(&a, r0 + x0, 4);
  std::memcpy(&b, r0 + x1, 4);
  p0 = a | (uint64_t(b) << 32);
  std::memcpy(&a, r1 + x0, 4);
  std::memcpy(&b, r1 + x1, 4);
  p1 = a | (uint64_t(b) << 32);
  __m128i top = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(p0)), zero);
  __m128i bot = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(p1)), zero);
  __m128i col = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16(static_cast<short>(256 - fy))),
                                             _mm_mullo_epi16(bot, _mm_set1_epi16(static_cast<short>(fy)))), 8);
  const short w0 = static_cast<short>(256 - fx), w1 = static_cast<short>(fx);
  __m128i weighted = _mm_mullo_epi16(col, _mm_set_epi16(w1, w1, w1, w1, w0, w0, w0, w0));
  __m128i sum = _mm_srli_epi16(_mm_add_epi16(weighted, _mm_srli_si128(weighted, 8)), 8);
  uint32_t out = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, zero)));
  Rgba8 t;
  std::memcpy(&t, &out, 4);
  return t;
#else
  // The same order as above (down the rows, then across), so every CPU
  // gives the same pixels.
  const uint64_t wx1 = static_cast<uint64_t>(fx), wx0 = 256 - wx1;
  const uint64_t wy1 = static_cast<uint64_t>(fy), wy0 = 256 - wy1;
  uint64_t left = ((Spread(r0[x0]) * wy0 + Spread(r1[x0]) * wy1) >> 8) & kLanes;
  uint64_t right = ((Spread(r0[x1]) * wy0 + Spread(r1[x1]) * wy1) >> 8) & kLanes;
  return Gather((left * wx0 + right * wx1) >> 8);
#endif
}

template <BlendMode Blend, TintKind K>
void SpanBilinear(Rgba8* d, int n, const SpanTex& s) {
  const int tw = s.t->w, th = s.t->h;
  const Rgba8* px = s.t->px.data();
  // Sample positions are texel centres: shift by half a texel.
  int64_t u = s.u - 32768, v = s.v - 32768;
  for (int i = 0; i < n; ++i, u += s.du, v += s.dv) {
    int x0 = static_cast<int>(u >> 16), y0 = static_cast<int>(v >> 16);
    int fx = static_cast<int>((u >> 8) & 255), fy = static_cast<int>((v >> 8) & 255);
    int x1 = std::clamp(x0 + 1, 0, tw - 1), y1 = std::clamp(y0 + 1, 0, th - 1);
    x0 = std::clamp(x0, 0, tw - 1);
    y0 = std::clamp(y0, 0, th - 1);
    const Rgba8* r0 = px + static_cast<size_t>(y0) * tw;
    const Rgba8* r1 = px + static_cast<size_t>(y1) * tw;
    Rgba8 t = Bilinear(r0, r1, x0, x1, fx, fy);
    t = Tint<K>(t, s.c);
    BlendPixel<Blend>(d[i], t);
  }
}

using FlatFn = void (*)(Rgba8*, int, Rgba8);
using TexFn = void (*)(Rgba8*, int, const SpanTex&);

// ================================================================ scalar spans
// One pixel a step: the reference the vector loops match byte for byte, and
// the loops on CPUs without the vector paths.
namespace scalar {

template <BlendMode Blend, TintKind K>
TexFn PickTexK(bool filtered) {
  return filtered ? SpanBilinear<Blend, K> : SpanNearest<Blend, K>;
}

template <BlendMode Blend>
TexFn PickTex(bool filtered, TintKind tint) {
  switch (tint) {
    case TintKind::None: return PickTexK<Blend, TintKind::None>(filtered);
    case TintKind::Alpha: return PickTexK<Blend, TintKind::Alpha>(filtered);
    default: return PickTexK<Blend, TintKind::Full>(filtered);
  }
}

TexFn PickTexFn(BlendMode blend, bool filtered, TintKind tinted) {
  switch (blend) {
    case kBlendMask: return PickTex<kBlendMask>(filtered, tinted);
    case kBlendSolid: return PickTex<kBlendSolid>(filtered, tinted);
    case kBlendLight: return PickTex<kBlendLight>(filtered, tinted);
    case kBlendShade: return PickTex<kBlendShade>(filtered, tinted);
    default: return PickTex<kBlendAlpha>(filtered, tinted);
  }
}

FlatFn PickFlatFn(BlendMode blend) {
  switch (blend) {
    case kBlendMask: return SpanFlat<kBlendMask>;
    case kBlendSolid: return SpanFlat<kBlendSolid>;
    case kBlendLight: return SpanFlat<kBlendLight>;
    case kBlendShade: return SpanFlat<kBlendShade>;
    default: return SpanFlat<kBlendAlpha>;
  }
}

}  // namespace scalar

// ================================================================ vector spans
#if SOFT_VECTOR_SPANS
// Lane orders for the vector span loops (render_soft_spans.inc).
#define IOTA4 0, 1, 2, 3

// The vector helpers pass vectors wider than the registers between inline
// functions of this file only, so the calling convention does not matter
// (the warning comes when the templates are instantiated, at the file's end).
#pragma GCC diagnostic ignored "-Wpsabi"
namespace sse2 {
#define SPAN_W 4
#include "platform/render/render_soft_spans.inc"
#undef SPAN_W
}  // namespace sse2

// Only the functions of this namespace may use AVX2, as DetectSpans below
// picks them only on a CPU that has it: the target is set for them alone,
// not for the file (GCC and clang each spell that their own way).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
#define SPAN_W 4
#define SPAN_GATHER 1
#include "platform/render/render_soft_spans.inc"
#undef SPAN_GATHER
#undef SPAN_W
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

// The span loops in use: the best this CPU runs, unless a test chose others.
int DetectSpans() {
#if SOFT_VECTOR_SPANS
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? kSpansAvx2 : kSpansSse2;
#else
  return kSpansScalar;
#endif
}

int g_spans = DetectSpans();

TexFn PickTexFn(BlendMode blend, bool filtered, TintKind tint) {
#if SOFT_VECTOR_SPANS
  if (g_spans == kSpansAvx2) return avx2::PickTexFn(blend, filtered, tint);
  if (g_spans == kSpansSse2) return sse2::PickTexFn(blend, filtered, tint);
#endif
  return scalar::PickTexFn(blend, filtered, tint);
}

FlatFn PickFlatFn(BlendMode blend) {
#if SOFT_VECTOR_SPANS
  if (g_spans == kSpansAvx2) return avx2::PickFlatFn(blend);
  if (g_spans == kSpansSse2) return sse2::PickFlatFn(blend);
#endif
  return scalar::PickFlatFn(blend);
}

// 16.16 fixed point, bounded so that stepping along any span cannot overflow.
inline int64_t Fixed(double v) {
  constexpr double kLimit = 1e12;
  if (!(v > -kLimit)) v = -kLimit;  // also catches NaN
  if (v > kLimit) v = kLimit;
  double x = v * 65536.0 + 0.5;
  int64_t t = static_cast<int64_t>(x);  // toward zero; step down for negatives: floor
  return t - (x < static_cast<double>(t) ? 1 : 0);
}

bool SamePos(const DrawVertex& a, const DrawVertex& b) { return a.x == b.x && a.y == b.y; }

// ================================================================ one polygon
// A polygon's edge, walked from its top end (x0, y0) down to y1.
struct Edge {
  float x0, y0, y1, slope;
};

// The rows [r0, r1) of the area whose centres a polygon may cover. False
// when it changes nothing there: it has no area, is invisible, or lies off
// the area (the tiles placed it on the screen; see SoftTiles::Place).
bool CoveredRows(const SoftPrim& prim, const ClipRect& area, int& r0, int& r1) {
  const DrawVertex* p = prim.v;
  float ymin = p[0].y, ymax = p[0].y, xmin = p[0].x, xmax = p[0].x;
  for (int k = 1; k < prim.n; ++k) {
    ymin = std::min(ymin, p[k].y);
    ymax = std::max(ymax, p[k].y);
    xmin = std::min(xmin, p[k].x);
    xmax = std::max(xmax, p[k].x);
  }
  if (!(ymax > ymin) || !(xmax > xmin)) return false;  // also rejects NaN
  if (BlendUsesAlpha(prim.blend) && p[0].colour.a == 0 && !prim.fullCost) return false;
  // Clip to the area before doing anything per row.
  if (xmax <= area.x0 || xmin >= area.x1 || ymax <= area.y0 || ymin >= area.y1) return false;
  // Clamped while still floating point: far-off vertices must not overflow the casts.
  r0 = static_cast<int>(std::ceil(std::max(ymin - 0.5f, static_cast<float>(area.y0))));
  r1 = static_cast<int>(std::ceil(std::min(ymax - 0.5f, static_cast<float>(area.y1))));
  return r0 < r1;
}

// The polygon's edges, horizontal ones left out; returns how many. Each is
// walked top to bottom, so an edge two primitives share gives the same x in
// both.
int SetUpEdges(const DrawVertex* p, int n, Edge* edges) {
  int ne = 0;
  for (int k = 0; k < n; ++k) {
    const DrawVertex& a = p[k];
    const DrawVertex& b = p[(k + 1) % n];
    if (a.y == b.y) continue;
    const DrawVertex& t = a.y < b.y ? a : b;
    const DrawVertex& u = a.y < b.y ? b : a;
    edges[ne++] = Edge{t.x, t.y, u.y, (u.x - t.x) / (u.y - t.y)};
  }
  return ne;
}

// The columns [xs, xe) of a row `width` wide whose centres lie between the
// edges where they cross the row's centre yc. False when there are none.
bool RowSpan(const Edge* edges, int ne, float yc, int width, int& xs, int& xe) {
  float lo = 1e30f, hi = -1e30f;
  for (int k = 0; k < ne; ++k) {
    const Edge& e = edges[k];
    if (yc < e.y0 || yc > e.y1) continue;
    float x = e.x0 + (yc - e.y0) * e.slope;
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  if (!(hi > lo)) return false;
  xs = static_cast<int>(std::ceil(std::max(lo - 0.5f, 0.0f)));
  xe = static_cast<int>(std::ceil(std::min(hi - 0.5f, static_cast<float>(width))));
  return xs < xe;
}

// Where a polygon covers each row: from the spans kept for it, else
// worked out from its edges (set up at the first row that needs them). The
// same either way: the kept spans are RowSpan's.
class PolygonRows {
 public:
  PolygonRows(const SoftPrim& p, int width) : p_(p), width_(width) {}
  bool Span(int y, int& xs, int& xe) {
    if (p_.rows && y >= p_.rowsFrom && y < p_.rowsTo) {
      const int16_t* at = p_.rows + 2 * (y - p_.rowsFrom);
      xs = at[0];
      xe = at[1];
      return xs < xe;
    }
    if (ne_ < 0) ne_ = SetUpEdges(p_.v, p_.n, edges_);
    return RowSpan(edges_, ne_, y + 0.5f, width_, xs, xe);
  }

 private:
  const SoftPrim& p_;
  int width_;
  Edge edges_[4];
  int ne_ = -1;
};

// What a polygon's spans are painted with: the first vertex's colour, flat
// or tinting a texture mapped onto the polygon.
class SpanPainter {
 public:
  // False when the texture cannot be mapped (every vertex on one line).
  bool SetUp(const SoftPrim& prim) {
    const DrawVertex* p = prim.v;
    colour_ = p[0].colour;
    if (!prim.tex) {
      flat_ = PickFlatFn(prim.blend);
      return true;
    }
    const SoftTexture* tex = prim.tex;
    if (!MapTexture(p, prim.n, *tex)) return false;
    const Rgba8 c = colour_;
    const bool white = c.r == 255 && c.g == 255 && c.b == 255;
    TintKind tinted = !white ? TintKind::Full : c.a == 255 ? TintKind::None : TintKind::Alpha;
    texFn_ = PickTexFn(prim.blend, prim.filtered, tinted);
    st_.t = tex;
    st_.c = c;
    st_.du = Fixed(dudx_);
    st_.dv = Fixed(dvdx_);
    return true;
  }

  // The columns [from, xe) of the span [xs, xe) of a row whose centre is yc.
  // The texture is stepped from the span's start as a whole span would be,
  // so a span cut at a tile's edge paints the same pixels.
  void Paint(Rgba8* row, int xs, int from, int xe, float yc) {
    if (flat_) {
      flat_(row + from, xe - from, colour_);
      return;
    }
    double px = xs + 0.5 - ox_, py = yc - oy_;
    st_.u = Fixed(ou_ + dudx_ * px + dudy_ * py) + st_.du * (from - xs);
    st_.v = Fixed(ov_ + dvdx_ * px + dvdy_ * py) + st_.dv * (from - xs);
    texFn_(row + from, xe - from, st_);
  }

 private:
  // Texture coordinates as an affine function of the position, from three
  // vertices not on one line: the first two and the third, or for a quad
  // whose first three are, its first, third and fourth.
  bool MapTexture(const DrawVertex* p, int n, const SoftTexture& tex) {
    auto area = [p](int a, int b, int d) {
      return (double(p[b].x) - p[a].x) * (double(p[d].y) - p[a].y) -
             (double(p[d].x) - p[a].x) * (double(p[b].y) - p[a].y);
    };
    int a = 0, b = 1, d = 2;
    double det = area(a, b, d);
    if (std::fabs(det) < 1e-9 && n == 4) {
      b = 2;
      d = 3;
      det = area(a, b, d);
    }
    if (std::fabs(det) < 1e-9) return false;
    double x1 = double(p[b].x) - p[a].x, y1 = double(p[b].y) - p[a].y;
    double x2 = double(p[d].x) - p[a].x, y2 = double(p[d].y) - p[a].y;
    double u1 = (double(p[b].u) - p[a].u) * tex.w, u2 = (double(p[d].u) - p[a].u) * tex.w;
    double v1 = (double(p[b].v) - p[a].v) * tex.h, v2 = (double(p[d].v) - p[a].v) * tex.h;
    dudx_ = (u1 * y2 - u2 * y1) / det;
    dudy_ = (u2 * x1 - u1 * x2) / det;
    dvdx_ = (v1 * y2 - v2 * y1) / det;
    dvdy_ = (v2 * x1 - v1 * x2) / det;
    ou_ = double(p[a].u) * tex.w;
    ov_ = double(p[a].v) * tex.h;
    ox_ = p[a].x;
    oy_ = p[a].y;
    // Snap tiny gradients to zero so axis-aligned quads take the one-row path.
    if (std::fabs(dvdx_) < 1e-7) dvdx_ = 0;
    if (std::fabs(dudy_) < 1e-7) dudy_ = 0;
    return true;
  }

  Rgba8 colour_{};
  FlatFn flat_ = nullptr;
  TexFn texFn_ = nullptr;
  SpanTex st_{};
  double dudx_ = 0, dudy_ = 0, dvdx_ = 0, dvdy_ = 0;  // texels per pixel
  double ou_ = 0, ov_ = 0, ox_ = 0, oy_ = 0;          // texel (ou, ov) lies at pixel (ox, oy)
};

// ================================================================ the back end
// Drawing is recorded from the last full clear and rasterised when the
// record is resolved: as it arrives (a window), or only when pixels are read
// (lazy: the headless host). A frame that starts with a full clear is
// compared tile by tile with the frame the back buffer holds, and only the
// tiles it draws differently are rasterised; drawing that continues a frame
// is drawn over the tiles it touches.
class SoftBackend final : public RenderBackend {
 public:
  SoftBackend(int w, int h, bool lazy)
      : w_(std::max(1, w)), h_(std::max(1, h)), lazy_(lazy), tiles_(w_, h_) {
    fb_.assign(static_cast<size_t>(w_) * h_, Rgba8{0, 0, 0, 255});
    // A second thread pays off only with a second core and a buffer big
    // enough to split.
    if (std::thread::hardware_concurrency() >= 2 && h_ >= 32) {
      worker_ = std::thread([this] { WorkerLoop(); });
    }
  }

  ~SoftBackend() override {
    if (worker_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(m_);
        quit_ = true;
      }
      cv_.notify_all();
      worker_.join();
    }
  }

  const char* Name() const override { return "Software"; }

  int CreateTexture(int width, int height, const Rgba8* rgba) override {
    SoftTexture t;
    t.px = NewTexturePixels(width, height, rgba);
    t.w = width;
    t.h = height;
    t.stamp = ++stamps_;
    t.opaque = AllOpaque(t.px.data(), t.px.size());
    return tex_.Add(std::move(t));
  }

  void UpdateTexture(int texture, int x, int y, int width, int height, const Rgba8* rgba) override {
    SoftTexture* t = LiveTex(texture);
    if (!t || !rgba) return;
    if (t->recorded) Resolve();  // recorded drawing sees the old pixels
    const ClipRect area = ClipToArea(x, y, width, height, t->w, t->h);
    CopyIntoArea(area, rgba, x, y, width, t->px.data(), t->w);
    t->stamp = ++stamps_;
    bool partOpaque = true;
    for (int row = area.y0; row < area.y1 && partOpaque; ++row)
      partOpaque = AllOpaque(t->px.data() + static_cast<size_t>(row) * t->w + area.x0, area.Width());
    if (!partOpaque)
      t->opaque = false;
    else if (!t->opaque)
      t->opaque = AllOpaque(t->px.data(), t->px.size());
  }

  static bool AllOpaque(const Rgba8* px, size_t count) {
    for (size_t i = 0; i < count; ++i)
      if (px[i].a != 255) return false;
    return true;
  }

  void DestroyTexture(int texture) override {
    SoftTexture* t = LiveTex(texture);
    if (!t) return;
    if (t->recorded) {
      t->lingering = true;  // freed with the record
      lingering_.push_back(texture);
      return;
    }
    tex_.Remove(texture);
  }

  void Execute(const DrawList& list) override {
    if (list.commands.empty()) return;
    Record(list);
    if (!lazy_) Resolve();
  }

  void ReadPixels(int x, int y, int width, int height, Rgba8* out) override {
    Resolve();
    CopyFromArea(StartReadBack(x, y, width, height, out, w_, h_), fb_.data(), w_, out, x, y, width);
  }

  void Present(bool) override {
    if (!g_presentWatcher) return;
    Resolve();
    g_presentWatcher(fb_.data(), w_, h_);
  }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  const std::vector<Rgba8>& Pixels() {
    Resolve();
    return fb_;
  }

  // The parts of the back buffer drawn since the last call (all of it the
  // first time, and always when full redraws are forced).
  void TakeChanged(std::vector<ClipRect>& rects) {
    Resolve();
    tiles_.TakeChanged(rects);
    if (g_fullRedraw) rects.assign(1, ClipToArea(0, 0, w_, h_, w_, h_));
  }

 private:
  // A texture the program may still use; drawing may also sample one that
  // lingers (destroyed while recorded drawing used it).
  SoftTexture* LiveTex(int id) {
    SoftTexture* t = tex_.Get(id);
    return t && !t->lingering ? t : nullptr;
  }

  // ------------------------------------------------ the record
  // Drawing since the last full clear, not rasterised yet; a full clear
  // makes everything before it invisible, so it is dropped.
  void Record(const DrawList& list) {
    size_t from = 0;
    for (size_t k = list.commands.size(); k-- > 0;) {
      if (list.commands[k].op == DrawOp::Clear) {
        from = k;
        DropRecord();
        break;
      }
    }
    const int base = static_cast<int>(record_.vertices.size());
    record_.vertices.insert(record_.vertices.end(), list.vertices.begin(), list.vertices.end());
    for (size_t k = from; k < list.commands.size(); ++k) {
      DrawCommand cmd = list.commands[k];
      if (cmd.op == DrawOp::Triangles) {
        SoftTexture* t;
        if (!CheckDraw(cmd, list.vertices.size(), tex_, t) || Invisible(list, cmd)) continue;
        if (t) t->recorded = true;
        cmd.first += base;
      }
      record_.commands.push_back(cmd);
    }
    if (record_.vertices.size() > kMaxRecordedVertices) Resolve();
  }

  // Alpha and light with opacity 0 leave every pixel as it is (cmd checked).
  // Drawn where they are to cost in full (the engine test's load), except on
  // the lazy back buffer: it is the headless host's, whose clock is virtual,
  // so no load drawn there measures anything.
  bool Invisible(const DrawList& list, const DrawCommand& cmd) const {
    if (!BlendUsesAlpha(cmd.blend) || (cmd.fullCost && !lazy_)) return false;
    for (int i = cmd.first; i < cmd.first + cmd.count; i += 3)
      if (list.vertices[i].colour.a != 0) return false;
    return true;
  }

  // Rasterises the record where it draws differently from what the back
  // buffer holds.
  void Resolve() {
    if (record_.commands.empty()) return;
    BuildPrims(record_, next_);
    if (!next_.empty() && next_[0].n == 0) {
      // A whole frame: against the frame the back buffer holds.
      KeepSpans();
      tiles_.Bin(next_, nextBins_);
      if (shownKnown_ && !g_fullRedraw) {
        tiles_.Diff(next_, nextBins_, shown_, shownBins_, dirty_, changes_);
        MaskChanges();
      } else
        tiles_.Touched(next_, true, dirty_);
      Draw(next_, 0, &nextBins_);
      std::swap(shown_, next_);
      std::swap(shownBins_, nextBins_);
      shownKnown_ = true;
    } else {
      // More of the frame the back buffer holds: drawn over it.
      tiles_.Touched(next_, g_fullRedraw, dirty_);
      Draw(next_, 0, nullptr);
      if (shownKnown_ && shown_.size() + next_.size() <= kMaxShownPrims) {
        shown_.insert(shown_.end(), next_.begin(), next_.end());
        tiles_.Bin(shown_, shownBins_);
      } else {
        shownKnown_ = false;  // the next whole frame is drawn whole
        shown_.clear();
      }
    }
    tiles_.NoteDrawn(dirty_, runs_);
    DropRecord();
  }

  // Gives each polygon of a whole frame that is where the one at its index
  // was in the last two whole frames the spans kept for it, working them out
  // once at the second: a screen at rest draws the same long stripes over a
  // few rows each frame, and most of that cost was finding their spans.
  // What moves every frame keeps nothing. Spans are worked out again only
  // for corners seen at an index in the last frame, so those a primitive of
  // the shown frame points at stay as they are while this one is drawn.
  void KeepSpans() {
    if (kept_.size() < next_.size()) kept_.resize(next_.size());
    const ClipRect screen = ClipToArea(0, 0, w_, h_, w_, h_);
    for (size_t i = 0; i < next_.size(); ++i) {
      SoftPrim& p = next_[i];
      KeptSpans& k = kept_[i];
      if (p.n == 0) continue;
      float xy[8] = {};
      for (int v = 0; v < p.n; ++v) {
        xy[2 * v] = p.v[v].x;
        xy[2 * v + 1] = p.v[v].y;
      }
      if (k.n != p.n || std::memcmp(k.xy, xy, sizeof xy) != 0) {
        std::memcpy(k.xy, xy, sizeof xy);
        k.n = p.n;
        k.worked = false;
        continue;
      }
      if (!k.worked) {
        k.worked = true;
        k.r0 = k.r1 = 0;
        if (!CoveredRows(p, screen, k.r0, k.r1)) k.r0 = k.r1 = 0;
        k.cols.resize(2 * static_cast<size_t>(k.r1 - k.r0));
        Edge edges[4];
        const int ne = SetUpEdges(p.v, p.n, edges);
        for (int y = k.r0; y < k.r1; ++y) {
          int xs = 0, xe = 0;
          if (!RowSpan(edges, ne, y + 0.5f, w_, xs, xe)) xs = xe = 0;
          k.cols[2 * static_cast<size_t>(y - k.r0)] = static_cast<int16_t>(xs);
          k.cols[2 * static_cast<size_t>(y - k.r0) + 1] = static_cast<int16_t>(xe);
        }
      }
      if (k.r0 < k.r1) {
        p.rows = k.cols.data();
        p.rowsFrom = k.r0;
        p.rowsTo = k.r1;
      }
    }
  }

  // Each tile Diff found a few primitives changed on gets the pixels those
  // cover in either frame as its mask, less those an unchanged opaque
  // primitive drawn after them all covers (the table's art over the
  // drifting backdrop); a tile where that leaves none is clean. The
  // coverage is the rasteriser's own, row by row.
  void MaskChanges() {
    for (size_t i = 0; i < changes_.size();) {
      const int t = changes_[i].tile;
      const ClipRect area = tiles_.TileRect(t);
      SoftTiles::RowMask& mask = tiles_.Mask(t);
      std::fill(std::begin(mask.from), std::end(mask.from), static_cast<int16_t>(area.x1));
      std::fill(std::begin(mask.to), std::end(mask.to), static_cast<int16_t>(area.x0));
      mask.r0 = SoftTiles::kTileH;
      mask.r1 = 0;
      // The last changed primitive of the tile. The tile's list is in
      // drawing order; those after it are the same in both frames.
      int last = -1;
      size_t end = i;
      for (; end < changes_.size() && changes_[end].tile == t; ++end) last = std::max(last, changes_[end].next);
      const int* list = nextBins_.items.data();
      const int first = nextBins_.start[static_cast<size_t>(t)];
      int k = nextBins_.start[static_cast<size_t>(t) + 1] - 1;
      bool hidden = false;
      for (; k >= first && list[k] > last && !hidden; --k)
        hidden = Occludes(next_[static_cast<size_t>(list[k])]) && Contains(next_[static_cast<size_t>(list[k])], area);
      if (hidden) {
        dirty_[static_cast<size_t>(t)] = SoftTiles::kClean;
        i = end;
        continue;
      }
      for (; i < end; ++i) {
        const SoftPrim& n = next_[static_cast<size_t>(changes_[i].next)];
        const SoftPrim& s = shown_[static_cast<size_t>(changes_[i].shown)];
        AddCover(n, area, mask);
        // A primitive that changed its colours, texture or blend alone
        // covers the same pixels.
        if (!SamePlace(n, s)) AddCover(s, area, mask);
      }
      for (k = nextBins_.start[static_cast<size_t>(t) + 1] - 1; k >= first && list[k] > last && mask.r0 < mask.r1; --k)
        Uncover(next_[static_cast<size_t>(list[k])], area, mask);
      if (mask.r0 >= mask.r1) {
        dirty_[static_cast<size_t>(t)] = SoftTiles::kClean;
        continue;
      }
      // Most of the tile: drawn whole, with its neighbours, costs less.
      if (4 * mask.Pixels() > 3 * area.Width() * area.Height()) dirty_[static_cast<size_t>(t)] = SoftTiles::kWhole;
    }
  }

  // A polygon that draws every pixel it covers whatever lay under it.
  static bool Occludes(const SoftPrim& p) {
    if (p.n == 0 || !p.opaque || (p.blend != kBlendSolid && p.v[0].colour.a != 255)) return false;
    SpanPainter painter;
    return painter.SetUp(p);   // else it draws nothing
  }

  // Whether the polygon covers every pixel of the area: each corner pixel's
  // centre lies inside every edge by a hundredth of a pixel, far more than
  // the rasteriser's rounding at these sizes.
  static bool Contains(const SoftPrim& p, const ClipRect& area) {
    const DrawVertex* v = p.v;
    double turn = 0;   // the winding: the polygon's doubled signed area
    for (int k = 0; k < p.n; ++k) {
      const DrawVertex& a = v[k];
      const DrawVertex& b = v[(k + 1) % p.n];
      turn += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    if (!(std::fabs(turn) > 0)) return false;   // also NaN
    const double xs[2] = {area.x0 + 0.5, area.x1 - 0.5}, ys[2] = {area.y0 + 0.5, area.y1 - 0.5};
    for (int k = 0; k < p.n; ++k) {
      const DrawVertex& a = v[k];
      const DrawVertex& b = v[(k + 1) % p.n];
      const double ex = static_cast<double>(b.x) - a.x, ey = static_cast<double>(b.y) - a.y;
      const double margin = 0.01 * std::sqrt(ex * ex + ey * ey);
      for (double x : xs)
        for (double y : ys) {
          const double side = ex * (y - a.y) - ey * (x - a.x);
          if (!((turn > 0 ? side : -side) > margin)) return false;
        }
    }
    return true;
  }

  // Whether a polygon may cover a pixel of the rectangle: its extent over
  // the rectangle's rows, and a pixel more each way, meets its columns. A
  // long diagonal stripe is dismissed at once instead of row by row.
  static bool MayCover(const SoftPrim& p, const ClipRect& r) {
    if (p.n == 0 || !FiniteVertices(p)) return true;
    double lo, hi;
    if (!SlabExtent(p, r.y0 - 1.0, r.y1 + 1.0, lo, hi)) return false;
    return lo - 1 < r.x1 && hi + 1 > r.x0;
  }

  // Takes from each row of the mask what an opaque polygon covers there,
  // where that leaves one run of columns; then drops empty rows at the ends.
  void Uncover(const SoftPrim& p, const ClipRect& area, SoftTiles::RowMask& mask) const {
    if (!Occludes(p) || !MayCover(p, SoftTiles::MaskBounds(mask, area))) return;
    int r0, r1;
    if (!CoveredRows(p, area, r0, r1)) return;
    PolygonRows spans(p, w_);
    r0 = std::max(r0, area.y0 + mask.r0);
    r1 = std::min(r1, area.y0 + mask.r1);
    for (int y = r0; y < r1; ++y) {
      int16_t& lo = mask.from[y - area.y0];
      int16_t& hi = mask.to[y - area.y0];
      int xs, xe;
      if (lo >= hi || !spans.Span(y, xs, xe)) continue;
      if (xs <= lo && xe >= hi)
        hi = lo;   // all of it
      else if (xs <= lo && xe > lo)
        lo = static_cast<int16_t>(xe);
      else if (xe >= hi && xs < hi)
        hi = static_cast<int16_t>(xs);
    }
    mask.Trim();
  }

  static bool SamePlace(const SoftPrim& a, const SoftPrim& b) {
    if (a.n != b.n) return false;
    for (int k = 0; k < a.n; ++k)
      if (std::memcmp(&a.v[k].x, &b.v[k].x, sizeof(float)) != 0 ||
          std::memcmp(&a.v[k].y, &b.v[k].y, sizeof(float)) != 0)
        return false;
    return true;
  }

  // Widens each row of the mask to the polygon's columns there.
  void AddCover(const SoftPrim& p, const ClipRect& area, SoftTiles::RowMask& mask) const {
    int r0, r1;
    if (!CoveredRows(p, area, r0, r1)) return;
    PolygonRows spans(p, w_);
    for (int y = r0; y < r1; ++y) {
      int xs, xe;
      if (!spans.Span(y, xs, xe)) continue;
      const int from = std::max(xs, area.x0), to = std::min(xe, area.x1);
      if (from >= to) continue;
      int16_t& lo = mask.from[y - area.y0];
      int16_t& hi = mask.to[y - area.y0];
      lo = static_cast<int16_t>(std::min<int>(lo, from));
      hi = static_cast<int16_t>(std::max<int>(hi, to));
      mask.r0 = std::min(mask.r0, y - area.y0);
      mask.r1 = std::max(mask.r1, y - area.y0 + 1);
    }
  }

  void DropRecord() {
    record_.Reset();
    for (int id : lingering_) tex_.Remove(id);
    lingering_.clear();
    tex_.ForEach([](SoftTexture& t) { t.recorded = false; });
  }

  // The record as the primitives the rasteriser draws, each placed on the
  // tiles it touches; those that change no pixel are left out.
  void BuildPrims(const DrawList& list, std::vector<SoftPrim>& out) {
    out.clear();
    const auto& vs = list.vertices;
    for (const DrawCommand& cmd : list.commands) {
      SoftPrim p;
      if (cmd.op == DrawOp::Clear) {
        out.clear();
        p.clear = Rgba8{cmd.clear.r, cmd.clear.g, cmd.clear.b, 255};
        tiles_.Place(p);
        out.push_back(p);
        continue;
      }
      SoftTexture* tex;
      if (!CheckDraw(cmd, vs.size(), tex_, tex)) continue;
      p.blend = cmd.blend;
      p.filtered = cmd.filtered;
      p.fullCost = cmd.fullCost;
      p.tex = tex;
      p.texture = tex ? cmd.texture : 0;
      p.stamp = tex ? tex->stamp : 0;
      // Alpha 255 blends exactly to the source; a mask keeps it whole.
      p.opaque = cmd.blend == kBlendSolid ||
                 ((cmd.blend == kBlendAlpha || cmd.blend == kBlendMask) && (!tex || tex->opaque));
      const int end = cmd.first + cmd.count;
      for (int i = cmd.first; i < end;) {
        // The common layer emits a quad as (0,1,2)(0,2,3): rasterise it whole.
        if (i + 6 <= end && SamePos(vs[i + 3], vs[i]) && SamePos(vs[i + 4], vs[i + 2])) {
          p.v[0] = vs[i];
          p.v[1] = vs[i + 1];
          p.v[2] = vs[i + 2];
          p.v[3] = vs[i + 5];
          p.n = 4;
          i += 6;
        } else {
          std::copy_n(&vs[i], 3, p.v);
          p.v[3] = DrawVertex{};
          p.n = 3;
          i += 3;
        }
        if (tiles_.Place(p)) out.push_back(p);
      }
    }
  }

  // ------------------------------------------------ the thread pool
  // The dirty tiles go out as runs along each band of rows; runs are claimed
  // by whichever thread is free, so a worker that the system is slow to wake
  // costs nothing: the caller then draws every run itself. Each run draws
  // every primitive touching it, in order, so every pixel sees the same
  // operations in the same order whoever draws it.
  void Draw(const std::vector<SoftPrim>& prims, size_t from, const TileBins* bins) {
    tiles_.Runs(dirty_, runs_);
    const int count = static_cast<int>(runs_.size());
    if (count == 0) return;
    // Waking the helper costs more than a few tiles take to draw. A masked
    // run counts by the pixels of its mask.
    int pixels = 0;
    for (const TileRun& run : runs_) {
      if (run.mask < 0) {
        pixels += run.px.Width() * run.px.Height();
        continue;
      }
      pixels += tiles_.RunMask(run.mask).Pixels();
    }
    if (!worker_.joinable() || count == 1 || pixels < kTilesForHelper * SoftTiles::kTileW * SoftTiles::kTileH) {
      for (const TileRun& run : runs_) DrawRun(prims, from, bins, run);
      CountSpans();
      return;
    }
    uint64_t serial;
    {
      std::lock_guard<std::mutex> lock(m_);
      job_ = Job{&prims, from, bins, &runs_};
      serial = ++jobSerial_;
      jobRuns_ = count;
      done_.store(0, std::memory_order_relaxed);
      next_run_.store(serial << 32, std::memory_order_relaxed);
    }
    cv_.notify_all();
    DrawRuns(job_, serial, count);
    // Runs the worker claimed may still be drawing.
    while (done_.load(std::memory_order_acquire) < count) std::this_thread::yield();
  }

  struct Job {
    const std::vector<SoftPrim>* prims = nullptr;
    size_t from = 0;
    const TileBins* bins = nullptr;
    const std::vector<TileRun>* runs = nullptr;
  };

  // Claims and draws runs of this job until none are left.
  void DrawRuns(const Job& job, uint64_t serial, int count) {
    for (;;) {
      uint64_t cur = next_run_.load(std::memory_order_relaxed);
      do {
        if ((cur >> 32) != serial || static_cast<int>(cur & 0xFFFFFFFFu) >= count) {
          CountSpans();
          return;
        }
      } while (!next_run_.compare_exchange_weak(cur, cur + 1, std::memory_order_acq_rel));
      DrawRun(*job.prims, job.from, job.bins, (*job.runs)[cur & 0xFFFFFFFFu]);
      done_.fetch_add(1, std::memory_order_release);
    }
  }

  void WorkerLoop() {
    uint64_t seen = 0;
    for (;;) {
      Job job;
      int count;
      {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return quit_ || jobSerial_ != seen; });
        if (quit_) return;
        seen = jobSerial_;
        job = job_;
        count = jobRuns_;
      }
      // A job the caller already finished alone has no run left to claim,
      // so its primitives are never touched.
      DrawRuns(job, seen, count);
    }
  }

  static void CountSpans() {
    g_spansPainted.fetch_add(t_spansPainted, std::memory_order_relaxed);
    t_spansPainted = 0;
  }

  // Draws the primitives (from `from` on) that touch the run, clipped to it.
  // A short run draws those its tiles list (bins, when given); a long one
  // looks at every primitive, which costs less than joining many lists.
  void DrawRun(const std::vector<SoftPrim>& prims, size_t from, const TileBins* bins, const TileRun& run) {
    const SoftTiles::RowMask* mask = run.mask >= 0 ? &tiles_.RunMask(run.mask) : nullptr;
    if (bins && (mask || run.tx1 - run.tx0 <= kListedRun)) {
      thread_local std::vector<int> listed;
      listed.clear();
      for (int tx = run.tx0; tx < run.tx1; ++tx) {
        const size_t t = static_cast<size_t>(run.ty) * tiles_.Columns() + tx;
        listed.insert(listed.end(), bins->items.begin() + bins->start[t], bins->items.begin() + bins->start[t + 1]);
      }
      if (run.tx1 - run.tx0 > 1) {
        std::sort(listed.begin(), listed.end());
        listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
      }
      if (!mask) {
        for (int i : listed) DrawPrim(prims[static_cast<size_t>(i)], run.px, nullptr);
        return;
      }
      DrawMasked(prims, listed, run.px, *mask);
      return;
    }
    for (size_t i = from; i < prims.size(); ++i) {
      const SoftPrim& p = prims[i];
      if (run.ty < p.ty0 || run.ty >= p.ty1 || run.tx1 <= p.tx0 || run.tx0 >= p.tx1) continue;
      // The tiles of its band it was binned on (a long diagonal stripe's
      // box holds every tile, its band only a few).
      if (bins) {
        int c0, c1;
        tiles_.BinnedColumns(static_cast<int>(i), run.ty, c0, c1);
        if (run.tx1 <= c0 || run.tx0 >= c1) continue;
      }
      DrawPrim(p, run.px, mask);
    }
  }

  // Draws the listed primitives of a masked run. On each row, what lies
  // under the last opaque primitive covering the row's columns whole is
  // painted over: the drawing there starts with that one (a recoloured
  // stripe is drawn without the clear and the stripes under it).
  void DrawMasked(const std::vector<SoftPrim>& prims, const std::vector<int>& listed, const ClipRect& area,
                  const SoftTiles::RowMask& mask) {
    const ClipRect bounds = SoftTiles::MaskBounds(mask, area);
    // The mask's pixels were not drawn for a while and are out of the
    // caches: asked for all at once, their fetches overlap.
    for (int row = mask.r0; row < mask.r1; ++row) {
      if (mask.from[row] >= mask.to[row]) continue;
      const Rgba8* px = fb_.data() + static_cast<size_t>(area.y0 + row) * w_;
      for (int x = mask.from[row]; x < mask.to[row]; x += 16) __builtin_prefetch(px + x, 1);
      __builtin_prefetch(px + mask.to[row] - 1, 1);
    }
    int firstShown[SoftTiles::kTileH] = {};
    bool found[SoftTiles::kTileH] = {};
    int open = 0;
    for (int row = mask.r0; row < mask.r1; ++row) open += mask.from[row] < mask.to[row];
    for (int pos = static_cast<int>(listed.size()) - 1; pos > 0 && open > 0; --pos) {
      const SoftPrim& p = prims[static_cast<size_t>(listed[static_cast<size_t>(pos)])];
      int r0, r1;
      if (!Occludes(p) || !MayCover(p, bounds) || !CoveredRows(p, bounds, r0, r1)) continue;
      PolygonRows spans(p, w_);
      for (int y = r0; y < r1; ++y) {
        const int row = y - area.y0;
        int xs, xe;
        if (found[row] || mask.from[row] >= mask.to[row] || !spans.Span(y, xs, xe)) continue;
        if (xs <= mask.from[row] && xe >= mask.to[row]) {
          firstShown[row] = pos;
          found[row] = true;
          --open;
        }
      }
    }
    // Those under every row's start are painted over everywhere.
    int start = static_cast<int>(listed.size());
    for (int row = mask.r0; row < mask.r1; ++row)
      if (mask.from[row] < mask.to[row]) start = std::min(start, firstShown[row]);
    SoftTiles::RowMask shown;
    for (size_t pos = static_cast<size_t>(start); pos < listed.size(); ++pos) {
      const SoftPrim& p = prims[static_cast<size_t>(listed[pos])];
      if (!MayCover(p, bounds)) continue;
      // The mask less the rows this primitive is painted over on.
      shown = mask;
      for (int row = mask.r0; row < mask.r1; ++row)
        if (static_cast<int>(pos) < firstShown[row]) shown.to[row] = shown.from[row];
      shown.Trim();
      if (shown.r0 < shown.r1) DrawPrim(p, area, &shown);
    }
  }

  // Draws a primitive over an area: on the mask's columns of each row when
  // given (the area is then the mask's run).
  void DrawPrim(const SoftPrim& p, const ClipRect& area, const SoftTiles::RowMask* mask) {
    if (p.n != 0) {
      Polygon(p, area, mask);
      return;
    }
    const int y0 = mask ? area.y0 + mask->r0 : area.y0, y1 = mask ? area.y0 + mask->r1 : area.y1;
    for (int y = y0; y < y1; ++y) {
      Rgba8* row = fb_.data() + static_cast<size_t>(y) * w_;
      const int from = mask ? mask->from[y - area.y0] : area.x0;
      const int to = mask ? mask->to[y - area.y0] : area.x1;
      if (from < to) std::fill(row + from, row + to, p.clear);
    }
  }

  // A convex polygon of 3 or 4 vertices, either winding, over an area.
  void Polygon(const SoftPrim& p, const ClipRect& area, const SoftTiles::RowMask* mask) {
    int r0, r1;
    if (!CoveredRows(p, area, r0, r1)) return;
    if (mask) {
      r0 = std::max(r0, area.y0 + mask->r0);
      r1 = std::min(r1, area.y0 + mask->r1);
      if (r0 >= r1) return;
    }
    SpanPainter painter;
    if (!painter.SetUp(p)) return;
    PolygonRows spans(p, w_);
    WalkSpans(spans, r0, r1, area, mask, painter);
  }

  // Paints the polygon's span on each of the rows [r0, r1), within the
  // area's columns (and the mask's, when given).
  void WalkSpans(PolygonRows& spans, int r0, int r1, const ClipRect& area, const SoftTiles::RowMask* mask,
                 SpanPainter& painter) {
    for (int y = r0; y < r1; ++y) {
      int lo = area.x0, hi = area.x1;
      if (mask) {
        lo = mask->from[y - area.y0];
        hi = mask->to[y - area.y0];
        if (lo >= hi) continue;
      }
      const float yc = y + 0.5f;
      int xs, xe;
      if (!spans.Span(y, xs, xe)) continue;
      const int from = std::max(xs, lo), to = std::min(xe, hi);
      if (from >= to) continue;
      Rgba8* row = fb_.data() + static_cast<size_t>(y) * w_;
      // Sprites land anywhere in a buffer far bigger than the caches: ask
      // for the next row's pixels while this row is blended.
      if (y + 1 < r1) {
        const Rgba8* next = row + w_ + from;
        __builtin_prefetch(next, 1);
        __builtin_prefetch(next + (to - from) / 2, 1);
        __builtin_prefetch(next + (to - from), 1);
      }
      painter.Paint(row, xs, from, to, yc);
      ++t_spansPainted;
    }
  }

  // A frame that goes on without a full clear for this many primitives is
  // no longer kept to compare with: the next whole frame is drawn whole.
  static constexpr size_t kMaxShownPrims = size_t(1) << 18;
  // Fewer dirty tiles' pixels than this are drawn without the helper thread.
  static constexpr int kTilesForHelper = 128;
  // Runs of at most this many tiles draw the primitives their tiles list.
  static constexpr int kListedRun = 4;

  int w_, h_;
  bool lazy_;
  std::vector<Rgba8> fb_;
  HandleTable<SoftTexture> tex_;
  uint64_t stamps_ = 0;         // the last texture stamp given out
  std::vector<int> lingering_;  // destroyed textures the record still samples
  DrawList record_;             // drawing not rasterised yet

  SoftTiles tiles_;
  std::vector<SoftPrim> shown_;  // the frame the back buffer holds (when shownKnown_)
  TileBins shownBins_;
  bool shownKnown_ = false;
  std::vector<SoftPrim> next_;   // the frame being resolved
  TileBins nextBins_;
  std::vector<uint8_t> dirty_;   // per tile: drawn by this resolve (SoftTiles::kClean...)
  std::vector<TileChange> changes_;  // the primitives that differ on masked tiles
  std::vector<TileRun> runs_;
  // Per index of a whole frame's primitives: the corners the last one there
  // had, and its spans once it was seen twice in the same place.
  struct KeptSpans {
    float xy[8] = {};
    int n = -1;
    bool worked = false;
    int r0 = 0, r1 = 0;
    std::vector<int16_t> cols;
  };
  std::vector<KeptSpans> kept_;

  std::thread worker_;
  std::mutex m_;
  std::condition_variable cv_;
  Job job_;
  uint64_t jobSerial_ = 0;
  int jobRuns_ = 0;
  std::atomic<uint64_t> next_run_{0};  // job serial << 32 | next run to claim
  std::atomic<int> done_{0};           // runs of the job drawn
  bool quit_ = false;
};

}  // namespace

// ================================================================ the factories
std::unique_ptr<RenderBackend> MakeSoftwareBackend(int width, int height) {
  return std::make_unique<SoftBackend>(width, height, false);
}

std::unique_ptr<RenderBackend> MakeHeadlessBackBuffer(int width, int height) {
  return std::make_unique<SoftBackend>(width, height, !g_eagerHeadless);
}

void SetEagerHeadlessRaster(bool eager) { g_eagerHeadless = eager; }

bool SelectSoftwareSpans(int spans) {
  if (spans < kSpansScalar || spans > DetectSpans()) return false;
  g_spans = spans;
  return true;
}

int SoftwareSpans() { return g_spans; }

uint64_t SoftwareSpansPainted() { return g_spansPainted.load(std::memory_order_relaxed); }

const std::vector<Rgba8>* SoftwarePixels(RenderBackend* backend) {
  auto* soft = dynamic_cast<SoftBackend*>(backend);
  return soft ? &soft->Pixels() : nullptr;
}

bool SoftwareChangedRects(RenderBackend* backend, std::vector<ClipRect>& rects) {
  auto* soft = dynamic_cast<SoftBackend*>(backend);
  if (soft) soft->TakeChanged(rects);
  return soft != nullptr;
}

void SetSoftwareFullRedraw(bool full) { g_fullRedraw = full; }

void SetSoftwarePresentWatcher(SoftPresentWatcher watcher) { g_presentWatcher = watcher; }

}  // namespace plat
