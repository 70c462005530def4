// The software rasteriser's screen tiles: which primitives of a frame touch
// each tile, which tiles draw differently from the frame the back buffer
// holds (only those are rasterised again), and which changed since the
// window last showed them (only those are sent to it). Inside the software
// back end only.
//
// Two frames draw a tile alike when the same primitives, compared field by
// field (vertices, colours, texture coordinates, blend, sampling, the
// texture and the stamp of its pixels), touch it in the same order: each
// pixel of it then sees the same operations on the same values.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/render/render_backend.h"

namespace plat {

struct SoftTexture;

// A primitive as the rasteriser draws it: a clear of the whole back buffer,
// or a convex polygon of 3 or 4 vertices with its command's state.
struct SoftPrim {
  DrawVertex v[4];
  int n = 0;                 // vertices; 0 for a clear
  BlendMode blend = kBlendAlpha;
  bool filtered = false;
  bool fullCost = false;
  Rgba8 clear{};             // a clear's colour
  int texture = 0;           // back-end id; 0 = untextured
  uint64_t stamp = 0;        // the texture's pixels: a new stamp whenever they change
  const SoftTexture* tex = nullptr;  // for drawing; valid only while its frame is drawn
  int tx0 = 0, ty0 = 0, tx1 = 0, ty1 = 0;  // tiles touched: [tx0, tx1) x [ty0, ty1)
};

bool SamePrim(const SoftPrim& a, const SoftPrim& b);

// A row of neighbouring tiles of one band to draw: its pixels and its tiles.
struct TileRun {
  ClipRect px;
  int tx0, tx1, ty;
};

// The primitives touching each tile, in drawing order.
struct TileBins {
  std::vector<int> start;  // per tile, its first entry in items; one more entry at the end
  std::vector<int> items;  // primitive indices
};

class SoftTiles {
 public:
  static constexpr int kTileW = 64;  // pixels
  static constexpr int kTileH = 32;  // pixels: the rasteriser's bands of rows

  SoftTiles(int width, int height);
  int Count() const { return cols_ * rows_; }
  int Columns() const { return cols_; }

  // Sets the tiles a primitive touches (a clear: every tile). False when it
  // can change no pixel: no area, invisible, NaN, or off the screen.
  bool Place(SoftPrim& p) const;
  void Bin(const std::vector<SoftPrim>& prims, TileBins& bins) const;
  // dirty[t] = 1 where tile t draws differently in the two frames.
  void Diff(const std::vector<SoftPrim>& next, const TileBins& nextBins,
            const std::vector<SoftPrim>& shown, const TileBins& shownBins,
            std::vector<uint8_t>& dirty);
  // dirty[t] = 1 where any of the primitives touches tile t (all: every tile).
  void Touched(const std::vector<SoftPrim>& prims, bool all, std::vector<uint8_t>& dirty) const;
  // The dirty tiles as runs along each band, top to bottom.
  void Runs(const std::vector<uint8_t>& dirty, std::vector<TileRun>& runs) const;

  // Tiles drawn since the window last showed the back buffer.
  void NoteDrawn(const std::vector<uint8_t>& dirty);
  // Those tiles as few rectangles (runs along a band, joined with the same
  // run of the bands below), and forgets them.
  void TakeChanged(std::vector<ClipRect>& rects);

 private:
  int width_, height_, cols_, rows_;
  std::vector<uint8_t> unshown_;
  std::vector<int> same_;   // Diff: per primitive of the new frame, the shown one found the same
};

}  // namespace plat
