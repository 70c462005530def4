// Images and pixel maps: their handle tables, PNG decoding and encoding with
// libpng, frame layout, handle points, grabbing from the back buffer and the
// memory count.
//
// An image keeps its pixels on the CPU as an atlas of frames, each frame
// framed by a one-pixel border copied from its own edge so that smooth
// sampling never bleeds a neighbouring frame in. The back-end texture is only
// a cache, made the first time the image is drawn on the current display.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/platform.h"

namespace plat {
namespace {

struct Image {
  int w = 0, h = 0, frames = 0;
  int flags = 0;
  float hx = 0, hy = 0;          // handle point, image pixels
  int cols = 1;                  // frames per atlas row
  int atlasW = 0, atlasH = 0;
  std::vector<Rgba8> atlas;
  int texture = 0;               // back-end texture, 0 until drawn
};

struct Pixmap {
  int w = 0, h = 0;
  std::vector<Rgba8> px;
};

HandleTable<Image> g_images;
HandleTable<Pixmap> g_pixmaps;

// Pictures beyond this are refused rather than risk exhausting memory on a
// hostile file.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = 64ull * 1024 * 1024;

int64_t AtlasBytes(const Image& im) { return static_cast<int64_t>(im.atlas.size() * sizeof(Rgba8)); }

void ResetImages() {
  g_images.ForEach([](Image& im) { CountMemory(-AtlasBytes(im)); });
  g_pixmaps.ForEach([](Pixmap& p) { CountMemory(-static_cast<int64_t>(p.px.size() * sizeof(Rgba8))); });
  g_images.Clear();
  g_pixmaps.Clear();
}

const ResetHook s_resetImages(&ResetImages);

// ---------------------------------------------------------------- PNG decoding
struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

struct Decoded {
  uint32_t w = 0, h = 0;
  std::vector<Rgba8> px;
  std::vector<png_bytep> rows;
};

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) png_error(png, "truncated");
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

// Only plain locals live in this frame: a decoding error jumps back into it
// through libpng, so everything with a destructor sits in *out, owned by the
// caller.
bool DecodePng(const uint8_t* data, size_t size, Decoded* out) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  PngSource src{data, size, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, 8u * 1024 * 1024);
  png_set_read_fn(png, &src, PngRead);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (w == 0 || h == 0 || static_cast<uint64_t>(w) * h > kMaxPixels) png_error(png, "too big");
  int colour = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  // Whatever the file holds, ask libpng for 8-bit RGBA.
  if (depth == 16) png_set_strip_16(png);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (!(colour & PNG_COLOR_MASK_ALPHA)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) png_error(png, "unexpected layout");
  out->w = w;
  out->h = h;
  out->px.resize(static_cast<size_t>(w) * h);
  out->rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y)
    out->rows[y] = reinterpret_cast<png_bytep>(out->px.data() + static_cast<size_t>(y) * w);
  png_read_image(png, out->rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// ---------------------------------------------------------------- frames
void LayoutAtlas(Image& im) {
  // A roughly square grid of frames keeps the texture within the sizes every
  // back end accepts.
  int cols = 1;
  while (cols * cols < im.frames) ++cols;
  im.cols = cols;
  int rows = (im.frames + cols - 1) / cols;
  im.atlasW = cols * (im.w + 2);
  im.atlasH = rows * (im.h + 2);
  im.atlas.assign(static_cast<size_t>(im.atlasW) * im.atlasH, Rgba8{0, 0, 0, 0});
}

void CellOrigin(const Image& im, int frame, int& x, int& y) {
  x = (frame % im.cols) * (im.w + 2);
  y = (frame / im.cols) * (im.h + 2);
}

// Copies the frame's edge pixels into its one-pixel border.
void FillBorder(Image& im, int frame) {
  int ox, oy;
  CellOrigin(im, frame, ox, oy);
  auto at = [&](int x, int y) -> Rgba8& { return im.atlas[static_cast<size_t>(oy + y) * im.atlasW + ox + x]; };
  for (int y = 1; y <= im.h; ++y) {
    at(0, y) = at(1, y);
    at(im.w + 1, y) = at(im.w, y);
  }
  for (int x = 0; x < im.w + 2; ++x) {
    at(x, 0) = at(x, 1);
    at(x, im.h + 1) = at(x, im.h);
  }
}

// Writes w*h pixels into a frame, applying the mask colour when the image is masked.
void PutFrame(Image& im, int frame, const Rgba8* src, size_t stride) {
  int ox, oy;
  CellOrigin(im, frame, ox, oy);
  const bool masked = (im.flags & kImageMasked) != 0;
  for (int y = 0; y < im.h; ++y) {
    Rgba8* d = &im.atlas[static_cast<size_t>(oy + 1 + y) * im.atlasW + ox + 1];
    const Rgba8* s = src + static_cast<size_t>(y) * stride;
    for (int x = 0; x < im.w; ++x) {
      Rgba8 p = s[x];
      if (masked && p.r == 0 && p.g == 0 && p.b == 0) p.a = 0;
      d[x] = p;
    }
  }
  FillBorder(im, frame);
}

void PlaceHandle(Image& im) {
  if (AutoMidHandleOn()) {
    im.hx = im.w * 0.5f;
    im.hy = im.h * 0.5f;
  }
}

int AddImage(Image im) {
  int64_t bytes = AtlasBytes(im);
  int handle = g_images.Add(std::move(im));
  if (handle) CountMemory(bytes);
  return handle;
}

// Cuts cells out of a decoded sheet: left to right, top to bottom.
int ImageFromSheet(const Decoded& d, int cellW, int cellH, int firstCell, int cellCount, int flags) {
  if (cellW <= 0 || cellH <= 0) {
    cellW = static_cast<int>(d.w);
    cellH = static_cast<int>(d.h);
    firstCell = 0;
    cellCount = 1;
  }
  if (cellW > static_cast<int>(d.w) || cellH > static_cast<int>(d.h)) return 0;
  int across = static_cast<int>(d.w) / cellW;
  int down = static_cast<int>(d.h) / cellH;
  if (firstCell < 0 || cellCount <= 0 || static_cast<int64_t>(firstCell) + cellCount > int64_t(across) * down)
    return 0;
  Image im;
  im.w = cellW;
  im.h = cellH;
  im.frames = cellCount;
  im.flags = flags;
  LayoutAtlas(im);
  for (int f = 0; f < cellCount; ++f) {
    int cell = firstCell + f;
    int cx = (cell % across) * cellW, cy = (cell / across) * cellH;
    PutFrame(im, f, d.px.data() + static_cast<size_t>(cy) * d.w + cx, d.w);
  }
  PlaceHandle(im);
  return AddImage(std::move(im));
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  return ReadRegularFile(path, out, 256ull << 20) && !out.empty();
}

// ---------------------------------------------------------------- PNG encoding
struct Encoding {
  std::vector<png_bytep> rows;
  std::vector<uint8_t> rgb;
};

// Same rule as DecodePng: the jump target's frame has no destructors.
bool EncodePng(FILE* file, const Pixmap& pm, int level, Encoding* enc) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, level);
  bool opaque = std::all_of(pm.px.begin(), pm.px.end(), [](Rgba8 p) { return p.a == 255; });
  png_set_IHDR(png, info, pm.w, pm.h, 8, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the alpha byte on writing
  enc->rows.resize(pm.h);
  for (int y = 0; y < pm.h; ++y)
    enc->rows[y] = reinterpret_cast<png_bytep>(const_cast<Rgba8*>(pm.px.data() + static_cast<size_t>(y) * pm.w));
  png_write_image(png, enc->rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

int AddPixmap(Pixmap pm) {
  int64_t bytes = static_cast<int64_t>(pm.px.size() * sizeof(Rgba8));
  int handle = g_pixmaps.Add(std::move(pm));
  if (handle) CountMemory(bytes);
  return handle;
}

}  // namespace

int LoadImageFromMemory(const uint8_t* data, size_t size, int cellWidth, int cellHeight,
                        int firstCell, int cellCount, int flags) {
  Decoded d;
  if (!DecodePng(data, size, &d)) return 0;
  return ImageFromSheet(d, cellWidth, cellHeight, firstCell, cellCount, flags);
}

void DropImageTextures() {
  g_images.ForEach([](Image& im) { im.texture = 0; });
}

bool ResolveImageFrame(int image, int frame, FrameRef& out) {
  Image* im = g_images.Get(image);
  RenderBackend* be = CurrentBackend();
  if (!im || !be || frame < 0 || frame >= im->frames) return false;
  if (!im->texture) im->texture = be->CreateTexture(im->atlasW, im->atlasH, im->atlas.data());
  if (!im->texture) return false;
  int ox, oy;
  CellOrigin(*im, frame, ox, oy);
  out.texture = im->texture;
  out.filtered = (im->flags & kImageFiltered) != 0;
  out.u0 = static_cast<float>(ox + 1) / im->atlasW;
  out.v0 = static_cast<float>(oy + 1) / im->atlasH;
  out.u1 = static_cast<float>(ox + 1 + im->w) / im->atlasW;
  out.v1 = static_cast<float>(oy + 1 + im->h) / im->atlasH;
  out.width = im->w;
  out.height = im->h;
  out.handleX = im->hx;
  out.handleY = im->hy;
  return true;
}

int SaveBackBufferPNG(const std::string& path) {
  int pm = GrabPixmap(0, 0, GraphicsWidth(), GraphicsHeight());
  if (!pm) return 0;
  int ok = SavePixmapPNG(pm, path, 6);
  FreePixmap(pm);
  return ok;
}

}  // namespace plat

