// libFuzzer target for the grid planners: any grid and any request (sizes,
// weights, list sizes, values that are no numbers) must be searched without
// a fault, the fast planner must find exactly what the list planner finds,
// and every node must go back to the pool.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pathfind/astar_planner.h"
#include "pathfind/list_astar_planner.h"

namespace {

struct Outcome {
  bool set_up = false;
  std::vector<int32_t> path;  // x, y pairs from the goal back
  uint32_t cost_bits = 0;
  int32_t open = 0, closed = 0, used = 0, searches = 0;
  bool operator==(const Outcome&) const = default;
};

Outcome run(Planner& planner, const PathSearchParams& p) {
  Outcome o;
  o.set_up = planner.setup(p);
  if (!o.set_up) return o;
  planner.start();
  planner.search();
  for (const Node* n = planner.goal_node; n; n = n->parent) {
    o.path.push_back(n->x);
    o.path.push_back(n->y);
  }
  o.cost_bits = std::bit_cast<uint32_t>(planner.path_cost());
  o.open = planner.open_count();
  o.closed = planner.closed_count();
  o.used = planner.pool.used;
  o.searches = planner.search_count;
  planner.finish();
  if (planner.pool.used != 0) std::abort();
  return o;
}

double cell_value(uint8_t b) {
  switch (b) {
    case 0: return 0;
    case 1: return -1;
    case 2: return std::nan("");
    case 3: return 1e300;
    case 4: return 1e-50;
    default: return b / 16.0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 11) return 0;
  PathSearchParams p{};
  p.width = 1 + data[0] % 32;
  p.height = 1 + data[1] % 32;
  p.start_x = int8_t(data[2]) % (p.width + 1);  // one past the edges, and below 0
  p.start_y = int8_t(data[3]) % (p.height + 1);
  p.goal_x = int8_t(data[4]) % (p.width + 1);
  p.goal_y = int8_t(data[5]) % (p.height + 1);
  p.diagonal_moves = data[6] & 1;
  p.diagonal_cost = data[6] & 2;
  p.weight = data[7] == 255 ? NAN : (int(data[7]) - 32) / 128.0f;
  p.pool_size = data[8] < 200 ? data[8] : 0;
  p.open_capacity = data[9] < 200 ? data[9] : 0;
  p.hash_bits = data[10] % 12;

  std::vector<double> grid(size_t(p.width) * p.height, 1.0);
  for (size_t i = 11; i < size && i - 11 < grid.size(); ++i) grid[i - 11] = cell_value(data[i]);
  p.grid = grid.data();

  AStarPlanner fast;
  ListAStarPlanner list;
  if (!(run(fast, p) == run(list, p))) std::abort();
  return 0;
}
