#include "eval/evaluator.h"

#include <gtest/gtest.h>

#include <random>

#include "eval/window.h"
#include "eval_support.h"

namespace ruvex {
namespace {

using testing::Bits;

class ValueCellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEvaluator(evaluator);
    std::mt19937_64 random(11);
    evaluator.network = testing::RandomNetwork(random, 0.5);
    IndexWeights(evaluator.network);
    board = testing::Cleared();
    board(10, 10) = Own;
    board(11, 11) = Opponent;
    board(9, 12) = Own;
  }
  // Output 1 of the network for the window at (10, 11) seen from side.
  uint64_t Direct(int side) {
    Network copy = evaluator.network;
    return Bits(Evaluate(copy, EncodeWindow(CutWindow(board, 10, 11), side))[1]);
  }
  uint64_t Value(int side) { return Bits(ValueCell(evaluator, board, 10, 11, side)); }
  Evaluator evaluator;
  BoardGrid board;
};

// A miss values the window from the asking side and keeps the value under the
// window's key for that side; later requests of each side hit their own value.
TEST_F(ValueCellTest, EachSideMissesOnceThenHitsItsOwnValue) {
  ASSERT_NE(Direct(Own), Direct(Opponent));  // the side matters
  EXPECT_EQ(Value(Opponent), Direct(Opponent));
  EXPECT_EQ(Value(Own), Direct(Own));
  EXPECT_EQ(Value(Opponent), Direct(Opponent));
  EXPECT_EQ(Value(Own), Direct(Own));
  EXPECT_EQ(
      std::tuple(evaluator.AnnCalls, evaluator.AnnCacheHits, CacheEntryCount(evaluator.cache)),
      std::tuple(4, 2, 2u));
  // A side that is neither Own nor Opponent sees all-zero inputs, cached under
  // Own's key.
  SetUp();
  Network copy = evaluator.network;
  EXPECT_EQ(Value(Empty), Bits(Evaluate(copy, {})[1]));
  EXPECT_EQ(Value(Own), Bits(Evaluate(copy, {})[1]));
}

TEST_F(ValueCellTest, AFullCacheStillAnswersEveryRequestFromTheNetwork) {
  InitCache(evaluator.cache, 16);
  for (uint64_t k = 1; k <= evaluator.cache.limit; ++k) {
    ASSERT_TRUE(InsertValue(evaluator.cache, WindowKey{k << 8}, 0.0));
  }
  // Nothing new is kept, so each request is a miss valued from its own side.
  EXPECT_EQ(Value(Own), Direct(Own));
  EXPECT_EQ(Value(Opponent), Direct(Opponent));
  EXPECT_EQ(std::tuple(evaluator.AnnCalls, evaluator.AnnCacheHits), std::tuple(2, 0));
  EXPECT_EQ(CacheEntryCount(evaluator.cache), evaluator.cache.limit);
}

}  // namespace
}  // namespace ruvex
