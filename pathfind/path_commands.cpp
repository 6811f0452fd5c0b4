// The path-finding commands: one planner per call, built, searched and
// destroyed here.
#include "pathfind/path_commands.h"

#include "pathfind/astar_planner.h"

namespace {

// The weight as the planner takes it: 0 to 1, anything that is not a
// number counting as 1.
float command_weight(double weight) {
  if (weight < 0) return 0;
  if (!(weight < 1)) return 1;
  return float(weight);
}

// Width and height of a grid array whose block holds them all; 0 x 0 for
// an empty array or one whose sizes claim more than its block holds.
template <class T>
void grid_sizes(const BasicArray<T>& grid, int& width, int& height) {
  width = grid.size1;
  height = grid.size2;
  if (!grid.data || width <= 0 || height <= 0 ||
      int64_t(width) * height > int64_t(grid.capacity)) {
    width = height = 0;
  }
}

}  // namespace

PathSearchParams qvl_path_request(const double* grid, int width, int height, float weight,
                                  int start_x, int start_y, int goal_x, int goal_y) {
  PathSearchParams p{};
  p.start_x = start_x;
  p.start_y = start_y;
  p.goal_x = goal_x;
  p.goal_y = goal_y;
  p.diagonal_cost = 1;  // never applies: no diagonal moves
  p.diagonal_moves = 0;
  p.hash_bits = 8;
  p.weight = weight;
  p.width = width;
  p.height = height;
  p.grid = grid;
  return p;
}

int qvl_path_find(BasicArray<double>& grid, BasicArray<int>& output, double weight,
                  int start_x, int start_y, int goal_x, int goal_y) {
  int width = 0;
  int height = 0;
  grid_sizes(grid, width, height);
  const PathSearchParams p = qvl_path_request(grid.data, width, height, command_weight(weight),
                                              start_x, start_y, goal_x, goal_y);

  AStarPlanner planner;
  if (!planner.setup(p)) return 0;
  planner.start();
  planner.search();
  const int n = planner.path_node_count();
  if (n == 0) {
    output.dim(0, 0, 0, 0);
    return 0;
  }
  output.dim(n, 2, 0, 0);
  if (output.size1 != n) return 0;  // no block for the path (the program is ending)
  int i = n;
  for (const Node* node = planner.goal_node; node && i > 0; node = node->parent) {
    --i;
    output.at2(i, 0) = node->x;
    output.at2(i, 1) = node->y;
  }
  planner.finish();
  return n;
}

int qvl_path_find_float(BasicArray<double>& grid, BasicArray<double>& output,
                        double weight, int start_x, int start_y, int goal_x, int goal_y) {
  BasicArray<int> path;
  const int result = qvl_path_find(grid, path, weight, start_x, start_y, goal_x, goal_y);
  const int n = path.size1;
  output.dim(n, n > 0 ? 2 : 0, 0, 0);
  for (int i = 0; i < n && i < output.size1; ++i) {
    output.at2(i, 0) = path.at2(i, 0);
    output.at2(i, 1) = path.at2(i, 1);
  }
  return result;
}

int qvl_path_find_int_grid(BasicArray<int>& grid, BasicArray<int>& output, double weight,
                           int start_x, int start_y, int goal_x, int goal_y) {
  int width = 0;
  int height = 0;
  grid_sizes(grid, width, height);
  // An array that is no grid stays an empty one, which the search refuses.
  BasicArray<double> numbers;
  if (width > 0) {
    numbers.dim(width, height, 0, 0);
    if (numbers.size1 == width)
      for (int64_t i = 0; i < int64_t(width) * height; ++i) numbers.data[i] = grid.data[i];
  }
  return qvl_path_find(numbers, output, weight, start_x, start_y, goal_x, goal_y);
}
