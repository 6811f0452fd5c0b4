#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/append_file.h"

#include "tests/support/test_files.h"

namespace {

using qvl_test::write_file;

std::string tmp(const std::string& name) { return qvl_test::temp_path(name); }

TEST(FileIo, BackslashesAndCaseAreFoundAgain) {
  ASSERT_EQ(mkdir(tmp("Media").c_str(), 0777), 0);
  write_file(tmp("Media/Title.PNG"), "x");
  std::string out;
  for (std::string name : {"Media/Title.PNG", "Media\\Title.PNG",
                           "media/title.png", "MEDIA\\title.Png"}) {
    ASSERT_TRUE(plat_path_resolve(tmp(name).c_str(), out)) << name;
    EXPECT_EQ(out, tmp("Media/Title.PNG")) << name;
    PlatFile* f = plat_file_open(tmp(name).c_str(), PlatOpenMode::read);
    ASSERT_NE(f, nullptr) << name;
    plat_file_close(f);
  }
  // A new file in an existing folder keeps its own name; the folder is matched.
  ASSERT_TRUE(plat_path_resolve(tmp("MEDIA/New.txt").c_str(), out));
  EXPECT_EQ(out, tmp("Media/New.txt"));
}

TEST(FileIo, OverlongAndEmptyPathsAreRefused) {
  std::string name(1023, 'a');
  std::string out;
  EXPECT_TRUE(plat_path_resolve(name.c_str(), out));
  name += 'a';
  EXPECT_FALSE(plat_path_resolve(name.c_str(), out));
  EXPECT_EQ(errno, ENAMETOOLONG);
  EXPECT_EQ(plat_file_open(name.c_str(), PlatOpenMode::create), nullptr);
  EXPECT_EQ(plat_path_remove(name.c_str()), -1);
  EXPECT_FALSE(plat_path_resolve("", out));
}

TEST(FileIo, FolderDoesNotOpenAsFile) {
  ASSERT_EQ(mkdir(tmp("dir").c_str(), 0777), 0);
  for (PlatOpenMode mode :
       {PlatOpenMode::read, PlatOpenMode::create, PlatOpenMode::append}) {
    EXPECT_EQ(plat_file_open(tmp("dir").c_str(), mode), nullptr);
  }
}

// What is not a regular file is refused for reading at once, without
// waiting for a pipe's writer (a watchdog alarm ends the test if it waits),
// and appending to a pipe that no one reads fails rather than waits.
TEST(FileIo, ReadingRefusesWhatIsNotAFileAtOnce) {
  ASSERT_EQ(mkfifo(tmp("pipe").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", tmp("zero").c_str()), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = tmp("socket");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(mkdir(tmp("dir").c_str(), 0777), 0);
  struct Case {
    const char* name;
    int error;
  } cases[] = {{"pipe", EINVAL}, {"zero", EINVAL}, {"socket", EINVAL}, {"dir", EISDIR}};
  alarm(10);
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_EQ(plat_file_open(tmp(c.name).c_str(), PlatOpenMode::read), nullptr) << c.name;
    EXPECT_EQ(errno, c.error) << c.name;
    EXPECT_EQ(plat_open_regular_fd(tmp(c.name).c_str()), -1) << c.name;
    EXPECT_EQ(errno, c.error) << c.name;
  }
  errno = 0;
  EXPECT_EQ(plat_file_open(tmp("pipe").c_str(), PlatOpenMode::append), nullptr);
  EXPECT_EQ(errno, ENXIO);
  alarm(0);
  close(sock);
}

// Reads end at the file's size: a file that grew is read on to its new
// size, and one whose file system gives bytes past the size it states
// (procfs states 0) gives none.
TEST(FileIo, ReadsEndAtTheSizeAFileStates) {
  write_file(tmp("grows.txt"), "0123456789");
  PlatFile* f = plat_file_open(tmp("grows.txt").c_str(), PlatOpenMode::read);
  ASSERT_NE(f, nullptr);
  char buf[64];
  size_t got = 0;
  ASSERT_TRUE(plat_file_read(f, buf, 4, &got));
  EXPECT_EQ(got, 4u);
  ASSERT_TRUE(qvl_os_append_file(tmp("grows.txt").c_str(), "abcde", 5));
  ASSERT_TRUE(plat_file_read(f, buf, sizeof buf, &got));
  EXPECT_EQ(std::string(buf, got), "456789abcde");
  plat_file_close(f);

  f = plat_file_open("/proc/self/status", PlatOpenMode::read);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat_file_size(f), 0);
  ASSERT_TRUE(plat_file_read(f, buf, sizeof buf, &got));
  EXPECT_EQ(got, 0u);
  plat_file_close(f);
}

TEST(FileIo, OpenFileIsNotOpenedTwiceNorTruncated) {
  write_file(tmp("a.txt"), "keep");
  PlatFile* first = plat_file_open(tmp("a.txt").c_str(), PlatOpenMode::read);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(plat_path_is_open(tmp("A.TXT").c_str()));
  EXPECT_EQ(plat_file_open(tmp("a.txt").c_str(), PlatOpenMode::read), nullptr);
  EXPECT_EQ(plat_file_open(tmp("A.txt").c_str(), PlatOpenMode::create), nullptr);
  EXPECT_EQ(plat_file_open(tmp("a.txt").c_str(), PlatOpenMode::append), nullptr);
  EXPECT_EQ(plat_path_remove(tmp("a.txt").c_str()), 0);
  EXPECT_EQ(plat_path_info(tmp("a.txt").c_str()).size, 4);
  plat_file_close(first);
  EXPECT_FALSE(plat_path_is_open(tmp("a.txt").c_str()));
  PlatFile* again = plat_file_open(tmp("a.txt").c_str(), PlatOpenMode::append);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(plat_file_write(again, "!", 1));
  plat_file_close(again);
  EXPECT_EQ(qvl_test::read_file(tmp("a.txt")), "keep!");
}

TEST(FileIo, ByteByByteReadsMatchTheFileAcrossBufferRefills) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += static_cast<char>('a' + i % 23);
  write_file(tmp("big"), text);
  PlatFile* f = plat_file_open(tmp("big").c_str(), PlatOpenMode::read);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat_file_size(f), 40000);
  std::string back;
  char c;
  size_t got;
  while (plat_file_read(f, &c, 1, &got) && got == 1) back += c;
  EXPECT_EQ(back, text);
  // Seeking back and reading a large block bypasses the buffer.
  ASSERT_TRUE(plat_file_seek(f, 100));
  std::string block(30000, '\0');
  ASSERT_TRUE(plat_file_read(f, block.data(), block.size(), &got));
  EXPECT_EQ(got, 30000u);
  EXPECT_EQ(block, text.substr(100, 30000));
  EXPECT_FALSE(plat_file_seek(f, -1));
  plat_file_close(f);
}

