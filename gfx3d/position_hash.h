// An open-addressing map from three 64-bit integers (a position quantised
// to a grid, or any other key) to a non-negative index. The mesh builds use
// it to find equal or nearby positions in time linear in the vertex count,
// where a search through all earlier vertices would be quadratic.
#pragma once

#include <cstddef>
#include <cstdint>

struct GridKey {
  int64_t x, y, z;
  bool operator==(const GridKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

// The grid cell of a coordinate: round (or floor) of v * scale, saturated to
// the int64 range; NaN gets a cell of its own kind.
int64_t qvl_grid_round(double v, double scale);
int64_t qvl_grid_floor(double v, double scale);

class PositionHash {
 public:
  PositionHash() = default;
  ~PositionHash();
  PositionHash(const PositionHash&) = delete;
  PositionHash& operator=(const PositionHash&) = delete;

  // Forgets every key, with room for about `expected` of them. The table
  // doubles as more keys come, so the guess may be low. False when memory
  // ran out.
  bool reset(int64_t expected);
  // The index stored for key, or -1.
  int32_t find(const GridKey& key) const;
  // The index stored for key; when there is none, stores index and returns
  // -1. When the table cannot grow, the key is not stored and failed()
  // turns true.
  int32_t find_or_insert(const GridKey& key, int32_t index);
  bool failed() const { return failed_; }

 private:
  struct Slot {
    GridKey key;
    int32_t index;  // -1 = empty
  };
  size_t slot_of(const GridKey& key) const;
  bool grow();

  Slot* slots_ = nullptr;
  size_t mask_ = 0;
  size_t used_ = 0;
  bool failed_ = false;
};
