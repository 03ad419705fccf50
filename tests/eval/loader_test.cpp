#include "eval/loader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "weightgen/weightgen.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ruvex {
namespace {

using testing::TempDir;

constexpr std::size_t FullSize = 68680;
constexpr std::size_t W2Offset = 66256;

struct FakeConsole {
  std::string written;
  int writes = 0;
  Console console{nullptr, [this](std::string_view bytes) {
                    written.append(bytes);
                    ++writes;
                  }};
};

const std::string FoundBytes = "MESSAGE brain.map found, Loading neurons...\r\n";
const std::string MissingBytes =
    "MESSAGE 'brain.map' not found!!!  Quitting!  please make sure 'brain.map' is in the same "
    "directory as the exe file.\r\n";

uint64_t Bits(double v) {
  return std::bit_cast<uint64_t>(v);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  ASSERT_TRUE(weightgen::WriteBytes(path, bytes)) << path;
}

// Loads from dir with 100 hidden units; checks the written bytes.
LoadResult Load(Network& network, const std::string& dir, const std::string& expectLine) {
  FakeConsole fake;
  const LoadResult result = LoadNetwork(network, fake.console, dir, DefaultHiddenUnitCount);
  EXPECT_EQ(fake.written, expectLine);
  EXPECT_EQ(fake.writes, 1);
  return result;
}

void ExpectShape(const Network& n) {
  EXPECT_EQ(n.inputCount, 81);
  EXPECT_EQ(n.hiddenCount, 100);
  EXPECT_EQ(n.outputCount, 2);
  EXPECT_EQ(n.W1.size(), 82u * 101u);
  EXPECT_EQ(n.W2.size(), 101u * 3u);
}

TEST(LoadNetwork, FullFileFillsW1ThenW2RowMajor) {
  TempDir dir;
  const weightgen::Options options;
  const std::vector<double> weights = weightgen::MakeWeights(options);
  ASSERT_EQ(weights.size(), 8585u);
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile(options));
  ASSERT_EQ(std::filesystem::file_size(dir.File("brain.map")), FullSize);
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  ExpectShape(n);
  for (std::size_t m = 0; m < n.W1.size(); ++m) ASSERT_EQ(Bits(n.W1[m]), Bits(weights[m])) << m;
  for (std::size_t m = 0; m < n.W2.size(); ++m) {
    ASSERT_EQ(Bits(n.W2[m]), Bits(weights[n.W1.size() + m])) << m;
  }
  EXPECT_EQ(W1At(n, 1, 0), weights[101]);  // value 101 is W1[1][0]
  EXPECT_EQ(W2At(n, 1, 0), weights[8282 + 3]);
}

TEST(LoadNetwork, ByteOffsetsOfSingleWeights) {
  TempDir dir;
  std::vector<uint8_t> bytes(FullSize, 0);
  // Little-endian: the first byte is the lowest.
  const auto put = [&](std::size_t offset, double value) {
    const uint64_t bits = Bits(value);
    for (int b = 0; b < 8; ++b) bytes[offset + b] = static_cast<uint8_t>(bits >> (8 * b));
  };
  put(0, 1.25);
  put(808, -2.5);
  put(W2Offset, 3.75);
  put(FullSize - 8, 0.125);
  WriteFile(dir.File("brain.map"), bytes);
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  EXPECT_EQ(W1At(n, 0, 0), 1.25);
  EXPECT_EQ(W1At(n, 1, 0), -2.5);
  EXPECT_EQ(W2At(n, 0, 0), 3.75);
  EXPECT_EQ(W2At(n, 100, 2), 0.125);
  int nonzero = 0;
  for (const double w : n.W1) nonzero += w != 0.0;
  for (const double w : n.W2) nonzero += w != 0.0;
  EXPECT_EQ(nonzero, 4);
}

TEST(LoadNetwork, EmptyFileIsMissing) {
  TempDir dir;
  WriteFile(dir.File("brain.map"), {});
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), MissingBytes), LoadResult::Missing);
  ExpectShape(n);  // the network is created before the file is looked at
}

TEST(LoadNetwork, NoFileIsMissing) {
  TempDir dir;
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), MissingBytes), LoadResult::Missing);
}

