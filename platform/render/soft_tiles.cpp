// The software rasteriser's screen tiles (see soft_tiles.h).
#include "platform/render/soft_tiles.h"

#include <algorithm>
#include <cstring>

namespace plat {

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
      unshown_(static_cast<size_t>(cols_) * rows_, 1) {}

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
  auto cell = [](float v, float hi, int size) {
    return static_cast<int>(std::clamp(v, 0.0f, hi)) / size;
  };
  const float w = static_cast<float>(width_ - 1), h = static_cast<float>(height_ - 1);
  p.tx0 = cell(xmin - 1, w, kTileW);
  p.tx1 = cell(xmax + 1, w, kTileW) + 1;
  p.ty0 = cell(ymin - 1, h, kTileH);
  p.ty1 = cell(ymax + 1, h, kTileH) + 1;
  return true;
}

void SoftTiles::Bin(const std::vector<SoftPrim>& prims, TileBins& bins) const {
  const size_t tiles = static_cast<size_t>(Count());
  bins.start.assign(tiles + 1, 0);
  for (const SoftPrim& p : prims)
    for (int ty = p.ty0; ty < p.ty1; ++ty)
      for (int tx = p.tx0; tx < p.tx1; ++tx) ++bins.start[static_cast<size_t>(ty) * cols_ + tx + 1];
  for (size_t t = 0; t < tiles; ++t) bins.start[t + 1] += bins.start[t];
  bins.items.resize(static_cast<size_t>(bins.start[tiles]));
  std::vector<int> fill(bins.start.begin(), bins.start.end() - 1);
  for (size_t i = 0; i < prims.size(); ++i) {
    const SoftPrim& p = prims[i];
    for (int ty = p.ty0; ty < p.ty1; ++ty)
      for (int tx = p.tx0; tx < p.tx1; ++tx)
        bins.items[static_cast<size_t>(fill[static_cast<size_t>(ty) * cols_ + tx]++)] = static_cast<int>(i);
  }
}

void SoftTiles::Diff(const std::vector<SoftPrim>& next, const TileBins& nextBins,
                     const std::vector<SoftPrim>& shown, const TileBins& shownBins,
                     std::vector<uint8_t>& dirty) {
  const size_t tiles = static_cast<size_t>(Count());
  dirty.assign(tiles, 0);
  // A primitive found the same as one of the shown frame is not compared
  // with it again in the other tiles it touches (a backdrop touches all).
  std::vector<int>& same = same_;
  same.assign(next.size(), -1);
  for (size_t t = 0; t < tiles; ++t) {
    const int a = nextBins.start[t], count = nextBins.start[t + 1] - a;
    const int b = shownBins.start[t];
    if (count != shownBins.start[t + 1] - b) {
      dirty[t] = 1;
      continue;
    }
    for (int i = 0; i < count; ++i) {
      const int n = nextBins.items[static_cast<size_t>(a + i)];
      const int s = shownBins.items[static_cast<size_t>(b + i)];
      if (same[static_cast<size_t>(n)] == s) continue;
      if (!SamePrim(next[static_cast<size_t>(n)], shown[static_cast<size_t>(s)])) {
        dirty[t] = 1;
        break;
      }
      same[static_cast<size_t>(n)] = s;
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

void SoftTiles::Runs(const std::vector<uint8_t>& dirty, std::vector<TileRun>& runs) const {
  runs.clear();
  for (int ty = 0; ty < rows_; ++ty) {
    const uint8_t* row = dirty.data() + static_cast<size_t>(ty) * cols_;
    for (int tx = 0; tx < cols_;) {
      if (!row[tx]) {
        ++tx;
        continue;
      }
      const int from = tx;
      while (tx < cols_ && row[tx]) ++tx;
      ClipRect px;
      px.x0 = from * kTileW;
      px.x1 = std::min(tx * kTileW, width_);
      px.y0 = ty * kTileH;
      px.y1 = std::min((ty + 1) * kTileH, height_);
      runs.push_back(TileRun{px, from, tx, ty});
    }
  }
}

void SoftTiles::NoteDrawn(const std::vector<uint8_t>& dirty) {
  for (size_t t = 0; t < unshown_.size() && t < dirty.size(); ++t) unshown_[t] |= dirty[t];
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
}

}  // namespace plat
