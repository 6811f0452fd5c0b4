// Planner: the grid path planner's common part.
//
// A planner is set up from a caller's cost grid, started, searched to the
// end in one call, read (goal_node back along parent) and finished. Setup
// prepares the costs, the node pool and the lists; the search allocates
// nothing. The open list and the closed set belong to the derived
// planners: AStarPlanner (per-cell state and a heap, the one the
// commands use) and ListAStarPlanner (a sorted ring buffer and a hashed
// closed set); both expand the same nodes in the same order, because
// both step through neighbours here and order the open list by (f, order
// of insertion).
#pragma once

#include <cstdint>
#include <cstdlib>

#include "pathfind/node_factory.h"
#include "pathfind/path_node.h"

class Planner {
 public:
  // A blocked cell's prepared cost.
  static constexpr float kBlocked = -1.0f;
  // The cost factor of a diagonal step: one step above the float nearest
  // to the square root of 2, so that diagonal costs stay what programs
  // already got from the planner.
  static constexpr float kDiagonalFactor = 1.4142137f;
  static constexpr int32_t kMaxCells = INT32_MAX;

  uint8_t idle = 1;  // 1 while no search is under way
  NodeFactory pool;
  PathSearchParams params{};  // as taken by the last setup
  float* costs = nullptr;     // width x height prepared costs
  int32_t search_count = 0;
  int32_t reserved = 0;
  Node* goal_node = nullptr;  // set when the search reached the goal

  Planner() = default;
  virtual ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // Checks and prepares a search. False, with nothing changed, for a start
  // or goal outside the grid, start equal to goal, a missing grid or
  // sizes that are negative or too large; false also for a grid without
  // any positive cell and when memory cannot be had (the planner then
  // holds no usable setup).
  bool setup(const PathSearchParams& p);

  // A fresh search: the nodes of an earlier one go back to the pool, the
  // start node is opened.
  virtual void start();
  // Runs the search to its end; goal_node tells whether the goal was
  // reached. Always true.
  virtual bool search() = 0;
  // Gives every node back to the pool and empties the lists.
  virtual void finish();

  // Frees the prepared costs and forgets the setup.
  void release_costs();
  // The goal node's cost, -1 without one.
  float path_cost() const { return goal_node ? goal_node->g : -1.0f; }
  // Cells from the start to the goal, both included; 0 without a goal.
  int32_t path_node_count() const;
  virtual int32_t open_count() const = 0;
  virtual int32_t closed_count() const = 0;

 protected:
  // The lists for a new setup of p's grid, with `pool` already reserved:
  // open for open_capacity nodes, the closed set for p.hash_bits (at
  // least 0). False when memory cannot be had.
  virtual bool build_lists(const PathSearchParams& p, int32_t open_capacity) = 0;
  // Empties both lists and returns how many nodes they held. Called while
  // the pool still holds those nodes.
  virtual int32_t drop_lists() = 0;
  // The first node of a search; null when the setup failed or the pool
  // has no node.
  Node* take_start_node();

  // A step to a neighbour. The search visits them in this order, the
  // diagonal ones only with diagonal moves.
  struct Step {
    int8_t dx, dy;
    bool diagonal;
  };
  static constexpr Step kSteps[8] = {{-1, -1, true}, {0, -1, false}, {1, -1, true},
                                     {1, 0, false},  {-1, 0, false}, {-1, 1, true},
                                     {0, 1, false},  {1, 1, true}};

  // Calls visit(x, y, cell, step, g, f) for every passable neighbour of
  // the node at (x, y) with cost g, step being its index in kSteps and g
  // and f the cost and key its node would get through this one. Stops, and
  // returns false, when visit returns false.
  template <class Visit>
  bool visit_neighbours(int32_t x, int32_t y, float g, Visit&& visit) const;

  // The ordering key of a node at (x, y) with cost g.
  float key(float g, int32_t x, int32_t y) const {
    const float h = float(std::abs(params.goal_x - x) + std::abs(params.goal_y - y));
    return g + params.weight * (h - g);
  }

  bool ready_ = false;  // the last setup succeeded

 private:
  static bool sizes_ok(const PathSearchParams& p);
  bool prepare_costs(const PathSearchParams& p);
};

template <class Visit>
bool Planner::visit_neighbours(int32_t x, int32_t y, float g, Visit&& visit) const {
  static constexpr uint8_t kEdgeSteps[4] = {1, 3, 4, 6};
  static constexpr uint8_t kAllSteps[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  const uint8_t* order = params.diagonal_moves ? kAllSteps : kEdgeSteps;
  const int count = params.diagonal_moves ? 8 : 4;
  const float s = params.diagonal_cost ? kDiagonalFactor : 1.0f;
  const int32_t width = params.width;
  const int32_t height = params.height;
  for (int k = 0; k < count; ++k) {
    const Step step = kSteps[order[k]];
    const int32_t nx = x + step.dx;
    const int32_t ny = y + step.dy;
    if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
    const int32_t cell = nx + ny * width;
    const float c = costs[cell];
    if (c < 0) continue;
    const float ng = step.diagonal ? g + s * c : g + c;
    if (!visit(nx, ny, cell, order[k], ng, key(ng, nx, ny))) return false;
  }
  return true;
}
