// AStarPlanner: the grid planner the path-finding commands use.
//
// Each cell keeps its own search state in a few bytes (cost, the step it
// was reached by, place in the open heap), so finding a neighbour's node,
// reopening a closed one or lowering an open one's key costs constant or
// logarithmic time on any grid size. It expands exactly the nodes
// ListAStarPlanner expands, in the same order, with the same costs.
//
// Nodes are counted out of the pool as the search opens cells, so a pool
// that runs out ends the search where the list planner's would; but only
// the path's nodes are written, when the goal is reached. A large search
// so touches 9 bytes per cell instead of a 32-byte record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pathfind/open_heap.h"
#include "pathfind/planner.h"

class AStarPlanner final : public Planner {
 public:
  AStarPlanner() = default;
  ~AStarPlanner() override;

  void start() override;
  bool search() override;
  int32_t open_count() const override { return int32_t(open.size); }
  int32_t closed_count() const override { return closed_total; }

 private:
  static constexpr uint8_t kNoStep = 0xFF;  // the start cell's came_from

  bool build_lists(const PathSearchParams& p, int32_t open_capacity) override;
  int32_t drop_lists() override;
  void release_cells();
  // Writes the path ending at `cell` into the pool; returns its last node.
  Node* write_path(int32_t cell);
  int32_t parent_of(int32_t cell) const {
    const Step step = kSteps[came_from[cell]];
    return cell - step.dx - step.dy * params.width;
  }

  OpenHeap open;
  // Per cell, minus the cost of its node: what every neighbour test reads,
  // kept apart and small. The bits of +0 mark a cell without a node; the
  // start's cost 0 is held as -0.
  float* minus_g = nullptr;
  uint8_t* came_from = nullptr;  // per cell with a node: the step from its parent
  int32_t* place = nullptr;      // per cell with a node: its place in `open`
  size_t cell_count = 0;
  bool cells_dirty = false;  // a search has written to the cells since they were cleared
  int32_t closed_total = 0;
};
