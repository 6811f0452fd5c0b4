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
  shadow_mode = kShadowShade;
  shadow_light_x = shadow_light_y = shadow_light_z = 0.0f;
  cull_mode = 0;
  std::memset(transform_levels, 0, sizeof transform_levels);
  restart_transforms();
  update_frustum();
  if (gfx) {
    gfx->engine_3d = this;
    qvl_x3d_install_gl_deleters();
  }
}

// The host destroys the engine while its GL context is still current, so
// that the GL names of the objects and shaders go with it.
Rainbows3D::~Rainbows3D() {
  objects.clear(true);
  // Shader objects are deleted only where the driver has them.
  if (glDeleteObjectARB_) {
    for (ShaderSlot& s : shaders) {
      for (uint32_t* name : {&s.program, &s.vertex_shader, &s.fragment_shader}) {
        if (*name) glDeleteObjectARB_(*name);
        *name = 0;
      }
    }
  }
  if (gfx && gfx->engine_3d == this) {
    gfx->engine_3d = nullptr;
    qvl_x3d_remove_gl_deleters();
  }
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

void Rainbows3D::clear() {
  set_shadow_pass(0);
  qvl_gfx_flush_sprites();
  glClear(GL_DEPTH_BUFFER_BIT);
}

int qvl_x3d_object_find_free() {
  const Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return -1;
  for (int n = engine->objects.count - 1; n >= 0; --n)
    if (engine->objects[n].used == 0) return n;
  return -1;
}
