// The text object file: tokens, the minimal triangle, versions, and files
// the reader must refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "files/mem_file.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/kvd_text.h"
#include "tests/gfx3d/kvd_bytes.h"
#include "tests/support/child_process.h"
#include "tools/hostile_files.h"
#include "tests/support/test_files.h"

using kvd_test::parse;

namespace {

KvdTextSource source(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size(), 0};
}

TEST(KvdText, TokenTable) {
  struct Row {
    const char* text;
    const char* words;  // the words read, separated by '|'
  };
  const Row rows[] = {
      {"  KVDA\t1.1\r\n2", "KVDA|1.1|2"},
      {"12#remark 3\n4", "12|4"},           // a comment straight after a token
      {"# whole line\n\n  5 # tail", "5"},  // and on a line of its own
      {"a\x01" "b \xe9\x80", "a\x01" "b|\xe9\x80"},  // control and high bytes are token bytes
      {"last", "last"},                     // the data ends the last token
      {"   \n\t ", ""},
  };
  for (const Row& r : rows) {
    const std::string text = r.text;
    KvdTextSource in = source(text);
    char token[KvdTextReader::kTokenSize];
    std::string words;
    while (const char* w = qvl_kvd_read_word(token, in)) words.append(words.empty() ? "" : "|").append(w);
    EXPECT_EQ(words, r.words) << r.text;
  }
}

TEST(KvdText, NumbersReadTheirLeadingDecimal) {
  struct Row {
    const char* token;
    float value;
  };
  const Row rows[] = {{"1.5e1", 15},   {"3abc", 3},     {"abc", 0}, {"-2.25", -2.25f},
                      {"nan", 0},      {"+.5", 0.5f},  {"1e39", HUGE_VALF}, {"-1e39", -HUGE_VALF}};
  for (const Row& r : rows) {
    const std::string text = r.token;
    KvdTextSource in = source(text);
    char token[KvdTextReader::kTokenSize];
    EXPECT_EQ(qvl_kvd_read_number(token, in), r.value) << r.token;
  }
  KvdTextSource none = source("");
  char token[KvdTextReader::kTokenSize];
  EXPECT_EQ(qvl_kvd_read_number(token, none), 0.0f);
}

TEST(KvdText, CommentsSkipAtMost512Bytes) {
  // Past 512 bytes without a line feed, the rest of the line is tokens.
  const std::string text = "#" + std::string(512, 'x') + "7 8\n9";
  KvdTextSource in = source(text);
  char token[KvdTextReader::kTokenSize];
  EXPECT_STREQ(qvl_kvd_read_word(token, in), "7");
  // Appended piece by piece: GCC 12 at -O2 warns of an overlap in "#" + string.
  std::string short_line(1, '#');
  short_line.append(300, 'x').append("\n9");
  in = source(short_line);
  EXPECT_STREQ(qvl_kvd_read_word(token, in), "9");
}

TEST(KvdText, OverlongTokenIsCutInsideItsBuffer) {
  const std::string text = std::string(3000, '7') + " 5";
  KvdTextSource in = source(text);
  char token[KvdTextReader::kTokenSize];
  EXPECT_EQ(std::string(qvl_kvd_read_word(token, in)).size(), 1023u);
  EXPECT_STREQ(qvl_kvd_read_word(token, in), "5");
}

TEST(KvdText, MinimalTriangle) {
  MeshObject m;
  ASSERT_EQ(parse(kvd_test::kMinimalTriangle, m), KvdStatus::ok);
  ASSERT_EQ(m.frames.count, 1);
  const GrowVector<MeshVertex>& v = m.frames[0].vertices;
  ASSERT_EQ(v.count, 4);
  EXPECT_EQ(v[0].colour, kRunFan);
  EXPECT_EQ(v[0].alpha, 1.0f);
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(v[i].colour, 0x0000FFu);
    EXPECT_EQ(v[i].red, 1.0f);
    EXPECT_EQ(v[i].green, 0.0f);
    EXPECT_EQ(v[i].u, 0.25f);
    EXPECT_EQ(v[i].v, -0.5f);
    EXPECT_EQ(v[i].nz, 1.0f);
    EXPECT_EQ(v[i].value_index, 1);
  }
  EXPECT_EQ(v[2].x, 1.0f);
  EXPECT_EQ(v[3].y, 1.0f);
  ASSERT_EQ(m.values.count, 2);
  EXPECT_EQ(m.values[0], kRunFan);
  EXPECT_EQ(m.values[1], 0x0000FFu);
  EXPECT_EQ(m.normals_ready, 1);
}

