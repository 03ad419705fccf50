#include "tactic/timing.h"

#include <algorithm>

#include "tactic/tunables.h"

namespace ruvex::tactic {

TimePlan PlanTurn(const TimeControl& t) {
  constexpr std::int64_t kFastMs = 20;  // timeout_turn 0: answer quickly
  std::int64_t hard = t.turn_ms > 0 ? t.turn_ms * Tunables::kTurnShare / 100 : kFastMs;
  const bool match_clock = t.match_ms > 0 || (t.left_ms >= 0 && t.left_ms < 2147483647);
  if (match_clock && t.left_ms >= 0) {
    hard = std::min(hard, t.left_ms / Tunables::kMovesToGo);
  }
  hard = std::max<std::int64_t>(1, hard - Tunables::kReserveMs);
  return {std::max<std::int64_t>(1, hard * Tunables::kStartIterationShare / Tunables::kTurnShare),
          hard};
}

}  // namespace ruvex::tactic
