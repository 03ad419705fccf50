#include "board/candidates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace ruvex {
namespace {

using Cells = std::vector<std::pair<int, int>>;

// The scan written out cell by cell, read by read.
Cells PlainScan(const BoardGrid& g) {
  Cells cells;
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y) {
      if (g(x, y) != Empty) continue;
      bool candidate = false;
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) candidate = candidate || IsStone(g(x + dx, y + dy));
      }
      if (!candidate && x >= 3 && y >= 3) {
        const int orthogonal = IsStone(g(x, y + 2)) + IsStone(g(x, y - 2)) + IsStone(g(x - 2, y)) +
                               IsStone(g(x + 2, y));
        const int diagonal = IsStone(g(x + 2, y + 2)) + IsStone(g(x - 2, y + 2)) +
                             IsStone(g(x + 2, y - 2)) + IsStone(g(x - 2, y - 2));
        candidate = orthogonal >= 1 && orthogonal + diagonal >= 2;
      }
      if (candidate) cells.emplace_back(x, y);
    }
  }
  return cells;
}

// Runs the scan into a list full of junk and checks what every call must
// leave: the header untouched, entries 1..n whole (score, turn, value 0),
// length n + 1, and the same cells as the plain scan.
Cells Scan(const BoardGrid& grid) {
  MoveList list;
  list.entry.fill(MoveEntry{7, 8, 9, Own, 0.25});
  const int n = FindCandidates(grid, list);
  EXPECT_EQ(list.length, n + 1);
  EXPECT_EQ(std::tuple(list[0].score, list[0].value), std::tuple(9, 0.25));  // the caller's
  Cells cells;
  for (int k = 1; k <= n; ++k) {
    EXPECT_EQ(std::tuple(list[k].score, list[k].turn, list[k].value), std::tuple(0, 0, 0.0));
    cells.emplace_back(list[k].x, list[k].y);
  }
  EXPECT_EQ(cells, PlainScan(grid));
  return cells;
}

bool Contains(const Cells& cells, int x, int y) {
  return std::find(cells.begin(), cells.end(), std::pair{x, y}) != cells.end();
}

TEST(FindCandidates, WorkedPositions) {
  // n -1 is not checked; when n is the size of listed, listed is the whole
  // list in scan order.
  struct Case {
    Cells stones, listed, unlisted;
    int n;
  };
  const Case cases[] = {
      {{}, {}, {}, 0},
      {{{10, 10}},
       {{9, 9}, {9, 10}, {9, 11}, {10, 9}, {10, 11}, {11, 9}, {11, 10}, {11, 11}},
       {},
       8},
      {{{1, 1}}, {{1, 2}, {2, 1}, {2, 2}}, {}, 3},
      // (11, 11) neighbours both stones and is listed once.
      {{{10, 10}, {12, 12}}, {{10, 12}, {12, 10}, {11, 11}}, {{14, 14}, {8, 8}}, 17},
      // Two diagonal ring-2 stones make none; an orthogonal and a diagonal do.
      {{{8, 8}, {8, 12}}, {{8, 10}}, {{10, 10}}, -1},
      {{{10, 12}, {12, 12}}, {{10, 10}}, {}, -1},
      // Ring 2 counts only from x = 3 and y = 3 on; no limit at the high edge.
      {{{1, 3}, {1, 7}}, {}, {{1, 5}}, -1},
      {{{3, 1}, {7, 1}}, {}, {{5, 1}}, -1},
      {{{5, 3}, {5, 7}}, {{5, 5}}, {}, -1},
      {{{20, 3}, {20, 7}}, {{20, 5}}, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    BoardGrid grid;
    ClearBoard(grid);
    for (const auto& [x, y] : c.stones) grid(x, y) = Own;
    const Cells cells = Scan(grid);
    if (c.n == static_cast<int>(c.listed.size())) {
      EXPECT_EQ(cells, c.listed);
    } else if (c.n >= 0) {
      EXPECT_EQ(static_cast<int>(cells.size()), c.n);
    }
    for (const auto& [x, y] : c.listed) EXPECT_TRUE(Contains(cells, x, y)) << x << "," << y;
    for (const auto& [x, y] : c.unlisted) EXPECT_FALSE(Contains(cells, x, y)) << x << "," << y;
  }
}

TEST(FindCandidates, RandomBoardsMatchThePlainScan) {
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    BoardGrid grid;
    ClearBoard(grid);
    // Mostly sparse boards, every fourth one dense.
    const int stones = static_cast<int>(random() % (round % 4 == 0 ? 400 : 60));
    for (int s = 0; s < stones; ++s) {
      grid(1 + static_cast<int>(random() % 20), 1 + static_cast<int>(random() % 20)) =
          random() % 2 ? Own : Opponent;
    }
    // Some rounds without the frame (a grid that was never cleared).
    if (round % 7 == 0) {
      for (int i = 0; i <= 21; ++i) grid(0, i) = grid(21, i) = grid(i, 0) = grid(i, 21) = Empty;
    }
    SCOPED_TRACE(round);
    Scan(grid);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace ruvex
