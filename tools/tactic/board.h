// The tactical board: stones, and for every empty cell and side what a stone there would
// make in each line, kept up to date move by move (only the 32 cells in line with a new
// stone change). Sides are 0 and 1; the stone of side s is s + 1.
#pragma once

#include <array>
#include <cstdint>

#include "tactic/patterns.h"

namespace ruvex::tactic {

inline constexpr int kSize = 20;
inline constexpr int kCells = kSize * kSize;
inline constexpr int kNoCell = -1;
inline constexpr int kDx[4] = {1, 0, 1, 1};
inline constexpr int kDy[4] = {0, 1, 1, -1};

constexpr int CellAt(int x, int y) {
  return y * kSize + x;
}
constexpr int XOf(int cell) {
  return cell % kSize;
}
constexpr int YOf(int cell) {
  return cell / kSize;
}
constexpr bool OnBoard(int x, int y) {
  return x >= 0 && x < kSize && y >= 0 && y < kSize;
}

struct Board {
  std::array<std::uint8_t, kCells> stone;  // 0 empty, else side + 1
  // [side][dir][cell]: the cell's 8 neighbours in that line, as seen by that side.
  std::array<std::array<std::array<std::uint16_t, kCells>, 4>, 2> key;
  std::array<std::array<std::array<std::uint8_t, 4>, kCells>, 2> level;  // [side][cell][dir]
  std::array<std::array<std::uint8_t, kCells>, 2> cls;    // CellClass; kClassNone when occupied
  std::array<std::array<std::int32_t, kCells>, 2> value;  // CellValue; 0 when occupied
  std::array<std::int64_t, 2> total;  // sum of value over the empty cells, per side
  std::array<std::array<std::int16_t, kClassCount>, 2> count;  // empty cells per class
  std::array<std::uint8_t, kCells> near;  // stones within two cells (Chebyshev)
  std::array<std::int16_t, kCells> history;
  int moves;
  int to_move;
  std::uint64_t hash;  // Zobrist hash of the stones
};

void Reset(Board& b);
// Places a stone of b.to_move on the empty cell and passes the move; false (and nothing
// changes) when the cell is off the board or occupied.
bool Play(Board& b, int cell);
// Takes back the last move (nothing when there is none).
void Undo(Board& b);

// Key of the position with the side to move, for transposition tables.
std::uint64_t PositionKey(const Board& b);
std::uint64_t SideKey(int side);

// Empty cells where `side` has class at least `min_class`, in cell order; returns the count
// written (at most kCells).
int CellsOfClass(const Board& b, int side, CellClass min_class, std::int16_t* out);
// The first empty cell where `side` would make five, or kNoCell.
int FivePoint(const Board& b, int side);
// The empty cells in line with `cell` (within 4) where `side` would make five; returns
// the count written (at most 32).
int FivePointsNear(const Board& b, int side, int cell, std::int16_t* out);
// True when the stone on `cell` is part of five or more in a row.
bool IsFive(const Board& b, int cell);

}  // namespace ruvex::tactic