TEST(KvdText, VersionsAndCounts) {
  struct Row {
    const char* text;
    KvdStatus status;
    int frames, records;
  };
  const Row rows[] = {
      {"KVDA 1.1 0 0 0", KvdStatus::ok, 0, 0},
      {"KVDA 1.1", KvdStatus::ok, 0, 0},  // missing counts read as 0
      {"KVDA 1.2 0 0 0", KvdStatus::malformed, 0, 0},
      {"kvda 1.1 0 0 0", KvdStatus::malformed, 0, 0},
      {"", KvdStatus::malformed, 0, 0},
      // Version 1.0: three numbers a vertex; counts are truncated, and a
      // count below zero is an empty list.
      {"KVDA 1.0 -1  1 9 9 9 3 0 0 1 0 2 0  1 3.9  0 0 0 1 0 0 0 1 0", KvdStatus::ok, 1, 4},
      // Two frames, the second empty: still a frame, but corners must name
      // a vertex of every frame.
      {"KVDA 1.0 0  1 1 1 1 1 0 0  2  1 0 0 0  0", KvdStatus::malformed, 0, 0},
      {"KVDA 1.0 0  0  2  1 0 0 0  0", KvdStatus::ok, 2, 0},
  };
  for (const Row& r : rows) {
    MeshObject m;
    EXPECT_EQ(parse(r.text, m), r.status) << r.text;
    EXPECT_EQ(m.frames.count, r.frames) << r.text;
    if (m.frames.count > 0) {
      EXPECT_EQ(m.frames[0].vertices.count, r.records) << r.text;
    }
  }
}

// Files below version 1.1 give no normals; they get smooth ones at load.
TEST(KvdText, OldFilesGetSmoothNormals) {
  MeshObject m;
  ASSERT_EQ(parse("KVDA 1.0 0  1 0 0 0 3 0 0 1 0 2 0  1 3  0 0 0 1 0 0 0 1 0", m), KvdStatus::ok);
  EXPECT_EQ(m.normals_ready, 1);
  EXPECT_EQ(m.frames[0].vertices[1].nz, -1.0f);
}

TEST(KvdText, MalformedFilesAreRefused) {
  struct Row {
    const char* what;
    std::string text;
  };
  const Row rows[] = {
      {"a count past the end", "KVDA 1.1 2000000000"},
      {"a count of 1e10", "KVDA 1.1 1e10 0 0"},
      {"faces past the end", "KVDA 1.1 0 9 1 2 3"},
      {"corners past the end", "KVDA 1.1 0 1 1 2 3 1e9 0 0"},
      {"vertices past the end", "KVDA 1.1 0 0 1 99999 1 2 3"},
      {"a list cut short", "KVDA 1.1 3  0 0 1 0 0 "},
      {"a vertex index past the frame", "KVDA 1.0 0  1 0 0 0 1 3 0  1 3  0 0 0 1 0 0 0 1 0"},
      {"a negative vertex index", "KVDA 1.0 0  1 0 0 0 1 -1 0  1 3  0 0 0 1 0 0 0 1 0"},
      {"a texture index past the pairs", "KVDA 1.0 1 0 0  1 0 0 0 1 0 1  1 1  0 0 0"},
  };
  for (const Row& r : rows) {
    MeshObject m;
    EXPECT_EQ(parse(r.text, m), KvdStatus::malformed) << r.what;
    EXPECT_EQ(m.frames.count, 0) << r.what;
  }
}

