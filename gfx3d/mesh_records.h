// The records that hold 3D objects: the vertex, the animation frame, the
// mesh (`MeshObject`), the drawable part with its derived data
// (`MeshObjectX`) and the object-table slot (`ObjectSlot`).
//
// Everything here is plain data and CPU work; no GL call is made. The few GL
// names a part owns (vertex buffers, shade texture, a package's textures)
// are deleted through qvl_x3d_gl_deleters, which the drawing code installs.
//
// A frame's vertex list is a sequence of runs: a run-start record (colour
// word -1 list, -2 strip, -3 fan) followed by the run's vertices. The
// triangle builder and the smooth normals both tell a run start by that
// colour word alone, so an object with more than 256 colours (whose one-byte
// value indices wrap) still splits into the same triangles everywhere.
#pragma once

#include <cstdint>

#include "core/grow_vector.h"

// Run types, as colour words of run-start records.
constexpr uint32_t kRunList = 0xFFFFFFFFu;   // -1
constexpr uint32_t kRunStrip = 0xFFFFFFFEu;  // -2
constexpr uint32_t kRunFan = 0xFFFFFFFDu;    // -3
// Words from here up are shown white (run types included).
constexpr uint32_t kWhiteWords = 0xFFFFFFFCu;

inline bool qvl_mesh_is_run_start(uint32_t colour) { return colour >= kRunFan; }

// 23 words; drawing hands GL this record as the stride of its arrays.
struct MeshVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;  // vertices added one by one store v negated
  float light_r, light_g, light_b;  // tangent-space light, written by drawing
  float tangent_x, tangent_y, tangent_z;
  // Drawing in the shade mode keeps its texture coordinates in the first two.
  float bitangent_x, bitangent_y, bitangent_z;
  uint32_t colour;      // 0xBBGGRR, or the run type of a run-start record
  uint8_t value_index;  // index of colour in the object's value table
  uint8_t value_pad[3];
  float red, green, blue, alpha;
};
static_assert(sizeof(MeshVertex) == 92, "MeshVertex is 23 words");

// The colour rule: a word below 0xFFFFFFFC is 0xBBGGRR with alpha 1; the
// words from 0xFFFFFFFC up are white.
void qvl_mesh_set_colour(MeshVertex& vertex, uint32_t colour);
// A run-start record: all zero but the run type and a white colour.
MeshVertex qvl_mesh_run_start(uint32_t run_type);

struct MeshFrame {
  GrowVector<MeshVertex> vertices;   // as built or loaded, with run starts
  GrowVector<MeshVertex> triangles;  // three records a triangle
  float bound_radius, bound_x, bound_y, bound_z;

  void init();
  // Frees both lists' storage.
  void release();
  // A copy sized to fit (step and minimum 1). False when memory ran out;
  // the frame is then left empty.
  bool assign(const MeshFrame& other);
};

QVL_GROW_VECTOR_RECORD(MeshFrame);

// A packed vertex of an old binary file before decoding.
struct PackedVertex {
  uint8_t x, y, z;
  uint8_t normal_index, tangent_index, bitangent_index;  // vertex normal table
  uint8_t value_index;
};

class MeshObject {
 public:
  GrowVector<MeshFrame> frames;
  // The triangle list drawing sends to GL: a copy of frame 0's triangles,
  // rewritten by drawing.
  GrowVector<MeshVertex> draw_buffer;
  // The distinct colour words of all vertices of all frames, in order of
  // first appearance.
  GrowVector<uint32_t> values;
  int32_t normals_ready;
  int32_t tangents_ready;

  MeshObject();
  virtual ~MeshObject();
  MeshObject(const MeshObject&) = delete;
  MeshObject& operator=(const MeshObject&) = delete;

  virtual void build() {}

  // Frees every table and frame; both flags 0.
  void clear();
  // With release as clear; without, keeps all storage and empties it.
  void reset(bool release);

  // Sets destination to count records decoded from packed ones: position =
  // (byte - offset) * scale; normal, tangent and bitangent from the vertex
  // normal table; colour from the value table; u, and v negated. Every
  // index must be in range (the reader checks). False when memory ran out.
  bool append_vertex(const PackedVertex* source, int count, const float* u, const float* v,
                     const float offset[3], const float scale[3],
                     GrowVector<MeshVertex>& destination) const;

  // Rebuilds the value table from every record of every frame and points
  // each record's value_index at its word (one byte: entries past 255 wrap).
  // False when memory ran out.
  bool build_value_table();

  // Smooth normals and, on request, tangents for every record of every
  // frame; vertices are shared by list position or, with weld, by position
  // (each coordinate rounded to 1/65536). Each frame's sums are its own.
  void smooth_normals(bool normals, bool weld, bool tangents);
};

