// Rainbows3D: the one 3D engine, built on the graphics object. This holds
// what the host relies on every frame: construction and destruction, the
// stencil shadow pass switch, the shader slot in use and the mipmapping
// flag. The object table, transforms, lights and camera join it with the 3D
// commands.
#pragma once

#include <cstdint>

class OpenGLRainbows;

// One GLSL program slot; 0 = empty.
struct ShaderSlot {
  uint32_t program;
  uint32_t vertex_shader;
  uint32_t fragment_shader;
};

constexpr int kShaderSlots = 255;

class Rainbows3D {
 public:
  explicit Rainbows3D(OpenGLRainbows* gfx);
  virtual ~Rainbows3D();
  // The deleting destructor: the object must come from new.
  virtual void destroy_and_free();

  // 0 ends a running stencil shadow pass, non-zero starts one; nothing when
  // the state does not change.
  void set_shadow_pass(uint8_t on);
  void finish_shadows();
  // 0..254 makes that slot's program current; anything else selects the
  // fixed-function pipeline. Only with the shader entry points bound.
  void shader_use(int slot);

  int32_t build_frame;
  ShaderSlot shaders[kShaderSlots];
  int32_t current_shader;
  uint8_t shadow_pass;
  int32_t current_level;
  // Column-major, as loaded into GL: the projection of 3D drawing and the
  // view (modelview) matrix of the camera. Identity until 3D is set up.
  float projection_matrix[16];
  float camera_matrix[16];
  uint8_t light_mask;
  OpenGLRainbows* gfx;
  int32_t shadow_colour;
  int32_t mesh_build_mode;
};

// The one engine; null before the start-up and after the shutdown.
extern Rainbows3D* qvl_x3d_engine;

// The engine's reader of its current matrices for the 2D code's 3D text
// (qvl_gfx_engine_matrices): the camera matrix as the modelview, and the
// projection. Without an engine it falls back to GL's own matrices.
void qvl_x3d_read_matrices(const Rainbows3D* engine, float modelview[16], float projection[16]);

// 1: 3D drawing uses the sprites' mipmapped textures; 0: the plain ones.
void qvl_x3d_set_mipmapping(int flag);
extern int32_t qvl_x3d_mipmapping;
