#include "trainer/games.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

#include "board/forced.h"
#include "trainer/teacher.h"

namespace ruvex::trainer {
namespace {

// Every move on a free playable cell; a won game ends on the winner's first
// five (returns whether it was won).
bool ExpectLegalAndEndedByFive(const GameRecord& game) {
  std::set<std::pair<int, int>> cells;
  for (const Cell& c : game.moves) {
    EXPECT_TRUE(IsPlayable(c.x, c.y) && cells.insert({c.x, c.y}).second) << c.x << "," << c.y;
  }
  const int n = static_cast<int>(game.moves.size());
  if (game.winner == Empty) return false;
  const Position end = PositionBefore(game, n);
  MoveEntry last;
  last.x = game.moves.back().x;
  last.y = game.moves.back().y;
  EXPECT_EQ(end.grid(last.x, last.y), game.winner);
  EXPECT_EQ(IsFiveThrough(game.winner, end.grid, last), 1);
  EXPECT_EQ(PositionBefore(game, n - 1).side, game.winner);  // no earlier move ended it
  return true;
}

TEST(Transforms, EachMapsThePlayableCellsOntoThemselvesAndKeepsTheTeacher) {
  BoardGrid grid;
  ClearBoard(grid);
  grid(3, 4) = Own;
  grid(4, 5) = Own;
  grid(5, 6) = Opponent;
  grid(2, 4) = Opponent;
  for (int t = 0; t < 8; ++t) {
    std::set<std::pair<int, int>> seen;
    const BoardGrid moved = TransformBoard(t, grid);
    for (int x = 1; x <= BoardSize; ++x) {
      for (int y = 1; y <= BoardSize; ++y) {
        const Cell c = TransformCell(t, {x, y});
        ASSERT_TRUE(IsPlayable(c.x, c.y));
        seen.insert({c.x, c.y});
        if (x <= 8 && y <= 8) {
          EXPECT_DOUBLE_EQ(MoveScore(grid, x, y, Own), MoveScore(moved, c.x, c.y, Own));
        }
      }
    }
    EXPECT_EQ(seen.size(), 400u) << t;
  }
  EXPECT_EQ(TransformCell(0, {1, 5}), (Cell{1, 5}));
  EXPECT_EQ(TransformCell(1, {1, 5}), (Cell{20, 5}));
  EXPECT_EQ(TransformCell(4, {1, 5}), (Cell{5, 1}));
}

// Noisy games, and for the first seeds games of the tactic search.
TEST(SelfPlayGames, AreReproducibleLegalAndEndOnTheWinnersFive) {
  const auto engine = std::make_unique<tactic::Engine>();
  tactic::InitEngine(*engine);
  int decided = 0;
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    Rng a = SeedRng(seed), b = SeedRng(seed);
    NoisyPlayer player;
    player.randomShare = 0.05 * static_cast<double>(seed % 4);
    const GameRecord game = PlayNoisyGame(a, player);
    ASSERT_EQ(game.moves, PlayNoisyGame(b, player).moves);
    const Position third = PositionBefore(game, 3);
    EXPECT_EQ(third.side, Other(game.firstSide));
    EXPECT_EQ(third.grid(game.moves[1].x, game.moves[1].y), Other(game.firstSide));
    EXPECT_EQ(third.grid(game.moves[3].x, game.moves[3].y), Empty);
    decided += ExpectLegalAndEndedByFive(game);
    if (seed > 3) continue;
    const GameRecord tactic = PlayTacticGame(a, *engine, 300, 0.1, 60);
    ASSERT_EQ(tactic.moves, PlayTacticGame(b, *engine, 300, 0.1, 60).moves);
    ExpectLegalAndEndedByFive(tactic);
  }
  EXPECT_GT(decided, 8);
}

}  // namespace
}  // namespace ruvex::trainer
