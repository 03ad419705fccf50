#include "trainer/quality.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "trainer/teacher.h"

namespace ruvex::trainer {

Quality MeasureQuality(const Model& model, const Dataset& data) {
  Quality q;
  q.samples = data.Size();
  q.positions = data.Positions();
  double hidden[Cols1];
  std::vector<double> values;
  std::vector<int> order;
  std::size_t exact = 0;
  std::size_t near = 0;
  std::size_t kept = 0;
  std::size_t teacherKept = 0;
  for (std::size_t p = 0; p < q.positions; ++p) {
    const std::size_t begin = data.positionStart[p];
    const std::size_t end = data.positionStart[p + 1];
    const int n = static_cast<int>(end - begin);
    values.assign(static_cast<std::size_t>(n), 0.0);
    double bestTarget = -1.0;
    int top = 0;
    for (int k = 0; k < n; ++k) {
      const std::size_t s = begin + static_cast<std::size_t>(k);
      values[k] = Forward(model, data.Input(s), hidden);
      q.loss += CrossEntropy(values[k], data.targets[s]);
      q.floor += CrossEntropy(data.targets[s], data.targets[s]);
      q.meanAbsError += std::fabs(values[k] - data.targets[s]);
      bestTarget = std::max(bestTarget, static_cast<double>(data.targets[s]));
      if (values[k] > values[top]) top = k;
    }
    const double topTarget = data.targets[begin + static_cast<std::size_t>(top)];
    if (topTarget >= bestTarget) ++exact;
    if (p < data.choice.size() && data.choice[p] >= 0) {
      ++q.choicePositions;
      if (data.choice[p] == top) ++q.choiceTopHit;
    }
    if (topTarget >= bestTarget - 0.02) ++near;
    if (bestTarget >= UrgentTarget) {
      ++q.urgentPositions;
      if (topTarget >= UrgentTarget) ++q.urgentTopHit;
    }
    // The cut, on the values sorted highest first (equal values keep scan order).
    order.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return values[a] > values[b]; });
    std::vector<bool> isKept(static_cast<std::size_t>(n), false);
    for (int rank = 1; rank <= n && rank <= CutMaxChildren; ++rank) {
      if (rank > CutMinChildren && values[order[rank - 1]] < CutValueCutoff) break;
      isKept[order[rank - 1]] = true;
      ++kept;
    }
    std::vector<double> targets(values.size());
    for (int k = 0; k < n; ++k) targets[k] = data.targets[begin + static_cast<std::size_t>(k)];
    std::sort(targets.begin(), targets.end(), std::greater<double>());
    for (int rank = 1; rank <= n && rank <= CutMaxChildren; ++rank) {
      if (rank > CutMinChildren && targets[rank - 1] < CutValueCutoff) break;
      ++teacherKept;
    }
    std::size_t cells = 0;
    std::size_t cellsKept = 0;
    int bestCell = -1;
    for (int k = 0; k < n; ++k) {
      const std::size_t s = begin + static_cast<std::size_t>(k);
      if (data.ownPattern[s] != OpenFour && data.opponentPattern[s] != OpenFour) continue;
      ++cells;
      if (isKept[k]) ++cellsKept;
      if (bestCell < 0 ||
          data.targets[s] > data.targets[begin + static_cast<std::size_t>(bestCell)]) {
        bestCell = k;
      }
    }
    q.openFourCells += cells;
    q.openFourCellsKept += cellsKept;
    if (cells > 0) {
      ++q.openFourPositions;
      if (cellsKept == cells) ++q.openFourPositionsAllKept;
      if (isKept[bestCell]) ++q.openFourPositionsTopKept;
    }
  }
  if (q.samples > 0) {
    q.loss /= static_cast<double>(q.samples);
    q.floor /= static_cast<double>(q.samples);
    q.meanAbsError /= static_cast<double>(q.samples);
  }
  if (q.positions > 0) {
    q.topExact = static_cast<double>(exact) / static_cast<double>(q.positions);
    q.topNear = static_cast<double>(near) / static_cast<double>(q.positions);
    q.meanKept = static_cast<double>(kept) / static_cast<double>(q.positions);
    q.teacherKept = static_cast<double>(teacherKept) / static_cast<double>(q.positions);
  }
  return q;
}

double MaxEngineDifference(const Model& model, const Dataset& data, std::size_t count) {
  Network network;
  ToNetwork(model, network);
  double hidden[Cols1];
  double worst = 0.0;
  for (std::size_t k = 0; k < std::min(count, data.Size()); ++k) {
    std::array<double, InputCount> cells{};
    for (int i = 0; i < InputCount; ++i) cells[i] = data.Input(k)[i];
    const double engine = Evaluate(network, cells)[1];
    worst = std::max(worst, std::fabs(engine - Forward(model, data.Input(k), hidden)));
  }
  return worst;
}

}  // namespace ruvex::trainer
