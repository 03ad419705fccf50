#include "search/select.h"

#include <gtest/gtest.h>

#include "search_fixture.h"

namespace ruvex {
namespace {

using testing::AddChildren;
using testing::Board;
using testing::MakeZeroEvaluator;
using testing::TraceRecorder;

class SelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeZeroEvaluator(evaluator);
    ResetTree(search.store);
    SearchNode& root = Node(search.store, 0);
    root.board = Board({{10, 10, Opponent}, {11, 11, Own}});
    root.turn = Own;
    root.RootFlag = 1;
  }
  SearchNode& N(int32_t id) { return Node(search.store, id); }

  Evaluator evaluator;
  SearchState search;
};

TEST_F(SelectTest, ComputeUcbRoundsTheAverageToFloatFirst) {
  const int32_t c = AddChildren(search.store, 0, {{9, 9}});
  N(0).Visits = 7;
  N(c).Total = 10.0f;
  N(c).Visits = 3;
  ComputeUcb(search.store, c, 100.0f);
  EXPECT_EQ(N(c).UCB1_Score, 83.87132263183594f);
  // 5 / 12 rounded to float before the sum gives a different float32 than
  // the unrounded average would (54.62583541870117).
  N(0).Visits = 34;
  N(c).Total = 5.0f;
  N(c).Visits = 12;
  ComputeUcb(search.store, c, 100.0f);
  EXPECT_EQ(N(c).UCB1_Score, 54.625831604003906f);
  // One parent visit: ln 1 = 0, the score is the average.
  N(0).Visits = 1;
  N(c).Total = -7.0f;
  N(c).Visits = 1;
  ComputeUcb(search.store, c, 100.0f);
  EXPECT_EQ(N(c).UCB1_Score, -7.0f);
}

TEST_F(SelectTest, RootWithoutChildrenIsRolledOutAtDepthOne) {
  search.DepthLimit = 1;
  SelectNode(search, evaluator, 0, 1);
  ASSERT_GT(N(0).ChildCount, 0);
  // Depth 1 was expanded and depth 2 stopped: exactly one level of nodes.
  EXPECT_EQ(search.store.NodeCount, N(0).ChildCount);
  EXPECT_EQ(N(0).Visits, 1);
}

TEST_F(SelectTest, UnvisitedChildrenAreRolledOutInListOrder) {
  const int32_t first = AddChildren(search.store, 0, {{9, 9}, {12, 12}, {10, 11}});
  search.DepthLimit = 2;
  for (int round = 0; round < 3; ++round) {
    SelectNode(search, evaluator, 0, 1);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(N(first + i).Visits, i <= round ? 1 : 0) << round;
  }
  EXPECT_EQ(N(0).Visits, 3);
}

TEST_F(SelectTest, ChildStoppedAtTheDepthLimitIsRolledOutAgain) {
  const int32_t first = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
  search.DepthLimit = 1;
  SelectNode(search, evaluator, 0, 1);
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(N(first).Visits, 0);
  EXPECT_EQ(N(first).ChildCount, 0);
  EXPECT_EQ(N(first + 1).Visits, 0);
  EXPECT_EQ(N(0).Visits, 2);
  EXPECT_EQ(search.store.NodeCount, 2);
}

TEST_F(SelectTest, EqualUcbGoesToTheEarliestChild) {
  const int32_t first = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
  for (int32_t c = first; c <= first + 1; ++c) {
    N(c).isTerminal = 1;
    N(c).RolloutScore = 220;
    N(c).Total = 220.0f;
    N(c).Visits = 1;
  }
  N(0).Visits = 2;
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(N(first).Visits, 2);
  EXPECT_EQ(N(first + 1).Visits, 1);
  EXPECT_EQ(N(first).UCB1_Score, N(first + 1).UCB1_Score);
  EXPECT_EQ(N(first).UCB1_Score, 303.2554626464844f);
  // The first child's average has halved; the second is chosen next.
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(N(first + 1).Visits, 2);
  EXPECT_EQ(N(0).Visits, 4);
}

TEST_F(SelectTest, HigherUcbWinsOverListOrder) {
  const int32_t first = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
  for (int32_t c = first; c <= first + 1; ++c) {
    N(c).isTerminal = 1;
    N(c).Total = 220.0f;
    N(c).RolloutScore = 220;
    N(c).Visits = c == first ? 5 : 1;
  }
  N(0).Visits = 6;
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(N(first).Visits, 5);
  EXPECT_EQ(N(first + 1).Visits, 2);
}

TEST_F(SelectTest, DeadRootSpendsTheIteration) {
  TraceRecorder trace;
  N(0).ChildCount = -1;
  SelectNode(search, evaluator, 0, 1);
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(trace.Count("Poisoned... null?"), 2);
  EXPECT_EQ(N(0).ChildCount, -1);
  EXPECT_EQ(N(0).Visits, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(evaluator.AnnCalls, 0);
}

}  // namespace
}  // namespace ruvex
