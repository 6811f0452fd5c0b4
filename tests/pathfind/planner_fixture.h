// Running either grid planner on a small grid and collecting what it found.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "pathfind/astar_planner.h"
#include "pathfind/list_astar_planner.h"
#include "pathfind/path_commands.h"

namespace qvl_test {

struct Grid {
  int width = 0;
  int height = 0;
  std::vector<double> values;

  Grid(int w, int h, double fill = 1.0) : width(w), height(h), values(size_t(w) * h, fill) {}
  double& operator()(int x, int y) { return values[size_t(x) + size_t(y) * width]; }
};

// The commands' request; tests change what they need of it.
inline PathSearchParams params_for(const Grid& grid, int sx, int sy, int gx, int gy,
                                   float weight = 0.5f) {
  return qvl_path_request(grid.values.data(), grid.width, grid.height, weight, sx, sy, gx, gy);
}

struct SearchResult {
  bool set_up = false;
  std::vector<std::pair<int, int>> path;  // start to goal
  float cost = -1;
  int32_t path_nodes = 0;
  int32_t open = 0;
  int32_t closed = 0;
  int32_t used = 0;       // pool nodes in use after the search
  int32_t searches = 0;
  int32_t used_after_finish = 0;

  bool operator==(const SearchResult&) const = default;
};

inline std::vector<std::pair<int, int>> path_of(const Planner& planner) {
  std::vector<std::pair<int, int>> path;
  for (const Node* n = planner.goal_node; n; n = n->parent) path.insert(path.begin(), {n->x, n->y});
  return path;
}

// setup, start, search, read, finish.
inline SearchResult run_search(Planner& planner, const PathSearchParams& p) {
  SearchResult r;
  r.set_up = planner.setup(p);
  if (!r.set_up) return r;
  planner.start();
  planner.search();
  r.path = path_of(planner);
  r.cost = planner.path_cost();
  r.path_nodes = planner.path_node_count();
  r.open = planner.open_count();
  r.closed = planner.closed_count();
  r.used = planner.pool.used;
  r.searches = planner.search_count;
  planner.finish();
  r.used_after_finish = planner.pool.used;
  return r;
}

template <class P>
SearchResult run_search(const PathSearchParams& p) {
  P planner;
  return run_search(planner, p);
}

}  // namespace qvl_test
