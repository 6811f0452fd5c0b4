// The path-finding command on random grids (30 % blocked, costs 1 to 10,
// corner to corner) against a plain A* over std::priority_queue that a user
// would write instead, and against the list planner at 256 x 256. Each run
// covers the whole call: preparing the costs, the search and the path.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <limits>
#include <queue>
#include <random>
#include <utility>
#include <vector>

#include "core/basic_array.h"
#include "pathfind/list_astar_planner.h"
#include "pathfind/path_commands.h"

namespace {

// A grid with a path between its corners (the first seed that gives one).
BasicArray<double> random_grid(int n) {
  BasicArray<double> grid;
  grid.dim(n, n, 0, 0);
  BasicArray<int> path;
  for (uint32_t seed = 1;; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> cost(1.0, 10.0);
    for (int i = 0; i < n * n; ++i) grid.data[i] = rng() % 10 < 3 ? 0.0 : cost(rng);
    grid.data[0] = grid.data[n * n - 1] = 1.0;
    if (qvl_path_find(grid, path, 0.5, 0, 0, n - 1, n - 1) > 0) return grid;
  }
}

const BasicArray<double>& grid_of_size(int n) {
  static BasicArray<double> g256 = random_grid(256);
  static BasicArray<double> g1024 = random_grid(1024);
  return n == 256 ? g256 : g1024;
}

// Plain A* with lazy deletion: the same costs (value / largest + 1) and
// the same Manhattan heuristic, 4-connected.
int priority_queue_astar(const BasicArray<double>& grid, std::vector<std::pair<int, int>>& path) {
  const int w = grid.size1, h = grid.size2, cells = w * h;
  const int goal = cells - 1, gx = w - 1, gy = h - 1;
  double largest = 0;
  for (int i = 0; i < cells; ++i) largest = std::max(largest, grid.data[i]);
  std::vector<float> g(size_t(cells), std::numeric_limits<float>::infinity());
  std::vector<int32_t> parent(size_t(cells), -1);
  std::vector<uint8_t> closed(size_t(cells), 0);
  using Item = std::pair<float, int32_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open;
  g[0] = 0;
  open.push({0.0f, 0});
  while (!open.empty()) {
    const int32_t cell = open.top().second;
    open.pop();
    if (closed[cell]) continue;
    closed[cell] = 1;
    if (cell == goal) break;
    const int x = cell % w, y = cell / w;
    const int dx[] = {0, 1, -1, 0}, dy[] = {-1, 0, 0, 1};
    for (int k = 0; k < 4; ++k) {
      const int nx = x + dx[k], ny = y + dy[k];
      if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
      const int32_t next = nx + ny * w;
      const double v = grid.data[next];
      if (v <= 0 || closed[next]) continue;
      const float ng = g[cell] + float(v / largest + 1);
      if (ng >= g[next]) continue;
      g[next] = ng;
      parent[next] = cell;
      open.push({ng + float(std::abs(gx - nx) + std::abs(gy - ny)), next});
    }
  }
  path.clear();
  if (!closed[goal]) return 0;
  for (int32_t c = goal; c >= 0; c = parent[c]) path.push_back({c % w, c / w});
  return int(path.size());
}

void BM_PathFind_Command(benchmark::State& state) {
  BasicArray<double> grid = grid_of_size(int(state.range(0)));
  BasicArray<int> path;
  for (auto _ : state) {
    const int n = qvl_path_find(grid, path, 0.5, 0, 0, grid.size1 - 1, grid.size2 - 1);
    benchmark::DoNotOptimize(n);
  }
  state.counters["cells"] = path.size1;
}
BENCHMARK(BM_PathFind_Command)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_PathFind_PriorityQueue(benchmark::State& state) {
  const BasicArray<double>& grid = grid_of_size(int(state.range(0)));
  std::vector<std::pair<int, int>> path;
  for (auto _ : state) benchmark::DoNotOptimize(priority_queue_astar(grid, path));
  state.counters["cells"] = double(path.size());
}
BENCHMARK(BM_PathFind_PriorityQueue)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

// The list planner through the same steps as the command.
void BM_PathFind_ListPlanner(benchmark::State& state) {
  const BasicArray<double>& grid = grid_of_size(int(state.range(0)));
  const PathSearchParams p = qvl_path_request(grid.data, grid.size1, grid.size2, 0.5f, 0, 0,
                                              grid.size1 - 1, grid.size2 - 1);
  int32_t cells = 0;
  for (auto _ : state) {
    ListAStarPlanner planner;
    planner.setup(p);
    planner.start();
    planner.search();
    cells = planner.path_node_count();
    planner.finish();
  }
  state.counters["cells"] = cells;
}
BENCHMARK(BM_PathFind_ListPlanner)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace
