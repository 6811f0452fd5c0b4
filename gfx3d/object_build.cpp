// Filling an object slot: vertex by vertex, from a .kvd file or a scene
// package; saving part 0; cutting an object down.
#include "gfx3d/object_build.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/basic_string.h"
#include "core/logs.h"
#include "files/whole_file.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx3d/kvd_binary.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/rainbows3d.h"
#include "gfx3d/scene_package.h"

int32_t qvl_x3d_building_object = -1;

void qvl_x3d_set_mesh_build_mode(int n) {
  if (qvl_x3d_engine) qvl_x3d_engine->mesh_build_mode = n % 3;
}

namespace {

uint32_t run_type_of(int run) {
  if (run == 0) return kRunList;
  if (run == 2) return kRunFan;
  return kRunStrip;
}

ObjectSlot* slot_of(Rainbows3D& engine, int n) {
  if (n < 0 || n >= engine.objects.count) return nullptr;
  return &engine.objects[n];
}

// Frames past the old count start empty whatever their slots held before.
bool grow_frames(MeshObjectX& part, int count) {
  if (count <= part.frames.count) return true;
  if (!part.frames.reserve(count - 1)) return false;
  for (int i = part.frames.count; i < count; ++i) {
    MeshFrame& frame = part.frames[i];
    frame.vertices.count = 0;
    frame.triangles.count = 0;
    frame.bound_radius = frame.bound_x = frame.bound_y = frame.bound_z = 0.0f;
  }
  part.frames.count = count;
  return true;
}

void cut_list(GrowVector<MeshVertex>& list, int keep) {
  if (list.count > keep) list.count = keep;
}

// The frame receiving vertices, or null when nothing is being built (or the
// slot lost its part or frame since: a load or rebuild of that slot).
MeshFrame* building_frame(Rainbows3D& engine) {
  ObjectSlot* slot = slot_of(engine, qvl_x3d_building_object);
  if (!slot || slot->parts.count < 1) return nullptr;
  MeshObjectX& part = slot->parts[0];
  if (engine.build_frame < 0 || engine.build_frame >= part.frames.count) return nullptr;
  return &part.frames[engine.build_frame];
}

}  // namespace

void Rainbows3D::begin_object(int n, int run) {
  ObjectSlot* slot = slot_of(*this, n);
  if (!slot) return;
  build_frame = 0;
  qvl_x3d_building_object = -1;
  slot->clear_parts(false);
  if (!slot->parts.reserve(0)) return;
  slot->parts.count = 1;
  MeshObjectX& part = slot->parts[0];
  if (!grow_frames(part, 1)) return;
  vertex_template.nx = 0.0f;
  vertex_template.ny = 0.0f;
  vertex_template.nz = 1.0f;
  if (!part.frames[0].vertices.push(qvl_mesh_run_start(run_type_of(run)))) return;
  qvl_x3d_building_object = n;
}

void Rainbows3D::set_vertex_normal(float x, float y, float z) {
  if (qvl_x3d_building_object < 0) return;
  vertex_template.nx = x;
  vertex_template.ny = y;
  vertex_template.nz = z;
}

void Rainbows3D::add_vertex(float x, float y, float z, float u, float v, uint32_t colour) {
  MeshFrame* frame = building_frame(*this);
  if (!frame) return;
  vertex_template.x = x;
  vertex_template.y = y;
  vertex_template.z = z;
  vertex_template.u = u;
  vertex_template.v = -v;
  qvl_mesh_set_colour(vertex_template, colour);
  if (!frame->vertices.push(vertex_template)) return;
  char line[32];
  std::snprintf(line, sizeof line, "%d %d\n", build_frame, frame->vertices.count);
  qvl_log_print(BasicString(line));
}

void Rainbows3D::new_group(int run) {
  MeshFrame* frame = building_frame(*this);
  if (frame) frame->vertices.push(qvl_mesh_run_start(run_type_of(run)));
}

