#include "search/root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;

// The tree as a search leaves it: root 0, the engine's moves E (9, 9) and
// (12, 12) below it, E chosen as RootId, and three opponent replies under E,
// the second of which has two children.
class RootTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    Root(Board({{10, 10, Opponent}, {11, 11, Own}}));
    e = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
    o = AddChildren(search.store, e, {{8, 8}, {13, 13}, {9, 10}});
    // The most visits, the highest UCB and the best average are three children.
    Stats(o, 3, 6.5f, 60.0f, 40);
    Stats(o + 1, 4, -5.0f, 0.25f, 60);
    Stats(o + 2, 1, 9.5f, -50.0f, 10);
    AddChildren(search.store, o + 1, {{14, 14}, {7, 7}});
    search.store.RootId = e;
    game = N(o + 1).board;
  }
  void Stats(int32_t id, int32_t visits, float total, float ucb, int32_t s) {
    N(id).Visits = visits;
    N(id).Total = total;
    N(id).UCB1_Score = ucb;
    N(id).S_Score = s;
  }

  BoardGrid game;
  int32_t e = 0;
  int32_t o = 0;
};

TEST_F(RootTest, OpponentsReplyInTheTreeBecomesTheRootWithItsSubtree) {
  TraceRecorder trace;
  const int32_t count = search.store.NodeCount;
  const BoardGrid oldChildBoard = N(o + 3).board;
  const BoardGrid newGame = Board({{13, 13, Opponent}});  // a new game may carry it too
  PrepareRoot(search, newGame, Cell{13, 13});
  EXPECT_EQ(std::tuple(search.store.RootId, search.store.NodeCount), std::tuple(o + 1, count));
  EXPECT_EQ(std::tuple(N(o + 1).Visits, N(o + 1).ChildCount, N(o + 1).RootFlag, N(o + 1).turn),
            std::tuple(4, 2, 1, Own));
  EXPECT_EQ(N(o + 1).board, newGame);
  EXPECT_EQ(N(o + 3).board, oldChildBoard);  // only the root's board is replaced
  EXPECT_EQ(probes.memoryReads, 1u);
  EXPECT_EQ(trace.lines,
            (Lines{"Checked Play: 8,8 visits: 3 ucb 60.000)  (Average: 2.17 ANN: 40",
                   "Checked Play: 13,13 visits: 4 ucb 0.250)  (Average: -1.25 ANN: 60",
                   "Actual Play: 13,13 visits: 4 ucb 0.250)  (Average: -1.25 Rollout: 0"}));
}

TEST_F(RootTest, TreeIsResetWhenNoChildHoldsTheReply) {
  const auto blind = [](const char* cell, int count, int32_t root) {
    return Lines{std::string("Blind Sided!! ") + cell, "Child Count:" + std::to_string(count),
                 "Root: " + std::to_string(root)};
  };
  struct Case {
    int32_t root;  // -1: the newest node
    Cell reply;
    bool terminal;  // the reply's node ended the last game
    Lines tail;     // the last trace lines; none at all when empty
  };
  const Case cases[] = {
      {e, {1, 1}, false, blind("1,1", 3, e)},
      // A child the engine itself would play belongs to an older position.
      {o + 1, {14, 14}, false, blind("14,14", 2, o + 1)},
      // Node 0 left as RootId by an answer that did not move the root on.
      {0, {12, 12}, false, blind("12,12", 2, 0)},
      {e, {13, 13}, true, blind("13,13", 3, e)},
      {-1, {13, 13}, false, {}},  // the newest node has no children: silent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    SetUp();
    search.store.RootId = c.root < 0 ? search.store.NodeCount : c.root;
    N(o + 1).isTerminal = c.terminal ? 1 : 0;
    TraceRecorder trace;
    PrepareRoot(search, game, c.reply);
    const NodeStore& store = search.store;
    EXPECT_EQ(std::tuple(store.RootId, store.NodeCount, store.NodeCapacity, N(0).ChildCount),
              std::tuple(0, 0, 10000, 0));
    EXPECT_EQ(std::tuple(N(0).RootFlag, N(0).board), std::tuple(1, game));
    ASSERT_GE(trace.lines.size(), c.tail.size());
    EXPECT_EQ(trace.lines.empty(), c.tail.empty());
    EXPECT_TRUE(std::equal(c.tail.rbegin(), c.tail.rend(), trace.lines.rbegin()));
  }
}

