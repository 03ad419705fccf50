#include "trainer/review.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "board/candidates.h"
#include "tactic/tunables.h"
#include "trainer/samples.h"

namespace ruvex::trainer {

std::vector<Cell> ReadGameMoves(const std::string& path) {
  std::vector<Cell> moves;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return moves;
  BoardGrid grid;
  ClearBoard(grid);
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    int x, y, t;
    if (std::sscanf(line, "%d,%d,%d", &x, &y, &t) != 3) continue;
    if (!IsPlayable(x, y) || grid(x, y) != Empty) break;
    grid(x, y) = Own;
    moves.push_back({x, y});
  }
  std::fclose(file);
  return moves;
}

namespace {

// Does the side to move in grid win by continuous fours, or else by threes
// and fours, within the labeller's budget?
tactic::Threat ProvenWin(ThreatLabeller& l, const BoardGrid& grid, int side) {
  LoadPosition(l, grid, side);
  if (tactic::SolveVcf(l.solver, tactic::Tunables::kVcfDepth, nullptr) == tactic::Outcome::kWin)
    return tactic::Threat::kVcf;
  LoadPosition(l, grid, side);
  if (tactic::SolveVct(l.solver, tactic::Tunables::kVctDepth, nullptr) == tactic::Outcome::kWin)
    return tactic::Threat::kVct;
  return tactic::Threat::kNone;
}

}  // namespace

MistakeReport FindLosingMove(const Model& model, ThreatLabeller& labeller,
                             const std::vector<Cell>& moves) {
  MistakeReport report;
  if (moves.empty()) return report;
  // The first mover is Own; the last stone was the winner's.
  report.loser = moves.size() % 2 == 0 ? Own : Opponent;
  BoardGrid grid;
  ClearBoard(grid);
  int side = Own;
  double hidden[Cols1];
  for (std::size_t ply = 0; ply < moves.size(); ++ply, side = Other(side)) {
    const Cell played = moves[ply];
    Dataset data = NewDataset();
    if (side != report.loser || !AddPosition(data, grid, side)) {
      grid(played.x, played.y) = static_cast<int8_t>(side);
      continue;
    }
    grid(played.x, played.y) = static_cast<int8_t>(side);
    const tactic::Threat win = ProvenWin(labeller, grid, Other(side));
    if (win == tactic::Threat::kNone) continue;
    grid(played.x, played.y) = Empty;
    // The losing move: which moves the solver proves would have stopped the
    // win (refutations it cannot prove within the budget are left out).
    LoadPosition(labeller, grid, side);
    const tactic::Defence defence = tactic::FindDefences(labeller.solver, true);
    std::array<bool, tactic::kCells> refutes{};
    for (int i = 0; i < defence.count; ++i) refutes[defence.moves[i]] = true;
    MoveList list;
    const int n = FindCandidates(grid, list);
    std::vector<double> values(n + 1);
    for (int k = 1; k <= n; ++k) values[k] = Forward(model, data.Input(k - 1), hidden);
    // Rank as the expansion orders children: value, highest first, scan order on ties.
    const auto rank = [&](int k) {
      int r = 1;
      for (int j = 1; j <= n; ++j) r += values[j] > values[k] || (values[j] == values[k] && j < k);
      return r;
    };
    report.found = true;
    report.ply = static_cast<int>(ply) + 1;
    report.threat = win;
    report.refutations = defence.count;
    report.played = played;
    report.candidates = n;
    for (int k = 1; k <= n; ++k) {
      const Cell c{list[k].x, list[k].y};
      if (c == played) {
        report.playedRank = rank(k);
        report.playedValue = values[k];
      }
      if (refutes[tactic::CellAt(c.x - 1, c.y - 1)] &&
          (report.refutationRank == 0 || rank(k) < report.refutationRank)) {
        report.refutationRank = rank(k);
        report.refutationValue = values[k];
        report.bestRefutation = c;
      }
    }
    return report;
  }
  return report;
}

}  // namespace ruvex::trainer
