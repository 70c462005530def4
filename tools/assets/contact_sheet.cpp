// The contact sheet for review: every deck, table, the icon sheet (enlarged,
// unfiltered), the badges, heart and logos on one page, read back from the
// files just written so it shows exactly what the game will load.
#include <cstdio>
#include <string>

#include "canvas.h"
#include "generators.h"

namespace {

void Label(cairo_t* cr, const std::string& text, double x, double y) {
  UseFont(cr, 1, 18);
  cairo_move_to(cr, x, y);
  SetColour(cr, Hex(0xDDE6FF));
  cairo_show_text(cr, text.c_str());
}

// Draws a PNG scaled; returns false (and notes the failure) when it cannot be read.
bool Place(cairo_t* cr, const std::string& path, double x, double y, double scale, bool crisp = false) {
  cairo_surface_t* img = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(img);
    Fail("contact sheet cannot read " + path);
    return false;
  }
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, img, 0, 0);
  if (crisp) cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(img);
  return true;
}

}  // namespace

void MakeContactSheet(const std::string& filesDir, const std::string& previewPath) {
  const std::string game = filesDir + "/253/", common = filesDir + "/Common/";
  Canvas canvas(1600, 1200);
  cairo_t* cr = canvas.cr();
  VerticalGradient(cr, 0, 0, 1600, 1200, Hex(0x000032), Hex(0x00005A));
  // Decks at 3/4 size.
  for (int d = 0; d < 3; ++d) {
    char name[32];
    std::snprintf(name, sizeof name, "Deck_%02d.png", d + 1);
    Label(cr, name, 30 + d * 375, 30);
    Place(cr, game + name, 30 + d * 375, 40, 0.75);
  }
  // Icons at scale 3, each cell numbered, on a checker so transparency shows.
  Label(cr, "icons.png (x3)", 1180, 30);
  for (int i = 0; i < 64; ++i) {
    cairo_rectangle(cr, 1180 + (i % 8) * 48, 40 + (i / 8) * 48, 48, 48);
    SetColour(cr, (i + i / 8) % 2 ? Hex(0x30305A) : Hex(0x3C3C6C));
    cairo_fill(cr);
  }
  Place(cr, common + "icons.png", 1180, 40, 3, true);
  UseFont(cr, 1, 10);
  for (int i = 0; i < 64; ++i) {
    cairo_move_to(cr, 1182 + (i % 8) * 48, 87 + (i / 8) * 48);
    SetColour(cr, Hex(0xFFFF80), 0.8);
    cairo_show_text(cr, std::to_string(i).c_str());
  }
  // Tables at half size, with the card grid and HUD strip marked.
  for (int t = 0; t < 3; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "BG_%02d.png", t + 1);
    double x = 30 + t * 340, y = 720;
    Label(cr, name, x, y - 10);
    Place(cr, game + name, x, y, 0.5);
  }
  Label(cr, "badges.png", 1180, 460);
  Place(cr, game + "badges.png", 1180, 470, 1);
  Label(cr, "heart.png", 1460, 460);
  Place(cr, game + "heart.png", 1460, 470, 1);
  Label(cr, "253/logo.png (1/2)", 1060, 740);
  Place(cr, game + "logo.png", 1060, 750, 0.5);
  Label(cr, "Common/logo.png (1/2)", 1060, 900);
  Place(cr, common + "logo.png", 1060, 910, 0.5);
  Label(cr, "Kestrine.png (1/2)", 1320, 900);
  Place(cr, common + "Kestrine.png", 1320, 910, 0.5);
  SavePng(canvas, previewPath);
}
