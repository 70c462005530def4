// Drawing toolkit shared by every picture the generator makes: a cairo
// surface with its context, colours, common shapes, lettering in the game's
// own fonts, a seeded random source, and the PNG writer that reads back and
// checks what it wrote.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

struct Rgb {
  double r = 0, g = 0, b = 0;
};

// 0xRRGGBB to a colour.
Rgb Hex(unsigned v);
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Lighter(Rgb c, double t);  // t of the way to white
Rgb Darker(Rgb c, double t);   // t of the way to black
Rgb Hsv(double hueDeg, double sat, double val);

// An ARGB surface with its drawing context.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  cairo_t* cr() const { return cr_; }
  cairo_surface_t* surface() const { return surface_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
  int width_, height_;
};

void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void VerticalGradient(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom);
void RadialGlow(cairo_t* cr, double cx, double cy, double radius, Rgb c, double alpha);
// Regular star path of n points.
void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
              double rotationDeg = -90);
void PolygonPath(cairo_t* cr, double cx, double cy, int sides, double radius,
                 double rotationDeg = -90);

// Font families, as the game numbers them: 1 the UI sans, 2 the bold display
// face, 3 the decorative face. Lettering in the art uses the same fonts the
// game ships, so a missing font is an error rather than a silent fallback.
bool LoadArtFonts(const std::string& family1, const std::string& family2,
                  const std::string& family3);
void FreeArtFonts();
void UseFont(cairo_t* cr, int family, double size);
double TextWidth(cairo_t* cr, const std::string& text);
// Adds the text's outline to the path, centred on cx with its baseline at y.
void CentredTextPath(cairo_t* cr, const std::string& text, double cx, double baseline);
// Filled text with an optional dark outline drawn under it.
void CentredText(cairo_t* cr, const std::string& text, double cx, double baseline, Rgb fill,
                 double outline = 0, Rgb outlineColour = {0.05, 0.05, 0.1});

// Deterministic random source (xorshift), so every run draws the same art.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next();
  double Uniform();                      // [0, 1)
  double Range(double lo, double hi);    // [lo, hi)
  int Int(int lo, int hi);               // inclusive

 private:
  uint64_t s_;
};

// Writes the canvas as a PNG and reads it back to check its size. Opaque pure
// black is lifted to a near-black first: the game loads images with black as
// the mask colour, so black inside the art would punch holes in it.
bool SavePng(const Canvas& canvas, const std::string& path);
// Reports a failure; the generator's exit status comes from these.
void Fail(const std::string& what);
bool Failed();
