// How well a model ranks candidates, measured per position the way the
// engine's expansion uses the values.
#pragma once

#include <cstddef>

#include "trainer/model.h"
#include "trainer/samples.h"

namespace ruvex::trainer {

// The expansion's cut: the first MaxChildren of the values sorted highest
// first are kept while the rank is at most MinChildren or the value is at
// least ValueCutoff.
constexpr int CutMaxChildren = 14;
constexpr int CutMinChildren = 6;
constexpr double CutValueCutoff = 0.35;
// Targets from here up mark a move that wins or must be played: an open four
// made or blocked, a double four, a four-three, a double three.
constexpr double UrgentTarget = 0.85;

struct Quality {
  std::size_t samples = 0;
  std::size_t positions = 0;
  double loss = 0.0;          // mean cross-entropy against the teacher
  double floor = 0.0;         // mean entropy of the targets: the loss of a perfect model
  double meanAbsError = 0.0;  // mean |output - target|
  double topExact = 0.0;  // share of positions whose top-valued cell has the teacher's best target
  double topNear = 0.0;   // ... a target within 0.02 of the best
  // Positions with a must-play cell (teacher target >= UrgentTarget), and
  // those where the top-valued cell is one of them.
  std::size_t urgentPositions = 0;
  std::size_t urgentTopHit = 0;
  double meanKept = 0.0;     // children the cut keeps, on average
  double teacherKept = 0.0;  // ... had the cut been made on the teacher's targets
  // Cells where the mover makes an open four, or blocks the opponent's (the
  // opponent would make an open four there).
  std::size_t openFourCells = 0;
  std::size_t openFourCellsKept = 0;
  std::size_t openFourPositions = 0;         // positions with at least one such cell
  std::size_t openFourPositionsAllKept = 0;  // ... where every one of them is kept
  std::size_t openFourPositionsTopKept = 0;  // ... where the teacher's best of them is kept
  std::size_t choicePositions = 0;           // positions that record tactic's choice
  std::size_t choiceTopHit = 0;              // ... where the top-valued cell is that choice
};

Quality MeasureQuality(const Model& model, const Dataset& data);

// Largest |engine Evaluate output 1 - Forward| over the first count samples.
double MaxEngineDifference(const Model& model, const Dataset& data, std::size_t count);

}  // namespace ruvex::trainer
