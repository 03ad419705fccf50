#include "trainer/teacher.h"

#include <gtest/gtest.h>

#include <string>

namespace ruvex::trainer {

void PrintTo(LinePattern pattern, std::ostream* os) {
  *os << LinePatternName(pattern);
}

namespace {

// Nine characters with the placed stone at index 4: 'X' own stone, '.' empty,
// 'o' the other side's stone or the board's edge.
LineAround Line(const std::string& text) {
  LineAround around{};
  int k = 0;
  for (int i = 0; i < 9; ++i) {
    if (i != 4) around[k++] = text[i] == 'X' ? Mine : (text[i] == '.' ? Free : Blocked);
  }
  return around;
}

TEST(TeacherLines, TableAndPlainClassifierAgree) {
  const struct {
    const char* line;
    LinePattern pattern;
  } cases[] = {
      {"XXXXX....", Five},        {".XXXXXX..", Five},        {"XXXXXXXXX", Five},
      {"..XXXX...", OpenFour},    {"X.XXX.X..", OpenFour},    {"..oXXXX..", Four},
      {"..X.XXX..", Four},        {"XX.XX....", Four},        {"oXXXXo...", None},
      {"..oXXXXo.", None},        {"...XXX...", OpenThree},   {"..XXX....", OpenThree},
      {"..X.XX...", BrokenThree}, {"...XX.X..", BrokenThree}, {".oXXX....", Three},
      {"..oXXX..o", Three},       {"..oXXX.o.", None},        {"o.XXX.o..", Three},
      {"...XX....", OpenTwo},     {"..X.X....", OpenTwo},     {"X...XX...", OpenTwo},
      {"...oXX...", Two},         {"....X....", One},         {"..o.X..o.", None},
      {"..oXX..o.", None},        {"...oX....", One},         {"...oX...o", None},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyLine(Line(c.line)), c.pattern) << c.line;
  for (int index = 0; index < LineNeighbourhoods; ++index) {
    const LineAround around = LineAroundOf(index);
    LineAround mirrored{};
    for (int k = 0; k < 8; ++k) mirrored[k] = around[7 - k];
    ASSERT_EQ(LookupLine(around), LookupLine(mirrored)) << index;
    ASSERT_EQ(LookupLine(around), ClassifyLine(around)) << index;
  }
}

TEST(TeacherBoard, TheEdgeBlocksLikeAStone) {
  // (stones from (x, y) on by step, count, side, cell played, direction, pattern)
  const struct {
    int x, y, dx, dy, count;
    CellValue side;
    int px, py, dir;
    LinePattern pattern;
  } cases[] = {
      {1, 10, 1, 0, 3, Own, 4, 10, 0, Four},  // x = 0 is off the board
      {8, 10, 1, 0, 3, Own, 11, 10, 0, OpenFour},
      {1, 5, 1, 0, 2, Own, 3, 5, 0, Three},
      {7, 18, 0, 1, 3, Opponent, 7, 17, 1, Four},
      {18, 18, 1, 1, 3, Own, 17, 17, 2, Four},  // into the corner
      {18, 18, 1, 1, 3, Own, 17, 17, 3, One},
  };
  for (const auto& c : cases) {
    BoardGrid grid;
    ClearBoard(grid);
    for (int i = 0; i < c.count; ++i) grid(c.x + i * c.dx, c.y + i * c.dy) = c.side;
    EXPECT_EQ(ThreatsAt(grid, c.px, c.py, c.side)[c.dir], c.pattern) << c.px << "," << c.py;
  }
}

TEST(TeacherScore, RanksAndTargets) {
  const double openThree = ThreatScore({OpenThree, One, One, One});
  const double doubleThree = ThreatScore({OpenThree, BrokenThree, One, One});
  const double fourThree = ThreatScore({Four, OpenThree, One, One});
  EXPECT_GT(doubleThree, 5 * openThree);
  EXPECT_GT(fourThree, doubleThree);
  EXPECT_GT(ThreatScore({Four, Four, One, One}), fourThree);
  EXPECT_GT(ThreatScore({OpenFour, One, One, One}), fourThree);
  EXPECT_GT(ThreatScore({OpenTwo, None, None, None}), ThreatScore({Two, One, One, One}));
  EXPECT_DOUBLE_EQ(ScoreToTarget(0.0), 0.02);
  EXPECT_DOUBLE_EQ(ScoreToTarget(400.0), 0.35);
  EXPECT_DOUBLE_EQ(ScoreToTarget(20000.0), 0.97);
  EXPECT_DOUBLE_EQ(ScoreToTarget(1e6), 0.99);
  for (double s = 0.0; s < 1e6; s = s * 1.5 + 1.0)
    EXPECT_GE(ScoreToTarget(s * 1.5 + 1), ScoreToTarget(s));
  // Attack (Own's open four at (11,10)) ranks slightly above its block, both above quiet moves.
  BoardGrid grid;
  ClearBoard(grid);
  for (int x = 8; x <= 10; ++x) grid(x, 10) = Own;
  const double attack = TeacherTarget(grid, 11, 10, Own);
  const double defence = TeacherTarget(grid, 11, 10, Opponent);
  EXPECT_TRUE(attack > 0.95 && defence > 0.9 && attack > defence && attack - defence < 0.05);
  EXPECT_LT(TeacherTarget(grid, 12, 10, Own), 0.7);  // only a broken four there
  EXPECT_LT(TeacherTarget(grid, 9, 15, Opponent), 0.35);
}

}  // namespace
}  // namespace ruvex::trainer
