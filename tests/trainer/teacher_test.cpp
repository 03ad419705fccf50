#include "trainer/teacher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>

#include "board/forced.h"
#include "trainer/games.h"

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

TEST(NoisyGames, AreReproducibleLegalAndEndOnTheWinnersFive) {
  int decided = 0;
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    Rng a = SeedRng(seed);
    Rng b = SeedRng(seed);
    NoisyPlayer player;
    player.randomShare = 0.05 * static_cast<double>(seed % 4);
    const GameRecord game = PlayNoisyGame(a, player);
    const GameRecord again = PlayNoisyGame(b, player);
    ASSERT_EQ(game.moves.size(), again.moves.size());
    for (std::size_t k = 0; k < game.moves.size(); ++k) EXPECT_EQ(game.moves[k], again.moves[k]);
    std::set<std::pair<int, int>> cells;
    for (const Cell& c : game.moves) {
      EXPECT_TRUE(IsPlayable(c.x, c.y));
      EXPECT_TRUE(cells.insert({c.x, c.y}).second) << "cell played twice";
    }
    const Position end = PositionBefore(game, static_cast<int>(game.moves.size()));
    const Cell last = game.moves.back();
    MoveEntry entry;
    entry.x = last.x;
    entry.y = last.y;
    if (game.winner != Empty) {
      ++decided;
      EXPECT_EQ(end.grid(last.x, last.y), game.winner);
      EXPECT_EQ(IsFiveThrough(game.winner, end.grid, entry), 1);
      // No earlier move ended the game.
      const Position before = PositionBefore(game, static_cast<int>(game.moves.size()) - 1);
      EXPECT_EQ(before.side, game.winner);
    }
  }
  EXPECT_GT(decided, 8);
}

}  // namespace
}  // namespace ruvex::trainer
