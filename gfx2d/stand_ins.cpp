// Minimal versions of graphics-object operations whose full versions come
// with the viewport, render-target, frame-clearing and sprite-table code.
// Each does the least the window, the start-up and show-screen rely on;
// replace each one here when its real version lands.
#include <GL/gl.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"

// The whole window as a 2D screen: pixel coordinates, y downward.
void OpenGLRainbows::set_viewport(int x, int y, int width, int height, float) {
  int w = width > 0 ? width : screen_width;
  int h = height > 0 ? height : screen_height;
  viewport_x = x;
  viewport_y = y;
  viewport_width = w;
  viewport_height = h;
  if (w <= 0 || h <= 0) return;
  glViewport(x, screen_height - y - h, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  qvl_gfx_ortho(0.0f, static_cast<float>(w), static_cast<float>(h), 0.0f, -1.0f, 1.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void OpenGLRainbows::end_render_target() { current_target = -1; }

void RenderTarget::release() { set_released(); }

void OpenGLRainbows::clear_frame() {
  if (clear_each_frame) {
    glClear(GL_COLOR_BUFFER_BIT | (clear_depth ? GL_DEPTH_BUFFER_BIT : 0));
    clear_depth = 0;
  } else if (clear_depth) {
    glClear(GL_DEPTH_BUFFER_BIT);
    clear_depth = 0;
  }
}

void OpenGLRainbows::set_alpha_test(float value) {
  alpha_test_value = value;
  if (value >= 1.0f) {
    qvl_gfx_state_cache.disable(GLCAP_ALPHA_TEST);
  } else {
    qvl_gfx_state_cache.enable(GLCAP_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, value);
  }
}

void OpenGLRainbows::free_all_sprites() {
  if (!sprites) return;
  for (int id = 0; id < kSpriteCount - 1; ++id) {
    SpriteSlot& s = sprites[id];
    if (s.texture) glDeleteTextures(1, &s.texture);
    if (s.mip_texture) glDeleteTextures(1, &s.mip_texture);
    s = SpriteSlot{};
  }
  for (int32_t& b : background_slots) b = -1;
}
