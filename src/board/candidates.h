// Candidate moves: the empty cells next to a stone, or pointed at by two
// stones two steps away, in scan order (ascending x, then ascending y).
#pragma once

#include "board/board.h"

namespace ruvex {

// Fills entries 1..n of list (x, y set, every other field 0), sets
// list.length to n + 1 and returns n. The header (entry 0) is not written.
int FindCandidates(const BoardGrid& grid, MoveList& list);

}  // namespace ruvex
