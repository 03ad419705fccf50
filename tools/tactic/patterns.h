// Line patterns: what a stone on a cell makes in one line, and what it makes over all
// four lines. A line is the 8 neighbours of the cell (offsets -4..-1 and 1..4) coded two
// bits each: 0 empty, 1 own stone, 2 blocked (opponent stone or off the board).
#pragma once

#include <array>
#include <cstdint>

namespace ruvex::tactic {

// What a stone on the cell makes in one line, weakest first. kOpenFour is any line with two
// or more cells that would complete a five through the stone; kOpenThree one that can
// become such a line with one more stone; kThree one that can become a four.
enum Level : std::uint8_t {
  kNone,
  kOne,
  kTwo,
  kOpenTwo,
  kThree,
  kOpenThree,
  kFour,
  kOpenFour,
  kFive,
};

// What a stone on the cell makes over its four lines, weakest first.
enum CellClass : std::uint8_t {
  kClassNone,
  kClassTwo,         // best line a two or open two
  kClassTwoTwo,      // two open twos (a double three next)
  kClassThree,       // a closed three
  kClassOpenThree,   // one open three
  kClassThreeThree,  // two open threes
  kClassFour,        // one four
  kClassFourThree,   // a four and an open three
  kClassFlexFour,    // an open four, or two fours: wins unless the opponent has a five
  kClassFive,
  kClassCount,
};

// Offsets -4..-1 are slots 0..3, offsets 1..4 slots 4..7.
constexpr int SlotOf(int offset) {
  return offset < 0 ? offset + 4 : offset + 3;
}

// The level of a line given as 9 codes (index 4 is the stone itself; 0 empty, 1 own,
// 2 blocked). The plain definition that the table is built from.
Level ClassifyLine(const std::array<int, 9>& line);

// The level of every 16-bit line key (built once, on first use).
const std::array<Level, 65536>& LevelTable();

CellClass ClassOf(const std::array<std::uint8_t, 4>& levels);

// Evaluation points of a cell with these levels and class (Tunables).
int CellValue(const std::array<std::uint8_t, 4>& levels, CellClass cls);

// Class and value of every combination of four levels, indexed by CellIndex (built once).
struct CellInfo {       // 4 bytes: the table stays in the first-level cache
  std::uint16_t value;  // at most 4 * 10000 + 1500
  CellClass cls;
};
constexpr int CellIndex(const std::array<std::uint8_t, 4>& levels) {
  return ((levels[0] * 9 + levels[1]) * 9 + levels[2]) * 9 + levels[3];
}
const std::array<CellInfo, 6561>& CellTable();

}  // namespace ruvex::tactic
