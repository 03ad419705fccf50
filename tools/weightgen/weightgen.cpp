#include "weightgen/weightgen.h"

#include <bit>
#include <cstdio>
#include <limits>

namespace ruvex::weightgen {

namespace {

// SplitMix64: a fixed, portable sequence for a given seed.
uint64_t NextBits(uint64_t& state) {
  uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// Uniform in [0, 1) with 53 random bits; exact in binary, so the same on
// every platform.
double NextUnit(uint64_t& state) {
  return static_cast<double>(NextBits(state) >> 11) * 0x1.0p-53;
}

}  // namespace

std::size_t WeightCount(int hidden) {
  const auto width = static_cast<std::size_t>(hidden < 0 ? 0 : hidden) + 1;
  return 82 * width + width * 3;
}

std::vector<double> MakeWeights(const Options& options) {
  std::vector<double> weights(WeightCount(options.hidden), 0.0);
  uint64_t state = options.seed;
  for (double& w : weights) {
    switch (options.fill) {
      case Fill::Random:
        w = options.scale * (2.0 * NextUnit(state) - 1.0);
        break;
      case Fill::Zero:
        w = 0.0;
        break;
      case Fill::Constant:
        w = options.constant;
        break;
      case Fill::NaN:
        w = std::numeric_limits<double>::quiet_NaN();
        break;
    }
  }
  return weights;
}

std::vector<uint8_t> EncodeWeights(const std::vector<double>& weights) {
  std::vector<uint8_t> bytes;
  bytes.reserve(weights.size() * 8);
  for (const double w : weights) {
    const auto bits = std::bit_cast<uint64_t>(w);
    for (int b = 0; b < 8; ++b) bytes.push_back(static_cast<uint8_t>(bits >> (8 * b)));
  }
  return bytes;
}

std::vector<uint8_t> MakeWeightFile(const Options& options) {
  std::vector<uint8_t> bytes = EncodeWeights(MakeWeights(options));
  if (options.bytes < 0) return bytes;
  const auto length = static_cast<std::size_t>(options.bytes);
  if (length <= bytes.size()) {
    bytes.resize(length);
    return bytes;
  }
  uint64_t state = ~options.seed;
  while (bytes.size() < length) bytes.push_back(static_cast<uint8_t>(NextBits(state)));
  return bytes;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace ruvex::weightgen
