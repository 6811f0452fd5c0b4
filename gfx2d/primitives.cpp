// Primitives that are not sprite blits: lines, rectangles, pixels, the
// textured quad every blit goes through, the frame clear, texture smoothing
// and the alpha test, and the vertex-array helpers of the 3D engine.
#include <GL/gl.h>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_state.h"
#include "gfx2d/viewport.h"

namespace {

constexpr float kByteToUnit = 0.003921569f;  // 1 / 255

ColourVertex colour_vertex(const OpenGLRainbows* gfx, float x, float y, uint32_t colour,
                           float alpha) {
  const bool key = gfx && colour == gfx->colour_key;
  return ColourVertex{x, y, (colour & 0xFF) * kByteToUnit, ((colour >> 8) & 0xFF) * kByteToUnit,
                      ((colour >> 16) & 0xFF) * kByteToUnit, key ? 0.0f : alpha};
}

// A 0xBBGGRR colour as the current GL colour; the colour key draws
// transparent, anything else with the alpha mode's alpha.
void set_draw_colour(const OpenGLRainbows& gfx, uint32_t colour) {
  const ColourVertex c = colour_vertex(&gfx, 0.0f, 0.0f, colour, gfx.global_alpha);
  qvl_gfx_set_colour_cached(c.r, c.g, c.b, c.a);
}

// Lines and points hit pixel centres when shifted by 3/8 of a pixel.
void push_pixel_centre_shift() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glTranslatef(0.375f, 0.375f, 0.0f);
  glMatrixMode(GL_MODELVIEW);
}

void pop_pixel_centre_shift() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void restore_white(const OpenGLRainbows& gfx) {
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, gfx.global_alpha);
}

// Binds a texture on the active unit for 3D drawing.
void bind_3d(uint32_t name) {
  qvl_gfx_tex_bind(name);
  glEnable(GL_TEXTURE_2D);
  qvl_gfx_tex_set_wrap(GL_REPEAT);
}

}  // namespace

ColourVertex qvl_gfx_colour_vertex(float x, float y, uint32_t colour, float alpha) {
  return colour_vertex(qvl_gfx_rainbows, x, y, colour, alpha);
}

ColourVertex qvl_gfx_poly_colour_vertex(float x, float y, uint32_t colour, float alpha) {
  const OpenGLRainbows* gfx = qvl_gfx_rainbows;
  uint8_t c[4];
  qvl_gfx_poly_colour(colour, gfx ? gfx->colour_key : 0x8000FFu, alpha, c);
  const float unit = 1.0f / 255.0f;
  return ColourVertex{x, y, c[0] * unit, c[1] * unit, c[2] * unit, c[3] * unit};
}

RectEdges qvl_gfx_rect_edges(int pos, int size) {
  const int64_t p = pos, n = size;
  if (n < 0) return {p + n + 1, p + 1};
  return {p, p + n};
}

void qvl_gfx_draw_quad(const QuadVertex quad[4]) {
  qvl_gfx_flush_sprites();
  qvl_gfx_tex_set_wrap(GL_CLAMP_TO_EDGE);
  const char* base = reinterpret_cast<const char*>(quad);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(QuadVertex), base);
  bool textured = qvl_gfx_bound_sprite >= 0;
  if (textured) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), base + 8);
  }
  glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void OpenGLRainbows::draw_line(float x1, float y1, float x2, float y2, uint32_t colour) {
  qvl_gfx_flush_sprites();
  set_draw_colour(*this, colour);
  texture_off();
  push_pixel_centre_shift();
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
  glBegin(GL_POINTS);  // the end pixel, which a line leaves out
  glVertex2f(x2, y2);
  glEnd();
  pop_pixel_centre_shift();
  restore_white(*this);
}

void OpenGLRainbows::draw_coloured(ColourPrimitive primitive, const ColourVertex* v, int count,
                                   const uint16_t* indices, int index_count) {
  if (count <= 0 || !v || (indices && index_count <= 0)) return;
  qvl_gfx_flush_sprites();
  texture_off();
  const GLenum gl_mode = primitive == ColourPrimitive::kLines    ? GL_LINES
                         : primitive == ColourPrimitive::kPoints ? GL_POINTS
                                                                 : GL_TRIANGLES;
  const bool shifted = primitive != ColourPrimitive::kTriangles;
  if (shifted) push_pixel_centre_shift();
  // As the polygon batch draws its colours: smooth, with colour material.
  qvl_gfx_state_cache.enable(GLCAP_COLOR_MATERIAL);
  glShadeModel(GL_SMOOTH);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(ColourVertex), &v[0].x);
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(4, GL_FLOAT, sizeof(ColourVertex), &v[0].r);
  if (indices)
    glDrawRangeElements(gl_mode, 0, static_cast<GLuint>(count - 1), index_count, GL_UNSIGNED_SHORT,
                        indices);
  else
    glDrawArrays(gl_mode, 0, count);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glShadeModel(GL_FLAT);
  qvl_gfx_state_cache.disable(GLCAP_COLOR_MATERIAL);
  if (shifted) pop_pixel_centre_shift();
  // The colour array leaves GL's current colour undefined; like every
  // primitive this leaves white at the alpha mode's alpha, which text and
  // sprites draw with.
  qvl_gfx_forget_colour();
  restore_white(*this);
}