using plat::g_images;
using plat::g_pixmaps;

int LoadImage(const std::string& path, int flags) {
  return LoadAnimImage(path, 0, 0, 0, 1, flags);
}

int LoadAnimImage(const std::string& path, int cellWidth, int cellHeight, int firstCell,
                  int cellCount, int flags) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(plat::MapPath(path, plat::FileAccess::Read), bytes)) return 0;
  if ((cellWidth != 0 || cellHeight != 0) && (cellWidth <= 0 || cellHeight <= 0)) return 0;
  return plat::LoadImageFromMemory(bytes.data(), bytes.size(), cellWidth, cellHeight, firstCell,
                                   cellCount, flags);
}

int CreateImage(int width, int height, int frames, int flags) {
  if (width <= 0 || height <= 0 || frames <= 0 || width > int(plat::kMaxSide) ||
      height > int(plat::kMaxSide) || static_cast<uint64_t>(width) * height * frames > plat::kMaxPixels)
    return 0;
  plat::Image im;
  im.w = width;
  im.h = height;
  im.frames = frames;
  im.flags = flags;
  plat::LayoutAtlas(im);
  plat::PlaceHandle(im);
  return plat::AddImage(std::move(im));
}

int ImageWidth(int image) {
  plat::Image* im = g_images.Get(image);
  return im ? im->w : 0;
}

