// Pictogram outlines shared by the decks, badges and icons: each adds a
// closed path (filled with the even-odd rule where it has holes) centred on
// (cx, cy) and fitting a box of the given size.
#pragma once

#include <cairo.h>

constexpr int kSymbolCount = 21;

enum Symbol {
  kCircle, kSquare, kTriangle, kDiamond, kStar, kHeart, kSpade, kClub, kPlus, kMoon, kHexagon,
  kRing, kArrow, kBolt, kDrop, kFlower, kCrown, kSun, kOctagon, kSparkle, kCloud
};

// Adds the symbol's outline to the current path and sets the fill rule it needs.
void SymbolPath(cairo_t* cr, int symbol, double cx, double cy, double size);
// Short name, for the contact sheet's notes.
const char* SymbolName(int symbol);
