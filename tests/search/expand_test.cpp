#include "search/expand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "board/forced.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Sorts entries whose x is their place in the input; returns the xs in the
// sorted order, after checking that whole entries moved.
std::vector<int> SortedXs(const std::vector<double>& values) {
  MoveList list;
  const int n = static_cast<int>(values.size());
  for (int i = 1; i <= n; ++i) list[i] = MoveEntry{i, i * 3, 0, 0, values[i - 1]};
  SortByValue(list, 1, n);
  std::vector<int> xs;
  for (int i = 1; i <= n; ++i) {
    EXPECT_EQ(list[i].y, list[i].x * 3);
    xs.push_back(list[i].x);
  }
  return xs;
}

TEST(SortByValue, HighestFirstWithTheSortsOwnOrderOfEqualValues) {
  EXPECT_EQ(SortedXs({0.5, 0.5}), (std::vector<int>{2, 1}));
  EXPECT_EQ(SortedXs({0.5, 0.5, 0.5}), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(SortedXs({0.5, 0.5, 0.5, 0.5}), (std::vector<int>{3, 4, 1, 2}));
  EXPECT_EQ(SortedXs({0.4, 0.4, 0.9}), (std::vector<int>{3, 1, 2}));

  // NaNs neither run off the ends nor lose an entry.
  std::vector<int> xs = SortedXs({kNaN, 0.3, kNaN, 0.9, 0.1, kNaN});
  std::sort(xs.begin(), xs.end());
  EXPECT_EQ(xs, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// Random lists, many ties and some NaNs: the entries up to the cut are those
// of the full sort, entry for entry.
TEST(SortByValue, UpToACutAsTheFullSort) {
  std::mt19937_64 random(3);
  for (int round = 0; round < 2000; ++round) {
    const int n = 1 + static_cast<int>(random() % 60);
    const int last = static_cast<int>(random() % 20);
    MoveList full;
    for (int i = 1; i <= n; ++i) {
      const double v = random() % 25 == 0 ? kNaN : static_cast<double>(random() % 8) / 8.0;
      full[i] = MoveEntry{i, 0, 0, 0, v};
    }
    MoveList part = full;
    SortByValue(full, 1, n);
    SortByValueUpTo(part, 1, n, last);
    for (int i = 1; i <= std::min(n, last); ++i)
      ASSERT_EQ(part[i].x, full[i].x) << round << " " << i;
  }
}

TEST(ScoreOfValue, RoundsHalfToEvenAndStaysInRange) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, int> cases[] = {
      {0.5, 90}, {1.0, 180}, {0.35, 63}, {2.5 / 180.0, 2}, {3.5 / 180.0, 4},
      {kNaN, 0}, {-0.25, 0}, {1.5, 180}, {inf, 180},       {-inf, 0},
  };
  for (const auto& [value, score] : cases) EXPECT_EQ(ScoreOfValue(value), score) << value;
}

using ExpandCandidatesTest = SearchTest;

TEST_F(ExpandCandidatesTest, CutByMinimumCutoffAndMaximum) {
  // Stones at (10, 10) and (10, 11) have exactly these ten candidates.
  const std::vector<Cell> ten = {{9, 9},   {9, 10}, {9, 11},  {9, 12},  {10, 9},
                                 {10, 12}, {11, 9}, {11, 10}, {11, 11}, {11, 12}};
  struct Case {
    std::vector<double> values;  // of the ten cells in scan order
    int32_t maxChildren;
    int64_t minChildren;
    int status;
    std::vector<Cell> kept;
  };
  const std::vector<double> mixed = {.9, .1, .8, .7, .35, .6, .1, .5, .4, .1};
  std::vector<double> below = mixed;
  below[4] = .3499;
  const Case cases[] = {
      {mixed, 14, 6, 162, {{9, 9}, {9, 11}, {9, 12}, {10, 12}, {11, 10}, {11, 11}, {10, 9}}},
      {below, 14, 6, 162, {{9, 9}, {9, 11}, {9, 12}, {10, 12}, {11, 10}, {11, 11}}},
      {std::vector<double>(10, .1), 14, 3, 18, {{11, 9}, {11, 10}, {10, 12}}},  // lowered minimum
      {mixed, 4, 3, 162, {{9, 9}, {9, 11}, {9, 12}, {10, 12}}},                 // lowered maximum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    SetUp();
    BoardGrid board = Board({{10, 10, Own}, {10, 11, Opponent}});
    for (std::size_t i = 0; i < ten.size(); ++i) {
      SetValue(evaluator, board, ten[i].x, ten[i].y, c.values[i]);
    }
    search.tuning.MaxChildren = c.maxChildren;
    search.tuning.MinChildren = c.minChildren;
    const BoardGrid before = board;
    MoveList list;
    const int status = ExpandCandidates(search.tuning, evaluator, board, list, 1, Own);
    std::vector<Cell> kept;
    for (int i = 1; i <= list[0].score; ++i) {
      EXPECT_EQ(list[i].turn, Own);
      kept.push_back(Cell{list[i].x, list[i].y});
    }
    EXPECT_EQ(std::tuple(status, kept, list.length, board),
              std::tuple(c.status, c.kept, static_cast<int>(c.kept.size()) + 1, before));
  }
}

}  // namespace
}  // namespace ruvex
