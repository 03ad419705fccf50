#include "board/forced.h"

#include "board/candidates.h"

namespace ruvex {

namespace {

// The four lines through a cell, in the order they are examined.
constexpr int LineSteps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};

}  // namespace

// The nine cells of a line centred on (x, y) are scanned as a run count that
// off-board cells leave alone. Any five consecutive cells among the nine
// include the centre, and the playable cells of a line form one unbroken
// stretch, so the scan finds five exactly when the centre holds side and the
// side's cells reaching out from it (at most four each way, stopping at the
// first unlike or off-board cell) make five together with it. That count
// reads only the cells it needs.
int IsFiveThrough(int side, const BoardGrid& grid, const MoveEntry& cell) {
  // Off-board centres have at most four playable cells on any line; this also
  // keeps the index arithmetic below free of overflow for any x and y.
  if (!IsPlayable(cell.x, cell.y) || grid(cell.x, cell.y) != side) return -1;
  for (const auto& step : LineSteps) {
    int run = 1;
    for (int d = 1; d <= 4; ++d) {
      const int x = cell.x + d * step[0];
      const int y = cell.y + d * step[1];
      if (!IsPlayable(x, y) || grid(x, y) != side) break;
      ++run;
    }
    for (int d = 1; d <= 4 && run < 5; ++d) {
      const int x = cell.x - d * step[0];
      const int y = cell.y - d * step[1];
      if (!IsPlayable(x, y) || grid(x, y) != side) break;
      ++run;
    }
    if (run >= 5) return 1;
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
