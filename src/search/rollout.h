// Growing the tree along the network's first choice, and backing outcomes up.
#pragma once

#include <cstdint>

#include "eval/evaluator.h"
#include "search/state.h"

namespace ruvex {

// Expands node and keeps descending into its best-valued child, one level
// per step, until a five (a terminal child worth 220 is created and backed
// up), the depth limit (the node scores 0 and is backed up unexpanded) or a
// position without candidates ("Expand returned no childred", ChildCount
// lowered by 1, nothing backed up). The root has depth 1.
void Rollout(SearchState& search, Evaluator& evaluator, int32_t nodeId, int32_t depth);

// Rollout with board already holding the node's position; the board follows
// the rollout down and is left in an unspecified position.
void RolloutOn(SearchState& search, Evaluator& evaluator, int32_t nodeId, int32_t depth,
               BoardGrid& board);

// Backs the leaf's RolloutScore up to the first node with RootFlag set: each
// ancestor d plies up gains score - 5d when its side to move is the leaf's,
// 5d - score otherwise (float32 totals) and one visit; the root node gains
// one visit only. A terminal leaf counts a visit of its own.
void BackPropagate(NodeStore& store, int32_t leafId);

}  // namespace ruvex
