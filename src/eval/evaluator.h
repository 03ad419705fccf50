// The neural evaluator's state and its one entry point for the search.
#pragma once

#include <cstdint>
#include <string>

#include "board/board.h"
#include "eval/cache.h"
#include "eval/network.h"

namespace ruvex {

struct Evaluator {
  Network network;
  EvalCache cache;
  int64_t AnnCalls = 0;      // ValueCell requests
  int64_t AnnCacheHits = 0;  // requests answered from the cache
};

// A fresh evaluator: empty network, an empty cache of EvalCacheSlots slots
// (its memory from pages), counters 0.
void InitEvaluator(Evaluator& evaluator, const PageAllocator& pages = SystemHost().pages);

// Network value (output 1) of the cell (cx, cy) of board for side (Own or
// Opponent), through the 9 x 9 window, its key and the cache.
double ValueCell(Evaluator& evaluator, const BoardGrid& board, int cx, int cy, int side);

// ValueCell of the cells of entries 1..n of list for side, each value into
// its entry, in list order: the same values, counters and cache contents as
// n calls of ValueCell. The windows' keys are made ahead in small groups and
// their main-table slots fetched together, so that the lookups do not wait
// for main memory one after the other.
void ValueCells(Evaluator& evaluator, const BoardGrid& board, MoveList& list, int n, int side);

// "ANNCalls: n", "ANN Cache Hits: h  p%", "ANN Cache Size: n".
std::string AnnCallsText(const Evaluator& evaluator);
std::string AnnCacheHitsText(const Evaluator& evaluator);
std::string AnnCacheSizeText(const Evaluator& evaluator);

}  // namespace ruvex
