#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <queue>
#include <random>

#include "tests/pathfind/planner_fixture.h"

namespace {

using qvl_test::Grid;
using qvl_test::params_for;
using qvl_test::run_search;
using qvl_test::SearchResult;
using Path = std::vector<std::pair<int, int>>;

// Every behaviour holds for both planners.
template <class P>
class PlannerTest : public testing::Test {};
using Planners = testing::Types<AStarPlanner, ListAStarPlanner>;
TYPED_TEST_SUITE(PlannerTest, Planners);

// Equal costs everywhere: the path is fixed by the neighbour order and by
// expanding, among equal keys, the node opened first (right before down).
TYPED_TEST(PlannerTest, EqualCostsGiveTheFirstOpenedWay) {
  Grid grid(3, 3);
  const SearchResult r = run_search<TypeParam>(params_for(grid, 0, 0, 2, 2));
  ASSERT_TRUE(r.set_up);
  EXPECT_EQ(r.path, (Path{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}));
  EXPECT_EQ(r.path_nodes, 5);
  EXPECT_EQ(r.cost, 8.0f);  // four steps of cost 2
  EXPECT_EQ(r.closed, 9);
  EXPECT_EQ(r.open, 0);
  EXPECT_EQ(r.searches, 1);
  EXPECT_EQ(r.used, 9);
  EXPECT_EQ(r.used_after_finish, 0);
}

TYPED_TEST(PlannerTest, SetupRefusesBadRequests) {
  Grid grid(4, 3);
  Grid blocked(4, 3, 0.0);
  blocked(1, 1) = -5;
  blocked(2, 1) = std::nan("");
  blocked(3, 2) = 1e-50;  // 0 in single precision
  struct Case {
    const char* what;
    PathSearchParams p;
  };
  auto with = [&](auto change) {
    PathSearchParams p = params_for(grid, 0, 0, 3, 2);
    change(p);
    return p;
  };
  const Case cases[] = {
      {"start left of the grid", with([](auto& p) { p.start_x = -1; })},
      {"start below the grid", with([](auto& p) { p.start_y = 3; })},
      {"goal right of the grid", with([](auto& p) { p.goal_x = 4; })},
      {"goal above the grid", with([](auto& p) { p.goal_y = -1; })},
      {"start equal to goal", with([](auto& p) { p.start_x = 3, p.start_y = 2; })},
      {"nothing passable", params_for(blocked, 0, 0, 3, 2)},
      {"no grid", with([](auto& p) { p.grid = nullptr; })},
      {"no width", with([](auto& p) { p.width = 0; })},
      {"negative height", with([](auto& p) { p.height = -3; })},
      {"cells beyond 31 bits", with([](auto& p) { p.width = p.height = 46341; })},
      {"cells beyond 32 bits", with([](auto& p) { p.width = p.height = 65536; })},
      {"negative pool", with([](auto& p) { p.pool_size = -1; })},
      {"negative open list", with([](auto& p) { p.open_capacity = -8; })},
      {"negative hash bits", with([](auto& p) { p.hash_bits = -2; })},
  };
  for (const Case& c : cases) {
    TypeParam planner;
    ASSERT_TRUE(planner.setup(params_for(grid, 1, 1, 2, 2)));
    const float* costs = planner.costs;
    EXPECT_FALSE(planner.setup(c.p)) << c.what;
    // Refused before anything changed, except for the grid without a
    // passable cell, which got as far as preparing its costs.
    if (c.p.grid != blocked.values.data()) {
      EXPECT_EQ(planner.costs, costs) << c.what;
      EXPECT_EQ(planner.params.start_x, 1) << c.what;
    } else {
      planner.start();  // no usable setup is left to search
      planner.search();
      EXPECT_EQ(planner.goal_node, nullptr);
    }
  }
}

// Pool and open-list sizes above one per cell are never needed: they are
// trimmed, not allocated.
TYPED_TEST(PlannerTest, OversizedPoolAndOpenListAreTrimmedToTheGrid) {
  Grid grid(3, 3);
  PathSearchParams p = params_for(grid, 0, 0, 2, 2);
  p.pool_size = INT32_MAX;
  p.open_capacity = INT32_MAX;
  TypeParam planner;
  ASSERT_TRUE(planner.setup(p));
  EXPECT_EQ(planner.pool.count, 9);
  EXPECT_EQ(planner.params.pool_size, INT32_MAX);  // the record as given
}

TYPED_TEST(PlannerTest, WeightIsKeptBetweenZeroAndOne) {
  Grid grid(2, 2);
  struct Case { float given, kept; };
  const Case cases[] = {{-3, 0}, {7, 1}, {0.25f, 0.25f}, {1, 1}, {0, 0},
                        {std::numeric_limits<float>::quiet_NaN(), 1}};
  for (const Case& c : cases) {
    TypeParam planner;
    ASSERT_TRUE(planner.setup(params_for(grid, 0, 0, 1, 1, c.given)));
    EXPECT_EQ(planner.params.weight, c.kept) << c.given;
  }
}

TYPED_TEST(PlannerTest, PreparedCostsScaleByTheLargestValue) {
  Grid grid(7, 1);
  grid.values = {0, -1, 2, 4, std::nan(""), 1e-50, 1};
  TypeParam planner;
  ASSERT_TRUE(planner.setup(params_for(grid, 0, 0, 6, 0)));
  const std::vector<float> costs(planner.costs, planner.costs + 7);
  EXPECT_EQ(costs, (std::vector<float>{-1, -1, 1.5f, 2, -1, -1, 1.25f}));

  // A value beyond single precision counts as its largest value.
  grid.values = {1e300, 1, std::numeric_limits<double>::infinity(), 0, 0, 0, 0};
  ASSERT_TRUE(planner.setup(params_for(grid, 0, 0, 1, 0)));
  EXPECT_EQ(planner.costs[0], 2.0f);
  EXPECT_EQ(planner.costs[1], 1.0f);
  EXPECT_EQ(planner.costs[2], 2.0f);
}

TYPED_TEST(PlannerTest, EnclosedGoalEmptiesTheOpenList) {
  Grid grid(5, 5);
  grid(3, 4) = grid(4, 3) = grid(3, 3) = 0;
  for (int diagonal = 0; diagonal < 2; ++diagonal) {
    PathSearchParams p = params_for(grid, 0, 0, 4, 4);
    p.diagonal_moves = uint8_t(diagonal);
    const SearchResult r = run_search<TypeParam>(p);
    ASSERT_TRUE(r.set_up);
    EXPECT_TRUE(r.path.empty());
    EXPECT_EQ(r.cost, -1.0f);
    EXPECT_EQ(r.open, 0);
    EXPECT_EQ(r.closed, 21);  // every cell reachable from the start
    EXPECT_EQ(r.used_after_finish, 0);
  }
}

TYPED_TEST(PlannerTest, DiagonalStepPassesBetweenTwoBlockedCells) {
  Grid grid(2, 2);
  grid(1, 0) = grid(0, 1) = 0;
  PathSearchParams p = params_for(grid, 0, 0, 1, 1);
  EXPECT_TRUE(run_search<TypeParam>(p).path.empty());  // 4-connected: no way

  p.diagonal_moves = 1;
  SearchResult r = run_search<TypeParam>(p);
  EXPECT_EQ(r.path, (Path{{0, 0}, {1, 1}}));
  EXPECT_EQ(r.cost, 1.4142137f * 2);

  p.diagonal_cost = 0;  // a diagonal step then costs the cell alone
  r = run_search<TypeParam>(p);
  EXPECT_EQ(r.path, (Path{{0, 0}, {1, 1}}));
  EXPECT_EQ(r.cost, 2.0f);
}

TYPED_TEST(PlannerTest, BlockedStartStillSearchesBlockedGoalNever) {
  Grid grid(3, 1);
  grid(0, 0) = 0;
  EXPECT_EQ(run_search<TypeParam>(params_for(grid, 0, 0, 2, 0)).path_nodes, 3);
  EXPECT_EQ(run_search<TypeParam>(params_for(grid, 2, 0, 0, 0)).path_nodes, 0);
}

// A pool or open list too small for the search ends it without a path, and
// every node it took still goes back.
TYPED_TEST(PlannerTest, RunningOutOfNodesOrRoomEndsWithoutAPath) {
  Grid grid(10, 10);
  struct Case { int pool, open; };
  for (const Case c : {Case{5, 0}, Case{0, 1}, Case{0, 3}, Case{1, 1}}) {
    PathSearchParams p = params_for(grid, 0, 0, 9, 9);
    p.pool_size = c.pool;
    p.open_capacity = c.open;
    const SearchResult r = run_search<TypeParam>(p);
    ASSERT_TRUE(r.set_up);
    EXPECT_TRUE(r.path.empty()) << c.pool << "/" << c.open;
    EXPECT_EQ(r.used, r.open + r.closed);
    EXPECT_EQ(r.used_after_finish, 0);
  }
}

TYPED_TEST(PlannerTest, PlannerIsReusableAndStartBeginsAfresh) {
  Grid grid(6, 4);
  grid(2, 0) = grid(2, 1) = grid(2, 2) = 0;
  const PathSearchParams p = params_for(grid, 0, 0, 5, 0);
  const SearchResult once = run_search<TypeParam>(p);
  ASSERT_EQ(once.path_nodes, 12);

  TypeParam planner;
  Grid other(3, 3);
  run_search(planner, params_for(other, 0, 0, 2, 2));
  EXPECT_EQ(run_search(planner, p), once);

  // start again without finishing: the earlier nodes go back first.
  ASSERT_TRUE(planner.setup(p));
  planner.start();
  planner.search();
  planner.start();
  planner.search();
  EXPECT_EQ(planner.path_node_count(), 12);
  EXPECT_EQ(planner.pool.used, once.used);

  // A planner never set up, or whose costs were released, finds nothing.
  TypeParam idle_planner;
  idle_planner.start();
  EXPECT_TRUE(idle_planner.search());
  EXPECT_EQ(idle_planner.goal_node, nullptr);
  planner.release_costs();
  planner.start();
  planner.search();
  EXPECT_EQ(planner.goal_node, nullptr);
  EXPECT_EQ(planner.idle, 1);
}

// Least-cost distances over the prepared costs, 4-connected, in double.
std::vector<double> dijkstra(const Planner& planner, int width, int height, int sx, int sy) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> dist(size_t(width) * height, inf);
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  dist[size_t(sx + sy * width)] = 0;
  queue.push({0, sx + sy * width});
  while (!queue.empty()) {
    const auto [d, cell] = queue.top();
    queue.pop();
    if (d > dist[cell]) continue;
    const int x = cell % width, y = cell / width;
    const int dx[] = {0, 1, -1, 0}, dy[] = {-1, 0, 0, 1};
    for (int k = 0; k < 4; ++k) {
      const int nx = x + dx[k], ny = y + dy[k];
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      const int next = nx + ny * width;
      const double c = planner.costs[next];
      if (c < 0 || d + c >= dist[next]) continue;
      dist[next] = d + c;
      queue.push({d + c, next});
    }
  }
  return dist;
}

