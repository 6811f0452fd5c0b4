// kvdtool: a text file converted to binary dumps the same as the text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/gfx3d/kvd_bytes.h"
#include "tests/support/test_files.h"

using qvl_test::read_file;
using qvl_test::temp_path;

namespace {

int run(const std::string& arguments, const std::string& out) {
  return std::system((std::string(KVDTOOL_PATH) + " " + arguments + " > " + out + " 2>&1").c_str());
}

TEST(KvdTool, ConvertAndDump) {
  const std::string text = temp_path("tri.kvd"), binary = temp_path("tri.bin");
  qvl_test::write_file(text, kvd_test::kMinimalTriangle);
  ASSERT_EQ(run("convert " + text + " " + binary, temp_path("out")), 0) << read_file(temp_path("out"));
  ASSERT_EQ(run("dump " + binary, temp_path("dump")), 0);
  EXPECT_EQ(read_file(temp_path("dump")),
            "binary version 2\n"
            "frames 1, records 4, normals given\n"
            "values 2: fffffffd 000000ff\n"
            "frame 0: 4 records, 1 triangles, sphere (0.333333 0.333333 0) radius 0.745356\n"
            "  0: (0 0 0 / 0.25 -0.5) (1 0 0 / 0.25 -0.5) (0 1 0 / 0.25 -0.5) 0000ff\n");
  ASSERT_EQ(run("dump " + text, temp_path("text")), 0);
  const std::string dump = read_file(temp_path("text"));
  EXPECT_EQ(dump.substr(0, dump.find('\n')),
            "text version 1.1: 1 texture pairs, 1 faces, 3 corners");
  // A broken file is named with the reason, and nothing is written.
  qvl_test::write_file(text, "KVDA 1.1 99999");
  EXPECT_NE(run("convert " + text + " " + temp_path("none"), temp_path("err")), 0);
  EXPECT_EQ(read_file(temp_path("err")), text + ": not a readable .kvd file\n");
  EXPECT_EQ(read_file(temp_path("none")), "");
  // So is one that would take gigabytes once built: 40 KB of one face of
  // 2,000 corners over 4,000 frames.
  std::string big = "KVDA 1.0 0  1 0 0 0 2000";
  for (int i = 0; i < 2000; ++i) big += " 0 0";
  big += " 4000";
  for (int f = 0; f < 4000; ++f) big += " 1 0 0 0";
  qvl_test::write_file(text, big);
  EXPECT_NE(run("dump " + text, temp_path("err")), 0);
  EXPECT_EQ(read_file(temp_path("err")), text + ": more than 8388608 records once built\n");
}

}  // namespace
