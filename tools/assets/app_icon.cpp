// The desktop icon: two cards on a rounded tile, one face down, one face up
// with a heart, the pair the player hunts for. One drawing in a 256-unit
// square, written as PNGs at the desktop's icon sizes and as an SVG.
#include <cairo-svg.h>

#include <cmath>
#include <string>

#include "canvas.h"
#include "generators.h"
#include "symbols.h"

namespace {

constexpr double kUnits = 256;

void Card(cairo_t* cr, double cx, double cy, double angleDeg, bool faceUp) {
  const double w = 104, h = 140, r = 14;
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angleDeg * M_PI / 180);
  // A soft shadow under the card keeps it apart from the tile at small sizes.
  RoundedRect(cr, -w / 2 + 5, -h / 2 + 7, w, h, r);
  SetColour(cr, Hex(0x061226), 0.45);
  cairo_fill(cr);
  RoundedRect(cr, -w / 2, -h / 2, w, h, r);
  if (faceUp) {
    SetColour(cr, Hex(0xFFF8EC));
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xC9B48F));
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    SymbolPath(cr, kHeart, 0, 2, 78);
    SetColour(cr, Hex(0xE2364B));
    cairo_fill(cr);
  } else {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, -h / 2, 0, h / 2);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.98, 0.72, 0.25);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.90, 0.45, 0.12);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColour(cr, Hex(0xFFF1D6));
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);
    // The back's mark: a diamond inside an inset frame.
    RoundedRect(cr, -w / 2 + 14, -h / 2 + 14, w - 28, h - 28, 8);
    SetColour(cr, Hex(0xFFF1D6), 0.8);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    SymbolPath(cr, kDiamond, 0, 0, 44);
    SetColour(cr, Hex(0xFFF1D6));
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

void DrawIcon(cairo_t* cr, double size) {
  cairo_scale(cr, size / kUnits, size / kUnits);
  RoundedRect(cr, 8, 8, 240, 240, 44);
  cairo_pattern_t* tile = cairo_pattern_create_linear(0, 8, 0, 248);
  cairo_pattern_add_color_stop_rgb(tile, 0, 0.16, 0.42, 0.72);
  cairo_pattern_add_color_stop_rgb(tile, 1, 0.07, 0.17, 0.38);
  cairo_set_source(cr, tile);
  cairo_fill(cr);
  cairo_pattern_destroy(tile);
  Card(cr, 94, 132, -12, false);
  Card(cr, 160, 126, 10, true);
}

}  // namespace

void MakeAppIcons(const std::string& iconDir) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    Canvas canvas(size, size);
    DrawIcon(canvas.cr(), size);
    SavePng(canvas, iconDir + "/" + std::to_string(size) + ".png");
  }
  std::string svgPath = iconDir + "/scalable.svg";
  cairo_surface_t* svg = cairo_svg_surface_create(svgPath.c_str(), kUnits, kUnits);
  cairo_t* cr = cairo_create(svg);
  DrawIcon(cr, kUnits);
  cairo_destroy(cr);
  cairo_surface_finish(svg);
  if (cairo_surface_status(svg) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + svgPath);
  cairo_surface_destroy(svg);
}
