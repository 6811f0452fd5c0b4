// A hidden window with the one graphics object on it, for tests that draw
// and read the picture back (Mesa through SDL's offscreen driver).
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"

class GfxWindowTest : public ::testing::Test {
 public:
  static constexpr int kWidth = 160, kHeight = 120;

  void SetUp() override {
    // Files the test writes go to its own fresh folder.
    const char* dir = std::getenv("QVL_TEST_DIR");
    ASSERT_TRUE(dir && chdir(dir) == 0) << "run through tests/support/isolate.sh";
    gfx_ = new OpenGLRainbows();
    qvl_gfx_rainbows = gfx_;
    ASSERT_TRUE(gfx_->create_window(nullptr, kWidth, kHeight, 0, 60, 0, 0));
    qvl_gfx_current_font = 0;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  void TearDown() override {
    qvl_gfx_rainbows = nullptr;
    delete gfx_;
  }

  // The pixel at logical (x, y) of the picture being drawn, as 0xAABBGGRR.
  static uint32_t pixel(int x, int y) {
    uint8_t p[4] = {};
    glFinish();
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
  }
  static uint32_t rgb(int x, int y) { return pixel(x, y) & 0xFFFFFF; }

  OpenGLRainbows* gfx_ = nullptr;
};
