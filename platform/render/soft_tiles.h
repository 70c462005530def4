// The software rasteriser's screen tiles: which primitives of a frame touch
// each tile, which tiles draw differently from the frame the back buffer
// holds (only those are rasterised again), and which changed since the
// window last showed them (only those are sent to it). Inside the software
// back end only.
//
// Two frames draw a tile alike when the same primitives, compared field by
// field (vertices, colours, texture coordinates, blend, sampling, the
// texture and the stamp of its pixels), touch it in the same order: each
// pixel of it then sees the same operations on the same values. Where only
// a few of a tile's primitives differ, place for place, only the pixels
// those cover (in either frame) can differ: every other pixel sees the same
// primitives in the same order. Such a tile is drawn again on those pixels
// alone (the slow colour drift of a backdrop changes a few long stripes a
// frame, and a stripe crosses many tiles but covers little of each).
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
  // Every pixel it covers is its own whatever lay under it (solid, or an
  // opaque colour and texture): what was drawn under it there cannot show.
  bool opaque = false;
  Rgba8 clear{};             // a clear's colour
  int texture = 0;           // back-end id; 0 = untextured
  uint64_t stamp = 0;        // the texture's pixels: a new stamp whenever they change
  const SoftTexture* tex = nullptr;  // for drawing; valid only while its frame is drawn
  int tx0 = 0, ty0 = 0, tx1 = 0, ty1 = 0;  // tiles touched: [tx0, tx1) x [ty0, ty1)
  // The rasteriser's spans on the rows [rowsFrom, rowsTo), xs and xe a row,
  // when the back end keeps them for a primitive that stays in place; valid
  // only while its frame is drawn.
  const int16_t* rows = nullptr;
  int rowsFrom = 0, rowsTo = 0;
};

bool SamePrim(const SoftPrim& a, const SoftPrim& b);

// The columns a polygon reaches between the heights ya and yb (its corners
// there and its edges' crossings of both); false when it does not reach
// that slab. For finite vertices only.
bool FiniteVertices(const SoftPrim& p);
bool SlabExtent(const SoftPrim& p, double ya, double yb, double& lo, double& hi);

// A row of neighbouring tiles of one band to draw: its pixels and its tiles.
// A run of masked tiles is drawn on its mask's pixels alone.
struct TileRun {
  ClipRect px;
  int tx0, tx1, ty;
  int mask = -1;   // its row mask (SoftTiles::RunMask); -1: every pixel of px
};

// A primitive of the new frame and the one in its place in the shown frame
// that differ on a tile drawn only where they lie.
struct TileChange {
  int tile, next, shown;
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
  // Masked runs' rectangles kept for the window before they count as tiles.
  static constexpr size_t kMaxUnshownRects = 2048;
  // A tile with more primitives changed than this is drawn whole.
  static constexpr int kMaxChangesInTile = 3;

  // Per row of a tile or a run, the columns [from, to) to draw (none when
  // from >= to), and the rows [r0, r1) that have any.
  struct RowMask {
    int16_t from[kTileH], to[kTileH];
    int r0, r1;   // relative to the band's first row
    int Pixels() const {
      int n = 0;
      for (int r = r0; r < r1; ++r) n += from[r] < to[r] ? to[r] - from[r] : 0;
      return n;
    }
    // Drops the empty rows at both ends.
    void Trim() {
      while (r0 < r1 && from[r0] >= to[r0]) ++r0;
      while (r1 > r0 && from[r1 - 1] >= to[r1 - 1]) --r1;
    }
  };
  // dirty[t]: the tile is not drawn, drawn whole, or drawn on its mask.
  enum : uint8_t { kClean = 0, kWhole = 1, kMasked = 2 };

  SoftTiles(int width, int height);
  int Count() const { return cols_ * rows_; }
  int Columns() const { return cols_; }

