#include "files/file_commands.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <functional>
#include <string>

#include "core/error_state.h"
#include "files/mem_file.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::write_file;

std::string tmp(const std::string& name) { return qvl_test::temp_path(name); }

// Standard output of a child that runs body: the raised errors, what the
// body printed after them when the program went on, and "exit" when it ended.
std::string child_out(const std::function<void()>& body) {
  return qvl_test::run_in_child([&] {
    body();
    std::fflush(stdout);
  }).out;
}

TEST(FileChannels, TypedValuesAreLittleEndianOnDisk) {
  BasicString name(tmp("typed.bin").c_str());
  ASSERT_TRUE(qvl_file_channel_open(0, name, 0));
  qvl_file_channel_write_int8(0, -2);
  qvl_file_channel_write_uint8(0, 0x1FF);  // low byte only
  qvl_file_channel_write_int16(0, -2);
  qvl_file_channel_write_uint16(0, 0xABCD);
  qvl_file_channel_write_int32(0, 0x12345678);
  qvl_file_channel_write_uint32(0, -1);
  qvl_file_channel_write_float(0, 1.5);
  qvl_file_channel_write_double(0, -0.25);
  qvl_file_channel_write_string(0, BasicString("hi"));
  qvl_file_channel_write_line(0, BasicString(""));
  // Writes leave the record alone: position 0 and already at its "end".
  EXPECT_EQ(qvl_file_channel_position(0), 0);
  EXPECT_TRUE(qvl_file_channel_eof(0));
  qvl_file_channel_close(0);

  const std::string expected(
      "\xFE\xFF"
      "\xFE\xFF\xCD\xAB"
      "\x78\x56\x34\x12\xFF\xFF\xFF\xFF"
      "\x00\x00\xC0\x3F"
      "\x00\x00\x00\x00\x00\x00\xD0\xBF"
      "hi\r\n",
      30);
  EXPECT_EQ(qvl_test::read_file(tmp("typed.bin")), expected);

  ASSERT_TRUE(qvl_file_channel_open(3, name, 1));
  int i = 0;
  double d = 0;
  qvl_file_channel_read_int8(3, i);    EXPECT_EQ(i, -2);
  qvl_file_channel_read_uint8(3, i);   EXPECT_EQ(i, 255);
  qvl_file_channel_read_int16(3, i);   EXPECT_EQ(i, -2);
  qvl_file_channel_read_uint16(3, i);  EXPECT_EQ(i, 0xABCD);
  qvl_file_channel_read_uint32(3, i);  EXPECT_EQ(i, 0x12345678);
  qvl_file_channel_read_int32(3, i);   EXPECT_EQ(i, -1);
  qvl_file_channel_read_float(3, d);   EXPECT_EQ(d, 1.5);
  qvl_file_channel_read_double(3, d);  EXPECT_EQ(d, -0.25);
  EXPECT_EQ(qvl_file_channel_position(3), 26);
  BasicString line;
  qvl_file_channel_read_line(3, line);
  EXPECT_STREQ(line.c_str(), "hi");
  EXPECT_TRUE(qvl_file_channel_eof(3));
  EXPECT_EQ(qvl_err_state.last_error, 0);
}

TEST(FileChannels, LinesAndPositionsOnDiskAndInMemory) {
  std::string bytes = "ab\r\ncd";
  write_file(tmp("six.txt"), bytes);
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 6, nullptr, mem));
  for (std::string name : {tmp("six.txt"), std::string(mem)}) {
    SCOPED_TRACE(name);
    std::string out = child_out([&] {
      ASSERT_TRUE(qvl_file_channel_open(2, BasicString(name.c_str()), 1));
      BasicString line;
      for (int n = 0; n < 3; ++n) {
        qvl_file_channel_read_line(2, line);
        std::printf("[%s] %lld\n", line.c_str(),
                    static_cast<long long>(qvl_file_channel_position(2)));
      }
    });
    EXPECT_EQ(out, "[ab] 4\n[cd] 7\nerror: 3\nexit\n");
  }
  qvl_mem_file_release(bytes.data());
}

