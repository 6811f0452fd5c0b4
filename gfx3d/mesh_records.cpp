// Construction, copying, emptying and destruction of the mesh records, the
// value table, and the decoding of packed vertices.
#include "gfx3d/mesh_records.h"

#include <cstring>

#include "gfx3d/position_hash.h"
#include "gfx3d/vertex_normal_table.h"

MeshGlDeleters qvl_x3d_gl_deleters;

void qvl_mesh_set_colour(MeshVertex& vertex, uint32_t colour) {
  vertex.colour = colour;
  if (colour < kWhiteWords) {
    vertex.red = static_cast<float>(colour & 0xFF) / 255.0f;
    vertex.green = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    vertex.blue = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
  } else {
    vertex.red = vertex.green = vertex.blue = 1.0f;
  }
  vertex.alpha = 1.0f;
}

MeshVertex qvl_mesh_run_start(uint32_t run_type) {
  MeshVertex v;
  std::memset(&v, 0, sizeof v);
  qvl_mesh_set_colour(v, run_type);
  return v;
}

// --- MeshFrame ------------------------------------------------------------

void MeshFrame::init() {
  vertices.step = triangles.step = 128;
  vertices.minimum = triangles.minimum = 512;
  bound_radius = bound_x = bound_y = bound_z = 0.0f;
}

void MeshFrame::release() {
  vertices.clear(true);
  triangles.clear(true);
}

namespace {

// A copy sized to fit exactly: count + 1 slots, 1 for fewer than 2.
bool copy_list(GrowVector<MeshVertex>& to, const GrowVector<MeshVertex>& from) {
  to.count = 0;
  to.step = to.minimum = 1;
  if (!to.reserve(from.count)) return false;
  if (from.count > 0) std::memcpy(to.data, from.data, sizeof(MeshVertex) * from.count);
  to.count = from.count;
  return true;
}

}  // namespace

bool MeshFrame::assign(const MeshFrame& other) {
  if (&other == this) return true;
  if (!copy_list(vertices, other.vertices) || !copy_list(triangles, other.triangles)) {
    vertices.count = triangles.count = 0;
    return false;
  }
  bound_radius = other.bound_radius;
  bound_x = other.bound_x;
  bound_y = other.bound_y;
  bound_z = other.bound_z;
  return true;
}

// --- MeshObject -----------------------------------------------------------

MeshObject::MeshObject() : normals_ready(0), tangents_ready(0) {}

MeshObject::~MeshObject() { clear(); }

void MeshObject::clear() { reset(true); }

void MeshObject::reset(bool release) {
  values.clear(release);
  draw_buffer.clear(release);
  if (!release) {
    for (int i = 0; i < frames.count; ++i) {
      frames[i].vertices.count = 0;
      frames[i].triangles.count = 0;
    }
  }
  frames.clear(release);
  normals_ready = 0;
  tangents_ready = 0;
}

bool MeshObject::append_vertex(const PackedVertex* source, int count, const float* u,
                               const float* v, const float offset[3], const float scale[3],
                               GrowVector<MeshVertex>& destination) const {
  if (count < 0) count = 0;
  if (!destination.reserve(count)) return false;
  for (int i = 0; i < count; ++i) {
    const PackedVertex& p = source[i];
    MeshVertex& d = destination[i];
    std::memset(&d, 0, sizeof d);
    d.x = (static_cast<float>(p.x) - offset[0]) * scale[0];
    d.y = (static_cast<float>(p.y) - offset[1]) * scale[1];
    d.z = (static_cast<float>(p.z) - offset[2]) * scale[2];
    const float* n = vertex_normal_table[p.normal_index];
    const float* t = vertex_normal_table[p.tangent_index];
    const float* b = vertex_normal_table[p.bitangent_index];
    d.nx = n[0], d.ny = n[1], d.nz = n[2];
    d.tangent_x = t[0], d.tangent_y = t[1], d.tangent_z = t[2];
    d.bitangent_x = b[0], d.bitangent_y = b[1], d.bitangent_z = b[2];
    qvl_mesh_set_colour(d, values[p.value_index]);
    d.value_index = p.value_index;
    d.u = u[i];
    d.v = -v[i];
  }
  destination.count = count;
  return true;
}

