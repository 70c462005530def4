// Table art: 640 x 960 backgrounds drawn behind the round's play column.
// The cards sit on a 6 x 6 grid of 96 x 128 cells from (32, 32) to (608, 800),
// so that area is kept calm and low in contrast; the HUD (combo, score,
// hearts) is written over the strip at y 830..890, which gets a darker band
// so white lettering reads on every table.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "canvas.h"
#include "generators.h"

namespace {

constexpr int kWidth = 640, kHeight = 960;
constexpr double kAreaX = 32, kAreaY = 32, kAreaW = 576, kAreaH = 768;
constexpr double kHudTop = 818, kHudBottom = 902;

// Per-pixel grain over a region, for cloth and stone textures.
void AddGrain(Canvas& canvas, Rng& rng, double amount, int x0, int y0, int w, int h) {
  cairo_surface_t* s = canvas.surface();
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = y0; y < y0 + h && y < canvas.height(); ++y) {
    for (int x = x0; x < x0 + w && x < canvas.width(); ++x) {
      unsigned char* px = data + y * stride + x * 4;
      if (px[3] != 255) continue;
      int delta = static_cast<int>(rng.Range(-amount, amount));
      for (int c = 0; c < 3; ++c) px[c] = static_cast<unsigned char>(std::clamp(px[c] + delta, 1, 255));
    }
  }
  cairo_surface_mark_dirty(s);
}

// Faint rounded slots where cards may lie: they help the eye find the grid
// without competing with the cards themselves.
void CardSlots(cairo_t* cr, Rgb colour, double alpha) {
  for (int row = 0; row < 6; ++row) {
    for (int col = 0; col < 6; ++col) {
      RoundedRect(cr, kAreaX + col * 96 + 4, kAreaY + row * 128 + 4, 88, 120, 9);
    }
  }
  SetColour(cr, colour, alpha);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
}

