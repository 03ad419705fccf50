// Self-play games of a noisy threat player: the source of training positions.
#pragma once

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "rng.h"
#include "tactic/search.h"

namespace ruvex::trainer {

// How one game is played.
struct NoisyPlayer {
  double randomShare = 0.1;   // chance of a uniformly random nearby move
  double temperature = 0.03;  // softmax temperature over the teacher's targets
  double missBlock = 0.02;    // chance of ignoring the opponent's five threat
};

struct GameRecord {
  std::vector<Cell> moves;  // in play order; the first mover is firstSide
  int firstSide = Own;
  int winner = Empty;  // Own, Opponent, or Empty for an unfinished game
};

// Empty playable cells within Chebyshev distance 2 of a stone, in scan order.
std::vector<Cell> NearbyCells(const BoardGrid& grid);

// Dihedral symmetries of the 20 x 20 board: transform t in 0..7 maps a
// playable cell to a playable cell; t = 0 is the identity.
Cell TransformCell(int t, Cell c);
BoardGrid TransformBoard(int t, const BoardGrid& grid);

// One game: a random opening of 1 to 5 stones around a random point (often
// near an edge or a corner), then the noisy player for both sides until a
// five, a full neighbourhood or maxPlies.
GameRecord PlayNoisyGame(Rng& rng, const NoisyPlayer& player, int maxPlies = 220);

// One game of pbrain-tactic's search against itself at a fixed node budget
// (reproducible), from the same kind of opening, with a randomShare chance of
// a random nearby move instead. engine is reused from game to game.
GameRecord PlayTacticGame(Rng& rng, tactic::Engine& engine, int64_t nodes, double randomShare,
                          int maxPlies = 220);

// The position before move number ply (0-based) of the game, with the side to
// move at that point.
struct Position {
  BoardGrid grid;
  int side = Own;
};
Position PositionBefore(const GameRecord& game, int ply);

}  // namespace ruvex::trainer
