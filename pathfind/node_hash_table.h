// NodeHashTable: the closed set of the list planner, a spatial hash of node
// chains keyed by cell.
//
// A cell's bucket is the low bits/2 bits of x and of y side by side, so a
// table of 2^bits buckets tiles the grid in squares of 2^(bits/2) cells and
// neighbouring cells fall into different buckets. The table only links the
// nodes through their `next` field; the pool owns them.
//
// NodeHashCursor is a position in a table: it finds a cell's node and can
// take it out of its chain, and walks every node bucket by bucket.
#pragma once

#include <cstdint>

#include "pathfind/node_factory.h"
#include "pathfind/path_node.h"

class NodeHashTable {
 public:
  Node** buckets;  // 2^bits chain heads; null only when no block could be had
  int32_t bits;    // even, 0 to 24

  static constexpr int32_t kMaxBits = 24;

  // bits 0: one empty bucket.
  NodeHashTable();
  // Takes over the other's bits and a copy of its bucket array; the chains
  // and their nodes stay shared with it.
  NodeHashTable(const NodeHashTable& other);
  virtual ~NodeHashTable();

  NodeHashTable& operator=(const NodeHashTable& other) { return assign(other); }
  NodeHashTable& assign(const NodeHashTable& other);
  // As assign, also for the table itself. False (and the table unchanged)
  // when the bucket array cannot be had.
  bool copy_from(const NodeHashTable& other);

  // Replaces the buckets by 2^b empty ones; b above 24 counts as 24 and an
  // odd b as the next lower even number. Returns the bits used, or -1 (the
  // table unchanged) for a negative b or a block that cannot be had.
  int32_t resize(int32_t b);

  int32_t bucket_count() const { return int32_t(1) << bits; }

  int32_t bucket_index(int32_t x, int32_t y) const {
    const uint32_t half = uint32_t(bits) / 2;
    const uint32_t mask = (uint32_t(1) << half) - 1;
    return int32_t((uint32_t(x) & mask) | ((uint32_t(y) & mask) << half));
  }

  // Puts the node at the head of its bucket's chain. False for a null node
  // or one already in that chain.
  bool insert(Node* node);

  int32_t count() const;

  // Gives one node back to the pool for every node in the table, then
  // empties every bucket.
  void clear(NodeFactory& pool);
  void empty_buckets();

  // Frees the bucket array (the table then has none until resized).
  void release_buckets();
};

class NodeHashCursor {
 public:
  NodeHashTable* table = nullptr;
  int32_t bucket = 0;
  Node* node = nullptr;   // the current node, null when there is none
  Node** link = nullptr;  // the pointer that holds `node`

  void init(NodeHashTable& t) {
    table = &t;
    bucket = 0;
    node = nullptr;
    link = nullptr;
  }

  // The node of cell (x, y), or null; the cursor stays on it for unlink.
  Node* find(int32_t x, int32_t y);
  // Takes the current node out of its chain and returns it (null when the
  // cursor is on none). The cursor then holds no node.
  Node* unlink();

  // The first node of the lowest non-empty bucket.
  Node* begin();
  // The following node of the chain, else the first of the next non-empty
  // bucket, else null.
  Node* next();
  // Unlinks the current node and moves on as next does.
  Node* erase_next();

 private:
  Node* first_from(int32_t from_bucket);
};
