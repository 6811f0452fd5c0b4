// The polygon batch: its vertex stream and its drawing.
#include "gfx2d/poly_batch.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_state.h"

PolyBatch qvl_gfx_poly_batch;

namespace {

// The one batch lives from start to exit; its block goes at exit.
struct PolyBatchRelease {
  ~PolyBatchRelease() { qvl_gfx_free_poly_batch(); }
} g_release_at_exit;

int32_t grown_capacity(const PolyBatch& b, int32_t n) {
  return b.minimum >= n ? b.minimum : b.step * (n / b.step + 1);
}

}  // namespace

void qvl_gfx_free_poly_batch() { qvl_gfx_poly_batch.release(); }

void qvl_gfx_poly_colour(uint32_t colour, uint32_t colour_key, float global_alpha,
                         uint8_t rgba[4]) {
  if (colour == 0xFFFFFF) {
    rgba[0] = rgba[1] = rgba[2] = 255;
  } else {
    rgba[0] = colour & 0xFF;
    rgba[1] = (colour >> 8) & 0xFF;
    rgba[2] = (colour >> 16) & 0xFF;
  }
  if (colour == colour_key) {
    rgba[3] = 0;
  } else if (global_alpha != 1.0f) {
    int a = static_cast<int>(global_alpha * 255.0f);
    rgba[3] = static_cast<uint8_t>(a < 0 ? 0 : a > 255 ? 255 : a);
  } else {
    rgba[3] = 255;
  }
}

void PolyBatch::release() {
  std::free(data);
  data = nullptr;
  count = capacity = 0;
}

void PolyBatch::reserve(int32_t n) {
  if (n < capacity) return;
  int32_t cap = grown_capacity(*this, n);
  auto* block = static_cast<PolyVertex*>(std::realloc(data, sizeof(PolyVertex) * cap));
  if (!block) std::abort();  // out of memory: the allocator's failure
  data = block;
  capacity = cap;
}

void PolyBatch::begin(int m) {
  count = 0;
  reserve(150);
  colour_used = 0;
  mode = m;
  new_strip = 0;
}

void PolyBatch::add(float x, float y, bool textured, float u, float v, uint32_t colour,
                    uint32_t colour_key, float global_alpha) {
  int32_t at = count;
  reserve(count + new_strip + 1);
  count = at + new_strip + 1;
  PolyVertex& p = data[at];
  p.x = x;
  p.y = y;
  if (textured) {
    p.u = u;
    p.v = v;
  }
  if (colour != 0xFFFFFF) colour_used = 1;
  qvl_gfx_poly_colour(colour, colour_key, global_alpha, &p.red);
  if (new_strip) {
    data[at + 1] = p;
    new_strip = 0;
  }
}

void PolyBatch::break_strip() {
  if (count == 0 || new_strip) return;
  new_strip = 1;
  reserve(count + 1);
  data[count] = data[count - 1];
  ++count;
}

void OpenGLRainbows::poly_begin(int id, int mode) {
  bind_sprite_texture(id);
  PolyBatch& b = qvl_gfx_poly_batch;
  b.begin(mode);
  if (qvl_sprite_id_valid(id) && sprites[id].tex_width > 0 && sprites[id].tex_height > 0) {
    b.inverse_width = 1.0f / sprites[id].tex_width;
    b.inverse_height = 1.0f / sprites[id].tex_height;
  }
}

void OpenGLRainbows::poly_vertex(float x, float y, float tx, float ty, uint32_t colour) {
  PolyBatch& b = qvl_gfx_poly_batch;
  int bound = qvl_gfx_bound_sprite;
  bool textured = bound >= 0;
  float u = 0.0f, v = 0.0f;
  if (textured) {
    float image_h = qvl_sprite_id_valid(bound) ? sprites[bound].img_height : 0.0f;
    u = tx * b.inverse_width;
    v = (image_h - ty) * b.inverse_height;
  }
  b.add(x, y, textured, u, v, colour, colour_key, global_alpha);
}

void OpenGLRainbows::poly_vertex_plain(float x, float y, uint32_t colour) {
  PolyBatch& b = qvl_gfx_poly_batch;
  int bound = qvl_gfx_bound_sprite;
  // The top-left texel, so a textured batch shows the image's corner colour.
  float image_h = qvl_sprite_id_valid(bound) ? sprites[bound].img_height : 0.0f;
  b.add(x, y, bound >= 0, 0.0f, image_h * b.inverse_height, colour, colour_key, global_alpha);
}

void OpenGLRainbows::poly_new_strip() { qvl_gfx_poly_batch.break_strip(); }

void OpenGLRainbows::poly_end() {
  PolyBatch& b = qvl_gfx_poly_batch;
  if (!b.data) return;
  qvl_gfx_flush_sprites();
  if (qvl_gfx_bound_sprite >= 0) qvl_gfx_tex_apply_wrap();
  const char* base = reinterpret_cast<const char*>(b.data);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(PolyVertex), base);
  if (qvl_gfx_bound_sprite >= 0) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(PolyVertex), base + 8);
  }
  if (b.colour_used || global_alpha != 1.0f) {
    b.colour_used = 1;
    qvl_gfx_state_cache.enable(GLCAP_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PolyVertex), base + 16);
  }
  apply_smoothing();
  switch (b.mode) {
    case POLY_TRIANGLES: glDrawArrays(GL_TRIANGLES, 0, b.count); break;
    case POLY_STRIP: glDrawArrays(GL_TRIANGLE_STRIP, 0, b.count); break;
    case POLY_FAN: glDrawArrays(GL_TRIANGLE_FAN, 0, b.count); break;
    default: break;
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (b.colour_used) {
    qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, global_alpha);
    glDisableClientState(GL_COLOR_ARRAY);
    glShadeModel(GL_FLAT);
    qvl_gfx_state_cache.disable(GLCAP_COLOR_MATERIAL);
  }
}