void Rainbows3D::new_frame(int n) {
  if (n < 0 || !building_frame(*this)) return;
  // Beyond this no file could hold the object.
  if (n >= kKvdMaxRecords) return;
  MeshObjectX& part = objects[qvl_x3d_building_object].parts[0];
  if (!grow_frames(part, n + 1)) return;
  MeshFrame& frame = part.frames[n];
  const GrowVector<MeshVertex>& first = part.frames[0].vertices;
  if (frame.vertices.count == 0 && first.count > 0 && !frame.vertices.push(first[0])) return;
  build_frame = n;
}

void Rainbows3D::end_object() {
  ObjectSlot* slot = slot_of(*this, qvl_x3d_building_object);
  qvl_x3d_building_object = -1;
  if (!slot || slot->parts.count < 1) return;
  slot->package = 0;
  MeshObjectX& part = slot->parts[0];
  if (part.frames.count < 1 || part.frames[0].vertices.count <= 2) {
    part.clear(true);
    slot->used = 0;
    return;
  }
  slot->used = 1;
  const int c0 = part.frames[0].vertices.count;
  for (int f = 1; f < part.frames.count; ++f) {
    const int c = part.frames[f].vertices.count;
    if (c == c0) continue;
    const std::string line = "Frame " + std::to_string(f) + " has " + std::to_string(c) +
                             " nodes, but must have (like frame 0) " + std::to_string(c0) +
                             " nodes\n";
    qvl_log_debug(BasicString(line.c_str()));
    slot->used = 0;
    return;
  }
  part.build_value_table();
  if (mesh_build_mode == 1) part.smooth_normals(true, false, false);
  if (mesh_build_mode == 2) part.smooth_normals(true, true, false);
  if (part.draw_buffer.count == 0) part.build();
  part.compute_bounds();
}

bool Rainbows3D::load_object(const char* name, int n) {
  ObjectSlot* slot = slot_of(*this, n);
  if (!slot) return false;
  slot->clear_parts(true);
  if (!name || !*name) return false;
  WholeFile file;
  if (!qvl_kvd_read_file(name, file)) return false;
  if (file.size >= 4 && std::memcmp(file.data, ";KVW", 4) == 0) {
    // A package from the archive stays pinned until its load is over,
    // whatever the names it lists release; a disk file is closed, as a
    // file is open only once at a time.
    if (file.channel.handle) file.channel.close();
    if (qvl_x3d_load_package(name, *slot, gfx ? gfx->colour_key : 0x8000FFu)) return true;
    slot->clear_parts(true);
    return false;
  }
  if (!slot->parts.reserve(0)) return false;
  slot->parts.count = 1;
  MeshObjectX& part = slot->parts[0];
  if (qvl_kvd_read_bytes(part, file.data, file.size, name) && part.frames.count > 0 &&
      part.frames[0].vertices.count > 0) {
    slot->used = 1;
    slot->package = 0;
    part.build_triangles();
    part.compute_bounds();
    return true;
  }
  slot->clear_parts(true);
  return false;
}

bool Rainbows3D::save_object(const char* name, int n) {
  const ObjectSlot* slot = slot_of(*this, n);
  return slot && name && qvl_kvd_write_slot(*slot, name);
}

void Rainbows3D::rebuild_object(int n) {
  ObjectSlot* slot = slot_of(*this, n);
  if (!slot) return;
  for (int i = 0; i < slot->parts.count; ++i) {
    MeshObjectX& part = slot->parts[i];
    part.values.clear(true);
    part.edges.clear(true);
    if (part.frames.count > 0) {
      for (int f = 1; f < part.frames.count; ++f) {
        part.frames[f].vertices.count = 0;
        part.frames[f].triangles.count = 0;
      }
      part.frames.count = 1;
      MeshFrame& frame = part.frames[0];
      cut_list(frame.vertices, 3);
      // Whole triangles only: a cut one would be drawn from records that
      // are not there.
      cut_list(frame.triangles, frame.triangles.count >= 3 ? 3 : 0);
    }
    part.silhouette.clear(true);
    // Empty, so that the next draw builds it again from what is left.
    part.draw_buffer.clear(true);
    part.drop_static_buffer();
  }
}
