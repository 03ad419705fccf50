#include "search/driver.h"

#include "board/forced.h"
#include "platform/memory.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "search/expand.h"
#include "search/root.h"
#include "search/select.h"
#include "search/timing.h"

namespace ruvex {

namespace {

constexpr Cell Centre{11, 11};
constexpr Cell NoCell{0, 0};

bool IsOpen(const BoardGrid& game, Cell cell) {
  return IsPlayable(cell.x, cell.y) && game(cell.x, cell.y) == Empty;
}

// The centre when it is empty, else the first empty playable cell in scan
// order, else NoCell (the board is full).
Cell FirstOpenCell(const BoardGrid& game) {
  if (IsOpen(game, Centre)) return Centre;
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      if (game(x, y) == Empty) return Cell{x, y};
    }
  }
  return NoCell;
}

bool FindsFive(BoardGrid& game, MoveList& list, int side) {
  ResetList(list);
  FindWinningMove(game, list, side);
  return list[0].score >= 1 && list[1].score == WinScore;
}

// The root child at cell, 0 when the root has none.
int32_t ChildAt(const NodeStore& store, Cell cell) {
  const SearchNode& root = Node(store, store.RootId);
  for (int32_t i = 1; i <= root.ChildCount; ++i) {
    if (Node(store, root.children[i]).location == cell) return root.children[i];
  }
  return 0;
}

// The move without a search: the first entry of a fresh expansion of the
// game board, else FirstOpenCell.
Cell FirstChoice(const SearchState& search, Evaluator& evaluator, BoardGrid& game) {
  MoveList list;
  ExpandCandidates(search.tuning, evaluator, game, list, 1, Own);
  return list[0].score >= 1 ? Cell{list[1].x, list[1].y} : FirstOpenCell(game);
}

void TraceStatistics(SearchState& search, const Evaluator& evaluator, const TurnInfo& turn,
                     const TurnClock& lastCheck, Cell move, float finalUcb) {
  const Host& host = *search.host;
  TraceLog("GameRunningTime " + FormatInt(search.GameRunningTime));
  TraceLog("ElapsedMilliseconds " + FormatInt(host.clock()));
  TraceLog("msRemainingGameTime " + FormatInt(lastCheck.remainingMatch));
  const int64_t elapsed = SaturatingSub(host.clock(), turn.TurnStartTime);
  TraceLog("msRemainingTurnTime " + FormatInt(SaturatingSub(turn.TurnTimeLimit, elapsed)));
  TraceLog("Tree Size " + FormatInt(search.store.NodeCount));
  TraceLog("Location: " + GridText(move) + " Final UCB: " + FormatFloat(finalUcb));
  TraceLog(AnnCallsText(evaluator));
  TraceLog(AnnCacheHitsText(evaluator));
  TraceLog(AnnCacheSizeText(evaluator));
  const float megabytes = static_cast<float>(host.memory()) / 1048576.0f;
  TraceLog("Memory Usage: " + FormatFloat(megabytes, 0) + " MB");
}

// Ends a search: the best root child becomes the root and is the move. When
// the search gives no playable child, the first choice is the move and, if
// the root has a child there, that child becomes the root.
void FinishSearch(SearchState& search, Evaluator& evaluator, BoardGrid& game, const TurnInfo& turn,
                  const TurnClock& lastCheck, SearchResult& result) {
  NodeStore& store = search.store;
  const int32_t root = store.RootId;
  const int32_t chosen = ChooseMove(store);
  result.elapsed = SaturatingSub(search.host->clock(), turn.TurnStartTime);
  search.GameRunningTime += result.elapsed;

  if (chosen != 0 && IsOpen(game, Node(store, chosen).location)) {
    result.cell = Node(store, chosen).location;
    result.decidedBy = DecidedBy::Search;
  } else {
    // No child, no visited child, or a child from an older position whose
    // cell is taken on the game board.
    store.RootId = root;
    result.cell = FirstChoice(search, evaluator, game);
    result.decidedBy = DecidedBy::Fallback;
    if (result.cell != NoCell) {
      if (const int32_t child = ChildAt(store, result.cell); child != 0) store.RootId = child;
    }
  }

  if (TraceActive()) {
    const SearchNode& node = Node(store, store.RootId);
    const float ucb = store.RootId != root && node.location == result.cell ? node.UCB1_Score : 0.0f;
    TraceStatistics(search, evaluator, turn, lastCheck, result.cell, ucb);
  }
}