// With weight 0.5 the search is plain A* with an admissible heuristic: its
// path costs what Dijkstra's least cost does, and the path itself is a
// chain of passable edge steps whose costs add up to it.
TEST(AStarPlanner, HalfWeightFindsTheLeastCost) {
  std::mt19937 rng(22);
  std::uniform_real_distribution<double> value(0.01, 10.0);
  int found = 0;
  for (int round = 0; round < 200; ++round) {
    Grid grid(32, 32);
    for (double& v : grid.values) v = rng() % 10 < 3 ? 0.0 : value(rng);
    const int sx = int(rng() % 32), sy = int(rng() % 32);
    int gx = int(rng() % 32), gy = int(rng() % 32);
    if (gx == sx && gy == sy) gx = (gx + 1) % 32;

    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(params_for(grid, sx, sy, gx, gy)));
    planner.start();
    planner.search();
    const double best = dijkstra(planner, 32, 32, sx, sy)[size_t(gx + gy * 32)];
    if (std::isinf(best)) {
      EXPECT_EQ(planner.goal_node, nullptr) << round;
      continue;
    }
    ++found;
    ASSERT_NE(planner.goal_node, nullptr) << round;
    EXPECT_NEAR(planner.path_cost(), best, best * 2e-6) << round;

    const Path path = qvl_test::path_of(planner);
    ASSERT_EQ(path.front(), std::make_pair(sx, sy));
    ASSERT_EQ(path.back(), std::make_pair(gx, gy));
    float sum = 0;
    for (size_t i = 1; i < path.size(); ++i) {
      const auto [x0, y0] = path[i - 1];
      const auto [x1, y1] = path[i];
      ASSERT_EQ(std::abs(x1 - x0) + std::abs(y1 - y0), 1) << round;
      const float c = planner.costs[x1 + y1 * 32];
      ASSERT_GT(c, 0) << round;
      sum += c;
    }
    EXPECT_EQ(sum, planner.path_cost()) << round;
  }
  EXPECT_GT(found, 100);  // most pairs are connected at 30 % blocked
}

}  // namespace
