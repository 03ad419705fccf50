#include "tactic/board.h"

namespace ruvex::tactic {
namespace {

struct Zobrist {
  std::array<std::array<std::uint64_t, kCells>, 2> stone;
  std::array<std::uint64_t, 2> side;
};

std::uint64_t SplitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

const Zobrist& Keys() {
  static const Zobrist keys = [] {
    Zobrist z{};
    std::uint64_t state = 20240611;
    for (auto& side : z.stone) {
      for (auto& key : side) key = SplitMix(state);
    }
    for (auto& key : z.side) key = SplitMix(state);
    return z;
  }();
  return keys;
}

// Recomputes the class and value of one empty cell for one side from its levels.
void Reclass(Board& b, int side, int cell) {
  static const auto& cells = CellTable();
  const CellInfo& info = cells[CellIndex(b.level[side][cell])];
  const CellClass cls = info.cls;
  const int value = info.value;
  const CellClass old = static_cast<CellClass>(b.cls[side][cell]);
  if (cls != old) {
    --b.count[side][old];
    ++b.count[side][cls];
    b.cls[side][cell] = cls;
  }
  b.total[side] += value - b.value[side][cell];
  b.value[side][cell] = value;
}

// Recomputes the levels, class and value of one empty cell for one side.
void Refresh(Board& b, int side, int cell) {
  static const auto& table = LevelTable();
  auto& levels = b.level[side][cell];
  for (int d = 0; d < 4; ++d) levels[d] = table[b.key[side][d][cell]];
  Reclass(b, side, cell);
}

// Takes an empty cell's class and value out of the tallies (it is being occupied).
void Retire(Board& b, int side, int cell) {
  --b.count[side][b.cls[side][cell]];
  ++b.count[side][kClassNone];
  b.total[side] -= b.value[side][cell];
  b.cls[side][cell] = kClassNone;
  b.value[side][cell] = 0;
}

// The cells in line with each cell (within 4, on the board): where, in which line, and the
// key bits that hold the cell in the neighbour's key.
struct Neighbours {
  struct Entry {
    std::int16_t cell;
    std::uint8_t dir;
    std::uint8_t shift;
  };
  std::array<std::array<Entry, 32>, kCells> entries;
  std::array<std::uint8_t, kCells> count;
};

const Neighbours& NeighbourTable() {
  static const Neighbours table = [] {
    Neighbours t{};
    for (int cell = 0; cell < kCells; ++cell) {
      for (int d = 0; d < 4; ++d) {
        for (int k = -4; k <= 4; ++k) {
          const int nx = XOf(cell) + k * kDx[d], ny = YOf(cell) + k * kDy[d];
          if (k == 0 || !OnBoard(nx, ny)) continue;
          // `cell` lies at offset -k from the neighbour.
          t.entries[cell][t.count[cell]++] = {static_cast<std::int16_t>(CellAt(nx, ny)),
                                              static_cast<std::uint8_t>(d),
                                              static_cast<std::uint8_t>(2 * SlotOf(-k))};
        }
      }
    }
    return t;
  }();
  return table;
}

// Writes the code of `cell`'s content into the keys of its neighbours, then refreshes them.
void Spread(Board& b, int cell) {
  static const auto& table = LevelTable();
  static const auto& neighbours = NeighbourTable();
  const int owner = b.stone[cell];
  const auto& entries = neighbours.entries[cell];
  for (int i = 0; i < neighbours.count[cell]; ++i) {
    const int n = entries[i].cell, d = entries[i].dir, shift = entries[i].shift;
    const bool empty = b.stone[n] == 0;
    for (int side = 0; side < 2; ++side) {
      const unsigned code = owner == 0 ? 0u : (owner == side + 1 ? 1u : 2u);
      auto& key = b.key[side][d][n];
      key = static_cast<std::uint16_t>((key & ~(3u << shift)) | (code << shift));
      if (!empty) continue;
      const std::uint8_t level = table[key];
      if (level == b.level[side][n][d]) continue;
      b.level[side][n][d] = level;
      Reclass(b, side, n);
    }
  }
}

void Nearby(Board& b, int cell, int delta) {
  const int x = XOf(cell), y = YOf(cell);
  for (int ny = y - 2; ny <= y + 2; ++ny) {
    for (int nx = x - 2; nx <= x + 2; ++nx) {
      if (OnBoard(nx, ny)) b.near[CellAt(nx, ny)] += delta;
    }
  }
}

}  // namespace

void Reset(Board& b) {
  b.stone.fill(0);
  b.near.fill(0);
  b.total = {0, 0};
  b.moves = 0;
  b.to_move = 0;
  b.hash = 0;
  for (int side = 0; side < 2; ++side) {
    b.count[side].fill(0);
    b.count[side][kClassNone] = kCells;
    b.cls[side].fill(kClassNone);
    b.value[side].fill(0);
    for (int d = 0; d < 4; ++d) {
      for (int cell = 0; cell < kCells; ++cell) {
        unsigned key = 0;
        for (int k = -4; k <= 4; ++k) {
          if (k != 0 && !OnBoard(XOf(cell) + k * kDx[d], YOf(cell) + k * kDy[d])) {
            key |= 2u << (2 * SlotOf(k));
          }
        }
        b.key[side][d][cell] = static_cast<std::uint16_t>(key);
      }
    }
    for (int cell = 0; cell < kCells; ++cell) Refresh(b, side, cell);
  }
}

bool Play(Board& b, int cell) {
  if (cell < 0 || cell >= kCells || b.stone[cell] != 0) return false;
  const int side = b.to_move;
  for (int s = 0; s < 2; ++s) Retire(b, s, cell);
  b.stone[cell] = static_cast<std::uint8_t>(side + 1);
  Spread(b, cell);
  Nearby(b, cell, 1);
  b.hash ^= Keys().stone[side][cell];
  b.history[b.moves++] = static_cast<std::int16_t>(cell);
  b.to_move = 1 - side;
  return true;
}

void Undo(Board& b) {
  if (b.moves == 0) return;
  const int cell = b.history[--b.moves];
  const int side = b.stone[cell] - 1;
  b.hash ^= Keys().stone[side][cell];
  b.stone[cell] = 0;
  Spread(b, cell);
  Nearby(b, cell, -1);
  for (int s = 0; s < 2; ++s) Refresh(b, s, cell);
  b.to_move = side;
}

std::uint64_t SideKey(int side) {
  return Keys().side[side];
}

std::uint64_t PositionKey(const Board& b) {
  return b.hash ^ SideKey(b.to_move);
}

int CellsOfClass(const Board& b, int side, CellClass min_class, std::int16_t* out) {
  int n = 0;
  const auto& cls = b.cls[side];
  for (int cell = 0; cell < kCells; ++cell) {
    if (cls[cell] >= min_class) out[n++] = static_cast<std::int16_t>(cell);
  }
  return n;
}

int FivePoint(const Board& b, int side) {
  if (b.count[side][kClassFive] == 0) return kNoCell;
  for (int cell = 0; cell < kCells; ++cell) {
    if (b.cls[side][cell] == kClassFive) return cell;
  }
  return kNoCell;
}

int FivePointsNear(const Board& b, int side, int cell, std::int16_t* out) {
  int n = 0;
  const int x = XOf(cell), y = YOf(cell);
  for (int d = 0; d < 4; ++d) {
    for (int k = -4; k <= 4; ++k) {
      const int nx = x + k * kDx[d], ny = y + k * kDy[d];
      if (k == 0 || !OnBoard(nx, ny)) continue;
      const int n2 = CellAt(nx, ny);
      if (b.cls[side][n2] != kClassFive) continue;
      bool seen = false;
      for (int i = 0; i < n; ++i) seen = seen || out[i] == n2;
      if (!seen) out[n++] = static_cast<std::int16_t>(n2);
    }
  }
  return n;
}

bool IsFive(const Board& b, int cell) {
  const int owner = b.stone[cell];
  if (owner == 0) return false;
  const int x = XOf(cell), y = YOf(cell);
  for (int d = 0; d < 4; ++d) {
    int run = 1;
    for (int sign = -1; sign <= 1; sign += 2) {
      for (int k = 1; k < 5; ++k) {
        const int nx = x + sign * k * kDx[d], ny = y + sign * k * kDy[d];
        if (!OnBoard(nx, ny) || b.stone[CellAt(nx, ny)] != owner) break;
        ++run;
      }
    }
    if (run >= 5) return true;
  }
  return false;
}

}  // namespace ruvex::tactic