// Triangle adjacency: three per triangle of frame 0, entry 3t + e for edge e
// of triangle t (edge 0 from vertex 0 to 1, 1 from 1 to 2, 2 from 2 to 0).
struct EdgeLink {
  int32_t neighbour;      // triangle sharing this edge; -1 = none
  int32_t on_silhouette;  // written by the shadow-volume build
};

class MeshObjectX : public MeshObject {
 public:
  int32_t has_colours;
  uint32_t static_vbo;
  uint32_t stream_vbo;
  uint32_t shade_texture;
  float shade_step;
  GrowVector<EdgeLink> edges;
  GrowVector<uint8_t> silhouette;  // per triangle: 1 = faces the shadow light
  int32_t texture_a, texture_b;    // a package part's indices into the slot's textures

  MeshObjectX();
  ~MeshObjectX() override;

  // Builds the triangle lists when there are frames.
  void build() override;

  // Rebuilds every frame's triangle list, then the draw buffer and
  // has_colours. False when memory ran out or when the frames' triangle
  // counts differ (blending then would read past the shorter list); the
  // lists are built all the same.
  bool build_triangles();
  // Every frame's bounding sphere from its triangle list; an empty list
  // gives the centre (0, 0, 0) and radius 0.
  void compute_bounds();
  // The adjacency of frame 0's triangles; false when memory ran out (the
  // edge list is then empty).
  bool build_edges();
  bool ensure_edges();
  // Scales positions; normals go through the inverse scale and tangents
  // through the scale, each normalised again, in both lists.
  void scale(float x, float y, float z);

  // Facing and silhouette for the light L in object space, from a triangle
  // list of frame 0's length (the drawn frame). Needs the edge list; with a
  // list or edge list of another length, the silhouette is left empty.
  void build_shadow_volume(const GrowVector<MeshVertex>& triangles, const float light[3]);
  // Draws the volume of that silhouette into the stencil buffer: front
  // faces count up, back faces down; with caps the volume is closed at the
  // object and at infinity (GL, stencil_shadows.cpp).
  void draw_shadow_volume(const GrowVector<MeshVertex>& triangles, const float light[3],
                          bool caps);

  // The shade lookup texture of the value table (GL, mesh_gl.cpp); bgra:
  // GL takes BGRA pixel data. ensure builds it only when there is none.
  // False when memory ran out.
  bool build_shade_texture(bool bgra);
  bool ensure_shade_texture(bool bgra);

  // Deletes the static vertex buffer, whose copy of frame 0 no longer
  // matches once the triangles change (scaling, rebuilding): the next draw
  // uploads them again.
  void drop_static_buffer();

  // Empties the mesh (MeshObject::reset), the edge list and the silhouette,
  // and deletes the GL objects.
  void clear(bool release);

  // Moves every field of other into this part (which must be empty), GL
  // names included; other is left empty.
  void take(MeshObjectX& other);
};

// Parts and slots own vectors and GL names: their vectors build them with
// their constructor, move them with take when the block grows, and never
// copy them.
template <class T>
struct GrowVectorTakeHooks {
  static constexpr bool plain = false;
  static constexpr bool bitwise_movable = false;
  static void construct(T* slot) { ::new (static_cast<void*>(slot)) T(); }
  static void relocate(T& to, T& from) { to.take(from); }
  static void destroy(T* slot) { slot->~T(); }
};

template <>
struct GrowVectorHooks<MeshObjectX> : GrowVectorTakeHooks<MeshObjectX> {};

struct ObjectSlot {
  uint8_t used = 0;     // holds a drawable object
  uint8_t package = 0;  // parts come from a scene package
  GrowVector<MeshObjectX> parts{1, 1};
  GrowVector<uint32_t> textures{1, 1};  // GL texture names owned by the slot

  ObjectSlot() = default;
  ~ObjectSlot();
  ObjectSlot(const ObjectSlot&) = delete;
  ObjectSlot& operator=(const ObjectSlot&) = delete;

  // Empties every part (with release destroying them), deletes the
  // textures, and resets both flags and both vectors' growth to 1.
  void clear_parts(bool release);
  void take(ObjectSlot& other);
};

template <>
struct GrowVectorHooks<ObjectSlot> : GrowVectorTakeHooks<ObjectSlot> {};

// Deleting GL names is the drawing code's job: it sets these once GL is up.
// While they are null (tools, headless tests) names are only forgotten.
struct MeshGlDeleters {
  void (*buffers)(int count, const uint32_t* names) = nullptr;
  void (*textures)(int count, const uint32_t* names) = nullptr;
};
extern MeshGlDeleters qvl_x3d_gl_deleters;

// Triangles that a vertex list gives by its runs (a run start resets the
// pending corners; a strip or fan goes on from its last two).
int64_t qvl_mesh_count_triangles(const GrowVector<MeshVertex>& vertices);
// The same count fed one colour word at a time, for records not yet built.
struct TriangleCount {
  int64_t triangles = 0;
  int pending = 0;
  bool list = true;
  void add(uint32_t colour);
};
