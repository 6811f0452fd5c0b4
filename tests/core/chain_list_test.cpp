#include "core/chain_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records the order in which payloads are destroyed.
std::vector<int> destroyed;
struct Tracked {
  int value = 0;
  Tracked() = default;
  Tracked(const Tracked&) = delete;
  ~Tracked() { destroyed.push_back(value); }
};

TEST(ChainList, AppendsAtTheTailAndDrainsFromTheFront) {
  destroyed.clear();
  ChainList<Tracked> list;
  list.pop_front();  // empty: nothing, the count stays 0
  EXPECT_EQ(list.count, 0);
  for (int v : {1, 2, 3}) list.push_back()->value = v;
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(list.head->prev, nullptr);
  EXPECT_EQ(list.tail->payload.value, 3);
  EXPECT_EQ(list.tail->prev->prev, list.head);
  EXPECT_EQ(list.tail->next, nullptr);

  list.pop_front();
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(list.front()->value, 2);
  EXPECT_EQ(list.head->prev, nullptr);
  list.clear();
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.tail, nullptr);
  EXPECT_EQ(destroyed, (std::vector<int>{1, 2, 3}));

  // The emptied list takes new nodes as a fresh one does.
  list.push_back()->value = 4;
  EXPECT_EQ(list.head, list.tail);
  list.clear();
}

// Erasing the head, a middle node and the tail keeps both directions linked.
TEST(ChainList, EraseUnlinksAnyNode) {
  destroyed.clear();
  ChainList<Tracked> list;
  for (int v : {1, 2, 3, 4}) list.push_back()->value = v;
  list.erase(list.head->next);  // 2
  list.erase(list.head);        // 1
  list.erase(list.tail);        // 4
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.head, list.tail);
  EXPECT_EQ(list.head->prev, nullptr);
  EXPECT_EQ(list.head->next, nullptr);
  EXPECT_EQ(list.front()->value, 3);
  list.erase(list.head);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.tail, nullptr);
  EXPECT_EQ(destroyed, (std::vector<int>{2, 1, 4, 3}));
}

// A node moves to another list as it is: nothing is freed or copied.
TEST(ChainList, NodesMoveBetweenLists) {
  destroyed.clear();
  ChainList<Tracked> from, to;
  for (int v : {1, 2, 3}) from.push_back()->value = v;
  to.push_back()->value = 9;
  ChainNode<Tracked>* moved = from.head->next;
  to.link_back(from.unlink(moved));
  EXPECT_TRUE(destroyed.empty());
  EXPECT_EQ(from.count, 2);
  EXPECT_EQ(from.head->next, from.tail);
  EXPECT_EQ(from.tail->prev, from.head);
  EXPECT_EQ(to.count, 2);
  EXPECT_EQ(to.tail, moved);
  EXPECT_EQ(moved->prev, to.head);
  EXPECT_EQ(moved->next, nullptr);
  from.clear();
  to.clear();
  EXPECT_EQ(destroyed, (std::vector<int>{1, 3, 9, 2}));
}

}  // namespace
