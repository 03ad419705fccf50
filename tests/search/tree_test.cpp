// The tree: the node store, selection by UCB, rollouts with back-propagation,
// and the root carried from turn to turn with the final move choice.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "board/forced.h"
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

TEST_F(TreeTest, ADeadNodeSpendsTheIterationAndIsTriedAgainUnvisited) {
  for (const int32_t count : {-1, -2}) {
    Root(Board({{10, 10, Opponent}, {11, 11, Own}}));
    N(0).ChildCount = count;
    SelectNode(search, evaluator, 0, 1);
    EXPECT_EQ(std::tuple(N(0).ChildCount, N(0).Visits, search.store.NodeCount),
              std::tuple(count, 0, 0));
  }
  Root(Board({}));  // no candidate: each rollout lowers ChildCount and backs up nothing
  Rollout(search, evaluator, 0, 1);
  Rollout(search, evaluator, 0, 1);
  EXPECT_EQ(std::tuple(N(0).ChildCount, N(0).Visits, search.store.NodeCount), std::tuple(-2, 0, 0));
}

TEST_F(TreeTest, FiveMakesATerminalChildBackedUpWithAlternatingDiscountedSigns) {
  int32_t a = 0, b = 0, w = 0, t = 0;
  for (const int32_t depth : {4, 16}) {  // past the depth limit the five still counts
    SCOPED_TRACE(depth);
    // Root (Own to move) -> A (Own's move) -> B (Opponent's, a four at (5, 5)..(5, 8))
    // -> W (Own's); Opponent to move at W has a five at (5, 4).
    SetUp();
    Root(Board(
        {{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {12, 12, Own}, {12, 13, Own}}));
    a = AddChildren(search.store, 0, {{15, 15}});
    b = AddChildren(search.store, a, {{5, 8}});
    w = AddChildren(search.store, b, {{15, 16}});
    t = w + 1;
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
  // Selecting the terminal node again adds the same amounts.
  SelectNode(search, evaluator, 0, 1);
  EXPECT_EQ(Of(&SearchNode::Total, {t, w, b, a}), (Floats{220, -430, 420, -410}));
  EXPECT_EQ(Of(&SearchNode::Visits, {t, w, b, a, 0}), (Ints{2, 2, 2, 2, 2}));
  EXPECT_EQ(search.store.NodeCount, t);
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

TEST_F(RootTest, OpponentsReplyInTheTreeBecomesTheRootWithItsSubtree) {
  const int32_t count = search.store.NodeCount;
  const BoardGrid childBoard = Position(o + 3);
  PrepareRoot(search, game, Cell{13, 13});
  EXPECT_EQ(std::tuple(search.store.RootId, search.store.NodeCount, memoryReads),
            std::tuple(o + 1, count, 1u));
  EXPECT_EQ(std::tuple(N(o + 1).Visits, N(o + 1).ChildCount, N(o + 1).RootFlag, N(o + 1).turn),
            std::tuple(4, 2, 1, Own));
  EXPECT_EQ(std::tuple(Position(o + 1), Position(o + 3)), std::tuple(game, childBoard));
}

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
      {o + 1,
       {14, 14},
       false,
       0,
       false},                         // a child the engine itself would play: an older position
      {0, {12, 12}, false, 0, false},  // node 0 left as RootId by an answer that kept the root
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
  EXPECT_EQ(ChooseMove(search.store), o + 2);  // not the most visits, nor the highest UCB
  EXPECT_EQ(search.store.RootId, o + 2);
  struct Case {
    Ints visits;
    Floats totals;
    int32_t chosen;  // index of the child, -1: none (RootId stays)
  };
  const Case cases[] = {
      {{1, 2, 1}, {2.0f, 4.0f, -1.0f}, 0},
      {{0, 1, 0}, {0.0f, -200.0f, 0.0f}, 1},  // -200 is still an average
      {{0, 0, 0}, {0.0f, 0.0f, 0.0f}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    Stats(o, c.visits, c.totals);
    search.store.RootId = e;
    EXPECT_EQ(ChooseMove(search.store), c.chosen < 0 ? 0 : o + c.chosen);
    EXPECT_EQ(search.store.RootId, c.chosen < 0 ? e : o + c.chosen);
  }
  for (const int32_t count : {0, -1}) {  // a root without children chooses nothing
    N(o + 2).ChildCount = count;
    search.store.RootId = o + 2;
    EXPECT_EQ(std::tuple(ChooseMove(search.store), search.store.RootId), std::tuple(0, o + 2));
  }
}

// The search as it was when every node held its board: boards[id] is node
// id's position, each child's board its parent's plus the move.
struct BoardTree {
  SearchState search;
  std::vector<BoardGrid> boards;

  void Grow() {
    if (boards.size() <= static_cast<std::size_t>(search.store.NodeCapacity))
      boards.resize(static_cast<std::size_t>(search.store.NodeCapacity) + 1);
  }

  void Rollout(Evaluator& evaluator, int32_t id, int32_t depth) {
    NodeStore& store = search.store;
    MoveList list;
    for (;;) {
      SearchNode& node = Node(store, id);
      const int status =
          ExpandCandidates(search.tuning, evaluator, boards[id], list, depth, node.turn);
      const int32_t k = list[0].score;
      if (status == WinScore) {
        const int32_t w = CreateNode(store);
        if (w == 0) return;
        Grow();
        std::tie(node.isTerminal, node.RolloutScore, node.ChildCount, node.children) =
            std::tuple(2, 1, 1, ChildList{w, 1});
        SearchNode& t = Node(store, w);
        std::tie(t.ParentID, t.location, t.isTerminal, t.RolloutScore, t.Total, t.turn) =
            std::tuple(id, Cell{list[1].x, list[1].y}, 1, WinScore, 220.0f, Other(node.turn));
        BackPropagate(store, w);
        return;
      }
      if (depth > search.tuning.DepthLimit) {
        std::tie(node.RolloutScore, node.Total) = std::tuple(0, 0.0f);
        BackPropagate(store, id);
        return;
      }
      if (k == 0) {
        node.ChildCount -= 1;
        return;
      }
      if (!ReserveNodes(store, k)) return;
      Grow();
      std::tie(node.ChildCount, node.children) = std::tuple(k, ChildList{store.NodeCount + 1, k});
      int32_t best = 0, bestScore = -300;
      for (int32_t i = 1; i <= k; ++i) {
        const int32_t c = store.NodeCount + i;
        SearchNode& child = Node(store, c);
        std::tie(child.turn, child.ParentID, child.location, child.S_Score) =
            std::tuple(Other(node.turn), id, Cell{list[i].x, list[i].y}, list[i].score);
        boards[c] = boards[id];
        boards[c](list[i].x, list[i].y) = static_cast<int8_t>(node.turn);
        if (child.S_Score > bestScore) std::tie(best, bestScore) = std::tuple(c, child.S_Score);
      }
      store.NodeCount += k;
      id = best;
      depth += 1;
    }
  }

  void Select(Evaluator& evaluator, int32_t id, int32_t depth) {
    NodeStore& store = search.store;
    for (;; ++depth) {
      const SearchNode& node = Node(store, id);
      if (node.isTerminal == 1) return BackPropagate(store, id);
      if (node.ChildCount == 0) return Rollout(evaluator, id, depth);
      if (node.ChildCount < 0) return;
      for (int32_t i = 1; i <= node.ChildCount; ++i) {
        if (Node(store, node.children[i]).Visits == 0)
          return Rollout(evaluator, node.children[i], depth + 1);
      }
      float best = -100000.0f;
      for (int32_t i = 1; i <= node.ChildCount; ++i) {
        ComputeUcb(store, node.children[i], search.tuning.ExplorationWeight);
        if (Node(store, node.children[i]).UCB1_Score > best)
          std::tie(best, id) =
              std::tuple(Node(store, node.children[i]).UCB1_Score, node.children[i]);
      }
    }
  }
};

// Random games searched both ways, the tree carried from turn to turn: the
// same records (byte for byte), the same counters and the same moves, and
// every node's position is its board of old.
TEST(BoardlessNodes, SearchAsWithABoardInEveryNode) {
  std::mt19937_64 random(5);
  for (int g = 0; g < 2; ++g) {
    Network network;
    CreateNetwork(network, InputCount, 8, OutputCount);
    std::uniform_real_distribution<double> weight(-0.6, 0.6);
    for (double& w : network.W1) w = weight(random);
    for (double& w : network.W2) w = weight(random);
    Evaluator lean, old;
    InitEvaluator(lean);
    InitEvaluator(old);
    lean.network = old.network = network;
    SearchState search;
    BoardTree tree;
    BoardGrid game = Board({});
    for (int s = 0; s < 6; ++s) {
      game(8 + static_cast<int>(random() % 6), 8 + static_cast<int>(random() % 6)) =
          static_cast<int8_t>(s % 2 == 0 ? Opponent : Own);
    }
    Cell last{0, 0};
    for (int turn = 0; turn < 3; ++turn) {
      SCOPED_TRACE(::testing::Message() << "game " << g << " turn " << turn);
      PrepareRoot(search, game, last);
      PrepareRoot(tree.search, game, last);
      tree.Grow();
      tree.boards[tree.search.store.RootId] = game;
      for (int i = 0; i < 40; ++i) {
        SelectNode(search, lean, search.store.RootId, 1);
        tree.Select(old, tree.search.store.RootId, 1);
      }
      const NodeStore& store = search.store;
      ASSERT_EQ(std::tuple(store.NodeCount, lean.AnnCalls, lean.AnnCacheHits),
                std::tuple(tree.search.store.NodeCount, old.AnnCalls, old.AnnCacheHits));
      for (int32_t id = 0; id <= store.NodeCount; ++id) {
        ASSERT_EQ(std::memcmp(&Node(store, id), &Node(tree.search.store, id), sizeof(SearchNode)),
                  0)
            << id;
        int32_t top = id;  // the base node for a node of this turn's search
        while (top != store.baseId && Node(store, top).ParentID != top)
          top = Node(store, top).ParentID;
        BoardGrid position;
        NodePosition(store, id, position);
        if (Node(store, id).isTerminal != 1 && top == store.baseId) {
          ASSERT_EQ(position, tree.boards[id]) << id;
        }
      }
      const int32_t chosen = ChooseMove(search.store);
      ASSERT_EQ(chosen, ChooseMove(tree.search.store));
      if (chosen == 0 || Node(store, chosen).ChildCount <= 0) break;
      const SearchNode& move = Node(store, chosen);
      game(move.location.x, move.location.y) = Own;
      // A reply the tree holds, so that its subtree is carried.
      const int32_t n = move.ChildCount;
      const SearchNode& reply = Node(store, move.children[1 + static_cast<int32_t>(random() % n)]);
      last = reply.location;
      game(last.x, last.y) = Opponent;
    }
  }
}

}  // namespace
}  // namespace ruvex
