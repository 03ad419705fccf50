// The tree: the node store, selection by UCB, rollouts with back-propagation,
// and the root carried from turn to turn with the final move choice.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "board/forced.h"
#include "eval/eval_support.h"  // RandomNetwork
#include "search/expand.h"
#include "search/node_store.h"
#include "search/rollout.h"
#include "search/root.h"
#include "search/select.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;
using Floats = std::vector<float>;
using Ints = std::vector<int32_t>;

// Records from..to of a store, compared byte for byte (they live in
// zero-filled pages).
bool AllFresh(const NodeStore& store, int32_t from, int32_t to) {
  static const SearchNode fresh{};
  for (int32_t id = from; id <= to; ++id) {
    if (std::memcmp(&Node(store, id), &fresh, sizeof(SearchNode)) != 0) return false;
  }
  return true;
}

TEST(NodeStore, GrowsAtTheBoundaryKeepsIdsAndResetDropsEverything) {
  NodeStore store;  // no capacity until the first growth
  ASSERT_TRUE(ReserveNodes(store, 14));
  SearchNode* first = &Node(store, 1);
  first->S_Score = 77;
  store.NodeCount = 9985;
  ASSERT_TRUE(ReserveNodes(store, 14));  // last ID 9999
  EXPECT_EQ(store.NodeCapacity, 10000);
  store.NodeCount = 9986;
  ASSERT_TRUE(ReserveNodes(store, 14));  // last ID 10000 == capacity: grows first
  EXPECT_EQ(store.NodeCapacity, 20000);
  store.NodeCount = 19998;  // a single node is counted first, then grows the store
  EXPECT_EQ(std::tuple(CreateNode(store), store.NodeCapacity), std::tuple(19999, 20000));
  EXPECT_EQ(std::tuple(CreateNode(store), store.NodeCapacity), std::tuple(20000, 30000));
  EXPECT_EQ(std::tuple(&Node(store, 1), first->S_Score), std::tuple(first, 77));  // never moved
  EXPECT_TRUE(AllFresh(store, 2, 30000));

  Node(store, 0).Visits = 9;
  store.RootId = 7;
  ResetTree(store);
  EXPECT_EQ(std::tuple(store.NodeCount, store.NodeCapacity, store.RootId, Node(store, 0).Visits),
            std::tuple(0, 10000, 0, 0));
  EXPECT_EQ(StoreBytes(store), sizeof(SearchNode) * 10001);  // extra blocks released
  EXPECT_TRUE(AllFresh(store, 1, 10000));
}

TEST(NodeStore, MissingMemoryIsReportedAndChangesNothing) {
  PageLimit pages{1};
  NodeStore store;
  store.pages = LimitedPages(pages);
  ResetTree(store);
  store.NodeCount = 9990;
  EXPECT_FALSE(ReserveNodes(store, 14));
  EXPECT_EQ(std::tuple(store.Exhausted, store.NodeCapacity), std::tuple(true, 10000));
  store.Exhausted = false;
  store.NodeCount = 9999;
  EXPECT_EQ(std::tuple(CreateNode(store), store.Exhausted, store.NodeCount),
            std::tuple(0, true, 9999));
  pages.limit = 0;  // a reset that cannot get its block leaves a usable, empty store
  ResetTree(store);
  EXPECT_EQ(std::tuple(store.NodeCount, store.NodeCapacity, pages.held), std::tuple(0, 0, 0u));
  pages.limit = 1;
  EXPECT_TRUE(ReserveNodes(store, 14));
}

using TreeTest = SearchTest;

TEST_F(TreeTest, ComputeUcbRoundsTheAverageToFloatFirst) {
  Root(Board({}));
  const int32_t c = AddChildren(search.store, 0, {{9, 9}});
  // 5 / 12 is rounded to float first (unrounded the result would be
  // 54.62583541870117); ln 1 = 0 leaves the average alone.
  for (const auto& [parentVisits, total, visits, ucb] :
       {std::tuple{7, 10.0f, 3, 83.87132263183594f}, std::tuple{34, 5.0f, 12, 54.625831604003906f},
        std::tuple{1, -7.0f, 1, -7.0f}}) {
    std::tie(N(0).Visits, N(c).Total, N(c).Visits) = std::tuple(parentVisits, total, visits);
    ComputeUcb(search.store, c, 100.0f);
    EXPECT_EQ(N(c).UCB1_Score, ucb);
  }
}

TEST_F(TreeTest, ADeadNodeSpendsTheIterationUnvisited) {
  for (const int32_t count : {-1, -2}) {
    Root(Board({{10, 10, Opponent}, {11, 11, Own}}));
    N(0).ChildCount = count;
    SelectNode(search, evaluator, 0, 1);
    EXPECT_EQ(std::tuple(N(0).ChildCount, N(0).Visits, search.store.NodeCount),
              std::tuple(count, 0, 0));
  }
}

