#include "trainer/teacher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ruvex::trainer {

void PrintTo(LinePattern pattern, std::ostream* os) {
  *os << LinePatternName(pattern);
}

namespace {

// Nine characters with the placed stone at index 4: 'X' own stone, '.' empty,
// 'o' the other side's stone or the board's edge.
LineAround Line(const std::string& text) {
  EXPECT_EQ(text.size(), 9u);
  EXPECT_EQ(text[4], 'X');
  LineAround around{};
  int k = 0;
  for (int i = 0; i < 9; ++i) {
    if (i == 4) continue;
    around[k++] = text[i] == 'X' ? Mine : (text[i] == '.' ? Free : Blocked);
  }
  return around;
}

LinePattern Classified(const std::string& text) {
  const LinePattern direct = ClassifyLine(Line(text));
  EXPECT_EQ(LookupLine(Line(text)), direct) << text;
  return direct;
}

TEST(TeacherLines, FivesAndFours) {
  EXPECT_EQ(Classified("XXXXX...."), Five);
  EXPECT_EQ(Classified(".XXXXXX.."), Five);  // overline counts as five
  EXPECT_EQ(Classified("XXXXXXXXX"), Five);
  EXPECT_EQ(Classified("..XXXX..."), OpenFour);
  EXPECT_EQ(Classified("X.XXX.X.."), OpenFour);  // two gaps, each completes five
  EXPECT_EQ(Classified("..oXXXX.."), Four);
  EXPECT_EQ(Classified("..X.XXX.."), Four);  // broken four: only the gap completes
  EXPECT_EQ(Classified("XX.XX...."), Four);
  EXPECT_EQ(Classified("oXXXXo..."), None);  // four stones walled in: no room left
  EXPECT_EQ(Classified("..oXXXXo."), None);
}

TEST(TeacherLines, Threes) {
  EXPECT_EQ(Classified("...XXX..."), OpenThree);
  EXPECT_EQ(Classified("..XXX...."), OpenThree);
  EXPECT_EQ(Classified("..X.XX..."), BrokenThree);
  EXPECT_EQ(Classified("...XX.X.."), BrokenThree);
  EXPECT_EQ(Classified(".oXXX...."), Three);  // closed at one end
  EXPECT_EQ(Classified("..oXXX..o"), Three);  // room for one five only: fours follow
  EXPECT_EQ(Classified("..oXXX.o."), None);   // four cells between blockers
  EXPECT_EQ(Classified("o.XXX.o.."), Three);  // o_XXX_o is no live three
}

TEST(TeacherLines, TwosOnesAndDeadLines) {
  EXPECT_EQ(Classified("...XX...."), OpenTwo);
  EXPECT_EQ(Classified("..X.X...."), OpenTwo);
  EXPECT_EQ(Classified("X...XX..."), OpenTwo);
  EXPECT_EQ(Classified("...oXX..."), Two);  // can only become a closed three
  EXPECT_EQ(Classified("....X...."), One);
  EXPECT_EQ(Classified("..o.X..o."), None);  // no five-cell stretch through the stone
  EXPECT_EQ(Classified("..oXX..o."), None);
  EXPECT_EQ(Classified("...oX...."), One);  // exactly one stretch of five remains
  EXPECT_EQ(Classified("...oX...o"), None);
}

TEST(TeacherLines, ClassificationIsMirrorSymmetric) {
  for (int index = 0; index < LineNeighbourhoods; ++index) {
    const LineAround around = LineAroundOf(index);
    LineAround mirrored{};
    for (int k = 0; k < 8; ++k) mirrored[k] = around[7 - k];
    ASSERT_EQ(LookupLine(around), LookupLine(mirrored)) << index;
  }
}

BoardGrid EmptyBoard() {
  BoardGrid grid;
  ClearBoard(grid);
  return grid;
}

TEST(TeacherBoard, EdgeBlocksLikeAStone) {
  BoardGrid grid = EmptyBoard();
  // Own stones at x = 1..3 on row 10: the stone at x = 4 makes a four whose
  // only completion is x = 5, since x = 0 is off the board.
  for (int x = 1; x <= 3; ++x) grid(x, 10) = Own;
  EXPECT_EQ(ThreatsAt(grid, 4, 10, Own)[0], Four);
  // The same shape in the middle of the board is an open four.
  BoardGrid middle = EmptyBoard();
  for (int x = 8; x <= 10; ++x) middle(x, 10) = Own;
  EXPECT_EQ(ThreatsAt(middle, 11, 10, Own)[0], OpenFour);
  // Two stones against the edge make only a closed three.
  BoardGrid edge = EmptyBoard();
  edge(1, 5) = Own;
  edge(2, 5) = Own;
  EXPECT_EQ(ThreatsAt(edge, 3, 5, Own)[0], Three);
  // Vertical line against the far edge, and a diagonal into the corner.
  BoardGrid far = EmptyBoard();
  for (int y = 18; y <= 20; ++y) far(7, y) = Opponent;
  EXPECT_EQ(ThreatsAt(far, 7, 17, Opponent)[1], Four);
  BoardGrid corner = EmptyBoard();
  corner(20, 20) = Own;
  corner(19, 19) = Own;
  corner(18, 18) = Own;
  EXPECT_EQ(ThreatsAt(corner, 17, 17, Own)[2], Four);
  EXPECT_EQ(ThreatsAt(corner, 17, 17, Own)[3], One);
}

TEST(TeacherBoard, ReadLineSeesSidesAndIgnoresTheCentre) {
  BoardGrid grid = EmptyBoard();
  grid(10, 10) = Opponent;  // the centre's content is not read
  grid(9, 11) = Own;        // step (-1, 1), distance 1
  grid(12, 8) = Opponent;   // step (-1, 1), distance -2
  const LineAround own = ReadLine(grid, 10, 10, -1, 1, Own);
  EXPECT_EQ(own[4], Mine);
  EXPECT_EQ(own[2], Blocked);
  const LineAround opp = ReadLine(grid, 10, 10, -1, 1, Opponent);
  EXPECT_EQ(opp[4], Blocked);
  EXPECT_EQ(opp[2], Mine);
  EXPECT_EQ(opp[0], Free);
}

TEST(TeacherScore, WinningCombinationsOutrankSingleThreats) {
  const double openThree = ThreatScore({OpenThree, One, One, One});
  const double doubleThree = ThreatScore({OpenThree, BrokenThree, One, One});
  const double fourThree = ThreatScore({Four, OpenThree, One, One});
  const double doubleFour = ThreatScore({Four, Four, One, One});
  const double openFour = ThreatScore({OpenFour, One, One, One});
  EXPECT_GT(doubleThree, 5 * openThree);
  EXPECT_GT(fourThree, doubleThree);
  EXPECT_GT(doubleFour, fourThree);
  EXPECT_GT(openFour, fourThree);
  EXPECT_GT(ThreatScore({OpenTwo, None, None, None}), ThreatScore({Two, One, One, One}));
}

TEST(TeacherScore, TargetMappingIsMonotoneAndClamped) {
  EXPECT_DOUBLE_EQ(ScoreToTarget(0.0), 0.02);
  EXPECT_DOUBLE_EQ(ScoreToTarget(400.0), 0.35);
  EXPECT_DOUBLE_EQ(ScoreToTarget(20000.0), 0.97);
  EXPECT_DOUBLE_EQ(ScoreToTarget(1e6), 0.99);
  EXPECT_NEAR(ScoreToTarget(999.0),
              0.35 + 0.62 * (3.0 - std::log10(401.0)) / (std::log10(20001.0) - std::log10(401.0)),
              1e-12);
  double last = 0.0;
  for (double s = 0.0; s < 1e6; s = s * 1.5 + 1.0) {
    EXPECT_GE(ScoreToTarget(s), last);
    last = ScoreToTarget(s);
  }
}

TEST(TeacherScore, AttackRanksSlightlyAboveDefenceAndBothAboveQuietMoves) {
  BoardGrid grid = EmptyBoard();
  for (int x = 8; x <= 10; ++x) grid(x, 10) = Own;  // Own open three
  // At (11, 10) Own makes an open four; for Opponent it is the block.
  const double attack = TeacherTarget(grid, 11, 10, Own);
  const double defence = TeacherTarget(grid, 11, 10, Opponent);
  EXPECT_GT(attack, 0.95);
  EXPECT_GT(defence, 0.9);
  EXPECT_GT(attack, defence);
  EXPECT_LT(attack - defence, 0.05);
  // A far point of the three: Own makes only a broken four there.
  EXPECT_LT(TeacherTarget(grid, 12, 10, Own), 0.7);
  // A cell touching nothing of interest is clearly poor.
  EXPECT_LT(TeacherTarget(grid, 9, 15, Opponent), 0.35);
  // Making an open three is worth more than the quiet move, less than the block.
  BoardGrid two = EmptyBoard();
  two(9, 10) = Opponent;
  two(10, 10) = Opponent;
  const double three = TeacherTarget(two, 11, 10, Opponent);
  EXPECT_GT(three, 0.45);
  EXPECT_LT(three, defence);
}

}  // namespace
}  // namespace ruvex::trainer
