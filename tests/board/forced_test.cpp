#include "board/forced.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <tuple>
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

std::tuple<int, int, int, int, double> Fields(const MoveEntry& e) {
  return {e.x, e.y, e.score, e.turn, e.value};
}

int Five(int side, const BoardGrid& grid, int x, int y) {
  return IsFiveThrough(side, grid, MoveEntry{x, y, 0, 0, 0.0});
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
      run = grid(x, y) == side ? run + 1 : 0;
      if (run == 5) return 1;
    }
  }
  return -1;
}

TEST(IsFiveThrough, MatchesTheNineCellScanAndReadsNothingOffTheBoard) {
  // Frame and margin cells never extend a run, whatever they hold.
  BoardGrid framed = Position({{17, 20}, {18, 20}, {19, 20}, {20, 20}});
  framed(21, 20) = framed(22, 20) = Own;
  EXPECT_EQ(Five(Own, framed, 20, 20), -1);
  framed(16, 20) = Own;
  EXPECT_EQ(Five(Own, framed, 20, 20), 1);
  EXPECT_EQ(Five(Own, framed, INT_MIN, 20), -1);
  EXPECT_EQ(Five(Own, framed, 20, INT_MAX), -1);

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

TEST(FindWinningMove, WorkedPositions) {
  const Cells four = {{10, 5}, {10, 6}, {10, 7}, {10, 8}};
  struct Case {
    Cells own, opponent;
    int side;
    std::pair<int, int> win;  // (0, 0): no winning cell
  };
  const Case cases[] = {
      {four, {}, Own, {10, 4}},  // the first of two winning cells
      {four, {}, Opponent, {0, 0}},
      {{{10, 5}, {10, 6}, {10, 8}, {10, 9}}, {}, Own, {10, 7}},
      {{{10, 4}, {10, 5}, {10, 6}, {10, 8}, {10, 9}}, {}, Own, {10, 7}},  // six counts
      {{{10, 1}, {10, 2}, {10, 3}, {10, 4}}, {}, Own, {10, 5}},
      {{{3, 3}, {4, 4}, {5, 5}, {6, 6}}, {}, Own, {2, 2}},
      {{{10, 5}, {9, 6}, {8, 7}, {7, 8}}, {}, Own, {6, 9}},
      {four, {{15, 5}, {15, 6}, {15, 7}, {15, 8}}, Opponent, {15, 4}},  // each side its own
      {four, {{10, 4}, {10, 9}}, Own, {0, 0}},
      {{}, {}, Opponent, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    const BoardGrid position = Position(c.own, c.opponent);
    BoardGrid grid = position;
    MoveList result;
    result.entry.fill(MoveEntry{9, 9, 42, Own, 0.5});
    result.length = 6;
    const int r = FindWinningMove(grid, result, c.side);
    EXPECT_EQ(grid, position) << "grid not restored";
    if (c.win == std::pair{0, 0}) {  // the result is left as it was
      EXPECT_EQ(std::tuple(r, result.length, result[0].score, result[1].x),
                std::tuple(0, 6, 42, 9));
      continue;
    }
    EXPECT_EQ(std::tuple(r, result.length), std::tuple(WinScore, 2));
    EXPECT_EQ(Fields(result[0]), std::tuple(0, 0, 1, 0, 0.0));  // a header made anew
    EXPECT_EQ(Fields(result[1]), std::tuple(c.win.first, c.win.second, WinScore, c.side, 0.0));
  }
}

}  // namespace
}  // namespace ruvex
