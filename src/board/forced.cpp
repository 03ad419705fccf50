#include "board/forced.h"

#include "board/candidates.h"

namespace ruvex {

namespace {

// The four lines through a cell, in the order they are examined.
constexpr int LineSteps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};

}  // namespace

int IsFiveThrough(int side, const BoardGrid& grid, const MoveEntry& cell) {
  // Of the nine cells centred on an off-board cell at most four are playable,
  // so no run of five can form: answer at once (this also keeps the index
  // arithmetic below free of overflow for any x and y).
  if (!IsPlayable(cell.x, cell.y)) return -1;
  for (const auto& step : LineSteps) {
    int run = 0;
    for (int d = -4; d <= 4; ++d) {
      const int x = cell.x + d * step[0];
      const int y = cell.y + d * step[1];
      if (!IsPlayable(x, y)) continue;  // off-board cells leave the run as it is
      if (grid(x, y) == side) {
        if (++run == 5) return 1;
      } else {
        run = 0;
      }
    }
  }
  return -1;
}

int FindWinningMove(BoardGrid& grid, MoveList& result, int side) {
  MoveList candidates;
  const int n = FindCandidates(grid, candidates);
  const auto stone = static_cast<int8_t>(side);
  for (int k = 1; k <= n; ++k) {
    const MoveEntry& cell = candidates[k];
    grid(cell.x, cell.y) = stone;
    const int five = IsFiveThrough(side, grid, cell);
    grid(cell.x, cell.y) = Empty;
    if (five == 1) {
      ResetList(result);
      result[0].score = 1;
      result[1] = MoveEntry{cell.x, cell.y, WinScore, side, 0.0};
      result.length = 2;
      return WinScore;
    }
  }
  return 0;
}

}  // namespace ruvex
