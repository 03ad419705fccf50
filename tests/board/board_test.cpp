#include "board/board.h"

#include <gtest/gtest.h>

namespace ruvex {
namespace {

TEST(BoardGrid, NewGridIsAllEmptyAndRowMajor) {
  BoardGrid grid;
  for (int8_t v : grid.cells) EXPECT_EQ(v, Empty);
  grid(3, 4) = Own;
  EXPECT_EQ(grid.cells[3 * 27 + 4], Own);
  EXPECT_EQ(grid.cells[4 * 27 + 3], Empty);
}

TEST(BoardGrid, ClearBoardSetsFramePlayableAndLeavesMargin) {
  BoardGrid grid;
  grid.cells.fill(Opponent);
  grid(24, 24) = Empty;
  ClearBoard(grid);
  for (int a = 0; a <= 21; ++a) {
    for (int b = 0; b <= 21; ++b) {
      const bool frame = a == 0 || b == 0 || a == 21 || b == 21;
      EXPECT_EQ(grid(a, b), frame ? Border : Empty) << a << "," << b;
    }
  }
  // The margin is never written, not even by ClearBoard.
  EXPECT_EQ(grid(22, 5), Opponent);
  EXPECT_EQ(grid(5, 26), Opponent);
  EXPECT_EQ(grid(24, 24), Empty);
}

TEST(BoardGrid, CopyBoardCopiesFrameAndMargin) {
  BoardGrid source;
  ClearBoard(source);
  source(10, 10) = Own;
  source(26, 26) = Opponent;
  BoardGrid destination;
  destination(1, 1) = Opponent;
  CopyBoard(source, destination);
  EXPECT_EQ(destination, source);
}

TEST(Sides, OtherMapsOwnToOpponentAndEverythingElseToOwn) {
  EXPECT_EQ(Other(Own), Opponent);
  EXPECT_EQ(Other(Opponent), Own);
  EXPECT_EQ(Other(Empty), Own);
  EXPECT_EQ(Other(Border), Own);
  EXPECT_EQ(Other(7), Own);
}

TEST(MoveListTest, ResetKeepsOnlyAZeroHeader) {
  MoveList list;
  list[0].score = 3;
  list[1] = {4, 5, 6, Own, 0.5};
  list.length = 2;
  ResetList(list);
  EXPECT_EQ(list.length, 1);
  EXPECT_EQ(list[0].score, 0);
  EXPECT_EQ(list[0].x, 0);
  EXPECT_EQ(static_cast<int>(list.entry.size()), 401);
}

}  // namespace
}  // namespace ruvex
