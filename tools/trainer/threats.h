// Threat-space labels: the tactic solver's verdicts laid over the pattern
// teacher's targets, so that the network's first choice (which every rollout
// follows) plays the forced wins and the refutations.
#pragma once

#include <cstdint>

#include "board/candidates.h"
#include "tactic/search.h"
#include "tactic/solver.h"

namespace ruvex::trainer {

struct ThreatLabeller {
  tactic::Board board;
  tactic::Budget budget;
  tactic::Solver solver;
  int64_t nodes = 0;       // solver nodes per question; a spent budget leaves the targets alone
  float quietCap = 0.30f;  // other moves' targets while something is forced (below the cut)
  int64_t wins = 0;        // positions labelled as the mover's forced win
  int64_t defences = 0;    // positions labelled as a defence
};

void InitLabeller(ThreatLabeller& labeller, int64_t nodes);

// Sets the solver's board to the position with side to move (tactic side 0)
// and a fresh budget of labeller.nodes.
void LoadPosition(ThreatLabeller& labeller, const BoardGrid& grid, int side);

// Targets of the candidates list[1..n] (targets[k - 1] for list[k]) of the
// position with side to move. When the mover wins by continuous fours, the
// fours that start such a win go to the top and its other non-four moves below
// the cut; else, when the opponent threatens a VCF or VCT, the moves that
// refute it are raised and the others go below the cut. Returns 1 for a
// mover's win, 2 for a defence, 0 when nothing changed.
int ApplyThreatLabels(ThreatLabeller& labeller, const BoardGrid& grid, int side,
                      const MoveList& list, int n, float* targets);

// pbrain-tactic's move choice (its whole search at a fixed node budget, so
// reproducible) as the positive of the ranking term.
struct Distiller {
  tactic::Engine engine;
  int64_t nodes = 0;   // search nodes per position; 0: off
  int64_t chosen = 0;  // positions whose choice is one of the engine's candidates
  int64_t missed = 0;  // positions whose choice is not
};

void InitDistiller(Distiller& distiller, int64_t nodes);

// Index k - 1 of list[k], the candidate tactic's search plays for side to
// move in the position, or -1 when its move is not among list[1..n].
int TacticChoice(Distiller& distiller, const BoardGrid& grid, int side, const MoveList& list,
                 int n);

}  // namespace ruvex::trainer