// A few kilobytes name thousands of frames of one fan of a thousand
// corners: 2,099 frames hold 2.1 million vertex records but 6.3 million
// triangle corners, past the object's limit, and are refused before
// anything is built; the error log says so.
TEST(KvdText, TrianglesCountTowardsTheLimit) {
  std::string text = "KVDA 1.0 0  1 0 0 0 1000";
  for (int i = 0; i < 1000; ++i) text += " 0 0";
  // 1001 records, 1 and 3 * 998 triangle corners a frame, 3 * 998 more.
  const int64_t frames = (kKvdMaxRecords - 3 * 998) / (1001 + 1 + 3 * 998) + 1;
  EXPECT_EQ(frames, 2099);
  text += ' ';
  text += std::to_string(frames);
  for (int64_t f = 0; f < frames; ++f) text += " 1 0 0 0";
  MeshObject m;
  EXPECT_EQ(parse(text, m), KvdStatus::too_large);
  EXPECT_EQ(m.frames.capacity, 0);
  const std::string name = qvl_test::temp_path("fan.kvd");
  qvl_test::write_file(name, text);
  EXPECT_FALSE(qvl_kvd_read(m, name.c_str()));
  // Read from a file, the object is also held to what a file of its size
  // may build, which the log names.
  EXPECT_EQ(qvl_test::error_log(), "Too large .kvd: more than " +
                                       std::to_string(qvl_kvd_records_for_file(text.size())) +
                                       " records\n# read error\n" + name + "\n");
}

// What a file may build grows with its size: one face of 1,002 corners
// over 294 frames builds exactly what 8,225 bytes may (the text padded to
// that size with spaces, which the reader skips); a byte less refuses it.
TEST(KvdText, WhatAFileMayBuildGrowsWithItsSize) {
  const int corners = 1002, frames = 294;
  const int64_t records = qvl_kvd_object_records(frames, corners + 1, corners - 2);
  ASSERT_EQ((records - kKvdBaseRecords) % kKvdRecordsPerByte, 0);
  const size_t at = static_cast<size_t>((records - kKvdBaseRecords) / kKvdRecordsPerByte);
  const std::string text = hostile::kvd_face_over_frames(corners, frames);
  ASSERT_LT(text.size(), at);
  for (const size_t size : {at, at - 1}) {
    const std::string name = qvl_test::temp_path("padded.kvd");
    qvl_test::write_file(name, text + std::string(size - text.size(), ' '));
    MeshObjectX m;
    EXPECT_EQ(qvl_kvd_read(m, name.c_str()), size == at) << size;
    EXPECT_EQ(qvl_kvd_records_for_file(size) >= records, size == at) << size;
  }
  EXPECT_EQ(qvl_kvd_records_for_file(0), kKvdBaseRecords);
  EXPECT_EQ(qvl_kvd_records_for_file(size_t{1} << 30), kKvdMaxRecords);
}

