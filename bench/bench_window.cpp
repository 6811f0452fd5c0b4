#include "bench/bench_window.h"

#include <cstdlib>

#include "gfx2d/opengl_rainbows.h"

OpenGLRainbows* bench_window() {
  static OpenGLRainbows* gfx = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto* g = new OpenGLRainbows();
    qvl_gfx_rainbows = g;
    if (!g->create_window(nullptr, 1024, 768, 0, 60, 0, 0)) std::abort();
    return g;
  }();
  return gfx;
}