void OpenGLRainbows::draw_lines(const int* ends, int count, uint32_t colour) {
  if (count <= 0 || !ends) return;
  qvl_gfx_flush_sprites();
  set_draw_colour(*this, colour);
  texture_off();
  push_pixel_centre_shift();
  // Immediate mode, which Mesa gathers itself: arrays of a few vertices
  // would each take an upload buffer of their own.
  glBegin(GL_LINES);
  for (int i = 0; i < count; ++i) {
    const int* e = ends + 4 * i;
    glVertex2f(static_cast<float>(e[0]), static_cast<float>(e[1]));
    glVertex2f(static_cast<float>(e[2]), static_cast<float>(e[3]));
  }
  glEnd();
  glBegin(GL_POINTS);
  for (int i = 0; i < count; ++i) {
    const int* e = ends + 4 * i;
    glVertex2f(static_cast<float>(e[2]), static_cast<float>(e[3]));
  }
  glEnd();
  pop_pixel_centre_shift();
  restore_white(*this);
}

void OpenGLRainbows::draw_line_int(int x1, int y1, int x2, int y2, uint32_t colour) {
  draw_line(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
            static_cast<float>(y2), colour);
}

void OpenGLRainbows::draw_rect(int x, int y, int w, int h, uint32_t colour) {
  set_draw_colour(*this, colour);
  texture_off();
  RectEdges ex = qvl_gfx_rect_edges(x, w), ey = qvl_gfx_rect_edges(y, h);
  float x1 = static_cast<float>(ex.lo), x2 = static_cast<float>(ex.hi);
  float y1 = static_cast<float>(ey.lo), y2 = static_cast<float>(ey.hi);
  const QuadVertex quad[4] = {{x1, y2, 0, 0}, {x2, y2, 0, 0}, {x2, y1, 0, 0}, {x1, y1, 0, 0}};
  qvl_gfx_draw_quad(quad);
  restore_white(*this);
}

void OpenGLRainbows::set_pixel(int x, int y, uint32_t colour) { draw_rect(x, y, 1, 1, colour); }

void OpenGLRainbows::set_clear_colour(uint32_t colour) {
  if (colour == 0xFFFFFFFFu) {
    clear_each_frame = 0;
    return;
  }
  clear_each_frame = 1;
  qvl_gfx_flush_sprites();
  glClearColor((colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
               ((colour >> 16) & 0xFF) / 255.0f, colour == colour_key ? 0.0f : 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void OpenGLRainbows::clear_frame() {
  qvl_gfx_flush_sprites();
  int s = background_slots[0];
  if (!qvl_sprite_id_valid(s)) {
    if (clear_each_frame) {
      glClear(GL_COLOR_BUFFER_BIT | (clear_depth ? GL_DEPTH_BUFFER_BIT : 0));
      clear_depth = 0;
    } else if (clear_depth) {
      glClear(GL_DEPTH_BUFFER_BIT);
      clear_depth = 0;
    }
    return;
  }
  // The border around a scaled picture is cleared; the background covers
  // the rest. A depth clear that 3D drawing asked for is due here too: the
  // background only paints colour, and the next 3D frame would otherwise
  // test against the last one's depths.
  GLbitfield clear = qvl_gfx_virtual_resolution.scale > 1.0f ? GL_COLOR_BUFFER_BIT : 0;
  if (clear_depth) clear |= GL_DEPTH_BUFFER_BIT;
  if (clear) glClear(clear);
  clear_depth = 0;
  bind_sprite_texture(s);
  apply_smoothing();
  const SpriteSlot& b = sprites[s];
  float w = b.img_width, h = b.img_height;
  const QuadVertex quad[4] = {
      {w, 0, b.u_max, b.v_max}, {0, 0, 0, b.v_max}, {0, h, 0, 0}, {w, h, b.u_max, 0}};
  qvl_gfx_draw_quad(quad);
}

void OpenGLRainbows::set_smoothing(int flag) { smoothing = static_cast<uint8_t>(flag); }

void OpenGLRainbows::apply_smoothing() {
  GLint filter = smoothing ? GL_LINEAR : GL_NEAREST;
  qvl_gfx_tex_set_filters(filter, filter);
}

void OpenGLRainbows::set_alpha_test(float value) {
  if (value >= 1.0f) {
    qvl_gfx_state_cache.disable(GLCAP_ALPHA_TEST);
    alpha_test_value = 1.0f;
    return;
  }
  qvl_gfx_flush_sprites();
  qvl_gfx_state_cache.enable(GLCAP_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, value);
  alpha_test_value = value;
}

// The same drawing as draw_vertex_array, which already skips an empty list.
void OpenGLRainbows::draw_vertex_array_3d(uint32_t gl_mode) { draw_vertex_array(gl_mode); }

void OpenGLRainbows::bind_textures_3d(int a, int b, int mipmapped, const uint32_t* table) {
  qvl_gfx_flush_sprites();
  unit0_sprite = a;
  unit1_sprite = b;
  mipmap_bound = mipmapped != 0 ? 1 : 0;
  qvl_gfx_bound_sprite = a;
  auto name_of = [&](int id) -> uint32_t {
    if (table) return table[id];
    if (!qvl_sprite_id_valid(id)) return 0;
    return mipmap_bound ? sprites[id].mip_texture : sprites[id].texture;
  };
  if (glActiveTextureARB_) {
    glActiveTextureARB_(GL_TEXTURE1_ARB);
    if (a < 0 || b < 0) {
      glDisable(GL_TEXTURE_2D);
      glActiveTextureARB_(GL_TEXTURE0_ARB);
      if (a < 0) {
        glDisable(GL_TEXTURE_2D);
        return;
      }
      bind_3d(name_of(a));
      return;
    }
    bind_3d(name_of(a));
    glActiveTextureARB_(GL_TEXTURE0_ARB);
    bind_3d(name_of(b));
    return;
  }
  if (a < 0) {
    glDisable(GL_TEXTURE_2D);
    qvl_gfx_state_cache.enable(GLCAP_COLOR_MATERIAL);
    return;
  }
  bind_3d(name_of(a));
}
