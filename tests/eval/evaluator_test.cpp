#include "eval/evaluator.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "board/candidates.h"
#include "eval/window.h"
#include "shell/io/trace.h"

namespace ruvex {
namespace {

// A network with seeded random weights (as a loaded one would have).
void RandomWeights(Network& network, uint64_t seed, double scale = 0.5) {
  CreateNetwork(network, 81, DefaultHiddenUnitCount, 2);
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> weight(-scale, scale);
  for (double& w : network.W1) w = weight(random);
  for (double& w : network.W2) w = weight(random);
  IndexWeights(network);
}

BoardGrid Cleared() {
  BoardGrid grid;
  ClearBoard(grid);
  return grid;
}

uint64_t Bits(double v) {
  return std::bit_cast<uint64_t>(v);
}

// Collects TraceLog lines while alive.
struct TraceCapture {
  std::vector<std::string> lines;
  TraceSink previous;
  TraceCapture() {
    previous = SetTraceSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~TraceCapture() { SetTraceSink(previous); }
};

class ValueCellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEvaluator(evaluator);
    RandomWeights(evaluator.network, 11);
    board = Cleared();
    board(10, 10) = Own;
    board(11, 11) = Opponent;
    board(9, 12) = Own;
  }
  Evaluator evaluator;
  BoardGrid board;
};

TEST(InitEvaluator, StartsEmptyWithZeroCounters) {
  Evaluator evaluator;
  evaluator.AnnCalls = 5;
  InitEvaluator(evaluator);
  EXPECT_EQ(evaluator.AnnCalls, 0);
  EXPECT_EQ(evaluator.AnnCacheHits, 0);
  EXPECT_EQ(CacheEntryCount(evaluator.cache), 0u);
  EXPECT_EQ(AnnCallsText(evaluator), "ANNCalls: 0");
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 0  NaN%");
  EXPECT_EQ(AnnCacheSizeText(evaluator), "ANN Cache Size: 0");
  // No weights loaded yet: the value of an all-zero network.
  EXPECT_EQ(ValueCell(evaluator, Cleared(), 10, 10, Own), 0.5);
}

TEST_F(ValueCellTest, MissEvaluatesTheWindowFromTheSidesView) {
  const EvalWindow window = CutWindow(board, 10, 11);
  Network copy = evaluator.network;
  const double expected = Evaluate(copy, EncodeWindow(window, Opponent))[1];
  const double value = ValueCell(evaluator, board, 10, 11, Opponent);
  EXPECT_EQ(Bits(value), Bits(expected));
  EXPECT_EQ(evaluator.AnnCalls, 1);
  EXPECT_EQ(evaluator.AnnCacheHits, 0);
  EXPECT_EQ(CacheEntryCount(evaluator.cache), 1u);
  const double* stored = FindValue(evaluator.cache, MakeWindowKey(window));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(Bits(*stored), Bits(value));
}

TEST_F(ValueCellTest, SecondRequestHitsForEitherSide) {
  const double first = ValueCell(evaluator, board, 10, 11, Own);
  Network copy = evaluator.network;
  const double opponentView = Evaluate(copy, EncodeWindow(CutWindow(board, 10, 11), Opponent))[1];
  ASSERT_NE(opponentView, first);  // the side would matter on a miss
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Opponent)), Bits(first));
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Own)), Bits(first));
  EXPECT_EQ(evaluator.AnnCalls, 3);
  EXPECT_EQ(evaluator.AnnCacheHits, 2);
  EXPECT_EQ(CacheEntryCount(evaluator.cache), 1u);
  EXPECT_EQ(AnnCallsText(evaluator), "ANNCalls: 3");
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 2  66.7%");
  EXPECT_EQ(AnnCacheSizeText(evaluator), "ANN Cache Size: 1");
}

TEST_F(ValueCellTest, EdgeWindowSharesTheKeyOfAnInnerWindow) {
  BoardGrid edge = Cleared();
  edge(1, 2) = Own;  // cell (1, 1): the stone is at a = 5, b = 6
  BoardGrid inner = Cleared();
  inner(10, 11) = Own;
  const double first = ValueCell(evaluator, edge, 1, 1, Own);
  EXPECT_EQ(Bits(ValueCell(evaluator, inner, 10, 10, Own)), Bits(first));
  EXPECT_EQ(evaluator.AnnCacheHits, 1);
}

TEST_F(ValueCellTest, EmptyWindowDependsOnTheWeightsAlone) {
  const BoardGrid empty = Cleared();
  const double value = ValueCell(evaluator, empty, 10, 10, Own);
  Network copy = evaluator.network;
  EXPECT_EQ(Bits(value), Bits(Evaluate(copy, {})[1]));
  EXPECT_NE(FindValue(evaluator.cache, WindowKey{0x2929b007945c14ULL}), nullptr);
}

