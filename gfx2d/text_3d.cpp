#include "gfx2d/text_3d.h"

#include <GL/gl.h>

#include <cstring>

#include "gfx2d/font_image.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"

namespace {

struct Vec3 {
  float x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// Column-major m times (v, w).
void transform(const float m[16], const float v[4], float out[4]) {
  for (int r = 0; r < 4; ++r)
    out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
}

}  // namespace

void qvl_gfx_gl_matrices(const Rainbows3D*, float modelview[16], float projection[16]) {
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
}

QvlEngineMatricesFn qvl_gfx_engine_matrices = qvl_gfx_gl_matrices;

namespace {

// The line as camera-facing quads centred on p, size font pixels per
// glyph pixel.
void billboard_text(OpenGLRainbows& gfx, int slot, const char* text, Vec3 p, float size,
                    int proportional, Vec3 right, Vec3 up) {
  const int id = kFirstFontSprite + slot;
  gfx.bind_sprite_texture(id);
  const SpriteSlot& s = gfx.sprites[id];
  const FontGrid grid = qvl_font_grid(s.img_width, s.img_height);
  const float row_v = s.v_max / (grid.count == 256 ? 16.0f : 8.0f);
  const float cell_u = s.u_max / 16.0f;
  const size_t length = std::strlen(text);
  if (length > (INT32_MAX - 1) / 4 || !gfx.vertices.reserve(static_cast<int>(4 * length))) return;
  gfx.vertices.count = static_cast<int32_t>(4 * length);
  const float e = size * static_cast<float>(grid.cell_width);
  const Vec3 top = up * e;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  Vec3 pos;
  if (proportional) {
    int sum = 0;
    for (size_t i = 0; i < length; ++i) sum += gfx.glyphs[slot][bytes[i] % grid.count].width;
    pos = p - right * (size * (static_cast<float>(sum) * 0.5f));
  } else {
    pos = p - right * (e * static_cast<float>(length) * 0.5f);
  }
  for (size_t i = 0; i < length; ++i) {
    const int k = bytes[i] % grid.count;
    const float vb = static_cast<float>(grid.last_row - k / 16) * row_v;
    float u_left, u_right;
    Vec3 step;
    if (proportional) {
      const GlyphInfo& g = gfx.glyphs[slot][k];
      u_left = g.u_left;
      u_right = g.u_right;
      step = right * (size * static_cast<float>(g.width));
    } else {
      u_left = static_cast<float>(k % 16) * cell_u;
      u_right = u_left + cell_u;
      step = right * e;
    }
    const Vec3 tl = pos + top;
    gfx.vertices[4 * i + 0] = TexVertex{tl.x, tl.y, tl.z, u_left, vb + row_v};
    gfx.vertices[4 * i + 1] = TexVertex{pos.x, pos.y, pos.z, u_left, vb};
    pos = pos + step;
    const Vec3 tr = pos + top;
    gfx.vertices[4 * i + 2] = TexVertex{tr.x, tr.y, tr.z, u_right, vb + row_v};
    gfx.vertices[4 * i + 3] = TexVertex{pos.x, pos.y, pos.z, u_right, vb};
  }
  if (length != 0) gfx.draw_vertex_array(GL_TRIANGLE_STRIP);
}

// The line flat on the screen, centred on the projection of p.
void screen_text(OpenGLRainbows& gfx, int slot, const char* text, Vec3 p, int proportional,
                 const float m[16], const float proj[16]) {
  const ViewportRect v = *gfx.get_viewport();
  const float point[4] = {p.x, p.y, p.z, 1.0f};
  float eye[4], clip[4];
  transform(m, point, eye);
  transform(proj, eye, clip);
  if (clip[3] == 0.0f) return;  // in the camera plane: nowhere on screen
  const float nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
  const float sx = (nx + 1.0f) * static_cast<float>(v.width) * 0.5f + static_cast<float>(v.x);
  const float sy = static_cast<float>(v.height) -
                   ((ny + 1.0f) * static_cast<float>(v.height) * 0.5f + static_cast<float>(v.y));
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, v.width, v.height, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  // Centred by the cell size of the slot's own image.
  const SpriteSlot& s = gfx.sprites[kFirstFontSprite + slot];
  const float half = static_cast<float>(s.img_width / 16) *
                     static_cast<float>(std::strlen(text)) * 0.5f;
  gfx.print_text(slot, text, sx - half - static_cast<float>(v.x),
                 sy - static_cast<float>(s.img_height / 8) + static_cast<float>(v.y), -nz,
                 proportional, 0);
  qvl_gfx_flush_sprites();  // in the matrices it was placed for
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

}  // namespace

void OpenGLRainbows::print_text_3d(int slot, const char* text, float x, float y, float z,
                                   float size, int proportional) {
  if (slot < 0 || slot >= kFontSlots) return;
  if (!vector_fonts[slot].empty()) {
    print_vector_text(slot, text, x, y, proportional);
    return;
  }
  if (!text) text = "";
  qvl_gfx_flush_sprites();
  const bool cull = glIsEnabled(GL_CULL_FACE);
  if (cull) qvl_gfx_state_cache.disable(GLCAP_CULL_FACE);
  const bool lit = glIsEnabled(GL_LIGHTING);
  if (lit) qvl_gfx_state_cache.disable(GLCAP_LIGHTING);
  float m[16], proj[16];
  qvl_gfx_engine_matrices(engine_3d, m, proj);
  const Vec3 right{m[0], m[4], m[8]};
  const Vec3 up{m[1], m[5], m[9]};
  const Vec3 p{x, y, z};
  if (size != 0.0f)
    billboard_text(*this, slot, text, p, size, proportional, right, up);
  else
    screen_text(*this, slot, text, p, proportional, m, proj);
  if (cull) qvl_gfx_state_cache.enable(GLCAP_CULL_FACE);
  if (lit) qvl_gfx_state_cache.enable(GLCAP_LIGHTING);
}
