// Immediate-mode helpers that show where things are: the world axes, and
// the wire sphere and box of the lights' and the collision tests' debug
// view. Dots and lines are in debug_drawing.cpp.
#include <GL/gl.h>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"

namespace {

// Points of the three arrows, 8 each: the shaft and a four-sided head.
constexpr float kAxisArrows[3][8][3] = {
    {{0, 0, 0}, {1, 0, 0}, {0.75f, 0.25f, 0}, {0.75f, -0.25f, 0}, {1, 0, 0}, {0.75f, 0, 0.25f},
     {0.75f, 0, -0.25f}, {1, 0, 0}},
    {{0, 0, 0}, {0, 1, 0}, {0, 0.75f, 0.25f}, {0, 0.75f, -0.25f}, {0, 1, 0}, {0.25f, 0.75f, 0},
     {-0.25f, 0.75f, 0}, {0, 1, 0}},
    {{0, 0, 0}, {0, 0, 1}, {0.25f, 0, 0.75f}, {-0.25f, 0, 0.75f}, {0, 0, 1}, {0, 0.25f, 0.75f},
     {0, -0.25f, 0.75f}, {0, 0, 1}},
};

constexpr float kIcoX = 0.525731f;
constexpr float kIcoZ = 0.850651f;
constexpr Vec3 kIcosahedron[12] = {
    {-kIcoX, 0, kIcoZ}, {kIcoX, 0, kIcoZ},   {-kIcoX, 0, -kIcoZ}, {kIcoX, 0, -kIcoZ},
    {0, kIcoZ, kIcoX},  {0, kIcoZ, -kIcoX},  {0, -kIcoZ, kIcoX},  {0, -kIcoZ, -kIcoX},
    {kIcoZ, kIcoX, 0},  {-kIcoZ, kIcoX, 0},  {kIcoZ, -kIcoX, 0},  {-kIcoZ, -kIcoX, 0},
};
constexpr int kIcosahedronFaces[20][3] = {
    {0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},  {8, 10, 1}, {8, 3, 10},
    {5, 3, 8},  {5, 2, 3},  {2, 7, 3},  {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6},
    {0, 1, 6},  {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11},
};

void colour_from(int colour) {
  qvl_gfx_set_colour_cached(static_cast<float>(colour & 0xFF) / 255.0f,
                            static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                            static_cast<float>((colour >> 16) & 0xFF) / 255.0f, 1.0f);
}

float global_alpha(const OpenGLRainbows* gfx) { return gfx ? gfx->global_alpha : 1.0f; }

void untextured(OpenGLRainbows* gfx) {
  if (gfx) {
    gfx->bind_textures_3d(-1, -1, 0, nullptr);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
}

// The state of the wire shapes: unlit, untextured, opaque, in one colour
// and line width; end_wire puts it back.
void begin_wire(const Rainbows3D& engine, int colour, int width) {
  qvl_gfx_flush_sprites();
  GlStateCache& cache = qvl_gfx_state_cache;
  if (engine.light_mask) cache.disable(GLCAP_LIGHTING);
  untextured(engine.gfx);
  cache.disable(GLCAP_BLEND);
  cache.enable(GLCAP_COLOR_MATERIAL);
  glLineWidth(static_cast<float>(width));
  glPushMatrix();
  colour_from(colour);
}

void end_wire(const Rainbows3D& engine) {
  GlStateCache& cache = qvl_gfx_state_cache;
  glLineWidth(1.0f);
  cache.disable(GLCAP_COLOR_MATERIAL);
  glPopMatrix();
  if (engine.light_mask) cache.enable(GLCAP_LIGHTING);
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, global_alpha(engine.gfx));
}

// Client arrays read from memory, not from a buffer a draw left bound.
void unbind_array_buffer() {
  if (glBindBufferARB_) glBindBufferARB_(GL_ARRAY_BUFFER_ARB, 0);
}

}  // namespace

void Rainbows3D::draw_axes(float x, float y, float z) {
  qvl_gfx_flush_sprites();
  GlStateCache& cache = qvl_gfx_state_cache;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(camera_matrix);
  cache.enable(GLCAP_LINE_SMOOTH);
  const bool textured = gfx && gfx->unit0_sprite >= 0;
  if (textured) glDisable(GL_TEXTURE_2D);
  const bool lit = light_mask != 0;
  if (lit) cache.disable(GLCAP_LIGHTING);
  glTranslatef(x, y, z);
  glScalef(20.0f, 20.0f, 20.0f);
  unbind_array_buffer();
  glEnableClientState(GL_VERTEX_ARRAY);
  constexpr float kColours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int axis = 0; axis < 3; ++axis) {
    qvl_gfx_set_colour_cached(kColours[axis][0], kColours[axis][1], kColours[axis][2], 1.0f);
    glVertexPointer(3, GL_FLOAT, 0, kAxisArrows[axis]);
    glDrawArrays(GL_LINE_STRIP, 0, 8);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  if (lit) cache.enable(GLCAP_LIGHTING);
  cache.disable(GLCAP_LINE_SMOOTH);
  cache.disable(GLCAP_COLOR_MATERIAL);
  if (textured) glEnable(GL_TEXTURE_2D);
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, global_alpha(gfx));
  glPopMatrix();
}

void Rainbows3D::draw_debug_sphere(Vec3 c, float r, int colour, int width) {
  begin_wire(*this, colour, width);
  for (const auto& face : kIcosahedronFaces) {
    const Vec3 q0 = kIcosahedron[face[0]], q1 = kIcosahedron[face[1]], q2 = kIcosahedron[face[2]];
    const Vec3 m01 = normalized(q0 + q1), m12 = normalized(q1 + q2), m02 = normalized(q0 + q2);
    qvl_x3d_draw_sphere_wire(c, r, q0, m01, m02, 0);
    qvl_x3d_draw_sphere_wire(c, r, q1, m12, m01, 0);
    qvl_x3d_draw_sphere_wire(c, r, q2, m02, m12, 0);
    qvl_x3d_draw_sphere_wire(c, r, m01, m12, m02, 0);
  }
  end_wire(*this);
}

void Rainbows3D::draw_debug_box(Vec3 c, Vec3 a, Vec3 b, Vec3 d, int colour, int width) {
  begin_wire(*this, colour, width);
  // Corner k is c + (k&1 ? a : -a) + (k&2 ? b : -b) + (k&4 ? d : -d); an
  // edge joins two corners that differ in one of the three bits.
  Vec3 corners[8];
  for (int k = 0; k < 8; ++k)
    corners[k] = c + a * ((k & 1) ? 1.0f : -1.0f) + b * ((k & 2) ? 1.0f : -1.0f) +
                 d * ((k & 4) ? 1.0f : -1.0f);
  glBegin(GL_LINES);
  for (int k = 0; k < 8; ++k) {
    for (int bit = 1; bit < 8; bit <<= 1) {
      if (k & bit) continue;
      glVertex3f(corners[k].x, corners[k].y, corners[k].z);
      glVertex3f(corners[k | bit].x, corners[k | bit].y, corners[k | bit].z);
    }
  }
  glEnd();
  end_wire(*this);
}
