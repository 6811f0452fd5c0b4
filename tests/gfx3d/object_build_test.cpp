// Objects built vertex by vertex, loaded, saved, cut down and scaled
// through the 3D commands.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/error_state.h"
#include "gfx3d/commands3d.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/object_build.h"
#include "gfx3d/rainbows3d.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tools/hostile_files.h"

namespace {

class ObjectBuild : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = qvl_test::temp_dir();
    engine_ = new Rainbows3D(nullptr);
    qvl_x3d_engine = engine_;
  }
  void TearDown() override {
    qvl_x3d_engine = nullptr;
    delete engine_;
  }

  ObjectSlot& slot(int n) { return engine_->objects[n]; }
  MeshObjectX& part(int n) { return slot(n).parts[0]; }

  // A strip of `count` vertices along x in the plane z = 0, silently.
  void build_strip(int n, int count) {
    testing::internal::CaptureStdout();
    qvl_x3d_object_begin(n);
    for (int i = 0; i < count; ++i) qvl_x3d_object_add_vertex(i, i % 2, 0, 0, 0, 0xFFFFFF);
    qvl_x3d_object_end();
    testing::internal::GetCapturedStdout();
  }

  std::string debug_log() { return qvl_test::read_file(dir_ + "debug.log"); }

  std::string dir_;
  Rainbows3D* engine_ = nullptr;
};

TEST_F(ObjectBuild, EachVertexPrintsItsFrameAndCountAndThreeMakeATriangle) {
  testing::internal::CaptureStdout();
  qvl_x3d_object_begin(7);
  qvl_x3d_object_set_normal(0, 1, 0);
  qvl_x3d_object_add_vertex(0, 0, 0, 0.5, 0.25, 0x0000FF);
  qvl_x3d_object_add_vertex(1, 0, 0, 1, 0.25, 0x0000FF);
  qvl_x3d_object_add_vertex(0, 1, 0, 0, 1, 0xFFFFFF);
  qvl_x3d_object_end();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "0 2\n0 3\n0 4\n");
  EXPECT_EQ(qvl_x3d_building_object, -1);
  ASSERT_EQ(slot(7).used, 1);
  EXPECT_EQ(slot(7).package, 0);
  const MeshFrame& frame = part(7).frames[0];
  ASSERT_EQ(frame.vertices.count, 4);  // run start and three vertices
  EXPECT_EQ(frame.vertices[0].colour, kRunStrip);
  EXPECT_EQ(frame.vertices[1].v, -0.25f);
  EXPECT_EQ(frame.vertices[1].red, 1.0f);
  EXPECT_EQ(frame.vertices[1].blue, 0.0f);
  EXPECT_EQ(part(7).values.count, 3);  // the run type and two colours
  // Build mode 2 made smooth normals from the face, over the normal given.
  EXPECT_FLOAT_EQ(std::abs(frame.vertices[1].nz), 1.0f);
  EXPECT_EQ(frame.triangles.count, 3);
  EXPECT_EQ(part(7).draw_buffer.count, 3);
  EXPECT_GT(frame.bound_radius, 0.5f);
  EXPECT_EQ(qvl_x3d_object_face_count(7), 1);
  EXPECT_EQ(qvl_x3d_object_find_free(), 4095);

  BasicArray<double> face;
  qvl_x3d_object_get_face(7, 0, 0, face);
  EXPECT_EQ(face.at2(1, 0), 1.0);   // corner 1: x
  EXPECT_EQ(face.at2(1, 4), -0.25); // v as stored
  EXPECT_EQ(face.at2(2, 5), static_cast<double>(0xFFFFFF));
  qvl_x3d_object_get_face(7, 0, 1, face);  // past the last face: all 0
  EXPECT_EQ(face.size1, 3);
  EXPECT_EQ(face.size2, 9);
  for (int i = 0; i < 27; ++i) EXPECT_EQ(face.data[i], 0.0);
}

