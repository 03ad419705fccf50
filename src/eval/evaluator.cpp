#include "eval/evaluator.h"

#include <limits>

#include "eval/window.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace ruvex {

void InitEvaluator(Evaluator& evaluator, const PageAllocator& pages) {
  evaluator.network = Network{};
  InitCache(evaluator.cache, EvalCacheSlots, pages);
  evaluator.AnnCalls = 0;
  evaluator.AnnCacheHits = 0;
}

double ValueCell(Evaluator& evaluator, const BoardGrid& board, int cx, int cy, int side) {
  evaluator.AnnCalls += 1;
  const EvalWindow window = CutWindow(board, cx, cy);
  const WindowKey key = MakeWindowKey(window, side);
  if (const double* cached = FindValue(evaluator.cache, key)) {
    evaluator.AnnCacheHits += 1;
    return *cached;
  }
  if (side != Own && side != Opponent) {
    for (int n = 0; n < 81; ++n) TraceLog("ERROR in 'Turn'");
  }
  const std::array<double, 81> inputs = EncodeWindow(window, side);
  const double value = Evaluate(evaluator.network, inputs)[1];
  InsertValue(evaluator.cache, key, value);
  return value;
}

std::string AnnCallsText(const Evaluator& evaluator) {
  return "ANNCalls: " + FormatInt(evaluator.AnnCalls);
}

std::string AnnCacheHitsText(const Evaluator& evaluator) {
  const double share = evaluator.AnnCalls == 0
                           ? std::numeric_limits<double>::quiet_NaN()
                           : static_cast<double>(evaluator.AnnCacheHits) /
                                 static_cast<double>(evaluator.AnnCalls) * 100.0;
  return "ANN Cache Hits: " + FormatInt(evaluator.AnnCacheHits) + "  " + FormatDouble(share, 1) +
         "%";
}

std::string AnnCacheSizeText(const Evaluator& evaluator) {
  return "ANN Cache Size: " + FormatInt(static_cast<int64_t>(CacheEntryCount(evaluator.cache)));
}

}  // namespace ruvex
