#include "files/strongbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "files/lz_codec.h"
#include "files/mem_file.h"
#include "platform/file_io.h"
#include "tests/support/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes pack(const std::string& text) {
  LzCodec codec;
  int n = codec.encode(reinterpret_cast<const uint8_t*>(text.data()),
                       static_cast<int>(text.size()));
  return Bytes(codec.output, codec.output + n);
}

void put32(Bytes& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

struct Item {
  std::string name;
  Bytes packed;
};

// An archive appended to some leading bytes, with offsets from the start
// (from_end false) or from the end of the file.
Bytes build(const std::vector<Item>& items, bool from_end = false,
            size_t lead = 100) {
  Bytes file(lead, 0xCC);
  std::vector<int64_t> where;
  for (const Item& it : items) {
    where.push_back(static_cast<int64_t>(file.size()));
    file.insert(file.end(), it.packed.begin(), it.packed.end());
  }
  int64_t total = static_cast<int64_t>(file.size()) + 1 + 7;
  for (const Item& it : items) total += 1 + static_cast<int64_t>(it.name.size()) + 8;
  int64_t dir = static_cast<int64_t>(file.size());
  int64_t base = from_end ? total : 0;
  for (size_t i = 0; i < items.size(); ++i) {
    file.push_back(static_cast<uint8_t>(items[i].name.size()));
    file.insert(file.end(), items[i].name.begin(), items[i].name.end());
    put32(file, static_cast<int32_t>(where[i] - base));
    put32(file, static_cast<int32_t>(items[i].packed.size()));
  }
  file.push_back(0);
  file.insert(file.end(), {'s', 'b', 'X'});
  put32(file, static_cast<int32_t>(dir - base));
  return file;
}

using qvl_test::write_file;

void write_file(const std::string& path, const Bytes& data) {
  write_file(path, std::string(data.begin(), data.end()));
}

std::string mem_contents(const char* name) {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (!qvl_mem_file_acquire(name, &data, &size)) return "<not open>";
  std::string text(reinterpret_cast<const char*>(data), size);
  qvl_mem_file_unpin(data);
  return text;
}

class StrongboxTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = qvl_test::temp_dir();
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    archive_ = dir_ + "player";
  }

  void use(const Bytes& file) {
    write_file(archive_, file);
    box_.set_path(archive_.c_str());
  }

  std::string dir_, archive_;
  Strongbox box_;
  char result_[Strongbox::kPathSize];
};

TEST_F(StrongboxTest, ResolvesEntriesByLastComponentInBothLayouts) {
  for (bool from_end : {false, true}) {
    use(build({{"a.txt", pack("first")}, {"title.png", pack("PNG bytes")}}, from_end));
    ASSERT_TRUE(box_.resolve("sub/dir\\Title.PNG", result_, true)) << from_end;
    EXPECT_EQ(std::strncmp(result_, "mem://", 6), 0);
    EXPECT_EQ(mem_contents(result_), "PNG bytes");
    ASSERT_TRUE(box_.resolve("a.txt", result_, true));
    EXPECT_EQ(mem_contents(result_), "first");
    // The whole stored name must match: neither prefix nor extension.
    EXPECT_FALSE(box_.resolve("a.tx", result_, true));
    EXPECT_STREQ(result_, "");
    EXPECT_FALSE(box_.resolve("a.txt2", result_, true));
    EXPECT_FALSE(box_.resolve("Media/", result_, true));
    EXPECT_FALSE(plat_path_is_open(archive_.c_str()));
  }
}

TEST_F(StrongboxTest, FileOnDiskWinsAndFoldersDoNot) {
  use(build({{"level.dat", pack("from archive")}}));
  mkdir((dir_ + "Media").c_str(), 0700);
  mkdir((dir_ + "Media/level.dat").c_str(), 0700);  // a folder: not a file
  ASSERT_TRUE(box_.resolve("Media/level.dat", result_, true));
  EXPECT_EQ(mem_contents(result_), "from archive");
  write_file(dir_ + "level.dat", "from disk");
  for (bool to_memory : {true, false}) {
    ASSERT_TRUE(box_.resolve("level.dat", result_, to_memory));
    EXPECT_STREQ(result_, "level.dat");
    // Case differences are found on disk too.
    ASSERT_TRUE(box_.resolve("LEVEL.DAT", result_, to_memory));
    EXPECT_STREQ(result_, "LEVEL.DAT");
  }
}

