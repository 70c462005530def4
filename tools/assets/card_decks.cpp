// The card decks: 25 cells of 96 x 128 in a 5 x 5 grid, read in reading order.
// Cells 0-17 are the faces of values 1-18, 18-20 three spare faces, 21 the
// wrong-pick marker, 22 the correct-pick marker, 23 the back and 24 a spare
// back. Each deck keeps its faces apart by a big central mark (shape or
// numeral) that still reads when the card narrows to a sliver as it turns.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "canvas.h"
#include "generators.h"
#include "symbols.h"

namespace {

constexpr int kCellW = 96, kCellH = 128, kColumns = 5, kCells = 25;
constexpr int kWrongMarker = 21, kRightMarker = 22, kBack = 23, kSpareBack = 24;

// The card's outline inside its cell: a small transparent margin keeps the
// rounded corners clean when the game scales the cell.
void CardShape(cairo_t* cr) { RoundedRect(cr, 2, 2, kCellW - 4, kCellH - 4, 10); }

void CardEdge(cairo_t* cr, Rgb colour, double width) {
  CardShape(cr);
  SetColour(cr, colour);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void FillSymbol(cairo_t* cr, int symbol, double cx, double cy, double size, Rgb fill, Rgb outline,
                double outlineWidth) {
  cairo_new_path(cr);
  SymbolPath(cr, symbol, cx, cy, size);
  // Outline first at double width, fill over it: shapes built from several
  // overlapping pieces (club, flower, cloud) then show only their outer edge.
  if (outlineWidth > 0) {
    SetColour(cr, outline);
    cairo_set_line_width(cr, outlineWidth * 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
  }
  SetColour(cr, fill);
  cairo_fill(cr);
  cairo_new_path(cr);
}

// Numeral with its baseline at y, left-aligned at x (or centred when centred is set).
void Numeral(cairo_t* cr, int value, double x, double y, int family, double size, Rgb colour,
             bool centred = true) {
  std::string text = std::to_string(value);
  UseFont(cr, family, size);
  cairo_new_path(cr);
  if (centred) {
    CentredTextPath(cr, text, x, y);
  } else {
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
  }
  SetColour(cr, colour);
  cairo_fill(cr);
}

// Pick markers: a round badge with a tick or a cross, so right and wrong
// differ by shape as well as by green and red.
void Marker(cairo_t* cr, bool right, Rgb rim) {
  const double cx = kCellW / 2.0, cy = kCellH / 2.0, r = 40;
  RadialGlow(cr, cx, cy + 3, r + 6, {0.02, 0.02, 0.05}, 0.45);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - 12, cy - 14, 4, cx, cy, r);
  Rgb base = right ? Hex(0x2FA84F) : Hex(0xD93636);
  cairo_pattern_add_color_stop_rgb(p, 0, Lighter(base, 0.35).r, Lighter(base, 0.35).g, Lighter(base, 0.35).b);
  cairo_pattern_add_color_stop_rgb(p, 1, Darker(base, 0.2).r, Darker(base, 0.2).g, Darker(base, 0.2).b);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColour(cr, rim);
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (int pass = 0; pass < 2; ++pass) {
    cairo_new_path(cr);
    if (right) {
      cairo_move_to(cr, cx - 20, cy + 1);
      cairo_line_to(cr, cx - 6, cy + 16);
      cairo_line_to(cr, cx + 21, cy - 15);
    } else {
      cairo_move_to(cr, cx - 16, cy - 16);
      cairo_line_to(cr, cx + 16, cy + 16);
      cairo_move_to(cr, cx + 16, cy - 16);
      cairo_line_to(cr, cx - 16, cy + 16);
    }
    // A dark under-stroke first so the white mark stands out on both colours.
    SetColour(cr, pass == 0 ? Darker(base, 0.55) : Rgb{1, 1, 1});
    cairo_set_line_width(cr, pass == 0 ? 14 : 10);
    cairo_stroke(cr);
  }
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

// ---------------------------------------------------------------- deck 1
// "Shapes": cream cards, one bold outlined shape per value and the value in
// the corners. Shapes and numerals alone tell every face apart, so this is
// the deck for players who cannot rely on colour.
const unsigned kShapeColours[kSymbolCount] = {
    0xE53935, 0x1E6FD9, 0x2E9E44, 0xF57C00, 0xF2B705, 0xE0457B, 0x37474F, 0x1B7F4C, 0xC62828,
    0x5E35B1, 0x00897B, 0x8D4A2F, 0x0288D1, 0xF9A825, 0x26A6C9, 0x9C3FB5, 0xC9A227, 0xFF8F00,
    0xB71C1C, 0x00ACC1, 0x78909C};

void ShapesFace(cairo_t* cr, int value) {
  int symbol = value - 1;
  Rgb colour = Hex(kShapeColours[symbol]);
  CardShape(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, kCellH);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.985, 0.94);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.93, 0.89, 0.80);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  RoundedRect(cr, 7, 7, kCellW - 14, kCellH - 14, 6);
  SetColour(cr, colour, 0.55);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  FillSymbol(cr, symbol, 48, 66, 54, colour, Darker(colour, 0.55), 2.5);
  Rgb ink = Darker(colour, 0.45);
  Numeral(cr, value, 18, 27, 1, 17, ink);
  cairo_save(cr);
  cairo_translate(cr, kCellW, kCellH);
  cairo_rotate(cr, M_PI);
  Numeral(cr, value, 18, 27, 1, 17, ink);
  cairo_restore(cr);
  CardEdge(cr, Hex(0x6B5B3E), 2);
}

void ShapesBack(cairo_t* cr, bool spare) {
  Rgb base = spare ? Hex(0x6B1F2A) : Hex(0x1C2C6E);
  Rgb gold = Hex(0xE9C46A);
  CardShape(cr);
  SetColour(cr, base);
  cairo_fill(cr);
  cairo_save(cr);
  RoundedRect(cr, 8, 8, kCellW - 16, kCellH - 16, 6);
  cairo_clip(cr);
  SetColour(cr, Lighter(base, 0.18));
  cairo_set_line_width(cr, 1.2);
  for (int k = -140; k < 240; k += 12) {  // diamond lattice
    cairo_move_to(cr, k, 0);
    cairo_line_to(cr, k + kCellH, kCellH);
    cairo_move_to(cr, k + kCellH, 0);
    cairo_line_to(cr, k, kCellH);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  RoundedRect(cr, 8, 8, kCellW - 16, kCellH - 16, 6);
  SetColour(cr, gold);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  cairo_arc(cr, 48, 64, 22, 0, 2 * M_PI);
  SetColour(cr, base);
  cairo_fill_preserve(cr);
  SetColour(cr, gold);
  cairo_set_line_width(cr, 2.5);
  cairo_stroke(cr);
  UseFont(cr, 2, 26);
  CentredText(cr, "M", 48, 74, gold);
  CardEdge(cr, Darker(base, 0.5), 2);
}

// ---------------------------------------------------------------- deck 2
// "Neon": night-blue cards with a big glowing numeral; hues walk round the
// colour wheel so neighbouring values also differ in colour.
Rgb NeonHue(int value) { return Hsv((value - 1) * 20.0 + 200, 0.75, 1.0); }

void NeonFace(cairo_t* cr, int value) {
  Rgb hue = NeonHue(value);
  CardShape(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, kCellH);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.10, 0.12, 0.26);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.04, 0.05, 0.13);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  RadialGlow(cr, 48, 64, 46, hue, 0.45);
  // Ring of ticks: one per value, so the count is readable too.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 2.4);
  for (int i = 0; i < value; ++i) {
    double a = (-90 + 360.0 * i / value) * M_PI / 180;
    cairo_move_to(cr, 48 + std::cos(a) * 37, 64 + std::sin(a) * 37);
    cairo_line_to(cr, 48 + std::cos(a) * 42, 64 + std::sin(a) * 42);
  }
  SetColour(cr, Lighter(hue, 0.3));
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  UseFont(cr, 2, value >= 10 ? 46 : 60);
  cairo_new_path(cr);
  cairo_text_extents_t ext;
  std::string text = std::to_string(value);
  cairo_text_extents(cr, text.c_str(), &ext);
  double baseline = 64 + ext.height / 2;
  CentredText(cr, text, 48, baseline, Lighter(hue, 0.6), 4.5, Darker(hue, 0.65));
  RoundedRect(cr, 6, 6, kCellW - 12, kCellH - 12, 7);
  SetColour(cr, hue, 0.9);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  CardEdge(cr, Hex(0x05060F), 2);
}