TEST(FileChannels, ShortReadsOnMemoryPadWhileDiskReadsEnd) {
  std::string bytes = "\x01\x02\x03\x04\x05\x06";
  write_file(tmp("six.bin"), bytes);
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 6, nullptr, mem));

  ASSERT_TRUE(qvl_file_channel_open(1, BasicString(mem), 1));
  qvl_file_channel_seek(1, 4, 0);
  int v = -1;
  qvl_file_channel_read_int32(1, v);
  EXPECT_EQ(v, 0x0605);
  qvl_file_channel_read_int32(1, v);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  qvl_file_channel_close(1);

  std::string out = child_out([&] {
    qvl_file_channel_open(1, BasicString(tmp("six.bin").c_str()), 1);
    qvl_file_channel_seek(1, -2, -1);  // from the size
    int w = 0;
    qvl_file_channel_read_int32(1, w);
  });
  EXPECT_EQ(out, "error: 3\nexit\n");
  qvl_mem_file_release(bytes.data());
}

TEST(FileChannels, ErrorTable) {
  write_file(tmp("f.txt"), "x\n");
  BasicString f(tmp("f.txt").c_str());
  struct Case {
    const char* what;
    std::function<void()> body;
    const char* out;
  };
  const Case cases[] = {
      {"open channel 8 goes on", [] { std::printf("%d\n", qvl_file_channel_open(8, BasicString("a"), 1)); },
       "error: 7\n0\n"},
      {"open channel -1 goes on", [] { std::printf("%d\n", qvl_file_channel_open(-1, BasicString("a"), 0)); },
       "error: 7\n0\n"},
      {"open missing", [] { std::printf("%d\n", qvl_file_channel_open(0, BasicString("nowhere.txt"), 1)); },
       "error: 3\n0\n"},
      {"mem name for writing", [] { std::printf("%d\n", qvl_file_channel_open(0, BasicString("mem://       4.0x1234"), 0)); },
       "error: 3\n0\n"},
      {"mem name for appending", [] { std::printf("%d\n", qvl_file_channel_open(0, BasicString("mem://       4.0x1234"), -1)); },
       "error: 3\n0\n"},
      {"unregistered mem name", [] { std::printf("%d\n", qvl_file_channel_open(0, BasicString("mem://       4.0x1234"), 1)); },
       "error: 3\n0\n"},
      {"folder", [] { std::printf("%d\n", qvl_file_channel_open(0, BasicString(qvl_test::temp_dir().c_str()), 1)); },
       "error: 3\n0\n"},
      {"close channel 8", [] { qvl_file_channel_close(8); }, "error: 7\nexit\n"},
      {"read from channel 9", [] { int v; qvl_file_channel_read_int8(9, v); }, "error: 7\nexit\n"},
      {"read line from closed", [] { BasicString s; qvl_file_channel_read_line(0, s); }, "error: 3\nexit\n"},
      {"read from closed", [] { double d; qvl_file_channel_read_double(0, d); }, "error: 3\nexit\n"},
      {"write to closed", [] { qvl_file_channel_write_int8(0, 1); }, "error: 3\nexit\n"},
      {"write line to channel 8", [] { qvl_file_channel_write_line(8, BasicString("a")); }, "error: 7\nexit\n"},
      {"write to a reading channel", [&] { qvl_file_channel_open(0, f, 1); qvl_file_channel_write_int8(0, 1); },
       "error: 3\nexit\n"},
      {"empty write string on closed", [] { qvl_file_channel_write_string(0, BasicString("")); }, ""},
      {"write string on closed", [] { qvl_file_channel_write_string(0, BasicString("a")); }, "error: 3\nexit\n"},
      {"read 0 bytes anywhere", [] { BasicString s("x"); qvl_file_channel_read_bytes(99, s, 0); std::printf("%d\n", s.length); },
       "0\n"},
      {"seek closed", [] { qvl_file_channel_seek(0, 5, 0); }, ""},
      {"seek channel 8", [] { qvl_file_channel_seek(8, 5, 0); }, "error: 7\nexit\n"},
      {"position channel 8", [] { qvl_file_channel_position(8); }, "error: 7\nexit\n"},
      {"eof closed", [] { std::printf("%d\n", qvl_file_channel_eof(0)); }, "error: 3\n1\n"},
      {"eof channel 8", [] { std::printf("%d\n", qvl_file_channel_eof(8)); }, "error: 7\n1\n"},
      {"huge read bytes", [&] { qvl_file_channel_open(0, f, 1); BasicString s; qvl_file_channel_read_bytes(0, s, INT_MAX); },
       "error: 3\nexit\n"},
      {"read after a seek before the start", [&] { qvl_file_channel_open(0, f, 1); qvl_file_channel_seek(0, -3, 0); int v; qvl_file_channel_read_int8(0, v); },
       "error: 3\nexit\n"},
      {"read bytes past the end", [&] { qvl_file_channel_open(0, f, 1); BasicString s; qvl_file_channel_read_bytes(0, s, 3); },
       "error: 3\nexit\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(child_out(c.body), c.out) << c.what;
}

// Offsets come from programs: sums past the 64-bit limits stop there
// instead of wrapping round to a position elsewhere in the file.
TEST(FileChannels, SeeksNearTheLimitsStopAtThem) {
  write_file(tmp("two.txt"), "x\n");
  std::string bytes = "x\n";
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 2, nullptr, mem));
  for (std::string name : {tmp("two.txt"), std::string(mem)}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(qvl_file_channel_open(0, BasicString(name.c_str()), 1));
    qvl_file_channel_seek(0, 1, 0);
    qvl_file_channel_seek(0, INT64_MAX, 1);
    EXPECT_EQ(qvl_file_channel_position(0), INT64_MAX);
    qvl_file_channel_seek(0, INT64_MAX, -1);
    EXPECT_EQ(qvl_file_channel_position(0), INT64_MAX);
    qvl_file_channel_seek(0, -5, 0);
    qvl_file_channel_seek(0, INT64_MIN, 1);
    EXPECT_EQ(qvl_file_channel_position(0), INT64_MIN);
    qvl_file_channel_seek(0, 1, 0);
    int v = 0;
    qvl_file_channel_read_int8(0, v);
    EXPECT_EQ(v, '\n');
    qvl_file_channel_close(0);
  }
  qvl_mem_file_release(bytes.data());
  EXPECT_EQ(child_out([&] {
              qvl_file_channel_open(0, BasicString(tmp("two.txt").c_str()), 1);
              qvl_file_channel_seek(0, INT64_MAX, 0);
              int v = 0;
              qvl_file_channel_read_int32(0, v);
            }),
            "error: 3\nexit\n");
}

