// The board model: the 27 x 27 grid every position lives in, the cell values,
// and the move records that board analysis and the search pass around.
#pragma once

#include <array>
#include <cstdint>

namespace ruvex {

constexpr int BoardSize = 20;              // playable rows and columns
constexpr int GridSize = BoardSize + 7;    // 27: frame at 0 and 21, margin 22..26
constexpr int GridCells = GridSize * GridSize;
constexpr int MaxMoves = BoardSize * BoardSize;  // most entries a move list can hold

// Values a grid cell holds. Own and Opponent also name the sides.
enum CellValue : int8_t { Empty = 0, Border = 1, Own = 2, Opponent = 3 };

// Row-major grid, first index major: cell (a, b) lives at a * 27 + b.
// Playable cells have both indices in 1..20; a new grid is all Empty.
struct BoardGrid {
  std::array<int8_t, GridCells> cells{};

  int8_t operator()(int x, int y) const { return cells[x * GridSize + y]; }
  int8_t& operator()(int x, int y) { return cells[x * GridSize + y]; }
  bool operator==(const BoardGrid&) const = default;
};

// A cell named by its grid indices (x is the first index).
struct Cell {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Cell&) const = default;
};

inline bool IsPlayable(int x, int y) {
  return x >= 1 && x <= BoardSize && y >= 1 && y <= BoardSize;
}

// A cell counts as a stone when it holds Own or Opponent.
inline bool IsStone(int8_t v) { return v > Border; }

// Opponent for Own, Own for every other value.
inline int Other(int side) { return side == Own ? Opponent : Own; }

// Every playable cell Empty, rows and columns 0 and 21 Border. The margin
// (indices 22..26) is left as it is; nothing ever writes it.
void ClearBoard(BoardGrid& grid);

// All 729 cells, frame and margin included.
inline void CopyBoard(const BoardGrid& source, BoardGrid& destination) { destination = source; }

// One record of a MoveList.
struct MoveEntry {
  int32_t x = 0;
  int32_t y = 0;
  int32_t score = 0;  // in entry 0: the number of entries of a result list
  int32_t turn = 0;   // the side that plays this move
  double value = 0.0; // network value
};

// A list of moves indexed from 1; entry 0 is the header. The capacity covers
// every playable cell, so building a list never allocates.
struct MoveList {
  std::array<MoveEntry, MaxMoves + 1> entry{};
  int32_t length = 1;  // entries in use, header included

  MoveEntry& operator[](int i) { return entry[i]; }
  const MoveEntry& operator[](int i) const { return entry[i]; }
};

// Discards the list's entries: only a zeroed header remains.
inline void ResetList(MoveList& list) {
  list.entry[0] = MoveEntry{};
  list.length = 1;
}

}  // namespace ruvex
