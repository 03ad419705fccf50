#include "search/root.h"

#include <cmath>
#include <limits>
#include <string>

#include "platform/memory.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace ruvex {

namespace {

constexpr uint64_t TreeDropMegabytes = 180;

std::string PlayText(const char* head, const SearchNode& node) {
  return head + GridText(node.location) + " visits: " + FormatInt(node.Visits) + " ucb " +
         FormatFloat(node.UCB1_Score, 3) + ")  (Average: " + FormatFloat(AverageOf(node), 2);
}

// Equal on every playable cell (frame and margin are not part of a position).
bool SamePosition(const BoardGrid& a, const BoardGrid& b) {
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      if (a(x, y) != b(x, y)) return false;
    }
  }
  return true;
}

}  // namespace

std::string GridText(Cell cell) {
  return FormatInt(cell.x) + "," + FormatInt(cell.y);
}

float AverageOf(const SearchNode& node) {
  if (node.Visits == 0) return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(static_cast<double>(node.Total) / node.Visits);
}

void PrepareRoot(SearchState& search, const BoardGrid& game, Cell opponentLastMove) {
  NodeStore& store = search.store;
  if (store.RootId != store.NodeCount) {
    const SearchNode& root = Node(store, store.RootId);
    int32_t found = 0;
    for (int32_t i = 1; i <= root.ChildCount; ++i) {
      const int32_t c = root.children[i];
      const SearchNode& child = Node(store, c);
      if (TraceActive())
        TraceLog(PlayText("Checked Play: ", child) + " ANN: " + FormatInt(child.S_Score));
      // Only a move of the opponent can follow the engine's move: a child the
      // engine itself would play (turn Opponent) belongs to an older position.
      // A terminal node ended a game and can never be expanded; it is reached
      // only when a new game starts where the last one ended.
      if (child.location == opponentLastMove && child.turn == Own && child.isTerminal != 1) {
        found = c;
        break;
      }
    }
    // The reply's subtree is only worth keeping for the game's own position:
    // a subtree of another position (a new game, or stones set by a BOARD
    // block since) would have its nodes valued on the wrong boards.
    if (found != 0) {
      BoardGrid position;
      NodePosition(store, found, position);
      if (!SamePosition(position, game)) found = 0;
    }
    if (found != 0) {
      store.RootId = found;
      const SearchNode& kept = Node(store, found);
      if (TraceActive())
        TraceLog(PlayText("Actual Play: ", kept) + " Rollout: " + FormatInt(kept.RolloutScore));
    } else {
      TraceLog("Blind Sided!! " + GridText(opponentLastMove));
      TraceLog("Child Count:" + FormatInt(root.ChildCount));
      TraceLog("Root: " + FormatInt(store.RootId));
      ResetTree(store);
    }
  } else if (store.NodeCount > 0 || Node(store, store.RootId).ChildCount != 0) {
    // The root is the newest node, so it has no children; or the tree is
    // only node 0, marked dead by a search on an earlier board without
    // candidates (an empty board), which would poison every later search.
    ResetTree(store);
  }

  if (search.host->memory() / BytesPerMegabyte > TreeDropMegabytes) {
    TraceLog("Mem limit, dropping graph");
    ResetTree(store);
  }

  SearchNode& root = Node(store, store.RootId);
  root.turn = Own;
  root.RootFlag = 1;
  store.baseId = store.RootId;
  store.baseBoard = game;
}

int32_t ChooseMove(NodeStore& store) {
  const SearchNode& root = Node(store, store.RootId);
  const int32_t k = root.ChildCount;
  if (k == 0) TraceLog("no children, play root, or forced place score, game end?");
  float best = -1000000.0f;
  int32_t chosen = 0;
  for (int32_t i = 1; i <= k; ++i) {
    const int32_t c = root.children[i];
    const SearchNode& child = Node(store, c);
    if (TraceActive()) {
      TraceLog("Location: " + GridText(child.location) +
               "  (UCB: " + FormatFloat(child.UCB1_Score, 2) +
               ")  (Average: " + FormatFloat(AverageOf(child), 2) +
               ")  (ANN: " + FormatInt(child.S_Score) + ")  (Visits: " + FormatInt(child.Visits) +
               ")  (Total: " + FormatInt(static_cast<int64_t>(std::nearbyint(child.Total))) + ")");
    }
    if (child.Visits <= 0) continue;  // no average to compare
    const float avg = AverageOf(child);
    if (avg > best) {
      best = avg;
      chosen = c;
    }
  }
  if (chosen != 0) store.RootId = chosen;
  return chosen;
}

}  // namespace ruvex
