#include "eval/evaluator.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "eval/window.h"
#include "eval_support.h"

namespace ruvex {
namespace {

using testing::Bits;

// A side that is neither Own nor Opponent sees all-zero inputs, cached under
// Own's key (the two sides' own values are checked against the network below).
TEST(ValueCell, ASideNeitherOwnNorOpponentSeesZeroInputsUnderOwnsKey) {
  Evaluator evaluator;
  InitEvaluator(evaluator);
  std::mt19937_64 random(11);
  evaluator.network = testing::RandomNetwork(random, 0.5);
  IndexWeights(evaluator.network);
  BoardGrid board = testing::Cleared();
  board(10, 10) = Own;
  Network copy = evaluator.network;
  const uint64_t zero = Bits(Evaluate(copy, {})[1]);
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Empty)), zero);
  EXPECT_EQ(Bits(ValueCell(evaluator, board, 10, 11, Own)), zero);
  EXPECT_EQ(std::tuple(evaluator.AnnCalls, evaluator.AnnCacheHits), std::tuple(2, 1));
}

// Random requests over a pool of windows, through ValueCell and ValueCells
// (groups of up to 40 cells of one board, repeats among them) with the front
// table, and through the main table alone: the same bits and the same hits,
// with a tiny front (constant replacement) and a large one, while the main
// table fills and after it has stopped keeping values. Some boards hold a
// cell value outside 0..3, whose windows have no exact key.
TEST(ValueCellFront, AnswersExactlyAsTheMainTableAlone) {
  using Sizes = std::initializer_list<std::pair<std::size_t, std::size_t>>;  // slots, front
  for (const auto& [slots, front] : Sizes{{64, 8}, {256, FrontEntries}}) {
    std::mt19937_64 random(front);
    Evaluator evaluator;
    InitEvaluator(evaluator);
    evaluator.network = testing::RandomNetwork(random, 0.5);
    IndexWeights(evaluator.network);
    InitCache(evaluator.cache, slots, SystemHost().pages, front);
    EvalCache reference;
    InitCache(reference, slots);
    Network network = evaluator.network;
    int64_t calls = 0, referenceHits = 0;

    std::vector<BoardGrid> pool(60, testing::Cleared());
    for (BoardGrid& board : pool) {
      for (int s = 0; s < 5; ++s) {
        const int8_t v = random() % 40 == 0 ? int8_t{5} : static_cast<int8_t>(2 + random() % 2);
        board(9 + static_cast<int>(random() % 4), 9 + static_cast<int>(random() % 4)) = v;
      }
    }
    MoveList list;
    for (int n = 0; n < 1500; ++n) {
      const BoardGrid& board = pool[random() % pool.size()];
      const int side = random() % 2 == 0 ? Own : Opponent;
      const int count = n % 2 == 0 ? 1 : 1 + static_cast<int>(random() % 40);
      for (int i = 1; i <= count; ++i) {
        list[i].x = 9 + static_cast<int>(random() % 3);
        list[i].y = 9 + static_cast<int>(random() % 3);
      }
      if (count == 1) {
        list[1].value = ValueCell(evaluator, board, list[1].x, list[1].y, side);
      } else {
        ValueCells(evaluator, board, list, count, side);
      }
      for (int i = 1; i <= count; ++i) {
        const EvalWindow window = CutWindow(board, list[i].x, list[i].y);
        const WindowKey key = MakeWindowKey(window, side);
        double expected;
        if (const double* kept = FindValue(reference, key)) {
          expected = *kept;
          ++referenceHits;
        } else {
          expected = Evaluate(network, EncodeWindow(window, side))[1];
          InsertValue(reference, key, expected);
        }
        ASSERT_EQ(Bits(list[i].value), Bits(expected)) << n << " " << i;
      }
      calls += count;
      ASSERT_EQ(std::tuple(evaluator.AnnCalls, evaluator.AnnCacheHits),
                std::tuple(calls, referenceHits))
          << n;
    }
    EXPECT_EQ(CacheEntryCount(evaluator.cache), reference.limit);  // the main table is full
    EXPECT_GT(evaluator.cache.frontHits, referenceHits / 10);      // and the front answered
  }
}

}  // namespace
}  // namespace ruvex
