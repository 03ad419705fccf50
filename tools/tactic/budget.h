// How much work a search may do: a node budget and, optionally, a clock with a deadline.
// Without a clock every result depends on the node counts alone, so it is reproducible.
#pragma once

#include <cstdint>

#include "tactic/tunables.h"

namespace ruvex::tactic {

using NowMs = std::int64_t (*)();

struct Budget {
  std::int64_t nodes = 0;  // nodes visited so far
  std::int64_t limit = 0;  // stop once nodes exceed this; 0 = no node limit
  NowMs now_ms = nullptr;  // nullptr: no clock
  std::int64_t deadline_ms = 0;
  bool out_of_time = false;  // the clock passed the deadline (sticky)
  bool stopped = false;      // out of nodes or time
};

// Counts one node; false once the budget is spent.
inline bool Spend(Budget& b) {
  ++b.nodes;
  if (b.limit > 0 && b.nodes > b.limit) b.stopped = true;
  if (b.now_ms != nullptr && b.nodes % Tunables::kClockInterval == 0 &&
      b.now_ms() >= b.deadline_ms) {
    b.out_of_time = true;
    b.stopped = true;
  }
  return !b.stopped;
}

}  // namespace ruvex::tactic
