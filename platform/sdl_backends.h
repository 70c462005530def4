// The render back ends that draw into an SDL window, as the SDL host creates
// them. Inside platform/ only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/internal.h"

struct SDL_Window;

namespace plat {

// A back end tied to a window. The window belongs to the host; the back end
// belongs to the drawing layer, which may drop it before or after the host
// closes the window. The host therefore calls ReleaseDevice before the window
// goes, and the back end frees nothing tied to the window afterwards.
class SdlWindowBackend : public RenderBackend {
 public:
  virtual void ReleaseDevice() = 0;
  // Set by the host: run on destruction, so the host forgets a back end that
  // the drawing layer dropped before closing the window.
  void (*onDestroy)(void* context) = nullptr;
  void* onDestroyContext = nullptr;
  ~SdlWindowBackend() override {
    if (onDestroy) onDestroy(onDestroyContext);
  }
};

// Back end 0: batched OpenGL 2.1. The window must have been created with
// SDL_WINDOW_OPENGL. nullptr when no usable context can be made.
std::unique_ptr<SdlWindowBackend> MakeGlBackend(SDL_Window* window, int width, int height);
// Back end 1: SDL's own renderer through SDL_RenderGeometry.
std::unique_ptr<SdlWindowBackend> MakeSdlRendererBackend(SDL_Window* window, int width,
                                                         int height);
// Back end 2: the software rasteriser, presented through a streaming texture
// on SDL's renderer, or through the window surface where there is none.
std::unique_ptr<SdlWindowBackend> MakeSoftPresentBackend(SDL_Window* window, int width, int height);

// SDL host helpers, kept apart for the unit tests.
// An SDL hat position as a fraction of a turn clockwise from up; -1 centred.
float HatFraction(uint8_t hat);
// An SDL axis reading (-32768..32767) as -1..1.
float AxisFraction(int16_t value);

}  // namespace plat
