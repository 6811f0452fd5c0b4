// ListAStarPlanner: the grid planner over a sorted open list and a hashed
// closed set.
//
// The open list is a ring buffer kept sorted by f, largest at the head;
// the search takes the tail, and a new node goes before the nodes of equal
// f, so among equal keys the oldest is expanded first. Finding a cell that
// is not closed scans the open list, and every insertion inside the list
// copies it, so this planner is slow on large grids. It is kept as the
// plain statement of the search: AStarPlanner must match it node for node.
#pragma once

#include <cstdint>

#include "pathfind/fixed_deque.h"
#include "pathfind/node_hash_table.h"
#include "pathfind/planner.h"

class ListAStarPlanner final : public Planner {
 public:
  FixedDeque<Node*> open;
  NodeHashTable closed;

  ListAStarPlanner() = default;
  ~ListAStarPlanner() override;

  void start() override;
  bool search() override;
  int32_t open_count() const override { return int32_t(open.size()); }
  int32_t closed_count() const override { return closed.count(); }

 private:
  bool build_lists(const PathSearchParams& p, int32_t open_capacity) override;
  int32_t drop_lists() override;
  // Inserts the node before the first one, counted from the head, whose f
  // is not greater. The caller checks that the list is not full.
  void insert_sorted(Node* node);
};
