// The text-line rule must give the same lines and positions on disk and in
// memory for the same bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/file_channel.h"
#include "files/mem_file.h"
#include "tests/support/child_process.h"

namespace {

struct Piece {
  std::string text;
  int64_t position;
  bool cut;
  bool operator==(const Piece&) const = default;
};

void PrintTo(const Piece& p, std::ostream* os) {
  *os << "{len " << p.text.size() << " \"" << p.text.substr(0, 20) << "\" pos "
      << p.position << (p.cut ? " cut" : "") << "}";
}

std::vector<Piece> read_all(FileChannel& ch, int max_piece) {
  std::vector<Piece> pieces;
  TextLine line;
  while (pieces.size() < 100 && qvl_text_read_line(ch, line, max_piece)) {
    // The text ends at its first NUL; the bytes go on past it.
    EXPECT_EQ(static_cast<size_t>(line.length), strnlen(line.text, line.bytes));
    pieces.push_back({std::string(line.text, line.bytes), ch.position, line.cut});
  }
  return pieces;
}

std::vector<Piece> read_disk(const std::string& bytes, int max_piece) {
  std::string path = qvl_test::temp_dir() + "lines.txt";
  FileChannel w;
  EXPECT_TRUE(w.open_write(path.c_str()));
  EXPECT_TRUE(w.write_all(bytes.data(), static_cast<int>(bytes.size())));
  w.close();
  FileChannel r;
  EXPECT_TRUE(r.open_read(path.c_str()));
  std::vector<Piece> pieces = read_all(r, max_piece);
  r.close();
  return pieces;
}

std::vector<Piece> read_memory(const std::string& bytes, int max_piece) {
  std::string copy = bytes;  // the block must not be changed by reading
  char name[kMemFileNameSize];
  EXPECT_TRUE(qvl_mem_file_register(copy.data(), static_cast<uint32_t>(copy.size()),
                                    nullptr, name));
  FileChannel r;
  EXPECT_TRUE(r.open_read(name));
  std::vector<Piece> pieces = read_all(r, max_piece);
  r.close();
  qvl_mem_file_release(copy.data());
  EXPECT_EQ(copy, bytes);
  return pieces;
}

std::string letters(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

TEST(TextLine, DiskAndMemoryGiveTheSameLines) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<Piece> expected;
  };
  std::string l1500 = letters(1500);
  std::vector<Case> cases = {
      {"crlf", "ab\r\ncd", {{"ab", 4, false}, {"cd", 7, false}}},
      {"empty line", "\n", {{"", 1, false}}},
      {"nul cuts the text, not the line", std::string("a\0b\nc\n", 6),
       {{std::string("a\0b", 3), 4, false}, {"c", 6, false}}},
      {"lone cr stays inside", "a\rb\r\nc", {{"a\rb", 5, false}, {"c", 7, false}}},
      {"a cr before the end of the data goes", "ab\ncd\r", {{"ab", 3, false}, {"cd", 7, false}}},
      {"1500 bytes", l1500 + "\n",
       {{l1500.substr(0, 1024), 1024, true}, {l1500.substr(1024), 1501, false}}},
      // A line that just fills a piece takes its line end along: no empty
      // line follows it.
      {"1024 bytes then newline", letters(1024) + "\nz",
       {{letters(1024), 1025, false}, {"z", 1027, false}}},
      {"1024 bytes then cr lf", letters(1024) + "\r\nz",
       {{letters(1024), 1026, false}, {"z", 1028, false}}},
      {"1023 bytes then cr lf", letters(1023) + "\r\nz",
       {{letters(1023), 1025, false}, {"z", 1027, false}}},
      {"1024 bytes then cr and more", letters(1024) + "\rz\n",
       {{letters(1024), 1024, true}, {"\rz", 1027, false}}},
      {"unterminated 63", letters(63), {{letters(63), 64, false}}},
      {"unterminated 64", letters(64), {{letters(64), 65, false}}},
      {"unterminated 65", letters(65), {{letters(65), 66, false}}},
      {"unterminated 128", "x\n" + letters(128),
       {{"x", 2, false}, {letters(128), 131, false}}},
      {"unterminated 1024", letters(1024), {{letters(1024), 1025, false}}},
      {"unterminated 1024 ending in cr", letters(1023) + "\r", {{letters(1023), 1025, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(read_disk(c.bytes, TextLine::kMaxPiece), c.expected);
    EXPECT_EQ(read_memory(c.bytes, TextLine::kMaxPiece), c.expected);
  }
}

TEST(TextLine, SmallerPiecesAgreeToo) {
  // The line cache reads pieces of 1023 bytes: odd slice ends on disk.
  for (std::string bytes : {letters(2100) + "\r\nq", letters(1023), letters(1087)}) {
    std::vector<Piece> disk = read_disk(bytes, 1023);
    EXPECT_EQ(disk, read_memory(bytes, 1023));
    ASSERT_FALSE(disk.empty());
    EXPECT_EQ(disk[0].text.size(), 1023u);
  }
}

TEST(TextLine, MemoryChannelNeverReadsBeforeItsBlock) {
  std::string bytes = "hello\n";
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bytes.data(), 6, nullptr, name));
  FileChannel ch;
  ASSERT_TRUE(ch.open_read(name));
  EXPECT_FALSE(ch.seek(-3, 0));
  EXPECT_EQ(ch.position, -3);  // stored, as the runtime always did
  TextLine line;
  EXPECT_FALSE(qvl_text_read_line(ch, line));
  char buf[4];
  EXPECT_FALSE(ch.read(buf, 4));
  ch.close();
  qvl_mem_file_release(bytes.data());
}

}  // namespace
