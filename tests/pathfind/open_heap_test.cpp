#include "pathfind/open_heap.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

// The heap must pop what a list sorted by (f, order of insertion) gives,
// counting an updated cell as inserted anew; also after the insertion
// count has run out and the entries were renumbered, which a low limit
// makes happen every few steps. Few distinct keys (and -0 beside +0) make
// the insertion order decide most pops.
TEST(OpenHeap, PopsBySmallestKeyThenFirstInserted) {
  for (uint32_t limit : {UINT32_MAX, 40u, 7u}) {
    std::mt19937 rng(limit);
    const float keys[] = {0.0f, -0.0f, 0.5f, 1.0f, 2.0f};
    const int cells = 24;
    std::vector<int32_t> place(cells, OpenHeap::kClosed);
    OpenHeap heap;
    ASSERT_TRUE(heap.rebuild(cells, place.data()));
    heap.order_limit = limit;

    std::map<std::pair<float, uint64_t>, uint32_t> model;  // (f, order) -> cell
    std::vector<std::pair<float, uint64_t>> model_key(cells);
    uint64_t order = 0;
    for (int step = 0; step < 4000; ++step) {
      const uint32_t cell = rng() % cells;
      const float f = keys[rng() % 5];
      if (rng() % 3 == 0 && !heap.empty()) {
        const OpenHeap::Entry top = heap.pop();
        ASSERT_EQ(top.cell, model.begin()->second) << limit << " step " << step;
        ASSERT_EQ(top.y, int32_t(top.cell) * 3);
        EXPECT_EQ(place[top.cell], OpenHeap::kTaken);
        model.erase(model.begin());
        place[top.cell] = OpenHeap::kClosed;
      } else if (place[cell] >= 0) {
        heap.update(cell, int32_t(cell) * 3, f);
        model.erase(model_key[cell]);
        model_key[cell] = {f + 0.0f, order++};
        model[model_key[cell]] = cell;
      } else if (!heap.full()) {
        heap.push(cell, int32_t(cell) * 3, f);
        model_key[cell] = {f + 0.0f, order++};
        model[model_key[cell]] = cell;
      }
      ASSERT_EQ(heap.size, model.size());
      for (uint32_t i = 0; i < heap.size; ++i) ASSERT_EQ(place[heap.entries[i].cell], int32_t(i));
    }
  }
}

}  // namespace
