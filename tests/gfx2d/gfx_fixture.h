// The graphics object with a real window and GL context (Mesa through
// SDL's offscreen driver), for tests that draw and read the pixels back
// before anything is presented.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "platform/video.h"

// Files the test writes go to its own fresh folder (tests/support/isolate.sh).
template <int W, int H>
class GfxWindowFixture : public ::testing::Test {
 public:
  static constexpr int kWidth = W, kHeight = H;

  void SetUp() override {
    const char* dir = std::getenv("QVL_TEST_DIR");
    ASSERT_TRUE(dir && chdir(dir) == 0) << "run through tests/support/isolate.sh";
    gfx_ = new OpenGLRainbows();
    qvl_gfx_rainbows = gfx_;
    ASSERT_TRUE(gfx_->create_window(nullptr, kWidth, kHeight, 0, 60, 0, 0)) << plat_video_error();
    qvl_gfx_current_font = 0;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  void TearDown() override {
    qvl_gfx_rainbows = nullptr;
    delete gfx_;
    plat_video_quit();
  }

  // Window pixel (x, y) counted from the top-left, as 0xAABBGGRR.
  static uint32_t pixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    qvl_gfx_flush_sprites();  // reading the frame behind the runtime's back
    glFinish();
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  // The RGB part only (the window may have no alpha channel).
  static uint32_t rgb(int x, int y) { return pixel(x, y) & 0xFFFFFF; }

  OpenGLRainbows* gfx_ = nullptr;
};

using GfxTest = GfxWindowFixture<1024, 768>;

// A w x h opaque image whose pixel (x, y) is colours[y * w + x] (0xBBGGRR).
inline void make_image(PixelImage& image, int w, int h, std::initializer_list<uint32_t> colours) {
  ASSERT_TRUE(image.resize(w, h));
  int i = 0;
  for (uint32_t c : colours) {
    uint8_t* p = image.pixel(i % w, i / w);
    p[0] = c & 0xFF;
    p[1] = (c >> 8) & 0xFF;
    p[2] = (c >> 16) & 0xFF;
    p[3] = 255;
    ++i;
  }
}
