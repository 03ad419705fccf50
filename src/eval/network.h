// The network: an 81-H-2 perceptron with logistic units. Every layer holds
// count + 1 entries indexed from 0; input 0 is the bias input (always 1.0),
// every hidden and output unit (index 0 included) is an ordinary unit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ruvex {

constexpr int InputCount = 81;
constexpr int OutputCount = 2;
constexpr int DefaultHiddenUnitCount = 100;  // HiddenUnitCount at start-up

struct Network {
  int inputCount = 0;
  int hiddenCount = 0;
  int outputCount = 0;
  std::vector<double> input;   // inputCount + 1
  std::vector<double> hidden;  // hiddenCount + 1
  std::vector<double> output;  // outputCount + 1
  std::vector<double> W1;      // (inputCount + 1) x (hiddenCount + 1), row-major: W1[i][j]
  std::vector<double> W2;      // (hiddenCount + 1) x (outputCount + 1), row-major: W2[j][k]
  // finiteRow[i] is 1 when row i of W1 holds only finite weights, so that a
  // zero input i adds nothing and Evaluate may skip it. Set by IndexWeights
  // (the loader calls it); CreateNetwork sets every row to 0 and an empty or
  // mis-sized vector counts the same (no row skipped). Whoever changes W1
  // after IndexWeights calls it again.
  std::vector<uint8_t> finiteRow;  // inputCount + 1
};

inline double& W1At(Network& n, int i, int j) {
  return n.W1[i * (n.hiddenCount + 1) + j];
}
inline double& W2At(Network& n, int j, int k) {
  return n.W2[j * (n.outputCount + 1) + k];
}

// Allocates every vector and matrix anew for the given counts (a negative
// count is taken as 0); weights are 0.0 until the loader sets them.
void CreateNetwork(Network& network, int inputCount, int hiddenCount, int outputCount);

// Records which rows of W1 hold only finite weights (see finiteRow).
void IndexWeights(Network& network);

// 1 / (2.718282^(-s) + 1) in double precision, the power from PowBase
// (eval/base_pow.h): the C library's pow where that is glibc, the correctly
// rounded power elsewhere.
double Sigmoid(double s);

// Runs the network on the 81 window inputs (-1.0, 0.0 or +1.0 each) and returns
// outputs 0, 1 and 2. Sums run in increasing input (and hidden) order, so the
// result is bit-identical to the plain definition. A network without the
// shape CreateNetwork(81, H, 2) gives (has no weights) every output
// Sigmoid(0) = 0.5, as all-zero weights would, and is left untouched.
std::array<double, 3> Evaluate(Network& network, const std::array<double, InputCount>& cells);

// Output 1 of Evaluate for the inputs signs[i] (-1, 0 or +1 each) alone, the
// same bits, without the work for outputs 0 and 2 (network.output is not
// written).
double EvaluateSigns(Network& network, const std::array<int8_t, InputCount>& signs);

}  // namespace ruvex
