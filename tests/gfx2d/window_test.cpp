// Window creation on SDL's offscreen driver: sizes, frame period, the
// multisampled re-creation, extension look-up.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/gl_ext.h"
#include "gfx2d/opengl_rainbows.h"
#include "platform/video.h"

namespace {

TEST(GfxWindow, CreateSetsSizesPeriodAndEntryPoints) {
  struct Case {
    int fps;
    double period;
  } cases[] = {{60, 1000.0 / 60.0}, {0, 2.0}, {-5, 2.0}};
  for (const Case& c : cases) {
    auto* gfx = new OpenGLRainbows();
    ASSERT_EQ(gfx->create_window(nullptr, 200, 100, 0, c.fps, 0, 0), 1) << plat_video_error();
    EXPECT_EQ(gfx->screen_width, 200);
    EXPECT_EQ(gfx->screen_height, 100);
    EXPECT_GT(gfx->colour_depth, 0);
    EXPECT_DOUBLE_EQ(gfx->frame_period, c.period);
    EXPECT_EQ(gfx->blend_value, -1.0f);  // the 2D state was reset
    EXPECT_EQ(gfx->bgra_supported, 1);   // Mesa lists GL_EXT_bgra
    EXPECT_NE(glActiveTextureARB_, nullptr);
    GLint depth = 0, stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
    gfx->destroy_and_free();
  }
  plat_video_quit();
}

// Asking for samples makes the window again for a multisampled format; the
// first window and its context are released on the way.
TEST(GfxWindow, MultisampleRecreation) {
  auto* gfx = new OpenGLRainbows();
  ASSERT_EQ(gfx->create_window(nullptr, 64, 64, 0, 60, 4, 0), 1) << plat_video_error();
  EXPECT_EQ(gfx->sample_count, 4);
  if (qvl_win_gl_has_extension("WGL_ARB_multisample") && plat_gl_max_samples() >= 2) {
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_GE(samples, 2);
  }
  EXPECT_NE(gfx->window, nullptr);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  gfx->destroy_and_free();
  plat_video_quit();
}

TEST(GfxWindow, ExtensionsAreWholeWords) {
  auto* gfx = new OpenGLRainbows();
  ASSERT_EQ(gfx->create_window(nullptr, 32, 32, 0, 60, 0, 0), 1);
  EXPECT_TRUE(qvl_win_gl_has_extension("GL_EXT_bgra"));
  EXPECT_FALSE(qvl_win_gl_has_extension("GL_EXT_bgr"));  // a prefix of a listed name
  EXPECT_FALSE(qvl_win_gl_has_extension(""));
  EXPECT_EQ(qvl_win_choose_multisample_format(1), 0);
  EXPECT_EQ(qvl_win_choose_multisample_format(0), 0);
  EXPECT_EQ(qvl_win_choose_multisample_format(-1), 0);
  gfx->destroy_and_free();
  plat_video_quit();
}

}  // namespace
