// The language's path-finding command in its three argument forms.
//
// The grid is indexed grid(x, y): its first size is the width, its second
// the height; cells of 0 and below are blocked. The result is the number of
// cells of the path, start and goal included, and the output receives them
// as rows (x, y) from start to goal. The search is 4-connected; the weight
// (0 to 1) trades cost for heuristic, 0.5 being plain A*.
#pragma once

#include "core/basic_array.h"
#include "pathfind/path_node.h"

// The request the commands make of the planner: 4-connected, pool and open
// list of one node per cell, 256 buckets, the weight as given.
PathSearchParams qvl_path_request(const double* grid, int width, int height, float weight,
                                  int start_x, int start_y, int goal_x, int goal_y);

// No path: 0, and the output is left as it was when the arguments were
// refused (start or goal outside, start equal to goal, nothing passable),
// else emptied.
int qvl_path_find(BasicArray<double>& grid, BasicArray<int>& output, double weight,
                  int start_x, int start_y, int goal_x, int goal_y);
// As qvl_path_find with number output, which is always re-dimensioned.
int qvl_path_find_float(BasicArray<double>& grid, BasicArray<double>& output,
                        double weight, int start_x, int start_y, int goal_x, int goal_y);
// As qvl_path_find on an integer grid.
int qvl_path_find_int_grid(BasicArray<int>& grid, BasicArray<int>& output, double weight,
                           int start_x, int start_y, int goal_x, int goal_y);
