// The weight loader on arbitrary file contents, then an evaluation: every
// output is a sigmoid value in [0, 1], or NaN.
#include <cmath>
#include <cstdlib>

#include "eval/loader.h"
#include "eval/network.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ruvex;
  if (size < 1) return 0;
  const int hidden = data[0] % 4 == 0 ? DefaultHiddenUnitCount : 1 + data[0] % 100;
  const std::vector<uint8_t> bytes(data + 1, data + size);
  static Network network;  // reloaded every time: nothing of an earlier load may count
  const LoadResult result = FillNetwork(network, hidden, bytes);
  const std::size_t weights = 8 * (network.W1.size() + network.W2.size());
  if (result.bytesRead != std::min(bytes.size(), weights) ||
      (result.file == BrainFile::Loaded) != (bytes.size() >= weights)) {
    std::abort();
  }
  std::array<double, InputCount> cells{};
  // empty, own, other
  for (std::size_t i = 0; i < cells.size() && i < bytes.size(); ++i) cells[i] = bytes[i] % 3;
  for (const double output : Evaluate(network, cells)) {
    if (!std::isnan(output) && (output < 0.0 || output > 1.0)) std::abort();
  }
  return 0;
}
