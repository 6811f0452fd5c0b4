// Begin-3D's GL half: the viewport and projection of a 3D frame, turned
// for the screen orientation, and the fixed render state 3D drawing starts
// from.
#include <GL/gl.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/viewport.h"
#include "gfx3d/rainbows3d.h"

namespace {

// Sets GL's viewport to the graphics object's and loads GL's projection
// with the orientation's turn (none on a render target). Returns the
// viewport's width / height in logical pixels, the aspect the projection
// needs to come out undistorted after the turn.
float set_gl_viewport(OpenGLRainbows& gfx) {
  const int x = gfx.viewport_x, y = gfx.viewport_y;
  const int w = gfx.viewport_width, h = gfx.viewport_height;
  const int t = gfx.current_target;
  glMatrixMode(GL_PROJECTION);
  if (t >= 0 && t < kRenderTargets) {
    const RenderTarget& target = gfx.render_targets[t];
    const int image_h = gfx.sprites && target.sprite >= 0 && target.sprite < kSpriteCount
                            ? gfx.sprites[target.sprite].img_height
                            : target.height;
    glViewport(x, image_h - h - y, w, h);
    glLoadIdentity();
  } else {
    float turn[16];
    qvl_orient_clip_rotation(gfx.orientation, turn);
    glLoadMatrixf(turn);
    // The window rectangle the 2D code gives the same viewport, whatever
    // the orientation, so that 3D lands on the 2D pixels.
    const ViewportRect r = qvl_orient_viewport_window_rect(gfx.orientation, gfx.screen_width,
                                                           gfx.screen_height, x, y, w, h);
    glViewport(r.x, gfx.screen_height - r.y - r.height, r.width, r.height);
  }
  return h > 0 ? static_cast<float>(w) / static_cast<float>(h) : 1.0f;
}

}  // namespace

void Rainbows3D::begin_3d(float near_plane, float far_plane, float field_of_view) {
  set_shadow_pass(0);
  qvl_gfx_flush_sprites();
  const float aspect = gfx ? set_gl_viewport(*gfx) : 1.0f;
  if (!gfx) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
  }
  begin_3d_view(near_plane, far_plane, field_of_view, aspect);
  glMultMatrixf(projection_matrix);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  GlStateCache& c = qvl_gfx_state_cache;
  c.enable(GLCAP_CULL_FACE);
  glFrontFace(GL_CCW);
  for (int slot : {GLCAP_FOG, GLCAP_LINE_SMOOTH, GLCAP_POINT_SMOOTH, GLCAP_POLYGON_SMOOTH,
                   GLCAP_POLYGON_OFFSET_POINT, GLCAP_AUTO_NORMAL})
    c.disable(slot);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  for (int slot : {GLCAP_STENCIL_TEST, GLCAP_NORMALIZE, GLCAP_LIGHTING}) c.disable(slot);
  glShadeModel(GL_SMOOTH);
  c.enable(GLCAP_DITHER);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0.0f);
  c.enable(GLCAP_DEPTH_TEST);
  glDepthFunc(GL_LESS);

  // The lights stay on in GL; a program that draws lit sets them again.
  light_mask = 0;
  set_cull_mode(0);
  if (gfx) gfx->bind_textures_3d(-1, -1, 0, nullptr);
  glLoadMatrixf(camera_matrix);
}
