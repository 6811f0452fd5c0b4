// The fast search: per-cell state and a heap ordered like the sorted open
// list.
#include "pathfind/astar_planner.h"

#include <bit>
#include <cstdlib>
#include <cstring>

namespace {

bool has_node(float minus_g) { return std::bit_cast<uint32_t>(minus_g) != 0; }

}  // namespace

AStarPlanner::~AStarPlanner() {
  finish();
  release_cells();
}

void AStarPlanner::release_cells() {
  std::free(minus_g);
  std::free(came_from);
  std::free(place);
  minus_g = nullptr;
  came_from = nullptr;
  place = nullptr;
  cell_count = 0;
  cells_dirty = false;
}

bool AStarPlanner::build_lists(const PathSearchParams& p, int32_t open_capacity) {
  release_cells();
  const size_t cells = size_t(p.width) * size_t(p.height);
  // Only minus_g needs clearing: the other two are read only for cells
  // that have a node.
  minus_g = static_cast<float*>(std::calloc(cells, sizeof(float)));
  came_from = static_cast<uint8_t*>(std::malloc(cells));
  place = static_cast<int32_t*>(std::malloc(cells * sizeof(int32_t)));
  if (!minus_g || !came_from || !place) {
    release_cells();
    return false;
  }
  cell_count = cells;
  return open.rebuild(uint32_t(open_capacity), place);
}

int32_t AStarPlanner::drop_lists() {
  const int32_t held = int32_t(open.size) + closed_total;
  open.clear();
  closed_total = 0;
  return held;
}

void AStarPlanner::start() {
  Planner::start();
  Node* n = take_start_node();
  if (!n) return;
  // An earlier search's costs are cleared only now, when they are needed
  // again, not when that search finishes.
  if (cells_dirty) std::memset(minus_g, 0, cell_count * sizeof(float));
  cells_dirty = true;
  const uint32_t cell = uint32_t(n->x + n->y * params.width);
  minus_g[cell] = -n->g;
  came_from[cell] = kNoStep;
  open.push(cell, n->y, n->f);
}

// Which pool node holds which cell is nobody's concern: the path takes the
// first nodes of the pool, start first, all of them counted out already.
Node* AStarPlanner::write_path(int32_t cell) {
  // Every cell of the path holds a counted node, so the path never has
  // more cells than the pool has handed out.
  int32_t length = 1;
  for (int32_t c = cell; came_from[c] != kNoStep && length < pool.used; c = parent_of(c))
    ++length;
  Node* const nodes = pool.nodes;
  const int32_t width = params.width;
  int32_t c = cell;
  for (int32_t i = length - 1; i >= 0; --i) {
    const int32_t x = c % width;
    const int32_t y = c / width;
    const float g = -minus_g[c];
    // A node's key was computed from its cost when both were last set; the
    // start's stays 0, as nothing is ever cheaper than it.
    nodes[i] = Node{i > 0 ? &nodes[i - 1] : nullptr, x, y, i > 0 ? key(g, x, y) : 0.0f, g,
                    nullptr};
    if (i > 0) c = parent_of(c);
  }
  return &nodes[length - 1];
}

bool AStarPlanner::search() {
  ++search_count;
  const int32_t width = params.width;
  const int32_t goal = params.goal_x + params.goal_y * width;
  while (!open.empty()) {
    const OpenHeap::Entry top = open.pop();
    const int32_t cell = int32_t(top.cell);
    if (cell == goal) {
      place[cell] = OpenHeap::kClosed;
      ++closed_total;
      goal_node = write_path(cell);
      break;
    }
    // A full open list or an empty pool ends the search without a path;
    // the cell in hand is closed so that finish gives every node back.
    const bool complete = visit_neighbours(
        cell - top.y * width, top.y, -minus_g[cell],
        [&](int32_t, int32_t y, int32_t next, int step, float g, float f) {
          const float held = minus_g[next];
          if (has_node(held)) {
            if (!(-g > held)) return true;  // not cheaper than the node's cost
            if (place[next] == OpenHeap::kClosed) {
              if (open.full()) return false;
              --closed_total;
              open.push(uint32_t(next), y, f);
            } else {
              open.update(uint32_t(next), y, f);
            }
          } else {
            if (open.full() || !pool.take()) return false;
            open.push(uint32_t(next), y, f);
          }
          minus_g[next] = -g;
          came_from[next] = uint8_t(step);
          return true;
        });
    place[cell] = OpenHeap::kClosed;
    ++closed_total;
    if (!complete) break;
  }
  idle = 1;
  return true;
}