TEST_F(ObjectBuild, EndChecksTheVertexCountsAndTheFrames) {
  setenv("QVL_DEBUG_LOG", (dir_ + "debug.log").c_str(), 1);
  struct Case {
    const char* what;
    std::vector<int> vertices_per_frame;  // frame f gets that many; -1 = not switched to
    int used;
    int triangle_records;
    std::string log;
  } cases[] = {
      {"two vertices", {2}, 1, 0, ""},
      {"one vertex", {1}, 0, 0, ""},
      {"two even frames", {3, 3}, 1, 3, ""},
      {"uneven frames", {4, 3}, 0, 0,
       "TXFrame 1 has 4 nodes, but must have (like frame 0) 5 nodes\n"},
      {"frames skipped", {3, -1, -1, 3}, 0, 0,
       "TXFrame 1 has 0 nodes, but must have (like frame 0) 4 nodes\n"},
  };
  for (const Case& c : cases) {
    unlink((dir_ + "debug.log").c_str());
    testing::internal::CaptureStdout();
    qvl_x3d_object_begin(1);
    for (size_t f = 0; f < c.vertices_per_frame.size(); ++f) {
      if (c.vertices_per_frame[f] < 0) continue;
      if (f > 0) qvl_x3d_object_new_frame(static_cast<int>(f));
      for (int i = 0; i < c.vertices_per_frame[f]; ++i) qvl_x3d_object_add_vertex(i, i * i, 0, 0, 0, 0);
    }
    qvl_x3d_object_end();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(slot(1).used, c.used) << c.what;
    if (c.used) {
      EXPECT_EQ(part(1).frames[0].triangles.count, c.triangle_records) << c.what;
    }
    EXPECT_EQ(debug_log(), c.log) << c.what;
  }
  // The one-vertex object was emptied with its storage.
  qvl_x3d_object_begin(2);
  testing::internal::CaptureStdout();
  qvl_x3d_object_add_vertex(0, 0, 0, 0, 0, 0);
  testing::internal::GetCapturedStdout();
  qvl_x3d_object_end();
  EXPECT_EQ(part(2).frames.count, 0);
  unsetenv("QVL_DEBUG_LOG");
}

