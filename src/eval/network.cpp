#include "eval/network.h"

#include <cmath>
#include <cstddef>

namespace ruvex {

void CreateNetwork(Network& network, int inputCount, int hiddenCount, int outputCount) {
  // A negative count means an empty layer: only its entry 0 exists.
  network.inputCount = inputCount < 0 ? 0 : inputCount;
  network.hiddenCount = hiddenCount < 0 ? 0 : hiddenCount;
  network.outputCount = outputCount < 0 ? 0 : outputCount;
  const auto inputs = static_cast<std::size_t>(network.inputCount) + 1;
  const auto hidden = static_cast<std::size_t>(network.hiddenCount) + 1;
  const auto outputs = static_cast<std::size_t>(network.outputCount) + 1;
  network.input.assign(inputs, 0.0);
  network.hidden.assign(hidden, 0.0);
  network.output.assign(outputs, 0.0);
  network.W1.assign(inputs * hidden, 0.0);
  network.W2.assign(hidden * outputs, 0.0);
  network.finiteRow.assign(inputs, 0);  // not indexed: no row is skipped
}

void IndexWeights(Network& network) {
  const std::size_t width = network.hidden.size();
  network.finiteRow.assign(network.input.size(), 0);
  if (network.W1.size() != network.input.size() * width) return;
  for (std::size_t i = 0; i < network.input.size(); ++i) {
    bool finite = true;
    for (std::size_t j = 0; j < width; ++j)
      finite = finite && std::isfinite(network.W1[i * width + j]);
    network.finiteRow[i] = finite ? 1 : 0;
  }
}

double Sigmoid(double s) {
  return 1.0 / (std::pow(2.718282, s * -1.0) + 1.0);
}

namespace {

bool HasEvaluationShape(const Network& network) {
  if (network.inputCount != InputCount || network.outputCount != OutputCount ||
      network.hiddenCount < 0) {
    return false;
  }
  const auto inputs = static_cast<std::size_t>(InputCount) + 1;
  const auto hidden = static_cast<std::size_t>(network.hiddenCount) + 1;
  const auto outputs = static_cast<std::size_t>(OutputCount) + 1;
  return network.input.size() == inputs && network.hidden.size() == hidden &&
         network.output.size() == outputs && network.W1.size() == inputs * hidden &&
         network.W2.size() == hidden * outputs && network.finiteRow.size() == inputs;
}

}  // namespace

std::array<double, 3> Evaluate(Network& network, const std::array<double, InputCount>& cells) {
  if (!HasEvaluationShape(network)) {
    const double unloaded = Sigmoid(0.0);
    return {unloaded, unloaded, unloaded};
  }
  double* input = network.input.data();
  input[0] = 1.0;
  for (int i = 0; i < InputCount; ++i) input[i + 1] = cells[i];

  // Hidden layer. Every hidden sum runs over the inputs in increasing order;
  // the loops are turned so that one input row is added to all sums at once.
  // A zero input adds exactly +-0.0 when its whole weight row is finite, which
  // leaves every sum as it is (a sum starting at +0.0 is never -0.0), so such
  // rows are skipped. A row holding an infinity or a NaN is always added
  // (0 * inf and 0 * NaN are NaN).
  const std::size_t width = network.hidden.size();
  double* __restrict sums = network.hidden.data();
  for (std::size_t j = 0; j < width; ++j) sums[j] = 0.0;
  const double* __restrict weights = network.W1.data();
  const uint8_t* finiteRow = network.finiteRow.data();
  for (int i = 0; i <= InputCount; ++i) {
    const double x = input[i];
    if (x == 0.0 && finiteRow[i] != 0) continue;
    const double* __restrict row = weights + static_cast<std::size_t>(i) * width;
    for (std::size_t j = 0; j < width; ++j) sums[j] = sums[j] + x * row[j];
  }
  for (std::size_t j = 0; j < width; ++j) sums[j] = Sigmoid(sums[j]);

  // Output layer: three sums over the hidden units in increasing order.
  const double* w2 = network.W2.data();
  double s0 = 0.0, s1 = 0.0, s2 = 0.0;
  for (std::size_t j = 0; j < width; ++j) {
    const double h = sums[j];
    s0 = s0 + h * w2[3 * j];
    s1 = s1 + h * w2[3 * j + 1];
    s2 = s2 + h * w2[3 * j + 2];
  }
  double* output = network.output.data();
  output[0] = Sigmoid(s0);
  output[1] = Sigmoid(s1);
  output[2] = Sigmoid(s2);
  return {output[0], output[1], output[2]};
}

}  // namespace ruvex
