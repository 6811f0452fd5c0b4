// The search over the sorted open list and the hashed closed set.
#include "pathfind/list_astar_planner.h"

ListAStarPlanner::~ListAStarPlanner() { finish(); }

bool ListAStarPlanner::build_lists(const PathSearchParams& p, int32_t open_capacity) {
  if (!open.rebuild(uint32_t(open_capacity))) return false;
  return closed.resize(p.hash_bits) >= 0;
}

int32_t ListAStarPlanner::drop_lists() {
  const int32_t held = int32_t(open.size()) + closed.count();
  open.clear();
  closed.empty_buckets();
  return held;
}

void ListAStarPlanner::start() {
  Planner::start();
  Node* n = take_start_node();
  if (n && !open.insert_at(open.size(), n)) pool.give_back();
}

void ListAStarPlanner::insert_sorted(Node* node) {
  uint32_t low = 0;
  uint32_t high = open.size();
  while (low < high) {
    const uint32_t mid = low + (high - low) / 2;
    if (open[mid]->f <= node->f) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  open.insert_at(low, node);
}

bool ListAStarPlanner::search() {
  ++search_count;
  NodeHashCursor cursor;
  cursor.init(closed);
  while (open.size() > 0) {
    Node* n = open.take_last();
    if (n->x == params.goal_x && n->y == params.goal_y) {
      closed.insert(n);
      goal_node = n;
      break;
    }
    // A full open list or an empty pool ends the search without a path;
    // the node in hand is closed so that finish gives every node back.
    const bool complete = visit_neighbours(n->x, n->y, n->g, [&](int32_t x, int32_t y, int32_t, int,
                                                   float g, float f) {
      if (Node* m = cursor.find(x, y)) {
        if (!(g < m->g)) return true;
        if (open.full()) return false;
        cursor.unlink();
        m->parent = n;
        m->g = g;
        m->f = f;
        insert_sorted(m);
        return true;
      }
      for (uint32_t i = open.size(); i-- > 0;) {
        Node* m = open[i];
        if (m->x != x || m->y != y) continue;
        if (g < m->g) {
          open.erase_at(i);
          m->parent = n;
          m->g = g;
          m->f = f;
          insert_sorted(m);
        }
        return true;
      }
      if (open.full()) return false;
      Node* fresh = pool.take();
      if (!fresh) return false;
      *fresh = Node{n, x, y, f, g, nullptr};
      insert_sorted(fresh);
      return true;
    });
    closed.insert(n);
    if (!complete) break;
  }
  idle = 1;
  return true;
}