int ImageHeight(int image) {
  plat::Image* im = g_images.Get(image);
  return im ? im->h : 0;
}

int ImageFrames(int image) {
  plat::Image* im = g_images.Get(image);
  return im ? im->frames : 0;
}

void SetImageHandle(int image, float x, float y) {
  if (plat::Image* im = g_images.Get(image)) {
    im->hx = x;
    im->hy = y;
  }
}

void MidHandleImage(int image) {
  if (plat::Image* im = g_images.Get(image)) {
    im->hx = im->w * 0.5f;
    im->hy = im->h * 0.5f;
  }
}

void FreeImage(int image) {
  plat::Image* im = g_images.Get(image);
  if (!im) return;
  if (im->texture) {
    if (plat::RenderBackend* be = plat::CurrentBackend()) {
      // Queued commands may still sample this texture.
      plat::FlushDrawList();
      be->DestroyTexture(im->texture);
    }
  }
  plat::CountMemory(-plat::AtlasBytes(*im));
  g_images.Remove(image);
}

void GrabImage(int image, int x, int y, int frame) {
  plat::Image* im = g_images.Get(image);
  plat::RenderBackend* be = plat::CurrentBackend();
  if (!im || !be || frame < 0 || frame >= im->frames) return;
  plat::FlushDrawList();
  // The logical area of the image's size, in back-buffer pixels.
  const float sx = plat::BackScaleX(), sy = plat::BackScaleY();
  int bx = static_cast<int>(x * sx), by = static_cast<int>(y * sy);
  int bw = std::max(1, static_cast<int>(im->w * sx + 0.5f));
  int bh = std::max(1, static_cast<int>(im->h * sy + 0.5f));
  std::vector<plat::Rgba8> area(static_cast<size_t>(bw) * bh);
  be->ReadPixels(bx, by, bw, bh, area.data());
  std::vector<plat::Rgba8> framepx;
  const plat::Rgba8* src = area.data();
  if (bw != im->w || bh != im->h) {
    // The back buffer is not 1:1 with logical units: sample it at the frame's pixel centres.
    framepx.resize(static_cast<size_t>(im->w) * im->h);
    for (int fy = 0; fy < im->h; ++fy) {
      int ay = std::min(bh - 1, static_cast<int>((fy + 0.5f) * bh / im->h));
      for (int fx = 0; fx < im->w; ++fx) {
        int ax = std::min(bw - 1, static_cast<int>((fx + 0.5f) * bw / im->w));
        framepx[static_cast<size_t>(fy) * im->w + fx] = area[static_cast<size_t>(ay) * bw + ax];
      }
    }
    src = framepx.data();
  }
  plat::PutFrame(*im, frame, src, im->w);
  if (im->texture) {
    int ox, oy;
    plat::CellOrigin(*im, frame, ox, oy);
    std::vector<plat::Rgba8> cell(static_cast<size_t>(im->w + 2) * (im->h + 2));
    for (int r = 0; r < im->h + 2; ++r)
      std::copy_n(&im->atlas[static_cast<size_t>(oy + r) * im->atlasW + ox], im->w + 2,
                  &cell[static_cast<size_t>(r) * (im->w + 2)]);
    be->UpdateTexture(im->texture, ox, oy, im->w + 2, im->h + 2, cell.data());
  }
}

