#include "eval/network.h"

#include <cmath>

namespace ruvex {

void CreateNetwork(Network& network, int inputCount, int hiddenCount, int outputCount) {
  network.inputCount = inputCount;
  network.hiddenCount = hiddenCount;
  network.outputCount = outputCount;
  network.input.assign(static_cast<std::size_t>(inputCount) + 1, 0.0);
  network.hidden.assign(static_cast<std::size_t>(hiddenCount) + 1, 0.0);
  network.output.assign(static_cast<std::size_t>(outputCount) + 1, 0.0);
  network.W1.assign(network.input.size() * network.hidden.size(), 0.0);
  network.W2.assign(network.hidden.size() * network.output.size(), 0.0);
}

double Sigmoid(double s) { return 1.0 / (std::pow(2.718282, s * -1.0) + 1.0); }

std::array<double, 3> Evaluate(Network& network, const std::array<double, InputCount>& cells) {
  network.input[0] = 1.0;
  for (int i = 0; i < InputCount; ++i) network.input[i + 1] = cells[i];
  for (int j = 0; j <= network.hiddenCount; ++j) {
    double s = 0.0;
    for (int i = 0; i <= network.inputCount; ++i) s = s + network.input[i] * W1At(network, i, j);
    network.hidden[j] = Sigmoid(s);
  }
  for (int k = 0; k <= network.outputCount; ++k) {
    double s = 0.0;
    for (int j = 0; j <= network.hiddenCount; ++j) s = s + network.hidden[j] * W2At(network, j, k);
    network.output[k] = Sigmoid(s);
  }
  return {network.output[0], network.output[1], network.output[2]};
}

}  // namespace ruvex
