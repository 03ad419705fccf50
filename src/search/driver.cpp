#include "search/driver.h"

#include "board/forced.h"
#include "search/expand.h"
#include "search/root.h"
#include "search/select.h"
#include "search/timing.h"
#include "platform/memory.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace ruvex {

namespace {

constexpr uint64_t SearchMemoryMegabytes = 310;
constexpr int32_t GrowthCheckInterval = 100;
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

// Writes Own at the cell and returns its protocol text. A full board has no
// cell to play: the text is then "10,10" and nothing is written.
std::string Play(BoardGrid& game, Cell cell) {
  if (cell == NoCell) return MoveText(Centre.x, Centre.y);
  game(cell.x, cell.y) = Own;
  return MoveText(cell.x, cell.y);
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

// The move when the search gives none: the first entry of a fresh expansion
// of the game board (what a HurryMode answer plays), else FirstOpenCell.
Cell FallbackCell(const SearchState& search, Evaluator& evaluator, BoardGrid& game) {
  MoveList list;
  ExpandCandidates(search, evaluator, game, list, 1, Own);
  if (list[0].score >= 1) return Cell{list[1].x, list[1].y};
  return FirstOpenCell(game);
}

std::string HurryAnswer(SearchState& search, Evaluator& evaluator, BoardGrid& game) {
  MoveList list;
  ExpandCandidates(search, evaluator, game, list, 1, Own);
  TraceLog("Go Kalder!");
  search.HurryMode = 1;
  return Play(game, list[0].score >= 1 ? Cell{list[1].x, list[1].y} : FirstOpenCell(game));
}

void TraceStatistics(SearchState& search, const Evaluator& evaluator, const TurnInfo& turn,
                     const TurnClock& lastCheck, Cell move, float finalUcb) {
  TraceLog("GameRunningTime " + FormatInt(search.GameRunningTime));
  TraceLog("ElapsedMilliseconds " + FormatInt(search.probes.elapsed()));
  TraceLog("msRemainingGameTime " + FormatInt(lastCheck.remainingMatch));
  const int64_t elapsed = SaturatingSub(search.probes.elapsed(), turn.TurnStartTime);
  TraceLog("msRemainingTurnTime " + FormatInt(SaturatingSub(turn.TurnTimeLimit, elapsed)));
  TraceLog("Tree Size " + FormatInt(search.store.NodeCount));
  TraceLog("Location: " + FormatInt(move.x) + "," + FormatInt(move.y) +
           " Final UCB: " + FormatFloat(finalUcb));
  TraceLog(AnnCallsText(evaluator));
  TraceLog(AnnCacheHitsText(evaluator));
  TraceLog(AnnCacheSizeText(evaluator));
  const float megabytes = static_cast<float>(search.probes.memory()) / 1048576.0f;
  TraceLog("Memory Usage: " + FormatFloat(megabytes, 0) + " MB");
}

// Ends a search: the best root child becomes the root and is played. When
// the search gives no playable child, the fallback cell is played and, if
// the root has a child there, that child becomes the root.
std::string FinishSearch(SearchState& search, Evaluator& evaluator, BoardGrid& game,
                         const TurnInfo& turn, const TurnClock& lastCheck) {
  NodeStore& store = search.store;
  const int32_t root = store.RootId;
  const int32_t chosen = ChooseMove(store);
  search.GameRunningTime += SaturatingSub(search.probes.elapsed(), turn.TurnStartTime);

  Cell move = NoCell;
  if (chosen != 0 && IsOpen(game, Node(store, chosen).location)) {
    move = Node(store, chosen).location;
  } else {
    // No child, no visited child, or a child from an older position whose
    // cell is taken on the game board.
    store.RootId = root;
    move = FallbackCell(search, evaluator, game);
    if (move != NoCell) {
      if (const int32_t child = ChildAt(store, move); child != 0) store.RootId = child;
    }
  }

  if (TraceActive()) {
    const SearchNode& node = Node(store, store.RootId);
    const float ucb = store.RootId != root && node.location == move ? node.UCB1_Score : 0.0f;
    TraceStatistics(search, evaluator, turn, lastCheck, move, ucb);
  }
  return Play(game, move);
}

}  // namespace

std::string MoveText(int x, int y) {
  return FormatInt(x - 1) + "," + FormatInt(y - 1);
}

std::string SearchMove(SearchState& search, Evaluator& evaluator, BoardGrid& game,
                       const TurnInfo& turn) {
  NodeStore& store = search.store;
  MoveList list;
  if (FindsFive(game, list, Own)) {
    TraceLog("We Won!");
    return Play(game, Cell{list[1].x, list[1].y});
  }
  if (FindsFive(game, list, Opponent)) {
    TraceLog("STOP LOSS!");
    PrepareRoot(search, game, turn.OpponentLastMove);
    const Cell block{list[1].x, list[1].y};
    if (const int32_t child = ChildAt(store, block); child != 0) store.RootId = child;
    return Play(game, block);
  }

  PrepareRoot(search, game, turn.OpponentLastMove);
  store.Exhausted = false;
  int64_t iterations = 0;
  int32_t recordedCount = 0;
  TurnClock clock;
  for (;;) {
    clock = ReadTurnClock(search.probes.elapsed(), turn.TurnStartTime, turn.TurnTimeLimit,
                          turn.MatchTimeLimit, search.GameRunningTime);
    const TimeDecision decision = DecideTime(search.HurryMode != 0, turn.TurnTimeLimit, clock);
    if (decision == TimeDecision::Hurry) return HurryAnswer(search, evaluator, game);
    if (decision == TimeDecision::EndAfterExtra) {
      SelectNode(search, evaluator, store.RootId, 1);
      search.DepthLimit = 6;
      search.MaxChildren = 4;
      search.MinChildren = 3;
      break;
    }
    if (decision == TimeDecision::EndLowered) {
      search.DepthLimit = 7;
      search.MaxChildren = 6;
      search.MinChildren = 4;
      break;
    }
    if (decision == TimeDecision::End) break;

    SelectNode(search, evaluator, store.RootId, 1);
    ++iterations;
    if (store.Exhausted) {
      TraceLog("Memory limit hit !");
      break;
    }
    if (iterations % GrowthCheckInterval == 0) {
      if (store.NodeCount == recordedCount) {
        TraceLog("Search Complete");
        break;
      }
      if (search.probes.memory() / BytesPerMegabyte > SearchMemoryMegabytes) {
        TraceLog("Memory limit hit !");
        break;
      }
      recordedCount = store.NodeCount;
    }
  }
  return FinishSearch(search, evaluator, game, turn, clock);
}

}  // namespace ruvex