TEST(FileIo, WritesReplaceBufferedBytes) {
  write_file(tmp("rw"), "abcdef");
  PlatFile* f = plat_file_open(tmp("rw").c_str(), PlatOpenMode::read);
  plat_file_close(f);
  // create starts a new file; read back what was just written through it.
  f = plat_file_open(tmp("rw").c_str(), PlatOpenMode::create);
  ASSERT_TRUE(plat_file_write(f, "123456", 6));
  ASSERT_TRUE(plat_file_seek(f, 0));
  char buf[6];
  size_t got;
  ASSERT_TRUE(plat_file_read(f, buf, 3, &got));
  ASSERT_TRUE(plat_file_write(f, "X", 1));
  ASSERT_TRUE(plat_file_read(f, buf, 2, &got));
  EXPECT_EQ(std::string(buf, got), "56");
  plat_file_close(f);
  EXPECT_EQ(qvl_test::read_file(tmp("rw")), "123X56");
}

TEST(FileIo, RemoveReportsWhatHappened) {
  write_file(tmp("f"), "1");
  ASSERT_EQ(mkdir(tmp("full").c_str(), 0777), 0);
  write_file(tmp("full/x"), "1");
  ASSERT_EQ(mkdir(tmp("empty").c_str(), 0777), 0);
  EXPECT_EQ(plat_path_remove(tmp("missing").c_str()), -1);
  EXPECT_EQ(plat_path_remove(tmp("F").c_str()), 1);
  EXPECT_EQ(plat_path_remove(tmp("full").c_str()), 0);
  EXPECT_TRUE(plat_path_info(tmp("full/x").c_str()).exists);
  // The current folder is left for its parent before it goes.
  ASSERT_EQ(chdir(tmp("empty").c_str()), 0);
  EXPECT_EQ(plat_path_remove(tmp("empty").c_str()), 1);
  EXPECT_FALSE(plat_path_info(tmp("empty").c_str()).exists);
}

