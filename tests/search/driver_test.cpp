// The time check's table, and what the search driver does with each of its
// answers, with the memory limits, forced moves and fallbacks.
#include "search/driver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <tuple>

#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;
using S = StopReason;
using D = DecidedBy;

TEST(DecideTime, EachRuleAtItsBoundaries) {
  const struct {
    int64_t e, r, t;  // T - e follows from T
    bool hurry;
    S stop;
  } cases[] = {
      {0, 1000000, 30000, true, S::HurryMode},
      {0, -5, 0, true, S::HurryMode},
      {10, 0, 30000, false, S::None},
      {11, 0, 30000, false, S::MatchNearlySpent},
      {11, 4000, 30000, false, S::MatchNearlySpent},
      {10, 4000, 0, false, S::None},  // a match clock under 4 s ignores the turn limit
      {1200, 4001, 30000, false, S::None},
      {1201, 4001, 30000, false, S::MatchShort},
      {1201, 30000, 0, false, S::MatchShort},
      {3000, 30001, 30000, false, S::None},
      {3001, 30001, 30000, false, S::MatchLow},
      {3001, 60000, 30000, false, S::MatchLow},
      {8000, 60001, 30000, false, S::None},
      {8001, 60001, 30000, false, S::LongTurn},
      {4500, -1, 5000, false, S::None},
      {4501, -1, 5000, false, S::TurnReserve},
      {0, 100000, 0, false, S::TurnReserve},  // no turn limit under a long match clock: no time
      // Under 4..60 s of match clock a set turn limit keeps its reserve too;
      // the rule's own bound still decides first, and T = 0 is no limit.
      {500, 20000, 1000, false, S::None},
      {501, 20000, 1000, false, S::TurnReserve},
      {1501, 45000, 2000, false, S::TurnReserve},
      {1201, 20000, 1500, false, S::MatchShort},
      {1000, 20000, 0, false, S::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideTime(c.hurry, c.t, TurnClock{c.e, c.r, c.t - c.e}), c.stop) << (&c - cases);
  }
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  TurnClock clock = ReadTurnClock(5300, 1000, 5000, 100000, 42000);
  EXPECT_EQ(std::tuple(clock.elapsed, clock.remainingMatch, clock.remainingTurn),
            std::tuple(4300, 100000 - (42000 + 4300), 700));
  clock = ReadTurnClock(100, 0, kMin, kMin, 0);  // absurd limits saturate
  EXPECT_EQ(std::tuple(clock.remainingMatch, clock.remainingTurn), std::tuple(kMin, kMin));
  clock = ReadTurnClock(100, 0, kMax, kMax, kMax);
  EXPECT_EQ(std::tuple(clock.remainingMatch, clock.remainingTurn), std::tuple(0, kMax - 100));
}

constexpr int64_t kStart = 1000;  // TurnStartTime of every turn below
constexpr Cell kFirstChoice{9, 12};

class DriverTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    pages = PageLimit{32};  // a search that fails to stop ends on memory, not the machine's
    search.store.pages = LimitedPages(pages);
    game = Board({{10, 10, Opponent}, {11, 11, Own}, {10, 11, Opponent}});
    SetValue(evaluator, game, kFirstChoice.x, kFirstChoice.y, 0.99);  // the rest is 0.5
    turn = TurnInfo{};
    std::tie(turn.TurnStartTime, turn.TurnTimeLimit, turn.OpponentLastMove) =
        std::tuple(kStart, 30000, Cell{10, 11});
    Elapsed({0});
  }
  // Elapsed times e of successive clock readings; the last one repeats.
  void Elapsed(std::initializer_list<int64_t> e) {
    times.clear();
    for (const int64_t v : e) times.push_back(kStart + v);
    timeReads = 0;
  }
  SearchResult Search() { return SearchMove(search, evaluator, game, turn); }
  // A searched move: the chosen root child's cell, now Own on the board.
  void ExpectRootChildPlayed(const SearchResult& result) {
    EXPECT_EQ(std::tuple(result.decidedBy, result.cell, game(result.cell.x, result.cell.y)),
              std::tuple(DecidedBy::Search, N(search.store.RootId).location, Own));
  }

  BoardGrid game;
  TurnInfo turn;
  PageLimit pages;
};