TEST_F(TreeTest, FiveMakesATerminalChildBackedUpWithAlternatingDiscountedSigns) {
  for (const int32_t depth : {4, 16}) {  // past the depth limit the five still counts
    SCOPED_TRACE(depth);
    // Root (Own to move) -> A (Own's move) -> B (Opponent's, a four at (5, 5)..(5, 8))
    // -> W (Own's); Opponent to move at W has a five at (5, 4).
    SetUp();
    Root(Board(
        {{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {12, 12, Own}, {12, 13, Own}}));
    const int32_t a = AddChildren(search.store, 0, {{15, 15}});
    const int32_t b = AddChildren(search.store, a, {{5, 8}});
    const int32_t w = AddChildren(search.store, b, {{15, 16}}), t = w + 1;
    Rollout(search, evaluator, w, depth);
    EXPECT_EQ(std::tuple(N(w).isTerminal, N(w).RolloutScore, N(w).ChildCount, N(w).children[1]),
              std::tuple(2, 1, 1, t));
    EXPECT_EQ(
        std::tuple(N(t).ParentID, N(t).location, N(t).isTerminal, N(t).RolloutScore, N(t).turn),
        std::tuple(w, Cell{5, 4}, 1, 220, Own));
    EXPECT_EQ(Of(&SearchNode::Total, {t, w, b, a, 0}), (Floats{220, -215, 210, -205, 0}));
    EXPECT_EQ(Of(&SearchNode::Visits, {t, w, b, a, 0}), (Ints{1, 1, 1, 1, 1}));
    EXPECT_EQ(std::tuple(search.store.NodeCount, evaluator.AnnCalls), std::tuple(t, 0));
  }
}

TEST_F(TreeTest, BackPropagationStopsAtTheFirstRootFlag) {
  Root(Board({{10, 10, Opponent}}));
  const int32_t a = AddChildren(search.store, 0, {{9, 9}});
  const int32_t b = AddChildren(search.store, a, {{9, 10}});
  const int32_t c = AddChildren(search.store, b, {{9, 11}});
  const int32_t d = AddChildren(search.store, c, {{9, 12}});
  N(b).RootFlag = 1;  // the current root; a and node 0 were roots before
  BackPropagate(search.store, d);
  EXPECT_EQ(Of(&SearchNode::Total, {c, b}), (Floats{5, 0}));
  EXPECT_EQ(Of(&SearchNode::Visits, {c, b, a, 0}), (Ints{1, 1, 0, 0}));
  N(b).RootFlag = N(0).RootFlag = 0;  // no root: the walk ends at node 0, not in a circle
  BackPropagate(search.store, d);
  EXPECT_EQ(Of(&SearchNode::Visits, {a, 0}), (Ints{1, 1}));
}

// The tree as a search leaves it: root 0, the engine's moves E (9, 9) and
// (12, 12) below it, E chosen as RootId, and three opponent replies under E
// (the most visits, the highest UCB and the best average are three
// children), the second of which has two children.
class RootTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    Root(Board({{10, 10, Opponent}, {11, 11, Own}}));
    e = AddChildren(search.store, 0, {{9, 9}, {12, 12}});
    o = AddChildren(search.store, e, {{8, 8}, {13, 13}, {9, 10}});
    Stats(o, {3, 4, 1}, {6.5f, -5.0f, 9.5f});
    std::tie(N(o).UCB1_Score, N(o + 1).UCB1_Score) = std::tuple(60.0f, 0.25f);
    AddChildren(search.store, o + 1, {{14, 14}, {7, 7}});
    search.store.RootId = e;
    game = Position(o + 1);
  }
  void Stats(int32_t first, Ints visits, Floats totals) {
    for (int i = 0; i < 3; ++i)
      std::tie(N(first + i).Visits, N(first + i).Total) = std::tuple(visits[i], totals[i]);
  }
  BoardGrid game;
  int32_t e = 0;
  int32_t o = 0;
};

TEST_F(RootTest, TreeIsResetWhenNoChildHoldsTheReplyOrMemoryIsShort) {
  struct Case {
    int32_t root;  // -1: the newest node
    Cell reply;
    bool terminal;  // the reply's node ended the last game
    uint64_t memory;
    bool otherGame;  // the reply's node holds another position than the game board
  };
  const Case cases[] = {
      {e, {1, 1}, false, 0, false},
      {o + 1, {14, 14}, false, 0, false},  // a child the engine would play: an older position
      {0, {12, 12}, false, 0, false},      // node 0 left as RootId by an answer that kept the root
      {e, {13, 13}, true, 0, false},
      {-1, {13, 13}, false, 0, false},  // the newest node has no children
      {e, {13, 13}, false, 181 * MiB, false},
      {e, {13, 13}, false, 0, true},  // a new game (or a BOARD block) with the same last move
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    SetUp();
    search.store.RootId = c.root < 0 ? search.store.NodeCount : c.root;
    N(o + 1).isTerminal = c.terminal ? 1 : 0;
    memory = {c.memory};
    if (c.otherGame) game = Board({{13, 13, Opponent}});
    PrepareRoot(search, game, c.reply);
    EXPECT_EQ(std::tuple(search.store.RootId, search.store.NodeCount, search.store.NodeCapacity),
              std::tuple(0, 0, 10000));
    EXPECT_EQ(std::tuple(N(0).ChildCount, N(0).RootFlag, Position(0)), std::tuple(0, 1, game));
  }
  SetUp();
  memory = {180 * MiB + MiB - 1};
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_EQ(search.store.RootId, o + 1);
  SearchTest::SetUp();  // the first search of the process starts from node 0, not reset
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_EQ(std::tuple(search.store.RootId, search.store.NodeCapacity, Position(0), N(0).RootFlag),
            std::tuple(0, 0, game, 1));
}