TEST(FileIo, InfoGivesSizeAndTimeIn64Bits) {
  write_file(tmp("t"), "12345");
  PlatPathInfo info = plat_path_info(tmp("t").c_str());
  EXPECT_TRUE(info.exists);
  EXPECT_FALSE(info.is_dir);
  EXPECT_EQ(info.size, 5);
  EXPECT_GT(info.mtime, 1600000000);
  // A sparse file past 4 GB reports its full size.
  PlatFile* f = plat_file_open(tmp("sparse").c_str(), PlatOpenMode::create);
  ASSERT_TRUE(plat_file_seek(f, (int64_t{1} << 32) + 10));
  ASSERT_TRUE(plat_file_write(f, "z", 1));
  EXPECT_EQ(plat_file_size(f), (int64_t{1} << 32) + 11);
  plat_file_close(f);
  EXPECT_EQ(plat_path_info(tmp("sparse").c_str()).size, (int64_t{1} << 32) + 11);
}

TEST(FileIo, AbsolutePathSurvivesAChangeOfFolder) {
  ASSERT_EQ(chdir(qvl_test::temp_dir().c_str()), 0);
  write_file(tmp("rel.txt"), "r");
  std::string absolute = plat_path_absolute("rel.txt");
  ASSERT_EQ(absolute[0], '/');
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_TRUE(plat_path_info(absolute.c_str()).exists);
}

TEST(FileIo, ReplaceKeepsTheOldFileUntilCommit) {
  write_file(tmp("doc.ini"), "old");
  PlatReplace r;
  ASSERT_TRUE(plat_replace_begin(tmp("doc.ini").c_str(), r));
  ASSERT_TRUE(plat_file_write(r.file, "new", 3));
  EXPECT_EQ(qvl_test::read_file(tmp("doc.ini")), "old");
  plat_replace_abandon(r);
  EXPECT_EQ(qvl_test::read_file(tmp("doc.ini")), "old");
  EXPECT_FALSE(plat_path_info(r.temp_path.c_str()).exists);

  ASSERT_TRUE(plat_replace_begin(tmp("doc.ini").c_str(), r));
  ASSERT_TRUE(plat_file_write(r.file, "new", 3));
  ASSERT_TRUE(plat_replace_commit(r));
  EXPECT_EQ(qvl_test::read_file(tmp("doc.ini")), "new");

  // A file open here is not replaced from under its reader.
  PlatFile* open = plat_file_open(tmp("doc.ini").c_str(), PlatOpenMode::read);
  EXPECT_FALSE(plat_replace_begin(tmp("doc.ini").c_str(), r));
  plat_file_close(open);
}

