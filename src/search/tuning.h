// The search's tuning values, and the profiles the time rules switch to.
#pragma once

#include <cstdint>

namespace ruvex {

struct SearchTuning {
  // A rollout deeper than this scores 0: room for a run of threats to end in
  // a five, while one iteration stays near a millisecond (search bench).
  int64_t DepthLimit = 15;
  // Most children an expansion keeps: the tree grows deeper rather than wider
  // over every cell near a stone.
  int32_t MaxChildren = 14;
  // Children kept whatever their value, so a misjudged first choice always
  // has alternatives beside it.
  int64_t MinChildren = 6;
  // Beyond MinChildren, a network value below this ends the list: such cells
  // are seldom the move.
  double ValueCutoff = 0.35;
  // Weight of UCB1's exploration term; outcomes span -220..220 (a five), so
  // a weight of this order still revisits a child whose average lags.
  float ExplorationWeight = 100.0f;

  bool operator==(const SearchTuning&) const = default;
};

// The values at start-up; restoring them is one assignment of this record.
inline constexpr SearchTuning StartTuning{};

// 4 to 30 s left on the match clock: shallow, narrow trees, so that the
// remaining moves still get an answer from a search.
inline constexpr SearchTuning ShortMatchTuning{.DepthLimit = 6, .MaxChildren = 4, .MinChildren = 3};

// 30 to 60 s left: a little shallower and narrower than at the start.
inline constexpr SearchTuning LowMatchTuning{.DepthLimit = 7, .MaxChildren = 6, .MinChildren = 4};

}  // namespace ruvex
