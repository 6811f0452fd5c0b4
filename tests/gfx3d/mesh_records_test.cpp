// The mesh records: emptying, copying, the value table, packed vertices and
// moving parts that own GL names.
#include <gtest/gtest.h>

#include <vector>

#include "gfx3d/mesh_records.h"
#include "gfx3d/vertex_normal_table.h"
#include "tests/gfx3d/mesh_fixtures.h"

using mesh_fixture::add_run;
using mesh_fixture::P;

namespace {

TEST(MeshRecords, ResetKeepsStorageAndClearFreesIt) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  m.build_value_table();
  m.build_triangles();
  m.normals_ready = m.tangents_ready = 1;
  const MeshVertex* block = m.frames[0].vertices.data;
  const int capacity = m.frames[0].vertices.capacity;
  m.reset(false);
  EXPECT_EQ(m.frames.count, 0);
  EXPECT_EQ(m.values.count, 0);
  EXPECT_EQ(m.draw_buffer.count, 0);
  EXPECT_EQ(m.normals_ready + m.tangents_ready, 0);
  // The same records again land in the same block.
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  EXPECT_EQ(m.frames[0].vertices.data, block);
  EXPECT_EQ(m.frames[0].vertices.capacity, capacity);
  m.clear(true);
  EXPECT_EQ(m.frames.data, nullptr);
  EXPECT_EQ(m.values.capacity, 0);
}

TEST(MeshRecords, FrameAssignSizesToFit) {
  MeshObject m;
  add_run(m, kRunStrip, {{1, 2, 3}, {4, 5, 6}}, 0);
  m.frames[0].bound_radius = 7;
  MeshFrame copy;
  copy.init();
  ASSERT_TRUE(copy.assign(m.frames[0]));
  EXPECT_EQ(copy.vertices.count, 3);
  EXPECT_EQ(copy.vertices.capacity, 4);  // count + 1, step and minimum 1
  EXPECT_EQ(copy.vertices.step, 1);
  EXPECT_EQ(copy.vertices[2].z, 6.0f);
  EXPECT_EQ(copy.bound_radius, 7.0f);
  MeshFrame empty;
  empty.init();
  ASSERT_TRUE(copy.assign(empty));
  EXPECT_EQ(copy.vertices.count, 0);
  EXPECT_GE(copy.vertices.capacity, 1);
  copy.release();
  empty.release();
}

TEST(MeshRecords, ValueTableInOrderOfFirstAppearance) {
  MeshObject m;
  add_run(m, kRunStrip, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0);
  add_run(m, kRunStrip, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1);
  ASSERT_TRUE(m.build_value_table());
  ASSERT_EQ(m.values.count, 2);
  EXPECT_EQ(m.values[0], kRunStrip);
  EXPECT_EQ(m.values[1], 0xFFFFFFu);
  EXPECT_EQ(m.frames[1].vertices[0].value_index, 0);
  EXPECT_EQ(m.frames[1].vertices[3].value_index, 1);
}

TEST(MeshRecords, ValueIndicesWrapPastTheByte) {
  MeshObject m;
  add_run(m, kRunList, {});
  for (uint32_t c = 0; c < 300; ++c) m.frames[0].vertices.push(mesh_fixture::vertex({0, 0, 0, 0, 0, c}));
  ASSERT_TRUE(m.build_value_table());
  ASSERT_EQ(m.values.count, 301);
  EXPECT_EQ(m.values[300], 299u);
  EXPECT_EQ(m.frames[0].vertices[300].value_index, 300 & 0xFF);  // one byte
  // A word seen long before is found again.
  m.frames[0].vertices.push(mesh_fixture::vertex({0, 0, 0, 0, 0, 5}));
  ASSERT_TRUE(m.build_value_table());
  EXPECT_EQ(m.values.count, 301);
  EXPECT_EQ(m.frames[0].vertices[301].value_index, 6);
}

TEST(MeshRecords, ColourRule) {
  struct Row {
    uint32_t word;
    float red, green, blue;
  };
  const Row rows[] = {
      {0x0000FF, 1, 0, 0},
      {0x804020, 0x20 / 255.0f, 0x40 / 255.0f, 0x80 / 255.0f},
      {0xFFFFFFFB, 0xFB / 255.0f, 1, 1},  // below the white words: still a colour
      {0xFFFFFFFC, 1, 1, 1},
      {kRunFan, 1, 1, 1},
  };
  for (const Row& r : rows) {
    MeshVertex v{};
    qvl_mesh_set_colour(v, r.word);
    EXPECT_EQ(v.colour, r.word);
    EXPECT_FLOAT_EQ(v.red, r.red) << std::hex << r.word;
    EXPECT_FLOAT_EQ(v.green, r.green) << std::hex << r.word;
    EXPECT_FLOAT_EQ(v.blue, r.blue) << std::hex << r.word;
    EXPECT_EQ(v.alpha, 1.0f);
  }
}

