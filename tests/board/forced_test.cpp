#include "board/forced.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace ruvex {
namespace {

using Cells = std::vector<std::pair<int, int>>;

BoardGrid Position(const Cells& own, const Cells& opponent = {}) {
  BoardGrid grid;
  ClearBoard(grid);
  for (const auto& [x, y] : own) grid(x, y) = Own;
  for (const auto& [x, y] : opponent) grid(x, y) = Opponent;
  return grid;
}

int Five(int side, const BoardGrid& grid, int x, int y) {
  return IsFiveThrough(side, grid, MoveEntry{x, y, 0, 0, 0.0});
}

// Runs FindWinningMove on a copy of grid and checks that the grid comes back
// unchanged; returns the result and the reported cell ((0, 0) when none).
struct WinCheck {
  int result;
  int x;
  int y;
};

WinCheck Win(const BoardGrid& position, int side) {
  BoardGrid grid = position;
  MoveList result;
  const int r = FindWinningMove(grid, result, side);
  EXPECT_EQ(grid, position) << "grid not restored";
  if (r != WinScore) {
    EXPECT_EQ(r, 0);
    EXPECT_EQ(result.length, 1);
    EXPECT_EQ(result[0].score, 0);
    return {r, 0, 0};
  }
  EXPECT_EQ(result.length, 2);
  EXPECT_EQ(result[0].score, 1);
  EXPECT_EQ(result[1].score, WinScore);
  EXPECT_EQ(result[1].turn, side);
  EXPECT_EQ(result[1].value, 0.0);
  return {r, result[1].x, result[1].y};
}

TEST(IsFiveThrough, EachLineDirection) {
  // (1, 0): first index varies.
  BoardGrid row = Position({{3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}});
  EXPECT_EQ(Five(Own, row, 5, 7), 1);
  EXPECT_EQ(Five(Own, row, 3, 7), 1);
  EXPECT_EQ(Five(Own, row, 7, 7), 1);
  // (0, 1)
  BoardGrid column = Position({{9, 2}, {9, 3}, {9, 4}, {9, 5}, {9, 6}});
  EXPECT_EQ(Five(Own, column, 9, 6), 1);
  // (1, 1)
  BoardGrid diagonal = Position({{4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}});
  EXPECT_EQ(Five(Own, diagonal, 4, 4), 1);
  // (-1, 1): first index falls while the second rises.
  BoardGrid anti = Position({{12, 3}, {11, 4}, {10, 5}, {9, 6}, {8, 7}});
  EXPECT_EQ(Five(Own, anti, 12, 3), 1);
  EXPECT_EQ(Five(Own, anti, 8, 7), 1);
}

TEST(IsFiveThrough, FourOrABrokenRunIsNoFive) {
  BoardGrid four = Position({{3, 7}, {4, 7}, {5, 7}, {6, 7}});
  EXPECT_EQ(Five(Own, four, 4, 7), -1);
  BoardGrid broken = Position({{3, 7}, {4, 7}, {6, 7}, {7, 7}, {8, 7}}, {{5, 7}});
  EXPECT_EQ(Five(Own, broken, 4, 7), -1);
  EXPECT_EQ(Five(Own, broken, 7, 7), -1);
}

TEST(IsFiveThrough, OverlineCounts) {
  BoardGrid six = Position({{10, 4}, {10, 5}, {10, 6}, {10, 7}, {10, 8}, {10, 9}});
  EXPECT_EQ(Five(Own, six, 10, 7), 1);
  EXPECT_EQ(Five(Own, six, 10, 4), 1);
}

TEST(IsFiveThrough, CountsOnlyTheGivenSide) {
  BoardGrid grid = Position({}, {{3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}});
  EXPECT_EQ(Five(Own, grid, 5, 7), -1);
  EXPECT_EQ(Five(Opponent, grid, 5, 7), 1);
}

TEST(IsFiveThrough, CellMustHoldTheSideItself) {
  // A five of Own within the window of (10, 11), but (10, 11) is empty.
  BoardGrid grid = Position({{6, 10}, {7, 10}, {8, 10}, {9, 10}, {10, 10}});
  EXPECT_EQ(Five(Own, grid, 10, 11), -1);
  EXPECT_EQ(Five(Own, grid, 11, 10), -1);
  grid(11, 10) = Opponent;
  EXPECT_EQ(Five(Own, grid, 11, 10), -1);
}

TEST(IsFiveThrough, RunsAtTheEdgesReadNothingBeyond) {
  BoardGrid low = Position({{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}});
  EXPECT_EQ(Five(Own, low, 1, 1), 1);
  BoardGrid high = Position({{16, 20}, {17, 20}, {18, 20}, {19, 20}, {20, 20}});
  EXPECT_EQ(Five(Own, high, 20, 20), 1);
  BoardGrid corner = Position({{20, 1}, {19, 2}, {18, 3}, {17, 4}, {16, 5}});
  EXPECT_EQ(Five(Own, corner, 20, 1), 1);
  // Frame and margin cells never extend a run, whatever they hold.
  BoardGrid framed = Position({{17, 20}, {18, 20}, {19, 20}, {20, 20}});
  framed(21, 20) = Own;
  framed(22, 20) = Own;
  EXPECT_EQ(Five(Own, framed, 20, 20), -1);
}

TEST(IsFiveThrough, OffBoardCellsGiveMinusOne) {
  BoardGrid grid = Position({{16, 20}, {17, 20}, {18, 20}, {19, 20}, {20, 20}});
  EXPECT_EQ(Five(Own, grid, 21, 20), -1);
  EXPECT_EQ(Five(Own, grid, 0, 0), -1);
  EXPECT_EQ(Five(Own, grid, -2147483647 - 1, 5), -1);
  EXPECT_EQ(Five(Own, grid, 5, 2147483647), -1);
}

// The five test written out as the nine-cell run count.
int NineCellScan(int side, const BoardGrid& grid, int cx, int cy) {
  const int steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
  for (const auto& step : steps) {
    int run = 0;
    for (int d = -4; d <= 4; ++d) {
      const int x = cx + d * step[0];
      const int y = cy + d * step[1];
      if (x < 1 || x > 20 || y < 1 || y > 20) continue;
      if (grid(x, y) == side) {
        if (++run == 5) return 1;
      } else {
        run = 0;
      }
    }
  }
  return -1;
}

TEST(IsFiveThrough, MatchesTheNineCellScanOnDenseRandomGrids) {
  std::mt19937 random(77);
  int fives = 0;
  for (int round = 0; round < 400; ++round) {
    BoardGrid grid;
    ClearBoard(grid);
    const int own = 30 + static_cast<int>(random() % 70);  // percent of cells
    for (int x = 1; x <= 20; ++x) {
      for (int y = 1; y <= 20; ++y) {
        const int r = static_cast<int>(random() % 100);
        grid(x, y) = r < own ? Own : r < own + 15 ? Opponent : Empty;
      }
    }
    for (int x = -1; x <= 22; ++x) {
      for (int y = -1; y <= 22; ++y) {
        for (const int side : {Own, Opponent}) {
          const int expected = NineCellScan(side, grid, x, y);
          ASSERT_EQ(Five(side, grid, x, y), expected) << x << "," << y;
          fives += expected == 1;
        }
      }
    }
  }
  EXPECT_GT(fives, 1000);
}

TEST(FindWinningMove, FirstOfTwoWinningCells) {
  const BoardGrid grid = Position({{10, 5}, {10, 6}, {10, 7}, {10, 8}});
  const WinCheck own = Win(grid, Own);
  EXPECT_EQ(own.result, 220);
  EXPECT_EQ(std::pair(own.x, own.y), std::pair(10, 4));
  EXPECT_EQ(Win(grid, Opponent).result, 0);
}

TEST(FindWinningMove, GapAndOverline) {
  const WinCheck gap = Win(Position({{10, 5}, {10, 6}, {10, 8}, {10, 9}}), Own);
  EXPECT_EQ(gap.result, 220);
  EXPECT_EQ(std::pair(gap.x, gap.y), std::pair(10, 7));
  const WinCheck six = Win(Position({{10, 4}, {10, 5}, {10, 6}, {10, 8}, {10, 9}}), Own);
  EXPECT_EQ(six.result, 220);
  EXPECT_EQ(std::pair(six.x, six.y), std::pair(10, 7));
}

TEST(FindWinningMove, EdgeRun) {
  const WinCheck edge = Win(Position({{10, 1}, {10, 2}, {10, 3}, {10, 4}}), Own);
  EXPECT_EQ(edge.result, 220);
  EXPECT_EQ(std::pair(edge.x, edge.y), std::pair(10, 5));
}

TEST(FindWinningMove, CandidateOrderDecides) {
  const WinCheck diagonal = Win(Position({{3, 3}, {4, 4}, {5, 5}, {6, 6}}), Own);
  EXPECT_EQ(diagonal.result, 220);
  EXPECT_EQ(std::pair(diagonal.x, diagonal.y), std::pair(2, 2));
  const WinCheck anti = Win(Position({{10, 5}, {9, 6}, {8, 7}, {7, 8}}), Own);
  EXPECT_EQ(anti.result, 220);
  EXPECT_EQ(std::pair(anti.x, anti.y), std::pair(6, 9));
}

TEST(FindWinningMove, EachSideFindsItsOwnFive) {
  // Both sides have an open four; each search reports its own side's cell.
  const BoardGrid grid =
      Position({{10, 5}, {10, 6}, {10, 7}, {10, 8}}, {{15, 5}, {15, 6}, {15, 7}, {15, 8}});
  const WinCheck own = Win(grid, Own);
  EXPECT_EQ(own.result, 220);
  EXPECT_EQ(std::pair(own.x, own.y), std::pair(10, 4));
  const WinCheck opponent = Win(grid, Opponent);
  EXPECT_EQ(opponent.result, 220);
  EXPECT_EQ(std::pair(opponent.x, opponent.y), std::pair(15, 4));
}

TEST(FindWinningMove, BlockedFourIsNoWin) {
  const BoardGrid grid = Position({{10, 5}, {10, 6}, {10, 7}, {10, 8}}, {{10, 4}, {10, 9}});
  EXPECT_EQ(Win(grid, Own).result, 0);
}

TEST(FindWinningMove, FailureLeavesResultUntouched) {
  BoardGrid grid = Position({{10, 5}, {10, 6}});
  MoveList result;
  result[0].score = 3;
  result[1] = MoveEntry{4, 4, 17, Opponent, 0.5};
  result.length = 4;
  EXPECT_EQ(FindWinningMove(grid, result, Own), 0);
  EXPECT_EQ(result.length, 4);
  EXPECT_EQ(result[0].score, 3);
  EXPECT_EQ(result[1].x, 4);
  EXPECT_EQ(result[1].score, 17);
  BoardGrid empty = Position({});
  EXPECT_EQ(FindWinningMove(empty, result, Opponent), 0);
  EXPECT_EQ(result.length, 4);
}

TEST(FindWinningMove, SuccessRebuildsTheResult) {
  BoardGrid grid = Position({}, {{5, 5}, {5, 6}, {5, 7}, {5, 8}});
  MoveList result;
  result[0] = MoveEntry{9, 9, 42, Own, 0.5};
  result[1] = MoveEntry{1, 1, 7, Own, 0.9};
  result.length = 6;
  EXPECT_EQ(FindWinningMove(grid, result, Opponent), 220);
  EXPECT_EQ(result.length, 2);
  EXPECT_EQ(result[0].x, 0);
  EXPECT_EQ(result[0].score, 1);
  EXPECT_EQ(result[0].value, 0.0);
  EXPECT_EQ(result[1].x, 5);
  EXPECT_EQ(result[1].y, 4);
  EXPECT_EQ(result[1].turn, Opponent);
  EXPECT_EQ(result[1].value, 0.0);
}

}  // namespace
}  // namespace ruvex
