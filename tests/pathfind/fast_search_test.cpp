// AStarPlanner must expand what ListAStarPlanner expands, in the same order:
// the same path, the same cost to the last bit and the same node counts, on
// grids full of equal keys, with every weight, move rule and list size.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/pathfind/planner_fixture.h"

namespace {

using qvl_test::Grid;
using qvl_test::params_for;
using qvl_test::run_search;
using qvl_test::SearchResult;

struct RandomRequest {
  Grid grid{1, 1};
  PathSearchParams params{};
};

RandomRequest random_request(std::mt19937& rng) {
  auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
  const int w = 1 + pick(40), h = 1 + pick(40);
  RandomRequest r;
  r.grid = Grid(w, h);
  // Few distinct values make many equal keys, which only the insertion
  // order can tell apart.
  const int kind = pick(3);
  const int blocked_percent = pick(45);
  std::uniform_real_distribution<double> any(0.1, 100.0);
  for (double& v : r.grid.values) {
    if (pick(100) < blocked_percent) {
      v = pick(2) ? 0.0 : -1.0;
    } else {
      v = kind == 0 ? 1.0 : kind == 1 ? double(1 + pick(3)) : any(rng);
    }
  }
  const float weights[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, -1.0f, 2.0f, 0.3f, 0.9f};
  const float weight = pick(4) ? weights[pick(9)] : float(rng() % 1000) / 999.0f;
  r.params = params_for(r.grid, pick(w), pick(h), pick(w), pick(h), weight);
  if (pick(40) == 0) r.params.goal_x = r.params.start_x, r.params.goal_y = r.params.start_y;
  r.params.diagonal_moves = uint8_t(pick(2));
  r.params.diagonal_cost = uint8_t(pick(2));
  r.params.hash_bits = pick(11);
  const int cells = w * h;
  if (pick(5) == 0) r.params.pool_size = 1 + pick(cells);
  if (pick(5) == 0) r.params.open_capacity = 1 + pick(cells);
  return r;
}

TEST(FastSearch, MatchesTheListPlannerOnRandomGrids) {
  std::mt19937 rng(2202);
  int paths = 0, refused = 0, cut_short = 0;
  AStarPlanner fast;  // reused across requests, as a long-lived planner is
  for (int round = 0; round < 1000; ++round) {
    const RandomRequest r = random_request(rng);
    const SearchResult expected = run_search<ListAStarPlanner>(r.params);
    const SearchResult got = run_search(fast, r.params);
    ASSERT_EQ(got.set_up, expected.set_up) << round;
    ASSERT_EQ(got.path, expected.path) << round;
    ASSERT_EQ(std::bit_cast<uint32_t>(got.cost), std::bit_cast<uint32_t>(expected.cost))
        << round;
    ASSERT_EQ(got, expected) << round;
    EXPECT_EQ(got.used_after_finish, 0) << round;
    if (!got.set_up) {
      ++refused;
    } else if (!got.path.empty()) {
      ++paths;
    } else if (got.open > 0) {
      ++cut_short;  // the pool or the open list ran out
    }
  }
  // The mix reaches every outcome.
  EXPECT_GT(paths, 400);
  EXPECT_GT(refused, 20);
  EXPECT_GT(cut_short, 10);
}

}  // namespace
