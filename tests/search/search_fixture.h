// Shared set-up for the search tests: evaluators with known values, boards,
// hand-built trees, scripted clock and memory probes, and a trace recorder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "eval/cache.h"
#include "eval/evaluator.h"
#include "eval/network.h"
#include "eval/window.h"
#include "search/node_store.h"
#include "search/state.h"
#include "shell/io/trace.h"

namespace ruvex::testing {

constexpr uint64_t MiB = 1048576;

// A fresh evaluator with an 81-h-2 network whose weights are all 0: every
// window that is not in the cache is valued 0.5 (score 90).
inline void MakeZeroEvaluator(Evaluator& evaluator, int hidden = 2) {
  InitEvaluator(evaluator);
  CreateNetwork(evaluator.network, InputCount, hidden, OutputCount);
}

// Makes value the network value of cell (x, y) of board by placing it in the
// cache under the cell's window key.
inline void SetValue(Evaluator& evaluator, const BoardGrid& board, int x, int y, double value) {
  const WindowKey key = MakeWindowKey(CutWindow(board, x, y));
  ASSERT_EQ(FindValue(evaluator.cache, key), nullptr)
      << "window of " << x << "," << y << " already valued";
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

  int64_t NextTime() {
    const std::size_t i = timeReads < times.size() ? timeReads : times.size() - 1;
    ++timeReads;
    return times[i];
  }
  uint64_t NextMemory() {
    const std::size_t i = memoryReads < memory.size() ? memoryReads : memory.size() - 1;
    ++memoryReads;
    return memory[i];
  }
};

// Wires search.probes to a script owned by the caller.
inline void UseProbes(SearchState& search, ScriptedProbes& script) {
  search.probes.elapsed = [&script] { return script.NextTime(); };
  search.probes.memory = [&script] { return script.NextMemory(); };
}

// Records every TraceLog line while it lives.
class TraceRecorder {
 public:
  TraceRecorder() {
    previous_ = SetTraceSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~TraceRecorder() { SetTraceSink(previous_); }
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  int Count(std::string_view text) const {
    int n = 0;
    for (const std::string& line : lines) n += line == text ? 1 : 0;
    return n;
  }
  int CountPrefix(std::string_view prefix) const {
    int n = 0;
    for (const std::string& line : lines) n += line.starts_with(prefix) ? 1 : 0;
    return n;
  }
  // The first line starting with prefix, empty when there is none.
  std::string Find(std::string_view prefix) const {
    for (const std::string& line : lines) {
      if (line.starts_with(prefix)) return line;
    }
    return {};
  }

  std::vector<std::string> lines;

 private:
  TraceSink previous_;
};

}  // namespace ruvex::testing
