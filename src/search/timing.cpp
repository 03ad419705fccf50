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

TimeDecision DecideTime(bool hurryMode, int64_t turnTimeLimit, const TurnClock& clock) {
  const int64_t e = clock.elapsed;
  const int64_t r = clock.remainingMatch;
  const bool turnSpent = turnTimeLimit > 0 && clock.remainingTurn < 500;
  if (hurryMode) return TimeDecision::Hurry;
  if (r >= 0 && r <= 4000) return e > 10 ? TimeDecision::Hurry : TimeDecision::Continue;
  if (r > 4000 && r <= 30000) {
    if (e > 1200) return TimeDecision::EndAfterExtra;
    return turnSpent ? TimeDecision::End : TimeDecision::Continue;
  }
  if (r > 30000 && r <= 60000) {
    if (e > 3000) return TimeDecision::EndLowered;
    return turnSpent ? TimeDecision::End : TimeDecision::Continue;
  }
  return e > 8000 || clock.remainingTurn < 500 ? TimeDecision::End : TimeDecision::Continue;
}

}  // namespace ruvex
