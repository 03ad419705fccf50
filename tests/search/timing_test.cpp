#include "search/timing.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

namespace ruvex {
namespace {

using D = StopReason;

TEST(DecideTime, EachRuleAtItsBoundaries) {
  struct Case {
    int64_t e, r, t;  // T - e follows from T
    bool hurry;
    D expected;
  };
  const Case cases[] = {
      {0, 1000000, 30000, true, D::HurryMode},  // 1: whatever the clock
      {0, -5, 0, true, D::HurryMode},
      {10, 0, 30000, false, D::None},  // 2: 0 <= R <= 4000, e > 10
      {11, 0, 30000, false, D::MatchNearlySpent},
      {11, 4000, 30000, false, D::MatchNearlySpent},
      {10, 4000, 0, false, D::None},        // rule 2 does not look at T
      {1200, 4001, 30000, false, D::None},  // 3: 4000 < R <= 30000, e > 1200
      {1201, 4001, 30000, false, D::MatchShort},
      {1201, 30000, 0, false, D::MatchShort},
      {3000, 30001, 30000, false, D::None},  // 4: 30000 < R <= 60000, e > 3000
      {3001, 30001, 30000, false, D::MatchLow},
      {3001, 60000, 30000, false, D::MatchLow},
      {8000, 60001, 30000, false, D::None},  // 5: e > 8000 or T - e < 500
      {8001, 60001, 30000, false, D::LongTurn},
      {4500, -1, 5000, false, D::None},
      {4501, -1, 5000, false, D::TurnReserve},
      {0, 100000, 0, false, D::TurnReserve},  // T = 0: no iteration at all
      // Under rules 3 and 4 a set turn limit still ends the search once
      // T - e < 500 (T = 1000 with 20 s of match left would otherwise run
      // 1.2 s); their own bounds decide as before, and T = 0 is no limit.
      {500, 20000, 1000, false, D::None},
      {501, 20000, 1000, false, D::TurnReserve},
      {1500, 45000, 2000, false, D::None},
      {1501, 45000, 2000, false, D::TurnReserve},
      {1201, 20000, 1500, false, D::MatchShort},
      {3001, 45000, 3200, false, D::MatchLow},
      {1000, 20000, 0, false, D::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(DecideTime(c.hurry, c.t, TurnClock{c.e, c.r, c.t - c.e}), c.expected);
  }
}

TEST(ReadTurnClock, ElapsedAndRemainingTimesSaturate) {
  TurnClock clock = ReadTurnClock(5300, 1000, 5000, 100000, 42000);
  EXPECT_EQ(std::tuple(clock.elapsed, clock.remainingMatch, clock.remainingTurn),
            std::tuple(4300, 100000 - (42000 + 4300), 700));
  EXPECT_EQ(ReadTurnClock(10, 0, 0, 0, 0).remainingMatch, -10);  // unset match limit

  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  clock = ReadTurnClock(100, 0, kMin, kMin, 0);
  EXPECT_EQ(std::tuple(clock.remainingMatch, clock.remainingTurn), std::tuple(kMin, kMin));
  EXPECT_EQ(DecideTime(false, kMin, clock), D::TurnReserve);
  clock = ReadTurnClock(100, 0, kMax, kMax, kMax);
  EXPECT_EQ(std::tuple(clock.remainingMatch, clock.remainingTurn), std::tuple(0, kMax - 100));
  EXPECT_EQ(SaturatingSub(kMax, -1), kMax);
  EXPECT_EQ(SaturatingSub(kMin, 1), kMin);
}

}  // namespace
}  // namespace ruvex
