// The software rasteriser's screen tiles (see soft_tiles.h).
#include "platform/render/soft_tiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat {

namespace {

// The tile a coordinate lies in, clamped to the screen.
int Cell(float v, float hi, int size) { return static_cast<int>(std::clamp(v, 0.0f, hi)) / size; }

}  // namespace

bool SamePrim(const SoftPrim& a, const SoftPrim& b) {
  if (a.n != b.n) return false;
  if (a.n == 0) return std::memcmp(&a.clear, &b.clear, sizeof a.clear) == 0;
  // Vertices are compared as bytes: a -0 against a 0 counts as a change,
  // which only costs a tile drawn again.
  return a.blend == b.blend && a.filtered == b.filtered && a.fullCost == b.fullCost &&
         a.texture == b.texture && a.stamp == b.stamp &&
         std::memcmp(a.v, b.v, sizeof(DrawVertex) * static_cast<size_t>(a.n)) == 0;
}

SoftTiles::SoftTiles(int width, int height)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      cols_((width_ + kTileW - 1) / kTileW),
      rows_((height_ + kTileH - 1) / kTileH),
      unshown_(static_cast<size_t>(cols_) * rows_, 1),
      masks_(static_cast<size_t>(cols_) * rows_) {}

ClipRect SoftTiles::MaskBounds(const RowMask& mask, const ClipRect& area) {
  ClipRect r{area.x1, area.y0 + mask.r0, area.x0, area.y0 + mask.r1};
  for (int row = mask.r0; row < mask.r1; ++row) {
    if (mask.from[row] >= mask.to[row]) continue;
    r.x0 = std::min<int>(r.x0, mask.from[row]);
    r.x1 = std::max<int>(r.x1, mask.to[row]);
  }
  return r;
}

ClipRect SoftTiles::TileRect(int t) const {
  const int tx = t % cols_, ty = t / cols_;
  ClipRect r;
  r.x0 = tx * kTileW;
  r.x1 = std::min((tx + 1) * kTileW, width_);
  r.y0 = ty * kTileH;
  r.y1 = std::min((ty + 1) * kTileH, height_);
  return r;
}

bool SoftTiles::Place(SoftPrim& p) const {
  if (p.n == 0) {
    p.tx0 = p.ty0 = 0;
    p.tx1 = cols_;
    p.ty1 = rows_;
    return true;
  }
  float xmin = p.v[0].x, xmax = xmin, ymin = p.v[0].y, ymax = ymin;
  for (int k = 1; k < p.n; ++k) {
    xmin = std::min(xmin, p.v[k].x);
    xmax = std::max(xmax, p.v[k].x);
    ymin = std::min(ymin, p.v[k].y);
    ymax = std::max(ymax, p.v[k].y);
  }
  // The rasteriser skips the same primitives.
  if (!(ymax > ymin) || !(xmax > xmin)) return false;  // also NaN
  if (BlendUsesAlpha(p.blend) && p.v[0].colour.a == 0 && !p.fullCost) return false;
  if (xmax <= 0 || xmin >= width_ || ymax <= 0 || ymin >= height_) return false;
  // A pixel is covered when its centre is; a pixel more on each side keeps
  // the edges' rounding inside the tiles named.
  const float w = static_cast<float>(width_ - 1), h = static_cast<float>(height_ - 1);
  p.tx0 = Cell(xmin - 1, w, kTileW);
  p.tx1 = Cell(xmax + 1, w, kTileW) + 1;
  p.ty0 = Cell(ymin - 1, h, kTileH);
  p.ty1 = Cell(ymax + 1, h, kTileH) + 1;
  return true;
}

bool FiniteVertices(const SoftPrim& p) {
  for (int k = 0; k < p.n; ++k)
    if (!std::isfinite(p.v[k].x) || !std::isfinite(p.v[k].y)) return false;
  return true;
}

