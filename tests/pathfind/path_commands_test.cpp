#include "pathfind/path_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::pair<int, int>>;

BasicArray<double> grid_of(int w, int h, double fill = 1.0) {
  BasicArray<double> g;
  g.dim(w, h, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) g.at2(x, y) = fill;
  return g;
}

template <class T>
Rows rows_of(BasicArray<T>& out) {
  Rows rows;
  for (int i = 0; i < out.size1; ++i) rows.push_back({int(out.at2(i, 0)), int(out.at2(i, 1))});
  return rows;
}

TEST(PathFind, StraightRowFromStartToGoal) {
  BasicArray<double> grid = grid_of(4, 1);
  BasicArray<int> out;
  EXPECT_EQ(qvl_path_find(grid, out, 0.5, 0, 0, 3, 0), 4);
  EXPECT_EQ(out.size1, 4);
  EXPECT_EQ(out.size2, 2);
  EXPECT_EQ(rows_of(out), (Rows{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));

  BasicArray<double> numbers;
  EXPECT_EQ(qvl_path_find_float(grid, numbers, 0.5, 3, 0, 0, 0), 4);
  EXPECT_EQ(rows_of(numbers), (Rows{{3, 0}, {2, 0}, {1, 0}, {0, 0}}));
}

TEST(PathFind, NoPathEmptiesTheOutputRefusalKeepsIt) {
  BasicArray<double> grid = grid_of(3, 3);
  grid.at2(2, 2) = 0;  // the goal is blocked
  struct Case {
    const char* what;
    int sx, sy, gx, gy;
    bool output_kept;
  };
  const Case cases[] = {
      {"blocked goal", 0, 0, 2, 2, false},
      {"start equal to goal", 1, 1, 1, 1, true},
      {"start outside", -1, 0, 1, 1, true},
      {"goal outside", 0, 0, 3, 0, true},
  };
  for (const Case& c : cases) {
    BasicArray<int> out;
    out.dim(2, 2, 0, 0);
    EXPECT_EQ(qvl_path_find(grid, out, 0.5, c.sx, c.sy, c.gx, c.gy), 0) << c.what;
    EXPECT_EQ(out.size1, c.output_kept ? 2 : 0) << c.what;

    BasicArray<int> ints;
    ints.dim(3, 3, 0, 0);
    for (int i = 0; i < 9; ++i) ints.data[i] = int(grid.data[i]);
    out.dim(2, 2, 0, 0);
    EXPECT_EQ(qvl_path_find_int_grid(ints, out, 0.5, c.sx, c.sy, c.gx, c.gy), 0) << c.what;
    EXPECT_EQ(out.size1, c.output_kept ? 2 : 0) << c.what;

    BasicArray<double> numbers;
    numbers.dim(2, 2, 0, 0);
    EXPECT_EQ(qvl_path_find_float(grid, numbers, 0.5, c.sx, c.sy, c.gx, c.gy), 0) << c.what;
    EXPECT_EQ(numbers.size1, 0) << c.what;  // always re-dimensioned
  }
}

// Dear cells on the straight way, cheap ones beside it: 0.5 (and anything
// up to it) goes round, the heuristic alone (1, anything above it or not a
// number) goes straight through. Prepared costs lie between 1 and 2, so
// the way round is only two steps longer.
TEST(PathFind, WeightTradesCostForHeuristic) {
  BasicArray<double> grid = grid_of(5, 2, 1.0);
  for (int x = 1; x < 4; ++x) grid.at2(x, 0) = 100;
  auto cost = [&grid](const Rows& rows) {
    double sum = 0;
    for (size_t i = 1; i < rows.size(); ++i) sum += grid.at2(rows[i].first, rows[i].second);
    return sum;
  };
  BasicArray<int> out;
  const int cheap = qvl_path_find(grid, out, 0.5, 0, 0, 4, 0);
  const Rows cheap_rows = rows_of(out);
  EXPECT_EQ(cheap, 7);  // down, along the second row, up
  for (double w : {-1.0, 0.0, 0.25}) {
    qvl_path_find(grid, out, w, 0, 0, 4, 0);
    EXPECT_EQ(cost(rows_of(out)), cost(cheap_rows)) << w;
  }
  const int direct = qvl_path_find(grid, out, 1.0, 0, 0, 4, 0);
  const Rows direct_rows = rows_of(out);
  EXPECT_EQ(direct, 5);
  EXPECT_GT(cost(direct_rows), cost(cheap_rows));
  for (double w : {2.0, 1e9, std::nan("")}) {
    qvl_path_find(grid, out, w, 0, 0, 4, 0);
    EXPECT_EQ(rows_of(out), direct_rows) << w;
  }
}

// Random grids: every step is one edge step over a passable cell, and an
// integer grid finds the same path as the same values as numbers.
TEST(PathFind, PathsAreEdgeStepsAndIntegerGridsAgree) {
  std::mt19937 rng(9);
  int found = 0;
  for (int round = 0; round < 60; ++round) {
    BasicArray<int> ints;
    ints.dim(20, 15, 0, 0);
    for (int i = 0; i < 300; ++i) ints.data[i] = int(rng() % 10) - 2;
    BasicArray<double> numbers;
    numbers.dim(20, 15, 0, 0);
    for (int i = 0; i < 300; ++i) numbers.data[i] = ints.data[i];
    const int sx = int(rng() % 20), sy = int(rng() % 15), gx = int(rng() % 20),
              gy = int(rng() % 15);

    BasicArray<int> a, b;
    const int n = qvl_path_find(numbers, a, 0.5, sx, sy, gx, gy);
    EXPECT_EQ(qvl_path_find_int_grid(ints, b, 0.5, sx, sy, gx, gy), n);
    EXPECT_EQ(rows_of(a), rows_of(b));
    if (n == 0) continue;
    ++found;
    const Rows rows = rows_of(a);
    EXPECT_EQ(rows.front(), std::make_pair(sx, sy));
    EXPECT_EQ(rows.back(), std::make_pair(gx, gy));
    for (size_t i = 1; i < rows.size(); ++i) {
      EXPECT_EQ(std::abs(rows[i].first - rows[i - 1].first) +
                    std::abs(rows[i].second - rows[i - 1].second),
                1);
      EXPECT_GT(ints.at2(rows[i].first, rows[i].second), 0);
    }
  }
  EXPECT_GT(found, 20);
}

// Arrays that are not a grid: one dimension, nothing at all, or sizes that
// claim more than the block holds. Nothing is read outside the block.
TEST(PathFind, ArraysThatAreNoGridFindNothing) {
  BasicArray<int> out;
  out.dim(1, 2, 0, 0);

  BasicArray<double> row;
  row.dim(5, 0, 0, 0);
  for (int i = 0; i < 5; ++i) row.at(i) = 1;
  EXPECT_EQ(qvl_path_find(row, out, 0.5, 0, 0, 4, 0), 0);

  BasicArray<double> empty;
  EXPECT_EQ(qvl_path_find(empty, out, 0.5, 0, 0, 1, 0), 0);

  BasicArray<double> bent = grid_of(2, 2);
  bent.size2 = 1000;
  EXPECT_EQ(qvl_path_find(bent, out, 0.5, 0, 0, 1, 999), 0);
  BasicArray<int> bent_ints;
  bent_ints.dim(2, 2, 0, 0);
  bent_ints.size1 = 1000;
  bent_ints.stride1 = 1000;
  EXPECT_EQ(qvl_path_find_int_grid(bent_ints, out, 0.5, 0, 0, 999, 1), 0);
  EXPECT_EQ(out.size1, 1);
}

}  // namespace