TEST(LoadNetwork, DirectoryNamedBrainMapIsMissing) {
  TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("brain.map")));
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), MissingBytes), LoadResult::Missing);
}

#ifndef _WIN32
TEST(LoadNetwork, FifoNamedBrainMapIsMissing) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("brain.map").c_str(), 0600), 0);
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), MissingBytes), LoadResult::Missing);
}
#endif

TEST(LoadNetwork, OneByteFillsTheLowByteOfTheFirstWeight) {
  TempDir dir;
  WriteFile(dir.File("brain.map"), {0xAB});
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  EXPECT_EQ(Bits(W1At(n, 0, 0)), 0xABu);
  for (std::size_t m = 1; m < n.W1.size(); ++m) ASSERT_EQ(Bits(n.W1[m]), 0u);
  for (const double w : n.W2) ASSERT_EQ(Bits(w), 0u);
}

TEST(LoadNetwork, TrailingFragmentFillsLowOrderBytes) {
  TempDir dir;
  const std::vector<uint8_t> full = weightgen::MakeWeightFile({});
  std::vector<uint8_t> bytes(full.begin(), full.begin() + 811);  // 101 weights and 3 bytes
  WriteFile(dir.File("brain.map"), bytes);
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  const std::vector<double> weights = weightgen::MakeWeights({});
  EXPECT_EQ(W1At(n, 0, 100), weights[100]);
  EXPECT_EQ(Bits(W1At(n, 1, 0)), Bits(weights[101]) & 0xFFFFFFu);
  EXPECT_EQ(Bits(W1At(n, 1, 1)), 0u);
}

TEST(LoadNetwork, W1OnlyFileLeavesW2ZeroAndOutputsOneHalf) {
  TempDir dir;
  weightgen::Options options;
  options.bytes = static_cast<int64_t>(W2Offset);
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile(options));
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  const std::vector<double> weights = weightgen::MakeWeights(options);
  EXPECT_EQ(W1At(n, 81, 100), weights[8281]);
  for (const double w : n.W2) EXPECT_EQ(Bits(w), 0u);
  std::array<double, InputCount> cells{};
  cells[10] = 1.0;
  cells[20] = -1.0;
  EXPECT_EQ(Evaluate(n, cells), (std::array<double, 3>{0.5, 0.5, 0.5}));
}

TEST(LoadNetwork, LongerFileIgnoresTheRest) {
  TempDir dir;
  weightgen::Options options;
  options.bytes = 1 << 20;
  const std::vector<uint8_t> bytes = weightgen::MakeWeightFile(options);
  ASSERT_EQ(bytes.size(), 1u << 20);
  WriteFile(dir.File("brain.map"), bytes);
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  const std::vector<double> weights = weightgen::MakeWeights(options);
  EXPECT_EQ(Bits(W2At(n, 100, 2)), Bits(weights.back()));
  EXPECT_EQ(Bits(W1At(n, 0, 0)), Bits(weights.front()));
}

TEST(LoadNetwork, NaNFileGivesNaNOutputs) {
  TempDir dir;
  weightgen::Options options;
  options.fill = weightgen::Fill::NaN;
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile(options));
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  for (const double w : n.W1) ASSERT_TRUE(std::isnan(w));
  for (const double o : Evaluate(n, {})) EXPECT_TRUE(std::isnan(o));
}

void ExpectZeroWeights(Network& n) {
  ExpectShape(n);
  for (const double w : n.W1) ASSERT_EQ(Bits(w), 0u);
  for (const double w : n.W2) ASSERT_EQ(Bits(w), 0u);
  EXPECT_EQ(Evaluate(n, {})[1], 0.5);
}

#ifdef _WIN32
TEST(LoadNetwork, FileHeldByAWriterGivesZeroWeights) {
  TempDir dir;
  const std::string path = dir.File("brain.map");
  WriteFile(path, weightgen::MakeWeightFile({}));
  // Another program has it open for writing and shares it with no one.
  const HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  Network n;
  const LoadResult result = Load(n, dir.Dir(), FoundBytes);
  CloseHandle(writer);
  EXPECT_EQ(result, LoadResult::Loaded);
  ExpectZeroWeights(n);
}

