#include "board/candidates.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace ruvex {
namespace {

using Cells = std::vector<std::pair<int, int>>;

BoardGrid Position(const Cells& stones, int8_t side = Own) {
  BoardGrid grid;
  ClearBoard(grid);
  for (const auto& [x, y] : stones) grid(x, y) = side;
  return grid;
}

Cells Listed(const MoveList& list, int n) {
  Cells cells;
  for (int k = 1; k <= n; ++k) cells.emplace_back(list[k].x, list[k].y);
  return cells;
}

bool Contains(const Cells& cells, int x, int y) {
  for (const auto& c : cells) {
    if (c.first == x && c.second == y) return true;
  }
  return false;
}

// The scan written out cell by cell, read by read.
Cells PlainScan(const BoardGrid& g) {
  Cells cells;
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y) {
      if (g(x, y) != Empty) continue;
      bool candidate = IsStone(g(x, y + 1)) || IsStone(g(x + 1, y + 1)) || IsStone(g(x + 1, y)) ||
                       IsStone(g(x, y - 1)) || IsStone(g(x - 1, y - 1)) || IsStone(g(x - 1, y)) ||
                       IsStone(g(x + 1, y - 1)) || IsStone(g(x - 1, y + 1));
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

TEST(FindCandidates, EmptyBoardGivesNoneAndLeavesHeader) {
  BoardGrid grid = Position({});
  MoveList list;
  list[0] = MoveEntry{7, 8, 9, Own, 0.25};
  EXPECT_EQ(FindCandidates(grid, list), 0);
  EXPECT_EQ(list.length, 1);
  EXPECT_EQ(list[0].x, 7);
  EXPECT_EQ(list[0].score, 9);
  EXPECT_EQ(list[0].value, 0.25);
}

TEST(FindCandidates, SingleStoneGivesItsEightNeighboursInScanOrder) {
  BoardGrid grid = Position({{10, 10}});
  MoveList list;
  list[0].score = 5;  // the header is the caller's
  const int n = FindCandidates(grid, list);
  ASSERT_EQ(n, 8);
  EXPECT_EQ(list.length, 9);
  EXPECT_EQ(Listed(list, n),
            (Cells{{9, 9}, {9, 10}, {9, 11}, {10, 9}, {10, 11}, {11, 9}, {11, 10}, {11, 11}}));
  EXPECT_EQ(list[0].score, 5);
  for (int k = 1; k <= n; ++k) {
    EXPECT_EQ(list[k].score, 0);
    EXPECT_EQ(list[k].turn, 0);
    EXPECT_EQ(list[k].value, 0.0);
  }
}

TEST(FindCandidates, EntriesAreWrittenWhole) {
  BoardGrid grid = Position({{10, 10}});
  MoveList list;
  for (int k = 1; k <= 10; ++k) list[k] = MoveEntry{1, 1, 99, Opponent, 0.75};
  ASSERT_EQ(FindCandidates(grid, list), 8);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(list[k].score, 0);
    EXPECT_EQ(list[k].turn, 0);
    EXPECT_EQ(list[k].value, 0.0);
  }
}

TEST(FindCandidates, TwoOrthogonalRingTwoStonesMakeTheCellBetween) {
  BoardGrid grid = Position({{10, 10}, {10, 14}});
  MoveList list;
  const int n = FindCandidates(grid, list);
  EXPECT_EQ(n, 17);
  const Cells cells = Listed(list, n);
  EXPECT_TRUE(Contains(cells, 10, 12));
  EXPECT_FALSE(Contains(cells, 10, 8));
  EXPECT_FALSE(Contains(cells, 10, 16));
}

TEST(FindCandidates, DiagonalPairListsSharedNeighbourOnce) {
  BoardGrid grid = Position({{10, 10}, {12, 12}});
  MoveList list;
  const int n = FindCandidates(grid, list);
  EXPECT_EQ(n, 17);
  const Cells cells = Listed(list, n);
  EXPECT_TRUE(Contains(cells, 10, 12));
  EXPECT_TRUE(Contains(cells, 12, 10));
  int shared = 0;
  for (const auto& c : cells) shared += c == std::pair{11, 11};
  EXPECT_EQ(shared, 1);
  EXPECT_FALSE(Contains(cells, 14, 14));
  EXPECT_FALSE(Contains(cells, 8, 8));
  // Ascending x, then ascending y.
  for (std::size_t k = 1; k < cells.size(); ++k) EXPECT_LT(cells[k - 1], cells[k]);
}

TEST(FindCandidates, TwoDiagonalRingTwoStonesAloneMakeNoCandidate) {
  BoardGrid grid = Position({{8, 8}, {8, 12}});
  MoveList list;
  const int n = FindCandidates(grid, list);
  EXPECT_FALSE(Contains(Listed(list, n), 10, 10));
  // (8, 10) lies between them orthogonally and is one.
  EXPECT_TRUE(Contains(Listed(list, n), 8, 10));
}

TEST(FindCandidates, OneOrthogonalAndOneDiagonalRingTwoStoneMakeACandidate) {
  BoardGrid grid = Position({{10, 12}, {12, 12}});
  MoveList list;
  const int n = FindCandidates(grid, list);
  EXPECT_TRUE(Contains(Listed(list, n), 10, 10));  // (10, 12) orthogonal, (12, 12) diagonal
}

TEST(FindCandidates, RingTwoRuleStartsAtIndexThreeOnly) {
  MoveList list;
  BoardGrid low = Position({{1, 3}, {1, 7}});
  EXPECT_FALSE(Contains(Listed(list, FindCandidates(low, list)), 1, 5));
  BoardGrid inside = Position({{5, 3}, {5, 7}});
  EXPECT_TRUE(Contains(Listed(list, FindCandidates(inside, list)), 5, 5));
  BoardGrid high = Position({{20, 3}, {20, 7}});
  EXPECT_TRUE(Contains(Listed(list, FindCandidates(high, list)), 20, 5));
  // Same for the second index: (3, 1) and (7, 1) do not make (5, 1).
  BoardGrid lowY = Position({{3, 1}, {7, 1}});
  EXPECT_FALSE(Contains(Listed(list, FindCandidates(lowY, list)), 5, 1));
  BoardGrid lowX2 = Position({{2, 3}, {2, 7}});
  EXPECT_FALSE(Contains(Listed(list, FindCandidates(lowX2, list)), 2, 5));
}

TEST(FindCandidates, CornerStoneGivesThreeCells) {
  BoardGrid grid = Position({{20, 20}});
  MoveList list;
  const int n = FindCandidates(grid, list);
  EXPECT_EQ(Listed(list, n), (Cells{{19, 19}, {19, 20}, {20, 19}}));
  BoardGrid low = Position({{1, 1}});
  const int m = FindCandidates(low, list);
  EXPECT_EQ(Listed(list, m), (Cells{{1, 2}, {2, 1}, {2, 2}}));
}

TEST(FindCandidates, OccupiedCellsAreNeverCandidates) {
  BoardGrid grid = Position({{10, 10}, {10, 11}, {11, 10}, {11, 11}, {10, 12}, {12, 10}});
  grid(9, 9) = Opponent;
  MoveList list;
  const int n = FindCandidates(grid, list);
  for (const auto& [x, y] : Listed(list, n)) EXPECT_EQ(grid(x, y), Empty) << x << "," << y;
}

TEST(FindCandidates, SidesCountAlikeAndFrameIsNoStone) {
  BoardGrid mixed = Position({{10, 10}});
  mixed(10, 14) = Opponent;
  MoveList list;
  EXPECT_TRUE(Contains(Listed(list, FindCandidates(mixed, list)), 10, 12));
  // The Border frame never counts as a stone: an empty cleared board has none.
  BoardGrid empty = Position({});
  EXPECT_EQ(FindCandidates(empty, list), 0);
}

TEST(FindCandidates, FullBoardHasNone) {
  BoardGrid grid;
  ClearBoard(grid);
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y) grid(x, y) = (x + y) % 2 ? Own : Opponent;
  }
  MoveList list;
  EXPECT_EQ(FindCandidates(grid, list), 0);
  EXPECT_EQ(list.length, 1);
}

