// Shared set-up for the search tests: evaluators with known values, boards,
// hand-built trees, scripted clock and memory probes, and a trace recorder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "eval/cache.h"
#include "eval/evaluator.h"
#include "eval/network.h"
#include "eval/window.h"
#include "platform/trace.h"
#include "search/node_store.h"
#include "search/state.h"

namespace ruvex::testing {

constexpr uint64_t MiB = 1048576;
using Lines = std::vector<std::string>;

// A fresh evaluator with an 81-2-2 network whose weights are all 0: every
// window that is not in the cache is valued 0.5 (score 90).
inline void MakeZeroEvaluator(Evaluator& evaluator) {
  InitEvaluator(evaluator);
  CreateNetwork(evaluator.network, InputCount, 2, OutputCount);
}

// Makes value the network value of cell (x, y) of board by placing it in the
// cache under the cell's window key.
inline void SetValue(Evaluator& evaluator, const BoardGrid& board, int x, int y, double value) {
  const WindowKey key = MakeWindowKey(CutWindow(board, x, y));
  ASSERT_EQ(FindValue(evaluator.cache, key), nullptr) << x << "," << y << " already valued";
  InsertValue(evaluator.cache, key, value);
}

struct Stone {
  int x;
  int y;
  int8_t side;
};

// A cleared board holding the stones.
inline BoardGrid Board(std::initializer_list<Stone> stones) {
  BoardGrid board;
  ClearBoard(board);
  for (const Stone& s : stones) board(s.x, s.y) = s.side;
  return board;
}

// Own four at (10, 5)..(10, 8) and Opponent four at (5, 5)..(5, 8): Own
// completes five first at (10, 4), Opponent at (5, 4).
inline BoardGrid TwoFours() {
  BoardGrid board = Board({});
  for (int y = 5; y <= 8; ++y) board(10, y) = Own, board(5, y) = Opponent;
  return board;
}

// Appends children at the cells to parent as one batch, the way an expansion
// does (consecutive IDs, parent board plus the parent's stone, other side to
// move). Returns the first child's ID.
inline int32_t AddChildren(NodeStore& store, int32_t parent, const std::vector<Cell>& cells) {
  const auto k = static_cast<int32_t>(cells.size());
  EXPECT_TRUE(ReserveNodes(store, k));
  const int32_t first = store.NodeCount + 1;
  SearchNode& p = Node(store, parent);
  p.ChildCount = k;
  p.children = ChildList{first, k};
  for (int32_t i = 0; i < k; ++i) {
    SearchNode& c = Node(store, first + i);
    c.ParentID = parent;
    c.turn = Other(p.turn);
    c.board = p.board;
    c.board(cells[i].x, cells[i].y) = static_cast<int8_t>(p.turn);
    c.location = cells[i];
  }
  store.NodeCount += k;
  return first;
}

// Clock and memory readings given in advance. Each read takes the next
// value; once the script is used up the last value repeats.
struct ScriptedProbes {
  std::vector<int64_t> times{0};
  std::vector<uint64_t> memory{0};
  std::size_t timeReads = 0;
  std::size_t memoryReads = 0;
};

// A host whose clock and memory probe read the script. After 100000 clock
// reads the clock jumps a year ahead, so a search that fails to stop ends
// instead of hanging the test.
inline Host ScriptedHost(ScriptedProbes& script) {
  Host host = SystemHost();
  host.clock = [&script] {
    if (script.timeReads >= 100000) return int64_t{1} << 35;
    return script.times[std::min(script.timeReads++, script.times.size() - 1)];
  };
  host.memory = [&script] {
    return script.memory[std::min(script.memoryReads++, script.memory.size() - 1)];
  };
  return host;
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

// Records every TraceLog line while it lives.
class TraceRecorder {
 public:
  TraceRecorder()
      : previous_(SetTraceSink([this](std::string_view l) { lines.emplace_back(l); })) {}
  ~TraceRecorder() { SetTraceSink(previous_); }
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  // Lines equal to text, or starting with it when prefix is set.
  int Count(std::string_view text, bool prefix = false) const {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return prefix ? l.starts_with(text) : l == text;
    }));
  }

  Lines lines;

 private:
  TraceSink previous_;
};

// A fresh search with a zero-network evaluator and scripted probes; the store
// is as at process start until Root is called.
class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    search = SearchState{};
    probes = ScriptedProbes{};
    host = ScriptedHost(probes);
    InitSearch(search, host);
    MakeZeroEvaluator(evaluator);
  }
  // Node 0 as the root of a search on board.
  void Root(const BoardGrid& board) {
    ResetTree(search.store);
    N(0).board = board;
    N(0).turn = Own;
    N(0).RootFlag = 1;
  }
  SearchNode& N(int32_t id) { return Node(search.store, id); }
  std::vector<float> Totals(std::initializer_list<int32_t> ids) {
    std::vector<float> totals;
    for (const int32_t id : ids) totals.push_back(N(id).Total);
    return totals;
  }
  std::vector<int32_t> Visits(std::initializer_list<int32_t> ids) {
    std::vector<int32_t> visits;
    for (const int32_t id : ids) visits.push_back(N(id).Visits);
    return visits;
  }

  Evaluator evaluator;
  ScriptedProbes probes;
  Host host;
  SearchState search;
};

}  // namespace ruvex::testing
