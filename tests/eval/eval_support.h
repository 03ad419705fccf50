// Shared helpers of the evaluator tests: the tests' temp directory, bit
// patterns, cleared boards and seeded networks.
#pragma once

#include <bit>
#include <cstdint>
#include <random>

#include "board/board.h"
#include "eval/network.h"
#include "temp_dir.h"  // TempDir

namespace ruvex::testing {

inline uint64_t Bits(double v) {
  return std::bit_cast<uint64_t>(v);
}

inline BoardGrid Cleared() {
  BoardGrid grid;
  ClearBoard(grid);
  return grid;
}

// An 81-hidden-2 network with weights uniform in [-scale, scale), not indexed.
inline Network RandomNetwork(std::mt19937_64& random, double scale,
                             int hidden = DefaultHiddenUnitCount) {
  Network n;
  CreateNetwork(n, InputCount, hidden, OutputCount);
  std::uniform_real_distribution<double> weight(-scale, scale);
  for (double& w : n.W1) w = weight(random);
  for (double& w : n.W2) w = weight(random);
  return n;
}

}  // namespace ruvex::testing
