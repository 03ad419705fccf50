// The search's time rules.
#pragma once

#include <cstdint>

namespace ruvex {

// What the time check before an iteration decides.
enum class TimeDecision {
  Continue,       // run the next iteration
  Hurry,          // answer at once with the HurryMode answer
  EndAfterExtra,  // run one more iteration, lower the tuning values (6, 4, 3), end
  EndLowered,     // lower the tuning values (7, 6, 4), end
  End,            // end the search
};

// The times of one check, in milliseconds.
struct TurnClock {
  int64_t elapsed = 0;         // e: since the turn began
  int64_t remainingMatch = 0;  // R: match limit minus the time used in the match
  int64_t remainingTurn = 0;   // T - e
};

// a - b, held to the int64 range instead of overflowing.
int64_t SaturatingSub(int64_t a, int64_t b);

// e, R and T - e from a clock reading (saturating, so absurd limits from the
// manager cannot overflow).
TurnClock ReadTurnClock(int64_t now, int64_t turnStartTime, int64_t turnTimeLimit,
                        int64_t matchTimeLimit, int64_t gameRunningTime);

// The first matching rule decides:
// 1. HurryMode on: Hurry.
// 2. 0 <= R <= 4000: Hurry once e > 10.
// 3. 4000 < R <= 30000: EndAfterExtra once e > 1200.
// 4. 30000 < R <= 60000: EndLowered once e > 3000.
// 5. otherwise: End once e > 8000 or T - e < 500.
// Under rules 3 and 4 a set turn limit (T > 0) is kept as well: once T - e
// < 500 the search ends (End) even before their own bound is reached.
TimeDecision DecideTime(bool hurryMode, int64_t turnTimeLimit, const TurnClock& clock);

}  // namespace ruvex
