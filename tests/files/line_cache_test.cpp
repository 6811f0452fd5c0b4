#include "files/line_cache.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <cstdlib>
#include <string>

#include "core/error_state.h"
#include "files/mem_file.h"
#include "platform/file_io.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::write_file;

std::string get(const std::string& name, double line) {
  BasicString out("unchanged");
  qvl_file_linecache_get_string(BasicString(name.c_str()), line, out);
  return out.c_str();
}

TEST(LineCache, PutIntoANewFileWritesEveryLineUpToIt) {
  BasicString name(qvl_test::temp_path("new.txt").c_str());
  qvl_file_linecache_put_string(name, 3, BasicString("x"));
  qvl_file_linecache_flush();
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("new.txt")), "\r\n\r\n\r\nx\r\n");
  EXPECT_EQ(qvl_err_state.last_error, 0);
}

TEST(LineCache, GetAnswers) {
  write_file(qvl_test::temp_path("three.txt"), "a \r\n\t\n\x01z\x02\n");
  std::string f = qvl_test::temp_path("three.txt");
  EXPECT_EQ(get(f, 0), "a ");  // a trailing blank stays
  EXPECT_EQ(get(f, 1), "NO_DATA");  // only a TAB
  EXPECT_EQ(get(f, 2), "\x01z");
  EXPECT_EQ(get(f, 5), "NO_DATA");
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(get(f, 256), "NO_DATA");
  EXPECT_EQ(qvl_err_state.last_error, 7);
  EXPECT_EQ(get(f, -1), "NO_DATA");
  EXPECT_EQ(qvl_err_state.last_error, 7);
  EXPECT_EQ(get(qvl_test::temp_path("missing.txt"), 0), "unchanged");  // found nowhere

  int i = -1;
  double d = -1;
  write_file(qvl_test::temp_path("n.txt"), "42abc\n2.5\n");
  qvl_file_linecache_get_int(BasicString(qvl_test::temp_path("n.txt").c_str()), 0, i);
  qvl_file_linecache_get_float(BasicString(qvl_test::temp_path("n.txt").c_str()), 1.9, d);
  EXPECT_EQ(i, 42);
  EXPECT_EQ(d, 2.5);
}

TEST(LineCache, MissingFileAnswersNoFileOnceThenNoData) {
  BasicString out;
  std::string f = qvl_test::temp_path("gone.txt");
  qvl_file_linecache_get(f.c_str(), 0, out);
  EXPECT_STREQ(out.c_str(), "NO_FILE");
  EXPECT_EQ(qvl_err_state.last_error, 3);
  qvl_file_linecache_get(f.c_str(), 0, out);
  EXPECT_STREQ(out.c_str(), "NO_DATA");
}

TEST(LineCache, LinesBeyondTheCacheSurviveAWriteBack) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "line" + std::to_string(i) + "\n";
  write_file(qvl_test::temp_path("long.txt"), text);
  std::string f = qvl_test::temp_path("long.txt");
  EXPECT_EQ(get(f, 255), "line255");
  qvl_file_linecache_put_string(BasicString(f.c_str()), 1, BasicString("changed"));
  EXPECT_EQ(get(qvl_test::temp_path("long.txt"), 1), "changed");
  qvl_file_linecache_flush();
  std::string expected;
  for (int i = 0; i < 256; ++i)
    expected += (i == 1 ? std::string("changed") : "line" + std::to_string(i)) + "\r\n";
  for (int i = 256; i < 300; ++i) expected += "line" + std::to_string(i) + "\n";
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("long.txt")), expected);
}

// A file of kLineCacheMaxFileBytes is read and written back whole; one
// byte more is refused as a file that cannot be opened and never written.
TEST(LineCache, FilesUpToTheBoundAreHeldWholeAndLargerOnesAreLeftAlone) {
  std::string lines;
  for (int i = 0; i < 256; ++i) lines += "line" + std::to_string(i) + "\n";
  const std::string f = qvl_test::temp_path("big.txt");
  for (const int64_t size : {kLineCacheMaxFileBytes, kLineCacheMaxFileBytes + 1}) {
    SCOPED_TRACE(size);
    // 256 lines, then zero bytes (sparse) after them up to the size.
    write_file(f, lines);
    ASSERT_EQ(truncate(f.c_str(), size), 0);
    const bool within = size <= kLineCacheMaxFileBytes;
    EXPECT_EQ(get(f, 1), within ? "line1" : "NO_FILE");
    EXPECT_EQ(qvl_err_state.last_error, within ? 0 : 3);
    qvl_file_linecache_put_string(BasicString(f.c_str()), 1, BasicString("one"));
    qvl_file_linecache_flush();
    // Written back, each of the 256 lines ends in "\r\n" and line 1 is
    // "one"; the zero bytes after them stay.
    std::string rewritten;
    for (int i = 0; i < 256; ++i) rewritten += (i == 1 ? "one" : "line" + std::to_string(i)) + "\r\n";
    const std::string& expected = within ? rewritten : lines;
    struct stat st;
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, size + int64_t(expected.size() - lines.size()));
    std::string start(expected.size() + 1, '?');
    FILE* file = std::fopen(f.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fread(start.data(), 1, start.size(), file), start.size());
    std::fclose(file);
    EXPECT_EQ(start, expected + '\0');
  }
}

