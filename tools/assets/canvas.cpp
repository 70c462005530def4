// Drawing toolkit: colours, shapes, lettering, random source and checked PNG output.
#include "canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

bool gFailed = false;
FT_Library gFreeType = nullptr;
FT_Face gFaces[4] = {};
cairo_font_face_t* gCairoFaces[4] = {};

}  // namespace

Rgb Hex(unsigned v) {
  return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Lighter(Rgb c, double t) { return Mix(c, {1, 1, 1}, t); }
Rgb Darker(Rgb c, double t) { return Mix(c, {0, 0, 0}, t); }

Rgb Hsv(double h, double s, double v) {
  h = std::fmod(std::fmod(h, 360.0) + 360.0, 360.0) / 60.0;
  int i = static_cast<int>(h);
  double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

Canvas::Canvas(int width, int height)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)),
      width_(width),
      height_(height) {}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void SetColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min(r, std::min(w, h) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
  cairo_close_path(cr);
}

void VerticalGradient(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void RadialGlow(cairo_t* cr, double cx, double cy, double radius, Rgb c, double alpha) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
  cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, alpha);
  cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
              double rotationDeg) {
  cairo_new_sub_path(cr);
  for (int i = 0; i < points * 2; ++i) {
    double a = (rotationDeg + 180.0 * i / points) * M_PI / 180.0;
    double r = (i % 2 == 0) ? outer : inner;
    cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

void PolygonPath(cairo_t* cr, double cx, double cy, int sides, double radius, double rotationDeg) {
  cairo_new_sub_path(cr);
  for (int i = 0; i < sides; ++i) {
    double a = (rotationDeg + 360.0 * i / sides) * M_PI / 180.0;
    cairo_line_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
  }
  cairo_close_path(cr);
}

bool LoadArtFonts(const std::string& family1, const std::string& family2,
                  const std::string& family3) {
  if (FT_Init_FreeType(&gFreeType) != 0) return false;
  const std::string* paths[3] = {&family1, &family2, &family3};
  for (int f = 1; f <= 3; ++f) {
    if (FT_New_Face(gFreeType, paths[f - 1]->c_str(), 0, &gFaces[f]) != 0) {
      Fail("cannot open font " + *paths[f - 1]);
      return false;
    }
    gCairoFaces[f] = cairo_ft_font_face_create_for_ft_face(gFaces[f], 0);
  }
  return true;
}

void FreeArtFonts() {
  for (int f = 1; f <= 3; ++f) {
    if (gCairoFaces[f]) cairo_font_face_destroy(gCairoFaces[f]);
    if (gFaces[f]) FT_Done_Face(gFaces[f]);
    gCairoFaces[f] = nullptr;
    gFaces[f] = nullptr;
  }
  if (gFreeType) FT_Done_FreeType(gFreeType);
  gFreeType = nullptr;
}

void UseFont(cairo_t* cr, int family, double size) {
  if (family < 1 || family > 3) family = 1;
  if (gCairoFaces[family]) cairo_set_font_face(cr, gCairoFaces[family]);
  cairo_set_font_size(cr, size);
}

double TextWidth(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  return ext.x_advance;
}

void CentredTextPath(cairo_t* cr, const std::string& text, double cx, double baseline) {
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  cairo_move_to(cr, cx - ext.x_bearing - ext.width / 2, baseline);
  cairo_text_path(cr, text.c_str());
}

void CentredText(cairo_t* cr, const std::string& text, double cx, double baseline, Rgb fill,
                 double outline, Rgb outlineColour) {
  cairo_new_path(cr);
  CentredTextPath(cr, text, cx, baseline);
  if (outline > 0) {
    SetColour(cr, outlineColour);
    cairo_set_line_width(cr, outline * 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
  }
  SetColour(cr, fill);
  cairo_fill(cr);
}

uint64_t Rng::Next() {
  s_ ^= s_ << 13;
  s_ ^= s_ >> 7;
  s_ ^= s_ << 17;
  return s_;
}

double Rng::Uniform() { return (Next() >> 11) * (1.0 / 9007199254740992.0); }
double Rng::Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
int Rng::Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }

namespace {

// Premultiplied pixels: an opaque-enough pixel whose colour is exactly zero
// would load as the mask colour, so it becomes the darkest grey instead.
void LiftPureBlack(cairo_surface_t* s) {
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t a = row[x] >> 24;
      if (a > 0 && (row[x] & 0xFFFFFFu) == 0) row[x] = (a << 24) | 0x010101u;
    }
  }
  cairo_surface_mark_dirty(s);
}

bool ReadPngSize(const std::string& path, int& w, int& h) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    w = static_cast<int>(png_get_image_width(png, info));
    h = static_cast<int>(png_get_image_height(png, info));
    // cairo writes fully opaque pictures without an alpha channel.
    int type = png_get_color_type(png, info);
    ok = type == PNG_COLOR_TYPE_RGB_ALPHA || type == PNG_COLOR_TYPE_RGB;
  }
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  std::fclose(f);
  return ok;
}

}  // namespace

bool SavePng(const Canvas& canvas, const std::string& path) {
  LiftPureBlack(canvas.surface());
  if (cairo_surface_write_to_png(canvas.surface(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
    Fail("cannot write " + path);
    return false;
  }
  int w = 0, h = 0;
  if (!ReadPngSize(path, w, h) || w != canvas.width() || h != canvas.height()) {
    Fail("written image does not read back as " + std::to_string(canvas.width()) + "x" +
         std::to_string(canvas.height()) + " RGB(A): " + path);
    return false;
  }
  return true;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "mnemora_assets: %s\n", what.c_str());
  gFailed = true;
}

bool Failed() { return gFailed; }
