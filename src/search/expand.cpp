#include "search/expand.h"

#include <cmath>
#include <utility>

#include "board/candidates.h"
#include "board/forced.h"

namespace ruvex {

namespace {

// Makes the list the single entry (x, y), turn side, score 0, value 0.
void SingleEntry(MoveList& list, int x, int y, int side) {
  list[1] = MoveEntry{x, y, 0, side, 0.0};
  list[0].score = 1;
  list.length = 2;
}

// The first candidate 1..n at which side completes five, 0 when none does.
int FirstFive(BoardGrid& board, const MoveList& list, int n, int side) {
  for (int i = 1; i <= n; ++i) {
    const MoveEntry& cell = list[i];
    board(cell.x, cell.y) = static_cast<int8_t>(side);
    const bool five = IsFiveThrough(side, board, cell) == 1;
    board(cell.x, cell.y) = Empty;
    if (five) return i;
  }
  return 0;
}

int Partition(MoveList& list, int lo, int hi) {
  const int mid = (lo + hi) / 2;
  int pivot;
  if (list[lo].value >= list[hi].value) {
    if (list[mid].value >= list[lo].value) {
      pivot = lo;
    } else if (list[hi].value >= list[mid].value) {
      pivot = hi;
    } else {
      pivot = mid;
    }
  } else {
    pivot = mid;
  }
  std::swap(list[lo], list[pivot]);
  const double p = list[lo].value;
  int i = lo - 1;
  int j = hi + 1;
  for (;;) {
    do --j;
    while (p > list[j].value);
    do ++i;
    while (list[i].value > p);
    if (i >= j) return j;
    std::swap(list[i], list[j]);
  }
}

}  // namespace

void SortByValue(MoveList& list, int lo, int hi) {
  while (hi - lo > 0) {
    const int m = Partition(list, lo, hi);
    SortByValue(list, lo, m);
    lo = m + 1;
  }
}

// Quicksort's parts are sorted independently of each other, so a part
// wholly after last never changes an entry up to last.
void SortByValueUpTo(MoveList& list, int lo, int hi, int last) {
  while (hi - lo > 0 && lo <= last) {
    const int m = Partition(list, lo, hi);
    SortByValueUpTo(list, lo, m, last);
    lo = m + 1;
  }
}

int32_t ScoreOfValue(double value) {
  const double score = std::nearbyint(value * 180.0);
  if (!(score >= 0.0)) return 0;  // below 0, or not a number
  if (score >= 180.0) return 180;
  return static_cast<int32_t>(score);
}

int ExpandCandidates(const SearchTuning& tuning, Evaluator& evaluator, BoardGrid& board,
                     MoveList& list, int /*depth*/, int side) {
  ResetList(list);
  const int n = FindCandidates(board, list);

  if (const int win = FirstFive(board, list, n, side); win != 0) {
    SingleEntry(list, list[win].x, list[win].y, side);
    return WinScore;
  }
  if (const int block = FirstFive(board, list, n, Other(side)); block != 0) {
    SingleEntry(list, list[block].x, list[block].y, side);
    return BlockScore;
  }

  ValueCells(evaluator, board, list, n, side);
  // Only the first MaxChildren entries can be kept.
  SortByValueUpTo(list, 1, n, tuning.MaxChildren);

  int kept = 0;
  for (int i = 1; i <= n && i <= tuning.MaxChildren; ++i) {
    if (list[i].value < tuning.ValueCutoff && i > tuning.MinChildren) break;
    list[i].turn = side;
    list[i].score = ScoreOfValue(list[i].value);
    kept = i;
  }
  list[0].score = kept;
  list.length = kept + 1;
  return kept > 0 ? list[1].score : 0;
}

}  // namespace ruvex
