// Logos, the heart and the badge sheet.
// - Common/logo.png (480 x 360): the framework's emblem, shown at scale 1.5 on
//   the loading splash and at 0.5 in the top-left of the closing page.
// - Common/Kestrine.png (480 x 360): the partner community's emblem, same uses.
// - 253/logo.png (640 x 240): the game's title, centred near the top of the
//   title screen, between the table and deck pickers.
// - 253/heart.png (64 x 64): one life in the round's HUD.
// - 253/badges.png (256 x 256): 16 medals of 64 x 64, shown small (scale 0.28)
//   in the score details, so each is a bold symbol on a strongly coloured disc.
// Everything sits on a transparent background and is drawn over dark blue
// stripes, so lettering is light with a dark outline.
#include <cmath>
#include <string>

#include "canvas.h"
#include "generators.h"
#include "symbols.h"

namespace {

void QuillPath(cairo_t* cr, double x, double y, double s) {
  // A feather leaning right: vane as two curves meeting at the tip, then the shaft.
  cairo_move_to(cr, x, y + s);
  cairo_curve_to(cr, x + s * 0.05, y + s * 0.55, x + s * 0.25, y + s * 0.1, x + s * 0.62, y - s * 0.02);
  cairo_curve_to(cr, x + s * 0.5, y + s * 0.35, x + s * 0.32, y + s * 0.7, x, y + s);
  cairo_close_path(cr);
}

void FrameworkLogo(const std::string& path) {
  Canvas canvas(480, 360);
  cairo_t* cr = canvas.cr();
  const double cx = 240, cy = 130;
  RadialGlow(cr, cx, cy, 126, Hex(0x4FC3F7), 0.35);  // fades out inside the canvas: no hard edge
  // Hexagonal emblem with a bevelled rim.
  PolygonPath(cr, cx, cy, 6, 104, -90);
  cairo_pattern_t* p = cairo_pattern_create_linear(cx - 100, cy - 100, cx + 100, cy + 100);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.18, 0.72, 0.85);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.10, 0.22, 0.55);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColour(cr, Hex(0xE8F7FF));
  cairo_set_line_width(cr, 7);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  PolygonPath(cr, cx, cy, 6, 88, -90);
  SetColour(cr, Hex(0x0B2A4A), 0.6);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  // A big Z crossed by a quill: the engine's name and its maker's pen.
  UseFont(cr, 2, 150);
  CentredText(cr, "Z", cx - 8, cy + 55, Hex(0xFFFFFF), 5, Hex(0x0B2A4A));
  QuillPath(cr, cx - 52, cy - 30, 120);
  SetColour(cr, Hex(0xFFD166));
  cairo_fill_preserve(cr);
  SetColour(cr, Hex(0x5A3B00));
  cairo_set_line_width(cr, 2.5);
  cairo_stroke(cr);
  cairo_move_to(cr, cx - 52, cy + 90);
  cairo_curve_to(cr, cx - 30, cy + 40, cx, cy + 5, cx + 20, cy - 20);
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  UseFont(cr, 2, 64);
  CentredText(cr, "Zelvane", cx, 312, Hex(0xFFFFFF), 5, Hex(0x0B2A4A));
  UseFont(cr, 1, 26);
  CentredText(cr, "Q U I L L M A R ' S   E N G I N E", cx, 348, Hex(0xB3E5FC), 3, Hex(0x0B2A4A));
  SavePng(canvas, path);
}