void NeonBack(cairo_t* cr, bool spare) {
  Rgb base = spare ? Hex(0x0F3D3A) : Hex(0x2A1450);
  Rgb glow = spare ? Hex(0x3DDC97) : Hex(0xC06CFF);
  CardShape(cr);
  SetColour(cr, base);
  cairo_fill(cr);
  cairo_save(cr);
  CardShape(cr);
  cairo_clip(cr);
  for (int r = 60; r > 4; r -= 8) {
    cairo_arc(cr, 48, 64, r, 0, 2 * M_PI);
    SetColour(cr, glow, 0.10 + 0.5 * (60 - r) / 60.0);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
  }
  Rng rng(spare ? 77 : 41);
  for (int i = 0; i < 26; ++i) {
    double x = rng.Range(8, 88), y = rng.Range(8, 120);
    cairo_arc(cr, x, y, rng.Range(0.6, 1.4), 0, 2 * M_PI);
    SetColour(cr, {1, 1, 1}, rng.Range(0.4, 0.9));
    cairo_fill(cr);
  }
  cairo_restore(cr);
  FillSymbol(cr, kSparkle, 48, 64, 26, Lighter(glow, 0.6), glow, 1.5);
  RoundedRect(cr, 6, 6, kCellW - 12, kCellH - 12, 7);
  SetColour(cr, glow, 0.9);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  CardEdge(cr, Hex(0x05060F), 2);
}

