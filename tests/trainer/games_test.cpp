#include "trainer/games.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>
#include <utility>

#include "board/forced.h"
#include "trainer/teacher.h"

namespace ruvex::trainer {
namespace {

TEST(Transforms, EachIsABijectionOfThePlayableCells) {
  for (int t = 0; t < 8; ++t) {
    std::set<std::pair<int, int>> seen;
    for (int x = 1; x <= BoardSize; ++x) {
      for (int y = 1; y <= BoardSize; ++y) {
        const Cell c = TransformCell(t, {x, y});
        ASSERT_TRUE(IsPlayable(c.x, c.y));
        seen.insert({c.x, c.y});
        if (t == 0) {
          EXPECT_EQ(c, (Cell{x, y}));
        }
      }
    }
    EXPECT_EQ(seen.size(), 400u) << t;
  }
  EXPECT_EQ(TransformCell(1, {1, 5}), (Cell{20, 5}));
  EXPECT_EQ(TransformCell(4, {1, 5}), (Cell{5, 1}));
}

TEST(Transforms, PreserveTheTeacher) {
  BoardGrid grid;
  ClearBoard(grid);
  grid(3, 4) = Own;
  grid(4, 5) = Own;
  grid(5, 6) = Opponent;
  grid(2, 4) = Opponent;
  for (int t = 0; t < 8; ++t) {
    const BoardGrid moved = TransformBoard(t, grid);
    for (int x = 1; x <= 8; ++x) {
      for (int y = 1; y <= 8; ++y) {
        const Cell c = TransformCell(t, {x, y});
        EXPECT_DOUBLE_EQ(MoveScore(grid, x, y, Own), MoveScore(moved, c.x, c.y, Own));
      }
    }
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

TEST(TacticGames, AreReproducibleAndLegal) {
  const auto engine = std::make_unique<tactic::Engine>();
  tactic::InitEngine(*engine);
  for (uint64_t seed = 1; seed <= 3; ++seed) {
    Rng a = SeedRng(seed);
    Rng b = SeedRng(seed);
    const GameRecord game = PlayTacticGame(a, *engine, 300, 0.1, 60);
    const GameRecord again = PlayTacticGame(b, *engine, 300, 0.1, 60);
    EXPECT_EQ(game.moves, again.moves);
    EXPECT_EQ(game.winner, again.winner);
    std::set<std::pair<int, int>> cells;
    for (const Cell& c : game.moves) {
      EXPECT_TRUE(IsPlayable(c.x, c.y));
      EXPECT_TRUE(cells.insert({c.x, c.y}).second) << "cell played twice";
    }
    if (game.winner != Empty) {
      const Position end = PositionBefore(game, static_cast<int>(game.moves.size()));
      MoveEntry last;
      std::tie(last.x, last.y) = std::tuple(game.moves.back().x, game.moves.back().y);
      EXPECT_EQ(IsFiveThrough(game.winner, end.grid, last), 1);
    }
  }
}

TEST(NoisyGames, PositionBeforeAlternatesSides) {
  Rng rng = SeedRng(7);
  const GameRecord game = PlayNoisyGame(rng, NoisyPlayer{});
  ASSERT_GE(game.moves.size(), 3u);
  const Position p = PositionBefore(game, 3);
  EXPECT_EQ(p.side, Other(game.firstSide));
  EXPECT_EQ(p.grid(game.moves[0].x, game.moves[0].y), game.firstSide);
  EXPECT_EQ(p.grid(game.moves[1].x, game.moves[1].y), Other(game.firstSide));
  EXPECT_EQ(p.grid(game.moves[3].x, game.moves[3].y), Empty);
}

}  // namespace
}  // namespace ruvex::trainer
