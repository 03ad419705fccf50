// The search's process-wide state: the tree, the hurry flag, the match time
// used so far, the tuning values and the clock and memory probes.
#pragma once

#include <cstdint>

#include "search/node_store.h"
#include "platform/probes.h"

namespace ruvex {

struct SearchState {
  int32_t HurryMode = 0;        // answer at once until the next game
  int64_t GameRunningTime = 0;  // ms spent in searched turns; never reset
  int64_t DepthLimit = 15;      // a rollout deeper than this scores 0
  int32_t MaxChildren = 14;     // most children an expansion keeps
  int64_t MinChildren = 6;      // children kept whatever their value
  double ValueCutoff = 0.35;    // beyond MinChildren, a lower value ends the list
  float ExplorationWeight = 100.0f;
  Probes probes = SystemProbes();
  NodeStore store;
};

}  // namespace ruvex