TEST_F(RootTest, ChooseMoveTakesTheEarliestBestAverageOfVisitedChildren) {
  // Not the most visits, nor the highest UCB.
  EXPECT_EQ(std::tuple(ChooseMove(search.store), search.store.RootId), std::tuple(o + 2, o + 2));
  // (visits, totals) of the three children; the index chosen, -1: none (RootId stays).
  for (const auto& [visits, totals, chosen] :
       {std::tuple{Ints{1, 2, 1}, Floats{2, 4, -1}, 0},
        std::tuple{Ints{0, 1, 0}, Floats{0, -200, 0}, 1},
        std::tuple{Ints{0, 0, 0}, Floats{0, 0, 0}, -1}}) {  // -200 is still an average
    Stats(o, visits, totals);
    search.store.RootId = e;
    EXPECT_EQ(std::tuple(ChooseMove(search.store), search.store.RootId),
              std::tuple(chosen < 0 ? 0 : o + chosen, chosen < 0 ? e : o + chosen));
  }
  for (const int32_t count : {0, -1}) {  // a root without children chooses nothing
    N(o + 2).ChildCount = count;
    search.store.RootId = o + 2;
    EXPECT_EQ(std::tuple(ChooseMove(search.store), search.store.RootId), std::tuple(0, o + 2));
  }
}

// Random games searched with the tree carried from turn to turn, checked
// against boards kept the old way, one per node (each child's board its
// parent's plus the move): every node's position is its board, and every
// expanded node holds exactly the expansion of its board (cells and scores,
// or the five of a terminal child).
TEST(BoardlessNodes, PositionsAndExpansionsAsWithABoardInEveryNode) {
  std::mt19937_64 random(5);
  for (int g = 0; g < 2; ++g) {
    Evaluator evaluator, reference;
    InitEvaluator(evaluator);
    InitEvaluator(reference);
    evaluator.network = reference.network = RandomNetwork(random, 0.6, 8);
    SearchState search;
    BoardGrid game = Board({});
    for (int s = 0; s < 6; ++s)
      game(8 + int(random() % 6), 8 + int(random() % 6)) = int8_t(s % 2 == 0 ? Opponent : Own);
    Cell last{0, 0};
    for (int turn = 0; turn < 3; ++turn) {
      PrepareRoot(search, game, last);
      const NodeStore& store = search.store;
      for (int i = 0; i < 40; ++i) SelectNode(search, evaluator, store.RootId, 1);
      std::vector<BoardGrid> boards(store.NodeCount + 1);
      std::vector<bool> mine(store.NodeCount + 1);  // in the subtree of this turn's base
      boards[store.baseId] = game;
      mine[store.baseId] = true;
      for (int32_t id = 1; id <= store.NodeCount; ++id) {
        const SearchNode& node = Node(store, id);
        if (id == store.baseId || !mine[node.ParentID]) continue;
        mine[id] = true;
        boards[id] = boards[node.ParentID];
        boards[id](node.location.x, node.location.y) = int8_t(Node(store, node.ParentID).turn);
      }
      for (int32_t id = 0; id <= store.NodeCount; ++id) {
        const SearchNode& node = Node(store, id);
        if (!mine[id] || node.isTerminal == 1) continue;
        BoardGrid position;
        NodePosition(store, id, position);
        ASSERT_EQ(position, boards[id]) << g << " " << turn << " " << id;
        if (node.ChildCount <= 0) continue;
        MoveList list;
        ExpandCandidates(search.tuning, reference, boards[id], list, 1, node.turn);
        const int32_t k = node.isTerminal == 2 ? 1 : list[0].score;
        ASSERT_EQ(node.ChildCount, k) << id;
        for (int32_t i = 1; i <= k; ++i) {
          const SearchNode& child = Node(store, node.children[i]);
          ASSERT_EQ(
              std::tuple(child.location, child.S_Score),
              std::tuple(Cell{list[i].x, list[i].y}, node.isTerminal == 2 ? 0 : list[i].score))
              << id;
        }
      }
      const int32_t chosen = ChooseMove(search.store);
      if (chosen == 0 || Node(store, chosen).ChildCount <= 0) break;
      const SearchNode& move = Node(store, chosen);
      game(move.location.x, move.location.y) = Own;
      // A reply the tree holds, so that its subtree is carried.
      last = Node(store, move.children[1 + int32_t(random() % move.ChildCount)]).location;
      game(last.x, last.y) = Opponent;
    }
  }
}

}  // namespace
}  // namespace ruvex
