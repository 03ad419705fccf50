#include "tactic/search.h"

#include <algorithm>

#include "tactic/tunables.h"

namespace ruvex::tactic {
namespace {

constexpr int kTtBits = 20;
constexpr int kSolverBits = 18;
constexpr int kInfinity = kWinScore + 1;
enum Bound : std::uint8_t { kEmptyBound, kExact, kLower, kUpper };
using Cells = std::array<std::int16_t, kCells>;

// Gives the search up to `percent` of the turn (cumulative over the phases of a move).
void Phase(Engine& e, const SearchLimits& limits, int percent) {
  Budget& budget = e.budget;
  budget.stopped = false;
  budget.out_of_time = false;
  if (limits.max_nodes > 0)
    budget.limit = std::max<std::int64_t>(1, limits.max_nodes * percent / 100);
  if (limits.now_ms != nullptr) {
    budget.deadline_ms = limits.start_ms + limits.hard_ms * percent / 100;
  }
}

// Quiet candidates: empty cells near stones, best attack plus defence value first; when the
// opponent can make an open four, only the cells that stop it and the mover's own fours.
int Generate(const Board& b, int width, std::int16_t* out) {
  const int s = b.to_move, o = 1 - s;
  int n = 0;
  if (b.count[o][kClassFlexFour] > 0) {
    for (int cell = 0; cell < kCells; ++cell) {
      if (b.cls[s][cell] >= kClassFour || b.cls[o][cell] >= kClassFour) {
        out[n++] = static_cast<std::int16_t>(cell);
      }
    }
    width = n;
  } else {
    for (int cell = 0; cell < kCells; ++cell) {
      if (b.stone[cell] == 0 && b.near[cell] > 0) out[n++] = static_cast<std::int16_t>(cell);
    }
    if (n == 0) {  // no stone near an empty cell: the centre, or the first empty cell
      const int centre = CellAt(kSize / 2, kSize / 2);
      for (int cell = 0; cell < kCells && n == 0; ++cell) {
        if (b.stone[cell] == 0) out[n++] = static_cast<std::int16_t>(cell);
      }
      if (b.stone[centre] == 0) out[0] = static_cast<std::int16_t>(centre);
      return n;
    }
  }
  auto better = [&](std::int16_t x, std::int16_t y) {
    const int vx = b.value[s][x] + b.value[o][x], vy = b.value[s][y] + b.value[o][y];
    return vx != vy ? vx > vy : x < y;
  };
  width = std::min(width, n);
  std::nth_element(out, out + width - 1, out + n, better);
  std::sort(out, out + width, better);
  return width;
}

TtEntry& TtSlot(Engine& e, std::uint64_t key) {
  return e.tt[key & (e.tt.size() - 1)];
}

int ToTt(int score, int ply) {
  if (score >= kWinBound) return score + ply;
  if (score <= -kWinBound) return score - ply;
  return score;
}

int FromTt(int score, int ply) {
  if (score >= kWinBound) return score - ply;
  if (score <= -kWinBound) return score + ply;
  return score;
}

int Leaf(Engine& e, int ply) {
  const Board& b = e.board;
  const int s = b.to_move;
  if (b.count[s][kClassFour] + b.count[s][kClassFourThree] > 0 &&
      VcfWithin(e.solver, Tunables::kLeafVcfNodes, Tunables::kVcfDepth, nullptr) == Outcome::kWin) {
    return kWinScore - ply - 8;
  }
  return Evaluate(b);
}

int Negamax(Engine& e, int depth, int alpha, int beta, int ply) {
  Board& b = e.board;
  if (!Spend(e.budget)) return 0;
  const int s = b.to_move, o = 1 - s;
  if (b.count[s][kClassFive] > 0) return kWinScore - ply - 1;
  const int their_fives = b.count[o][kClassFive];
  if (their_fives >= 2) return -(kWinScore - ply - 2);
  if (b.moves >= kCells) return 0;
  if (ply >= Tunables::kMaxPly) return Evaluate(b);
  Cells moves;
  int n;
  bool forced = false;
  if (their_fives == 1) {
    moves[0] = static_cast<std::int16_t>(FivePoint(b, o));
    n = 1;
    forced = true;
  } else {
    if (b.count[s][kClassFlexFour] > 0) return kWinScore - ply - 3;
    if (depth <= 0) return Leaf(e, ply);
    n = Generate(b, Tunables::kInnerWidth, moves.data());
  }
  const std::uint64_t key = PositionKey(b);
  TtEntry& slot = TtSlot(e, key);
  int tt_move = kNoCell;
  if (slot.key == key && slot.bound != kEmptyBound) {
    tt_move = slot.move;
    if (slot.depth >= depth && !forced) {
      const int score = FromTt(slot.score, ply);
      if (slot.bound == kExact) return score;
      if (slot.bound == kLower && score >= beta) return score;
      if (slot.bound == kUpper && score <= alpha) return score;
    }
  }
  if (tt_move != kNoCell) {
    for (int i = 1; i < n; ++i) {
      if (moves[i] == tt_move) {
        std::rotate(moves.begin(), moves.begin() + i, moves.begin() + i + 1);
        break;
      }
    }
  }
  const int alpha0 = alpha;
  int best = -kInfinity, best_move = moves[0];
  for (int i = 0; i < n; ++i) {
    Play(b, moves[i]);
    const int score = -Negamax(e, forced ? depth : depth - 1, -beta, -alpha, ply + 1);
    Undo(b);
    if (e.budget.stopped) return 0;
    if (score > best) {
      best = score;
      best_move = moves[i];
    }
    if (score > alpha) alpha = score;
    if (alpha >= beta) break;
  }
  const std::uint8_t bound = best >= beta ? kLower : (best > alpha0 ? kExact : kUpper);
  slot = {key, ToTt(best, ply), static_cast<std::int16_t>(best_move),
          static_cast<std::int8_t>(std::min(depth, 127)), bound};
  return best;
}

// Iterative deepening over the root moves; the first move is searched first.
SearchResult Deepen(Engine& e, const SearchLimits& limits, std::int16_t* root, int n) {
  Board& b = e.board;
  SearchResult result;
  result.move = root[0];
  result.reason = "search";
  std::int64_t last_nodes = e.budget.nodes;
  for (int depth = 1; depth <= limits.max_depth; ++depth) {
    int alpha = -kInfinity, best_index = -1;
    for (int i = 0; i < n; ++i) {
      Play(b, root[i]);
      const int score = -Negamax(e, depth - 1, -kInfinity, -alpha, 1);
      Undo(b);
      if (e.budget.stopped) break;
      if (score > alpha) alpha = score, best_index = i;
    }
    if (best_index >= 0) {
      result.move = root[best_index];
      result.score = alpha;
      std::rotate(root, root + best_index, root + best_index + 1);
    }
    if (e.budget.stopped) break;
    result.depth = depth;
    if (alpha >= kWinBound || alpha <= -kWinBound) break;
    // A new iteration starts while less than the soft share of the turn is used; one cut
    // short at the hard limit still counts for the root moves it finished (the previous
    // best is searched first).
    if (limits.now_ms != nullptr && limits.now_ms() - limits.start_ms >= limits.soft_ms) break;
    // With a node budget: only when the next iteration (about twice this one) fits.
    const std::int64_t iteration = e.budget.nodes - last_nodes;
    last_nodes = e.budget.nodes;
    if (limits.max_nodes > 0 && e.budget.nodes + 2 * iteration > e.budget.limit) break;
  }
  return result;
}

SearchResult Decided(int move, const char* reason, const Engine& e) {
  SearchResult r;
  r.move = move;
  r.reason = reason;
  r.nodes = e.budget.nodes;
  return r;
}

}  // namespace

void InitEngine(Engine& e) {
  Reset(e.board);
  e.budget = Budget{};
  InitSolver(e.solver, e.board, e.budget, kSolverBits);
  e.tt.assign(std::size_t{1} << kTtBits, TtEntry{});
}

void NewGame(Engine& e) {
  Reset(e.board);
  ClearTable(e.solver.table);
  std::fill(e.tt.begin(), e.tt.end(), TtEntry{});
}

int Evaluate(const Board& b) {
  const int s = b.to_move;
  const std::int64_t score = b.total[s] * Tunables::kTempoTenths / 10 - b.total[1 - s];
  return static_cast<int>(std::clamp<std::int64_t>(score, -kWinBound / 2, kWinBound / 2));
}

SearchResult ChooseMove(Engine& e, const SearchLimits& limits) {
  Board& b = e.board;
  e.budget = Budget{};
  e.budget.now_ms = limits.now_ms;
  const int s = b.to_move, o = 1 - s;
  if (b.count[s][kClassFive] > 0) return Decided(FivePoint(b, s), "five", e);
  if (b.count[o][kClassFive] > 0) return Decided(FivePoint(b, o), "block", e);
  if (b.count[s][kClassFlexFour] > 0) {
    Cells cells;
    CellsOfClass(b, s, kClassFlexFour, cells.data());
    return Decided(cells[0], "open-four", e);
  }
  int percent = Tunables::kVcfShare;
  Phase(e, limits, percent);
  Line line;
  if (SolveVcf(e.solver, Tunables::kVcfDepth, &line) == Outcome::kWin && line.length > 0) {
    return Decided(line.cells[0], "vcf", e);
  }
  percent += Tunables::kDefenceShare;
  Phase(e, limits, percent);
  const Defence defence = FindDefences(e.solver, limits.use_vct);
  percent += Tunables::kVctShare;
  Phase(e, limits, percent);
  if (defence.threat != Threat::kVcf && limits.use_vct &&
      SolveVct(e.solver, Tunables::kVctDepth, &line) == Outcome::kWin && line.length > 0) {
    return Decided(line.cells[0], "vct", e);
  }
  Phase(e, limits, 100);
  Cells root;
  int n;
  const char* reason = "search";
  if (defence.threat != Threat::kNone && defence.count > 0) {
    n = defence.count;
    std::copy(defence.moves.begin(), defence.moves.begin() + n, root.begin());
    std::stable_sort(root.begin(), root.begin() + n, [&](std::int16_t x, std::int16_t y) {
      return b.value[s][x] + b.value[o][x] > b.value[s][y] + b.value[o][y];
    });
    reason = defence.threat == Threat::kVcf ? "defend-vcf" : "defend-vct";
    if (n == 1) return Decided(root[0], reason, e);
  } else {
    n = Generate(b, Tunables::kRootWidth, root.data());
  }
  SearchResult result = Deepen(e, limits, root.data(), n);
  if (defence.threat != Threat::kNone) result.reason = reason;
  result.nodes = e.budget.nodes;
  return result;
}

}  // namespace ruvex::tactic
