// The GL context and its window: a context deleted after its window is
// really deleted, and video can be closed and opened again.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/video.h"

namespace {

// Destroying the last GL window must not take the GL library with it: a
// context deleted afterwards would otherwise be kept alive, still rendering
// while video closes.
TEST(PlatVideo, ContextOutlivesItsWindow) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  for (int round = 0; round < 2; ++round) {
    WindowHandle w = plat_window_create("ctx", 32, 32, 0);
    ASSERT_NE(w, nullptr) << plat_video_error();
    GlContext c = plat_gl_create_context(w);
    ASSERT_NE(c, nullptr) << plat_video_error();
    EXPECT_TRUE(plat_gl_make_current(w, c));
    plat_window_destroy(w);
    EXPECT_NE(SDL_GL_GetProcAddress("glFinish"), nullptr) << round << " " << SDL_GetError();
    plat_gl_delete_context(c);
    plat_video_quit();
  }
}

}  // namespace
