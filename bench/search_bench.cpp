// Search bench: fixed positions searched for a fixed number of iterations
// (the clock is scripted, so the wall clock never decides anything), with
// network weights generated in-process from a fixed seed, so the figures do
// not move when data/brain.map is retrained.
//
// Usage: ruvex_searchbench [iterations per position, default 3000]
//
// Prints per position and in total: iterations per second, nodes created,
// bytes per node, ValueCell calls per second, cache hit rate, and a
// signature (total nodes and a hash of every chosen move and counter) that
// changes only when the search's behaviour changes.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "board/board.h"
#include "eval/evaluator.h"
#include "eval/network.h"
#include "platform/memory.h"
#include "search/driver.h"
#include "search/node_store.h"

namespace ruvex {
namespace {

constexpr int HiddenUnits = 100;
constexpr uint64_t WeightSeed = 0x5eed2024u;

// Weights uniform in [-0.25, 0.25) from a 64-bit LCG: reproducible on every
// platform, and wide enough for values on both sides of the 0.35 cut.
void FillWeights(Network& network) {
  uint64_t state = WeightSeed;
  auto next = [&state] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) / 9007199254740992.0 * 0.5 - 0.25;
  };
  for (double& w : network.W1) w = next();
  for (double& w : network.W2) w = next();
}

struct Position {
  const char* name;
  std::vector<std::pair<Cell, int8_t>> stones;
  Cell lastOpponent;
};

std::vector<Position> Positions() {
  return {
      {"opening", {{{11, 11}, Own}, {{10, 12}, Opponent}}, {10, 12}},
      {"early",
       {{{11, 11}, Own},
        {{10, 12}, Opponent},
        {{12, 12}, Own},
        {{10, 10}, Opponent},
        {{12, 10}, Own},
        {{10, 11}, Opponent}},
       {10, 11}},
      {"middle",
       {{{11, 11}, Own},
        {{10, 12}, Opponent},
        {{12, 12}, Own},
        {{10, 10}, Opponent},
        {{12, 10}, Own},
        {{10, 11}, Opponent},
        {{10, 13}, Own},
        {{13, 13}, Opponent},
        {{9, 12}, Own},
        {{11, 9}, Opponent},
        {{13, 11}, Own},
        {{14, 12}, Opponent},
        {{11, 13}, Own},
        {{8, 13}, Opponent}},
       {8, 13}},
      {"edge",
       {{{1, 1}, Opponent},
        {{2, 2}, Own},
        {{1, 3}, Opponent},
        {{3, 1}, Own},
        {{20, 20}, Opponent},
        {{19, 19}, Own},
        {{20, 18}, Opponent}},
       {20, 18}},
  };
}

struct Result {
  int64_t iterations = 0;
  int32_t nodes = 0;
  int64_t annCalls = 0;
  int64_t annHits = 0;
  double seconds = 0.0;
  Cell move;
  uint64_t storeBytes = 0;
  uint64_t residentWithTree = 0;  // bytes, after the search
  uint64_t residentDropped = 0;   // bytes, after ResetTree with the cache still alive
};

uint64_t Mix(uint64_t hash, uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    hash ^= (value >> (8 * i)) & 0xffu;
    hash *= 1099511628211u;
  }
  return hash;
}

Result SearchPosition(const Position& position, int64_t iterations) {
  Evaluator evaluator;
  InitEvaluator(evaluator);
  CreateNetwork(evaluator.network, InputCount, HiddenUnits, OutputCount);
  FillWeights(evaluator.network);
  IndexWeights(evaluator.network);  // as the loader does for brain.map

  // Elapsed 0 for every time check of the wanted iterations, then 9000 ms:
  // with no match limit and a long turn limit, the 8 s bound ends the search.
  int64_t reads = 0;
  Host host = SystemHost();
  host.clock = [&reads, iterations] { return reads++ < iterations ? int64_t{0} : int64_t{9000}; };
  host.memory = [] { return uint64_t{0}; };
  SearchState search;
  InitSearch(search, host);

  BoardGrid game;
  ClearBoard(game);
  for (const auto& [cell, side] : position.stones) game(cell.x, cell.y) = side;
  TurnInfo turn;
  turn.TurnTimeLimit = 1000000;
  turn.TurnStartTime = 0;
  turn.OpponentLastMove = position.lastOpponent;

  const auto start = std::chrono::steady_clock::now();
  Result result;
  result.move = SearchMove(search, evaluator, game, turn).cell;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.iterations = Node(search.store, 0).Visits;
  result.nodes = search.store.NodeCount;
  result.annCalls = evaluator.AnnCalls;
  result.annHits = evaluator.AnnCacheHits;
  result.storeBytes = StoreBytes(search.store);
  result.residentWithTree = MemoryUsage();
  ResetTree(search.store);
  result.residentDropped = MemoryUsage();
  return result;
}

