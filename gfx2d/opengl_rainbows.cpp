#include "gfx2d/opengl_rainbows.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_cache_name.h"
#include "gfx2d/texture_state.h"
#include "platform/remove_path.h"
#include "platform/video.h"

OpenGLRainbows* qvl_gfx_rainbows = nullptr;
int32_t qvl_gfx_bound_sprite = -1;
QvlCharSink qvl_gfx_char_sink = nullptr;

OpenGLRainbows::OpenGLRainbows() {
  std::memset(glyphs, 0, sizeof glyphs);
  for (RenderTarget& t : render_targets) t.set_released();
  orientation = 0;
  colour_key = 0x8000FF;
  font_colour_key = 0;
  print_colour = 0xFFFFFF;
  sprites = static_cast<SpriteSlot*>(std::calloc(kSpriteCount, sizeof(SpriteSlot)));
  gl_context = nullptr;
  std::memset(alpha_masks, 0, sizeof alpha_masks);
  smoothing = 1;
  for (int32_t& b : background_slots) b = -1;
  viewport_x = viewport_y = viewport_width = viewport_height = 0;
  screen_width = screen_height = virtual_width = virtual_height = 0;
  colour_depth = 0;
  fullscreen = 0;
  sample_count = 0;
  window = nullptr;
  blend_value = -999.0f;
  global_alpha = 0.0f;
  current_target = -1;
  clear_each_frame = 1;
  clear_depth = 1;
  bgra_supported = 0;
  engine_3d = nullptr;
  // Fields the record leaves to their owners get a defined value here all
  // the same, so nothing reads garbage before its owner has run.
  unit0_sprite = unit1_sprite = -1;
  mipmap_bound = 0;
  for (float& s : font_scale) s = 1.0f;
  alpha_test_value = 1.0f;
  next_frame_time = 0.0;
  frame_period = 2.0;
  instance = nullptr;
  // No stale texture cache survives from an earlier object of this run.
  qvl_os_remove_path(qvl_tex_cache_file_name(this));
}

OpenGLRainbows::~OpenGLRainbows() {
  qvl_os_remove_path(qvl_tex_cache_file_name(this));
  end_render_target();
  for (RenderTarget& t : render_targets) t.release();
  close_window();
  if (gl_context) {
    plat_gl_make_current(nullptr, nullptr);
    plat_gl_delete_context(gl_context);
    gl_context = nullptr;
  }
  std::free(sprites);
  sprites = nullptr;
}

void OpenGLRainbows::destroy_and_free() { delete this; }

void OpenGLRainbows::reset_2d_state() {
  GlStateCache& c = qvl_gfx_state_cache;
  qvl_gfx_flush_sprites();
  // Whoever drew before may have bound and set textures behind the caches.
  qvl_gfx_tex_forget_binding();
  qvl_gfx_tex_forget_held();
  set_viewport(0, 0, 0, 0, 1.0f);
  c.reset();
  c.disable(GLCAP_DEPTH_TEST);
  c.disable(GLCAP_CULL_FACE);
  glFrontFace(GL_CCW);
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, 1.0f);
  for (int slot : {GLCAP_FOG, GLCAP_LINE_SMOOTH, GLCAP_POINT_SMOOTH, GLCAP_STENCIL_TEST,
                   GLCAP_NORMALIZE, GLCAP_LIGHTING})
    c.disable(slot);
  glShadeModel(GL_FLAT);
  for (int slot : {GLCAP_COLOR_MATERIAL, GLCAP_DITHER, GLCAP_POLYGON_SMOOTH,
                   GLCAP_POLYGON_OFFSET_POINT, GLCAP_AUTO_NORMAL})
    c.disable(slot);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
  smoothing = 1;
  texture_off();
  c.disable(GLCAP_ALPHA_TEST);
  alpha_test_value = 1.0f;
  if (blend_value != -1.0f) {
    blend_value = -1.0f;
    c.enable(GLCAP_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    global_alpha = 1.0f;
    qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, 1.0f);
  }
}

float qvl_gfx_mode_alpha(float mode) {
  return mode == 0.0f ? 1.0f : std::fmin(std::fabs(mode), 1.0f);
}

void OpenGLRainbows::set_alpha_mode(float mode) {
  if (mode == blend_value) return;
  qvl_gfx_flush_sprites();
  blend_value = mode;
  if (mode == 0.0f) {
    qvl_gfx_state_cache.disable(GLCAP_BLEND);
  } else if (mode > 0.0f) {
    qvl_gfx_state_cache.enable(GLCAP_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  } else {  // negative, or NaN
    qvl_gfx_state_cache.enable(GLCAP_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  const float alpha = qvl_gfx_mode_alpha(mode);
  global_alpha = alpha;
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, alpha);
}

void OpenGLRainbows::texture_off() {
  qvl_gfx_flush_sprites();
  unit0_sprite = -1;
  qvl_gfx_bound_sprite = -1;
  unit1_sprite = -1;
  mipmap_bound = 0;
  if (glActiveTextureARB_) {
    glActiveTextureARB_(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB_(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
    qvl_gfx_state_cache.enable(GLCAP_COLOR_MATERIAL);
  }
}

void OpenGLRainbows::bind_sprite_texture(int id) {
  unit1_sprite = -1;
  mipmap_bound = 0;
  unit0_sprite = id;
  qvl_gfx_bound_sprite = id;
  // Ids beyond the table have no texture; binding 0 draws them untextured.
  uint32_t tex = (id >= 0 && sprites && id < kSpriteCount) ? sprites[id].texture : 0;
  // Quads waiting with this texture prove that GL is still as the binding
  // that preceded them left it; anything else would have drawn them.
  if (id >= 0 && qvl_gfx_batch_samples(tex)) {
    qvl_gfx_tex_want_wrap(GL_REPEAT);
    return;
  }
  qvl_gfx_flush_sprites();
  if (glActiveTextureARB_) {
    glActiveTextureARB_(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB_(GL_TEXTURE0_ARB);
    if (id < 0) {
      glDisable(GL_TEXTURE_2D);
      return;
    }
  } else if (id < 0) {
    glDisable(GL_TEXTURE_2D);
    qvl_gfx_state_cache.enable(GLCAP_COLOR_MATERIAL);
    return;
  }
  qvl_gfx_tex_bind(tex);
  glEnable(GL_TEXTURE_2D);
  // Repeat, as of every binding; the draw applies it if it draws that way.
  qvl_gfx_tex_want_wrap(GL_REPEAT);
}

void OpenGLRainbows::draw_vertex_array(uint32_t gl_mode) {
  if (vertices.count <= 0) return;
  qvl_gfx_flush_sprites();
  if (qvl_gfx_bound_sprite >= 0) qvl_gfx_tex_apply_wrap();
  const float* base = &vertices.data[0].x;
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(TexVertex), base);
  if (qvl_gfx_bound_sprite >= 0) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(TexVertex), base + 3);
  }
  glDrawArrays(gl_mode, 0, vertices.count);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void qvl_gfx_ortho(float l, float r, float b, float t, float n, float f) {
  const float m[16] = {2.0f / (r - l), 0, 0, 0,
                       0, 2.0f / (t - b), 0, 0,
                       0, 0, -2.0f / (f - n), 0,
                       -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1.0f};
  glMultMatrixf(m);
}
