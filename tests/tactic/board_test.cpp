// The incremental board against a plain recomputation from the stones.
#include <gtest/gtest.h>

#include <random>

#include "tactic/board.h"

namespace ruvex::tactic {
namespace {

// The line through `cell` along `d` as `side` sees it, read straight off the stones.
std::array<int, 9> PlainLine(const Board& b, int side, int cell, int d) {
  std::array<int, 9> line{};
  for (int k = -4; k <= 4; ++k) {
    const int x = XOf(cell) + k * kDx[d], y = YOf(cell) + k * kDy[d];
    const int stone = OnBoard(x, y) ? b.stone[CellAt(x, y)] : 3;
    line[k + 4] = k == 0 ? 1 : (stone == 0 ? 0 : (stone == side + 1 ? 1 : 2));
  }
  return line;
}

void ExpectMatchesPlain(const Board& b) {
  std::array<std::int64_t, 2> total{};
  for (int side = 0; side < 2; ++side) {
    std::array<int, kClassCount> count{};
    for (int cell = 0; cell < kCells; ++cell) {
      if (b.stone[cell] != 0) {
        ASSERT_EQ(b.cls[side][cell], kClassNone);
        ++count[kClassNone];
        continue;
      }
      std::array<std::uint8_t, 4> levels{};
      for (int d = 0; d < 4; ++d) {
        levels[d] = ClassifyLine(PlainLine(b, side, cell, d));
        ASSERT_EQ(b.level[side][cell][d], levels[d]) << "side " << side << " cell " << cell;
      }
      ASSERT_EQ(b.cls[side][cell], ClassOf(levels));
      ++count[ClassOf(levels)];
      total[side] += CellValue(levels, ClassOf(levels));
    }
    for (int c = 0; c < kClassCount; ++c) ASSERT_EQ(b.count[side][c], count[c]);
    ASSERT_EQ(b.total[side], total[side]);
  }
}

TEST(TacticBoard, IncrementalStateMatchesPlainRecomputation) {
  std::mt19937 rng(7);
  Board b, fresh;
  Reset(b);
  for (int step = 0; step < 300; ++step) {
    // Clustered stones (dense lines, edges and corners included), with takebacks.
    const int cell = step % 3 == 2 ? b.history[b.moves - 1] : static_cast<int>(rng() % kCells);
    if (step % 3 == 2) {
      Undo(b);
      ASSERT_EQ(b.stone[cell], 0);
    } else if (!Play(b, cell)) {
      ASSERT_NE(b.stone[cell], 0);  // only an occupied cell is refused
    }
    if (step % 50 != 0) continue;
    ExpectMatchesPlain(b);
    Reset(fresh);
    for (int i = 0; i < b.moves; ++i) {
      fresh.to_move = b.stone[b.history[i]] - 1;
      Play(fresh, b.history[i]);
    }
    ASSERT_EQ(fresh.hash, b.hash);
  }
  EXPECT_FALSE(Play(b, kCells));
  EXPECT_FALSE(Play(b, -1));
}

// ClassifyLine on hand-made lines: the levels the solvers rely on.
TEST(TacticPatterns, LevelsOfKnownLines) {
  struct Case {
    const char* line;  // 9 cells around the stone (index 4): . empty, x own, o blocked
    Level level;
  };
  const Case cases[] = {
      {"..xxxxx..", kFive},      {"...xxxx..", kOpenFour}, {"o..xxxx.o", kOpenFour},
      {"..oxxxx..", kFour},      {"..xxx.x..", kFour},     {"x.xxx.x..", kOpenFour},
      {"...xxx...", kOpenThree}, {"..oxxx...", kThree},    {"o..xxx.o.", kOpenThree},
      {"o.x.xx.o.", kOpenThree}, {"..oxx.x..", kThree},    {"...xx....", kOpenTwo},
      {"oooox..oo", kNone},      {"....x....", kOne},      {"...oxo...", kNone},
      {"...oxx...", kTwo},
  };
  for (const Case& c : cases) {
    std::array<int, 9> line{};
    for (int i = 0; i < 9; ++i) line[i] = c.line[i] == '.' ? 0 : (c.line[i] == 'x' ? 1 : 2);
    EXPECT_EQ(ClassifyLine(line), c.level) << c.line;
  }
}

}  // namespace
}  // namespace ruvex::tactic