  // Sets the tiles a primitive touches (a clear: every tile). False when it
  // can change no pixel: no area, invisible, NaN, or off the screen.
  bool Place(SoftPrim& p) const;
  // Bins each primitive on the tiles of its box that it may cover, band by
  // band: a long diagonal stripe is on the tiles along it, not on all.
  void Bin(const std::vector<SoftPrim>& prims, TileBins& bins);
  // The tile columns [c0, c1) a primitive may cover on band ty (empty when
  // none): its extent over the band's rows and a pixel more each way.
  void BandColumns(const SoftPrim& p, int ty, int& c0, int& c1) const;
  // The tile columns [c0, c1) the last Bin put its primitive i on in band ty.
  void BinnedColumns(int i, int ty, int& c0, int& c1) const {
    const Placed& at = placed_[static_cast<size_t>(i)];
    if (ty < at.ty0 || ty >= at.ty1) {
      c0 = c1 = 0;
      return;
    }
    const int16_t* cols = placedCols_.data() + at.start + 2 * (ty - at.ty0);
    c0 = cols[0];
    c1 = cols[1];
  }
  // dirty[t] = kWhole where tile t draws differently in the two frames, or
  // kMasked where a few primitives differ place for place (changes lists
  // them, tile by tile in order; the caller turns them into the tile's mask).
  void Diff(const std::vector<SoftPrim>& next, const TileBins& nextBins,
            const std::vector<SoftPrim>& shown, const TileBins& shownBins,
            std::vector<uint8_t>& dirty, std::vector<TileChange>& changes);
  // dirty[t] = 1 where any of the primitives touches tile t (all: every tile).
  void Touched(const std::vector<SoftPrim>& prims, bool all, std::vector<uint8_t>& dirty) const;
  // The dirty tiles as runs along each band, top to bottom. Neighbouring
  // masked tiles make a run of their own, drawn on their masks' union.
  void Runs(const std::vector<uint8_t>& dirty, std::vector<TileRun>& runs);
  RowMask& Mask(int tile) { return masks_[static_cast<size_t>(tile)]; }
  const RowMask& RunMask(int run) const { return runMasks_[static_cast<size_t>(run)]; }
  // The pixels of tile t.
  ClipRect TileRect(int t) const;
  // A mask's pixels as a rectangle (empty when it has none): its rows, and
  // the columns they reach. area: the tile or run it belongs to.
  static ClipRect MaskBounds(const RowMask& mask, const ClipRect& area);

  // Tiles drawn since the window last showed the back buffer.
  // Whole tiles are kept as tiles; a masked run as its mask's bounds (a
  // stripe crossing a band is much narrower than the tiles it touches).
  void NoteDrawn(const std::vector<uint8_t>& dirty, const std::vector<TileRun>& runs);
  // Those tiles as few rectangles (runs along a band, joined with the same
  // run of the bands below), and forgets them.
  void TakeChanged(std::vector<ClipRect>& rects);

 private:
  int width_, height_, cols_, rows_;
  std::vector<uint8_t> unshown_;
  std::vector<ClipRect> unshownRects_;
  std::vector<int> same_;   // Diff: per primitive of the new frame, the shown one found the same
  std::vector<RowMask> masks_;  // per tile, for tiles drawn masked
  std::vector<RowMask> runMasks_;  // per masked run of the last Runs
  std::vector<int> bandStart_;  // Bin: per primitive, its first entry in bandCols_
  std::vector<int16_t> bandCols_;  // Bin: per primitive and band of its box, c0 and c1
  // The last Bin's primitives by place (corners, tiles) and their bands'
  // columns: a primitive in the same place at the same index of the next
  // frame (most of a screen) takes them instead of working them out again.
  struct Placed {
    float xy[8];
    int n, tx0, tx1, ty0, ty1, start;
  };
  static bool SamePlaced(const Placed& a, const SoftPrim& p);
  std::vector<Placed> placed_, placing_;
  std::vector<int16_t> placedCols_;
};

}  // namespace plat
