#include "eval/loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "eval_support.h"
#include "weightgen/weightgen.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ruvex {
namespace {

using testing::Bits;
using testing::TempDir;

BrainFile Load(Network& network, const std::string& dir, int hidden = DefaultHiddenUnitCount) {
  return LoadNetwork(network, dir, hidden).file;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  ASSERT_TRUE(weightgen::WriteBytes(path, bytes)) << path;
}

bool AllZero(const Network& n) {
  const auto zero = [](double w) { return Bits(w) == 0; };
  return std::all_of(n.W1.begin(), n.W1.end(), zero) && std::all_of(n.W2.begin(), n.W2.end(), zero);
}

TEST(LoadNetwork, ByteOffsetsOfSingleWeights) {
  TempDir dir;
  std::vector<uint8_t> bytes(68680, 0);
  const auto put = [&](std::size_t offset, double value) {  // little-endian
    for (int b = 0; b < 8; ++b) bytes[offset + b] = static_cast<uint8_t>(Bits(value) >> (8 * b));
  };
  put(0, 1.25);
  put(808, -2.5);
  put(66256, 3.75);
  put(68672, 0.125);
  put(8 * (2 * 101 + 3), std::numeric_limits<double>::quiet_NaN());
  WriteFile(dir.File("brain.map"), bytes);
  Network n;
  ASSERT_EQ(Load(n, dir.Dir()), BrainFile::Loaded);
  EXPECT_EQ(std::tuple(W1At(n, 0, 0), W1At(n, 1, 0), W2At(n, 0, 0), W2At(n, 100, 2)),
            std::tuple(1.25, -2.5, 3.75, 0.125));
  EXPECT_TRUE(std::isnan(W1At(n, 2, 3)));
  // The rows are indexed after they are filled: the NaN row counts although
  // input 2 is zero.
  for (const double o : Evaluate(n, {})) EXPECT_TRUE(std::isnan(o));
  W1At(n, 0, 0) = W1At(n, 1, 0) = W2At(n, 0, 0) = W2At(n, 100, 2) = W1At(n, 2, 3) = 0.0;
  EXPECT_TRUE(AllZero(n));  // no weight elsewhere
}

// Weight m is bytes 8m .. 8m + 7, little-endian; bytes past the end of the
// file read as 0 (a trailing fragment gives the low-order bytes) and bytes
// past the weights are ignored. The same network is reloaded for every case,
// so nothing of an earlier load may survive.
TEST(LoadNetwork, FileSizesAndContents) {
  const std::pair<const char*, weightgen::Options> cases[] = {
      {"1 MiB", {.bytes = 1 << 20}},
      {"68,680 bytes", {}},
      {"66,256 bytes: W1 only", {.bytes = 66256}},
      {"811 bytes: 101 weights and 3 bytes", {.bytes = 811}},
      {"1 byte", {.bytes = 1}},
      {"NaN weights", {.fill = weightgen::Fill::NaN}},
      {"3 hidden units", {.hidden = 3}},
  };
  TempDir dir;
  Network n;
  for (const auto& [name, options] : cases) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> file = weightgen::MakeWeightFile(options);
    WriteFile(dir.File("brain.map"), file);
    ASSERT_EQ(Load(n, dir.Dir(), options.hidden),
              file.size() < 8 * weightgen::WeightCount(options.hidden) ? BrainFile::Short
                                                                       : BrainFile::Loaded);
    const auto width = static_cast<std::size_t>(options.hidden) + 1;
    ASSERT_EQ(std::pair(n.W1.size(), n.W2.size()), std::pair(82 * width, width * 3));
    const std::vector<double> weights = weightgen::MakeWeights(options);
    for (std::size_t m = 0; m < weights.size(); ++m) {
      const double got = m < n.W1.size() ? n.W1[m] : n.W2[m - n.W1.size()];
      const std::size_t present =
          std::min<std::size_t>(file.size() - std::min(file.size(), 8 * m), 8);
      const uint64_t mask = present == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * present)) - 1;
      ASSERT_EQ(Bits(got), Bits(weights[m]) & mask) << "weight " << m;
    }
    // With W2 all zero every output unit is Sigmoid(0) = 0.5, whatever W1 holds.
    if (std::all_of(n.W2.begin(), n.W2.end(), [](double w) { return w == 0.0; })) {
      EXPECT_EQ(Evaluate(n, {}), (std::array<double, 3>{0.5, 0.5, 0.5}));
    }
  }
}

