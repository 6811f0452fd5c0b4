#include "core/grow_vector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/basic_string.h"
#include "tests/core/array_test_types.h"
#include "tests/support/basic_string_text.h"

namespace {

using qvl_test::str;

BasicString numbered(int i) {
  BasicString s("text ");
  s.append_int(i);
  return s;
}

TEST(GrowVector, GrowthRuleTable) {
  struct Case { int step, minimum, n, capacity; };
  const Case cases[] = {
      {128, 512, 0, 512},  {128, 512, 1, 512}, {128, 512, 512, 512},
      {128, 512, 513, 640}, {128, 512, 640, 768}, {1, 1, 0, 1},
      {1, 1, 1, 1},        {1, 1, 5, 6},        {1, 4, 4, 4},
      {1, 4, 5, 6},
  };
  for (const Case& c : cases) {
    GrowVector<int> v(c.step, c.minimum);
    ASSERT_TRUE(v.reserve(c.n));
    EXPECT_EQ(v.capacity, c.capacity) << c.step << "/" << c.minimum << " n=" << c.n;
    EXPECT_EQ(v.count, 0);
    ASSERT_NE(v.data, nullptr);
  }
}

TEST(GrowVector, ReserveReplacesTheBlockUnlessCapacityIsAboveN) {
  GrowVector<int> v;  // 128 / 512
  ASSERT_TRUE(v.reserve(0));
  for (int i = 0; i < 10; ++i) v.data[i] = i * 3;
  v.count = 10;

  int* block = v.data;
  ASSERT_TRUE(v.reserve(511));
  EXPECT_EQ(v.data, block);  // capacity 512 > 511: nothing happens

  ASSERT_TRUE(v.reserve(512));  // capacity equal to n: a block of 512 again
  EXPECT_EQ(v.capacity, 512);
  ASSERT_TRUE(v.reserve(513));
  EXPECT_EQ(v.capacity, 640);
  ASSERT_EQ(v.count, 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(v[i], i * 3);
}

TEST(GrowVector, PushGrowsByStepAfterTheFirstBlock) {
  GrowVector<int> v;
  std::vector<int> capacities;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(v.push(i));
    if (capacities.empty() || capacities.back() != v.capacity) capacities.push_back(v.capacity);
  }
  EXPECT_EQ(capacities, (std::vector<int>{512, 640, 768, 896, 1024}));
  ASSERT_EQ(v.count, 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(v[i], i);
}

// Strings are objects: every slot of a new block is a live, empty string,
// the old texts are copied over and the old slots are destroyed (ASan and
// LeakSanitizer see any slot that is lost or freed twice).
TEST(GrowVector, ObjectElementsSurviveGrowth) {
  GrowVector<BasicString> v;
  for (int i = 0; i < 512; ++i) ASSERT_TRUE(v.push(numbered(i)));
  ASSERT_EQ(v.capacity, 512);
  ASSERT_TRUE(v.push(BasicString("last")));
  EXPECT_EQ(v.capacity, 640);
  EXPECT_EQ(v.count, 513);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(str(v[i]), str(numbered(i)));
  EXPECT_EQ(str(v[512]), "last");
  for (int64_t i = 513; i < v.room(); ++i) {
    ASSERT_EQ(v[i].length, 0);
    ASSERT_EQ(v[i].text[0], 0);
  }
}

// The capacity follows the growth rule, but the storage under it doubles:
// a long vector moves each element a bounded number of times and copies
// only what is pushed, and objects are built as they come, not a whole
// capacity at a time.
TEST(GrowVector, StorageGrowsGeometricallyAndMovesElements) {
  using array_test::Counted;
  constexpr int n = 20000;
  Counted::reset();
  {
    GrowVector<Counted> v;  // 128 / 512
    const Counted item(7);
    for (int i = 0; i < n; ++i) ASSERT_TRUE(v.push(item));
    EXPECT_EQ(v.capacity, 128 * ((n - 1) / 128 + 1));  // the last push's n = count
    EXPECT_EQ(Counted::copies, n);
    EXPECT_LE(Counted::moves, 2L * n);
    EXPECT_LE(Counted::built, 4L * n);  // each block built once, rooms doubling
    for (int i = 0; i < n; ++i) ASSERT_EQ(v[i].value, 7);
  }
  Counted::reset();
  GrowVector<Counted> one;
  ASSERT_TRUE(one.push(Counted(1)));
  EXPECT_EQ(one.capacity, 512);
  EXPECT_LE(Counted::built, 9);
  std::vector<int64_t> rooms;
  GrowVector<int> plain;
  for (int i = 0; i < n; ++i) {
    plain.push(i);
    if (rooms.empty() || rooms.back() != plain.room()) rooms.push_back(plain.room());
    ASSERT_GE(plain.room(), plain.capacity);  // plain slots up to the capacity exist
  }
  EXPECT_LE(rooms.size(), 7u);  // 512, 1024, ... 32768
}

TEST(GrowVector, ClearWithoutReleaseKeepsTheSlotsForReuse) {
  GrowVector<BasicString> v;
  v.push(BasicString("a"));
  v.push(BasicString("b"));
  BasicString* block = v.data;
  v.clear(false);
  EXPECT_EQ(v.count, 0);
  EXPECT_EQ(v.capacity, 512);
  EXPECT_EQ(str(v.data[1]), "b");  // slots past count keep their value
  ASSERT_TRUE(v.push(BasicString("c")));
  EXPECT_EQ(v.data, block);
  EXPECT_EQ(str(v[0]), "c");

  v.clear(true);
  EXPECT_EQ(v.data, nullptr);
  EXPECT_EQ(v.capacity, 0);
  EXPECT_EQ(v.count, 0);

  GrowVector<int> never;
  never.count = 3;  // an owner that counted without a block
  never.clear(true);
  EXPECT_EQ(never.count, 0);
  EXPECT_EQ(never.data, nullptr);
}

// Pushing an element of the vector itself when the block is full: the
// value must be read before the old block goes away, and not from a slot
// whose content was moved on. Each element kind grows its own way.
struct alignas(64) WideRecord {
  double value;
  bool operator==(const WideRecord& o) const { return value == o.value; }
};

template <class T>
bool same(const T& a, const T& b) { return a == b; }
bool same(const BasicString& a, const BasicString& b) { return str(a) == str(b); }

template <class T>
void push_own_elements(const T& first, const T& second) {
  GrowVector<T> v(1, 1);
  ASSERT_TRUE(v.push(first));
  ASSERT_TRUE(v.push(second));
  int growths = 0;
  for (int i = 0; i < 20; ++i) {
    const bool full = v.count == v.capacity;
    ASSERT_TRUE(v.push(v[v.count - 2]));  // an element the growth moves
    growths += full;
  }
  EXPECT_EQ(growths, 10);  // step 1: every other push finds the block full
  ASSERT_EQ(v.count, 22);
  for (int i = 0; i < 22; ++i) EXPECT_TRUE(same(v[i], i % 2 ? second : first)) << i;
}

TEST(GrowVector, PushOfOwnElementAcrossGrowth) {
  push_own_elements<BasicString>(BasicString("first"), BasicString("second"));
  push_own_elements<std::string>(std::string(40, 'a'), std::string(40, 'b'));
  push_own_elements<int>(1, 2);
  push_own_elements<WideRecord>(WideRecord{1.5}, WideRecord{2.5});
}

// Blocks whose byte size does not fit in 32 bits cannot be had. A failed
// reserve or push reports it and leaves the vector exactly as it was.
TEST(GrowVector, FailedGrowthKeepsTheContents) {
  GrowVector<double> plain;
  for (int i = 0; i < 5; ++i) plain.push(i * 1.5);
  double* block = plain.data;
  EXPECT_FALSE(plain.reserve(600000000));  // 4.8 GB
  EXPECT_EQ(plain.data, block);
  EXPECT_EQ(plain.capacity, 512);
  ASSERT_EQ(plain.count, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(plain[i], i * 1.5);

  GrowVector<BasicString> objects;
  objects.push(BasicString("kept"));
  EXPECT_FALSE(objects.reserve(300000000));  // 16 bytes a slot: 4.8 GB
  ASSERT_EQ(objects.count, 1);
  EXPECT_EQ(objects.capacity, 512);
  EXPECT_EQ(str(objects[0]), "kept");

  // The second push needs step * (2 / step + 1) = 2^30 slots of 8 bytes.
  GrowVector<double> huge_step(1 << 30, 1);
  ASSERT_TRUE(huge_step.push(7.0));
  EXPECT_FALSE(huge_step.push(8.0));
  ASSERT_EQ(huge_step.count, 1);
  EXPECT_EQ(huge_step.capacity, 1);
  EXPECT_EQ(huge_step[0], 7.0);

  GrowVector<int> full(1, 1);
  full.count = full.capacity = INT32_MAX;  // no block may grow past int
  EXPECT_FALSE(full.push(1));
  EXPECT_EQ(full.count, INT32_MAX);
  full.count = full.capacity = 0;
}

}  // namespace

// A record in init/assign/release style, like a 3D mesh frame: it owns a
// vector of its own and logs every hook call.
namespace grow_vector_test {
std::vector<std::string>* g_events = nullptr;
int g_next_id = 0;

struct Frame {
  GrowVector<int> vertices;
  int id;
  float scale;

  void init() {
    vertices.clear(true);
    vertices.step = 128;
    vertices.minimum = 512;
    id = g_next_id++;
    scale = 1;
    if (g_events) g_events->push_back("init " + std::to_string(id));
  }
  void assign(const Frame& other) {
    if (&other == this) return;
    if (g_events) g_events->push_back("assign " + std::to_string(id) + "<-" + std::to_string(other.id));
    vertices.clear(false);
    vertices.reserve(other.vertices.count);
    for (int i = 0; i < other.vertices.count; ++i) vertices.data[i] = other.vertices.data[i];
    vertices.count = other.vertices.count;
    scale = other.scale;
  }
  void release() {
    if (g_events) g_events->push_back("release " + std::to_string(id));
    vertices.clear(true);
  }
};
}  // namespace grow_vector_test
QVL_GROW_VECTOR_RECORD(grow_vector_test::Frame);

namespace {
using grow_vector_test::Frame;
using grow_vector_test::g_events;

TEST(GrowVector, RecordHooksRunInTheirOrder) {
  std::vector<std::string> events;
  g_events = &events;
  {
    GrowVector<Frame> frames(1, 2);
    Frame source;
    source.init();  // id 0
    source.vertices.push(42);
    source.scale = 3;
    ASSERT_TRUE(frames.push(source));   // block of 2: ids 1, 2
    ASSERT_TRUE(frames.push(source));
    ASSERT_TRUE(frames.push(frames[1]));  // grows to 4: ids 3 to 6
    EXPECT_EQ(frames.capacity, 4);
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(frames[i].vertices.count, 1);
      EXPECT_EQ(frames[i].vertices[0], 42);
      EXPECT_EQ(frames[i].scale, 3);
    }
    source.release();
  }
  g_events = nullptr;
  const std::vector<std::string> expected = {
      "init 0",
      "init 1", "init 2", "assign 1<-0",
      "assign 2<-0",
      // the frames move byte for byte into the larger block: only the new
      // slots are built, and the element pushed is read from its new place
      "init 3", "init 4", "assign 3<-2",
      "release 0",
      "release 4", "release 3", "release 2", "release 1",
  };
  EXPECT_EQ(events, expected);
}

}  // namespace
