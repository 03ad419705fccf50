#include "search/root.h"

#include <gtest/gtest.h>

#include "search_fixture.h"

namespace ruvex {
namespace {

using testing::AddChildren;
using testing::Board;
using testing::MiB;
using testing::ScriptedProbes;
using testing::TraceRecorder;
using testing::UseProbes;

// The tree as a search leaves it: root 0, the engine's moves E (9, 9) and
// (12, 12) below it, E chosen as RootId, and three opponent replies under E.
class RootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseProbes(search, probes);
    NodeStore& store = search.store;
    ResetTree(store);
    SearchNode& root = Node(store, 0);
    root.board = Board({{10, 10, Opponent}, {11, 11, Own}});
    root.turn = Own;
    root.RootFlag = 1;
    e = AddChildren(store, 0, {{9, 9}, {12, 12}});
    o = AddChildren(store, e, {{8, 8}, {13, 13}, {9, 10}});
    N(o) = Stats(N(o), 3, 6.0f, 1.5f, 40, 0);
    N(o + 1) = Stats(N(o + 1), 4, -5.0f, 0.25f, 60, 0);
    N(o + 2) = Stats(N(o + 2), 1, 9.0f, 7.0f, 10, 0);
    AddChildren(store, o + 1, {{14, 14}, {7, 7}});
    store.RootId = e;
    game = Node(store, o + 1).board;
  }
  static SearchNode Stats(SearchNode node, int32_t visits, float total, float ucb, int32_t s,
                          int32_t rollout) {
    node.Visits = visits;
    node.Total = total;
    node.UCB1_Score = ucb;
    node.S_Score = s;
    node.RolloutScore = rollout;
    return node;
  }
  SearchNode& N(int32_t id) { return Node(search.store, id); }

  ScriptedProbes probes;
  SearchState search;
  BoardGrid game;
  int32_t e = 0;
  int32_t o = 0;
};

TEST_F(RootTest, OpponentsReplyInTheTreeBecomesTheRootWithItsSubtree) {
  TraceRecorder trace;
  const int32_t count = search.store.NodeCount;
  PrepareRoot(search, game, Cell{13, 13});
  const NodeStore& store = search.store;
  EXPECT_EQ(store.RootId, o + 1);
  EXPECT_EQ(store.NodeCount, count);
  const SearchNode& root = Node(store, o + 1);
  EXPECT_EQ(root.Visits, 4);
  EXPECT_EQ(root.ChildCount, 2);
  EXPECT_EQ(root.RootFlag, 1);
  EXPECT_EQ(root.turn, Own);
  EXPECT_EQ(root.board, game);
  EXPECT_EQ(probes.memoryReads, 1u);
  EXPECT_EQ(trace.lines, (std::vector<std::string>{
                             "Checked Play: 8,8 visits: 3 ucb 1.500)  (Average: 2.00 ANN: 40",
                             "Checked Play: 13,13 visits: 4 ucb 0.250)  (Average: -1.25 ANN: 60",
                             "Actual Play: 13,13 visits: 4 ucb 0.250)  (Average: -1.25 Rollout: 0",
                         }));
}

TEST_F(RootTest, ReplyOutsideTheTreeResetsIt) {
  TraceRecorder trace;
  PrepareRoot(search, game, Cell{1, 1});
  const NodeStore& store = search.store;
  EXPECT_EQ(store.RootId, 0);
  EXPECT_EQ(store.NodeCount, 0);
  EXPECT_EQ(store.NodeCapacity, 10000);
  EXPECT_EQ(Node(store, 0).board, game);
  EXPECT_EQ(Node(store, 0).RootFlag, 1);
  EXPECT_EQ(Node(store, 0).ChildCount, 0);
  EXPECT_EQ(trace.CountPrefix("Checked Play: "), 3);
  ASSERT_EQ(trace.lines.size(), 6u);
  EXPECT_EQ(trace.lines[3], "Blind Sided!! 1,1");
  EXPECT_EQ(trace.lines[4], "Child Count:3");
  EXPECT_EQ(trace.lines[5], "Root: " + std::to_string(e));
}

