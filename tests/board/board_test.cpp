#include "board/board.h"

#include <gtest/gtest.h>

namespace ruvex {
namespace {

TEST(BoardGrid, RowMajorClearAndCopy) {
  BoardGrid grid;
  for (int8_t v : grid.cells) EXPECT_EQ(v, Empty);  // a new grid
  grid(3, 4) = Own;
  EXPECT_EQ(grid.cells[3 * 27 + 4], Own);

  grid.cells.fill(Opponent);
  ClearBoard(grid);
  for (int a = 0; a <= 21; ++a) {
    for (int b = 0; b <= 21; ++b) {
      const bool frame = a == 0 || b == 0 || a == 21 || b == 21;
      EXPECT_EQ(grid(a, b), frame ? Border : Empty) << a << "," << b;
    }
  }
  EXPECT_EQ(grid(22, 5), Opponent);  // the margin is never written
  EXPECT_EQ(grid(5, 26), Opponent);

  BoardGrid copy;
  CopyBoard(grid, copy);
  EXPECT_EQ(copy, grid);  // frame and margin included
}

TEST(Board, OtherMapsOwnToOpponentAndEverythingElseToOwn) {
  EXPECT_EQ(Other(Own), Opponent);
  EXPECT_EQ(Other(Opponent), Own);
  EXPECT_EQ(Other(Empty), Own);
  EXPECT_EQ(Other(Border), Own);
}

}  // namespace
}  // namespace ruvex