// A kestrel gliding: body, swept wings and a fanned tail.
void KestrelPath(cairo_t* cr, double cx, double cy, double s) {
  cairo_move_to(cr, cx, cy - s * 0.42);                                   // head
  cairo_curve_to(cr, cx + s * 0.08, cy - s * 0.40, cx + s * 0.10, cy - s * 0.28, cx + s * 0.07, cy - s * 0.18);
  cairo_curve_to(cr, cx + s * 0.35, cy - s * 0.22, cx + s * 0.75, cy - s * 0.35, cx + s * 1.0, cy - s * 0.2);  // right wing leading edge
  cairo_curve_to(cr, cx + s * 0.7, cy - s * 0.08, cx + s * 0.4, cy + s * 0.02, cx + s * 0.09, cy + s * 0.12);  // trailing edge
  cairo_line_to(cr, cx + s * 0.2, cy + s * 0.5);                          // tail
  cairo_curve_to(cr, cx + s * 0.08, cy + s * 0.56, cx - s * 0.08, cy + s * 0.56, cx - s * 0.2, cy + s * 0.5);
  cairo_line_to(cr, cx - s * 0.09, cy + s * 0.12);
  cairo_curve_to(cr, cx - s * 0.4, cy + s * 0.02, cx - s * 0.7, cy - s * 0.08, cx - s * 1.0, cy - s * 0.2);
  cairo_curve_to(cr, cx - s * 0.75, cy - s * 0.35, cx - s * 0.35, cy - s * 0.22, cx - s * 0.07, cy - s * 0.18);
  cairo_curve_to(cr, cx - s * 0.10, cy - s * 0.28, cx - s * 0.08, cy - s * 0.40, cx, cy - s * 0.42);
  cairo_close_path(cr);
}

void PartnerLogo(const std::string& path) {
  Canvas canvas(480, 360);
  cairo_t* cr = canvas.cr();
  const double cx = 240, cy = 128;
  RadialGlow(cr, cx, cy, 126, Hex(0xFFB74D), 0.3);
  cairo_arc(cr, cx, cy, 100, 0, 2 * M_PI);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, cy - 100, 0, cy + 100);
  cairo_pattern_add_color_stop_rgb(sky, 0, 1.0, 0.80, 0.45);
  cairo_pattern_add_color_stop_rgb(sky, 1, 0.85, 0.35, 0.20);
  cairo_set_source(cr, sky);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(sky);
  SetColour(cr, Hex(0xFFF3E0));
  cairo_set_line_width(cr, 7);
  cairo_stroke(cr);
  // Distant hills inside the disc.
  cairo_save(cr);
  cairo_arc(cr, cx, cy, 96, 0, 2 * M_PI);
  cairo_clip(cr);
  cairo_move_to(cr, cx - 110, cy + 60);
  cairo_curve_to(cr, cx - 60, cy + 20, cx - 20, cy + 50, cx + 20, cy + 40);
  cairo_curve_to(cr, cx + 60, cy + 30, cx + 90, cy + 45, cx + 110, cy + 35);
  cairo_line_to(cr, cx + 110, cy + 110);
  cairo_line_to(cr, cx - 110, cy + 110);
  cairo_close_path(cr);
  SetColour(cr, Hex(0x6D2E1F), 0.75);
  cairo_fill(cr);
  cairo_restore(cr);
  KestrelPath(cr, cx, cy - 4, 92);
  SetColour(cr, Hex(0x3B1D12));
  cairo_fill_preserve(cr);
  SetColour(cr, Hex(0xFFF3E0));
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  UseFont(cr, 3, 72);
  CentredText(cr, "Kestrine", cx, 302, Hex(0xFFE0B2), 5, Hex(0x3B1D12));
  UseFont(cr, 1, 24);
  CentredText(cr, "G A M E S   C O M M U N I T Y", cx, 342, Hex(0xFFCC80), 3, Hex(0x3B1D12));
  SavePng(canvas, path);
}

void MiniCard(cairo_t* cr, double cx, double cy, double angleDeg, Rgb colour, int symbol) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angleDeg * M_PI / 180);
  RoundedRect(cr, -36, -48, 72, 96, 9);
  SetColour(cr, Hex(0xFFF8E7));
  cairo_fill_preserve(cr);
  SetColour(cr, Hex(0x2A1B4A));
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  cairo_new_path(cr);
  SymbolPath(cr, symbol, 0, 0, 44);
  SetColour(cr, colour);
  cairo_fill(cr);
  cairo_restore(cr);
}

