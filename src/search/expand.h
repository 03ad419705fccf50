// Expansion: the moves worth trying in a position, valued by the network,
// sorted and cut to a short list.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "eval/evaluator.h"
#include "search/tuning.h"

namespace ruvex {

constexpr int BlockScore = 180;  // status: the opponent's five must be blocked

// Lists the moves for side in board into list (header score = entry count):
// - the first candidate (scan order) that completes five for side: one entry
//   (score 0, value 0), status 220;
// - else the first candidate that completes five for the other side: one
//   entry (score 0, value 0), status 180;
// - else every candidate valued by ValueCell for side, sorted by value
//   (highest first), cut by MaxChildren, MinChildren and ValueCutoff; each
//   entry gets turn side and score = value x 180 rounded half to even. The
//   status is the first entry's score, 0 for an empty list.
// board is written during the call and restored before it returns. depth is
// not used. Never allocates.
int ExpandCandidates(const SearchTuning& tuning, Evaluator& evaluator, BoardGrid& board,
                     MoveList& list, int depth, int side);

// Sorts entries lo..hi by value, highest first, with the median-of-three
// quicksort whose order of equal values the search depends on (two equal
// values A, B come out B, A).
void SortByValue(MoveList& list, int lo, int hi);

// Leaves entries lo..min(hi, last) exactly as SortByValue(list, lo, hi)
// would, doing only the partitions that reach them; the entries after them
// are left in some order.
void SortByValueUpTo(MoveList& list, int lo, int hi, int last);

// value x 180 rounded to the nearest integer, ties to even (0.5 gives 90).
// Network values lie in [0, 1]; anything else (a weight file holding NaN or
// infinities) is held to the score range 0..180, and NaN gives 0.
int32_t ScoreOfValue(double value);

}  // namespace ruvex
