// The search node and the parameter record of the grid path planner.
#pragma once

#include <cstdint>

// One cell reached by a search. The planner's pool hands these out; the
// closed set chains them through `next`.
struct Node {
  Node* parent;  // the cell this one was reached from; null for the start
  int32_t x;
  int32_t y;
  float f;  // the ordering key of the open list
  float g;  // cost from the start
  Node* next;
};

// What a caller asks of one search. Sizes of 0 mean "width x height".
struct PathSearchParams {
  int32_t start_x;
  int32_t start_y;
  int32_t goal_x;
  int32_t goal_y;
  uint8_t diagonal_cost;   // not 0: a diagonal step costs 1.4142137 x the cell
  uint8_t diagonal_moves;  // not 0: 8 neighbours, else the 4 edge neighbours
  int32_t pool_size;       // nodes in the pool
  int32_t open_capacity;   // nodes the open list can hold
  int32_t hash_bits;       // bucket bits of the closed set
  float weight;            // heuristic weight, 0 (cost only) to 1 (heuristic only)
  int32_t width;
  int32_t height;
  const double* grid;  // width x height cell values, cell (x, y) at x + y * width
};
