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

namespace {

// One request whose window, key text (as the asking side sees it) and exact
// key are made; key is made when keyed.
struct Request {
  EvalWindow window;
  KeyText text;
  ExactKey exact;
  WindowKey key;
  bool keyed = false;
};

void MakeRequest(const BoardGrid& board, int cx, int cy, int side, Request& request) {
  request.window = CutWindow(board, cx, cy);
  request.text = MakeKeyText(request.window, side);
  request.exact = MakeExactKey(request.text);
  request.keyed = false;
}

double Answer(Evaluator& evaluator, Request& request, int side) {
  evaluator.AnnCalls += 1;
  if (const double* front = FindFront(evaluator.cache, request.exact)) {
    evaluator.AnnCacheHits += 1;
    return *front;
  }
  if (!request.keyed) request.key = KeyOfText(request.text);
  if (const double* cached = FindValue(evaluator.cache, request.key)) {
    evaluator.AnnCacheHits += 1;
    KeepFront(evaluator.cache, request.exact, *cached);
    return *cached;
  }
  if (side != Own && side != Opponent) {
    for (int n = 0; n < 81; ++n) TraceLog("ERROR in 'Turn'");
  }
  const double value = EvaluateSigns(evaluator.network, WindowSigns(request.window, side));
  // A value the main table no longer keeps stays out of the front too, so
  // the next request for it misses just as the main table would.
  if (InsertValue(evaluator.cache, request.key, value))
    KeepFront(evaluator.cache, request.exact, value);
  return value;
}

constexpr int GroupSize = 32;  // requests whose slots are fetched together

}  // namespace

double ValueCell(Evaluator& evaluator, const BoardGrid& board, int cx, int cy, int side) {
  Request request;
  MakeRequest(board, cx, cy, side, request);
  return Answer(evaluator, request, side);
}

void ValueCells(Evaluator& evaluator, const BoardGrid& board, MoveList& list, int n, int side) {
  Request group[GroupSize];
  for (int first = 1; first <= n; first += GroupSize) {
    const int count = n - first + 1 < GroupSize ? n - first + 1 : GroupSize;
    // Ahead, in passes so that the loads of one pass overlap: windows and
    // exact keys with their front entries fetched; then the digest keys and
    // main-table slots of the windows the front does not hold now (a guess:
    // earlier requests of the group may still change the front; Answer makes
    // any key still missing).
    for (int g = 0; g < count; ++g) {
      MakeRequest(board, list[first + g].x, list[first + g].y, side, group[g]);
      PrefetchFront(evaluator.cache, group[g].exact);
    }
    const KeyText* texts[GroupSize];
    int index[GroupSize];
    int unkeyed = 0;
    for (int g = 0; g < count; ++g) {
      if (PeekFront(evaluator.cache, group[g].exact)) continue;
      texts[unkeyed] = &group[g].text;
      index[unkeyed++] = g;
    }
    WindowKey keys[GroupSize];
    KeysOfTexts(texts, unkeyed, keys);
    for (int u = 0; u < unkeyed; ++u) {
      Request& request = group[index[u]];
      request.key = keys[u];
      request.keyed = true;
      PrefetchValue(evaluator.cache, request.key);
    }
    for (int g = 0; g < count; ++g) list[first + g].value = Answer(evaluator, group[g], side);
  }
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
