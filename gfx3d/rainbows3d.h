// Rainbows3D: the one 3D engine, built on the graphics object. This holds
// what the host relies on every frame (construction and destruction, the
// stencil shadow pass switch, the shader slot in use and the mipmapping
// flag), the object table, the transform stack, the camera with its
// frustum, and the collision tests against objects. Lights and drawing join
// it with the 3D commands.
//
// Everything but the shadow pass, shader_use and the operations marked GL
// runs without a GL context.
#pragma once

#include <cstdint>

#include "core/grow_vector.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/transform_level.h"
#include "gfx3d/vec3.h"

class OpenGLRainbows;

// One GLSL program slot; 0 = empty.
struct ShaderSlot {
  uint32_t program;
  uint32_t vertex_shader;
  uint32_t fragment_shader;
};

constexpr int kShaderSlots = 255;

constexpr int kObjectSlots = 4096;

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

  // ---- Camera, frustum and the object matrix (view.cpp) ----

  // The view state of a new 3D frame without its GL half: the projection
  // for near, far and field_of_view (degrees; 0 or below orthographic)
  // over a viewport of the given aspect (width / height), the view tangent,
  // the fog defaults, the camera at the origin looking down -z, the
  // transform stack restarted and the frustum. A projection that the
  // numbers cannot give (a field of view of 0, near 0, far = near, an
  // aspect of 0) keeps the previous one.
  void begin_3d_view(float near_plane, float far_plane, float field_of_view, float aspect);
  // Stores the camera, builds camera_matrix, restarts the transform stack
  // and the frustum. set_camera also loads the matrix into GL (GL).
  void place_camera(float x, float y, float z, float target_x, float target_y, float target_z);
  void set_camera(float x, float y, float z, float target_x, float target_y, float target_z);
  // Level 0 current and empty on the identity.
  void restart_transforms();
  // The six planes from projection_matrix x camera_matrix.
  void update_frustum();
  // False when the sphere (centre in world coordinates) lies wholly outside
  // one plane; a sphere just touching a plane from outside is inside.
  bool sphere_in_frustum(float x, float y, float z, float radius) const;
  // Brings the current level's matrix up to date.
  void update_object_matrix();
  // ... and multiplies it onto GL's current matrix (GL).
  void apply_object_matrix();

  // ---- Collision tests against objects (collision.cpp) ----
  // An object as it would be drawn with the current transform level: does
  // a sphere, a box (centre and three half-axis vectors at right angles,
  // in world space) or a cone touch a frame's triangles, and how far along
  // a ray does it first meet them. Object numbers outside the table and
  // frame numbers outside the object give no hit.

  bool part_hits_sphere(const MeshObjectX& part, int frame, float radius, Vec3 centre);
  bool part_hits_box(const MeshObjectX& part, int frame, Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3);
  float part_hit_ray(const MeshObjectX& part, int frame, Vec3 start, Vec3 direction);
  bool part_hits_cone(const MeshObjectX& part, int frame, Vec3 apex, Vec3 direction,
                      float half_angle);

  bool hit_sphere(int object, int frame, float radius, Vec3 centre);
  bool hit_box(int object, int frame, Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3);
  // The distance along the ray to the nearest triangle in front of the
  // start, else the (negative) distance to the nearest one behind it, else
  // 0.
  float hit_ray(int object, int frame, Vec3 start, Vec3 direction);
  bool hit_cone(int object, int frame, Vec3 apex, Vec3 direction, float half_angle);
  // One given part: last_hit_vertex -1 first (not for the ray).
  bool hit_sphere_part(const MeshObjectX& part, int frame, float radius, Vec3 centre);
  bool hit_box_part(const MeshObjectX& part, int frame, Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3);
  float hit_ray_part(const MeshObjectX& part, int frame, Vec3 start, Vec3 direction);
  // Does the sphere touch the box with half sizes hx, hy, hz centred on the
  // current level's origin and lined up with its axes (sizes in the level's
  // own units, as an object drawn there).
  bool sphere_hits_box(Vec3 centre, float radius, float hx, float hy, float hz);

  // ---- Building and loading objects (object_build.cpp) ----
  // An object is built in part 0 of its slot, vertex by vertex, into frame
  // build_frame; run types 0 (list), 2 (fan) and any other (strip). The
  // building operations do nothing while no object is being built.

  void begin_object(int n, int run);
  void set_vertex_normal(float x, float y, float z);
  // Prints "<frame> <records of that frame>\n" on standard output.
  void add_vertex(float x, float y, float z, float u, float v, uint32_t colour);
  void new_group(int run);
  void new_frame(int n);
  // Checks the frames (every frame as long as frame 0, else the debug log
  // names the first that is not and the slot stays unused), makes the
  // value table, the normals of the mesh build mode, the triangles and the
  // bounds.
  void end_object();
  // A binary or text .kvd file, or a scene package (text starting ";KVW").
  // The slot is emptied first; false leaves it empty.
  bool load_object(const char* name, int n);
  // Part 0 of slot n as a binary .kvd file, replacing the named file only
  // once the new one is whole; false when nothing was written.
  bool save_object(const char* name, int n);
  // Cuts every part of slot n down to the first three records of frame 0
  // and its first whole triangle, freeing the derived tables.
  void rebuild_object(int n);

  // ---- Debug drawing (debug_draw.cpp, GL) ----
  // Each leaves the colour at (1, 1, 1, global alpha).

  // Arrows 20 units long along the world axes from (x, y, z): drawn under
  // the camera alone, whatever the transform stack holds.
  void draw_axes(float x, float y, float z);
  // Untextured, in the current modelview space.
  void draw_dot(Vec3 p, int colour, float size);
  void draw_line(Vec3 from, Vec3 to, int colour, float width);
  // An icosahedron split once into 80 line loops.
  void draw_debug_sphere(Vec3 centre, float radius, int colour, int width);
  // The 12 edges of the box with corners centre +- a +- b +- c.
  void draw_debug_box(Vec3 centre, Vec3 a, Vec3 b, Vec3 c, int colour, int width);

  // The object table: 4096 slots, numbered 0..4095.
  GrowVector<ObjectSlot> objects{128, 512};
  int32_t build_frame;
  // Right, left, bottom, top, far, near: inside where a x + b y + c z + d
  // >= 0, (a, b, c) of unit length.
  float frustum_planes[6][4];
  ShaderSlot shaders[kShaderSlots];
  int32_t current_shader;
  // The next vertex of an object being built: its normal, and the last
  // vertex's other fields.
  MeshVertex vertex_template{};
  uint8_t shadow_pass;
  int8_t cull_mode;
  TransformLevel transform_levels[kTransformLevels];
  int32_t current_level;
  // Column-major, as loaded into GL: the projection of 3D drawing and the
  // view (modelview) matrix of the camera. Identity until 3D is set up.
  float projection_matrix[16];
  float camera_matrix[16];
  float texture_offset_u, texture_offset_v;
  uint8_t light_mask;
  uint8_t sphere_mapping;
  OpenGLRainbows* gfx;
  uint8_t shadow_enabled;
  int32_t shadow_colour;
  float camera_up_x, camera_up_y, camera_up_z;
  float camera_x, camera_y, camera_z;
  float camera_target_x, camera_target_y, camera_target_z;
  // Tangent of the field of view widened by 5 degrees (at most 89).
  float view_tangent;
  float fog_start, fog_end;
  int32_t mesh_build_mode;
};

// The one engine; null before the start-up and after the shutdown.
extern Rainbows3D* qvl_x3d_engine;

// The engine's reader of its current matrices for the 2D code's 3D text
// (qvl_gfx_engine_matrices): the camera matrix as the modelview, and the
// projection. Without an engine it falls back to GL's own matrices.
void qvl_x3d_read_matrices(const Rainbows3D* engine, float modelview[16], float projection[16]);

// The first vertex (3 x triangle) of the triangle that the last sphere,
// box or ray test hit, or -1.
extern int32_t qvl_x3d_last_hit_vertex;

// 1: 3D drawing uses the sprites' mipmapped textures; 0: the plain ones.
void qvl_x3d_set_mipmapping(int flag);
extern int32_t qvl_x3d_mipmapping;
