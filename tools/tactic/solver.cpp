#include "tactic/solver.h"

#include <algorithm>

#include "tactic/tunables.h"

namespace ruvex::tactic {
namespace {

constexpr std::uint64_t kVcfSalt = 0x5643465643465643ull;
constexpr std::uint64_t kVctSalt = 0x5643545643545643ull;
using Cells = std::array<std::int16_t, kCells>;

void Put(Line* line, int pos, int cell) {
  if (line != nullptr && pos < static_cast<int>(line->cells.size())) {
    line->cells[pos] = static_cast<std::int16_t>(cell);
  }
}

void End(Line* line, int pos) {
  if (line != nullptr) line->length = std::min(pos, static_cast<int>(line->cells.size()));
}

SolverTable::Entry& Slot(SolverTable& t, std::uint64_t key) {
  return t.entries[key & (t.entries.size() - 1)];
}

bool KnownNoWin(SolverTable& t, std::uint64_t key, int depth) {
  const SolverTable::Entry& e = Slot(t, key);
  return e.key == key && e.depth >= depth;
}

void StoreNoWin(SolverTable& t, std::uint64_t key, int depth) {
  SolverTable::Entry& e = Slot(t, key);
  if (e.key != key || e.depth < depth) e = {key, depth};
}

// Orders candidates: stronger class for `side` first, then higher value for both sides.
void Order(const Board& b, int side, std::int16_t* cells, int n) {
  std::stable_sort(cells, cells + n, [&](std::int16_t x, std::int16_t y) {
    if (b.cls[side][x] != b.cls[side][y]) return b.cls[side][x] > b.cls[side][y];
    return b.value[side][x] + b.value[1 - side][x] > b.value[side][y] + b.value[1 - side][y];
  });
}

// The attacker's single five point after its four on `cell` (kNoCell if none).
int BlockOf(const Board& b, int side, int cell) {
  std::int16_t points[32];
  return FivePointsNear(b, side, cell, points) > 0 ? points[0] : kNoCell;
}

int FirstOfClass(const Board& b, int side, CellClass cls) {
  for (int cell = 0; cell < kCells; ++cell) {
    if (b.cls[side][cell] == cls) return cell;
  }
  return kNoCell;
}

Outcome VcfNode(Solver& s, int depth, Line* line, int pos) {
  Board& b = *s.board;
  if (!Spend(*s.budget)) return Outcome::kUnknown;
  const int a = b.to_move, d = 1 - a;
  if (b.count[a][kClassFive] > 0) {
    Put(line, pos, FivePoint(b, a));
    End(line, pos + 1);
    return Outcome::kWin;
  }
  Cells cand;
  int n = 0;
  if (b.count[d][kClassFive] > 1) return Outcome::kNoWin;
  if (b.count[d][kClassFive] == 1) {
    const int block = FivePoint(b, d);
    if (b.cls[a][block] < kClassFour) return Outcome::kNoWin;
    cand[n++] = static_cast<std::int16_t>(block);
  } else {
    if (b.count[a][kClassFlexFour] > 0) {
      Put(line, pos, FirstOfClass(b, a, kClassFlexFour));
      End(line, pos + 1);
      return Outcome::kWin;
    }
    n = CellsOfClass(b, a, kClassFour, cand.data());
  }
  if (depth <= 0 || n == 0) return Outcome::kNoWin;
  const std::uint64_t key = PositionKey(b) ^ kVcfSalt;
  if (KnownNoWin(s.table, key, depth)) return Outcome::kNoWin;
  Order(b, a, cand.data(), n);
  bool unknown = false;
  for (int i = 0; i < n; ++i) {
    const int four = cand[i];
    Play(b, four);
    Outcome result;
    int block = kNoCell;
    if (b.count[a][kClassFive] >= 2) {
      result = Outcome::kWin;
      End(line, pos + 1);
    } else {
      block = BlockOf(b, a, four);
      result = Outcome::kNoWin;
      if (Play(b, block)) {
        result = VcfNode(s, depth - 1, line, pos + 2);
        Undo(b);
      }
    }
    Undo(b);
    if (result == Outcome::kWin) {
      Put(line, pos, four);
      if (block != kNoCell) Put(line, pos + 1, block);
      return result;
    }
    if (result == Outcome::kUnknown) {
      unknown = true;
      if (s.budget->stopped) break;
    }
  }
  if (unknown) return Outcome::kUnknown;
  StoreNoWin(s.table, key, depth);
  return Outcome::kNoWin;
}

Outcome VctAttack(Solver& s, int depth, Line* line, int pos, int ply);

// Adds the cells of `side` with class at least `min` to a deduplicated list.
void AddClass(const Board& b, int side, CellClass min, std::array<std::uint8_t, kCells>& seen,
              Cells& out, int& n) {
  for (int cell = 0; cell < kCells; ++cell) {
    if (b.cls[side][cell] >= min && !seen[cell]) {
      seen[cell] = 1;
      out[n++] = static_cast<std::int16_t>(cell);
    }
  }
}

// The defender (side to move) answers the attacker's last move.
Outcome VctDefend(Solver& s, int depth, Line* line, int pos, int ply) {
  Board& b = *s.board;
  if (!Spend(*s.budget)) return Outcome::kUnknown;
  const int d = b.to_move, a = 1 - d;
  if (b.count[d][kClassFive] > 0) return Outcome::kNoWin;
  if (b.count[a][kClassFive] >= 2) {
    End(line, pos);
    return Outcome::kWin;
  }
  if (b.count[a][kClassFive] == 1) {
    const int block = BlockOf(b, a, b.history[b.moves - 1]);
    const int forced = block != kNoCell ? block : FivePoint(b, a);
    Play(b, forced);
    const Outcome result = VctAttack(s, depth, line, pos + 1, ply + 1);
    Undo(b);
    Put(line, pos, forced);
    return result;
  }
  if (b.count[d][kClassFlexFour] > 0) return Outcome::kNoWin;  // it makes an open four first
  Cells cand;
  int n = 0;
  std::array<std::uint8_t, kCells> seen{};
  if (b.count[a][kClassFlexFour] > 0) {
    AddClass(b, a, kClassFour, seen, cand, n);
    AddClass(b, d, kClassFour, seen, cand, n);
  } else {
    // Not a direct threat: is it a VCF threat? Then the defence must break that line.
    Line vcf;
    b.to_move = a;
    const Outcome threat = VcfWithin(s, Tunables::kVctInnerVcfNodes, Tunables::kVcfDepth, &vcf);
    b.to_move = d;
    if (threat != Outcome::kWin) return s.budget->stopped ? Outcome::kUnknown : Outcome::kNoWin;
    for (int i = 0; i < vcf.length; ++i) {
      if (b.stone[vcf.cells[i]] == 0 && !seen[vcf.cells[i]]) {
        seen[vcf.cells[i]] = 1;
        cand[n++] = vcf.cells[i];
      }
    }
    AddClass(b, a, kClassFour, seen, cand, n);
    AddClass(b, d, kClassThree, seen, cand, n);
  }
  Order(b, d, cand.data(), n);
  for (int i = 0; i < n; ++i) {
    Play(b, cand[i]);
    const Outcome result = VctAttack(s, depth, i == 0 ? line : nullptr, pos + 1, ply + 1);
    Undo(b);
    if (result != Outcome::kWin) return result;
  }
  if (n > 0) Put(line, pos, cand[0]);
  return Outcome::kWin;
}

Outcome VctAttack(Solver& s, int depth, Line* line, int pos, int ply) {
  Board& b = *s.board;
  if (!Spend(*s.budget)) return Outcome::kUnknown;
  const int a = b.to_move, d = 1 - a;
  if (b.count[a][kClassFive] > 0) {
    Put(line, pos, FivePoint(b, a));
    End(line, pos + 1);
    return Outcome::kWin;
  }
  Cells cand;
  int n = 0;
  if (b.count[d][kClassFive] > 1) return Outcome::kNoWin;
  if (b.count[d][kClassFive] == 1) {
    cand[n++] = static_cast<std::int16_t>(FivePoint(b, d));
  } else {
    if (b.count[a][kClassFlexFour] > 0) {
      Put(line, pos, FirstOfClass(b, a, kClassFlexFour));
      End(line, pos + 1);
      return Outcome::kWin;
    }
    for (int cell = 0; cell < kCells; ++cell) {
      const int cls = b.cls[a][cell];
      if (cls >= kClassFour || (depth > 0 && cls >= kClassOpenThree)) {
        cand[n++] = static_cast<std::int16_t>(cell);
      }
    }
  }
  if (n == 0 || ply >= Tunables::kMaxPly) return Outcome::kNoWin;
  const std::uint64_t key = PositionKey(b) ^ kVctSalt;
  if (KnownNoWin(s.table, key, depth)) return Outcome::kNoWin;
  Order(b, a, cand.data(), n);
  bool unknown = false;
  for (int i = 0; i < n; ++i) {
    const int move = cand[i];
    const int cost = b.cls[a][move] >= kClassFour ? 0 : 1;
    Play(b, move);
    const Outcome result = VctDefend(s, depth - cost, line, pos + 1, ply + 1);
    Undo(b);
    if (result == Outcome::kWin) {
      Put(line, pos, move);
      return result;
    }
    if (result == Outcome::kUnknown) {
      unknown = true;
      if (s.budget->stopped) break;
    }
  }
  if (unknown) return Outcome::kUnknown;
  StoreNoWin(s.table, key, depth);
  return Outcome::kNoWin;
}

// Does the side to move (the opponent of the defender) win by VCF (or VCT)?
Outcome ThreatStands(Solver& s, bool use_vct) {
  const Outcome vcf = SolveVcf(s, Tunables::kVcfDepth, nullptr);
  if (vcf != Outcome::kNoWin || !use_vct) return vcf;
  return SolveVct(s, Tunables::kVctDepth, nullptr);
}

bool Refutes(Solver& s, int move, bool use_vct, int fours_left);

// True when the side to move has a move after which the opponent's threat fails.
bool HasRefutation(Solver& s, bool use_vct, int fours_left) {
  Board& b = *s.board;
  const int me = b.to_move, them = 1 - me;
  Cells cand;
  int n = 0;
  std::array<std::uint8_t, kCells> seen{};
  AddClass(b, me, kClassThree, seen, cand, n);
  AddClass(b, them, kClassThree, seen, cand, n);
  for (int i = 0; i < n; ++i) {
    if (Refutes(s, cand[i], use_vct, fours_left)) return true;
  }
  return false;
}

bool Refutes(Solver& s, int move, bool use_vct, int fours_left) {
  Board& b = *s.board;
  const int me = b.to_move, them = 1 - me;
  const bool four = b.cls[me][move] >= kClassFour;
  if (four && fours_left <= 0) return false;
  Play(b, move);
  bool refuted;
  if (b.count[me][kClassFive] >= 2) {
    refuted = true;  // the mover now has two fives: the opponent cannot answer both
  } else if (four) {
    if (b.count[them][kClassFive] > 0) {
      refuted = false;
    } else {
      refuted = false;
      if (Play(b, BlockOf(b, me, move))) {
        refuted = b.count[me][kClassFive] == 0 && HasRefutation(s, use_vct, fours_left - 1);
        Undo(b);
      }
    }
  } else {
    refuted = ThreatStands(s, use_vct) == Outcome::kNoWin;
  }
  Undo(b);
  return refuted;
}

}  // namespace

void InitSolver(Solver& s, Board& board, Budget& budget, int table_bits) {
  s.board = &board;
  s.budget = &budget;
  s.table.entries.assign(std::size_t{1} << table_bits, SolverTable::Entry{0, -1});
}

void ClearTable(SolverTable& t) {
  std::fill(t.entries.begin(), t.entries.end(), SolverTable::Entry{0, -1});
}

Outcome SolveVcf(Solver& s, int max_depth, Line* line) {
  if (line != nullptr) line->length = 0;
  return VcfNode(s, max_depth, line, 0);
}

Outcome SolveVct(Solver& s, int max_depth, Line* line) {
  // Deepening by threes: short wins are found before the budget goes into long lines, and
  // each pass reuses the positions the last one proved lost.
  Outcome result = Outcome::kNoWin;
  for (int depth = 1; depth <= max_depth && result == Outcome::kNoWin; ++depth) {
    if (line != nullptr) line->length = 0;
    result = VctAttack(s, depth, line, 0, 0);
  }
  return result;
}

Outcome VcfWithin(Solver& s, std::int64_t nodes, int max_depth, Line* line) {
  Budget& budget = *s.budget;
  const std::int64_t saved = budget.limit;
  const std::int64_t local = budget.nodes + nodes;
  budget.limit = saved > 0 ? std::min(saved, local) : local;
  const Outcome result = SolveVcf(s, max_depth, line);
  budget.limit = saved;
  if (!budget.out_of_time && (saved == 0 || budget.nodes <= saved)) budget.stopped = false;
  return result;
}

Defence FindDefences(Solver& s, bool use_vct) {
  Board& b = *s.board;
  Defence out;
  const int me = b.to_move, them = 1 - me;
  if (b.count[them][kClassFive] > 0) {
    out.threat = Threat::kFive;
    out.count = CellsOfClass(b, them, kClassFive, out.moves.data());
    return out;
  }
  b.to_move = them;
  Outcome threat = SolveVcf(s, Tunables::kVcfDepth, &out.line);
  if (threat == Outcome::kWin) {
    out.threat = Threat::kVcf;
  } else if (use_vct && SolveVct(s, Tunables::kVctDepth, &out.line) == Outcome::kWin) {
    out.threat = Threat::kVct;
  }
  b.to_move = me;
  if (out.threat == Threat::kNone) return out;
  Cells cand;
  int n = 0;
  std::array<std::uint8_t, kCells> seen{};
  for (int i = 0; i < out.line.length; ++i) {
    const int cell = out.line.cells[i];
    if (b.stone[cell] == 0 && !seen[cell]) {
      seen[cell] = 1;
      cand[n++] = static_cast<std::int16_t>(cell);
    }
  }
  AddClass(b, me, kClassThree, seen, cand, n);
  AddClass(b, them, kClassThree, seen, cand, n);
  for (int i = 0; i < n; ++i) {
    if (Refutes(s, cand[i], use_vct, 2)) out.moves[out.count++] = cand[i];
  }
  return out;
}

}  // namespace ruvex::tactic
