#include "eval/window.h"

#include <gtest/gtest.h>

#include <string>

namespace ruvex {
namespace {

BoardGrid Cleared() {
  BoardGrid grid;
  ClearBoard(grid);
  return grid;
}

std::string Text(const KeyText& text) {
  return std::string(text.begin(), text.end());
}

TEST(CutWindow, CoversNineByNineAroundTheCentre) {
  BoardGrid board = Cleared();
  board(6, 6) = Own;         // a = 1, b = 1 for centre (10, 10)
  board(14, 14) = Opponent;  // a = 9, b = 9
  board(10, 10) = Own;       // the centre
  board(7, 12) = Opponent;   // a = 2, b = 7
  board(5, 10) = Own;        // just outside
  board(10, 15) = Own;       // just outside
  const EvalWindow window = CutWindow(board, 10, 10);
  EXPECT_EQ(window[0][0], Own);
  EXPECT_EQ(window[8][8], Opponent);
  EXPECT_EQ(window[4][4], Own);
  EXPECT_EQ(window[1][6], Opponent);
  int stones = 0;
  for (const auto& row : window) {
    for (const int8_t cell : row) stones += cell != Empty;
  }
  EXPECT_EQ(stones, 4);
}

TEST(CutWindow, OffBoardCellsReadEmptyNotBorder) {
  BoardGrid board = Cleared();
  board(1, 1) = Own;
  const EvalWindow corner = CutWindow(board, 1, 1);
  for (int a = 0; a < 9; ++a) {
    for (int b = 0; b < 9; ++b) {
      EXPECT_EQ(corner[a][b], a == 4 && b == 4 ? Own : Empty) << a << "," << b;
    }
  }
  EXPECT_EQ(Text(MakeKeyText(corner)), std::string(40, 'A') + "C" + std::string(40, 'A'));
  // The corner window has the same key text as an inner window with the same
  // stone and empty cells where the corner window is off the board.
  BoardGrid inner = Cleared();
  inner(10, 10) = Own;
  EXPECT_EQ(MakeKeyText(corner), MakeKeyText(CutWindow(inner, 10, 10)));
  EXPECT_EQ(MakeWindowKey(corner), MakeWindowKey(CutWindow(inner, 10, 10)));
}

TEST(CutWindow, AnyCentreIsSafe) {
  BoardGrid board = Cleared();
  board(20, 20) = Opponent;
  EXPECT_EQ(CutWindow(board, 24, 24)[0][0], Opponent);  // (20, 20) is a = 1, b = 1
  const EvalWindow far = CutWindow(board, 2147483647, -2147483647 - 1);
  for (const auto& row : far) {
    for (const int8_t cell : row) EXPECT_EQ(cell, Empty);
  }
}

TEST(CutWindow, EveryCentreMatchesTheCellByCellDefinition) {
  BoardGrid board = Cleared();
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y)
      board(x, y) = static_cast<int8_t>((x * 7 + y * 3) % 4 == 0 ? Own
                                        : (x + y * 5) % 3 == 0   ? Opponent
                                                                 : Empty);
  }
  for (int cx = -4; cx <= 25; ++cx) {
    for (int cy = -4; cy <= 25; ++cy) {
      const EvalWindow window = CutWindow(board, cx, cy);
      for (int a = 1; a <= 9; ++a) {
        for (int b = 1; b <= 9; ++b) {
          const int x = cx - 5 + a;
          const int y = cy - 5 + b;
          const int expected = IsPlayable(x, y) ? board(x, y) : int{Empty};
          ASSERT_EQ(window[a - 1][b - 1], expected) << cx << "," << cy << " " << a << "," << b;
        }
      }
    }
  }
}

TEST(KeyText, RowByRowWithLettersFromA) {
  BoardGrid board = Cleared();
  board(10, 10) = Own;      // character 41
  board(11, 9) = Opponent;  // a = 6, b = 4: character 49
  const KeyText text = MakeKeyText(CutWindow(board, 10, 10));
  std::string expected(81, 'A');
  expected[40] = 'C';
  expected[48] = 'D';
  EXPECT_EQ(Text(text), expected);
  EXPECT_EQ(WindowKeyText(MakeWindowKey(CutWindow(board, 10, 10))), "4d77d13de40c25");
}

TEST(WindowKey, EmptyWindowKey) {
  const EvalWindow empty{};
  EXPECT_EQ(Text(MakeKeyText(empty)), std::string(81, 'A'));
  // md5("A" x 81) = 2929b007945c1478f46b99aa4ae2b0b1: the first 7 bytes.
  const WindowKey key = MakeWindowKey(empty);
  EXPECT_EQ(key.bits, 0x2929b007945c14ULL);
  EXPECT_EQ(WindowKeyText(key), "2929b007945c14");
}

TEST(WindowKey, CentreStoneKeys) {
  BoardGrid board = Cleared();
  board(10, 10) = Own;
  EXPECT_EQ(WindowKeyText(MakeWindowKey(CutWindow(board, 10, 10))), "1c266475c833b3");
  board(10, 10) = Opponent;
  EXPECT_EQ(WindowKeyText(MakeWindowKey(CutWindow(board, 10, 10))), "8e105c3c3327b6");
}

TEST(WindowKey, TextIsFourteenLowerCaseHexDigits) {
  EXPECT_EQ(WindowKeyText(WindowKey{0}), "00000000000000");
  EXPECT_EQ(WindowKeyText(WindowKey{0xabcdef01234567ULL}), "abcdef01234567");
  EXPECT_EQ(WindowKeyText(WindowKey{0xffffffffffffffULL}), "ffffffffffffff");
}

TEST(EncodeWindow, FromEachSidesView) {
  EvalWindow window{};
  window[0][0] = Own;
  window[0][1] = Opponent;
  window[8][8] = Own;
  window[4][4] = Border;  // not a stone: 0.0 for either side
  const auto own = EncodeWindow(window, Own);
  const auto opponent = EncodeWindow(window, Opponent);
  EXPECT_EQ(own[0], 1.0);
  EXPECT_EQ(own[1], -1.0);
  EXPECT_EQ(own[80], 1.0);
  EXPECT_EQ(own[40], 0.0);
  EXPECT_EQ(opponent[0], -1.0);
  EXPECT_EQ(opponent[1], 1.0);
  EXPECT_EQ(opponent[80], -1.0);
  EXPECT_EQ(opponent[40], 0.0);
  int nonzero = 0;
  for (const double v : own) nonzero += v != 0.0;
  EXPECT_EQ(nonzero, 3);
}

TEST(EncodeWindow, OtherSideValuesGiveAllZeros) {
  EvalWindow window{};
  window[0][0] = Own;
  window[3][3] = Opponent;
  for (const int side : {0, 1, 4, -2}) {
    for (const double v : EncodeWindow(window, side)) EXPECT_EQ(v, 0.0) << side;
  }
}

}  // namespace
}  // namespace ruvex
