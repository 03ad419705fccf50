// Shared set-up for the search tests: evaluators with known values, boards,
// hand-built trees, and a host whose clock, memory probe and pages are scripted.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "board/board.h"
#include "eval/evaluator.h"
#include "eval/window.h"
#include "platform/host.h"
#include "search/node_store.h"
#include "search/state.h"

namespace ruvex::testing {

constexpr uint64_t MiB = 1048576;

// Makes value the network value of cell (x, y) of board for Own by placing it
// in the cache under the cell's window key.
inline void SetValue(Evaluator& evaluator, const BoardGrid& board, int x, int y, double value) {
  InsertValue(evaluator.cache, MakeWindowKey(CutWindow(board, x, y), Own), value);
}

struct Stone {
  int x, y;
  int8_t side;
};

// A cleared board holding the stones.
inline BoardGrid Board(std::initializer_list<Stone> stones) {
  BoardGrid board;
  ClearBoard(board);
  for (const Stone& s : stones) board(s.x, s.y) = s.side;
  return board;
}

// Appends children at the cells to parent as one batch, the way an expansion
// does (consecutive IDs, other side to move). Returns the first child's ID.
inline int32_t AddChildren(NodeStore& store, int32_t parent, const std::vector<Cell>& cells) {
  const auto k = static_cast<int32_t>(cells.size());
  EXPECT_TRUE(ReserveNodes(store, k));
  const int32_t first = store.NodeCount + 1;
  SearchNode& p = Node(store, parent);
  std::tie(p.ChildCount, p.children) = std::tuple(k, ChildList{first, k});
  for (int32_t i = 0; i < k; ++i) {
    SearchNode& c = Node(store, first + i);
    std::tie(c.ParentID, c.turn, c.location) = std::tuple(parent, Other(p.turn), cells[i]);
  }
  store.NodeCount += k;
  return first;
}

// System pages, of which at most `limit` allocations are held at once; past
// that an allocation fails as when memory runs out.
struct PageLimit {
  std::size_t limit = 0;
  std::size_t held = 0;
};

inline PageAllocator LimitedPages(PageLimit& pages) {
  const PageAllocator system = SystemHost().pages;
  return PageAllocator{[&pages, system](std::size_t bytes) -> void* {
                         if (pages.held >= pages.limit) return nullptr;
                         void* memory = system.allocate(bytes);
                         if (memory != nullptr) ++pages.held;
                         return memory;
                       },
                       [&pages, system](void* memory, std::size_t bytes) {
                         if (memory != nullptr) --pages.held;
                         system.release(memory, bytes);
                       }};
}

// A fresh search and an evaluator whose 81-2-2 network has all weights 0
// (every window not in the cache is valued 0.5, score 90), on a host whose
// clock and memory probe read the scripts `times` and `memory` (each read
// takes the next value, the last one repeats). After 100000 clock reads the
// clock jumps a year ahead, so a search that fails to stop ends.
class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    search = SearchState{};
    times = {0};
    memory = {0};
    timeReads = memoryReads = 0;
    host = SystemHost();
    host.clock = [this] {
      if (timeReads >= 100000) return int64_t{1} << 35;
      return times[std::min(timeReads++, times.size() - 1)];
    };
    host.memory = [this] { return memory[std::min(memoryReads++, memory.size() - 1)]; };
    InitSearch(search, host);
    InitEvaluator(evaluator);
    CreateNetwork(evaluator.network, InputCount, 2, OutputCount);
  }
  // Node 0 as the root of a search on board.
  void Root(const BoardGrid& board) {
    ResetTree(search.store);
    search.store.baseBoard = board;
    std::tie(N(0).turn, N(0).RootFlag) = std::tuple(Own, 1);
  }
  SearchNode& N(int32_t id) { return Node(search.store, id); }
  BoardGrid Position(int32_t id) {
    BoardGrid board;
    NodePosition(search.store, id, board);
    return board;
  }
  // One field of each of the nodes.
  template <typename T>
  std::vector<T> Of(T SearchNode::*field, std::initializer_list<int32_t> ids) {
    std::vector<T> values;
    for (const int32_t id : ids) values.push_back(N(id).*field);
    return values;
  }

  Evaluator evaluator;
  std::vector<int64_t> times;
  std::vector<uint64_t> memory;
  std::size_t timeReads = 0;
  std::size_t memoryReads = 0;
  Host host;
  SearchState search;
};

}  // namespace ruvex::testing
