// What the three render back ends do the same way: the check of a draw
// command before it is drawn, a new texture's pixels, and the clipping of a
// rectangle of pixels against a texture or the back buffer.
#include <algorithm>

#include "platform/internal.h"
#include "platform/render/render_backend.h"

namespace plat {

bool DrawableRange(const DrawCommand& cmd, size_t vertexCount) {
  return cmd.first >= 0 && cmd.count > 0 && cmd.count % 3 == 0 &&
         static_cast<size_t>(cmd.count) <= vertexCount &&
         static_cast<size_t>(cmd.first) <= vertexCount - static_cast<size_t>(cmd.count) &&
         KnownBlend(cmd.blend);
}

std::vector<Rgba8> NewTexturePixels(int& width, int& height, const Rgba8* rgba) {
  const bool given = rgba && width > 0 && height > 0;
  width = std::max(width, 1);
  height = std::max(height, 1);
  const size_t count = static_cast<size_t>(width) * height;
  if (given) return std::vector<Rgba8>(rgba, rgba + count);
  return std::vector<Rgba8>(count, Rgba8{0, 0, 0, 0});
}

ClipRect ClipToArea(int x, int y, int width, int height, int areaWidth, int areaHeight) {
  if (width <= 0 || height <= 0) return {};
  // The far edges in 64 bits: a rectangle reaching past the int range still clips.
  ClipRect c;
  c.x0 = std::max(x, 0);
  c.y0 = std::max(y, 0);
  c.x1 = static_cast<int>(std::min<int64_t>(int64_t{x} + width, areaWidth));
  c.y1 = static_cast<int>(std::min<int64_t>(int64_t{y} + height, areaHeight));
  return c.Empty() ? ClipRect{} : c;
}

void CopyIntoArea(const ClipRect& clip, const Rgba8* rect, int x, int y, int width, Rgba8* area,
                  int areaWidth) {
  for (int row = clip.y0; row < clip.y1; ++row) {
    const Rgba8* from = rect + static_cast<size_t>(row - y) * width + (clip.x0 - x);
    std::copy(from, from + clip.Width(), area + static_cast<size_t>(row) * areaWidth + clip.x0);
  }
}

void CopyFromArea(const ClipRect& clip, const Rgba8* area, int areaWidth, Rgba8* rect, int x, int y,
                  int width) {
  for (int row = clip.y0; row < clip.y1; ++row) {
    const Rgba8* from = area + static_cast<size_t>(row) * areaWidth + clip.x0;
    std::copy(from, from + clip.Width(), rect + static_cast<size_t>(row - y) * width + (clip.x0 - x));
  }
}

ClipRect StartReadBack(int x, int y, int width, int height, Rgba8* out, int bufferWidth,
                       int bufferHeight) {
  if (!out || width <= 0 || height <= 0) return {};
  std::fill(out, out + static_cast<size_t>(width) * height, Rgba8{0, 0, 0, 255});
  return ClipToArea(x, y, width, height, bufferWidth, bufferHeight);
}

}  // namespace plat
