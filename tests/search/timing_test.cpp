#include "search/timing.h"

#include <gtest/gtest.h>

#include <limits>

namespace ruvex {
namespace {

using D = TimeDecision;

// e and R given directly; T - e follows from T.
D Decide(int64_t e, int64_t r, int64_t t, bool hurry = false) {
  return DecideTime(hurry, t, TurnClock{e, r, t - e});
}

TEST(DecideTime, HurryModeAnswersWhateverTheClock) {
  EXPECT_EQ(Decide(0, 1000000, 30000, true), D::Hurry);
  EXPECT_EQ(Decide(0, -5, 0, true), D::Hurry);
}

TEST(DecideTime, LastFourSecondsOfTheMatchHurryAfterTenMilliseconds) {
  EXPECT_EQ(Decide(10, 0, 30000), D::Continue);
  EXPECT_EQ(Decide(11, 0, 30000), D::Hurry);
  EXPECT_EQ(Decide(11, 4000, 30000), D::Hurry);
  EXPECT_EQ(Decide(10, 4000, 0), D::Continue);  // rule 2 does not look at T
}

TEST(DecideTime, UnderThirtySecondsTheSearchEndsAfter1200WithAnExtraIteration) {
  EXPECT_EQ(Decide(1200, 4001, 30000), D::Continue);
  EXPECT_EQ(Decide(1201, 4001, 30000), D::EndAfterExtra);
  EXPECT_EQ(Decide(1201, 30000, 30000), D::EndAfterExtra);
  EXPECT_EQ(Decide(1201, 30000, 0), D::EndAfterExtra);
}

TEST(DecideTime, UnderSixtySecondsTheSearchEndsAfter3000) {
  EXPECT_EQ(Decide(3000, 30001, 30000), D::Continue);
  EXPECT_EQ(Decide(3001, 30001, 30000), D::EndLowered);
  EXPECT_EQ(Decide(3001, 60000, 30000), D::EndLowered);
}

TEST(DecideTime, OtherwiseTheTurnLimitOrEightSecondsEndTheSearch) {
  EXPECT_EQ(Decide(8000, 60001, 30000), D::Continue);
  EXPECT_EQ(Decide(8001, 60001, 30000), D::End);
  EXPECT_EQ(Decide(4500, -1, 5000), D::Continue);  // 500 left
  EXPECT_EQ(Decide(4501, -1, 5000), D::End);
  EXPECT_EQ(Decide(0, 100000, 0), D::End);  // T = 0: no iteration at all
  EXPECT_EQ(Decide(0, -5000, 0), D::End);
}

TEST(DecideTime, ShortTurnLimitIsKeptUnderTheMatchRules) {
  // T = 1000 with 20 s of match left: without the turn limit the search would
  // run 1.2 s and lose on time.
  EXPECT_EQ(Decide(500, 20000, 1000), D::Continue);
  EXPECT_EQ(Decide(501, 20000, 1000), D::End);
  EXPECT_EQ(Decide(1501, 45000, 2000), D::End);
  EXPECT_EQ(Decide(1500, 45000, 2000), D::Continue);
  // Once their own bound is passed the match rules decide as before.
  EXPECT_EQ(Decide(1201, 20000, 1500), D::EndAfterExtra);
  EXPECT_EQ(Decide(3001, 45000, 3200), D::EndLowered);
  // With T of 5 s or more nothing changes; an unset T (0) is no limit here.
  for (int64_t e = 0; e <= 1200; e += 100) EXPECT_EQ(Decide(e, 20000, 5000), D::Continue);
  for (int64_t e = 0; e <= 3000; e += 100) EXPECT_EQ(Decide(e, 45000, 5000), D::Continue);
  EXPECT_EQ(Decide(1000, 20000, 0), D::Continue);
}

TEST(ReadTurnClock, ComputesElapsedAndRemainingTimes) {
  const TurnClock clock = ReadTurnClock(5300, 1000, 5000, 100000, 42000);
  EXPECT_EQ(clock.elapsed, 4300);
  EXPECT_EQ(clock.remainingMatch, 100000 - (42000 + 4300));
  EXPECT_EQ(clock.remainingTurn, 700);
  // An unset match limit gives a negative R.
  EXPECT_EQ(ReadTurnClock(10, 0, 0, 0, 0).remainingMatch, -10);
}

TEST(ReadTurnClock, AbsurdLimitsSaturateInsteadOfOverflowing) {
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  TurnClock clock = ReadTurnClock(100, 0, kMin, kMin, 0);
  EXPECT_EQ(clock.remainingMatch, kMin);
  EXPECT_EQ(clock.remainingTurn, kMin);
  EXPECT_EQ(DecideTime(false, kMin, clock), D::End);
  clock = ReadTurnClock(100, 0, kMax, kMax, kMax);
  EXPECT_EQ(clock.remainingMatch, kMax - kMax);
  EXPECT_EQ(clock.remainingTurn, kMax - 100);
  EXPECT_EQ(SaturatingSub(kMax, -1), kMax);
  EXPECT_EQ(SaturatingSub(kMin, 1), kMin);
  EXPECT_EQ(SaturatingSub(5, 7), -2);
}

}  // namespace
}  // namespace ruvex
