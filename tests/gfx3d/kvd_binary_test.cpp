// The binary object file: its bytes, its versions, its normal indices, and
// files the reader must refuse.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "files/mem_file.h"
#include "gfx3d/kvd_binary.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/vertex_normal_table.h"
#include "platform/directory.h"
#include "tests/gfx3d/kvd_bytes.h"
#include "tests/gfx3d/mesh_fixtures.h"
#include "tests/support/test_files.h"

using kvd_test::Bytes;
using kvd_test::parse;
using qvl_test::error_log;
using qvl_test::read_file;
using qvl_test::temp_path;
using qvl_test::write_file;

namespace {

TEST(KvdBinary, MinimalTriangleBytes) {
  MeshObject m;
  ASSERT_EQ(parse(kvd_test::kMinimalTriangle, m), KvdStatus::ok);
  KvdBytes bytes;
  ASSERT_EQ(qvl_kvd_encode(m, bytes), KvdEncodeStatus::ok);
  EXPECT_EQ(kvd_test::hex(bytes.data, bytes.size),
            "17b3c600"  "0000000000000040"  "01000000" "02000000" "04000000"
            "fdffffff" "ff000000"                       // values: fan, red
            "0000000000000000"                          // the run start's u, v
            "0000803e000000bf" "0000803e000000bf" "0000803e000000bf"  // 0.25, -0.5
            "04000000"
            "000000000000000000000000" "0000"          // run start: index 0, value 0
            "000000000000000000000000" "0501"          // (0, 0, 0), normal 5, red
            "0000803f0000000000000000" "0501"          // (1, 0, 0)
            "000000000000803f00000000" "0501");        // (0, 1, 0)
}

TEST(KvdBinary, VersionLimits) {
  struct Row {
    double version;
    KvdStatus status;
  };
  const Row rows[] = {
      {1.02, KvdStatus::ok},         {2.0, KvdStatus::ok},
      {1.5, KvdStatus::ok},          {1.0199, KvdStatus::bad_version},
      {2.0001, KvdStatus::bad_version}, {std::nan(""), KvdStatus::bad_version},
  };
  for (const Row& r : rows) {
    MeshObject m;
    double version = 0;
    const std::string file = Bytes().head(r.version, 0, 0, 0).s;
    EXPECT_EQ(qvl_kvd_parse(reinterpret_cast<const uint8_t*>(file.data()), file.size(), m, version),
              r.status)
        << r.version;
    EXPECT_EQ(m.frames.count, 0);
  }
}

TEST(KvdBinary, WrongVersionIsReported) {
  const std::string name = temp_path("new.kvd");
  write_file(name, Bytes().head(2.5, 1, 0, 0).u32(0).s);
  MeshObject m;
  EXPECT_FALSE(qvl_kvd_read(m, name.c_str()));
  EXPECT_EQ(error_log(), "Wrong .kvd version: 2.50. Can use 1.02-2.00\n# read error\n" + name + "\n");
  EXPECT_EQ(m.frames.count, 0);
}

TEST(KvdBinary, PackedFramesOfOldVersions) {
  Bytes b;
  b.head(1.5, 2, 2, 2).u32(kRunStrip).u32(0x00FF00);
  b.f32(0).f32(0).f32(0.25f).f32(0.75f);  // texture pairs
  for (int f = 0; f < 2; ++f) {
    b.u32(2).f32(10).f32(0).f32(0).f32(0.5f).f32(1).f32(2 + f);  // n, offset, scale
    b.u8(0).u8(0).u8(0).u8(0).u8(0);                            // the run start
    b.u8(10).u8(20).u8(30).u8(5).u8(1);
  }
  MeshObject m;
  ASSERT_EQ(parse(b.s, m), KvdStatus::ok);
  ASSERT_EQ(m.frames.count, 2);
  EXPECT_EQ(m.frames.step, 1);
  const MeshVertex& r = m.frames[0].vertices[1];
  EXPECT_EQ(r.x, 0.0f);
  EXPECT_EQ(r.y, 20.0f);
  EXPECT_EQ(r.z, 60.0f);
  EXPECT_EQ(m.frames[1].vertices[1].z, 90.0f);
  EXPECT_EQ(r.u, 0.25f);
  EXPECT_EQ(r.v, -0.75f);  // old files store v negated
  EXPECT_EQ(r.colour, 0x00FF00u);
  EXPECT_EQ(r.nz, vertex_normal_table[5][2]);
  EXPECT_EQ(m.frames[0].vertices[0].colour, kRunStrip);
  EXPECT_EQ(m.normals_ready, 1);
}

TEST(KvdBinary, FileWithoutFramesLoadsEmpty) {
  MeshObject m;
  EXPECT_EQ(parse(Bytes().head(2.0, 0, 1, 0).u32(7).s, m), KvdStatus::ok);
  EXPECT_EQ(m.frames.count, 0);
  EXPECT_EQ(m.values.count, 1);
}

TEST(KvdBinary, NormalIndexChoice) {
  const float* t37 = vertex_normal_table[37];
  EXPECT_EQ(qvl_kvd_normal_index(0, 0, 0), 0);
  EXPECT_EQ(qvl_kvd_normal_index(t37[0], t37[1], t37[2]), 37);
  EXPECT_EQ(qvl_kvd_normal_index(3 * t37[0], 3 * t37[1], 3 * t37[2]), 37);  // length is ignored
  // Halfway between the mirror entries 15 and 126: the later one wins.
  const float* t15 = vertex_normal_table[15];
  ASSERT_EQ(t15[1], -vertex_normal_table[126][1]);
  EXPECT_EQ(qvl_kvd_normal_index(t15[0], 0, t15[2]), 126);
}

// Text, written as binary, read back: the same records.
TEST(KvdBinary, TextToBinaryAndBack) {
  const std::string text =
      "KVDA 1.1\n3  0 0  1 0  0 1\n"
      "2  255 0 0 3  0 0 1 1 2 2   0 128 0 4  0 0 1 1 2 2 3 0\n"
      "2  4  0 0 0 0 0 1  1 0 0 0 0 1  0 1 0 0 1 0  1 1 1 -1 0 0\n"
      "   4  0 0 2 0 0 1  1 0 2 0 0 1  0 1 2 0 1 0  1 1 3 -1 0 0\n";
  MeshObject from_text, back;
  ASSERT_EQ(parse(text, from_text), KvdStatus::ok);
  KvdBytes bytes;
  ASSERT_EQ(qvl_kvd_encode(from_text, bytes), KvdEncodeStatus::ok);
  ASSERT_EQ(parse(std::string(reinterpret_cast<char*>(bytes.data), bytes.size), back), KvdStatus::ok);
  ASSERT_EQ(back.values.count, from_text.values.count);
  for (int i = 0; i < back.values.count; ++i) EXPECT_EQ(back.values[i], from_text.values[i]);
  ASSERT_EQ(back.frames.count, 2);
  for (int f = 0; f < 2; ++f) {
    const GrowVector<MeshVertex>& a = from_text.frames[f].vertices;
    const GrowVector<MeshVertex>& b = back.frames[f].vertices;
    ASSERT_EQ(a.count, 9);
    ASSERT_EQ(b.count, 9);
    for (int i = 0; i < 9; ++i) {
      EXPECT_EQ(b[i].x, a[i].x);
      EXPECT_EQ(b[i].y, a[i].y);
      EXPECT_EQ(b[i].z, a[i].z);
      EXPECT_EQ(b[i].u, a[i].u);
      EXPECT_EQ(b[i].v, a[i].v);
      EXPECT_EQ(b[i].colour, a[i].colour);
      EXPECT_EQ(b[i].value_index, a[i].value_index);
      EXPECT_EQ(b[i].red, a[i].red);
      // The normals given are table entries, so they come back exactly;
      // a run start's zero normal comes back as entry 0.
      if (qvl_mesh_is_run_start(a[i].colour)) continue;
      EXPECT_EQ(b[i].nx, a[i].nx);
      EXPECT_EQ(b[i].ny, a[i].ny);
      EXPECT_EQ(b[i].nz, a[i].nz);
    }
  }
  EXPECT_EQ(back.normals_ready, 1);
}

// Files that claim more than they hold, or point outside their tables.
TEST(KvdBinary, MalformedFilesAreRefused) {
  auto one_frame = [](int32_t n, uint8_t normal, uint8_t value) {
    Bytes b;
    b.head(2.0, 1, 1, 1).u32(kRunList).f32(0).f32(0).u32(static_cast<uint32_t>(n));
    b.f32(0).f32(0).f32(0).u8(normal).u8(value);
    return b.s;
  };
  struct Row {
    const char* what;
    std::string bytes;
  };
  const std::string good = one_frame(1, 0, 0);
  const Row rows[] = {
      {"header cut short", good.substr(0, 20)},
      {"billions of frames", Bytes().head(2.0, 0x7FFFFFFF, 0, 0).s},
      {"billions of values", Bytes().head(2.0, 0, 0x7FFFFFFF, 0).s},
      {"billions of records", Bytes().head(2.0, 1, 0, 0x7FFFFFFF).s},
      {"packed frames past the end", Bytes().head(1.5, 3, 0, 0).u32(0).s},
      {"frame data cut short", good.substr(0, good.size() - 1)},
      {"frame longer than frame 0's pairs", one_frame(2, 0, 0) + std::string(14, '\0')},
      {"normal past the table", one_frame(1, 162, 0)},
      {"value past the table", one_frame(1, 0, 1)},
  };
  for (const Row& r : rows) {
    MeshObject m;
    EXPECT_EQ(parse(r.bytes, m), KvdStatus::malformed) << r.what;
    EXPECT_EQ(m.frames.count, 0) << r.what;
  }
  MeshObject m;
  EXPECT_EQ(parse(good, m), KvdStatus::ok);
}

// Equal record counts, but frame 1 starts its second run one record later:
// blending its shorter triangle list would read past it.
TEST(KvdBinary, FramesMustAgreeOnTheirTriangles) {
  Bytes b;
  b.head(2.0, 2, 2, 5).u32(kRunList).u32(0xFFFFFF);
  for (int i = 0; i < 5; ++i) b.f32(0).f32(0);
  const uint8_t values[2][5] = {{0, 1, 1, 1, 0}, {0, 1, 1, 0, 1}};
  for (const auto& frame : values) {
    b.u32(5);
    for (uint8_t v : frame) b.f32(0).f32(0).f32(0).u8(0).u8(v);
  }
  MeshObject m;
  EXPECT_EQ(parse(b.s, m), KvdStatus::malformed);
}

// An object is weighed before it is built: each frame's records and one,
// its triangles' corners, and the draw buffer's copy of frame 0's. One fan
// of 10 corners over 3 frames (11 records and 8 triangles a frame) holds
// 3 * (11 + 1 + 24) + 24 = 132 records, as text, as binary and as packed
// binary: it loads with a limit of 132 and is refused with 131.
TEST(KvdBinary, ObjectsAreWeighedWithTheirTrianglesBeforeTheyAreBuilt) {
  std::string text = "KVDA 1.0 0  1 255 0 0 10";
  for (int i = 0; i < 10; ++i) text += " 0 0";
  text += "  3  1 0 0 0  1 0 0 1  1 0 0 2";
  auto binary = [](double version) {
    Bytes b;
    b.head(version, 3, 2, 11).u32(kRunFan).u32(0x0000FF);
    for (int i = 0; i < 11; ++i) b.f32(0).f32(0);
    for (int f = 0; f < 3; ++f) {
      b.u32(11);
      if (version < 2.0) {
        for (float v : {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f}) b.f32(v);  // offset, scale
        for (int i = 0; i < 11; ++i) b.u8(uint8_t(i)).u8(0).u8(uint8_t(f)).u8(0).u8(i == 0 ? 0 : 1);
      } else {
        for (int i = 0; i < 11; ++i) b.f32(float(i)).f32(0).f32(float(f)).u8(0).u8(i == 0 ? 0 : 1);
      }
    }
    return b.s;
  };
  for (const std::string& file : {text, binary(2.0), binary(1.5)}) {
    SCOPED_TRACE(file.substr(0, 4) == "KVDA" ? "text" : "binary");
    const auto* data = reinterpret_cast<const uint8_t*>(file.data());
    double version = 0;
    MeshObjectX refused;
    EXPECT_EQ(qvl_kvd_parse(data, file.size(), refused, version, 131), KvdStatus::too_large);
    EXPECT_EQ(refused.frames.capacity, 0);  // nothing was built
    MeshObjectX m;
    ASSERT_EQ(qvl_kvd_parse(data, file.size(), m, version, 132), KvdStatus::ok);
    EXPECT_EQ(qvl_kvd_object_records(m), 132);
    // The count is what the built object holds.
    ASSERT_TRUE(m.build_triangles());
    int64_t held = m.draw_buffer.count;
    for (int f = 0; f < m.frames.count; ++f)
      held += m.frames[f].vertices.count + 1 + m.frames[f].triangles.count;
    EXPECT_EQ(held, 132);
  }
  EXPECT_EQ(qvl_kvd_object_records(0, 100, 100), 0);
  EXPECT_EQ(qvl_kvd_object_records(INT32_MAX, INT32_MAX, INT32_MAX), INT64_MAX);
  EXPECT_EQ(qvl_kvd_object_records(2, INT32_MAX, 0), 2 * (int64_t(INT32_MAX) + 1));
}

TEST(KvdBinary, ShortMemoryFileIsAReadError) {
  const std::string bytes = Bytes().head(2.0, 1, 0, 0).s;  // the frame is missing
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(const_cast<char*>(bytes.data()),
                                    static_cast<uint32_t>(bytes.size()), nullptr, name));
  MeshObject m;
  EXPECT_FALSE(qvl_kvd_read(m, name));
  qvl_mem_file_release(bytes.data());
  EXPECT_EQ(error_log(), std::string("# read error\n") + name + "\n");
}

