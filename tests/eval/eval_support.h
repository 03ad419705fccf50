// Shared helpers of the evaluator tests: a temp directory, bit patterns,
// cleared boards and seeded networks.
#pragma once

#include <stdlib.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "board/board.h"
#include "eval/network.h"

namespace ruvex::testing {

// A fresh directory under the system's temp directory, removed with its
// contents at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ruvex-eval-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, ending in '/', as the executable's directory is given.
  std::string Dir() const { return path_ + "/"; }
  std::string File(const std::string& name) const { return Dir() + name; }

 private:
  std::string path_;
};

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
