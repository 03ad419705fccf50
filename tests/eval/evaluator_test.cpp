#include "eval/evaluator.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "eval/window.h"
#include "eval_support.h"
#include "platform/trace.h"

namespace ruvex {
namespace {

using testing::Bits;
using testing::Cleared;

// Collects TraceLog lines while alive.
struct TraceCapture {
  std::vector<std::string> lines;
  TraceSink previous = SetTraceSink([this](std::string_view line) { lines.emplace_back(line); });
  ~TraceCapture() { SetTraceSink(previous); }
};

class ValueCellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEvaluator(evaluator);
    std::mt19937_64 random(11);
    evaluator.network = testing::RandomNetwork(random, 0.5);
    IndexWeights(evaluator.network);
    board = Cleared();
    board(10, 10) = Own;
    board(11, 11) = Opponent;
    board(9, 12) = Own;
  }
  // Output 1 of the network for the window at (cx, cy) seen from side.
  double Direct(const BoardGrid& grid, int cx, int cy, int side) {
    Network copy = evaluator.network;
    return Evaluate(copy, EncodeWindow(CutWindow(grid, cx, cy), side))[1];
  }
  Evaluator evaluator;
  BoardGrid board;
};

// Counters start at 0 (the hit share of 0 / 0 is NaN) and run past 32 bits.
TEST(InitEvaluator, CountersFromZero) {
  Evaluator evaluator;
  evaluator.AnnCalls = 5;
  InitEvaluator(evaluator);
  EXPECT_EQ(AnnCallsText(evaluator), "ANNCalls: 0");
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 0  NaN%");
  EXPECT_EQ(AnnCacheSizeText(evaluator), "ANN Cache Size: 0");
  // No weights loaded yet: the value of an all-zero network.
  EXPECT_EQ(ValueCell(evaluator, Cleared(), 10, 10, Own), 0.5);
  evaluator.AnnCalls = std::numeric_limits<int32_t>::max();
  evaluator.AnnCacheHits = std::numeric_limits<int32_t>::max() - 1;
  ValueCell(evaluator, Cleared(), 10, 10, Own);
  EXPECT_EQ(AnnCallsText(evaluator), "ANNCalls: 2147483648");
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 2147483647  100.0%");
}

// A miss values the window from the asking side and keeps the value under the
// window's key; later requests hit and return that double for either side.
TEST_F(ValueCellTest, MissThenHitsForEitherSide) {
  const double first = ValueCell(evaluator, board, 10, 11, Opponent);
  EXPECT_EQ(Bits(first), Bits(Direct(board, 10, 11, Opponent)));
  ASSERT_NE(Direct(board, 10, 11, Own), first);  // the side would matter on a miss
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Own)), Bits(first));
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Opponent)), Bits(first));
  EXPECT_EQ(AnnCallsText(evaluator), "ANNCalls: 3");
  EXPECT_EQ(AnnCacheHitsText(evaluator), "ANN Cache Hits: 2  66.7%");
  EXPECT_EQ(AnnCacheSizeText(evaluator), "ANN Cache Size: 1");
}

TEST_F(ValueCellTest, AFullCacheStillAnswersEveryRequestFromTheNetwork) {
  InitCache(evaluator.cache, 16);
  for (uint64_t k = 1; k <= evaluator.cache.limit; ++k) {
    ASSERT_TRUE(InsertValue(evaluator.cache, WindowKey{k << 8}, 0.0));
  }
  // Nothing new is kept, so each request is a miss valued from its own side.
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Own)), Bits(Direct(board, 10, 11, Own)));
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Opponent)),
            Bits(Direct(board, 10, 11, Opponent)));
  EXPECT_EQ(evaluator.AnnCacheHits, 0);
  EXPECT_EQ(CacheEntryCount(evaluator.cache), evaluator.cache.limit);
}

// On boards with random stones, every distinct window key is one entry and
// AnnCalls = AnnCacheHits + entries.
TEST_F(ValueCellTest, CountersAddUp) {
  std::mt19937 random(3);
  std::unordered_set<uint64_t> keys;
  for (int stones = 0; stones < 60; ++stones) {
    for (int s = 0; s < stones; ++s) board(1 + random() % 20, 1 + random() % 20) = Own + s % 2;
    for (int x = 1; x <= 20; x += 2) {
      for (int y = 1 + stones % 2; y <= 20; y += 2) {
        keys.insert(MakeWindowKey(CutWindow(board, x, y)).bits);
        ValueCell(evaluator, board, x, y, Own + (x + y) % 2);
      }
    }
    board = Cleared();
  }
  EXPECT_EQ(CacheEntryCount(evaluator.cache), keys.size());
  EXPECT_EQ(evaluator.AnnCalls, evaluator.AnnCacheHits + static_cast<int64_t>(keys.size()));
  EXPECT_GT(evaluator.AnnCacheHits, 1000);
  EXPECT_GT(keys.size(), 1000u);
}

TEST_F(ValueCellTest, OtherSideTracesEightyOneErrorsAndUsesZeroInputs) {
  TraceCapture trace;
  ValueCell(evaluator, board, 12, 12, Own);  // a miss for a side traces nothing
  const double value = ValueCell(evaluator, board, 10, 11, Empty);
  EXPECT_EQ(trace.lines, std::vector<std::string>(81, "ERROR in 'Turn'"));
  Network copy = evaluator.network;
  EXPECT_EQ(Bits(value), Bits(Evaluate(copy, {})[1]));
  // Cached like any other value: later requests hit without a trace line.
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, 7)), Bits(value));
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Own)), Bits(value));
  EXPECT_EQ(trace.lines.size(), 81u);
  EXPECT_EQ(evaluator.AnnCacheHits, 2);
  EXPECT_EQ(CacheEntryCount(evaluator.cache), 2u);
}

}  // namespace
}  // namespace ruvex
