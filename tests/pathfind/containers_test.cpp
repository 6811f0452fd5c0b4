#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "pathfind/fixed_deque.h"
#include "pathfind/node_factory.h"
#include "pathfind/node_hash_table.h"

namespace {

Node at(int x, int y) { return Node{nullptr, x, y, 0, 0, nullptr}; }

TEST(NodeFactory, HandsOutOneBlockInOrderUntilUsedUp) {
  NodeFactory pool;
  EXPECT_EQ(pool.take(), nullptr);  // nothing reserved yet
  EXPECT_FALSE(pool.reserve(0));
  EXPECT_FALSE(pool.reserve(-4));
  ASSERT_TRUE(pool.reserve(3));
  Node* a = pool.take();
  Node* b = pool.take();
  Node* c = pool.take();
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(c, a + 2);
  EXPECT_EQ(pool.take(), nullptr);
  EXPECT_EQ(pool.used, 3);

  pool.give_back(2);
  EXPECT_EQ(pool.take(), b);  // giving back only counts down
  pool.give_back(10);
  EXPECT_EQ(pool.used, 0);

  ASSERT_TRUE(pool.reserve(5));
  EXPECT_EQ(pool.count, 5);
  EXPECT_EQ(pool.used, 0);
}

TEST(NodeHashTable, ResizeKeepsEvenBitsUpTo24) {
  struct Case { int asked, bits; };
  const Case cases[] = {{0, 0}, {1, 0}, {7, 6}, {8, 8}, {30, 24}};
  for (const Case& c : cases) {
    NodeHashTable table;
    EXPECT_EQ(table.resize(c.asked), c.bits) << c.asked;
    EXPECT_EQ(table.bits, c.bits);
    EXPECT_EQ(table.bucket_count(), 1 << c.bits);
    EXPECT_EQ(table.count(), 0);
  }
  NodeHashTable table;
  table.resize(6);
  EXPECT_EQ(table.resize(-2), -1);  // refused: the table stays as it was
  EXPECT_EQ(table.bits, 6);
}

TEST(NodeHashTable, BucketIsTheLowBitsOfXAndYSideBySide) {
  NodeHashTable table;
  table.resize(8);  // 16 x 16 tiles
  EXPECT_EQ(table.bucket_index(3, 5), 83);
  EXPECT_EQ(table.bucket_index(19, 21), 83);
  EXPECT_EQ(table.bucket_index(15, 15), 255);
  EXPECT_EQ(table.bucket_index(16, 0), 0);
  table.resize(6);
  EXPECT_EQ(table.bucket_index(3, 5), 3 | 5 << 3);
  table.resize(0);
  EXPECT_EQ(table.bucket_index(1234, 99), 0);
}

TEST(NodeHashTable, InsertPutsNewNodesFirstAndRefusesRepeats) {
  NodeHashTable table;
  table.resize(8);
  Node a = at(3, 5), b = at(19, 21), c = at(4, 5);
  EXPECT_FALSE(table.insert(nullptr));
  EXPECT_TRUE(table.insert(&a));
  EXPECT_TRUE(table.insert(&b));
  EXPECT_TRUE(table.insert(&c));
  EXPECT_FALSE(table.insert(&a));  // already chained (behind b)
  EXPECT_EQ(table.buckets[83], &b);
  EXPECT_EQ(b.next, &a);
  EXPECT_EQ(a.next, nullptr);
  EXPECT_EQ(table.count(), 3);

  NodeFactory pool;
  pool.reserve(10);
  for (int i = 0; i < 5; ++i) pool.take();
  table.clear(pool);
  EXPECT_EQ(pool.used, 2);  // one node back per node in the table
  EXPECT_EQ(table.count(), 0);
}

TEST(NodeHashCursor, FindsUnlinksAndWalksChains) {
  NodeHashTable table;
  table.resize(2);  // 2 x 2 tiles: many nodes per chain
  std::vector<Node> nodes;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) nodes.push_back(at(x, y));
  for (Node& n : nodes) ASSERT_TRUE(table.insert(&n));

  NodeHashCursor cursor;
  cursor.init(table);
  EXPECT_EQ(cursor.find(2, 2), &nodes[10]);
  EXPECT_EQ(cursor.bucket, 0);
  EXPECT_EQ(cursor.unlink(), &nodes[10]);
  EXPECT_EQ(cursor.unlink(), nullptr);  // nothing found any more
  EXPECT_EQ(cursor.find(2, 2), nullptr);
  EXPECT_EQ(cursor.find(0, 0), &nodes[0]);  // the chain around the gap holds
  EXPECT_EQ(table.count(), 15);

  // The walk sees every node once, bucket by bucket, each chain newest first.
  std::vector<Node*> seen;
  for (Node* n = cursor.begin(); n; n = cursor.next()) seen.push_back(n);
  const std::vector<Node*> expected = {&nodes[8],  &nodes[2],  &nodes[0],  &nodes[11],
                                       &nodes[9],  &nodes[3],  &nodes[1],  &nodes[14],
                                       &nodes[12], &nodes[6],  &nodes[4],  &nodes[15],
                                       &nodes[13], &nodes[7],  &nodes[5]};
  EXPECT_EQ(seen, expected);

