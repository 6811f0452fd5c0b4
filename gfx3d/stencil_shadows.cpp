// The stencil shadow pass: while it runs, drawn objects only mark their
// shadow volumes in the stencil buffer; finishing it darkens what they
// marked.
#include <GL/gl.h>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/rainbows3d.h"
#include "gfx3d/shadow_volume.h"

void Rainbows3D::set_shadow_pass(uint8_t on) {
  const uint8_t want = on ? 1 : 0;
  if (want == shadow_pass) return;
  qvl_gfx_flush_sprites();  // 2D quads waiting are drawn before 3D state replaces theirs
  shadow_pass = want;
  if (!want) {
    finish_shadows();
    return;
  }
  glShadeModel(GL_FLAT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  qvl_gfx_state_cache.enable(GLCAP_STENCIL_TEST);
  glDepthMask(GL_FALSE);
  glStencilFunc(GL_ALWAYS, 0, 0);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
}

void Rainbows3D::finish_shadows() {
  qvl_gfx_flush_sprites();
  GlStateCache& c = qvl_gfx_state_cache;
  glCullFace(GL_BACK);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  if (gfx) {
    gfx->reset_2d_state();
    if (gfx->blend_value != -0.5f) {
      gfx->blend_value = -0.5f;
      c.enable(GLCAP_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      gfx->global_alpha = 0.5f;
      qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, 0.5f);
    }
    c.enable(GLCAP_STENCIL_TEST);
    glStencilFunc(GL_NOTEQUAL, 0, 0xFFFFFFFFu);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    gfx->draw_rect(0, 0, gfx->viewport_width, gfx->viewport_height,
                   static_cast<uint32_t>(shadow_colour));
    qvl_gfx_flush_sprites();  // drawn while the stencil test holds
    if (gfx->blend_value != 0.0f) {
      gfx->blend_value = 0.0f;
      c.disable(GLCAP_BLEND);
      gfx->global_alpha = 1.0f;
      qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, 1.0f);
    }
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glShadeModel(GL_SMOOTH);
  c.enable(GLCAP_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  c.disable(GLCAP_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  c.enable(GLCAP_CULL_FACE);
  glCullFace(GL_BACK);
  set_cull_mode(cull_mode);
}

namespace {

// The volume's points, kept between draws (main thread only).
ShadowVolume scratch_volume;

void draw_points(const GrowVector<ShadowPoint>& points, GLenum mode) {
  if (points.count == 0) return;
  glVertexPointer(4, GL_FLOAT, sizeof(ShadowPoint), points.data);
  glDrawArrays(mode, 0, points.count);
}

}  // namespace

// The quads and caps go out as client arrays of homogeneous points, the
// same vertices glBegin would send one by one.
//
// The volume's faces look out of it clockwise, the winding in which the
// facing test counts a triangle as lit. Counting front faces up and back
// faces down needs GL to see them so; under any other winding (cull mode
// -1, or 0 after the GL default) the counts cancel or clamp at 0 and no
// shadow shows. So the pass sets that winding for the volume and gives the
// program's back afterwards.
void MeshObjectX::draw_shadow_volume(const GrowVector<MeshVertex>& triangles,
                                     const float light[3], bool caps) {
  GlStateCache& c = qvl_gfx_state_cache;
  c.disable(GLCAP_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  c.disable(GLCAP_LIGHTING);
  glDepthFunc(GL_LESS);
  if (!qvl_x3d_shadow_volume(*this, triangles, light, caps, scratch_volume)) return;
  if (glBindBufferARB_) glBindBufferARB_(GL_ARRAY_BUFFER_ARB, 0);
  GLint front = GL_CCW;
  glGetIntegerv(GL_FRONT_FACE, &front);
  glFrontFace(GL_CW);
  glEnableClientState(GL_VERTEX_ARRAY);
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 0) {
      c.enable(GLCAP_CULL_FACE);
      glStencilFunc(GL_ALWAYS, 0, 0xFFFFFFFFu);
      glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
      glCullFace(GL_BACK);
    } else {
      glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
      glCullFace(GL_FRONT);
    }
    draw_points(scratch_volume.quads, GL_QUADS);
    if (caps) draw_points(scratch_volume.caps, GL_TRIANGLES);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glFrontFace(static_cast<GLenum>(front));
}
