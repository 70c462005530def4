// The back ends a window can carry, one entry per setup driver number. A new
// back end is one more entry here and a file of its own in this folder.
#include <array>

#include "platform/render/render_backend.h"

namespace plat {
namespace {

// Each back end is built into every copy of the game; whether it works on
// this machine shows when it is made.
bool Always() { return true; }

const std::array<WindowBackendKind, 3> kWindowBackends = {{
    {kDriverOpenGL, "OpenGL", true, Always, MakeGlBackend},
    {kDriverDirect3D9, "SDL renderer", false, Always, MakeSdlRendererBackend},
    {kDriverDirectX7, "Software", false, Always, MakeSoftPresentBackend},
}};

}  // namespace

std::span<const WindowBackendKind> WindowBackends() { return kWindowBackends; }

const WindowBackendKind& WindowBackendFor(int driver) {
  for (const WindowBackendKind& kind : kWindowBackends)
    if (kind.driver == driver) return kind;
  return kWindowBackends.back();   // the software back end runs everywhere
}

}  // namespace plat
