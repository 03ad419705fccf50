// The teacher: a threat-pattern judge of Gomoku moves (freestyle, five or more
// in a row wins) that gives every candidate cell the value the network learns.
//
// Along each of the four lines through a cell, the stone a side places there
// makes one LinePattern, read from the eight cells at distances 1..4 on both
// sides (every five through the cell lies within that span). A cell off the
// board or holding the other side's stone blocks the line.
//
// Patterns, defined by what one more stone can do (all fives counted must run
// through the placed stone):
//   Five         a run of five or more through the stone (an overline counts).
//   OpenFour     at least two empty cells each complete five (_XXXX_, X_XXX_X).
//   Four         exactly one empty cell completes five.
//   OpenThree    one more stone can make an OpenFour; the stone is part of an
//   BrokenThree  unbroken run of three (OpenThree) or the three has a gap.
//   Three        one more stone can make a Four, none an OpenFour.
//   OpenTwo      one more stone can make an open or broken three.
//   Two          one more stone can make a Three.
//   One          some five-cell stretch through the stone holds no blocker.
//   None         the line is dead for this side.
#pragma once

#include <array>
#include <cstdint>

#include "board/board.h"

namespace ruvex::trainer {

enum LinePattern : uint8_t {
  None,
  One,
  Two,
  OpenTwo,
  Three,
  BrokenThree,
  OpenThree,
  Four,
  OpenFour,
  Five,
};
constexpr int LinePatternCount = 10;

const char* LinePatternName(LinePattern pattern);

// What a line cell is to the side placing the stone.
enum LineCell : uint8_t { Free = 0, Mine = 1, Blocked = 2 };

// The cells at distances -4, -3, -2, -1, +1, +2, +3, +4 from the placed stone.
using LineAround = std::array<LineCell, 8>;

// Number of distinct neighbourhoods, and neighbourhood number index
// (0 .. 6560, cell k is base-3 digit k).
constexpr int LineNeighbourhoods = 6561;
LineAround LineAroundOf(int index);

// Classifies one line from first principles (used to build the lookup table,
// and by the tests).
LinePattern ClassifyLine(const LineAround& around);

// The same through the precomputed table of all 3^8 neighbourhoods.
LinePattern LookupLine(const LineAround& around);

// The four line steps in the order the engine examines them.
constexpr std::array<std::array<int, 2>, 4> LineSteps = {{{1, 0}, {0, 1}, {1, 1}, {-1, 1}}};

// The neighbourhood of (x, y) along step (dx, dy) for side; cells off the
// playable area block.
LineAround ReadLine(const BoardGrid& grid, int x, int y, int dx, int dy, int side);

// The patterns a stone of side at (x, y) makes on the four lines. The cell's
// own content is ignored (treated as the placed stone).
using MoveThreats = std::array<LinePattern, 4>;
MoveThreats ThreatsAt(const BoardGrid& grid, int x, int y, int side);

// Attack score of a move with these line patterns: the sum of the line
// weights plus bonuses for the winning combinations (double four, four-three,
// double three).
double ThreatScore(const MoveThreats& threats);

// Weight of the opponent's score at a cell (what playing there takes away).
constexpr double DefenceWeight = 0.8;

// The teacher's combined score of a move by side at (x, y):
// ThreatScore(own threats) + DefenceWeight * ThreatScore(opponent's threats).
double MoveScore(const BoardGrid& grid, int x, int y, int side);

// Maps a score to the training target in [0.02, 0.99], linear in
// L = log10(1 + score) on two pieces: from 0.02 at score 0 to 0.35 at score
// 400 (the cut's ValueCutoff: moves without a real threat stay below it),
// then to 0.97 at score 20000 (a lone open four), capped at 0.99. A lone open
// two lands near 0.28, an open three near 0.50, blocking an open four near
// 0.94.
double ScoreToTarget(double score);

inline double TeacherTarget(const BoardGrid& grid, int x, int y, int side) {
  return ScoreToTarget(MoveScore(grid, x, y, side));
}

// Most important class of a move for reporting: the highest pattern over the
// four lines.
LinePattern BestPattern(const MoveThreats& threats);

}  // namespace ruvex::trainer