TEST_F(ObjectBuild, WithoutAnObjectBeingBuiltNothingHappens) {
  testing::internal::CaptureStdout();
  qvl_x3d_object_add_vertex(1, 2, 3, 0, 0, 0);
  qvl_x3d_object_new_group();
  qvl_x3d_object_new_frame(2);
  qvl_x3d_object_set_normal(1, 0, 0);
  qvl_x3d_object_end();
  // An object whose slot is emptied while it is built takes no more
  // vertices either.
  qvl_x3d_object_begin(3);
  qvl_x3d_object_load(BasicString(""), 3);
  qvl_x3d_object_add_vertex(1, 2, 3, 0, 0, 0);
  qvl_x3d_object_new_frame(1);
  qvl_x3d_object_end();
  qvl_x3d_object_begin(-1);
  qvl_x3d_object_begin(4096);
  qvl_x3d_object_add_vertex(1, 2, 3, 0, 0, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(engine_->vertex_template.nx, 0.0f);
  EXPECT_EQ(slot(3).used, 0);
  EXPECT_EQ(qvl_x3d_object_find_free(), 4095);
}

TEST_F(ObjectBuild, MeshBuildModeChoosesTheNormals) {
  struct Case {
    int mode;
    int stored;
    float nz;  // of a vertex given the normal (0, 1, 0) in the plane z = 0
  } cases[] = {{0, 0, 0.0f}, {-1, -1, 0.0f}, {4, 1, 1.0f}, {5, 2, 1.0f}};
  for (const Case& c : cases) {
    qvl_x3d_set_mesh_build_mode(c.mode);
    EXPECT_EQ(engine_->mesh_build_mode, c.stored);
    testing::internal::CaptureStdout();
    qvl_x3d_object_begin(0);
    qvl_x3d_object_set_normal(0, 1, 0);
    qvl_x3d_object_add_vertex(0, 0, 0, 0, 0, 0);
    qvl_x3d_object_add_vertex(1, 0, 0, 0, 0, 0);
    qvl_x3d_object_add_vertex(0, 1, 0, 0, 0, 0);
    qvl_x3d_object_end();
    testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(std::abs(part(0).frames[0].vertices[2].nz), c.nz) << c.mode;
  }
}

TEST_F(ObjectBuild, SavedObjectsLoadBackAndFailedSavesSaySo) {
  build_strip(4, 5);
  EXPECT_EQ(qvl_x3d_object_save(BasicString((dir_ + "strip.kvd").c_str()), 4), 1);
  qvl_x3d_object_load(BasicString((dir_ + "strip.kvd").c_str()), 9);
  ASSERT_EQ(slot(9).used, 1);
  EXPECT_EQ(qvl_x3d_object_face_count(9), 3);
  EXPECT_EQ(part(9).frames[0].triangles[4].x, part(4).frames[0].triangles[4].x);
  // A failed write is reported and the file in place stays whole.
  const std::string good = qvl_test::read_file(dir_ + "strip.kvd");
  EXPECT_EQ(qvl_x3d_object_save(BasicString((dir_ + "no/such/folder/x.kvd").c_str()), 4), 0);
  EXPECT_EQ(qvl_x3d_object_save(BasicString((dir_ + "strip.kvd").c_str()), 5), 0);  // empty slot
  EXPECT_EQ(qvl_x3d_object_save(BasicString((dir_ + "strip.kvd").c_str()), 4096), 0);
  EXPECT_EQ(qvl_test::read_file(dir_ + "strip.kvd"), good);
  // Names found nowhere and files that are no object leave the slot empty.
  qvl_test::write_file(dir_ + "junk.kvd", "not an object at all");
  for (const std::string& name : {dir_ + "missing.kvd", dir_ + "junk.kvd", std::string()}) {
    qvl_x3d_object_load(BasicString(name.c_str()), 9);
    EXPECT_EQ(slot(9).used, 0) << name;
    EXPECT_EQ(slot(9).parts.count, 0) << name;
  }
}

TEST_F(ObjectBuild, RebuildKeepsWholeTrianglesAndAnEmptyDrawBuffer) {
  build_strip(2, 5);   // 3 triangles
  build_strip(3, 2);   // none
  for (int n : {2, 3}) qvl_x3d_object_rebuild(n);
  const MeshObjectX& cut = part(2);
  ASSERT_EQ(cut.frames.count, 1);
  EXPECT_EQ(cut.frames[0].vertices.count, 3);
  EXPECT_EQ(cut.frames[0].triangles.count, 3);  // its first triangle, whole
  EXPECT_EQ(cut.draw_buffer.count, 0);
  EXPECT_EQ(cut.values.count, 0);
  EXPECT_EQ(cut.edges.count, 0);
  EXPECT_EQ(part(3).frames[0].triangles.count, 0);
  EXPECT_EQ(part(3).draw_buffer.count, 0);
  // What is left builds again, with no record missing.
  part(2).build();
  EXPECT_EQ(part(2).draw_buffer.count % 3, 0);
}

// The GL names a part owns are deleted through the drawing code's hooks;
// these record them.
std::vector<uint32_t> deleted_buffers;
void record_buffers(int count, const uint32_t* names) {
  deleted_buffers.insert(deleted_buffers.end(), names, names + count);
}

TEST_F(ObjectBuild, ScalingAfterADrawScalesWhatTheNextDrawSends) {
  qvl_x3d_gl_deleters.buffers = record_buffers;
  build_strip(6, 3);
  part(6).static_vbo = 41;  // as a first draw leaves it
  part(6).stream_vbo = 42;
  qvl_x3d_object_scale(6, 2, 3, 4);
  EXPECT_EQ(deleted_buffers, std::vector<uint32_t>{41});
  EXPECT_EQ(part(6).static_vbo, 0u);
  EXPECT_EQ(part(6).stream_vbo, 42u);  // refilled by every draw anyway
  EXPECT_EQ(part(6).draw_buffer[1].x, 2.0f);
  EXPECT_EQ(part(6).draw_buffer[1].y, 3.0f);
  EXPECT_EQ(part(6).frames[0].triangles[1].x, 2.0f);
  part(6).stream_vbo = 0;
  qvl_x3d_object_rebuild(6);  // the cut frame is uploaded again too
  qvl_x3d_gl_deleters.buffers = nullptr;
}

TEST_F(ObjectBuild, FaceCountsAndTheLastHitFace) {
  build_strip(0, 5);
  EXPECT_EQ(qvl_x3d_object_face_count(0), 3);
  EXPECT_EQ(qvl_x3d_object_face_count(1), 0);
  EXPECT_EQ(qvl_x3d_object_face_count(-3), 0);
  EXPECT_EQ(qvl_x3d_last_hit_face(), 0);  // nothing hit yet
  BasicArray<double> face;
  qvl_x3d_object_get_face(0, 5, 0, face);  // a frame the object lacks
  EXPECT_EQ(face.data[0], 0.0);
  qvl_x3d_object_get_face(0, 0, 2, face);  // the third strip triangle: r s t
  EXPECT_EQ(face.at2(0, 0), 2.0);
  EXPECT_EQ(face.at2(2, 0), 4.0);
}

// An object file is held in memory whole while its object is built, so
// one past 64 MB is refused from its size before it is read (a 73 MB file
// loaded); one of 64 MB exactly is read. The files are a triangle followed
// by zeros that the text reader never reaches, sparse on disk.
TEST_F(ObjectBuild, ObjectFilesPast64MBAreRefusedUnread) {
  const std::string name = dir_ + "big.kvd";
  for (const int64_t size : {kKvdMaxFileBytes, kKvdMaxFileBytes + 1}) {
    qvl_test::write_file(name, hostile::kvd_triangle());
    ASSERT_EQ(truncate(name.c_str(), size), 0);
    unlink((dir_ + "ErrorLog.txt").c_str());
    const bool fits = size == kKvdMaxFileBytes;
    MeshObject object;
    EXPECT_EQ(qvl_kvd_read(object, name.c_str()), fits) << size;
    qvl_x3d_object_load(BasicString(name.c_str()), 7);
    EXPECT_EQ(slot(7).used, fits ? 1 : 0) << size;
    const std::string refusal =
        "Too large .kvd: more than 67108864 bytes\n# read error\n" + name + "\n";
    EXPECT_EQ(qvl_test::error_log(), fits ? "" : refusal + refusal) << size;
  }
}

}  // namespace
