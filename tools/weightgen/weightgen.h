// Deterministic weight files in the brain.map layout: 82 x (H + 1) input-to-
// hidden weights, then (H + 1) x 3 hidden-to-output weights, row-major, each a
// little-endian IEEE double. Used by the ruvex_weightgen tool and by tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ruvex::weightgen {

constexpr uint64_t DefaultSeed = 20240611;
constexpr double DefaultScale = 0.5;
constexpr int DefaultHidden = 100;

enum class Fill {
  Random,    // uniform in [-scale, scale) from the seed
  Zero,      // every weight 0.0
  Constant,  // every weight the given constant
  NaN,       // every weight a quiet NaN
};

struct Options {
  Fill fill = Fill::Random;
  uint64_t seed = DefaultSeed;
  double scale = DefaultScale;
  double constant = 0.0;
  int hidden = DefaultHidden;
  // Length of the file in bytes: < 0 keeps the exact size; shorter cuts the
  // file (a fragment of a weight may remain), longer appends seeded bytes.
  int64_t bytes = -1;
};

// 82 * (hidden + 1) + (hidden + 1) * 3: 8,585 for 100 hidden units.
std::size_t WeightCount(int hidden);

// Weight number n in file order.
std::vector<double> MakeWeights(const Options& options);

// The weights as little-endian bytes (assembled from the bits, so the host's
// byte order plays no part).
std::vector<uint8_t> EncodeWeights(const std::vector<double>& weights);

// The file contents for the options (weights, then cut or extended).
std::vector<uint8_t> MakeWeightFile(const Options& options);

// Writes bytes to path; false when the file cannot be written.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace ruvex::weightgen