TEST(FindCandidates, EveryEmptyCellNextToStonesOnADenseBoard) {
  // Every other cell a stone: every empty cell is a candidate, 200 of them.
  BoardGrid grid;
  ClearBoard(grid);
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y) {
      if ((x + y) % 2 == 0) grid(x, y) = Own;
    }
  }
  MoveList list;
  EXPECT_EQ(FindCandidates(grid, list), 200);
  EXPECT_EQ(list.length, 201);
}

TEST(FindCandidates, MatchesThePlainScanOnRandomPositions) {
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    BoardGrid grid;
    ClearBoard(grid);
    const int stones = static_cast<int>(random() % 60);
    for (int s = 0; s < stones; ++s) {
      const int x = 1 + static_cast<int>(random() % 20);
      const int y = 1 + static_cast<int>(random() % 20);
      grid(x, y) = random() % 2 ? Own : Opponent;
    }
    // Some rounds without the frame (a grid that was never cleared).
    if (round % 7 == 0) {
      for (int i = 0; i <= 21; ++i) grid(0, i) = grid(21, i) = grid(i, 0) = grid(i, 21) = Empty;
    }
    MoveList list;
    const int n = FindCandidates(grid, list);
    ASSERT_EQ(Listed(list, n), PlainScan(grid)) << "round " << round;
    ASSERT_EQ(list.length, n + 1);
  }
}

}  // namespace
}  // namespace ruvex
