#include "eval/loader.h"

#include <bit>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace ruvex {

namespace {

// Weight n is the little-endian double in bytes 8n .. 8n + 7. Bytes past the
// end of the file read as 0, so a trailing fragment fills the low-order bytes
// of its weight and weights wholly past the end are 0.0.
double WeightAt(const std::vector<uint8_t>& bytes, std::size_t n) {
  uint64_t bits = 0;
  for (std::size_t b = 0; b < 8; ++b) {
    const std::size_t at = 8 * n + b;
    if (at >= bytes.size()) break;
    bits |= static_cast<uint64_t>(bytes[at]) << (8 * b);
  }
  return std::bit_cast<double>(bits);
}

}  // namespace

LoadResult FillNetwork(Network& network, int hiddenCount, const std::vector<uint8_t>& bytes) {
  CreateNetwork(network, InputCount, hiddenCount, OutputCount);
  const std::size_t count = network.W1.size() + network.W2.size();
  const std::size_t used = bytes.size() < count * 8 ? bytes.size() : count * 8;
  std::size_t n = 0;
  for (double& w : network.W1) w = WeightAt(bytes, n++);
  for (double& w : network.W2) w = WeightAt(bytes, n++);
  IndexWeights(network);
  return LoadResult{used < count * 8 ? BrainFile::Short : BrainFile::Loaded, used};
}

LoadResult LoadNetwork(Network& network, const std::string& executableDirectory, int hiddenCount) {
  CreateNetwork(network, InputCount, hiddenCount, OutputCount);

  // Only the executable's directory is searched. An unknown directory would
  // leave a bare name that resolves in the working directory, so it counts
  // as missing.
  uint64_t size = 0;
  const std::string path = executableDirectory + "brain.map";
  const bool present = !executableDirectory.empty() &&
                       platform::QueryFile(path, &size) == platform::FileKind::Regular && size > 0;
  if (!present) return LoadResult{BrainFile::Missing, 0};

  const std::size_t count = network.W1.size() + network.W2.size();
  std::vector<uint8_t> bytes;
  // A file that cannot be opened or read leaves every weight 0.0.
  const bool readable = platform::ReadFilePrefix(path, count * 8, bytes);
  const LoadResult filled = FillNetwork(network, hiddenCount, bytes);
  return readable ? filled : LoadResult{BrainFile::Unreadable, 0};
}

}  // namespace ruvex