bool SlabExtent(const SoftPrim& p, double ya, double yb, double& lo, double& hi) {
  lo = HUGE_VAL;
  hi = -HUGE_VAL;
  for (int k = 0; k < p.n; ++k) {
    const DrawVertex& a = p.v[k];
    const DrawVertex& b = p.v[(k + 1) % p.n];
    if (a.y >= ya && a.y <= yb) {
      lo = std::min(lo, static_cast<double>(a.x));
      hi = std::max(hi, static_cast<double>(a.x));
    }
    for (double side : {ya, yb}) {
      if ((a.y < side) == (b.y < side)) continue;
      const double x = a.x + (side - a.y) * (static_cast<double>(b.x) - a.x) / (static_cast<double>(b.y) - a.y);
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
  }
  return hi >= lo;
}

void SoftTiles::BandColumns(const SoftPrim& p, int ty, int& c0, int& c1) const {
  c0 = p.tx0;
  c1 = p.tx1;
  if (p.n == 0 || p.ty1 - p.ty0 <= 1 || p.tx1 - p.tx0 <= 1 || !FiniteVertices(p)) return;
  // The polygon's extent over the band's rows and a pixel beyond them.
  double lo, hi;
  if (!SlabExtent(p, static_cast<double>(ty) * kTileH - 1, static_cast<double>(ty + 1) * kTileH + 1, lo, hi)) {
    c0 = c1 = p.tx0;  // it passes by this band
    return;
  }
  const float w = static_cast<float>(width_ - 1);
  c0 = std::max(c0, Cell(static_cast<float>(lo - 1), w, kTileW));
  c1 = std::min(c1, Cell(static_cast<float>(hi + 1), w, kTileW) + 1);
  if (c1 < c0) c1 = c0;
}

void SoftTiles::Bin(const std::vector<SoftPrim>& prims, TileBins& bins) {
  const size_t tiles = static_cast<size_t>(Count());
  bins.start.assign(tiles + 1, 0);
  bandStart_.resize(prims.size());
  bandCols_.clear();
  placing_.resize(prims.size());
  for (size_t i = 0; i < prims.size(); ++i) {
    const SoftPrim& p = prims[i];
    bandStart_[i] = static_cast<int>(bandCols_.size());
    Placed& record = placing_[i];
    std::memset(record.xy, 0, sizeof record.xy);
    for (int k = 0; k < p.n; ++k) {
      record.xy[2 * k] = p.v[k].x;
      record.xy[2 * k + 1] = p.v[k].y;
    }
    record.n = p.n;
    record.tx0 = p.tx0;
    record.tx1 = p.tx1;
    record.ty0 = p.ty0;
    record.ty1 = p.ty1;
    record.start = bandStart_[i];
    const bool known = i < placed_.size() && SamePlaced(placed_[i], p);
    const int16_t* before = known ? placedCols_.data() + placed_[i].start : nullptr;
    for (int ty = p.ty0; ty < p.ty1; ++ty) {
      int c0, c1;
      if (known) {
        c0 = before[0];
        c1 = before[1];
        before += 2;
      } else {
        BandColumns(p, ty, c0, c1);
      }
      bandCols_.push_back(static_cast<int16_t>(c0));
      bandCols_.push_back(static_cast<int16_t>(c1));
      for (int tx = c0; tx < c1; ++tx) ++bins.start[static_cast<size_t>(ty) * cols_ + tx + 1];
    }
  }
  for (size_t t = 0; t < tiles; ++t) bins.start[t + 1] += bins.start[t];
  bins.items.resize(static_cast<size_t>(bins.start[tiles]));
  std::vector<int> fill(bins.start.begin(), bins.start.end() - 1);
  for (size_t i = 0; i < prims.size(); ++i) {
    const SoftPrim& p = prims[i];
    const int16_t* cols = bandCols_.data() + bandStart_[i];
    for (int ty = p.ty0; ty < p.ty1; ++ty, cols += 2)
      for (int tx = cols[0]; tx < cols[1]; ++tx)
        bins.items[static_cast<size_t>(fill[static_cast<size_t>(ty) * cols_ + tx]++)] = static_cast<int>(i);
  }
  std::swap(placed_, placing_);
  std::swap(placedCols_, bandCols_);
}

bool SoftTiles::SamePlaced(const Placed& a, const SoftPrim& p) {
  if (a.n != p.n || a.tx0 != p.tx0 || a.tx1 != p.tx1 || a.ty0 != p.ty0 || a.ty1 != p.ty1) return false;
  for (int k = 0; k < p.n; ++k)
    if (std::memcmp(&a.xy[2 * k], &p.v[k].x, sizeof(float)) != 0 ||
        std::memcmp(&a.xy[2 * k + 1], &p.v[k].y, sizeof(float)) != 0)
      return false;
  return true;
}

void SoftTiles::Diff(const std::vector<SoftPrim>& next, const TileBins& nextBins,
                     const std::vector<SoftPrim>& shown, const TileBins& shownBins,
                     std::vector<uint8_t>& dirty, std::vector<TileChange>& changes) {
  const size_t tiles = static_cast<size_t>(Count());
  dirty.assign(tiles, kClean);
  changes.clear();
  // A primitive found the same as one of the shown frame is not compared
  // with it again in the other tiles it touches (a backdrop touches all).
  std::vector<int>& same = same_;
  same.assign(next.size(), -1);
  for (size_t t = 0; t < tiles; ++t) {
    const int a = nextBins.start[t], count = nextBins.start[t + 1] - a;
    const int b = shownBins.start[t];
    if (count != shownBins.start[t + 1] - b) {
      dirty[t] = kWhole;
      continue;
    }
    const size_t listed = changes.size();
    for (int i = 0; i < count; ++i) {
      const int n = nextBins.items[static_cast<size_t>(a + i)];
      const int s = shownBins.items[static_cast<size_t>(b + i)];
      if (same[static_cast<size_t>(n)] == s) continue;
      const SoftPrim& np = next[static_cast<size_t>(n)];
      const SoftPrim& sp = shown[static_cast<size_t>(s)];
      if (SamePrim(np, sp)) {
        same[static_cast<size_t>(n)] = s;
        continue;
      }
      // A clear covers the whole tile; many changes are cheaper drawn whole.
      if (np.n == 0 || sp.n == 0 || changes.size() - listed >= kMaxChangesInTile) {
        dirty[t] = kWhole;
        changes.resize(listed);
        break;
      }
      dirty[t] = kMasked;
      changes.push_back(TileChange{static_cast<int>(t), n, s});
    }
  }
}

void SoftTiles::Touched(const std::vector<SoftPrim>& prims, bool all, std::vector<uint8_t>& dirty) const {
  dirty.assign(static_cast<size_t>(Count()), all ? 1 : 0);
  if (all) return;
  for (const SoftPrim& p : prims)
    for (int ty = p.ty0; ty < p.ty1; ++ty)
      std::fill_n(dirty.begin() + static_cast<ptrdiff_t>(ty) * cols_ + p.tx0, p.tx1 - p.tx0, 1);
}

void SoftTiles::Runs(const std::vector<uint8_t>& dirty, std::vector<TileRun>& runs) {
  runs.clear();
  runMasks_.clear();
  for (int ty = 0; ty < rows_; ++ty) {
    const uint8_t* row = dirty.data() + static_cast<size_t>(ty) * cols_;
    for (int tx = 0; tx < cols_;) {
      if (row[tx] == kClean) {
        ++tx;
        continue;
      }
      if (row[tx] == kMasked) {
        const int from = tx;
        RowMask joined = masks_[static_cast<size_t>(ty) * cols_ + tx];
        for (++tx; tx < cols_ && row[tx] == kMasked; ++tx) {
          const RowMask& m = masks_[static_cast<size_t>(ty) * cols_ + tx];
          for (int r = m.r0; r < m.r1; ++r) {
            if (m.from[r] >= m.to[r]) continue;
            if (joined.from[r] >= joined.to[r]) {
              joined.from[r] = m.from[r];
              joined.to[r] = m.to[r];
            } else {
              joined.from[r] = std::min(joined.from[r], m.from[r]);
              joined.to[r] = std::max(joined.to[r], m.to[r]);
            }
          }
          joined.r0 = std::min(joined.r0, m.r0);
          joined.r1 = std::max(joined.r1, m.r1);
        }
        ClipRect px = TileRect(ty * cols_ + from);
        px.x1 = std::min(tx * kTileW, width_);
        runs.push_back(TileRun{px, from, tx, ty, static_cast<int>(runMasks_.size())});
        runMasks_.push_back(joined);
        continue;
      }
      const int from = tx;
      while (tx < cols_ && row[tx] == kWhole) ++tx;
      ClipRect px;
      px.x0 = from * kTileW;
      px.x1 = std::min(tx * kTileW, width_);
      px.y0 = ty * kTileH;
      px.y1 = std::min((ty + 1) * kTileH, height_);
      runs.push_back(TileRun{px, from, tx, ty});
    }
  }
}

void SoftTiles::NoteDrawn(const std::vector<uint8_t>& dirty, const std::vector<TileRun>& runs) {
  for (size_t t = 0; t < unshown_.size() && t < dirty.size(); ++t) unshown_[t] |= dirty[t] == kWhole;
  for (const TileRun& run : runs) {
    if (run.mask < 0) continue;
    const ClipRect r = MaskBounds(runMasks_[static_cast<size_t>(run.mask)], run.px);
    if (!r.Empty()) unshownRects_.push_back(r);
  }
  // A back buffer nobody shows (the headless one) must not gather them
  // for ever: past a few frames' worth they become their tiles.
  if (unshownRects_.size() > kMaxUnshownRects) {
    for (const ClipRect& r : unshownRects_)
      for (int ty = r.y0 / kTileH; ty <= (r.y1 - 1) / kTileH; ++ty)
        for (int tx = r.x0 / kTileW; tx <= (r.x1 - 1) / kTileW; ++tx) unshown_[static_cast<size_t>(ty) * cols_ + tx] = 1;
    unshownRects_.clear();
  }
}

void SoftTiles::TakeChanged(std::vector<ClipRect>& rects) {
  rects.clear();
  std::vector<TileRun> runs;
  Runs(unshown_, runs);
  // A run lying right under a rectangle of the same columns extends it.
  for (const TileRun& run : runs) {
    bool joined = false;
    for (ClipRect& r : rects) {
      if (r.x0 == run.px.x0 && r.x1 == run.px.x1 && r.y1 == run.px.y0) {
        r.y1 = run.px.y1;
        joined = true;
        break;
      }
    }
    if (!joined) rects.push_back(run.px);
  }
  std::fill(unshown_.begin(), unshown_.end(), 0);
  rects.insert(rects.end(), unshownRects_.begin(), unshownRects_.end());
  unshownRects_.clear();
}

}  // namespace plat