void HudBand(cairo_t* cr, Rgb colour, Rgb line) {
  RoundedRect(cr, 4, kHudTop, kWidth - 8, kHudBottom - kHudTop, 12);
  SetColour(cr, colour, 0.92);
  cairo_fill_preserve(cr);
  SetColour(cr, line);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  // Divider between the score block and the hearts row.
  cairo_move_to(cr, 132, kHudTop + 12);
  cairo_line_to(cr, 132, kHudBottom - 12);
  cairo_move_to(cr, 316, kHudTop + 12);
  cairo_line_to(cr, 316, kHudBottom - 12);
  SetColour(cr, line, 0.6);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

// Table 1, "Card room": green baize inside a polished wooden rail.
void CardRoom(Canvas& canvas) {
  cairo_t* cr = canvas.cr();
  Rng rng(101);
  // Wood everywhere first, with long grain streaks.
  VerticalGradient(cr, 0, 0, kWidth, kHeight, Hex(0x6B3E1F), Hex(0x4A2912));
  for (int i = 0; i < 140; ++i) {
    double y = rng.Range(0, kHeight), len = rng.Range(80, 400), x = rng.Range(-100, kWidth);
    cairo_move_to(cr, x, y);
    cairo_curve_to(cr, x + len / 3, y + rng.Range(-3, 3), x + 2 * len / 3, y + rng.Range(-3, 3), x + len, y);
    SetColour(cr, rng.Uniform() < 0.5 ? Hex(0x3A1F0C) : Hex(0x8A5530), rng.Range(0.15, 0.35));
    cairo_set_line_width(cr, rng.Range(0.8, 2.2));
    cairo_stroke(cr);
  }
  // Baize, a soft vignette so the centre reads brightest.
  RoundedRect(cr, kAreaX - 18, kAreaY - 18, kAreaW + 36, kAreaH + 36, 22);
  cairo_pattern_t* felt = cairo_pattern_create_radial(320, 416, 60, 320, 416, 520);
  cairo_pattern_add_color_stop_rgb(felt, 0, 0.13, 0.45, 0.25);
  cairo_pattern_add_color_stop_rgb(felt, 1, 0.06, 0.27, 0.15);
  cairo_set_source(cr, felt);
  cairo_fill(cr);
  cairo_pattern_destroy(felt);
  AddGrain(canvas, rng, 7, 14, 14, 612, 804);
  // Rail: brass inlay line and corner studs.
  RoundedRect(cr, kAreaX - 18, kAreaY - 18, kAreaW + 36, kAreaH + 36, 22);
  SetColour(cr, Hex(0xC8A24A));
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  RoundedRect(cr, kAreaX - 24, kAreaY - 24, kAreaW + 48, kAreaH + 48, 26);
  SetColour(cr, Hex(0x2A160A), 0.7);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  CardSlots(cr, Hex(0xBFE8C8), 0.08);
  const double studs[][2] = {{8, 8}, {632, 8}, {8, 842}, {632, 842}};
  for (auto& s : studs) {
    RadialGlow(cr, s[0], s[1], 7, Hex(0xFFE7A0), 1);
  }
  HudBand(cr, Hex(0x2B170A), Hex(0xC8A24A));
  UseFont(cr, 3, 30);
  CentredText(cr, "Find the Match", 320, 944, Hex(0xE9C46A), 2, Hex(0x2A160A));
}

// Table 2, "Midnight": deep blue velvet under faint stars, silver frame.
void Midnight(Canvas& canvas) {
  cairo_t* cr = canvas.cr();
  Rng rng(202);
  VerticalGradient(cr, 0, 0, kWidth, kHeight, Hex(0x0B1030), Hex(0x1A0F3A));
  for (int i = 0; i < 260; ++i) {  // stars outside the card area shine brighter
    double x = rng.Range(0, kWidth), y = rng.Range(0, kHeight);
    bool inside = x > kAreaX && x < kAreaX + kAreaW && y > kAreaY && y < kAreaY + kAreaH;
    cairo_arc(cr, x, y, rng.Range(0.5, inside ? 1.0 : 1.8), 0, 2 * M_PI);
    SetColour(cr, {0.9, 0.92, 1.0}, rng.Range(0.15, inside ? 0.35 : 0.9));
    cairo_fill(cr);
  }
  RoundedRect(cr, kAreaX - 14, kAreaY - 14, kAreaW + 28, kAreaH + 28, 18);
  cairo_pattern_t* velvet = cairo_pattern_create_radial(320, 380, 40, 320, 416, 560);
  cairo_pattern_add_color_stop_rgba(velvet, 0, 0.16, 0.20, 0.45, 0.92);
  cairo_pattern_add_color_stop_rgba(velvet, 1, 0.07, 0.08, 0.22, 0.92);
  cairo_set_source(cr, velvet);
  cairo_fill(cr);
  cairo_pattern_destroy(velvet);
  AddGrain(canvas, rng, 5, 18, 18, 604, 796);
  // Faint crescent in a corner of the cloth, behind where cards rarely cover it fully.
  cairo_arc(cr, 520, 120, 160, 0, 2 * M_PI);
  SetColour(cr, Hex(0x9FB4FF), 0.035);
  cairo_fill(cr);
  RoundedRect(cr, kAreaX - 14, kAreaY - 14, kAreaW + 28, kAreaH + 28, 18);
  SetColour(cr, Hex(0xC9D3F0));
  cairo_set_line_width(cr, 2.5);
  cairo_stroke(cr);
  RoundedRect(cr, kAreaX - 20, kAreaY - 20, kAreaW + 40, kAreaH + 40, 22);
  SetColour(cr, Hex(0xC9D3F0), 0.35);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  CardSlots(cr, Hex(0xC9D3F0), 0.07);
  HudBand(cr, Hex(0x080A20), Hex(0x8E9CCF));
  UseFont(cr, 3, 30);
  CentredText(cr, "Find the Match", 320, 944, Hex(0xC9D3F0), 2, Hex(0x080A20));
}

// Table 3, "Parquet": warm oak parquet with a terracotta leather mat.
void Parquet(Canvas& canvas) {
  cairo_t* cr = canvas.cr();
  Rng rng(303);
  const int block = 64;
  for (int by = 0; by < kHeight; by += block) {
    for (int bx = 0; bx < kWidth; bx += block) {
      bool vertical = ((bx / block) + (by / block)) % 2 == 0;
      for (int k = 0; k < 4; ++k) {  // four staves per block, alternating direction
        Rgb wood = Mix(Hex(0xB07A45), Hex(0xD29B5E), rng.Uniform());
        double x = vertical ? bx + k * 16 : bx, y = vertical ? by : by + k * 16;
        double w = vertical ? 16 : block, h = vertical ? block : 16;
        cairo_rectangle(cr, x, y, w, h);
        SetColour(cr, wood);
        cairo_fill_preserve(cr);
        SetColour(cr, Hex(0x6E4522), 0.5);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
      }
    }
  }
  AddGrain(canvas, rng, 6, 0, 0, kWidth, kHeight);
  // Mat with a stitched border.
  RoundedRect(cr, kAreaX - 16, kAreaY - 16, kAreaW + 32, kAreaH + 32, 20);
  cairo_pattern_t* mat = cairo_pattern_create_radial(320, 416, 50, 320, 416, 540);
  cairo_pattern_add_color_stop_rgb(mat, 0, 0.62, 0.33, 0.24);
  cairo_pattern_add_color_stop_rgb(mat, 1, 0.43, 0.20, 0.14);
  cairo_set_source(cr, mat);
  cairo_fill(cr);
  cairo_pattern_destroy(mat);
  AddGrain(canvas, rng, 4, 16, 16, 608, 800);
  RoundedRect(cr, kAreaX - 9, kAreaY - 9, kAreaW + 18, kAreaH + 18, 14);
  double dashes[] = {6, 5};
  cairo_set_dash(cr, dashes, 2, 0);
  SetColour(cr, Hex(0xF3D9B1), 0.7);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  RoundedRect(cr, kAreaX - 16, kAreaY - 16, kAreaW + 32, kAreaH + 32, 20);
  SetColour(cr, Hex(0x3E1E12), 0.8);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  CardSlots(cr, Hex(0xF3D9B1), 0.07);
  HudBand(cr, Hex(0x3E1E12), Hex(0xF3D9B1));
  UseFont(cr, 3, 30);
  CentredText(cr, "Find the Match", 320, 944, Hex(0xFFF1DC), 2, Hex(0x3E1E12));
}

}  // namespace

void MakeTables(const std::string& gameDir) {
  void (*painters[])(Canvas&) = {CardRoom, Midnight, Parquet};
  int n = 1;
  for (auto paint : painters) {
    Canvas canvas(kWidth, kHeight);
    paint(canvas);
    char name[32];
    std::snprintf(name, sizeof name, "/BG_%02d.png", n++);
    SavePng(canvas, gameDir + name);
  }
}