TEST_F(ValueCellTest, ReloadingTheNetworkKeepsTheCacheAndCounters) {
  const double before = ValueCell(evaluator, board, 12, 12, Own);
  RandomWeights(evaluator.network, 99);  // a new game with another brain.map
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 12, 12, Own)), Bits(before));
  EXPECT_EQ(evaluator.AnnCalls, 2);
  EXPECT_EQ(evaluator.AnnCacheHits, 1);
  // A window not seen before uses the new weights.
  Network copy = evaluator.network;
  const double expected = Evaluate(copy, EncodeWindow(CutWindow(board, 8, 8), Own))[1];
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 8, 8, Own)), Bits(expected));
}

TEST_F(ValueCellTest, CountersMatchDistinctKeyTexts) {
  std::mt19937 random(3);
  std::unordered_set<std::string> seen;
  int64_t misses = 0;
  for (int game = 0; game < 30; ++game) {
    BoardGrid grid = Cleared();
    for (int move = 0; move < 25; ++move) {
      MoveList list;
      const int n = FindCandidates(grid, list);
      for (int k = 1; k <= n; ++k) {
        const std::string text =
            WindowKeyText(MakeWindowKey(CutWindow(grid, list[k].x, list[k].y)));
        misses += seen.insert(text).second ? 1 : 0;
        ValueCell(evaluator, grid, list[k].x, list[k].y, move % 2 ? Own : Opponent);
      }
      const int8_t stone = move % 2 ? Own : Opponent;
      if (n == 0) {
        grid(10, 10) = stone;
        continue;
      }
      const int pick = 1 + static_cast<int>(random() % static_cast<unsigned>(n));
      grid(list[pick].x, list[pick].y) = stone;
    }
  }
  EXPECT_EQ(static_cast<int64_t>(CacheEntryCount(evaluator.cache)), misses);
  EXPECT_EQ(evaluator.AnnCalls, evaluator.AnnCacheHits + misses);
  EXPECT_GT(evaluator.AnnCacheHits, 0);
  EXPECT_GT(misses, 1000);
}

TEST_F(ValueCellTest, OtherSideValueTracesEightyOneErrorsAndUsesZeroInputs) {
  TraceCapture trace;
  const double value = ValueCell(evaluator, board, 10, 11, Empty);
  ASSERT_EQ(trace.lines.size(), 81u);
  for (const std::string& line : trace.lines) EXPECT_EQ(line, "ERROR in 'Turn'");
  Network copy = evaluator.network;
  EXPECT_EQ(Bits(value), Bits(Evaluate(copy, {})[1]));
  EXPECT_EQ(CacheEntryCount(evaluator.cache), 1u);
  // Cached like any other value: a later request hits without a trace line.
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, 7)), Bits(value));
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Own)), Bits(value));
  EXPECT_EQ(trace.lines.size(), 81u);
  EXPECT_EQ(evaluator.AnnCalls, 3);
  EXPECT_EQ(evaluator.AnnCacheHits, 2);
}

TEST_F(ValueCellTest, HitsCostNoTraceLines) {
  TraceCapture trace;
  ValueCell(evaluator, board, 10, 11, Own);
  ValueCell(evaluator, board, 10, 11, Own);
  EXPECT_TRUE(trace.lines.empty());
}

TEST(AnnStatistics, ShareHasOneDecimal) {
  Evaluator evaluator;
  InitEvaluator(evaluator);
  evaluator.AnnCalls = 8;
  evaluator.AnnCacheHits = 1;
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 1  12.5%");
  evaluator.AnnCalls = 3;
  evaluator.AnnCacheHits = 3;
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 3  100.0%");
  evaluator.AnnCacheHits = 0;
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 0  0.0%");
}

TEST(AnnStatistics, CountersGoPastThirtyTwoBits) {
  Evaluator evaluator;
  InitEvaluator(evaluator);
  evaluator.AnnCalls = std::numeric_limits<int32_t>::max();
  evaluator.AnnCacheHits = std::numeric_limits<int32_t>::max() - 1;
  BoardGrid board = Cleared();
  ValueCell(evaluator, board, 10, 10, Own);
  ValueCell(evaluator, board, 10, 10, Own);
  EXPECT_EQ(AnnCallsText(evaluator), "ANNCalls: 2147483649");
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 2147483647  100.0%");
}

}  // namespace
}  // namespace ruvex