bool MeshObject::build_value_table() {
  values.count = 0;
  // Most records repeat the word before them; the others find theirs in a
  // hash, so the build does not grow with the table.
  PositionHash index_of;
  if (!index_of.reset(64)) return false;
  uint32_t last_word = 0;
  int32_t last_index = -1;
  for (int f = 0; f < frames.count; ++f) {
    GrowVector<MeshVertex>& list = frames[f].vertices;
    for (int i = 0; i < list.count; ++i) {
      const uint32_t word = list[i].colour;
      if (last_index < 0 || word != last_word) {
        last_index = index_of.find_or_insert({word, 0, 0}, values.count);
        if (last_index < 0) {
          if (index_of.failed() || !values.push(word)) return false;
          last_index = values.count - 1;
        }
        last_word = word;
      }
      list[i].value_index = static_cast<uint8_t>(last_index);
    }
  }
  return true;
}

// --- MeshObjectX ----------------------------------------------------------

MeshObjectX::MeshObjectX()
    : has_colours(0),
      static_vbo(0),
      stream_vbo(0),
      shade_texture(0),
      shade_step(0.0f),
      texture_a(0),
      texture_b(0) {}

MeshObjectX::~MeshObjectX() { clear(true); }

void MeshObjectX::build() {
  if (frames.count > 0) build_triangles();
}

void MeshObjectX::clear(bool release) {
  reset(release);
  edges.clear(release);
  silhouette.clear(release);
  edges.step = edges.minimum = 64;
  silhouette.step = silhouette.minimum = 64;
  const uint32_t buffers[2] = {static_vbo, stream_vbo};
  if (qvl_x3d_gl_deleters.buffers && (static_vbo || stream_vbo))
    qvl_x3d_gl_deleters.buffers(2, buffers);
  if (qvl_x3d_gl_deleters.textures && shade_texture)
    qvl_x3d_gl_deleters.textures(1, &shade_texture);
  static_vbo = stream_vbo = shade_texture = 0;
}

void MeshObjectX::drop_static_buffer() {
  if (static_vbo && qvl_x3d_gl_deleters.buffers) qvl_x3d_gl_deleters.buffers(1, &static_vbo);
  static_vbo = 0;
}

void MeshObjectX::take(MeshObjectX& other) {
  frames.swap(other.frames);
  draw_buffer.swap(other.draw_buffer);
  values.swap(other.values);
  edges.swap(other.edges);
  silhouette.swap(other.silhouette);
  normals_ready = other.normals_ready;
  tangents_ready = other.tangents_ready;
  has_colours = other.has_colours;
  static_vbo = other.static_vbo;
  stream_vbo = other.stream_vbo;
  shade_texture = other.shade_texture;
  shade_step = other.shade_step;
  texture_a = other.texture_a;
  texture_b = other.texture_b;
  // other no longer owns the GL names; its destructor must not delete them.
  other.static_vbo = other.stream_vbo = other.shade_texture = 0;
}

// --- ObjectSlot -----------------------------------------------------------

ObjectSlot::~ObjectSlot() { clear_parts(true); }

void ObjectSlot::clear_parts(bool release) {
  for (int i = 0; i < parts.count; ++i) parts[i].clear(release);
  parts.clear(release);
  used = 0;
  package = 0;
  if (textures.count > 0 && qvl_x3d_gl_deleters.textures)
    qvl_x3d_gl_deleters.textures(textures.count, textures.data);
  textures.clear(release);
  parts.step = parts.minimum = 1;
  textures.step = textures.minimum = 1;
}

void ObjectSlot::take(ObjectSlot& other) {
  used = other.used;
  package = other.package;
  parts.swap(other.parts);
  textures.swap(other.textures);
  other.used = other.package = 0;
}

// --- Runs -----------------------------------------------------------------

void TriangleCount::add(uint32_t colour) {
  if (qvl_mesh_is_run_start(colour)) {
    list = colour == kRunList;
    pending = 0;
  } else if (++pending == 3) {
    ++triangles;
    pending = list ? 0 : 2;
  }
}

int64_t qvl_mesh_count_triangles(const GrowVector<MeshVertex>& vertices) {
  TriangleCount count;
  for (int i = 0; i < vertices.count; ++i) count.add(vertices[i].colour);
  return count.triangles;
}