TEST(KvdBinary, ReadFailuresWithoutReport) {
  MeshObject m;
  EXPECT_FALSE(qvl_kvd_read(m, ""));
  EXPECT_FALSE(qvl_kvd_read(m, temp_path("missing.kvd").c_str()));
  EXPECT_EQ(error_log(), "");
}

TEST(KvdBinary, WriterReplacesTheFileWhole) {
  const std::string name = temp_path("obj.kvd");
  MeshObject m;
  ASSERT_EQ(parse(kvd_test::kMinimalTriangle, m), KvdStatus::ok);
  write_file(name, "old");
  ASSERT_TRUE(qvl_kvd_write(m, name.c_str()));
  MeshObject back;
  ASSERT_TRUE(qvl_kvd_read(back, name.c_str()));
  EXPECT_EQ(back.frames[0].vertices.count, 4);
  // Nothing but the file itself is left in the folder.
  std::vector<PlatDirEntry> entries;
  ASSERT_TRUE(plat_dir_list(qvl_test::temp_dir().c_str(), entries));
  int files = 0;
  for (const PlatDirEntry& e : entries) files += e.is_dir ? 0 : 1;
  EXPECT_EQ(files, 1);
}

TEST(KvdBinary, WriterRefusesWhatItCannotStore) {
  const std::string name = temp_path("keep.kvd");
  write_file(name, "old");
  MeshObject empty;
  EXPECT_FALSE(qvl_kvd_write(empty, name.c_str()));
  MeshObject colourful;
  mesh_fixture::add_run(colourful, kRunList, {});
  for (uint32_t c = 0; c < 300; ++c)
    colourful.frames[0].vertices.push(mesh_fixture::vertex({0, 0, 0, 0, 0, c}));
  colourful.build_value_table();
  KvdBytes bytes;
  EXPECT_EQ(qvl_kvd_encode(colourful, bytes), KvdEncodeStatus::too_many_colours);
  EXPECT_FALSE(qvl_kvd_write(colourful, name.c_str()));
  MeshObject stale;  // value indices never built
  mesh_fixture::add_run(stale, kRunList, {{0, 0, 0}});
  stale.frames[0].vertices[1].value_index = 3;
  stale.values.push(kRunList);
  EXPECT_EQ(qvl_kvd_encode(stale, bytes), KvdEncodeStatus::bad_value_index);
  MeshObject uneven;
  mesh_fixture::add_run(uneven, kRunList, {{0, 0, 0}}, 0);
  mesh_fixture::add_run(uneven, kRunList, {}, 1);
  uneven.build_value_table();
  EXPECT_EQ(qvl_kvd_encode(uneven, bytes), KvdEncodeStatus::uneven_frames);
  EXPECT_EQ(read_file(name), "old");
  // Memory files are read-only; a missing folder cannot take the file.
  MeshObject m;
  ASSERT_EQ(parse(kvd_test::kMinimalTriangle, m), KvdStatus::ok);
  EXPECT_FALSE(qvl_kvd_write(m, "mem://00000004.0x1234"));
  EXPECT_FALSE(qvl_kvd_write(m, temp_path("no/such/folder.kvd").c_str()));
  // A slot without parts has nothing to save.
  ObjectSlot slot;
  EXPECT_FALSE(qvl_kvd_write_slot(slot, name.c_str()));
  EXPECT_EQ(read_file(name), "old");
}

}  // namespace