// 16 KB naming one face of 2,018 corners over 1,038 frames of one vertex:
// 8.4 million records once built, within the object limit, took 814 MB as
// an object. Refused from what a file of its size may build; a file of
// 64 KB that builds all its size allows (259 frames of the same face, 2.1
// million records) stays under 400 MB.
TEST(KvdText, SmallFilesBuildObjectsOfBoundedCost) {
  const std::string at_limit = hostile::kvd_face_over_frames(2018, 259);
  ASSERT_LE(qvl_kvd_object_records(259, 2019, 2016), qvl_kvd_records_for_file(65536));
  struct Case {
    const char* what;
    std::string text;
    bool built;
    double most_mb;
  } cases[] = {
      {"16 KB, 1,038 frames", hostile::kvd_face_over_frames(2018, 1038), false, 100},
      {"64 KB at its limit", at_limit + std::string(65536 - at_limit.size(), ' '), true, 400},
      {"64 KB past its limit", hostile::kvd_face_over_frames(2018, 260) + std::string(65528 - at_limit.size(), ' '), false, 100},
      {"a grid of 2,000 triangles over 6 frames", hostile::kvd_grid(2000, 6), true, 100},
  };
  ASSERT_EQ(cases[0].text.size(), 16405u);
  ASSERT_EQ(cases[2].text.size(), 65536u);
  for (const Case& c : cases) {
    const std::string name = qvl_test::temp_path("object.kvd");
    qvl_test::write_file(name, c.text);
    const auto cost = qvl_test::measure_in_child([&name] {
      MeshObjectX m;
      const bool read = qvl_kvd_read(m, name.c_str());
      if (read) m.build();
      std::printf(read ? "built\n" : "refused\n");
    }, 600, 30);
    EXPECT_FALSE(cost.stopped) << c.what << ": " << cost.peak_mb << " MB";
    EXPECT_EQ(cost.result.out, c.built ? "built\n" : "refused\n") << c.what;
    EXPECT_LT(cost.peak_mb, c.most_mb) << c.what;
  }
}

// 40 KB naming one face of 2,000 corners and 4,000 frames of one vertex:
// 8 million vertex records and 24 million triangle corners (2.9 GB if
// built). Refused before anything is built: the child stays under 100 MB.
TEST(KvdText, ManyCornersOverManyFramesAreRefusedCheaply) {
  const std::string text = hostile::kvd_face_over_frames(2000, 4000);
  ASSERT_LT(text.size(), 41000u);
  const std::string name = qvl_test::temp_path("many_frames.kvd");
  qvl_test::write_file(name, text);
  const auto cost = qvl_test::measure_in_child([&name] {
    MeshObjectX m;
    const bool read = qvl_kvd_read(m, name.c_str());
    if (read) m.build();
    std::printf(read ? "read\n" : "refused\n");
  }, 400, 10);
  EXPECT_FALSE(cost.stopped) << cost.peak_mb << " MB";
  EXPECT_EQ(cost.result.out, "refused\n");
  EXPECT_LT(cost.peak_mb, 100.0);
}

TEST(KvdText, MemoryFileEndingInItsLastNumber) {
  const std::string text = "KVDA 1.0 0 1 0 0 0 3 0 0 0 0 0 0 1 1 7 8 9";
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(const_cast<char*>(text.data()),
                                    static_cast<uint32_t>(text.size()), nullptr, name));
  MeshObject m;
  ASSERT_TRUE(qvl_kvd_read(m, name));
  qvl_mem_file_release(text.data());
  EXPECT_EQ(m.frames[0].vertices[3].z, 9.0f);
}

TEST(KvdText, FailureIsReportedWithTheName) {
  const std::string name = qvl_test::temp_path("empty.kvd");
  qvl_test::write_file(name, "");
  MeshObject m;
  EXPECT_FALSE(qvl_kvd_read(m, name.c_str()));
  EXPECT_EQ(qvl_test::error_log(), "# read error\n" + name + "\n");
}

}  // namespace

namespace {

// An honest object of 6.5 MB, 50,000 triangles over 6 frames (2.3 million
// records once built, far past the 2^20 every file may build), loads and
// builds whole.
TEST(KvdText, AnHonestObjectOfSomeMegabytesBuildsWhole) {
  const std::string text = hostile::kvd_grid(50000, 6);
  ASSERT_GT(text.size(), 5u << 20);
  const std::string name = qvl_test::temp_path("grid.kvd");
  qvl_test::write_file(name, text);
  MeshObjectX m;
  ASSERT_TRUE(qvl_kvd_read(m, name.c_str())) << qvl_test::error_log();
  m.build();
  ASSERT_EQ(m.frames.count, 6);
  EXPECT_GT(qvl_kvd_object_records(m), kKvdBaseRecords);
  for (int f = 0; f < 6; ++f) EXPECT_EQ(m.frames[f].triangles.count, 3 * 50000) << f;
}

}  // namespace
