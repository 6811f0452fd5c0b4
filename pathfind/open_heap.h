// OpenHeap: the fast planner's open list, a binary heap of cells ordered by
// (f, order of insertion).
//
// The smallest f comes first and, among equal f, the cell inserted first:
// the same order as a list kept sorted by f in which each new node goes
// before the nodes of equal f and the search takes from the other end. A
// cell whose key changes counts as inserted anew. Each cell's place in the
// heap is kept in a per-cell array, so a key changes in place in O(log n).
//
// Both parts of the order live in one 64-bit key, f's bits above a 32-bit
// insertion count: keys are never negative, so their bits order as their
// values do. When the count runs out, the entries are renumbered in the
// order they already have.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

class OpenHeap {
 public:
  static constexpr int32_t kClosed = -1;  // expanded
  static constexpr int32_t kTaken = -2;   // taken off, being expanded

  struct Entry {
    uint64_t key;
    uint32_t cell;
    int32_t y;  // the cell's row, kept here to spare a division per node
  };

  Entry* entries = nullptr;
  int32_t* place = nullptr;  // per cell: its entry, or kClosed / kTaken
  uint32_t size = 0;
  uint32_t capacity = 0;
  uint32_t next_order = 0;
  uint32_t order_limit = UINT32_MAX;  // lowered by tests to reach the renumbering

  OpenHeap() = default;
  ~OpenHeap() { release(); }
  OpenHeap(const OpenHeap&) = delete;
  OpenHeap& operator=(const OpenHeap&) = delete;

  // Room for `cap` entries, keeping places in `cell_places`; false when
  // the entries cannot be had (the heap then has none).
  bool rebuild(uint32_t cap, int32_t* cell_places) {
    release();
    entries = static_cast<Entry*>(std::malloc(size_t(cap) * sizeof(Entry)));
    if (!entries) return false;
    place = cell_places;
    capacity = cap;
    return true;
  }

  void clear() {
    size = 0;
    next_order = 0;
  }

  bool empty() const { return size == 0; }
  bool full() const { return size >= capacity; }

  // The caller checks full() first.
  void push(uint32_t cell, int32_t y, float f) {
    const uint64_t key = make_key(f);
    sift_up(size++, Entry{key, cell, y});
  }

  // Gives the open cell a new key and a new place in the insertion order.
  void update(uint32_t cell, int32_t y, float f) {
    const Entry e{make_key(f), cell, y};
    const uint32_t at = uint32_t(place[cell]);
    // The new order is the largest, so an unchanged or larger f can only
    // move the cell down.
    if (at > 0 && e.key < entries[(at - 1) / 2].key) {
      sift_up(at, e);
    } else {
      sift_down(at, e);
    }
  }

  // Takes the first entry off; the caller checks empty() first.
  Entry pop() {
    const Entry top = entries[0];
    place[top.cell] = kTaken;
    if (--size > 0) sift_down(0, entries[size]);
    return top;
  }

 private:
  uint64_t make_key(float f) {
    if (next_order >= order_limit) renumber();
    // + 0 turns a -0 into +0, the only key whose bits would misorder.
    return uint64_t(std::bit_cast<uint32_t>(f + 0.0f)) << 32 | next_order++;
  }

  // A sorted array is a heap: sort by key, then count the orders again from
  // 0 in that order, which keeps every comparison as it was.
  void renumber() {
    std::sort(entries, entries + size, [](const Entry& a, const Entry& b) { return a.key < b.key; });
    for (uint32_t i = 0; i < size; ++i) {
      entries[i].key = (entries[i].key & ~uint64_t(UINT32_MAX)) | i;
      place[entries[i].cell] = int32_t(i);
    }
    next_order = size;
  }

  // The heap's arrays are copied into locals: stores into `place` could
  // otherwise alias them and force a reload at every level.
  void sift_up(uint32_t at, const Entry& e) {
    Entry* const heap = entries;
    int32_t* const places = place;
    while (at > 0) {
      const uint32_t parent = (at - 1) / 2;
      const Entry above = heap[parent];
      if (!(e.key < above.key)) break;
      heap[at] = above;
      places[above.cell] = int32_t(at);
      at = parent;
    }
    heap[at] = e;
    places[e.cell] = int32_t(at);
  }

  void sift_down(uint32_t at, const Entry& e) {
    Entry* const heap = entries;
    int32_t* const places = place;
    const uint32_t n = size;
    for (;;) {
      uint32_t child = 2 * at + 1;
      if (child >= n) break;
      if (child + 1 < n && heap[child + 1].key < heap[child].key) ++child;
      const Entry below = heap[child];
      if (!(below.key < e.key)) break;
      heap[at] = below;
      places[below.cell] = int32_t(at);
      at = child;
    }
    heap[at] = e;
    places[e.cell] = int32_t(at);
  }

  void release() {
    std::free(entries);
    entries = nullptr;
    place = nullptr;
    size = capacity = 0;
    next_order = 0;
  }
};