TEST_F(DriverTest, OwnFiveBeforeBlockAndTheBlockMovesTheRootOn) {
  game = Board({});  // Own completes five first at (10, 4), Opponent at (5, 4)
  for (int y = 5; y <= 8; ++y) game(10, y) = Own, game(5, y) = Opponent;
  SearchResult r = Search();
  EXPECT_EQ(std::tuple(r.cell, r.decidedBy, r.stop, game(10, 4)),
            std::tuple(Cell{10, 4}, DecidedBy::OwnFive, S::None, Own));
  EXPECT_EQ(std::tuple(timeReads, memoryReads, search.store.NodeCapacity), std::tuple(0u, 0u, 0));

  game(10, 4) = game(10, 8) = Empty;  // Own has only three now: block, after preparing the root
  r = Search();
  EXPECT_EQ(std::tuple(r.cell, r.decidedBy, r.iterations, game(5, 4)),
            std::tuple(Cell{5, 4}, DecidedBy::Block, 0, Own));
  EXPECT_EQ(std::tuple(memoryReads, timeReads, search.store.RootId, N(0).RootFlag),
            std::tuple(1u, 0u, 0, 1));
  // Last turn's tree: the engine played E; the opponent's reply O (making a
  // four) was searched and its block child exists: that child becomes the root.
  Root(Board({{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 9, Own}}));
  const int32_t e = AddChildren(search.store, 0, {{12, 12}});
  const int32_t o = AddChildren(search.store, e, {{5, 8}, {6, 6}});
  const int32_t b = AddChildren(search.store, o, {{5, 4}});
  search.store.RootId = e;
  game = Position(o);
  turn.OpponentLastMove = Cell{5, 8};
  EXPECT_EQ(std::tuple(Search().cell, search.store.RootId), std::tuple(Cell{5, 4}, b));
}

