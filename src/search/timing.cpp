#include "search/timing.h"

#include <limits>

namespace ruvex {

int64_t SaturatingSub(int64_t a, int64_t b) {
  int64_t result;
  if (!__builtin_sub_overflow(a, b, &result)) return result;
  return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

namespace {

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t result;
  if (!__builtin_add_overflow(a, b, &result)) return result;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

}  // namespace

TurnClock ReadTurnClock(int64_t now, int64_t turnStartTime, int64_t turnTimeLimit,
                        int64_t matchTimeLimit, int64_t gameRunningTime) {
  TurnClock clock;
  clock.elapsed = SaturatingSub(now, turnStartTime);
  clock.remainingMatch =
      SaturatingSub(matchTimeLimit, SaturatingAdd(gameRunningTime, clock.elapsed));
  clock.remainingTurn = SaturatingSub(turnTimeLimit, clock.elapsed);
  return clock;
}

StopReason DecideTime(bool hurryMode, int64_t turnTimeLimit, const TurnClock& clock) {
  if (hurryMode) return StopReason::HurryMode;
  const int64_t r = clock.remainingMatch;
  for (const TimeRule& rule : TimeRules) {
    if (r < rule.matchFrom || r > rule.matchTo) continue;
    if (clock.elapsed > rule.elapsedAbove) return rule.stop;
    const bool reserve = rule.reserve == ReserveCheck::Always ||
                         (rule.reserve == ReserveCheck::WhenTurnLimitSet && turnTimeLimit > 0);
    return reserve && clock.remainingTurn < TurnReserve ? StopReason::TurnReserve
                                                        : StopReason::None;
  }
  return StopReason::None;  // not reached: the last rule holds for every R
}

}  // namespace ruvex
