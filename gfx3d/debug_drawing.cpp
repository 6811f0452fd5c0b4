// Debug marks in the 3D scene: a dot and a line in the current modelview
// space, drawn untextured and unlit over whatever the program set.
#include <GL/gl.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/rainbows3d.h"

namespace {

void colour_of(int colour) {
  qvl_gfx_set_colour_cached((colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                            ((colour >> 16) & 0xFF) / 255.0f, 1.0f);
}

}  // namespace

namespace {

// The frame both marks share; `smooth` is the smoothing switched on for
// the mark.
template <class Draw>
void draw_mark(Rainbows3D& engine, int colour, int smooth, Draw draw) {
  qvl_gfx_flush_sprites();
  GlStateCache& c = qvl_gfx_state_cache;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  c.enable(GLCAP_COLOR_MATERIAL);
  colour_of(colour);
  c.enable(smooth);
  if (engine.light_mask) c.disable(GLCAP_LIGHTING);
  if (engine.gfx) engine.gfx->bind_textures_3d(-1, -1, 0, nullptr);
  draw();
  c.disable(smooth);
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, engine.gfx ? engine.gfx->global_alpha : 1.0f);
  c.disable(GLCAP_COLOR_MATERIAL);
  if (engine.light_mask) c.enable(GLCAP_LIGHTING);
  glPopMatrix();
}

}  // namespace

void Rainbows3D::draw_dot(Vec3 p, int colour, float size) {
  draw_mark(*this, colour, GLCAP_POINT_SMOOTH, [&] {
    glPointSize(size);
    glBegin(GL_POINTS);
    glVertex3f(p.x, p.y, p.z);
    glEnd();
    glPointSize(1.0f);
  });
}

void Rainbows3D::draw_line(Vec3 from, Vec3 to, int colour, float width) {
  draw_mark(*this, colour, GLCAP_LINE_SMOOTH, [&] {
    glLineWidth(width);
    glBegin(GL_LINES);
    glVertex3f(from.x, from.y, from.z);
    glVertex3f(to.x, to.y, to.z);
    glEnd();
    glLineWidth(1.0f);
  });
}
