#include "search/select.h"

#include <cmath>

#include "platform/trace.h"
#include "search/rollout.h"

namespace ruvex {

void ComputeUcb(NodeStore& store, int32_t nodeId, float weight) {
  SearchNode& node = Node(store, nodeId);
  const double parentVisits = Node(store, node.ParentID).Visits;
  const double visits = node.Visits;
  const float avg = static_cast<float>(static_cast<double>(node.Total) / visits);
  node.UCB1_Score =
      static_cast<float>(static_cast<double>(avg) +
                         static_cast<double>(weight) * std::sqrt(std::log(parentVisits) / visits));
}

void SelectNode(SearchState& search, Evaluator& evaluator, int32_t nodeId, int32_t depth) {
  NodeStore& store = search.store;
  // The position of the node the walk stands on, one stone added per level.
  BoardGrid board;
  NodePosition(store, nodeId, board);
  for (;;) {
    const SearchNode& node = Node(store, nodeId);
    if (node.isTerminal == 1) {
      BackPropagate(store, nodeId);
      return;
    }
    if (node.ChildCount == 0) {
      RolloutOn(search, evaluator, nodeId, depth, board);
      return;
    }
    if (node.ChildCount == -1) {
      TraceLog("Poisoned... null?");
      return;
    }
    const int32_t count = node.ChildCount;
    const ChildList children = node.children;
    for (int32_t i = 1; i <= count; ++i) {
      const SearchNode& child = Node(store, children[i]);
      if (child.Visits == 0) {
        board(child.location.x, child.location.y) = static_cast<int8_t>(node.turn);
        RolloutOn(search, evaluator, children[i], depth + 1, board);
        return;
      }
    }
    float best = -100000.0f;
    int32_t bestId = 0;
    for (int32_t i = 1; i <= count; ++i) {
      ComputeUcb(store, children[i], search.tuning.ExplorationWeight);
      const float ucb = Node(store, children[i]).UCB1_Score;
      if (ucb > best) {
        best = ucb;
        bestId = children[i];
      }
    }
    // No child to descend into (a count below -1 lists none): the iteration
    // is spent rather than wandering to node 0.
    if (bestId == 0) return;
    const Cell at = Node(store, bestId).location;
    board(at.x, at.y) = static_cast<int8_t>(node.turn);
    nodeId = bestId;
    depth += 1;
  }
}

}  // namespace ruvex
