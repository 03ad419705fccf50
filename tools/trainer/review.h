// Review of a lost game: the first move of the losing side after which the
// winner had a forced win the tactic solver can prove, and how the network
// ranked that move against the moves that would have stopped the win.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"
#include "trainer/model.h"
#include "trainer/threats.h"

namespace ruvex::trainer {

// The stones of a game record in play order (one "x,y,time" line per stone,
// 1-based coordinates as in .psq files; other lines are skipped). Cells off
// the board or already taken end the list there.
std::vector<Cell> ReadGameMoves(const std::string& path);

struct MistakeReport {
  bool found = false;                             // a losing move was found
  int ply = 0;                                    // 1-based number of that move in the game
  int loser = Empty;                              // Own (the first mover) or Opponent
  tactic::Threat threat = tactic::Threat::kNone;  // the win the move allowed (VCF or VCT)
  int refutations = 0;                            // moves that stopped it
  Cell played{};
  int playedRank = 0;  // 1-based rank of the played move by network value
  double playedValue = 0.0;
  Cell bestRefutation{};   // the refutation the network valued highest
  int refutationRank = 0;  // its rank (0: no refutation among the candidates)
  double refutationValue = 0.0;
  int candidates = 0;
};

// Walks the loser's moves (the loser is the side that did not make the last
// move) and reports the first one that left a threat of the winner unrefuted.
// Positions where a five can be made or must be blocked are skipped (the
// engine plays those without the network).
MistakeReport FindLosingMove(const Model& model, ThreatLabeller& labeller,
                             const std::vector<Cell>& moves);

}  // namespace ruvex::trainer
