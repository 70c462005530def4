// What the X server shows in a window (Xlib's names stay in its own file:
// its macros would clash with the program's).
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

// The window's top-left w x h pixels as R, G, B bytes; empty when the
// window is not an X11 one or cannot be read.
std::vector<uint8_t> WindowOnScreen(SDL_Window* window, int w, int h);
