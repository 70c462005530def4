#include "window_on_screen.h"

#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

uint8_t Channel(unsigned long pixel, unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return static_cast<uint8_t>((pixel >> shift) & mask);
}

}  // namespace

std::vector<uint8_t> WindowOnScreen(SDL_Window* window, int w, int h) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
  XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!image) return {};
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      rgb.push_back(Channel(pixel, image->red_mask));
      rgb.push_back(Channel(pixel, image->green_mask));
      rgb.push_back(Channel(pixel, image->blue_mask));
    }
  XDestroyImage(image);
  return rgb;
}
