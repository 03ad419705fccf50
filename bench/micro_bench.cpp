// Micro-benchmarks of the hot board and evaluator functions on a mid-game
// position (24 stones around the centre, no five available).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "board/candidates.h"
#include "board/forced.h"
#if __has_include("eval/base_pow.h")
#include "eval/base_pow.h"
#define RUVEX_HAS_BASE_POW 1
#endif
#include "eval/evaluator.h"
#include "eval/window.h"

namespace ruvex {
namespace {

BoardGrid MidGame() {
  static constexpr int OwnStones[][2] = {{10, 10}, {11, 11}, {9, 11}, {12, 9},  {10, 12}, {8, 10},
                                         {11, 8},  {13, 12}, {9, 9},  {12, 13}, {7, 11},  {10, 14}};
  static constexpr int OpponentStones[][2] = {{11, 10}, {10, 11}, {12, 11}, {9, 10},
                                              {11, 12}, {10, 9},  {12, 12}, {8, 12},
                                              {13, 10}, {11, 13}, {9, 13},  {14, 11}};
  BoardGrid grid;
  ClearBoard(grid);
  for (const auto& c : OwnStones) grid(c[0], c[1]) = Own;
  for (const auto& c : OpponentStones) grid(c[0], c[1]) = Opponent;
  return grid;
}

// Seeded weights in [-0.5, 0.5), indexed as the loader leaves them.
void FillNetwork(Network& network) {
  CreateNetwork(network, InputCount, DefaultHiddenUnitCount, OutputCount);
  uint64_t state = 12345;
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) * 0x1.0p-53 - 0.5;
  };
  for (double& w : network.W1) w = next();
  for (double& w : network.W2) w = next();
  IndexWeights(network);
}

void BM_FindCandidates(benchmark::State& state) {
  const BoardGrid grid = MidGame();
  MoveList list;
  int n = 0;
  for (auto _ : state) {
    n = FindCandidates(grid, list);
    benchmark::DoNotOptimize(list);
  }
  state.counters["candidates"] = n;
}
BENCHMARK(BM_FindCandidates);

void BM_FindWinningMove(benchmark::State& state) {
  BoardGrid grid = MidGame();
  MoveList result;
  int found = 0;
  for (auto _ : state) {
    found = FindWinningMove(grid, result, Own);
    benchmark::DoNotOptimize(grid);
  }
  if (found != 0) state.SkipWithError("the position has a five");
}
BENCHMARK(BM_FindWinningMove);

void BM_CutWindow(benchmark::State& state) {
  const BoardGrid grid = MidGame();
  for (auto _ : state) benchmark::DoNotOptimize(CutWindow(grid, 10, 13));
}
BENCHMARK(BM_CutWindow);

void BM_MakeWindowKey(benchmark::State& state) {
  const EvalWindow window = CutWindow(MidGame(), 10, 13);
  for (auto _ : state) benchmark::DoNotOptimize(MakeWindowKey(window, Own));
}
BENCHMARK(BM_MakeWindowKey);

void BM_Evaluate(benchmark::State& state) {
  Network network;
  FillNetwork(network);
  const auto inputs = EncodeWindow(CutWindow(MidGame(), 10, 13), Own);
  for (auto _ : state) benchmark::DoNotOptimize(Evaluate(network, inputs));
}
BENCHMARK(BM_Evaluate);

// The network as defined (one sum per unit over all 82 inputs), for comparison.
void BM_EvaluateDefinition(benchmark::State& state) {
  Network network;
  FillNetwork(network);
  const auto cells = EncodeWindow(CutWindow(MidGame(), 10, 13), Own);
  for (auto _ : state) {
    network.input[0] = 1.0;
    for (int i = 0; i < InputCount; ++i) network.input[i + 1] = cells[i];
    for (int j = 0; j <= network.hiddenCount; ++j) {
      double s = 0.0;
      for (int i = 0; i <= InputCount; ++i) s = s + network.input[i] * W1At(network, i, j);
      network.hidden[j] = Sigmoid(s);
    }
    for (int k = 0; k <= OutputCount; ++k) {
      double s = 0.0;
      for (int j = 0; j <= network.hiddenCount; ++j)
        s = s + network.hidden[j] * W2At(network, j, k);
      network.output[k] = Sigmoid(s);
    }
    benchmark::DoNotOptimize(network.output.data());
  }
}
BENCHMARK(BM_EvaluateDefinition);