TEST(MeshRecords, PackedVertexDecodes) {
  MeshObject m;
  m.values.push(kRunFan);
  m.values.push(0x00FF00);
  const PackedVertex packed[2] = {{10, 20, 30, 5, 0, 0, 1}, {0, 0, 0, 161, 0, 0, 0}};
  const float u[2] = {0.25f, 0}, v[2] = {0.5f, 0};
  const float offset[3] = {10, 0, 0}, scale[3] = {0.5f, 1, 2};
  GrowVector<MeshVertex> out;
  ASSERT_TRUE(m.append_vertex(packed, 2, u, v, offset, scale, out));
  ASSERT_EQ(out.count, 2);
  EXPECT_EQ(out[0].x, 0.0f);
  EXPECT_EQ(out[0].y, 20.0f);
  EXPECT_EQ(out[0].z, 60.0f);
  EXPECT_EQ(out[0].nz, vertex_normal_table[5][2]);
  EXPECT_EQ(out[0].tangent_x, vertex_normal_table[0][0]);
  EXPECT_EQ(out[0].colour, 0x00FF00u);
  EXPECT_EQ(out[0].green, 1.0f);
  EXPECT_EQ(out[0].value_index, 1);
  EXPECT_EQ(out[0].u, 0.25f);
  EXPECT_EQ(out[0].v, -0.5f);
  EXPECT_EQ(out[1].colour, kRunFan);
  EXPECT_EQ(out[1].x, -5.0f);
}

std::vector<uint32_t> deleted_buffers, deleted_textures;

void record_buffers(int n, const uint32_t* names) {
  deleted_buffers.insert(deleted_buffers.end(), names, names + n);
}
void record_textures(int n, const uint32_t* names) {
  deleted_textures.insert(deleted_textures.end(), names, names + n);
}

TEST(MeshRecords, PartsMoveWithTheirGlNamesAndDeleteThemOnce) {
  deleted_buffers.clear();
  deleted_textures.clear();
  qvl_x3d_gl_deleters = {record_buffers, record_textures};
  {
    ObjectSlot slot;
    ASSERT_TRUE(slot.parts.reserve(1));
    slot.parts.count = 1;
    slot.parts[0].static_vbo = 11;
    slot.parts[0].stream_vbo = 12;
    slot.parts[0].shade_texture = 13;
    add_run(slot.parts[0], kRunList, {{0, 0, 0}});
    slot.textures.push(21);
    slot.textures.push(22);
    // Growing the part list moves part 0 into a new block.
    const MeshObjectX* before = slot.parts.data;
    ASSERT_TRUE(slot.parts.reserve(5));
    slot.parts.count = 5;
    EXPECT_NE(slot.parts.data, before);
    EXPECT_EQ(slot.parts[0].static_vbo, 11u);
    EXPECT_EQ(slot.parts[0].frames[0].vertices.count, 2);
    EXPECT_TRUE(deleted_buffers.empty());  // the moved-out part owned nothing
    slot.used = slot.package = 1;
    slot.clear_parts(false);
    EXPECT_EQ(deleted_buffers, (std::vector<uint32_t>{11, 12}));
    EXPECT_EQ(deleted_textures, (std::vector<uint32_t>{13, 21, 22}));
    EXPECT_EQ(slot.parts.count, 0);
    EXPECT_EQ(slot.textures.count, 0);
    EXPECT_EQ(slot.parts.step, 1);
    EXPECT_EQ(slot.used + slot.package, 0);
  }
  // The destructor found nothing left to delete.
  EXPECT_EQ(deleted_buffers.size(), 2u);
  EXPECT_EQ(deleted_textures.size(), 3u);
  qvl_x3d_gl_deleters = {};
}

TEST(MeshRecords, ObjectTableGrowsWithItsSlots) {
  GrowVector<ObjectSlot> objects;
  ASSERT_TRUE(objects.reserve(10));
  objects.count = 10;
  objects[3].used = 1;
  ASSERT_TRUE(objects[3].parts.reserve(1));
  objects[3].parts.count = 1;
  add_run(objects[3].parts[0], kRunList, {{1, 2, 3}});
  ASSERT_TRUE(objects.reserve(4096));
  EXPECT_EQ(objects.capacity, 4224);
  EXPECT_EQ(objects[3].used, 1);
  EXPECT_EQ(objects[3].parts[0].frames[0].vertices[1].z, 3.0f);
  EXPECT_EQ(objects[4095].parts.step, 1);  // new slots are empty slots
  objects.clear(true);
}

TEST(MeshRecords, PartClearResetsTheDerivedLists) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  m.build_triangles();
  m.build_edges();
  m.static_vbo = 3;  // no deleters installed: the name is only forgotten
  m.clear(true);
  EXPECT_EQ(m.edges.capacity, 0);
  EXPECT_EQ(m.edges.step, 64);
  EXPECT_EQ(m.silhouette.minimum, 64);
  EXPECT_EQ(m.static_vbo, 0u);
}

}  // namespace
