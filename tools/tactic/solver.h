// Threat-space solvers: VCF (a win by continuous fours, every defender reply forced) and
// VCT (threes and fours; the defender may answer a three with any defence, including fours
// of its own), and the defence finder (does the opponent threaten one, which moves stop it).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tactic/board.h"
#include "tactic/budget.h"

namespace ruvex::tactic {

enum class Outcome : std::uint8_t { kNoWin, kWin, kUnknown };

// A line of play: attacker and defender moves alternating, attacker first; for a VCT, the
// line through the first defence tried at every branch.
struct Line {
  std::array<std::int16_t, 160> cells;
  int length = 0;
};

// Positions proven not to be wins for their side to move, by solver kind and depth.
struct SolverTable {
  struct Entry {
    std::uint64_t key;
    std::int32_t depth;
  };
  std::vector<Entry> entries;  // size a power of two
};

struct Solver {
  Board* board;
  Budget* budget;
  SolverTable table;
};

// A solver over `board` and `budget` with a table of 2^table_bits entries.
void InitSolver(Solver& s, Board& board, Budget& budget, int table_bits);
void ClearTable(SolverTable& t);

// Searches from the side to move, which attacks. `max_depth` counts attacker moves for
// VCF, attacker threes (non-four threats) for VCT. On kWin, `line` (when given) holds the
// winning line from its first move. The board is left as it was.
Outcome SolveVcf(Solver& s, int max_depth, Line* line);
Outcome SolveVct(Solver& s, int max_depth, Line* line);
// Runs SolveVcf within `nodes` more nodes of the budget (the clock still applies).
Outcome VcfWithin(Solver& s, std::int64_t nodes, int max_depth, Line* line);

enum class Threat : std::uint8_t { kNone, kFive, kVcf, kVct };

struct Defence {
  Threat threat = Threat::kNone;  // the opponent's strongest threat if the mover passed
  Line line;                      // the opponent's winning line when it threatens one
  int count = 0;                  // moves that refute the threat
  std::array<std::int16_t, kCells> moves;
};

// Does the opponent of the side to move threaten a win (a five, a VCF, or with use_vct a
// VCT), and which moves of the side to move stop it. A move refutes the threat when the
// opponent has no VCF (and, with use_vct, no VCT) after it; a four of the mover refutes
// when, after the forced block, the mover has a refutation again (up to two fours deep).
// Unknown results (budget spent) count as not refuted.
Defence FindDefences(Solver& s, bool use_vct);

}  // namespace ruvex::tactic
