// Carrying the tree from one turn to the next, and the final move choice.
#pragma once

#include <cstdint>
#include <string>

#include "board/board.h"
#include "search/state.h"

namespace ruvex {

// Readies the root for a search on the game board:
// 1. when RootId differs from NodeCount, the root's children are examined in
//    list order ("Checked Play: " each); the first that holds the opponent's
//    move (location == opponentLastMove, made by the opponent: turn Own, and
//    not a terminal node) becomes RootId ("Actual Play: ") when its position
//    is the game board's (on every playable cell); when none does, or its
//    position is another one:
//    "Blind Sided!! x,y",
//    "Child Count:n", "Root: id" and ResetTree;
// 2. otherwise, when the root is the newest node of a non-empty tree (it has
//    no children), or node 0 left dead (ChildCount < 0) by an earlier board
//    without candidates, ResetTree;
// 3. a working set above 180 MiB: "Mem limit, dropping graph" and ResetTree;
// 4. the root gets turn Own and RootFlag 1 and becomes the base node, the
//    game board its position.
// The memory probe is read exactly once.
void PrepareRoot(SearchState& search, const BoardGrid& game, Cell opponentLastMove);

// Picks the root child with the highest average outcome (Total / Visits),
// the earliest on ties, makes it RootId and returns its ID. Children without
// a visit have no average and are never chosen. Returns 0, leaving RootId
// as it was, when no child can be chosen.
int32_t ChooseMove(NodeStore& store);

// Average outcome of a node as a float32; NaN for a node without visits.
float AverageOf(const SearchNode& node);

// "x,y" of the grid indices, for diagnostic lines.
std::string GridText(Cell cell);

}  // namespace ruvex
