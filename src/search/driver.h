// The search driver: decides the engine's move for one turn.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "eval/evaluator.h"
#include "search/state.h"
#include "search/timing.h"

namespace ruvex {

// What the protocol loop knows about the current turn.
struct TurnInfo {
  int64_t TurnTimeLimit = 0;   // ms per move, 0 until INFO timeout_turn
  int64_t MatchTimeLimit = 0;  // ms per match, 0 until INFO timeout_match
  int64_t TurnStartTime = 0;   // host clock reading when the turn began
  Cell OpponentLastMove;       // grid cell of the opponent's latest stone
};

// How the move was decided.
enum class DecidedBy {
  OwnFive,   // the engine completes five
  Block,     // the opponent's five is blocked
  Search,    // the searched root child with the best average
  Hurry,     // the first entry of a fresh expansion of the game board
  Fallback,  // the search gave no playable child: the first entry of a fresh
             // expansion, else the centre or the first empty cell
};

// One turn's move and how it came about.
struct SearchResult {
  Cell cell;  // Own now stands there; on a full board nothing was written and cell is the centre
  DecidedBy decidedBy = DecidedBy::Search;
  StopReason stop = StopReason::None;  // why the search loop ended
  int64_t iterations = 0;              // SelectNode calls in this turn
  int32_t nodes = 0;                   // NodeCount after the turn
  int64_t elapsed = 0;                 // ms of the turn at its last clock reading (0: none)
  int64_t cacheCalls = 0;              // ValueCell requests in this turn
  int64_t cacheHits = 0;               // of them answered from the cache
};

// The search stops at a 100-iteration check when the working set is above this.
inline constexpr uint64_t SearchMemoryMegabytes = 310;
// Iterations between two checks of tree growth and memory.
inline constexpr int32_t GrowthCheckInterval = 100;

// A new game: HurryMode and GameRunningTime 0 (the match clock is per game),
// the tuning values the time rules lowered back at StartTuning, the tree
// dropped. Within a game none of them is restored.
void StartSearchGame(SearchState& search);

// Chooses the engine's move on the game board and writes Own there.
SearchResult SearchMove(SearchState& search, Evaluator& evaluator, BoardGrid& game,
                        const TurnInfo& turn);

}  // namespace ruvex