// What each answer of the time check does to the turn.
TEST_F(DriverTest, WhatEachTimeRuleDoes) {
  const struct {
    int64_t turnLimit, matchLimit, runningTime;
    int32_t hurryBefore;
    std::initializer_list<int64_t> elapsed;
    S stop;
    DecidedBy decidedBy;
    int64_t iterations;  // each one visits the root once
    int64_t runningTimeAfter;
    SearchTuning tuning;
  } cases[] = {
      {5000, 0, 0, 0, {0, 4500, 4501}, S::TurnReserve, D::Search, 2, 4501, StartTuning},
      // No turn limit: no iteration; the first entry of a fresh expansion is played.
      {0, 100000, 0, 0, {0, 7}, S::TurnReserve, D::Fallback, 0, 7, StartTuning},
      {30000, 100000, 50000, 0, {0, 3000, 3001}, S::MatchLow, D::Search, 2, 53001, LowMatchTuning},
      // One more iteration after the check that ends the search.
      {30000, 20000, 0, 0, {0, 1200, 1201}, S::MatchShort, D::Search, 3, 1201, ShortMatchTuning},
      // The HurryMode answer: GameRunningTime is not charged.
      {30000, 3000, 0, 0, {0, 10, 11}, S::MatchNearlySpent, D::Hurry, 2, 0, StartTuning},
      {30000, 1000000, 0, 1, {0}, S::HurryMode, D::Hurry, 0, 0, StartTuning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    SetUp();
    std::tie(turn.TurnTimeLimit, turn.MatchTimeLimit, search.GameRunningTime, search.HurryMode) =
        std::tuple(c.turnLimit, c.matchLimit, c.runningTime, c.hurryBefore);
    Elapsed(c.elapsed);
    const SearchResult r = Search();
    EXPECT_EQ(std::tuple(r.stop, r.decidedBy, r.iterations, N(0).Visits, r.elapsed),
              std::tuple(c.stop, c.decidedBy, c.iterations, c.iterations, *(c.elapsed.end() - 1)));
    EXPECT_EQ(std::tuple(search.GameRunningTime, search.HurryMode, search.tuning),
              std::tuple(c.runningTimeAfter, c.decidedBy == DecidedBy::Hurry ? 1 : 0, c.tuning));
    EXPECT_EQ(std::tuple(r.nodes, r.cacheCalls, r.cacheHits),
              std::tuple(search.store.NodeCount, evaluator.AnnCalls, evaluator.AnnCacheHits));
    if (c.stop == S::MatchShort) {  // the extra iteration still ran with the old values
      EXPECT_EQ(N(N(search.store.NodeCount).ParentID).ChildCount, 14);
    }
    // A searched move is the chosen root child, else the first entry of a fresh expansion.
    const Cell played = c.decidedBy == D::Search ? N(search.store.RootId).location : kFirstChoice;
    EXPECT_EQ(std::tuple(r.cell, game(played.x, played.y)), std::tuple(played, Own));
  }
}

TEST_F(DriverTest, MemoryLimitsAndAStalledTreeEndTheSearch) {
  // PrepareRoot; a failed probe (0) and 310 MiB keep searching; 311 MiB stops.
  memory = {0, 0, 310 * MiB + MiB - 1, 311 * MiB};
  SearchResult r = Search();
  EXPECT_EQ(std::tuple(r.stop, r.iterations, memoryReads), std::tuple(S::Memory, 300, 4u));
  ExpectRootChildPlayed(r);
  SetUp();
  pages.limit = 1;  // no memory for a second block of nodes
  r = Search();
  EXPECT_EQ(std::tuple(r.stop, search.store.NodeCount <= 10000),
            std::tuple(S::StoreExhausted, true));
  ExpectRootChildPlayed(r);

  // An empty board (DONE after an empty BOARD block): node 0 finds no
  // candidate and the tree stops growing; the next turn is not poisoned.
  SetUp();
  BoardGrid empty = Board({});
  memory = {400 * MiB};  // read by PrepareRoot only: the tree is dropped
  r = SearchMove(search, evaluator, empty, turn);
  EXPECT_EQ(std::tuple(r.cell, r.decidedBy, r.stop, r.iterations, empty(11, 11), N(0).ChildCount),
            std::tuple(Cell{11, 11}, DecidedBy::Fallback, S::Complete, 100, Own, -1));
  memory = {0};
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 4501});
  r = Search();
  EXPECT_EQ(std::tuple(r.stop, r.iterations, N(0).Visits), std::tuple(S::TurnReserve, 3, 3));
}

TEST_F(DriverTest, FallbacksNeverPlayATakenCell) {
  // The carried subtree offers the taken cell (12, 12) as the best-scored
  // move (a tree built by hand: a search never puts a child on a stone).
  Root(game);
  const int32_t e = AddChildren(search.store, 0, {{12, 12}});
  const int32_t o = AddChildren(search.store, e, {{12, 13}});
  const int32_t c = AddChildren(search.store, o, {{12, 12}, kFirstChoice});
  std::tie(N(c).Visits, N(c + 1).Visits, N(c).Total) = std::tuple(1, 1, 100.0f);
  search.store.RootId = e;
  game = Position(o);
  SetValue(evaluator, game, kFirstChoice.x, kFirstChoice.y, 0.99);
  std::tie(turn.OpponentLastMove, turn.TurnTimeLimit, turn.MatchTimeLimit) =
      std::tuple(Cell{12, 13}, 0, 100000);  // no turn limit: the search ends at once
  const SearchResult r = Search();
  EXPECT_EQ(std::tuple(r.cell, r.decidedBy, game(12, 12), game(9, 12)),
            std::tuple(kFirstChoice, DecidedBy::Fallback, Own, Own));
  EXPECT_EQ(search.store.RootId, c + 1);  // the fallback cell was a root child

  // A full board (2 x 1 stripes shifted every row, no five): the centre, unwritten.
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y) game(x, y) = (((x - 1) / 2 + (y - 1)) % 2) == 0 ? Own : Opponent;
  }
  const BoardGrid full = game;
  for (const int32_t hurry : {0, 1}) {
    search.HurryMode = hurry;
    EXPECT_EQ(std::tuple(Search().cell, game == full), std::tuple(Cell{11, 11}, true));
  }
}

}  // namespace
}  // namespace ruvex
