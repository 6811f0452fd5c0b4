#include "gfx3d/rainbows3d.h"

#include <GL/gl.h>

#include <cstring>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/text_3d.h"
#include "gfx3d/matrix4.h"

Rainbows3D* qvl_x3d_engine = nullptr;
int32_t qvl_x3d_mipmapping = 0;
int32_t qvl_x3d_last_hit_vertex = -1;

void qvl_x3d_set_mipmapping(int flag) { qvl_x3d_mipmapping = flag; }

Rainbows3D::Rainbows3D(OpenGLRainbows* graphics) {
  // Without memory for the table every object number is out of range, and
  // the object operations do nothing.
  if (objects.reserve(kObjectSlots)) objects.count = kObjectSlots;
  build_frame = 0;
  shadow_pass = 0;
  std::memset(shaders, 0, sizeof shaders);
  current_shader = -1;
  light_mask = 0;
  gfx = graphics;
  mesh_build_mode = 2;
  shadow_colour = 0;
  // The view state that begin-3D sets, given values a program drawing
  // before it can live with: identity projection and camera at the origin
  // looking down -z, GL's default fog range.
  qvl_x3d_identity(projection_matrix);
  qvl_x3d_identity(camera_matrix);
  camera_up_x = 0.0f, camera_up_y = 1.0f, camera_up_z = 0.0f;
  camera_x = camera_y = camera_z = 0.0f;
  camera_target_x = camera_target_y = 0.0f, camera_target_z = -1.0f;
  view_tangent = 1.0f;
  fog_start = 0.0f, fog_end = 1.0f;
  texture_offset_u = texture_offset_v = 0.0f;
  sphere_mapping = 0;
  shadow_enabled = 0;
  cull_mode = 0;
  std::memset(transform_levels, 0, sizeof transform_levels);
  restart_transforms();
  update_frustum();
  if (gfx) gfx->engine_3d = this;
}

Rainbows3D::~Rainbows3D() {
  // Shader objects are deleted only where the driver has them.
  if (glDeleteObjectARB_) {
    for (ShaderSlot& s : shaders) {
      for (uint32_t* name : {&s.program, &s.vertex_shader, &s.fragment_shader}) {
        if (*name) glDeleteObjectARB_(*name);
        *name = 0;
      }
    }
  }
  if (gfx && gfx->engine_3d == this) gfx->engine_3d = nullptr;
}

void Rainbows3D::destroy_and_free() { delete this; }

void qvl_x3d_read_matrices(const Rainbows3D* engine, float modelview[16], float projection[16]) {
  if (!engine) {
    qvl_gfx_gl_matrices(nullptr, modelview, projection);
    return;
  }
  std::memcpy(modelview, engine->camera_matrix, sizeof engine->camera_matrix);
  std::memcpy(projection, engine->projection_matrix, sizeof engine->projection_matrix);
}

void Rainbows3D::set_shadow_pass(uint8_t on) {
  uint8_t want = on ? 1 : 0;
  if (want == shadow_pass) return;
  qvl_gfx_flush_sprites();  // 2D quads waiting are drawn before 3D state replaces theirs
  shadow_pass = want;
  GlStateCache& c = qvl_gfx_state_cache;
  if (!want) {
    finish_shadows();
    return;
  }
  glShadeModel(GL_FLAT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_FALSE);
  c.enable(GLCAP_STENCIL_TEST);
  glStencilFunc(GL_ALWAYS, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
}

// The stencil-marked area is darkened in the shadow colour, the depth,
// stencil and colour state put back and the stencil buffer cleared.
void Rainbows3D::finish_shadows() {
  qvl_gfx_flush_sprites();
  GlStateCache& c = qvl_gfx_state_cache;
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilFunc(GL_NOTEQUAL, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  c.disable(GLCAP_DEPTH_TEST);
  c.enable(GLCAP_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_TEXTURE_2D);
  qvl_gfx_set_colour_cached((shadow_colour & 0xFF) / 255.0f, ((shadow_colour >> 8) & 0xFF) / 255.0f,
                            ((shadow_colour >> 16) & 0xFF) / 255.0f, 0.5f);
  glBegin(GL_QUADS);
  glVertex2f(-1, -1);
  glVertex2f(1, -1);
  glVertex2f(1, 1);
  glVertex2f(-1, 1);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  c.disable(GLCAP_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  if (gfx) gfx->reset_2d_state();
}

void Rainbows3D::shader_use(int slot) {
  if (!glUseProgramObjectARB_) return;
  qvl_gfx_flush_sprites();
  if (slot >= 0 && slot < kShaderSlots) {
    glUseProgramObjectARB_(shaders[slot].program);
    current_shader = slot;
  } else {
    glUseProgramObjectARB_(0);
    current_shader = -1;
  }
}
