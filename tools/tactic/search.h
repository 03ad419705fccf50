// Move choice: the threat solvers at the root, then iterative-deepening alpha-beta over
// threat-ordered candidates with a transposition table, a VCF probe at the leaves and a
// pattern-based static evaluation.
#pragma once

#include <cstdint>
#include <vector>

#include "tactic/board.h"
#include "tactic/budget.h"
#include "tactic/solver.h"

namespace ruvex::tactic {

inline constexpr int kWinScore = 1000000;
inline constexpr int kWinBound = kWinScore - 1000;  // scores beyond this are proven wins

struct TtEntry {
  std::uint64_t key;
  std::int32_t score;
  std::int16_t move;
  std::int8_t depth;
  std::uint8_t bound;  // 0 empty, 1 exact, 2 lower, 3 upper
};

// Everything a search needs, allocated once (about 20 MB).
struct Engine {
  Board board;
  Budget budget;
  Solver solver;
  std::vector<TtEntry> tt;
};

void InitEngine(Engine& e);
// A new game: empty board, tables cleared.
void NewGame(Engine& e);

struct SearchLimits {
  std::int64_t max_nodes = 0;  // 0: no node limit (then give a clock)
  int max_depth = 64;          // alpha-beta iterations
  NowMs now_ms = nullptr;      // nullptr: node budget only, reproducible
  std::int64_t start_ms = 0;   // when the turn began (clock time)
  std::int64_t soft_ms = 0;    // start no new iteration after this much of the turn
  std::int64_t hard_ms = 0;    // stop searching after this much of the turn
  bool use_vct = true;
};

struct SearchResult {
  int move = kNoCell;
  int score = 0;
  int depth = 0;  // last completed alpha-beta iteration (0: decided by a rule or solver)
  std::int64_t nodes = 0;
  const char* reason = "";  // "five", "block", "vcf", "defend-vcf", "vct", "search", ...
};

// Static evaluation for the side to move.
int Evaluate(const Board& b);

// The move for the side to move of e.board (which must have an empty cell); the board is
// left as it was.
SearchResult ChooseMove(Engine& e, const SearchLimits& limits);

}  // namespace ruvex::tactic