int GrabPixmap(int x, int y, int w, int h) {
  plat::RenderBackend* be = plat::CurrentBackend();
  if (!be || w <= 0 || h <= 0 || w > int(plat::kMaxSide) || h > int(plat::kMaxSide)) return 0;
  plat::FlushDrawList();
  plat::Pixmap pm;
  pm.w = w;
  pm.h = h;
  pm.px.resize(static_cast<size_t>(w) * h);
  be->ReadPixels(x, y, w, h, pm.px.data());
  return plat::AddPixmap(std::move(pm));
}

int PixmapWidth(int pixmap) {
  plat::Pixmap* pm = g_pixmaps.Get(pixmap);
  return pm ? pm->w : 0;
}

int PixmapHeight(int pixmap) {
  plat::Pixmap* pm = g_pixmaps.Get(pixmap);
  return pm ? pm->h : 0;
}

void FreePixmap(int pixmap) {
  plat::Pixmap* pm = g_pixmaps.Get(pixmap);
  if (!pm) return;
  plat::CountMemory(-static_cast<int64_t>(pm->px.size() * sizeof(plat::Rgba8)));
  g_pixmaps.Remove(pixmap);
}

int SavePixmapPNG(int pixmap, const std::string& name, int compression) {
  plat::Pixmap* pm = g_pixmaps.Get(pixmap);
  if (!pm || name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  // Written beside the target and renamed over it only when complete, so a
  // failed save never leaves a half file under the real name.
  std::string part = path + ".part";
  FILE* file = std::fopen(part.c_str(), "wb");
  if (!file) return 0;
  plat::Encoding enc;
  bool ok = plat::EncodePng(file, *pm, std::clamp(compression, 0, 9), &enc);
  ok = (std::fflush(file) == 0) && ok;
  ok = (std::ferror(file) == 0) && ok;
  ok = (std::fclose(file) == 0) && ok;
  if (ok) ok = std::rename(part.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(part.c_str());
  return ok ? 1 : 0;
}