void TitleLogo(const std::string& path) {
  Canvas canvas(640, 240);
  cairo_t* cr = canvas.cr();
  // A wide oval glow that fades to nothing before the canvas edges.
  cairo_save(cr);
  cairo_translate(cr, 320, 120);
  cairo_scale(cr, 2.6, 1);
  RadialGlow(cr, 0, 0, 116, Hex(0x7C4DFF), 0.25);
  cairo_restore(cr);
  // Two matching cards fanned out on either side of the name.
  MiniCard(cr, 52, 100, -14, Hex(0xE53935), kHeart);
  MiniCard(cr, 588, 100, 14, Hex(0xE53935), kHeart);
  UseFont(cr, 2, 100);
  cairo_new_path(cr);
  CentredTextPath(cr, "Mnemora", 320, 140);
  SetColour(cr, Hex(0x1A0E3A));
  cairo_set_line_width(cr, 16);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke_preserve(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 40, 0, 150);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.93, 0.55);
  cairo_pattern_add_color_stop_rgb(p, 0.55, 1.0, 0.68, 0.25);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.93, 0.36, 0.36);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColour(cr, Hex(0xFFFFFF), 0.6);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  UseFont(cr, 3, 46);
  CentredText(cr, "Find the Match", 320, 212, Hex(0xB9F6CA), 4, Hex(0x1A0E3A));
  SavePng(canvas, path);
}

void Heart(const std::string& path) {
  Canvas canvas(64, 64);
  cairo_t* cr = canvas.cr();
  cairo_new_path(cr);
  SymbolPath(cr, kHeart, 32, 33, 58);
  SetColour(cr, Hex(0x4A0A14));
  cairo_set_line_width(cr, 5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke_preserve(cr);
  cairo_pattern_t* p = cairo_pattern_create_radial(24, 22, 2, 32, 32, 34);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.55, 0.60);
  cairo_pattern_add_color_stop_rgb(p, 0.5, 0.92, 0.18, 0.28);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.62, 0.05, 0.14);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_save(cr);
  cairo_translate(cr, 19, 20);
  cairo_scale(cr, 1.0, 0.6);
  cairo_arc(cr, 0, 0, 6, 0, 2 * M_PI);
  cairo_restore(cr);
  SetColour(cr, {1, 1, 1}, 0.75);
  cairo_fill(cr);
  SavePng(canvas, path);
}

void Badges(const std::string& path) {
  Canvas canvas(256, 256);
  cairo_t* cr = canvas.cr();
  const int symbols[16] = {kStar, kHeart, kBolt, kCrown, kDiamond, kSun, kMoon, kFlower,
                           kArrow, kSparkle, kDrop, kClub, kSpade, kHexagon, kRing, kCloud};
  for (int k = 0; k < 16; ++k) {
    double cx = (k % 4) * 64 + 32, cy = (k / 4) * 64 + 32;
    Rgb hue = Hsv(k * 22.5 + 10, 0.7, 0.92);
    cairo_save(cr);
    cairo_rectangle(cr, cx - 32, cy - 32, 64, 64);
    cairo_clip(cr);
    // Serrated medal edge, then the coloured face and a bright rim.
    StarPath(cr, cx, cy, 16, 30, 26, 0);
    SetColour(cr, Darker(hue, 0.55));
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, 24, 0, 2 * M_PI);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - 8, cy - 8, 2, cx, cy, 26);
    cairo_pattern_add_color_stop_rgb(p, 0, Lighter(hue, 0.45).r, Lighter(hue, 0.45).g, Lighter(hue, 0.45).b);
    cairo_pattern_add_color_stop_rgb(p, 1, Darker(hue, 0.15).r, Darker(hue, 0.15).g, Darker(hue, 0.15).b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColour(cr, Lighter(hue, 0.7));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_new_path(cr);
    SymbolPath(cr, symbols[k], cx, cy, 28);
    SetColour(cr, Darker(hue, 0.7));
    cairo_set_line_width(cr, 4);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    SetColour(cr, {1, 1, 1});
    cairo_fill(cr);
    cairo_restore(cr);
  }
  SavePng(canvas, path);
}

}  // namespace

void MakeLogos(const std::string& commonDir, const std::string& gameDir) {
  FrameworkLogo(commonDir + "/logo.png");
  PartnerLogo(commonDir + "/Kestrine.png");
  TitleLogo(gameDir + "/logo.png");
}

void MakeHeartAndBadges(const std::string& gameDir) {
  Heart(gameDir + "/heart.png");
  Badges(gameDir + "/badges.png");
}
