#include "games.h"

#include <algorithm>
#include <cmath>

#include "teacher.h"

namespace ruvex::trainer {

std::vector<Cell> NearbyCells(const BoardGrid& grid) {
  std::vector<Cell> cells;
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      if (grid(x, y) != Empty) continue;
      bool near = false;
      for (int dx = -2; dx <= 2 && !near; ++dx) {
        for (int dy = -2; dy <= 2 && !near; ++dy) {
          near = IsPlayable(x + dx, y + dy) && IsStone(grid(x + dx, y + dy));
        }
      }
      if (near) cells.push_back({x, y});
    }
  }
  return cells;
}

Cell TransformCell(int t, Cell c) {
  const int n = BoardSize + 1;
  int x = c.x;
  int y = c.y;
  if (t & 4) std::swap(x, y);
  if (t & 1) x = n - x;
  if (t & 2) y = n - y;
  return {x, y};
}

BoardGrid TransformBoard(int t, const BoardGrid& grid) {
  BoardGrid out;
  ClearBoard(out);
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      const Cell c = TransformCell(t, {x, y});
      out(c.x, c.y) = grid(x, y);
    }
  }
  return out;
}

namespace {

bool MakesFive(const BoardGrid& grid, Cell c, int side) {
  return BestPattern(ThreatsAt(grid, c.x, c.y, side)) == Five;
}

Cell ChooseMove(Rng& rng, const NoisyPlayer& player, const BoardGrid& grid, int side,
                const std::vector<Cell>& cells) {
  for (const Cell& c : cells) {
    if (MakesFive(grid, c, side)) return c;
  }
  if (NextUnit(rng) >= player.missBlock) {
    for (const Cell& c : cells) {
      if (MakesFive(grid, c, Other(side))) return c;
    }
  }
  if (NextUnit(rng) < player.randomShare)
    return cells[NextBelow(rng, static_cast<int>(cells.size()))];
  std::vector<double> target(cells.size());
  double best = 0.0;
  for (std::size_t k = 0; k < cells.size(); ++k) {
    target[k] = TeacherTarget(grid, cells[k].x, cells[k].y, side);
    best = std::max(best, target[k]);
  }
  double total = 0.0;
  for (double& t : target) {
    t = std::exp((t - best) / player.temperature);
    total += t;
  }
  double pick = NextUnit(rng) * total;
  for (std::size_t k = 0; k < cells.size(); ++k) {
    pick -= target[k];
    if (pick < 0.0) return cells[k];
  }
  return cells.back();
}

}  // namespace

// Opening: a random point anywhere on the board (edges and corners included)
// or in the central area, and 1 to 5 stones scattered around it.
GameRecord RandomOpening(Rng& rng, BoardGrid& grid) {
  GameRecord game;
  game.firstSide = NextBelow(rng, 2) == 0 ? Own : Opponent;
  ClearBoard(grid);
  int cx, cy;
  if (NextUnit(rng) < 0.4) {
    cx = 1 + NextBelow(rng, BoardSize);
    cy = 1 + NextBelow(rng, BoardSize);
  } else {
    cx = 6 + NextBelow(rng, 10);
    cy = 6 + NextBelow(rng, 10);
  }
  const int openingStones = 1 + NextBelow(rng, 5);
  const int spread = 1 + NextBelow(rng, 3);
  int side = game.firstSide;
  for (int k = 0; k < openingStones; ++k) {
    for (int attempt = 0; attempt < 50; ++attempt) {
      const int x = std::clamp(cx - spread + NextBelow(rng, 2 * spread + 1), 1, BoardSize);
      const int y = std::clamp(cy - spread + NextBelow(rng, 2 * spread + 1), 1, BoardSize);
      if (grid(x, y) != Empty) continue;
      grid(x, y) = static_cast<int8_t>(side);
      game.moves.push_back({x, y});
      side = Other(side);
      break;
    }
  }
  return game;
}

namespace {

// Places side's stone at c and records the move; true when it made a five
// (the game's winner is then set).
bool Place(GameRecord& game, BoardGrid& grid, Cell c, int side) {
  const bool five = MakesFive(grid, c, side);
  grid(c.x, c.y) = static_cast<int8_t>(side);
  game.moves.push_back(c);
  if (five) game.winner = side;
  return five;
}

}  // namespace

GameRecord PlayNoisyGame(Rng& rng, const NoisyPlayer& player, int maxPlies) {
  BoardGrid grid;
  GameRecord game = RandomOpening(rng, grid);
  int side = game.moves.size() % 2 == 0 ? game.firstSide : Other(game.firstSide);
  while (static_cast<int>(game.moves.size()) < maxPlies) {
    const std::vector<Cell> cells = NearbyCells(grid);
    if (cells.empty()) break;
    const Cell c = ChooseMove(rng, player, grid, side, cells);
    if (Place(game, grid, c, side)) break;
    side = Other(side);
  }
  return game;
}

Position PositionBefore(const GameRecord& game, int ply) {
  Position p;
  ClearBoard(p.grid);
  int side = game.firstSide;
  for (int k = 0; k < ply; ++k) {
    p.grid(game.moves[k].x, game.moves[k].y) = static_cast<int8_t>(side);
    side = Other(side);
  }
  p.side = side;
  return p;
}

GameRecord PlayTacticGame(Rng& rng, tactic::Engine& engine, int64_t nodes, double randomShare,
                          int maxPlies) {
  BoardGrid grid;
  GameRecord game = RandomOpening(rng, grid);
  tactic::NewGame(engine);
  tactic::Board& board = engine.board;
  const auto toTactic = [](Cell c) { return tactic::CellAt(c.x - 1, c.y - 1); };
  for (const Cell& c : game.moves) tactic::Play(board, toTactic(c));
  int side = game.moves.size() % 2 == 0 ? game.firstSide : Other(game.firstSide);
  while (static_cast<int>(game.moves.size()) < maxPlies) {
    const std::vector<Cell> cells = NearbyCells(grid);
    if (cells.empty()) break;
    Cell c;
    if (NextUnit(rng) < randomShare) {
      c = cells[NextBelow(rng, static_cast<int>(cells.size()))];
    } else {
      engine.budget = tactic::Budget{};
      tactic::SearchLimits limits;
      limits.max_nodes = nodes;
      const int move = tactic::ChooseMove(engine, limits).move;
      if (move == tactic::kNoCell) break;
      c = Cell{tactic::XOf(move) + 1, tactic::YOf(move) + 1};
    }
    tactic::Play(board, toTactic(c));
    if (Place(game, grid, c, side)) break;
    side = Other(side);
  }
  return game;
}

}  // namespace ruvex::trainer