  // erase_next removes as it walks; every other node goes.
  int kept = 0;
  for (Node* n = cursor.begin(); n;) {
    if ((n->x + n->y) % 2 == 0) {
      n = cursor.erase_next();
    } else {
      ++kept;
      n = cursor.next();
    }
  }
  EXPECT_EQ(kept, 8);
  EXPECT_EQ(table.count(), 8);
  for (Node* n = cursor.begin(); n; n = cursor.erase_next()) {
  }
  EXPECT_EQ(table.count(), 0);
}

TEST(NodeHashTable, CopiesShareChainsButNotBuckets) {
  NodeHashTable table;
  table.resize(4);
  Node a = at(1, 2), b = at(2, 1);
  table.insert(&a);
  NodeHashTable copy(table);
  EXPECT_EQ(copy.bits, 4);
  EXPECT_NE(copy.buckets, table.buckets);
  NodeHashCursor cursor;
  cursor.init(copy);
  EXPECT_EQ(cursor.find(1, 2), &a);
  copy.insert(&b);
  EXPECT_EQ(table.count(), 1);  // the source's own bucket array is untouched

  NodeHashTable other;
  other = table;
  other = other;  // assigning a table to itself keeps it
  EXPECT_EQ(other.bits, 4);
  EXPECT_EQ(other.count(), 1);
}

void fill(FixedDeque<int>& d, uint32_t capacity, std::initializer_list<int> values) {
  ASSERT_TRUE(d.rebuild(capacity));
  for (int v : values) ASSERT_TRUE(d.insert_at(d.size(), v));
}

std::vector<int> contents(const FixedDeque<int>& d) {
  std::vector<int> v;
  for (uint32_t i = 0; i < d.size(); ++i) v.push_back(d[i]);
  return v;
}

TEST(FixedDeque, FullRefusesEveryInsertUntilAnErase) {
  FixedDeque<int> d;
  fill(d, 4, {1, 2, 3, 4});
  EXPECT_TRUE(d.full());
  EXPECT_EQ(d.head, d.tail);
  for (uint32_t i = 0; i <= 4; ++i) EXPECT_FALSE(d.insert_at(i, 9)) << i;
  ASSERT_TRUE(d.erase_at(2));
  EXPECT_TRUE(d.insert_at(1, 9));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 9, 2, 4}));
}

TEST(FixedDeque, WrappedContentsEraseInOrder) {
  FixedDeque<int> d;
  d.rebuild(4);
  d.head = d.tail = 2;
  for (int v : {1, 2, 3}) d.insert_at(d.size(), v);  // places 2, 3, 0
  ASSERT_EQ(d.tail, 1u);
  EXPECT_EQ(d.buffer[0], 3);
  ASSERT_TRUE(d.erase_at(1));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 3}));
  ASSERT_TRUE(d.erase_at(1));
  EXPECT_EQ(contents(d), (std::vector<int>{1}));
  EXPECT_FALSE(d.erase_at(1));
  ASSERT_TRUE(d.erase_at(0));
  EXPECT_TRUE(d.empty);
  EXPECT_FALSE(d.erase_at(0));
}

TEST(FixedDeque, InsertAtTheHeadWrapsBackward) {
  FixedDeque<int> d;
  fill(d, 5, {1, 2});
  ASSERT_EQ(d.head, 0u);
  ASSERT_TRUE(d.insert_at(0, 7));
  EXPECT_EQ(d.head, 4u);
  EXPECT_EQ(d.buffer[4], 7);
  EXPECT_EQ(contents(d), (std::vector<int>{7, 1, 2}));
}

// An index past the last element fails, also where it would wrap onto the
// tail's or the head's place.
TEST(FixedDeque, IndexBeyondTheElementsFails) {
  FixedDeque<int> d;
  fill(d, 4, {1, 2});
  EXPECT_FALSE(d.insert_at(3, 9));
  EXPECT_FALSE(d.insert_at(4, 9));
  EXPECT_FALSE(d.insert_at(6, 9));
  EXPECT_FALSE(d.erase_at(2));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2}));

  FixedDeque<int> none;  // no arrays at all
  EXPECT_FALSE(none.insert_at(0, 1));
  EXPECT_EQ(none.take_last(), 0);
}

// Random inserts, erases and takes against std::deque, with capacities
// small enough to wrap and fill often.
TEST(FixedDeque, MatchesAModelUnderRandomUse) {
  std::mt19937 rng(7);
  for (uint32_t capacity = 1; capacity <= 6; ++capacity) {
    FixedDeque<int> d;
    d.rebuild(capacity);
    std::deque<int> model;
    for (int step = 0; step < 3000; ++step) {
      const uint32_t n = uint32_t(model.size());
      const uint32_t index = rng() % (n + 2);
      switch (rng() % 3) {
        case 0: {
          const bool ok = n < capacity && index <= n;
          ASSERT_EQ(d.insert_at(index, step), ok);
          if (ok) model.insert(model.begin() + index, step);
          break;
        }
        case 1: {
          const bool ok = index < n;
          ASSERT_EQ(d.erase_at(index), ok);
          if (ok) model.erase(model.begin() + index);
          break;
        }
        default:
          if (n > 0) {
            ASSERT_EQ(d.take_last(), model.back());
            model.pop_back();
          }
      }
      ASSERT_EQ(d.size(), model.size());
      ASSERT_EQ(d.full(), model.size() == capacity);
      ASSERT_EQ(contents(d), std::vector<int>(model.begin(), model.end()));
    }
  }
}

}  // namespace
