#include "search/expand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "board/forced.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Sorts entries whose x is their place in the input; returns the xs in the
// sorted order.
std::vector<int> SortedXs(const std::vector<double>& values) {
  MoveList list;
  const int n = static_cast<int>(values.size());
  for (int i = 1; i <= n; ++i) list[i] = MoveEntry{i, i * 3, 0, 0, values[i - 1]};
  SortByValue(list, 1, n);
  std::vector<int> xs;
  for (int i = 1; i <= n; ++i) {
    EXPECT_EQ(list[i].y, list[i].x * 3);  // whole entries move
    const double v = values[list[i].x - 1];
    EXPECT_TRUE(list[i].value == v || std::isnan(v));
    xs.push_back(list[i].x);
  }
  return xs;
}

TEST(SortByValue, EqualValuesComeOutInTheSortsOwnOrder) {
  EXPECT_EQ(SortedXs({0.5, 0.5}), (std::vector<int>{2, 1}));
  EXPECT_EQ(SortedXs({0.5, 0.5, 0.5}), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(SortedXs({0.5, 0.5, 0.5, 0.5}), (std::vector<int>{3, 4, 1, 2}));
  EXPECT_EQ(SortedXs({0.4, 0.4, 0.9}), (std::vector<int>{3, 1, 2}));
}

TEST(SortByValue, AnyListComesOutHighestFirstAndNaNsStayInside) {
  std::vector<double> values;
  uint32_t seed = 12345;
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1103515245u + 12345u;
    values.push_back(static_cast<double>((seed >> 16) % 7) / 7.0);  // many ties
  }
  std::vector<int> xs = SortedXs(values);
  for (std::size_t i = 1; i < xs.size(); ++i) EXPECT_GE(values[xs[i - 1] - 1], values[xs[i] - 1]);
  std::sort(xs.begin(), xs.end());
  for (int i = 0; i < 60; ++i) EXPECT_EQ(xs[i], i + 1);

  xs = SortedXs({kNaN, 0.3, kNaN, 0.9, 0.1, kNaN});
  std::sort(xs.begin(), xs.end());
  EXPECT_EQ(xs, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(ScoreOfValue, RoundsHalfToEvenAndStaysInRange) {
  const double inf = std::numeric_limits<double>::infinity();
  ASSERT_EQ(2.5 / 180.0 * 180.0, 2.5);
  ASSERT_EQ(3.5 / 180.0 * 180.0, 3.5);
  const std::pair<double, int> cases[] = {
      {0.5, 90}, {1.0, 180}, {0.35, 63}, {2.5 / 180.0, 2}, {3.5 / 180.0, 4},
      {kNaN, 0}, {-0.25, 0}, {1.5, 180}, {inf, 180},       {-inf, 0},
  };
  for (const auto& [value, score] : cases) EXPECT_EQ(ScoreOfValue(value), score) << value;
}

class ExpandCandidatesTest : public SearchTest {
 protected:
  std::vector<Cell> Cells() const {
    std::vector<Cell> cells;
    for (int i = 1; i <= list[0].score; ++i) cells.push_back(Cell{list[i].x, list[i].y});
    return cells;
  }
  MoveList list;
};

TEST_F(ExpandCandidatesTest, CornerStoneOrdersEqualAndDistinctValuesAsTheSortDoes) {
  // A stone at (1, 1) has the candidates A (1, 2), B (2, 1), C (2, 2).
  BoardGrid board = Board({{1, 1, Opponent}});
  SetValue(evaluator, board, 1, 2, 0.4);
  SetValue(evaluator, board, 2, 1, 0.4);
  SetValue(evaluator, board, 2, 2, 0.9);
  const BoardGrid before = board;
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, board, list, 1, Own), 162);
  EXPECT_EQ(board, before);
  EXPECT_EQ(Cells(), (std::vector<Cell>{{2, 2}, {1, 2}, {2, 1}}));  // C, A, B
  EXPECT_EQ(list.length, 4);
  EXPECT_EQ(list[1].value, 0.9);
  EXPECT_EQ(list[3].score, 72);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(list[i].turn, Own);
  EXPECT_EQ(evaluator.AnnCalls, 3);

  // Every value 0.5 (the zero network): A, B, C come out B, C, A.
  BoardGrid other = Board({{20, 20, Own}});
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, other, list, 1, Opponent), 90);
  EXPECT_EQ(Cells(), (std::vector<Cell>{{19, 20}, {20, 19}, {19, 19}}));
  EXPECT_EQ(list[1].turn, Opponent);
}