TEST_F(RootTest, RootThatIsTheNewestNodeIsResetSilently) {
  TraceRecorder trace;
  search.store.RootId = search.store.NodeCount;
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_EQ(search.store.RootId, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_TRUE(trace.lines.empty());
}

TEST_F(RootTest, FirstSearchOfTheProcessStartsFromNodeZeroWithoutMessage) {
  TraceRecorder trace;
  SearchState fresh;
  UseProbes(fresh, probes);
  PrepareRoot(fresh, game, Cell{13, 13});
  EXPECT_TRUE(trace.lines.empty());
  EXPECT_EQ(fresh.store.RootId, 0);
  EXPECT_EQ(fresh.store.NodeCapacity, 0);  // the first expansion grows the store
  EXPECT_EQ(Node(fresh.store, 0).board, game);
  EXPECT_EQ(Node(fresh.store, 0).turn, Own);
  EXPECT_EQ(Node(fresh.store, 0).RootFlag, 1);
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
  EXPECT_EQ(Node(search.store, 0).board, game);
}

TEST_F(RootTest, OnlyAnOpponentMoveIsCarriedOver) {
  // The root was left at an opponent reply (Own to move) whose children are
  // the engine's own candidate moves; the opponent now plays one of those
  // cells. That child belongs to an older position: the tree is reset.
  search.store.RootId = o + 1;
  TraceRecorder trace;
  PrepareRoot(search, game, Cell{14, 14});
  EXPECT_EQ(search.store.RootId, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(trace.Find("Blind Sided!! "), "Blind Sided!! 14,14");
}

TEST_F(RootTest, NodeZeroLeftAsAnExpandedRootIsNotReused) {
  // A turn that did not move the root on (a HurryMode answer) left node 0,
  // with its children from two plies ago, as RootId.
  search.store.RootId = 0;
  TraceRecorder trace;
  PrepareRoot(search, game, Cell{12, 12});
  EXPECT_EQ(search.store.RootId, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(Node(search.store, 0).ChildCount, 0);
  EXPECT_EQ(trace.Find("Child Count:"), "Child Count:2");
}

TEST_F(RootTest, TerminalNodeIsNotCarriedIntoANewGame) {
  // The last game ended with the opponent's five at (13, 13); a new game
  // starts with the opponent's stone on that cell.
  N(o + 1).isTerminal = 1;
  TraceRecorder trace;
  PrepareRoot(search, Board({{13, 13, Opponent}}), Cell{13, 13});
  EXPECT_EQ(search.store.RootId, 0);
  EXPECT_EQ(search.store.NodeCount, 0);
  EXPECT_EQ(trace.Find("Blind Sided!! "), "Blind Sided!! 13,13");
}

TEST_F(RootTest, NewGameBoardReplacesOnlyTheCarriedRootsBoard) {
  const BoardGrid newGame = Board({{13, 13, Opponent}});
  const BoardGrid oldChildBoard = Node(search.store, o + 3).board;
  PrepareRoot(search, newGame, Cell{13, 13});
  EXPECT_EQ(search.store.RootId, o + 1);
  EXPECT_EQ(Node(search.store, o + 1).board, newGame);
  EXPECT_EQ(Node(search.store, o + 3).board, oldChildBoard);
}

TEST_F(RootTest, ChooseMoveTakesTheBestAverageNotVisitsNorUcb) {
  TraceRecorder trace;
  // Averages 2.00, -1.25 and 9.00; the highest UCB (7.0) is also the best
  // average here, so give the third the lowest UCB to tell them apart.
  N(o + 2).UCB1_Score = -50.0f;
  EXPECT_EQ(ChooseMove(search.store), o + 2);
  EXPECT_EQ(search.store.RootId, o + 2);
  EXPECT_EQ(
      trace.lines,
      (std::vector<std::string>{
          "Location: 8,8  (UCB: 1.50)  (Average: 2.00)  (ANN: 40)  (Visits: 3)  (Total: 6)",
          "Location: 13,13  (UCB: 0.25)  (Average: -1.25)  (ANN: 60)  (Visits: 4)  (Total: -5)",
          "Location: 9,10  (UCB: -50.00)  (Average: 9.00)  (ANN: 10)  (Visits: 1)  (Total: 9)",
      }));
}

TEST_F(RootTest, ChooseMoveTiesGoToTheEarlierChild) {
  N(o).Total = 2.0f;
  N(o).Visits = 1;
  N(o + 1).Total = 4.0f;
  N(o + 1).Visits = 2;
  N(o + 1).UCB1_Score = 100.0f;
  N(o + 2).Total = -1.0f;
  EXPECT_EQ(ChooseMove(search.store), o);
}

TEST_F(RootTest, ChooseMoveNeverTakesAChildWithoutVisits) {
  TraceRecorder trace;
  N(o).Visits = 0;
  N(o).Total = 0.0f;
  N(o + 1).Total = -200.0f;
  N(o + 1).Visits = 1;
  N(o + 2).Visits = 0;
  N(o + 2).Total = 0.0f;
  EXPECT_EQ(ChooseMove(search.store), o + 1);  // -200 is still an average
  EXPECT_EQ(trace.lines[0],
            "Location: 8,8  (UCB: 1.50)  (Average: NaN)  (ANN: 40)  (Visits: 0)  (Total: 0)");

  search.store.RootId = e;
  N(o + 1).Visits = 0;
  EXPECT_EQ(ChooseMove(search.store), 0);
  EXPECT_EQ(search.store.RootId, e);  // unchanged: still names a node
}

TEST_F(RootTest, ChooseMoveWithoutChildren) {
  TraceRecorder trace;
  search.store.RootId = o + 2;
  EXPECT_EQ(ChooseMove(search.store), 0);
  EXPECT_EQ(search.store.RootId, o + 2);
  EXPECT_EQ(trace.lines,
            (std::vector<std::string>{"no children, play root, or forced place score, game end?"}));
  N(o + 2).ChildCount = -1;
  trace.lines.clear();
  EXPECT_EQ(ChooseMove(search.store), 0);
  EXPECT_TRUE(trace.lines.empty());
}

TEST_F(RootTest, TotalIsPrintedRoundedHalfToEven) {
  TraceRecorder trace;
  N(o).Total = 2.5f;
  N(o + 1).Total = 3.5f;
  N(o + 2).Total = -2.5f;
  ChooseMove(search.store);
  EXPECT_NE(trace.lines[0].find("(Total: 2)"), std::string::npos);
  EXPECT_NE(trace.lines[1].find("(Total: 4)"), std::string::npos);
  EXPECT_NE(trace.lines[2].find("(Total: -2)"), std::string::npos);
}

}  // namespace
}  // namespace ruvex
