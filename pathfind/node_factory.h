// NodeFactory: the planner's pool of search nodes.
//
// All nodes of a search come from one block allocated when the planner is
// set up, so the search itself never allocates. Nodes are handed out in
// block order; the planner gives them all back together when a search ends,
// so giving back only counts down.
#pragma once

#include <cstdint>

#include "pathfind/path_node.h"

class NodeFactory {
 public:
  int32_t count = 0;     // nodes in the pool
  Node* nodes = nullptr;  // the block of `count` nodes
  int32_t used = 0;      // nodes handed out: nodes[0] .. nodes[used - 1]

  NodeFactory() = default;
  virtual ~NodeFactory();
  NodeFactory(const NodeFactory&) = delete;
  NodeFactory& operator=(const NodeFactory&) = delete;

  // Replaces the pool by one of n nodes, none handed out. n <= 0 does
  // nothing and gives false; so does a block that cannot be had, which
  // leaves the pool empty.
  bool reserve(int32_t n);

  // The next free node, or null when the pool is used up.
  Node* take() {
    if (!nodes || used >= count) return nullptr;
    return &nodes[used++];
  }

  void give_back(int32_t n = 1) { used = n < used ? used - n : 0; }

  // Position of a node of this pool in its block.
  int32_t index_of(const Node* node) const { return int32_t(node - nodes); }

 private:
  void release();
};