// ---------------------------------------------------------------- deck 3
// "Tiles": glossy coloured tiles with a white pictogram; the pictograms run in
// a different order from the shape deck so the two decks feel distinct.
const int kTileSymbols[kSymbolCount] = {kSun,    kMoon,   kCloud,   kDrop,   kBolt,  kFlower, kCrown,
                                        kHeart,  kStar,   kSpade,   kClub,   kDiamond, kArrow, kRing,
                                        kHexagon, kPlus,  kTriangle, kSparkle, kCircle, kSquare, kOctagon};

Rgb TileColour(int value) { return Hsv((value - 1) * 137.508 + 15, 0.62, 0.82); }

void TileFace(cairo_t* cr, int value) {
  Rgb c = TileColour(value);
  CardShape(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, kCellW, kCellH);
  cairo_pattern_add_color_stop_rgb(p, 0, Lighter(c, 0.25).r, Lighter(c, 0.25).g, Lighter(c, 0.25).b);
  cairo_pattern_add_color_stop_rgb(p, 1, Darker(c, 0.25).r, Darker(c, 0.25).g, Darker(c, 0.25).b);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_save(cr);
  CardShape(cr);
  cairo_clip(cr);
  SetColour(cr, {1, 1, 1}, 0.08);  // faint diagonal weave
  cairo_set_line_width(cr, 5);
  for (int k = -140; k < 240; k += 16) {
    cairo_move_to(cr, k, 0);
    cairo_line_to(cr, k + kCellH, kCellH);
  }
  cairo_stroke(cr);
  // Gloss across the top third.
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, kCellW, 0);
  cairo_line_to(cr, kCellW, 30);
  cairo_curve_to(cr, 60, 48, 30, 34, 0, 46);
  cairo_close_path(cr);
  SetColour(cr, {1, 1, 1}, 0.16);
  cairo_fill(cr);
  cairo_restore(cr);
  int symbol = kTileSymbols[value - 1];
  cairo_save(cr);
  cairo_translate(cr, 2, 3);
  FillSymbol(cr, symbol, 48, 60, 58, Darker(c, 0.6), {0, 0, 0}, 0);  // drop shadow
  cairo_restore(cr);
  FillSymbol(cr, symbol, 48, 60, 58, {1, 1, 1}, Darker(c, 0.5), 1.5);
  // Value pips along the bottom, rows of ten in groups of five: a second cue
  // besides the picture.
  for (int row = 0; row * 10 < value; ++row) {
    int count = std::min(10, value - row * 10);
    double width = (count - 1) * 6 + (count > 5 ? 4 : 0);
    double x = 48 - width / 2;
    for (int i = 0; i < count; ++i) {
      cairo_new_sub_path(cr);
      cairo_arc(cr, x, 106 + row * 8, 2.3, 0, 2 * M_PI);
      x += (i == 4) ? 10 : 6;
    }
  }
  SetColour(cr, {1, 1, 1}, 0.92);
  cairo_fill(cr);
  CardEdge(cr, Darker(c, 0.6), 2);
}

