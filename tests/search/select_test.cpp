#include "search/select.h"

#include <gtest/gtest.h>

#include <tuple>

#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;

class SelectTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    Root(Board({{10, 10, Opponent}, {11, 11, Own}}));
  }
};

TEST_F(SelectTest, ComputeUcbRoundsTheAverageToFloatFirst) {
  const int32_t c = AddChildren(search.store, 0, {{9, 9}});
  // Parent visits, Total, Visits and the UCB value. 5 / 12 is rounded to float
  // first (unrounded the result would be 54.62583541870117); ln 1 = 0 leaves
  // the average alone.
  for (const auto& [parentVisits, total, visits, ucb] :
       {std::tuple{7, 10.0f, 3, 83.87132263183594f}, std::tuple{34, 5.0f, 12, 54.625831604003906f},
        std::tuple{1, -7.0f, 1, -7.0f}}) {
    N(0).Visits = parentVisits;
    N(c).Total = total;
    N(c).Visits = visits;
    ComputeUcb(search.store, c, 100.0f);
    EXPECT_EQ(N(c).UCB1_Score, ucb);
  }
}

TEST_F(SelectTest, RootWithoutChildrenIsRolledOutAtDepthOne) {
  search.tuning.DepthLimit = 1;
  SelectNode(search, evaluator, 0, 1);
  ASSERT_GT(N(0).ChildCount, 0);
  // Depth 1 was expanded and depth 2 stopped: exactly one level of nodes.
  EXPECT_EQ(search.store.NodeCount, N(0).ChildCount);
  EXPECT_EQ(N(0).Visits, 1);
}

TEST_F(SelectTest, UnvisitedChildrenAreRolledOutInListOrder) {
  const int32_t first = AddChildren(search.store, 0, {{9, 9}, {12, 12}, {10, 11}});
  search.tuning.DepthLimit = 2;
  for (int round = 0; round < 3; ++round) {
    SelectNode(search, evaluator, 0, 1);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(N(first + i).Visits, i <= round ? 1 : 0) << round;
  }
}

TEST_F(SelectTest, EarliestChildWinsEqualUcbThenTheHigherUcbWins) {
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
  EXPECT_EQ(N(first).UCB1_Score, 303.2554626464844f);
  EXPECT_EQ(N(first + 1).UCB1_Score, 303.2554626464844f);
  // The first child's average has halved; the second is chosen next.
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(N(first + 1).Visits, 2);
  EXPECT_EQ(N(0).Visits, 4);
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
}

}  // namespace
}  // namespace ruvex