// The turn's move, not yet written on the game board; NoCell on a full board.
SearchResult DecideMove(SearchState& search, Evaluator& evaluator, BoardGrid& game,
                        const TurnInfo& turn) {
  NodeStore& store = search.store;
  SearchResult result;
  MoveList list;
  if (FindsFive(game, list, Own)) {
    TraceLog("We Won!");
    result.cell = Cell{list[1].x, list[1].y};
    result.decidedBy = DecidedBy::OwnFive;
    return result;
  }
  if (FindsFive(game, list, Opponent)) {
    TraceLog("STOP LOSS!");
    PrepareRoot(search, game, turn.OpponentLastMove);
    result.cell = Cell{list[1].x, list[1].y};
    result.decidedBy = DecidedBy::Block;
    if (const int32_t child = ChildAt(store, result.cell); child != 0) store.RootId = child;
    return result;
  }

  PrepareRoot(search, game, turn.OpponentLastMove);
  store.Exhausted = false;
  int32_t recordedCount = 0;
  TurnClock clock;
  for (;;) {
    clock = ReadTurnClock(search.host->clock(), turn.TurnStartTime, turn.TurnTimeLimit,
                          turn.MatchTimeLimit, search.GameRunningTime);
    result.stop = DecideTime(search.HurryMode != 0, turn.TurnTimeLimit, clock);
    if (result.stop == StopReason::HurryMode || result.stop == StopReason::MatchNearlySpent) {
      result.cell = FirstChoice(search, evaluator, game);
      result.decidedBy = DecidedBy::Hurry;
      result.elapsed = clock.elapsed;
      TraceLog("Go Kalder!");
      search.HurryMode = 1;
      return result;
    }
    if (result.stop == StopReason::MatchShort) {
      SelectNode(search, evaluator, store.RootId, 1);  // one more, with the values it had
      ++result.iterations;
      search.tuning = ShortMatchTuning;
      break;
    }
    if (result.stop == StopReason::MatchLow) {
      search.tuning = LowMatchTuning;
      break;
    }
    if (result.stop != StopReason::None) break;

    SelectNode(search, evaluator, store.RootId, 1);
    ++result.iterations;
    if (store.Exhausted) {
      TraceLog("Memory limit hit !");
      result.stop = StopReason::StoreExhausted;
      break;
    }
    if (result.iterations % GrowthCheckInterval == 0) {
      if (store.NodeCount == recordedCount) {
        TraceLog("Search Complete");
        result.stop = StopReason::Complete;
        break;
      }
      if (search.host->memory() / BytesPerMegabyte > SearchMemoryMegabytes) {
        TraceLog("Memory limit hit !");
        result.stop = StopReason::Memory;
        break;
      }
      recordedCount = store.NodeCount;
    }
  }
  FinishSearch(search, evaluator, game, turn, clock, result);
  return result;
}

}  // namespace

void StartSearchGame(SearchState& search) {
  search.HurryMode = 0;
  search.GameRunningTime = 0;
  search.tuning = StartTuning;
  ResetTree(search.store);
}

SearchResult SearchMove(SearchState& search, Evaluator& evaluator, BoardGrid& game,
                        const TurnInfo& turn) {
  const int64_t calls = evaluator.AnnCalls;
  const int64_t hits = evaluator.AnnCacheHits;
  SearchResult result = DecideMove(search, evaluator, game, turn);
  if (result.cell == NoCell) {
    result.cell = Centre;  // a full board: nothing to write
  } else {
    game(result.cell.x, result.cell.y) = Own;
  }
  result.nodes = search.store.NodeCount;
  result.cacheCalls = evaluator.AnnCalls - calls;
  result.cacheHits = evaluator.AnnCacheHits - hits;
  return result;
}

}  // namespace ruvex
