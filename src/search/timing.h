// The search's time rules.
#pragma once

#include <cstdint>
#include <limits>

namespace ruvex {

// Why a search stopped. None: it did not stop (the time check lets it go on),
// or no search loop ran (an own five or a block was played at once).
enum class StopReason {
  None,
  HurryMode,         // HurryMode was already on: answered at the first time check
  MatchNearlySpent,  // 0..4 s left on the match clock: the HurryMode answer, HurryMode on
  MatchShort,        // 4..30 s left: one more iteration, then ShortMatchTuning
  MatchLow,          // 30..60 s left: LowMatchTuning
  LongTurn,          // the turn's elapsed-time bound (8 s with a long match clock)
  TurnReserve,       // fewer than TurnReserve ms of the turn limit left
  Memory,            // working set above SearchMemoryMegabytes
  Complete,          // the tree did not grow in GrowthCheckInterval iterations
  StoreExhausted,    // no memory for more node records
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

// A search stops once fewer than this many ms of a set turn limit remain:
// the answer must reach the manager before the limit.
inline constexpr int64_t TurnReserve = 500;

// When the turn reserve is looked at, before a rule's own bound is reached.
enum class ReserveCheck { Never, WhenTurnLimitSet, Always };

// One time rule: it holds while matchFrom <= R <= matchTo, and stops the
// search for `stop` once e > elapsedAbove.
struct TimeRule {
  int64_t matchFrom;
  int64_t matchTo;
  int64_t elapsedAbove;
  StopReason stop;
  ReserveCheck reserve;
};

// The first rule whose band holds R decides; the last holds for every R
// (a negative R is an unset match limit).
inline constexpr TimeRule TimeRules[] = {
    {0, 4000, 10, StopReason::MatchNearlySpent, ReserveCheck::Never},
    {4001, 30000, 1200, StopReason::MatchShort, ReserveCheck::WhenTurnLimitSet},
    {30001, 60000, 3000, StopReason::MatchLow, ReserveCheck::WhenTurnLimitSet},
    {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), 8000,
     StopReason::LongTurn, ReserveCheck::Always},
};

// The time check before an iteration: HurryMode first, then TimeRules.
// Returns None while the search may go on. A turn limit of 0 means none is
// set; under ReserveCheck::Always it still leaves no time (T - e < 500).
StopReason DecideTime(bool hurryMode, int64_t turnTimeLimit, const TurnClock& clock);

}  // namespace ruvex
