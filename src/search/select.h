// Selection: one walk from a node down the tree by UCB1 to the node that
// still has to be grown.
#pragma once

#include <cstdint>

#include "eval/evaluator.h"
#include "search/state.h"

namespace ruvex {

// One selection step from nodeId at depth (the root has depth 1), repeated
// down the tree. The first matching case decides at each node:
// 1. a terminal winning node: BackPropagate it;
// 2. never expanded (ChildCount 0): Rollout(node, depth);
// 3. ChildCount -1: "Poisoned... null?", the iteration is spent;
// 4. the first child without a visit, in list order: Rollout(child, depth + 1);
// 5. otherwise the child with the highest UCB (the earliest on ties), one
//    level deeper.
void SelectNode(SearchState& search, Evaluator& evaluator, int32_t nodeId, int32_t depth);

// Stores in the node's UCB1_Score: Avg + weight x sqrt(ln(parent Visits) /
// Visits), with Avg = Total / Visits rounded to float32, the rest in double,
// the result rounded to float32. The node needs at least one visit.
void ComputeUcb(NodeStore& store, int32_t nodeId, float weight);

}  // namespace ruvex