TEST(LoadNetwork, FileOpenInAnotherReaderStillLoads) {
  // Two engines started from one directory read brain.map at the same time.
  TempDir dir;
  const std::string path = dir.File("brain.map");
  WriteFile(path, weightgen::MakeWeightFile({}));
  const HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  Network n;
  const LoadResult result = Load(n, dir.Dir(), FoundBytes);
  CloseHandle(reader);
  EXPECT_EQ(result, LoadResult::Loaded);
  EXPECT_EQ(Bits(W1At(n, 0, 0)), Bits(weightgen::MakeWeights({}).front()));
}
#else
TEST(LoadNetwork, UnreadableFileGivesZeroWeights) {
  TempDir dir;
  const std::string path = dir.File("brain.map");
  WriteFile(path, weightgen::MakeWeightFile({}));
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  const int probe = open(path.c_str(), O_RDONLY);
  if (probe >= 0) {
    close(probe);
    GTEST_SKIP() << "running with rights that read any file";
  }
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  ExpectZeroWeights(n);
}
#endif

TEST(LoadNetwork, WorkingDirectoryIsNotSearched) {
  TempDir work;
  TempDir exe;
  WriteFile(work.File("brain.map"), weightgen::MakeWeightFile({}));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(work.Dir());
  Network n;
  const LoadResult beside = Load(n, exe.Dir(), MissingBytes);
  const LoadResult unknown = Load(n, "", MissingBytes);
  std::filesystem::current_path(previous);
  EXPECT_EQ(beside, LoadResult::Missing);
  EXPECT_EQ(unknown, LoadResult::Missing);
}

TEST(LoadNetwork, EveryLoadStartsAFreshNetworkFromTheCurrentFile) {
  TempDir dir;
  weightgen::Options first;
  first.fill = weightgen::Fill::Constant;
  first.constant = 0.75;
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile(first));
  Network n;
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  EXPECT_EQ(W2At(n, 3, 1), 0.75);
  // Replaced by a shorter file: the old weights are gone, not kept.
  weightgen::Options second;
  second.fill = weightgen::Fill::Constant;
  second.constant = -1.5;
  second.bytes = 16;
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile(second));
  EXPECT_EQ(Load(n, dir.Dir(), FoundBytes), LoadResult::Loaded);
  EXPECT_EQ(W1At(n, 0, 1), -1.5);
  EXPECT_EQ(W1At(n, 0, 2), 0.0);
  EXPECT_EQ(W2At(n, 3, 1), 0.0);
}

TEST(LoadNetwork, OtherHiddenCountsChangeTheLayout) {
  TempDir dir;
  weightgen::Options options;
  options.hidden = 3;
  const std::vector<double> weights = weightgen::MakeWeights(options);
  ASSERT_EQ(weights.size(), 82u * 4u + 4u * 3u);
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile(options));
  Network n;
  FakeConsole fake;
  EXPECT_EQ(LoadNetwork(n, fake.console, dir.Dir(), 3), LoadResult::Loaded);
  EXPECT_EQ(n.W1.size(), 82u * 4u);
  EXPECT_EQ(W1At(n, 1, 0), weights[4]);
  EXPECT_EQ(W2At(n, 0, 0), weights[328]);
  EXPECT_EQ(W2At(n, 3, 2), weights.back());
}

TEST(LoadNetwork, LoadedNetworkEvaluatesLikeTheDefinition) {
  // The loader indexes the rows, so zero inputs are skipped; the result must
  // still be that of a network filled by hand and never indexed.
  TempDir dir;
  WriteFile(dir.File("brain.map"), weightgen::MakeWeightFile({}));
  Network loaded;
  Load(loaded, dir.Dir(), FoundBytes);
  Network plain;
  CreateNetwork(plain, 81, 100, 2);
  plain.W1 = loaded.W1;
  plain.W2 = loaded.W2;
  std::array<double, InputCount> cells{};
  cells[0] = 1.0;
  cells[40] = -1.0;
  cells[41] = 1.0;
  EXPECT_EQ(Evaluate(loaded, cells), Evaluate(plain, cells));
}

TEST(ShippedBrainMap, HasTheFullSize) {
  const std::string path = std::string(RUVEX_SOURCE_DIR) + "/data/brain.map";
  EXPECT_EQ(std::filesystem::file_size(path), FullSize);
}

}  // namespace
}  // namespace ruvex
