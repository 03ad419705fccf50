#include "search/rollout.h"

#include <gtest/gtest.h>

#include <vector>

#include "board/forced.h"
#include "search/expand.h"
#include "search/select.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using testing::AddChildren;
using testing::Board;
using testing::MakeZeroEvaluator;
using testing::SetValue;
using testing::TraceRecorder;

class RolloutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeZeroEvaluator(evaluator);
    ResetTree(search.store);
  }
  // Node 0 as the root of a search on board.
  void Root(const BoardGrid& board) {
    SearchNode& root = Node(search.store, 0);
    root.board = board;
    root.turn = Own;
    root.RootFlag = 1;
  }
  SearchNode& N(int32_t id) { return Node(search.store, id); }

  Evaluator evaluator;
  SearchState search;
};

// Root (Own to move) -> A (Own's move) -> B (Opponent's move, completing a
// four at (5, 5)..(5, 8)) -> W (Own's move); Opponent to move at W has a five.
class TerminalChain : public RolloutTest {
 protected:
  void SetUp() override {
    RolloutTest::SetUp();
    Root(Board(
        {{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {12, 12, Own}, {12, 13, Own}}));
    a = AddChildren(search.store, 0, {{15, 15}});
    b = AddChildren(search.store, a, {{5, 8}});
    w = AddChildren(search.store, b, {{15, 16}});
  }
  int32_t a = 0, b = 0, w = 0;
};

TEST_F(TerminalChain, FiveCreatesATerminalChildAndBacksUpWithAlternatingDiscountedSigns) {
  for (const int32_t depth : {4, 16}) {  // past the depth limit the five still counts
    SetUp();
    Rollout(search, evaluator, w, depth);
    const int32_t t = w + 1;
    EXPECT_EQ(search.store.NodeCount, t);
    EXPECT_EQ(N(w).isTerminal, 2);
    EXPECT_EQ(N(w).RolloutScore, 1);
    EXPECT_EQ(N(w).ChildCount, 1);
    EXPECT_EQ(N(w).children[1], t);
    EXPECT_EQ(N(t).ParentID, w);
    EXPECT_EQ(N(t).location, (Cell{5, 4}));
    EXPECT_EQ(N(t).isTerminal, 1);
    EXPECT_EQ(N(t).RolloutScore, 220);
    EXPECT_EQ(N(t).Total, 220.0f);
    EXPECT_EQ(N(t).turn, Own);
    EXPECT_EQ(N(t).Visits, 1);
    EXPECT_EQ(N(t).board, BoardGrid{});  // a terminal node is never expanded
    EXPECT_EQ(N(w).Total, -215.0f);
    EXPECT_EQ(N(b).Total, 210.0f);
    EXPECT_EQ(N(a).Total, -205.0f);
    EXPECT_EQ(N(w).Visits, 1);
    EXPECT_EQ(N(b).Visits, 1);
    EXPECT_EQ(N(a).Visits, 1);
    EXPECT_EQ(N(0).Visits, 1);
    EXPECT_EQ(N(0).Total, 0.0f);
    EXPECT_EQ(evaluator.AnnCalls, 0);
  }
}

TEST_F(TerminalChain, SelectingTheTerminalNodeAgainAddsTheSameAmounts) {
  Rollout(search, evaluator, w, 4);
  SelectNode(search, evaluator, 0, 1);
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(N(w + 1).Visits, 3);
  EXPECT_EQ(N(w + 1).Total, 220.0f);
  EXPECT_EQ(N(w).Total, -645.0f);
  EXPECT_EQ(N(b).Total, 630.0f);
  EXPECT_EQ(N(a).Total, -615.0f);
  EXPECT_EQ(N(0).Visits, 3);
  EXPECT_EQ(search.store.NodeCount, w + 1);
}

TEST_F(RolloutTest, DepthLimitStopsUnexpandedAndBacksUpPlusFiveMinusTen) {
  Root(Board({{10, 10, Opponent}, {10, 11, Own}}));
  const int32_t p = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
  const int32_t q = AddChildren(search.store, p, {{13, 13}});
  const int32_t n = AddChildren(search.store, q, {{8, 8}});
  N(n).Total = 7.0f;
  const int32_t before = search.store.NodeCount;
  Rollout(search, evaluator, n, 16);
  EXPECT_EQ(search.store.NodeCount, before);
  EXPECT_EQ(N(n).ChildCount, 0);
  EXPECT_EQ(N(n).Total, 0.0f);
  EXPECT_EQ(N(n).RolloutScore, 0);
  EXPECT_EQ(N(n).Visits, 0);
  EXPECT_EQ(N(q).Total, 5.0f);
  EXPECT_EQ(N(p).Total, -10.0f);
  EXPECT_EQ(N(q).Visits, 1);
  EXPECT_EQ(N(p).Visits, 1);
  EXPECT_EQ(N(0).Visits, 1);
  EXPECT_EQ(N(0).Total, 0.0f);
  EXPECT_GT(evaluator.AnnCalls, 0);  // the expansion ran before the depth test
}

TEST_F(RolloutTest, NoCandidatesLowersChildCountEachTimeAndBacksUpNothing) {
  TraceRecorder trace;
  Root(Board({}));
  Rollout(search, evaluator, 0, 1);
  EXPECT_EQ(N(0).ChildCount, -1);
  Rollout(search, evaluator, 0, 1);
  EXPECT_EQ(N(0).ChildCount, -2);
  EXPECT_EQ(N(0).children.first, 0);
  EXPECT_EQ(N(0).children.length, 0);
  EXPECT_EQ(N(0).Visits, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(trace.Count("Expand returned no childred"), 2);
}

TEST_F(RolloutTest, ExpandsABatchPerLevelAndFollowsTheBestValue) {
  const BoardGrid board = Board({{10, 10, Opponent}, {10, 11, Own}});
  Root(board);
  // The ten candidates of the root: (11, 12) is valued highest.
  const std::vector<Cell> cells = {{9, 9},   {9, 10}, {9, 11},  {9, 12},  {10, 9},
                                   {10, 12}, {11, 9}, {11, 10}, {11, 11}, {11, 12}};
  const std::vector<double> values = {0.30, 0.36, 0.40, 0.45, 0.50, 0.55, 0.60, 0.65, 0.70, 0.95};
  for (std::size_t i = 0; i < cells.size(); ++i)
    SetValue(evaluator, board, cells[i].x, cells[i].y, values[i]);
  search.DepthLimit = 2;
  Rollout(search, evaluator, 0, 1);

  const SearchNode& root = N(0);
  ASSERT_EQ(root.ChildCount, 9);  // 6 kept by the minimum, then 0.45, 0.40 and 0.36
  EXPECT_EQ(root.children.first, 1);
  EXPECT_EQ(N(1).location, (Cell{11, 12}));
  EXPECT_EQ(N(1).S_Score, 171);
  EXPECT_EQ(N(2).location, (Cell{11, 11}));  // 0.7
  EXPECT_EQ(N(2).S_Score, 126);
  EXPECT_EQ(N(9).location, (Cell{9, 10}));  // 0.36
  for (int32_t c = 1; c <= 9; ++c) {
    EXPECT_EQ(N(c).ParentID, 0);
    EXPECT_EQ(N(c).turn, Opponent);
    BoardGrid expected = board;
    expected(N(c).location.x, N(c).location.y) = Own;
    EXPECT_EQ(N(c).board, expected);
  }
  // The best child was expanded at depth 2; its own best child (depth 3) was
  // stopped by the limit and backed up +5 for the best child.
  const SearchNode& best = N(1);
  ASSERT_GT(best.ChildCount, 0);
  EXPECT_EQ(best.children.first, 10);
  EXPECT_EQ(search.store.NodeCount, 9 + best.ChildCount);
  const SearchNode& leaf = N(10);
  EXPECT_EQ(leaf.ParentID, 1);
  EXPECT_EQ(leaf.turn, Own);
  EXPECT_EQ(leaf.ChildCount, 0);
  EXPECT_EQ(best.Total, 5.0f);
  EXPECT_EQ(best.Visits, 1);
  EXPECT_EQ(root.Visits, 1);
  for (int32_t c = 2; c <= 9; ++c) EXPECT_EQ(N(c).Visits, 0);
}

TEST_F(RolloutTest, EqualScoresDescendIntoTheFirstChild) {
  Root(Board({{10, 10, Opponent}, {10, 11, Own}}));  // every value 0.5: score 90
  search.DepthLimit = 2;
  Rollout(search, evaluator, 0, 1);
  ASSERT_EQ(N(0).ChildCount, 10);
  EXPECT_GT(N(1).ChildCount, 0);
  EXPECT_EQ(N(1).Visits, 1);
  for (int32_t c = 2; c <= 10; ++c) {
    EXPECT_EQ(N(c).S_Score, 90);
    EXPECT_EQ(N(c).ChildCount, 0);
  }
}

TEST_F(RolloutTest, ForcedBlockGivesOneOrdinaryChild) {
  // Own to move at the root; Opponent threatens five at (5, 4) only.
  Root(
      Board({{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 8, Opponent}, {5, 9, Own}}));
  search.DepthLimit = 1;
  Rollout(search, evaluator, 0, 1);
  ASSERT_EQ(N(0).ChildCount, 1);
  EXPECT_EQ(N(1).location, (Cell{5, 4}));
  EXPECT_EQ(N(1).S_Score, 0);
  EXPECT_EQ(N(1).isTerminal, 0);
  EXPECT_EQ(N(1).board(5, 4), Own);
  EXPECT_EQ(N(1).Visits, 0);  // stopped at depth 2, backed up from itself
  EXPECT_EQ(N(0).Visits, 1);
  EXPECT_EQ(N(1).ChildCount, 0);
}

TEST_F(RolloutTest, BackPropagationStopsAtTheFirstRootFlag) {
  Root(Board({{10, 10, Opponent}}));
  const int32_t a = AddChildren(search.store, 0, {{9, 9}});
  const int32_t b = AddChildren(search.store, a, {{9, 10}});
  const int32_t c = AddChildren(search.store, b, {{9, 11}});
  const int32_t d = AddChildren(search.store, c, {{9, 12}});
  N(b).RootFlag = 1;  // the current root; a and node 0 were roots before
  N(d).RolloutScore = 0;
  BackPropagate(search.store, d);
  EXPECT_EQ(N(c).Total, 5.0f);
  EXPECT_EQ(N(c).Visits, 1);
  EXPECT_EQ(N(b).Visits, 1);
  EXPECT_EQ(N(b).Total, 0.0f);
  EXPECT_EQ(N(a).Visits, 0);
  EXPECT_EQ(N(0).Visits, 0);
}

TEST_F(RolloutTest, BackPropagationWithoutAnyRootEnds) {
  // Before any root is marked, a walk up ends at node 0 instead of circling.
  const int32_t a = AddChildren(search.store, 0, {{9, 9}});
  const int32_t b = AddChildren(search.store, a, {{9, 10}});
  BackPropagate(search.store, b);
  EXPECT_EQ(N(a).Visits, 1);
  EXPECT_EQ(N(0).Visits, 1);
}

TEST_F(RolloutTest, TreeKeepsItsInvariantsOverManyIterations) {
  Root(Board({{10, 10, Opponent}, {11, 11, Own}, {9, 11, Opponent}, {12, 10, Own}}));
  search.DepthLimit = 6;
  for (int i = 0; i < 40; ++i) SelectNode(search, evaluator, 0, 1);
  const NodeStore& store = search.store;
  ASSERT_GT(store.NodeCount, 40);
  std::vector<int32_t> owner(static_cast<std::size_t>(store.NodeCount) + 1, -1);
  for (int32_t id = 0; id <= store.NodeCount; ++id) {
    const SearchNode& node = Node(store, id);
    if (node.ChildCount > 0) {
      for (int32_t i = 1; i <= node.ChildCount; ++i) {
        const auto slot = static_cast<std::size_t>(node.children[i]);
        ASSERT_LT(slot, owner.size());
        EXPECT_EQ(owner[slot], -1) << "ID handed out twice";
        owner[slot] = id;
        EXPECT_GT(node.children[i], id);
        const SearchNode& child = Node(store, node.children[i]);
        EXPECT_EQ(child.ParentID, id);
        EXPECT_EQ(child.turn, Other(node.turn));
        if (i > 1) {
          EXPECT_LE(child.S_Score, Node(store, node.children[i - 1]).S_Score);
        }
        EXPECT_EQ(node.board(child.location.x, child.location.y), Empty);
        if (child.isTerminal == 1) continue;
        BoardGrid expected = node.board;
        expected(child.location.x, child.location.y) = static_cast<int8_t>(node.turn);
        EXPECT_EQ(child.board, expected) << "node " << node.children[i];
      }
    }
  }
  for (std::size_t id = 1; id < owner.size(); ++id) EXPECT_NE(owner[id], -1) << id;
  EXPECT_EQ(Node(store, 0).Visits, 40);
}

}  // namespace
}  // namespace ruvex
