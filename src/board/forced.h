// The five test and the immediate-win search.
#pragma once

#include "board/board.h"

namespace ruvex {

constexpr int WinScore = 220;

// 1 when the cell lies on a run of five or more cells holding side along one
// of the four lines, -1 otherwise. Only cell.x and cell.y are read.
int IsFiveThrough(int side, const BoardGrid& grid, const MoveEntry& cell);

// Tries every candidate cell for side in scan order. On the first that
// completes five: result becomes a header (score 1) and one entry (x, y,
// score 220, turn side, value 0), and the call returns 220. Otherwise
// returns 0 and leaves result as it was. The grid is unchanged afterwards.
int FindWinningMove(BoardGrid& grid, MoveList& result, int side);

}  // namespace ruvex