TEST_F(ExpandCandidatesTest, CutByMinimumCutoffAndMaximum) {
  // Stones at (10, 10) and (10, 11) have exactly these ten candidates.
  const std::vector<Cell> ten = {{9, 9},   {9, 10}, {9, 11},  {9, 12},  {10, 9},
                                 {10, 12}, {11, 9}, {11, 10}, {11, 11}, {11, 12}};
  struct Case {
    std::vector<double> values;  // of the ten cells in scan order
    int32_t maxChildren;
    int64_t minChildren;
    int status;
    std::vector<Cell> kept;  // when empty, only the count is checked
    int count;
  };
  const std::vector<double> mixed = {.9, .1, .8, .7, .35, .6, .1, .5, .4, .1};
  std::vector<double> below = mixed, rising(10);
  below[4] = .3499;
  for (int i = 0; i < 10; ++i) rising[i] = .20 + .01 * i;  // all below the cutoff
  const Case cases[] = {
      {rising, 14, 6, 52, {{11, 12}, {11, 11}, {11, 10}, {11, 9}, {10, 12}, {10, 9}}, 6},
      {mixed, 14, 6, 162, {{9, 9}, {9, 11}, {9, 12}, {10, 12}, {11, 10}, {11, 11}, {10, 9}}, 7},
      {below, 14, 6, 162, {{9, 9}, {9, 11}, {9, 12}, {10, 12}, {11, 10}, {11, 11}}, 6},
      {std::vector<double>(10, .1), 14, 3, 18, {}, 3},              // lowered minimum
      {mixed, 4, 3, 162, {{9, 9}, {9, 11}, {9, 12}, {10, 12}}, 4},  // lowered maximum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    Evaluator fresh;
    MakeZeroEvaluator(fresh);
    BoardGrid board = Board({{10, 10, Own}, {10, 11, Opponent}});
    for (std::size_t i = 0; i < ten.size(); ++i) {
      SetValue(fresh, board, ten[i].x, ten[i].y, c.values[i]);
    }
    search.tuning.MaxChildren = c.maxChildren;
    search.tuning.MinChildren = c.minChildren;
    EXPECT_EQ(ExpandCandidates(search.tuning, fresh, board, list, 3, Own), c.status);
    EXPECT_EQ(list[0].score, c.count);
    EXPECT_EQ(list.length, c.count + 1);
    if (!c.kept.empty()) {
      EXPECT_EQ(Cells(), c.kept);
    }
  }
  // 24 candidates all valued 0.5: 14 are kept.
  search = SearchState{};
  BoardGrid board = Board({{5, 5, Own}, {15, 15, Opponent}, {5, 15, Own}});
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, board, list, 1, Own), 90);
  EXPECT_EQ(evaluator.AnnCalls, 24);
  EXPECT_EQ(list[0].score, 14);
}

TEST_F(ExpandCandidatesTest, OwnFiveComesFirstThenTheBlock) {
  BoardGrid board = TwoFours();
  const BoardGrid before = board;
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, board, list, 1, Own), WinScore);
  EXPECT_EQ(Cells(), (std::vector<Cell>{{10, 4}}));
  EXPECT_EQ(list.length, 2);
  EXPECT_EQ(std::tuple(list[1].turn, list[1].score, list[1].value), std::tuple(Own, 0, 0.0));
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, board, list, 1, Opponent), WinScore);
  EXPECT_EQ(Cells(), (std::vector<Cell>{{5, 4}}));
  EXPECT_EQ(board, before);

  board(10, 8) = Empty;  // Own has only three now: Own must block
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, board, list, 1, Own), BlockScore);
  EXPECT_EQ(Cells(), (std::vector<Cell>{{5, 4}}));
  EXPECT_EQ(std::tuple(list[1].turn, list[1].score, list[1].value), std::tuple(Own, 0, 0.0));
  EXPECT_EQ(evaluator.AnnCalls, 0);  // no network value is needed

  BoardGrid empty = Board({});
  EXPECT_EQ(ExpandCandidates(search.tuning, evaluator, empty, list, 1, Own), 0);
  EXPECT_EQ(list[0].score, 0);
  EXPECT_EQ(list.length, 1);
}

}  // namespace
}  // namespace ruvex
