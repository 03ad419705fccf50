#include "eval/window.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "eval_support.h"

namespace ruvex {
namespace {

using testing::Cleared;

std::string Text(const KeyText& text) {
  return std::string(text.begin(), text.end());
}

TEST(CutWindow, EveryCentreMatchesTheCellByCellDefinition) {
  BoardGrid board = Cleared();  // frame cells are Border: they must read Empty
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
  // Any centre is safe, however far off the board.
  EXPECT_EQ(CutWindow(board, 2147483647, -2147483647 - 1), EvalWindow{});
}

// Key texts run row by row from the asking side's view: "A" empty or off
// board, "C" its stones, "D" the other side's; for Own that is "A" + cell
// value, the key the cache had before it told the sides apart (off-board
// cells read Empty, see CutWindow). Keys are the first 7 digest bytes, the
// first the most significant.
TEST(WindowKey, KeyTextsAndKeys) {
  BoardGrid board = Cleared();
  const std::string empty(81, 'A');
  for (const int side : {Own, Opponent}) {
    EXPECT_EQ(Text(MakeKeyText(CutWindow(board, 10, 10), side)), empty);
    EXPECT_EQ(MakeWindowKey(CutWindow(board, 10, 10), side).bits, 0x2929b007945c14ULL);
  }
  // (10, 10) is character 41; (11, 9), a = 6, b = 4, is character 5 * 9 + 4 = 49.
  std::tie(board(10, 10), board(11, 9)) = std::tuple(Own, Opponent);
  std::string text = empty;
  std::tie(text[40], text[48]) = std::tuple('C', 'D');
  const EvalWindow window = CutWindow(board, 10, 10);
  EXPECT_EQ(Text(MakeKeyText(window, Own)), text);
  EXPECT_EQ(MakeWindowKey(window, Own).bits, 0x4d77d13de40c25ULL);
  std::swap(text[40], text[48]);
  EXPECT_EQ(Text(MakeKeyText(window, Opponent)), text);
}

// The exact key tells every text apart: all texts one character away from
// the empty one (each place, each of 'B'..'D') have distinct keys; any
// character outside 'A'..'D' leaves the text without one.
TEST(ExactKey, DistinctForEveryCharacterAndPlace) {
  KeyText text;
  text.fill('A');
  std::set<std::array<uint64_t, 3>> keys = {MakeExactKey(text).words};
  for (std::size_t i = 0; i < text.size(); ++i) {
    for (const char c : {'B', 'C', 'D', '@', 'E', '\x80'}) {
      text[i] = c;
      const ExactKey key = MakeExactKey(text);
      ASSERT_EQ(key.valid, c >= 'A' && c <= 'D') << i << c;
      if (key.valid) {
        ASSERT_TRUE(keys.insert(key.words).second) << i << c;
      }
      ASSERT_EQ(key.words[2] >> 63, 0u);
    }
    text[i] = 'A';
  }
  EXPECT_EQ(keys.size(), 1 + 3 * text.size());
}

TEST(EncodeWindow, FromEachSidesView) {
  EvalWindow window{};
  std::tie(window[0][0], window[0][1], window[8][8]) = std::tuple(Own, Opponent, Own);
  window[4][4] = Border;  // not a stone: 0.0 for either side
  std::array<double, 81> own{}, opponent{};
  own[0] = own[80] = opponent[1] = 1.0;
  own[1] = opponent[0] = opponent[80] = -1.0;
  EXPECT_EQ(EncodeWindow(window, Own), own);
  EXPECT_EQ(EncodeWindow(window, Opponent), opponent);
  for (const int side : {0, 1, 4, -2})
    EXPECT_EQ(EncodeWindow(window, side), (std::array<double, 81>{})) << side;
}

}  // namespace
}  // namespace ruvex