TEST(FileChannels, ReadBytesOnMemoryKeepsZerosBeyondTheData) {
  std::string bytes = "abc";
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 3, nullptr, mem));
  ASSERT_TRUE(qvl_file_channel_open(0, BasicString(mem), 1));
  BasicString s;
  qvl_file_channel_read_bytes(0, s, 5);
  EXPECT_EQ(s.length, 5);
  EXPECT_EQ(std::string(s.text, 5), std::string("abc\0\0", 5));
  qvl_file_channel_close(0);
  qvl_mem_file_release(bytes.data());
}

TEST(FileChannels, AnOpenFileIsNotOpenedTwiceNorEmptied) {
  write_file(tmp("busy.txt"), "keep\n");
  BasicString name(tmp("busy.txt").c_str());
  ASSERT_TRUE(qvl_file_channel_open(0, name, 1));
  EXPECT_FALSE(qvl_file_channel_open(1, name, 1));
  EXPECT_FALSE(qvl_file_channel_open(1, name, 0));
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_FALSE(qvl_file_channel_open(1, name, -1));
  EXPECT_EQ(qvl_test::read_file(tmp("busy.txt")), "keep\n");
  qvl_file_channel_close(0);
  ASSERT_TRUE(qvl_file_channel_open(1, name, -1));
  qvl_file_channel_write_line(1, BasicString("more"));
  qvl_file_channel_close(1);
  EXPECT_EQ(qvl_test::read_file(tmp("busy.txt")), "keep\nmore\r\n");
}