void TileBack(cairo_t* cr, bool spare) {
  Rgb base = spare ? Hex(0x8A4B12) : Hex(0x0E6E6E);
  CardShape(cr);
  SetColour(cr, base);
  cairo_fill(cr);
  cairo_save(cr);
  RoundedRect(cr, 8, 8, kCellW - 16, kCellH - 16, 6);
  cairo_clip(cr);
  cairo_set_line_width(cr, 4);
  for (int y = -16; y < kCellH + 16; y += 14) {  // chevrons
    cairo_move_to(cr, 0, y + 12);
    cairo_line_to(cr, 48, y);
    cairo_line_to(cr, 96, y + 12);
  }
  SetColour(cr, Lighter(base, 0.25));
  cairo_stroke(cr);
  cairo_restore(cr);
  RoundedRect(cr, 8, 8, kCellW - 16, kCellH - 16, 6);
  SetColour(cr, {1, 1, 1}, 0.85);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  RoundedRect(cr, 30, 46, 36, 36, 8);
  SetColour(cr, Darker(base, 0.3));
  cairo_fill_preserve(cr);
  SetColour(cr, {1, 1, 1}, 0.85);
  cairo_stroke(cr);
  FillSymbol(cr, kDiamond, 48, 64, 22, {1, 1, 1}, {0, 0, 0}, 0);
  CardEdge(cr, Darker(base, 0.55), 2);
}

struct DeckStyle {
  void (*face)(cairo_t*, int);
  void (*back)(cairo_t*, bool);
  unsigned markerRim;
};

void DrawDeck(const DeckStyle& style, const std::string& path) {
  Canvas canvas(kCellW * kColumns, kCellH * (kCells / kColumns));
  cairo_t* cr = canvas.cr();
  for (int cell = 0; cell < kCells; ++cell) {
    cairo_save(cr);
    cairo_translate(cr, (cell % kColumns) * kCellW, (cell / kColumns) * kCellH);
    // Nothing may spill into a neighbouring frame.
    cairo_rectangle(cr, 0, 0, kCellW, kCellH);
    cairo_clip(cr);
    cairo_new_path(cr);
    if (cell <= 20) {
      style.face(cr, cell + 1);
    } else if (cell == kWrongMarker || cell == kRightMarker) {
      Marker(cr, cell == kRightMarker, Hex(style.markerRim));
    } else {
      style.back(cr, cell == kSpareBack);
    }
    cairo_restore(cr);
  }
  SavePng(canvas, path);
}

}  // namespace

void MakeDecks(const std::string& gameDir) {
  const DeckStyle styles[] = {{ShapesFace, ShapesBack, 0xFFF4D6},
                              {NeonFace, NeonBack, 0xE8E0FF},
                              {TileFace, TileBack, 0xFFFFFF}};
  int n = 1;
  for (const DeckStyle& style : styles) {
    char name[32];
    std::snprintf(name, sizeof name, "/Deck_%02d.png", n++);
    DrawDeck(style, gameDir + name);
  }
}
