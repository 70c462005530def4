// The display a window benchmark draws on: a private Xvfb when one is
// installed, else the DISPLAY the benchmark was started on.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "tests/support/xvfb_server.h"

inline bool StartBenchDisplay(XvfbServer& server) {
  if (XvfbServer::Installed()) {
    if (!server.Start("1600x1200x24")) {
      std::fprintf(stderr, "Xvfb failed: %s\n", server.Error().c_str());
      return false;
    }
    setenv("SDL_VIDEODRIVER", "x11", 1);
    return true;
  }
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "needs Xvfb or a DISPLAY\n");
    return false;
  }
  return true;
}
