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
  const std::string short_line = "#" + std::string(300, 'x') + "\n9";
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
  EXPECT_EQ(qvl_test::error_log(), "Too large .kvd: more than 8388608 records\n# read error\n" + name + "\n");
}

// 40 KB naming one face of 2,000 corners and 4,000 frames of one vertex:
// 8 million vertex records and 24 million triangle corners (2.9 GB if
// built). Refused before anything is built: the child stays under 100 MB.
TEST(KvdText, ManyCornersOverManyFramesAreRefusedCheaply) {
  std::string text = "KVDA 1.0 0  1 0 0 0 2000";
  for (int i = 0; i < 2000; ++i) text += " 0 0";
  text += "\n4000";
  for (int f = 0; f < 4000; ++f) text += " 1 0 0 0";
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