void BM_Sigmoid(benchmark::State& state) {
  double s = 0.25;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(Sigmoid(s));
  }
}
BENCHMARK(BM_Sigmoid);

#ifdef RUVEX_HAS_BASE_POW
// b^y for 101 inputs like hidden sums: the C library's pow one at a time (0),
// PowBaseArray as the engine runs it (1) and correctly rounded (2).
void BM_PowHiddenLayer(benchmark::State& state) {
  std::vector<double> y(101), out(101);
  uint64_t bits = 99;
  for (double& v : y) {
    bits = bits * 6364136223846793005ULL + 1442695040888963407ULL;
    v = static_cast<double>(bits >> 11) * 0x1.0p-53 * 12.0 - 6.0;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(y.data());
    if (state.range(0) == 0) {
      for (std::size_t j = 0; j < y.size(); ++j) out[j] = std::pow(SigmoidBase, y[j]);
    } else {
      PowBaseArray(y.data(), out.data(), y.size(),
                   state.range(0) == 1 ? PowMode::Engine : PowMode::CorrectlyRounded);
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PowHiddenLayer)->Arg(0)->Arg(1)->Arg(2);
#endif

void BM_ValueCellHit(benchmark::State& state) {
  Evaluator evaluator;
  InitEvaluator(evaluator);
  FillNetwork(evaluator.network);
  const BoardGrid grid = MidGame();
  ValueCell(evaluator, grid, 10, 13, Own);
  for (auto _ : state) benchmark::DoNotOptimize(ValueCell(evaluator, grid, 10, 13, Own));
  if (evaluator.AnnCacheHits + 1 != evaluator.AnnCalls) state.SkipWithError("not all hits");
}
BENCHMARK(BM_ValueCellHit);

// Every request sees a window not seen before: 17 empty cells at the window's
// rim take the base-3 digits of the iteration number. Every page of the table
// is touched first (a free slot written as free), so that the figure is the
// miss itself, not the first touch of fresh pages.
void BM_ValueCellMiss(benchmark::State& state) {
  Evaluator evaluator;
  InitEvaluator(evaluator);
  FillNetwork(evaluator.network);
  for (std::size_t i = 0; i < evaluator.cache.capacity; i += 4096 / sizeof(CacheSlot))
    evaluator.cache.slots[i].tag = 0;
  BoardGrid grid = MidGame();
  std::vector<std::pair<int, int>> rim;
  for (int y = 9; y <= 17; ++y) rim.emplace_back(6, y);
  for (int x = 7; x <= 14; ++x) rim.emplace_back(x, 17);
  uint64_t counter = 0;
  for (auto _ : state) {
    uint64_t digits = counter++;
    for (const auto& [x, y] : rim) {
      grid(x, y) = static_cast<int8_t>(digits % 3 == 0 ? Empty : digits % 3 == 1 ? Own : Opponent);
      digits /= 3;
    }
    benchmark::DoNotOptimize(ValueCell(evaluator, grid, 10, 13, Own));
  }
  if (evaluator.AnnCacheHits != 0) state.SkipWithError("a request hit the cache");
  state.counters["entries"] = static_cast<double>(CacheEntryCount(evaluator.cache));
  state.counters["cache_bytes_per_entry"] = static_cast<double>(CacheBytes(evaluator.cache)) /
                                            static_cast<double>(CacheEntryCount(evaluator.cache));
}
BENCHMARK(BM_ValueCellMiss);

// Cache inserts into the engine's fixed table, and its bytes per entry when
// that many entries are kept.
void BM_CacheInsert(benchmark::State& state) {
  const auto entries = static_cast<uint64_t>(state.range(0));
  double bytesPerEntry = 0.0;
  for (auto _ : state) {
    EvalCache cache;
    InitCache(cache);
    uint64_t key = 0x0123456789abcdULL;
    for (uint64_t n = 0; n < entries; ++n) {
      key = (key * 6364136223846793005ULL + 1442695040888963407ULL) >> 8;
      InsertValue(cache, WindowKey{key}, 0.5);
    }
    bytesPerEntry = static_cast<double>(CacheBytes(cache)) / static_cast<double>(entries);
    benchmark::DoNotOptimize(cache.slots.get());
  }
  state.counters["bytes_per_entry"] = bytesPerEntry;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * entries));
}
BENCHMARK(BM_CacheInsert)->Arg(50000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ruvex

BENCHMARK_MAIN();