TEST_F(StrongboxTest, EachLookupReleasesThePreviousProduct) {
  use(build({{"one", pack("1")}, {"two", pack("2")}}));
  write_file(dir_ + "disk", "d");
  ASSERT_TRUE(box_.resolve("one", result_, true));
  std::string first = result_;
  // A reader still holding the first block keeps it readable.
  const uint8_t* pinned = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(qvl_mem_file_acquire(first.c_str(), &pinned, &size));
  ASSERT_TRUE(box_.resolve("disk", result_, true));
  EXPECT_FALSE(qvl_mem_file_known(first.c_str()));
  EXPECT_EQ(pinned[0], '1');
  qvl_mem_file_unpin(pinned);
  // Resolving the reader's own current name once more keeps its block.
  ASSERT_TRUE(box_.resolve("two", result_, true));
  std::string second = result_;
  ASSERT_TRUE(box_.resolve(second.c_str(), result_, true));
  EXPECT_EQ(second, result_);
  EXPECT_EQ(mem_contents(result_), "2");
  // A stale MemFile name does not resolve; an empty request still
  // releases the last block.
  EXPECT_FALSE(box_.resolve(first.c_str(), result_, true));
  ASSERT_TRUE(box_.resolve("two", result_, true));
  second = result_;
  EXPECT_FALSE(box_.resolve("", result_, true));
  EXPECT_FALSE(qvl_mem_file_known(second.c_str()));
  EXPECT_EQ(box_.last_block, nullptr);
}

TEST_F(StrongboxTest, MovieModeWritesATemporaryFileExclusively) {
  // Data offset 4660 -> 'A', packed size 1000 -> 'Y'.
  std::string payload(5000, 'm');
  Bytes packed = pack(payload);
  packed.resize(1000, 0);  // the end marker comes early; padding follows
  ASSERT_LE(pack(payload).size(), 1000u);
  use(build({{"intro.avi", packed}}, false, 4660));
  ASSERT_TRUE(box_.resolve("Media/intro.avi", result_, false));
  EXPECT_EQ(std::string(result_), dir_ + "sbxAYintro.avi");
  EXPECT_EQ(qvl_test::read_file(result_), payload);
  std::string first = result_;

  // Another lookup deletes it. A file or link already at the name is left
  // alone and a unique name is used instead.
  box_.drop_product();
  EXPECT_NE(access(first.c_str(), F_OK), 0);
  write_file(dir_ + "victim", "keep");
  ASSERT_EQ(symlink((dir_ + "victim").c_str(), first.c_str()), 0);
  ASSERT_TRUE(box_.resolve("intro.avi", result_, false));
  EXPECT_NE(std::string(result_), first);
  EXPECT_EQ(std::string(result_).substr(std::string(result_).size() - 9), "intro.avi");
  EXPECT_EQ(qvl_test::read_file(result_), payload);
  EXPECT_EQ(qvl_test::read_file(dir_ + "victim"), "keep");
  std::string second = result_;
  box_.drop_product();
  EXPECT_NE(access(second.c_str(), F_OK), 0);
}

TEST_F(StrongboxTest, EmptyEntriesOpenAsEmptyFiles) {
  use(build({{"empty", pack("")}, {"bare", Bytes{}}}));
  for (const char* name : {"empty", "bare"}) {
    ASSERT_TRUE(box_.resolve(name, result_, true)) << name;
    EXPECT_EQ(mem_contents(result_), "") << name;
    ASSERT_TRUE(box_.resolve(name, result_, false)) << name;
    EXPECT_EQ(qvl_test::read_file(result_), "") << name;
    struct stat st;
    EXPECT_EQ(stat(result_, &st), 0);
  }
}

TEST_F(StrongboxTest, MissingArchiveOrTrailerMakesTheReaderUnusable) {
  write_file(dir_ + "disk", "d");
  for (const Bytes& file : {Bytes(), Bytes(3, 's'), Bytes(500, 'x')}) {
    use(file);
    EXPECT_FALSE(box_.resolve("a.png", result_, true));
    EXPECT_STREQ(result_, "a.png");
    EXPECT_EQ(box_.usable, 0);
    EXPECT_TRUE(box_.resolve("disk", result_, true));  // disk still works
  }
  box_.set_path((dir_ + "no-such-file").c_str());
  EXPECT_FALSE(box_.resolve("a.png", result_, true));
  EXPECT_EQ(box_.usable, 0);
  // Once unusable, a valid archive at the path is not even opened.
  write_file(dir_ + "no-such-file", build({{"a.png", pack("x")}}));
  EXPECT_FALSE(box_.resolve("a.png", result_, true));
  box_.set_path((dir_ + "no-such-file").c_str());
  EXPECT_TRUE(box_.resolve("a.png", result_, true));
}