TEST(FileChannels, FreeFindsTheFirstClosedChannel) {
  write_file(tmp("a"), "1");
  EXPECT_EQ(qvl_file_channel_free(), 0);
  for (int i = 0; i < 8; ++i) {
    std::string n = tmp(std::string("c").append(std::to_string(i)));
    ASSERT_TRUE(qvl_file_channel_open(i, BasicString(n.c_str()), 0));
    if (i == 1) {
      EXPECT_EQ(qvl_file_channel_free(), 2);
    }
  }
  EXPECT_EQ(qvl_file_channel_free(), -1);
  qvl_file_channel_close(5);
  EXPECT_EQ(qvl_file_channel_free(), 5);
  qvl_file_close_all();
  EXPECT_EQ(qvl_file_channel_free(), 0);
}

// Opening for writing puts a new file in the name's place: a link there
// is replaced, not written through, and a folder is never removed.
TEST(FileChannels, OpeningForWritingReplacesTheNameOnly) {
  write_file(tmp("target.txt"), "target");
  ASSERT_EQ(symlink(tmp("target.txt").c_str(), tmp("link.txt").c_str()), 0);
  ASSERT_TRUE(qvl_file_channel_open(0, BasicString(tmp("link.txt").c_str()), 0));
  qvl_file_channel_write_line(0, BasicString("new"));
  qvl_file_channel_close(0);
  EXPECT_EQ(qvl_test::read_file(tmp("link.txt")), "new\r\n");
  EXPECT_EQ(qvl_test::read_file(tmp("target.txt")), "target");

  ASSERT_EQ(mkdir(tmp("was_dir").c_str(), 0777), 0);
  EXPECT_FALSE(qvl_file_channel_open(0, BasicString(tmp("was_dir").c_str()), 0));
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_TRUE(plat_path_info(tmp("was_dir").c_str()).is_dir);
}

TEST(FileCopy, CopiesAndReportsFailure) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data += static_cast<char>(i * 7);
  write_file(tmp("src.bin"), data);
  qvl_file_copy(BasicString(tmp("src.bin").c_str()), BasicString(tmp("dst.bin").c_str()));
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(qvl_test::read_file(tmp("dst.bin")), data);

  // A missing source does nothing and reports nothing.
  qvl_file_copy(BasicString(tmp("none").c_str()), BasicString(tmp("dst2").c_str()));
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(qvl_test::read_file(tmp("dst2")), "");

  // Onto itself: refused with error 3, and the source is not emptied.
  qvl_file_copy(BasicString(tmp("src.bin").c_str()), BasicString(tmp("src.bin").c_str()));
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(qvl_test::read_file(tmp("src.bin")), data);

  // A destination that cannot be created: error 3, the program goes on.
  qvl_file_copy(BasicString(tmp("src.bin").c_str()), BasicString(tmp("no/such/dir/x").c_str()));
  EXPECT_EQ(qvl_err_state.last_error, 3);

  // A copy that fails half-way (here: the file-size limit stands in for a
  // full disk) leaves the old destination whole, and no temporary file.
  write_file(tmp("old.bin"), "old contents");
  EXPECT_EQ(child_out([&] {
              const struct rlimit limit = {4096, 4096};
              setrlimit(RLIMIT_FSIZE, &limit);
              signal(SIGXFSZ, SIG_IGN);
              qvl_file_copy(BasicString(tmp("src.bin").c_str()), BasicString(tmp("old.bin").c_str()));
              std::printf("%d\n", qvl_err_state.last_error);
            }),
            "error: 3\n3\n");
  EXPECT_EQ(qvl_test::read_file(tmp("old.bin")), "old contents");
  DIR* dir = opendir(qvl_test::temp_dir().c_str());
  ASSERT_NE(dir, nullptr);
  while (dirent* entry = readdir(dir))
    EXPECT_NE(std::string(entry->d_name).rfind("old.bin.", 0), 0u) << entry->d_name;
  closedir(dir);

  // From a memory file.
  std::string bytes = "memory";
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 6, nullptr, mem));
  qvl_file_copy(BasicString(mem), BasicString(tmp("from_mem").c_str()));
  EXPECT_EQ(qvl_test::read_file(tmp("from_mem")), "memory");
  qvl_mem_file_release(bytes.data());
}

}  // namespace
