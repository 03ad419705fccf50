#include "search/rollout.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "search/select.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;
using RolloutTest = SearchTest;
using Floats = std::vector<float>;
using Ints = std::vector<int32_t>;

TEST_F(RolloutTest, FiveMakesATerminalChildBackedUpWithAlternatingDiscountedSigns) {
  for (const int32_t depth : {4, 16}) {  // past the depth limit the five still counts
    SCOPED_TRACE(depth);
    // Root (Own to move) -> A (Own's move) -> B (Opponent's, a four at (5, 5)..(5, 8))
    // -> W (Own's); Opponent to move at W has a five at (5, 4).
    SetUp();
    Root(Board(
        {{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {12, 12, Own}, {12, 13, Own}}));
    const int32_t a = AddChildren(search.store, 0, {{15, 15}});
    const int32_t b = AddChildren(search.store, a, {{5, 8}});
    const int32_t w = AddChildren(search.store, b, {{15, 16}});
    const int32_t t = w + 1;
    Rollout(search, evaluator, w, depth);
    EXPECT_EQ(search.store.NodeCount, t);
    EXPECT_EQ(std::tuple(N(w).isTerminal, N(w).RolloutScore, N(w).ChildCount, N(w).children[1]),
              std::tuple(2, 1, 1, t));
    EXPECT_EQ(
        std::tuple(N(t).ParentID, N(t).location, N(t).isTerminal, N(t).RolloutScore, N(t).turn),
        std::tuple(w, Cell{5, 4}, 1, 220, Own));
    EXPECT_EQ(Totals({t, w, b, a, 0}), (Floats{220, -215, 210, -205, 0}));
    EXPECT_EQ(Visits({t, w, b, a, 0}), (Ints{1, 1, 1, 1, 1}));
    EXPECT_EQ(evaluator.AnnCalls, 0);
    if (depth == 16) continue;
    // Selecting the terminal node again adds the same amounts each time.
    SelectNode(search, evaluator, 0, 1);
    SelectNode(search, evaluator, 0, 1);
    EXPECT_EQ(Totals({t, w, b, a}), (Floats{220, -645, 630, -615}));
    EXPECT_EQ(Visits({t, w, b, a, 0}), (Ints{3, 3, 3, 3, 3}));
    EXPECT_EQ(search.store.NodeCount, t);
  }
}

TEST_F(RolloutTest, DepthLimitStopsUnexpandedAndBacksUpPlusFiveMinusTen) {
  Root(Board({{10, 10, Opponent}, {10, 11, Own}}));
  const int32_t p = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
  const int32_t q = AddChildren(search.store, p, {{13, 13}});
  const int32_t n = AddChildren(search.store, q, {{8, 8}});
  N(n).Total = 7.0f;
  Rollout(search, evaluator, n, 16);
  EXPECT_EQ(search.store.NodeCount, n);
  EXPECT_EQ(N(n).ChildCount, 0);
  EXPECT_EQ(Totals({n, q, p, 0}), (Floats{0, 5, -10, 0}));
  EXPECT_EQ(Visits({n, q, p, 0}), (Ints{0, 1, 1, 1}));
}

TEST_F(RolloutTest, NoCandidatesLowersChildCountEachTimeAndBacksUpNothing) {
  TraceRecorder trace;
  Root(Board({}));
  Rollout(search, evaluator, 0, 1);
  EXPECT_EQ(N(0).ChildCount, -1);
  Rollout(search, evaluator, 0, 1);
  EXPECT_EQ(N(0).ChildCount, -2);
  EXPECT_EQ(N(0).children.length, 0);
  EXPECT_EQ(N(0).Visits, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(trace.Count("Expand returned no childred"), 2);
}

TEST_F(RolloutTest, ExpandsABatchPerLevelAndFollowsTheBestValue) {
  const BoardGrid board = Board({{10, 10, Opponent}, {10, 11, Own}});
  Root(board);
  // The ten candidates of the root, (11, 12) valued highest.
  const std::vector<Cell> cells = {{9, 9},   {9, 10}, {9, 11},  {9, 12},  {10, 9},
                                   {10, 12}, {11, 9}, {11, 10}, {11, 11}, {11, 12}};
  const std::vector<double> values = {0.30, 0.36, 0.40, 0.45, 0.50, 0.55, 0.60, 0.65, 0.70, 0.95};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    SetValue(evaluator, board, cells[i].x, cells[i].y, values[i]);
  }
  search.tuning.DepthLimit = 2;
  Rollout(search, evaluator, 0, 1);

  ASSERT_EQ(N(0).ChildCount, 9);  // 6 kept by the minimum, then 0.45, 0.40 and 0.36
  EXPECT_EQ(N(0).children.first, 1);
  EXPECT_EQ(std::tuple(N(1).location, N(1).S_Score), std::tuple(Cell{11, 12}, 171));
  EXPECT_EQ(N(9).location, (Cell{9, 10}));
  for (int32_t c = 1; c <= 9; ++c) {
    EXPECT_EQ(std::tuple(N(c).ParentID, N(c).turn), std::tuple(0, Opponent));
    BoardGrid expected = board;
    expected(N(c).location.x, N(c).location.y) = Own;
    EXPECT_EQ(N(c).board, expected);
    EXPECT_EQ(N(c).Visits, c == 1 ? 1 : 0);
  }
  // The best child was expanded at depth 2; its own best child (depth 3) was
  // stopped by the limit and backed up +5 for the best child.
  ASSERT_GT(N(1).ChildCount, 0);
  EXPECT_EQ(N(1).children.first, 10);
  EXPECT_EQ(search.store.NodeCount, 9 + N(1).ChildCount);
  EXPECT_EQ(std::tuple(N(10).ParentID, N(10).turn, N(10).ChildCount), std::tuple(1, Own, 0));
  EXPECT_EQ(N(1).Total, 5.0f);
  EXPECT_EQ(N(0).Visits, 1);
}

TEST_F(RolloutTest, EqualScoresDescendIntoTheFirstChild) {
  Root(Board({{10, 10, Opponent}, {10, 11, Own}}));  // every value 0.5: score 90
  search.tuning.DepthLimit = 2;
  Rollout(search, evaluator, 0, 1);
  ASSERT_EQ(N(0).ChildCount, 10);
  EXPECT_GT(N(1).ChildCount, 0);
  for (int32_t c = 2; c <= 10; ++c) EXPECT_EQ(N(c).ChildCount, 0);
}

TEST_F(RolloutTest, ForcedBlockGivesOneOrdinaryChild) {
  // Own to move at the root; Opponent threatens five at (5, 4) only.
  Root(
      Board({{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 8, Opponent}, {5, 9, Own}}));
  search.tuning.DepthLimit = 1;
  Rollout(search, evaluator, 0, 1);
  ASSERT_EQ(N(0).ChildCount, 1);
  EXPECT_EQ(std::tuple(N(1).location, N(1).S_Score, N(1).isTerminal, N(1).board(5, 4)),
            std::tuple(Cell{5, 4}, 0, 0, Own));
  EXPECT_EQ(N(0).Visits, 1);  // stopped at depth 2, backed up from itself
}

TEST_F(RolloutTest, BackPropagationStopsAtTheFirstRootFlag) {
  Root(Board({{10, 10, Opponent}}));
  const int32_t a = AddChildren(search.store, 0, {{9, 9}});
  const int32_t b = AddChildren(search.store, a, {{9, 10}});
  const int32_t c = AddChildren(search.store, b, {{9, 11}});
  const int32_t d = AddChildren(search.store, c, {{9, 12}});
  N(b).RootFlag = 1;  // the current root; a and node 0 were roots before
  BackPropagate(search.store, d);
  EXPECT_EQ(Totals({c, b}), (Floats{5, 0}));
  EXPECT_EQ(Visits({c, b, a, 0}), (Ints{1, 1, 0, 0}));

  // Before any root is marked, a walk up ends at node 0 instead of circling.
  N(b).RootFlag = 0;
  N(0).RootFlag = 0;
  BackPropagate(search.store, d);
  EXPECT_EQ(Visits({a, 0}), (Ints{1, 1}));
}

}  // namespace
}  // namespace ruvex