TEST(LoadNetwork, MissingFiles) {
  TempDir dir;
  const std::string path = dir.File("brain.map");
  const std::pair<const char*, std::function<bool()>> cases[] = {
      {"no file", [] { return true; }},
      {"empty file", [&] { return weightgen::WriteBytes(path, {}); }},
      {"directory", [&] { return std::filesystem::create_directory(path); }},
#ifndef _WIN32
      {"fifo", [&] { return mkfifo(path.c_str(), 0600) == 0; }},
#endif
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    std::filesystem::remove_all(path);
    ASSERT_TRUE(make());
    Network n;
    EXPECT_EQ(Load(n, dir.Dir()), BrainFile::Missing);
    EXPECT_EQ(n.W1.size(), 82u * 101u);  // created before the file is looked at
  }
  // Only the executable's directory counts, never the working directory.
  std::filesystem::remove_all(path);
  WriteFile(path, weightgen::MakeWeightFile({}));
  TempDir exe;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Dir());
  Network n;
  const auto results = std::pair(Load(n, exe.Dir()), Load(n, ""));  // beside, unknown
  std::filesystem::current_path(previous);
  EXPECT_EQ(results, std::pair(BrainFile::Missing, BrainFile::Missing));
}

#ifdef _WIN32
// Two engines started from one directory read brain.map at the same time. And
// when another program holds it open for writing and shares it with no one,
// the file is there but cannot be read, so the weights are all zero, nothing
// of the earlier load kept.
TEST(LoadNetwork, FileOpenInAnotherReaderLoadsAndHeldByAWriterGivesZeroWeights) {
  TempDir dir;
  const std::string path = dir.File("brain.map");
  WriteFile(path, weightgen::MakeWeightFile({}));
  Network n;
  for (const auto& [access, share] :
       {std::pair<DWORD, DWORD>{GENERIC_READ, FILE_SHARE_READ}, {GENERIC_WRITE, 0}}) {
    const HANDLE other = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    const BrainFile result = Load(n, dir.Dir());
    CloseHandle(other);
    const bool reader = access == GENERIC_READ;
    EXPECT_EQ(std::pair(result, AllZero(n)),
              std::pair(reader ? BrainFile::Loaded : BrainFile::Unreadable, !reader));
  }
}
#else
TEST(LoadNetwork, UnreadableFileGivesZeroWeights) {
  TempDir dir;
  const std::string path = dir.File("brain.map");
  WriteFile(path, weightgen::MakeWeightFile({}));
  Network n;
  ASSERT_EQ(Load(n, dir.Dir()), BrainFile::Loaded);
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir.Dir().c_str(), 0755), 0);
  // Rights that read any file are put aside for the load.
  const bool root = geteuid() == 0;
  ASSERT_TRUE(!root || seteuid(65534) == 0);
  const BrainFile file = Load(n, dir.Dir());
  ASSERT_TRUE(!root || seteuid(0) == 0);
  EXPECT_EQ(std::pair(file, AllZero(n)), std::pair(BrainFile::Unreadable, true));
}
#endif

TEST(ShippedBrainMap, HasTheFullSize) {
  EXPECT_EQ(std::filesystem::file_size(std::string(RUVEX_SOURCE_DIR) + "/data/brain.map"), 68680u);
}

}  // namespace
}  // namespace ruvex