mode_t mode_of(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool is_link(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A save replaces the file the user sees: its permissions stay, a link
// stays a link to the file it led to, and a read-only file is refused.
TEST(FileIo, ReplaceKeepsModesAndLinksAndRefusesReadOnlyFiles) {
  auto save = [](const std::string& path, const std::string& text) {
    PlatReplace r;
    if (!plat_replace_begin(path.c_str(), r)) return false;
    EXPECT_TRUE(plat_file_write(r.file, text.data(), text.size()));
    return plat_replace_commit(r);
  };
  write_file(tmp("private.ini"), "old");
  ASSERT_EQ(chmod(tmp("private.ini").c_str(), 0600), 0);
  ASSERT_TRUE(save(tmp("private.ini"), "new"));
  EXPECT_EQ(mode_of(tmp("private.ini")), 0600u);
  EXPECT_EQ(qvl_test::read_file(tmp("private.ini")), "new");

  write_file(tmp("locked.ini"), "old");
  ASSERT_EQ(chmod(tmp("locked.ini").c_str(), 0444), 0);
  EXPECT_FALSE(save(tmp("locked.ini"), "new"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(qvl_test::read_file(tmp("locked.ini")), "old");
  EXPECT_EQ(mode_of(tmp("locked.ini")), 0444u);

  ASSERT_EQ(mkdir(tmp("real").c_str(), 0777), 0);
  write_file(tmp("real/options.ini"), "old");
  ASSERT_EQ(symlink("real/options.ini", tmp("options.ini").c_str()), 0);
  ASSERT_TRUE(save(tmp("options.ini"), "new"));
  EXPECT_TRUE(is_link(tmp("options.ini")));
  EXPECT_EQ(qvl_test::read_file(tmp("real/options.ini")), "new");
  // A link whose file does not exist yet leads to where it is created.
  ASSERT_EQ(symlink("real/later.ini", tmp("later.ini").c_str()), 0);
  ASSERT_TRUE(save(tmp("later.ini"), "first"));
  EXPECT_TRUE(is_link(tmp("later.ini")));
  EXPECT_EQ(qvl_test::read_file(tmp("real/later.ini")), "first");
}

// A file opened for writing is a new file at the name: nothing is written
// through a link or into a hard-linked twin, and no folder is removed.
TEST(FileIo, CreateReplacesTheNameAndNeverWritesThroughIt) {
  write_file(tmp("target.txt"), "target");
  ASSERT_EQ(symlink(tmp("target.txt").c_str(), tmp("link.txt").c_str()), 0);
  write_file(tmp("twin_a.txt"), "twins");
  ASSERT_EQ(link(tmp("twin_a.txt").c_str(), tmp("twin_b.txt").c_str()), 0);
  ASSERT_EQ(chmod(tmp("twin_a.txt").c_str(), 0640), 0);
  for (const char* name : {"link.txt", "twin_a.txt"}) {
    PlatFile* f = plat_file_open(tmp(name).c_str(), PlatOpenMode::create);
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(plat_file_size(f), 0) << name;
    ASSERT_TRUE(plat_file_write(f, "new", 3));
    plat_file_close(f);
    EXPECT_EQ(qvl_test::read_file(tmp(name)), "new") << name;
  }
  EXPECT_FALSE(is_link(tmp("link.txt")));
  EXPECT_EQ(qvl_test::read_file(tmp("target.txt")), "target");
  EXPECT_EQ(qvl_test::read_file(tmp("twin_b.txt")), "twins");
  EXPECT_EQ(mode_of(tmp("twin_a.txt")), 0640u);

  ASSERT_EQ(mkdir(tmp("empty").c_str(), 0777), 0);
  EXPECT_EQ(plat_file_open(tmp("empty").c_str(), PlatOpenMode::create), nullptr);
  EXPECT_TRUE(plat_path_info(tmp("empty").c_str()).is_dir);

  write_file(tmp("locked.txt"), "locked");
  ASSERT_EQ(chmod(tmp("locked.txt").c_str(), 0444), 0);
  EXPECT_EQ(plat_file_open(tmp("locked.txt").c_str(), PlatOpenMode::create), nullptr);
  EXPECT_EQ(qvl_test::read_file(tmp("locked.txt")), "locked");
}

}  // namespace