// How much of the tree's memory the process gives back when the tree is
// dropped: resident size with a grown tree, then after ResetTree.
void TreeDropReport() {
  NodeStore store;
  ResetTree(store);
  const uint64_t before = MemoryUsage();
  for (int32_t i = 0; i < 200000; i += 14) {
    ReserveNodes(store, 14);
    for (int32_t k = 1; k <= 14; ++k) Node(store, store.NodeCount + k).S_Score = 1;
    store.NodeCount += 14;
  }
  const uint64_t grown = MemoryUsage();
  ResetTree(store);
  const uint64_t dropped = MemoryUsage();
  std::printf("tree drop: resident %.1f MiB, with %d nodes %.1f MiB, after ResetTree %.1f MiB\n",
              static_cast<double>(before) / 1048576.0, 200004,
              static_cast<double>(grown) / 1048576.0, static_cast<double>(dropped) / 1048576.0);
}

}  // namespace
}  // namespace ruvex

int main(int argc, char** argv) {
  using namespace ruvex;
  const int64_t iterations = argc > 1 ? std::atoll(argv[1]) : 3000;
  std::printf("search bench: %lld iterations per position, weights 81-%d-2 from seed %llx\n",
              static_cast<long long>(iterations), HiddenUnits,
              static_cast<unsigned long long>(WeightSeed));
  std::printf("%-8s %6s %8s %9s %9s %11s %8s %6s  %s\n", "position", "move", "iters", "nodes",
              "iters/s", "ValueCell/s", "hit %", "ms", "RSS MiB tree/dropped");
  Result total;
  uint64_t hash = 14695981039346656037u;
  for (const Position& position : Positions()) {
    const Result r = SearchPosition(position, iterations);
    // The move in the protocol's 0-based coordinates, as the hash has always taken it.
    const std::string move = std::to_string(r.move.x - 1) + "," + std::to_string(r.move.y - 1);
    std::printf(
        "%-8s %6s %8lld %9d %9.0f %11.0f %8.1f %6.0f  %.1f/%.1f\n", position.name, move.c_str(),
        static_cast<long long>(r.iterations), r.nodes,
        static_cast<double>(r.iterations) / r.seconds, static_cast<double>(r.annCalls) / r.seconds,
        r.annCalls > 0 ? 100.0 * static_cast<double>(r.annHits) / static_cast<double>(r.annCalls)
                       : 0.0,
        r.seconds * 1000.0, static_cast<double>(r.residentWithTree) / 1048576.0,
        static_cast<double>(r.residentDropped) / 1048576.0);
    total.iterations += r.iterations;
    total.nodes += r.nodes;
    total.annCalls += r.annCalls;
    total.annHits += r.annHits;
    total.seconds += r.seconds;
    hash = Mix(hash, static_cast<uint64_t>(r.nodes));
    hash = Mix(hash, static_cast<uint64_t>(r.iterations));
    hash = Mix(hash, static_cast<uint64_t>(r.annCalls));
    hash = Mix(hash, static_cast<uint64_t>(r.annHits));
    for (const char c : move) hash = Mix(hash, static_cast<uint64_t>(c));
  }
  std::printf("total: %lld iterations in %.3f s = %.0f iterations/s; %d nodes = %.0f nodes/s\n",
              static_cast<long long>(total.iterations), total.seconds,
              static_cast<double>(total.iterations) / total.seconds, total.nodes,
              static_cast<double>(total.nodes) / total.seconds);
  std::printf("ValueCell: %lld calls = %.0f calls/s, cache hit rate %.1f%%\n",
              static_cast<long long>(total.annCalls),
              static_cast<double>(total.annCalls) / total.seconds,
              100.0 * static_cast<double>(total.annHits) / static_cast<double>(total.annCalls));
  std::printf("bytes per node: %zu (the record; nodes hold no board)\n", sizeof(SearchNode));
  std::printf("signature: nodes %d, hash %016llx\n", total.nodes,
              static_cast<unsigned long long>(hash));
  TreeDropReport();
  return 0;
}
