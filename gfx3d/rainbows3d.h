// Rainbows3D: the one 3D engine, built on the graphics object. It holds the
// object table, the transform stack, the camera with its frustum, the
// shader slots, the lights, fog and the stencil shadow pass, and draws
// objects; the collision tests against objects work on the same records.
//
// Where each part lives: construction, destruction and the table here
// (rainbows3d.cpp); the view state (view.cpp) with its GL half
// (begin_3d.cpp); drawing (draw_object.cpp); shader slots
// (shader_slots.cpp); lights and fog (lights_fog.cpp); the stencil shadow
// pass and the shadow volumes (stencil_shadows.cpp); the GL names of the
// mesh records (mesh_gl.cpp); debug marks (debug_drawing.cpp); collision
// (collision.cpp).
//
// Operations marked GL need the context current; the rest run without one.
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

// Where the shader slots report failures and unknown names: one
// NUL-terminated text a call; null = nobody is told.
using X3dLogFn = void (*)(const char* text);

// The shadow modes of the shadow light (set_light with a negative number).
constexpr uint8_t kShadowBump = 1;     // DOT3 bump mapping
constexpr uint8_t kShadowShade = 2;    // shade lookup texture and outline
constexpr uint8_t kShadowStencil = 3;  // stencil shadow volumes

class Rainbows3D {
 public:
  explicit Rainbows3D(OpenGLRainbows* gfx);
  virtual ~Rainbows3D();
  // The deleting destructor: the object must come from new.
  virtual void destroy_and_free();

  // Ends a running shadow pass, then clears the depth buffer only (GL).
  void clear();

  // ---- Lights, fog and the stencil shadow pass (lights_fog.cpp,
  // stencil_shadows.cpp; GL) ----

  // GL light n & 7: cutoff 0 switches it off; 180 a directional light
  // shining along (dx, dy, dz); up to 90 a spot light; else a point light;
  // all coordinates 0 a light from the viewer. Positions are taken in the
  // current modelview space. A negative n is the shadow light: -1 bump
  // mapping, -3 stencil volumes (starting or ending the pass), any other
  // the shade texture; a cutoff of 0 switches it off. With debug the light
  // is marked by a dot (and a spot light by its direction).
  void set_light(int n, int colour, float x, float y, float z, float dx, float dy, float dz,
                 float cutoff, bool debug);
  // A directional light from the camera's position toward the origin.
  void light_at_camera(int n, int colour);
  // colour -1 switches fog off; exponential non-zero GL_EXP with density a;
  // else linear from a to b, both 0 meaning begin-3D's near and far.
  void set_fog(int colour, int exponential, float a, float b);
  // 0 ends a running stencil shadow pass, non-zero starts one; nothing when
  // the state does not change.
  void set_shadow_pass(uint8_t on);
  // Darkens the stencil-marked screen area in the shadow colour at half
  // alpha and restores depth, stencil, culling and the 3D state.
  void finish_shadows();

  // ---- Shader slots (shader_slots.cpp; GL) ----

  // Loads slot n (0..254) from a vertex and a fragment shader file (either
  // may be null); failures go to log. True when what was read compiled and
  // linked.
  bool shader_load(int n, const char* vertex_file, const char* fragment_file, X3dLogFn log);
  // 0..254 makes that slot's program current; anything else, negative
  // numbers included, selects the fixed-function pipeline. Only with the
  // shader entry points bound.
  void shader_use(int slot);
  void shader_set_uniform_float(const char* name, float x, X3dLogFn log);
  void shader_set_uniform_int(const char* name, int x, X3dLogFn log);
  void shader_set_attribute(const char* name, float x, X3dLogFn log);
  // Deletes slot n's program and shaders (0..254; others are ignored).
  void shader_delete(int n);

  // ---- Drawing (draw_object.cpp; GL) ----

  // Every part of object n, frames a and b mixed by factor (see
  // draw_frame). Numbers outside the table draw nothing.
  void draw_object(int n, int a, int b, float factor, bool blend);
  // One part: without blend frame a moved toward frame b by factor; with
  // blend the frame value a + (b - a) x factor (factor taken modulo 1)
  // between its two whole frames. textures: a package slot's GL names, or
  // null for sprite ids. A draw that passes the frustum test leaves colour
  // material off and the colour white at the global alpha, whatever it drew.
  void draw_frame(MeshObjectX& part, int a, int b, float factor, bool blend,
                  const uint32_t* textures, int texture_count);
  // The shade mode's outline of the part just drawn (camera in object
  // space); part of draw_frame.
  void draw_outline(MeshObjectX& part, const MeshFrame& bound, Vec3 camera, int count,
                    const uint32_t* textures);
  // 1: clockwise front faces and culling; -1: counter-clockwise and
  // culling; 0: no culling; other values are only stored.
  void set_cull_mode(int mode);
  void set_depth_test(bool on);

  // ---- Debug marks (GL) ----
  // A dot of size pixels and a line of width pixels in the current
  // modelview space, untextured and unlit; colours 0xBBGGRR.
  void draw_dot(Vec3 p, int colour, float size);
  void draw_line(Vec3 from, Vec3 to, int colour, float width);

  // Replaces the shade table (length 0 or less: the single level 255, and
  // built textures stay); otherwise every built shade texture is deleted
  // so that the next draw builds it with the new levels (GL).
  void set_shade_table(const uint8_t* bytes, int length);

  // ---- Camera, frustum and the object matrix (view.cpp) ----

  // The view state of a new 3D frame without its GL half: the projection
  // for near, far and field_of_view (degrees; 0 or below orthographic)
  // over a viewport of the given aspect (width / height), the view tangent,
  // the fog defaults, the camera at the origin looking down -z, the
  // transform stack restarted and the frustum. A projection that the
  // numbers cannot give (a field of view of 0, near 0, far = near, an
  // aspect of 0) keeps the previous one.
  void begin_3d_view(float near_plane, float far_plane, float field_of_view, float aspect);
  // Begin-3D whole (begin_3d.cpp, GL): ends a shadow pass, sets GL's
  // viewport from the graphics object's viewport (turned for the screen
  // orientation, or on the current render target), the projection with
  // the orientation's turn, the fixed 3D state, and the view state above.
  void begin_3d(float near_plane, float far_plane, float field_of_view);
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

  // ---- Debug shapes (debug_draw.cpp, GL) ----
  // Each leaves the colour at (1, 1, 1, global alpha).

  // Arrows 20 units long along the world axes from (x, y, z): drawn under
  // the camera alone, whatever the transform stack holds.
  void draw_axes(float x, float y, float z);
  // Dots and lines: draw_dot and draw_line above (debug_drawing.cpp).
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
  uint8_t shadow_mode;  // kShadowBump, kShadowShade or kShadowStencil
  float shadow_light_x, shadow_light_y, shadow_light_z;
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

// The highest object number whose slot is unused, or -1.
int qvl_x3d_object_find_free();

// Reads a shader or program object's compile (compile true) or link
// status; when it failed, log receives the driver's info log (always
// terminated, possibly empty). GL.
bool qvl_shader_check_status(uint32_t object, bool compile, X3dLogFn log);

// Installs the GL deleters of the mesh records (mesh_gl.cpp); the engine
// does it when it is built with a graphics object, and takes them away
// again when it goes.
void qvl_x3d_install_gl_deleters();
void qvl_x3d_remove_gl_deleters();

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
