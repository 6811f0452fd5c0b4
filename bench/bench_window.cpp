#include "bench/bench_window.h"

#include <cstdlib>
#include <string>

#include "gfx2d/opengl_rainbows.h"
#include "platform/video.h"

namespace {

OpenGLRainbows* g_gfx = nullptr;
int g_threads = 0;
int g_serial = 0;

// LP_NUM_THREADS as the run was started, restored for mesa_threads 0.
struct StartEnvironment {
  bool set = false;
  std::string value;
  StartEnvironment() {
    if (const char* v = std::getenv("LP_NUM_THREADS")) {
      set = true;
      value = v;
    }
  }
};

void set_mesa_threads(int threads) {
  static const StartEnvironment start;
  if (threads > 0)
    setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 1);
  else if (start.set)
    setenv("LP_NUM_THREADS", start.value.c_str(), 1);
  else
    unsetenv("LP_NUM_THREADS");
}

}  // namespace

OpenGLRainbows* bench_window(int mesa_threads) {
  if (g_gfx && mesa_threads == g_threads) {
    plat_gl_make_current(g_gfx->window, g_gfx->gl_context);
    return g_gfx;
  }
  if (g_gfx) {
    // Mesa reads the thread count when the display is opened: close it all.
    qvl_gfx_rainbows = nullptr;
    delete g_gfx;
    g_gfx = nullptr;
    plat_video_quit();
  }
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  set_mesa_threads(mesa_threads);
  g_gfx = new OpenGLRainbows();
  qvl_gfx_rainbows = g_gfx;
  if (!g_gfx->create_window(nullptr, 1024, 768, 0, 60, 0, 0)) std::abort();
  g_threads = mesa_threads;
  ++g_serial;
  return g_gfx;
}

bool bench_window_is_new(int& made_on) {
  if (made_on == g_serial) return false;
  made_on = g_serial;
  return true;
}
