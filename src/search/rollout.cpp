#include "search/rollout.h"

#include "board/forced.h"
#include "platform/trace.h"
#include "search/expand.h"

namespace ruvex {

void BackPropagate(NodeStore& store, int32_t leafId) {
  SearchNode& leaf = Node(store, leafId);
  const int32_t score = leaf.RolloutScore;
  const int32_t leafTurn = leaf.turn;
  if (leaf.isTerminal == 1) leaf.Visits += 1;
  int32_t p = leaf.ParentID;
  for (int32_t d = 1;; ++d) {
    SearchNode& node = Node(store, p);
    if (node.RootFlag != 0) {
      node.Visits += 1;
      return;
    }
    const int32_t change = node.turn == leafTurn ? score - 5 * d : 5 * d - score;
    node.Total = static_cast<float>(static_cast<double>(node.Total) + change);
    node.Visits += 1;
    // A node that is its own parent has nothing above it (only node 0 before
    // any root was marked); stop rather than walk in a circle.
    if (node.ParentID == p) return;
    p = node.ParentID;
  }
}

void Rollout(SearchState& search, Evaluator& evaluator, int32_t nodeId, int32_t depth) {
  BoardGrid board;
  NodePosition(search.store, nodeId, board);
  RolloutOn(search, evaluator, nodeId, depth, board);
}

void RolloutOn(SearchState& search, Evaluator& evaluator, int32_t nodeId, int32_t depth,
               BoardGrid& board) {
  NodeStore& store = search.store;
  MoveList list;
  for (;;) {
    SearchNode& node = Node(store, nodeId);
    const int status = ExpandCandidates(search.tuning, evaluator, board, list, depth, node.turn);
    const int32_t k = list[0].score;

    if (status == WinScore) {
      const int32_t t = CreateNode(store);
      if (t == 0) return;  // no memory for the node: the tree stays as it was
      node.isTerminal = 2;
      node.RolloutScore = 1;
      node.ChildCount = 1;
      node.children = ChildList{t, 1};
      SearchNode& terminal = Node(store, t);
      terminal.ParentID = nodeId;
      terminal.location = Cell{list[1].x, list[1].y};
      terminal.isTerminal = 1;
      terminal.RolloutScore = WinScore;
      terminal.Total = 220.0f;
      terminal.turn = Other(node.turn);
      BackPropagate(store, t);
      return;
    }
    if (depth > search.tuning.DepthLimit) {
      node.RolloutScore = 0;
      node.Total = 0.0f;
      BackPropagate(store, nodeId);
      return;
    }
    if (k == 0) {
      TraceLog("Expand returned no childred");
      node.ChildCount -= 1;
      return;
    }

    if (!ReserveNodes(store, k)) return;  // no memory for the batch
    const int32_t first = store.NodeCount + 1;
    node.ChildCount = k;
    node.children = ChildList{first, k};
    int32_t best = 0;
    int32_t bestScore = -300;
    for (int32_t i = 1; i <= k; ++i) {
      const int32_t c = store.NodeCount + i;
      const MoveEntry& move = list[i];
      SearchNode& child = Node(store, c);
      child.turn = Other(node.turn);
      child.ParentID = nodeId;
      child.location = Cell{move.x, move.y};
      child.S_Score = move.score;
      if (child.S_Score > bestScore) {
        bestScore = child.S_Score;
        best = c;
      }
    }
    store.NodeCount += k;
    const Cell at = Node(store, best).location;
    board(at.x, at.y) = static_cast<int8_t>(node.turn);
    nodeId = best;
    depth += 1;
  }
}

}  // namespace ruvex
