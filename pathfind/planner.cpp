// Setup, start and finish of the grid planners, and the path queries.
#include "pathfind/planner.h"

#include <algorithm>
#include <cfloat>

Planner::~Planner() { release_costs(); }

void Planner::release_costs() {
  if (!costs) return;
  ready_ = false;
  std::free(costs);
  costs = nullptr;
  params = PathSearchParams{};
  search_count = 0;
  goal_node = nullptr;
}

// Sizes come from the caller: each must be one the planner can index with
// 32-bit cell numbers, so an overflowing width x height or a negative count
// is refused before anything is allocated.
bool Planner::sizes_ok(const PathSearchParams& p) {
  if (!p.grid || p.width <= 0 || p.height <= 0) return false;
  if (int64_t(p.width) * p.height > kMaxCells) return false;
  if (p.pool_size < 0 || p.open_capacity < 0 || p.hash_bits < 0) return false;
  auto inside = [&p](int32_t x, int32_t y) {
    return x >= 0 && x < p.width && y >= 0 && y < p.height;
  };
  if (!inside(p.start_x, p.start_y) || !inside(p.goal_x, p.goal_y)) return false;
  return p.start_x != p.goal_x || p.start_y != p.goal_y;
}

namespace {

// A grid value as a single-precision cell value; 0 for a blocked cell.
// Values that are not numbers are blocked, and values beyond single
// precision count as its largest value, so every prepared cost stays a
// finite number between 1 and 2.
float cell_value(double v) {
  if (!(v > 0)) return 0;
  return v > FLT_MAX ? FLT_MAX : float(v);
}

}  // namespace

// Two reads of the grid and one write of the costs: the largest value
// first, then each cost at once.
bool Planner::prepare_costs(const PathSearchParams& p) {
  const size_t cells = size_t(p.width) * size_t(p.height);
  costs = static_cast<float*>(std::malloc(cells * sizeof(float)));
  if (!costs) return false;
  float m = 0;
  for (size_t i = 0; i < cells; ++i) m = std::max(m, cell_value(p.grid[i]));
  if (!(m > 0)) {
    std::fill(costs, costs + cells, kBlocked);
    return false;
  }
  for (size_t i = 0; i < cells; ++i) {
    const float v = cell_value(p.grid[i]);
    costs[i] = v > 0 ? v / m + 1 : kBlocked;
  }
  return true;
}

bool Planner::setup(const PathSearchParams& p) {
  if (!sizes_ok(p)) return false;
  ready_ = false;
  // Whatever an earlier search left in the lists goes back first: the pool
  // that holds those nodes is about to be replaced.
  pool.give_back(drop_lists());
  goal_node = nullptr;
  release_costs();
  if (!prepare_costs(p)) return false;

  // A cell has at most one node at any time, so neither the pool nor the
  // open list ever needs more than one entry per cell.
  const int32_t cells = p.width * p.height;
  const int32_t pool_size = p.pool_size == 0 || p.pool_size > cells ? cells : p.pool_size;
  const int32_t open_capacity =
      p.open_capacity == 0 || p.open_capacity > cells ? cells : p.open_capacity;
  if (!pool.reserve(pool_size)) return false;
  if (!build_lists(p, open_capacity)) return false;

  params = p;
  // A weight that is not a number weighs like 1, as the commands take it.
  if (params.weight < 0) params.weight = 0;
  if (!(params.weight <= 1)) params.weight = 1;
  search_count = 0;
  reserved = 0;
  idle = 1;
  ready_ = true;
  return true;
}

void Planner::start() {
  idle = 0;
  search_count = 0;
  goal_node = nullptr;
  pool.give_back(drop_lists());
}

void Planner::finish() {
  pool.give_back(drop_lists());
  goal_node = nullptr;
  idle = 1;
}

Node* Planner::take_start_node() {
  if (!ready_) return nullptr;
  Node* n = pool.take();
  if (n) *n = Node{nullptr, params.start_x, params.start_y, 0.0f, 0.0f, nullptr};
  return n;
}

int32_t Planner::path_node_count() const {
  // Parents always lead back to the start; the walk is still bounded by
  // the nodes in use.
  int32_t n = 0;
  for (const Node* node = goal_node; node && n <= pool.used; node = node->parent) ++n;
  return n;
}
