// The search's process-wide state: the tree, the hurry flag, the match time
// used so far, the tuning values, and the host it reads the clock and the
// memory probe from.
#pragma once

#include <cstdint>

#include "platform/host.h"
#include "search/node_store.h"
#include "search/tuning.h"

namespace ruvex {

struct SearchState {
  int32_t HurryMode = 0;        // answer at once until the next game
  int64_t GameRunningTime = 0;  // ms spent in searched turns of this game
  SearchTuning tuning = StartTuning;
  const Host* host = &SystemHost();  // clock and memory probe
  NodeStore store;
};

// Points the search at host: its clock, its memory probe and its pages.
inline void InitSearch(SearchState& search, const Host& host) {
  search.host = &host;
  search.store.pages = host.pages;
}

}  // namespace ruvex