// Byte offsets inside build({{"entry", pack(kText)}}) with lead 100.
const std::string kText = "archived text";

struct Damage {
  const char* what;
  void (*apply)(Bytes& file);
};

void set32(Bytes& f, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
size_t dir_at(const Bytes& f) { return f.size() - 7 - 1 - (1 + 5 + 8); }

TEST_F(StrongboxTest, DamagedArchivesFailTheLookupWithoutOverrun) {
  const Damage damages[] = {
      {"directory past the trailer", [](Bytes& f) { set32(f, f.size() - 4, static_cast<int32_t>(f.size())); }},
      {"directory before the start", [](Bytes& f) { set32(f, f.size() - 4, -static_cast<int32_t>(f.size()) - 1); }},
      {"directory offset huge", [](Bytes& f) { set32(f, f.size() - 4, INT32_MAX); }},
      {"name runs into the trailer", [](Bytes& f) { f[dir_at(f)] = 250; }},
      {"data offset negative", [](Bytes& f) { set32(f, dir_at(f) + 6, -5); }},
      {"data offset past the end", [](Bytes& f) { set32(f, dir_at(f) + 6, static_cast<int32_t>(f.size())); }},
      {"packed size past the end", [](Bytes& f) { set32(f, dir_at(f) + 10, static_cast<int32_t>(f.size())); }},
      {"packed size huge", [](Bytes& f) { set32(f, dir_at(f) + 10, INT32_MAX); }},
      {"packed size negative", [](Bytes& f) { set32(f, dir_at(f) + 10, -1); }},
      {"stream without end marker", [](Bytes& f) { set32(f, dir_at(f) + 10, 3); }},
      {"file cut inside the directory", [](Bytes& f) {
         Bytes cut(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(dir_at(f) + 3));
         cut.insert(cut.end(), f.end() - 7, f.end());
         f = cut;
       }},
  };
  Bytes good = build({{"entry", pack(kText)}});
  use(good);
  ASSERT_TRUE(box_.resolve("entry", result_, true));
  ASSERT_EQ(mem_contents(result_), kText);
  for (const Damage& d : damages) {
    Bytes file = good;
    d.apply(file);
    use(file);
    for (bool to_memory : {true, false}) {
      EXPECT_FALSE(box_.resolve("entry", result_, to_memory)) << d.what;
      EXPECT_FALSE(plat_path_is_open(archive_.c_str())) << d.what;
    }
  }
}

TEST_F(StrongboxTest, StoredNamesCannotLeaveTheTemporaryFolder) {
  std::string with_nul("evil\0x", 6);
  use(build({{"../evil", pack("a")}, {"x/evil", pack("b")}, {with_nul, pack("c")}}));
  for (const char* request : {"evil", "../evil", "x/evil", "sub/../evil"}) {
    EXPECT_FALSE(box_.resolve(request, result_, false)) << request;
  }
  EXPECT_NE(access((dir_ + "../evil").c_str(), F_OK), 0);
}

TEST_F(StrongboxTest, SbpackAppendsToARunningExecutable) {
  std::string exe = dir_ + "game";
  write_file(exe, qvl_test::read_file("/bin/true"));
  chmod(exe.c_str(), 0755);
  write_file(dir_ + "music.ogg", std::string(3000, 'o'));
  mkdir((dir_ + "data").c_str(), 0700);
  write_file(dir_ + "data/Levels.TXT", "level one\r\nlevel two\r\n");
  write_file(dir_ + "empty.bin", "");
  std::string command = std::string(SBPACK_PATH) + " " + exe + " " + dir_ + "music.ogg " +
                        dir_ + "data/Levels.TXT " + dir_ + "empty.bin > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(std::system(exe.c_str()), 0);  // still runs
  EXPECT_NE(std::system((command + " 2>/dev/null").c_str()), 0);  // refuses a second archive
  for (const char* packed : {"music.ogg", "data/Levels.TXT", "empty.bin"})
    unlink((dir_ + packed).c_str());

  box_.set_path(exe.c_str());
  ASSERT_TRUE(box_.resolve("Media/levels.txt", result_, true));
  EXPECT_EQ(mem_contents(result_), "level one\r\nlevel two\r\n");
  ASSERT_TRUE(box_.resolve("music.ogg", result_, false));
  EXPECT_EQ(qvl_test::read_file(result_), std::string(3000, 'o'));
  ASSERT_TRUE(box_.resolve("empty.bin", result_, true));
  EXPECT_EQ(mem_contents(result_), "");
}

}  // namespace
