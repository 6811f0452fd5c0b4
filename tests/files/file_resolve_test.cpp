#include "files/file_resolve.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "core/error_state.h"
#include "files/file_commands.h"
#include "files/mem_file.h"
#include "files/strongbox.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::write_file;

// The channel's next count bytes, and whether they were all it held.
std::string read_exactly(int channel, int count) {
  BasicString bytes;
  qvl_file_channel_read_bytes(channel, bytes, count);
  std::string text(bytes.c_str(), static_cast<size_t>(bytes.length));
  return qvl_file_channel_eof(channel) ? text : text + "<more>";
}

class FileResolve : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = qvl_test::temp_dir();
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override { qvl_arc_release(); }

  // A copy of a real executable with an archive of the given files packed
  // by sbpack; the packed files are removed from disk afterwards.
  std::string packed_player(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string exe = dir_ + "player";
    write_file(exe, qvl_test::read_file("/bin/true"));
    std::string command = std::string(SBPACK_PATH) + " " + exe;
    for (const auto& [name, text] : files) {
      write_file(dir_ + name, text);
      command += " " + dir_ + name;
    }
    EXPECT_EQ(std::system((command + " > /dev/null").c_str()), 0);
    for (const auto& file : files) unlink((dir_ + file.first).c_str());
    return exe;
  }

  std::string dir_;
};

TEST_F(FileResolve, WithoutArchiveOnlyDiskAndLiveMemoryNamesResolve) {
  write_file(dir_ + "here.txt", "x");
  static uint8_t fixed[3] = {1, 2, 3};
  char mem[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(fixed, 3, nullptr, mem));
  struct Case {
    BasicString name;
    bool found;
  } cases[] = {{"", false}, {"here.txt", true}, {"HERE.TXT", true}, {"gone.txt", false},
               {dir_.c_str(), false}, {mem, true}, {"mem://       3.0x1000", false}};
  for (Case& c : cases) {
    std::string before = c.name.c_str();
    EXPECT_EQ(qvl_file_resolve(c.name), c.found) << before;
    EXPECT_EQ(before, c.name.c_str());
  }
  BasicString too_long(std::string(1100, 'a').c_str());
  EXPECT_FALSE(qvl_file_resolve(too_long));
  BasicString with_nul("here.txt");
  with_nul.append_char('\0');
  with_nul.append_cstr("junk");
  EXPECT_FALSE(qvl_file_resolve(with_nul));
  qvl_mem_file_release(fixed);
  BasicString released(mem);
  EXPECT_FALSE(qvl_file_resolve(released));
}

TEST_F(FileResolve, ChannelsReadArchiveEntriesAndDiskFilesWin) {
  std::string exe = packed_player({{"level.txt", "archived level\r\n"}, {"other.txt", "other"}});
  qvl_arc_create();
  qvl_arc_set_paths(exe.c_str(), exe.c_str());

  ASSERT_TRUE(qvl_file_channel_open(0, "Media/Level.txt", 1));
  // Resolving another name releases the entry's block, but the open
  // channel keeps it alive until it closes.
  BasicString other("other.txt");
  ASSERT_TRUE(qvl_file_resolve(other));
  EXPECT_EQ(std::string(other.c_str(), 6), "mem://");
  EXPECT_EQ(read_exactly(0, 16), "archived level\r\n");
  qvl_file_channel_close(0);

  write_file(dir_ + "level.txt", "disk level");
  ASSERT_TRUE(qvl_file_channel_open(1, "LEVEL.TXT", 1));
  EXPECT_EQ(read_exactly(1, 10), "disk level");
  qvl_file_channel_close(1);

  // A copy out of the archive goes through the same resolution.
  qvl_file_copy("other.txt", "copied.txt");
  EXPECT_EQ(qvl_test::read_file(dir_ + "copied.txt"), "other");

  EXPECT_FALSE(qvl_file_channel_open(2, "missing.txt", 1));
  EXPECT_EQ(qvl_err_state.last_error, 3);
}

// The packer refuses what it cannot pack with a reason and status 1, at
// once (a named pipe that no one writes is not waited on; a watchdog alarm
// ends the test if it is), and leaves the target as it was.
TEST_F(FileResolve, PackerRefusesWhatIsNotAFileAndLeavesTheTargetAlone) {
  const std::string exe = dir_ + "player";
  write_file(exe, qvl_test::read_file("/bin/true"));
  ASSERT_EQ(mkdir((dir_ + "folder").c_str(), 0777), 0);
  ASSERT_EQ(mkfifo((dir_ + "pipe.txt").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", (dir_ + "zero.txt").c_str()), 0);
  write_file(dir_ + "good.txt", "good");
  alarm(20);
  for (const char* packed : {"folder", "missing.txt", "pipe.txt", "zero.txt"}) {
    const std::string command = std::string(SBPACK_PATH) + " " + exe + " " + dir_ +
                                "good.txt " + dir_ + packed + " 2> " + dir_ + "err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << packed;
    EXPECT_EQ(WEXITSTATUS(status), 1) << packed;
    const std::string err = qvl_test::read_file(dir_ + "err.txt");
    EXPECT_EQ(err.rfind("sbpack: " + dir_ + packed + ": ", 0), 0u) << err;
    EXPECT_EQ(qvl_test::read_file(exe), qvl_test::read_file("/bin/true")) << packed;
  }
  alarm(0);
}

TEST_F(FileResolve, MovieReaderUnpacksToATemporaryFileUntilReleased) {
  std::string exe = packed_player({{"intro.avi", std::string(10000, 'v')}});
  qvl_arc_create();
  qvl_arc_set_paths(exe.c_str(), exe.c_str());
  char path[Strongbox::kPathSize];
  ASSERT_TRUE(qvl_arc_movie->resolve("Media/intro.avi", path, false));
  EXPECT_EQ(std::string(path).rfind(dir_ + "sbx", 0), 0u);
  EXPECT_EQ(qvl_test::read_file(path), std::string(10000, 'v'));
  // The resolving reader is separate: its lookups leave the file alone.
  BasicString name("intro.avi");
  ASSERT_TRUE(qvl_file_resolve(name));
  EXPECT_EQ(access(path, F_OK), 0);
  qvl_arc_release();
  EXPECT_NE(access(path, F_OK), 0);
  EXPECT_EQ(qvl_arc_movie, nullptr);
}

}  // namespace
