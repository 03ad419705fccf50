#include "trainer/threats.h"

#include <algorithm>
#include <array>

#include "tactic/tunables.h"

namespace ruvex::trainer {
namespace {

constexpr float WinTarget = 0.99f;     // a four that starts a forced win
constexpr float RefuteTarget = 0.93f;  // stops the opponent's forced win

int CellOf(const MoveEntry& c) {
  return tactic::CellAt(c.x - 1, c.y - 1);
}

void Restart(ThreatLabeller& l) {
  l.budget = tactic::Budget{};
  l.budget.limit = l.nodes;
}

// Does the mover's four on cell win by force (the reply is the single block)?
bool FourWins(ThreatLabeller& l, int cell) {
  tactic::Board& b = l.board;
  tactic::Play(b, cell);
  bool wins = b.count[0][tactic::kClassFive] >= 2;
  if (!wins && tactic::Play(b, tactic::FivePoint(b, 0))) {
    Restart(l);
    wins =
        tactic::SolveVcf(l.solver, tactic::Tunables::kVcfDepth, nullptr) == tactic::Outcome::kWin;
    tactic::Undo(b);
  }
  tactic::Undo(b);
  return wins;
}

// The position on tactic's board, with tactic side 0 as the mover.
void SetUp(tactic::Board& b, const BoardGrid& grid, int side) {
  tactic::Reset(b);
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      if (!IsStone(grid(x, y))) continue;
      b.to_move = grid(x, y) == side ? 0 : 1;
      tactic::Play(b, tactic::CellAt(x - 1, y - 1));
    }
  }
  b.to_move = 0;
}

}  // namespace

void InitLabeller(ThreatLabeller& labeller, int64_t nodes) {
  labeller.nodes = nodes;
  tactic::InitSolver(labeller.solver, labeller.board, labeller.budget, 16);
}

void LoadPosition(ThreatLabeller& l, const BoardGrid& grid, int side) {
  tactic::Board& b = l.board;
  SetUp(b, grid, side);
  Restart(l);
}

int ApplyThreatLabels(ThreatLabeller& l, const BoardGrid& grid, int side, const MoveList& list,
                      int n, float* targets) {
  tactic::Board& b = l.board;
  LoadPosition(l, grid, side);
  tactic::Line line;
  const tactic::Outcome win = tactic::SolveVcf(l.solver, tactic::Tunables::kVcfDepth, &line);
  if (win == tactic::Outcome::kWin) {
    for (int k = 1; k <= n; ++k) {
      const int cell = CellOf(list[k]);
      if (b.cls[0][cell] < tactic::kClassFour) {
        targets[k - 1] = std::min(targets[k - 1], l.quietCap);
      } else if (cell == line.cells[0] || FourWins(l, cell)) {
        targets[k - 1] = WinTarget;
      }
    }
    ++l.wins;
    return 1;
  }
  if (win == tactic::Outcome::kUnknown) return 0;
  Restart(l);
  const tactic::Defence defence = tactic::FindDefences(l.solver, true);
  if (l.budget.stopped || defence.threat == tactic::Threat::kNone) return 0;
  std::array<bool, tactic::kCells> refutes{};
  for (int i = 0; i < defence.count; ++i) refutes[defence.moves[i]] = true;
  for (int k = 1; k <= n; ++k) {
    float& t = targets[k - 1];
    t = refutes[CellOf(list[k])] ? std::max(t, RefuteTarget) : std::min(t, l.quietCap);
  }
  ++l.defences;
  return 2;
}

void InitDistiller(Distiller& distiller, int64_t nodes) {
  distiller.nodes = nodes;
  tactic::InitEngine(distiller.engine);
}

int TacticChoice(Distiller& d, const BoardGrid& grid, int side, const MoveList& list, int n) {
  SetUp(d.engine.board, grid, side);
  tactic::SearchLimits limits;
  limits.max_nodes = d.nodes;
  const int move = tactic::ChooseMove(d.engine, limits).move;
  for (int k = 1; k <= n; ++k) {
    if (CellOf(list[k]) == move) {
      ++d.chosen;
      return k - 1;
    }
  }
  ++d.missed;
  return -1;
}

}  // namespace ruvex::trainer