TEST_F(RootTest, FirstSearchOfTheProcessStartsFromNodeZeroWithoutMessage) {
  SearchTest::SetUp();
  TraceRecorder trace;
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_TRUE(trace.lines.empty());
  EXPECT_EQ(search.store.RootId, 0);
  EXPECT_EQ(search.store.NodeCapacity, 0);  // the first expansion grows the store
  EXPECT_EQ(N(0).board, game);
  EXPECT_EQ(N(0).RootFlag, 1);
}

TEST_F(RootTest, WorkingSetAbove180MiBDropsEvenACarriedSubtree) {
  probes.memory = {180 * MiB + MiB - 1};
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_EQ(search.store.RootId, o + 1);

  SetUp();
  probes.memory = {181 * MiB};
  TraceRecorder trace;
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_EQ(search.store.RootId, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(trace.lines.back(), "Mem limit, dropping graph");
  EXPECT_EQ(N(0).board, game);
}

TEST_F(RootTest, ChooseMoveTakesTheBestAverageNotVisitsNorUcb) {
  TraceRecorder trace;
  EXPECT_EQ(ChooseMove(search.store), o + 2);
  EXPECT_EQ(search.store.RootId, o + 2);
  // Totals rounded half to even: 6.5 gives 6, 9.5 gives 10.
  EXPECT_EQ(
      trace.lines,
      (Lines{
          "Location: 8,8  (UCB: 60.00)  (Average: 2.17)  (ANN: 40)  (Visits: 3)  (Total: 6)",
          "Location: 13,13  (UCB: 0.25)  (Average: -1.25)  (ANN: 60)  (Visits: 4)  (Total: -5)",
          "Location: 9,10  (UCB: -50.00)  (Average: 9.50)  (ANN: 10)  (Visits: 1)  (Total: 10)"}));
}

TEST_F(RootTest, ChooseMoveTakesTheEarliestOfEqualAveragesAndNeverAnUnvisitedChild) {
  struct Case {
    int32_t visits[3];
    float totals[3];
    int32_t chosen;  // index of the child, -1: none (RootId stays)
  };
  const Case cases[] = {
      {{1, 2, 1}, {2.0f, 4.0f, -1.0f}, 0},
      {{0, 1, 0}, {0.0f, -200.0f, 0.0f}, 1},  // -200 is still an average
      {{0, 0, 0}, {0.0f, 0.0f, 0.0f}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    for (int i = 0; i < 3; ++i) Stats(o + i, c.visits[i], c.totals[i], 1.0f, 40);
    search.store.RootId = e;
    TraceRecorder trace;
    EXPECT_EQ(ChooseMove(search.store), c.chosen < 0 ? 0 : o + c.chosen);
    EXPECT_EQ(search.store.RootId, c.chosen < 0 ? e : o + c.chosen);
  }
}

TEST_F(RootTest, ChooseMoveWithoutChildren) {
  TraceRecorder trace;
  search.store.RootId = o + 2;
  EXPECT_EQ(ChooseMove(search.store), 0);
  EXPECT_EQ(search.store.RootId, o + 2);
  EXPECT_EQ(trace.lines, (Lines{"no children, play root, or forced place score, game end?"}));
  N(o + 2).ChildCount = -1;
  trace.lines.clear();
  EXPECT_EQ(ChooseMove(search.store), 0);
  EXPECT_TRUE(trace.lines.empty());
}

}  // namespace
}  // namespace ruvex
