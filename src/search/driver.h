// The search driver: decides the engine's move for one turn.
#pragma once

#include <cstdint>
#include <string>

#include "board/board.h"
#include "eval/evaluator.h"
#include "search/state.h"

namespace ruvex {

// What the protocol loop knows about the current turn.
struct TurnInfo {
  int64_t TurnTimeLimit = 0;   // ms per move, 0 until INFO timeout_turn
  int64_t MatchTimeLimit = 0;  // ms per match, 0 until INFO timeout_match
  int64_t TurnStartTime = 0;   // probes.elapsed() reading when the turn began
  Cell OpponentLastMove;       // grid cell of the opponent's latest stone
};

// Protocol text of grid cell (x, y): "x-1,y-1", so (11, 11) is "10,10".
std::string MoveText(int x, int y);

// Chooses the engine's move on the game board, writes Own there and returns
// the move's protocol text.
std::string SearchMove(SearchState& search, Evaluator& evaluator, BoardGrid& game,
                       const TurnInfo& turn);

}  // namespace ruvex
