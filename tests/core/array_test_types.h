// Element types shared by the array tests.
#pragma once

#include "core/basic_array.h"

namespace array_test {

// A small record in the shape of the game's TYPE records: a virtual anchor,
// a signed first field (the sort key) and a tag that tells equal keys apart.
class Rec {
 public:
  Rec() = default;
  Rec(int k, int t) : key(k), tag(t) {}
  virtual ~Rec() = default;
  Rec(const Rec&) = default;
  Rec& operator=(const Rec&) = default;
  virtual void type_anchor() {}

  int key = 0;
  int tag = -1;
};

inline int qvl_array_first_field(const Rec& r) { return r.key; }

// A record whose growth step is declared, as the game's records do.
struct Wave {
  int spawn_count = 0;
};

// An element that counts how it is made: every default construction, copy
// and move of any Counted. Growth must move elements, a bounded number of
// times each, and copy only what the program hands in.
struct Counted {
  static inline long built = 0, copies = 0, moves = 0;
  static void reset() { built = copies = moves = 0; }

  int value = 0;
  Counted() { ++built; }
  explicit Counted(int v) : value(v) { ++built; }
  Counted(const Counted& o) : value(o.value) { ++copies; }
  Counted(Counted&& o) noexcept : value(o.value) { ++moves; }
  Counted& operator=(const Counted& o) {
    value = o.value;
    ++copies;
    return *this;
  }
  Counted& operator=(Counted&& o) noexcept {
    value = o.value;
    ++moves;
    return *this;
  }
};

// Resets the error state around a test that lets errors return.
struct EndingScope {
  EndingScope() { qvl_err_state.ending = 1; }
  ~EndingScope() {
    qvl_err_state.ending = 0;
    qvl_err_state.last_error = 0;
  }
};

}  // namespace array_test

QVL_ARRAY_STEP(array_test::Wave, 8);