TEST(LineCache, LineBreaksCannotAddLinesAndLongTextsStayWhole) {
  std::string f = qvl_test::temp_path("inj.txt");
  qvl_file_linecache_put_number(BasicString(f.c_str()), 0, 1.0);
  qvl_file_linecache_put_string(BasicString(f.c_str()), 1, BasicString("a\r\nb\nc"));
  const std::string wide(1500, 'w');
  qvl_file_linecache_put_string(BasicString(f.c_str()), 2, BasicString(wide.c_str()));
  BasicString back;
  qvl_file_linecache_get(f.c_str(), 2, back);  // the file is not written yet
  EXPECT_EQ(std::string(back.c_str()), wide);
  qvl_file_linecache_put_string(BasicString(f.c_str()), 256, BasicString("no"));
  EXPECT_EQ(qvl_err_state.last_error, 7);
  qvl_file_linecache_flush();
  EXPECT_EQ(qvl_test::read_file(f), "1\r\na  b c\r\n" + wide + "\r\n");
}

// Loading and writing back gives every line that no put changed back byte
// for byte, each ended by CR LF: lines that fill or pass a slot, NUL bytes,
// a last line ending in a lone CR.
TEST(LineCache, UnchangedLinesComeBackByteForByte) {
  const std::string fits(1023, 'f'), wide(5000, 'w'), nul("a\0b", 3);
  write_file(qvl_test::temp_path("lines.txt"),
             "first\r\n" + fits + "\r\nafter\r\n" + wide + "\n" + nul + "\r\nlast\r");
  std::string f = qvl_test::temp_path("lines.txt");
  EXPECT_EQ(get(f, 1), fits);
  EXPECT_EQ(get(f, 2), "after");
  EXPECT_EQ(get(f, 3), wide);
  EXPECT_EQ(get(f, 4), "a");
  EXPECT_EQ(get(f, 5), "last");
  EXPECT_EQ(get(f, 6), "NO_DATA");
  qvl_file_linecache_put_string(BasicString(f.c_str()), 0, BasicString("FIRST"));
  qvl_file_linecache_flush();
  EXPECT_EQ(qvl_test::read_file(f),
            "FIRST\r\n" + fits + "\r\nafter\r\n" + wide + "\r\n" + nul + "\r\nlast\r\n");
}

TEST(LineCache, SwitchingWritesBackToTheFileThatWasLoaded) {
  ASSERT_EQ(chdir(qvl_test::temp_dir().c_str()), 0);
  write_file(qvl_test::temp_path("rel.txt"), "old\n");
  qvl_file_linecache_put_string(BasicString("rel.txt"), 0, BasicString("new"));
  // The program moves to another folder before the cache is written back.
  ASSERT_EQ(mkdir(qvl_test::temp_path("other").c_str(), 0777), 0);
  ASSERT_EQ(chdir(qvl_test::temp_path("other").c_str()), 0);
  write_file(qvl_test::temp_path("b.txt"), "b\n");
  EXPECT_EQ(get(qvl_test::temp_path("b.txt"), 0), "b");
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("rel.txt")), "new\r\n");
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("other/rel.txt")), "");
}

TEST(LineCache, ExitWritesBackOnceAndAFileOpenElsewhereIsNotReplaced) {
  std::string f = qvl_test::temp_path("exit.txt");
  qvl_test::ChildResult r = qvl_test::run_in_child([&] {
    qvl_file_linecache_put_string(BasicString(f.c_str()), 0, BasicString("bye"));
    std::exit(0);  // the exit handlers run
  });
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(qvl_test::read_file(f), "bye\r\n");

  // While the file is open here, a write-back leaves it alone.
  PlatFile* open = plat_file_open(f.c_str(), PlatOpenMode::read);
  ASSERT_NE(open, nullptr);
  qvl_file_linecache_put_string(BasicString(f.c_str()), 0, BasicString("lost"));
  qvl_file_linecache_flush();
  plat_file_close(open);
  EXPECT_EQ(qvl_test::read_file(f), "bye\r\n");

  // A write-back that fails half-way leaves the old file as it was.
  qvl_test::run_in_child([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4, 4};
    setrlimit(RLIMIT_FSIZE, &limit);
    qvl_file_linecache_put_string(BasicString(f.c_str()), 0, BasicString("too long"));
    qvl_file_linecache_flush();
  });
  EXPECT_EQ(qvl_test::read_file(f), "bye\r\n");
}

TEST(LineCache, MemoryFilesAreReadButNeverWritten) {
  std::string bytes = "m0\nm1\n";
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 6, nullptr, mem));
  EXPECT_EQ(get(mem, 1), "m1");
  qvl_file_linecache_put(mem, 0, BasicString("changed"));
  qvl_file_linecache_flush();
  EXPECT_EQ(bytes, "m0\nm1\n");
  qvl_mem_file_release(bytes.data());
}

}  // namespace
