#include "search/driver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>

#include "platform/text.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using namespace testing;

constexpr int64_t kStart = 1000;  // TurnStartTime of every turn below

// The protocol's text of grid cell (x, y): "x-1,y-1".
std::string MoveText(int x, int y) {
  return std::to_string(x - 1) + "," + std::to_string(y - 1);
}
std::string MoveText(const SearchResult& result) {
  return MoveText(result.cell.x, result.cell.y);
}

class DriverTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    // About 250 MiB of nodes: a search that fails to stop ends on memory
    // instead of taking the machine's.
    pages = PageLimit{32};
    search.store.pages = LimitedPages(pages);
    game = Board({{10, 10, Opponent}, {11, 11, Own}, {10, 11, Opponent}});
    // The network likes (9, 12), "8,11", best on this board; every other cell is 0.5.
    SetValue(evaluator, game, 9, 12, 0.99);
    turn = TurnInfo{};
    turn.TurnStartTime = kStart;
    turn.OpponentLastMove = Cell{10, 11};
  }
  // Elapsed times e of successive clock readings; the last one repeats.
  void Elapsed(std::initializer_list<int64_t> e) {
    probes.times.clear();
    for (const int64_t v : e) probes.times.push_back(kStart + v);
    probes.timeReads = 0;
  }
  std::string Search() { return MoveText(SearchMove(search, evaluator, game, turn)); }
  // The move must be the chosen root child's cell, now Own on the board.
  void ExpectRootChildPlayed(const std::string& move) {
    const Cell cell = N(search.store.RootId).location;
    EXPECT_EQ(move, MoveText(cell.x, cell.y));
    EXPECT_EQ(game(cell.x, cell.y), Own);
  }

  BoardGrid game;
  TurnInfo turn;
  PageLimit pages;
};

TEST_F(DriverTest, OwnFiveIsPlayedAtOnceBeforeBlocking) {
  EXPECT_EQ(MoveText(11, 11), "10,10");
  game = TwoFours();
  TraceRecorder trace;
  EXPECT_EQ(Search(), "9,3");
  EXPECT_EQ(game(10, 4), Own);
  EXPECT_EQ(trace.lines, Lines{"We Won!"});
  EXPECT_EQ(probes.timeReads + probes.memoryReads, 0u);
  EXPECT_EQ(search.store.NodeCapacity, 0);  // the tree was not touched
  EXPECT_EQ(N(0).RootFlag, 0);
}

TEST_F(DriverTest, OpponentFiveIsBlockedAfterPreparingTheRoot) {
  game = Board(
      {{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 8, Opponent}, {12, 12, Own}});
  const BoardGrid before = game;
  TraceRecorder trace;
  EXPECT_EQ(Search(), "4,3");
  EXPECT_EQ(game(5, 4), Own);
  EXPECT_EQ(trace.lines, Lines{"STOP LOSS!"});
  EXPECT_EQ(probes.memoryReads, 1u);  // PrepareRoot's check
  EXPECT_EQ(probes.timeReads, 0u);
  EXPECT_EQ(search.store.RootId, 0);  // no block child in a fresh tree
  EXPECT_EQ(N(0).board, before);
  EXPECT_EQ(N(0).RootFlag, 1);

  // Last turn's tree: the engine played E; the opponent's reply O (making a
  // four) was searched and its block child exists: that child becomes the root.
  Root(Board({{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 9, Own}}));
  const int32_t e = AddChildren(search.store, 0, {{12, 12}});
  const int32_t o = AddChildren(search.store, e, {{5, 8}, {6, 6}});
  const int32_t b = AddChildren(search.store, o, {{5, 4}});
  search.store.RootId = e;
  game = N(o).board;
  turn.OpponentLastMove = Cell{5, 8};
  EXPECT_EQ(Search(), "4,3");
  EXPECT_EQ(search.store.RootId, b);
}

TEST_F(DriverTest, TimeRules) {
  using Limits = std::tuple<int64_t, int32_t, int64_t>;  // DepthLimit, MaxChildren, MinChildren
  const Limits kept{15, 14, 6}, rule4{7, 6, 4}, rule3{6, 4, 3};
  struct Case {
    int64_t turnLimit, matchLimit, runningTime;
    std::initializer_list<int64_t> elapsed;
    int32_t iterations;  // each one visits the root once
    int64_t runningTimeAfter;
    Limits limits;
    int32_t hurry;
    const char* move;  // nullptr: the chosen root child
  };
  const Case cases[] = {
      // Rule 5: T - e below 500 (MatchTimeLimit unset), or e above 8000.
      {5000, 0, 0, {0, 4500, 4501}, 2, 4501, kept, 0, nullptr},
      {30000, 1000000, 0, {0, 8000, 8001}, 2, 8001, kept, 0, nullptr},
      // T = 0: no iteration; the first entry of a fresh expansion is played.
      {0, 100000, 0, {0, 7}, 0, 7, kept, 0, "8,11"},
      // Rule 4 (R = 50000 - e), and its turn limit kept.
      {30000, 100000, 50000, {0, 3000, 3001}, 2, 53001, rule4, 0, nullptr},
      {2000, 100000, 50000, {0, 1500, 1501}, 2, 51501, kept, 0, nullptr},
      // Rule 3 with its one more iteration; its turn limit kept (no extra).
      {30000, 20000, 0, {0, 1200, 1201}, 3, 1201, rule3, 0, nullptr},
      {1000, 20000, 0, {0, 500, 501}, 2, 501, kept, 0, nullptr},
      // Rule 2: the HurryMode answer, at once when R = 4000 at e = 11.
      {30000, 3000, 0, {0, 10, 11}, 2, 0, kept, 1, "8,11"},
      {0, 4011, 0, {11}, 0, 0, kept, 1, "8,11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    SetUp();
    turn.TurnTimeLimit = c.turnLimit;
    turn.MatchTimeLimit = c.matchLimit;
    search.GameRunningTime = c.runningTime;
    Elapsed(c.elapsed);
    const std::string move = Search();
    EXPECT_EQ(N(0).Visits, c.iterations);
    EXPECT_EQ(search.GameRunningTime, c.runningTimeAfter);
    EXPECT_EQ(
        Limits(search.tuning.DepthLimit, search.tuning.MaxChildren, search.tuning.MinChildren),
        c.limits);
    EXPECT_EQ(search.HurryMode, c.hurry);
    if (c.move != nullptr) {
      EXPECT_EQ(move, c.move);
      EXPECT_EQ(game(9, 12), Own);
    } else {
      EXPECT_EQ(N(search.store.RootId).ParentID, 0);
      ExpectRootChildPlayed(move);
    }
  }
}

TEST_F(DriverTest, RuleThreeExtraIterationUsesTheOldLimitsAndLaterTurnsTheLowered) {
  turn.TurnTimeLimit = 30000;
  turn.MatchTimeLimit = 20000;
  Elapsed({0, 1200, 1201});
  Search();
  EXPECT_EQ(N(N(search.store.NodeCount).ParentID).ChildCount, 14);  // the extra iteration's batch

  game(15, 15) = Opponent;  // not in the tree: the next search starts afresh
  turn.OpponentLastMove = Cell{15, 15};
  turn.MatchTimeLimit = 1000000;
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 0, 4501});
  ExpectRootChildPlayed(Search());
  ASSERT_GT(search.store.NodeCount, 4);
  for (int32_t id = 1; id <= search.store.NodeCount; ++id) {
    EXPECT_LE(N(N(id).ParentID).ChildCount, 4);
  }
}

TEST_F(DriverTest, HurryModeAnswersAtOnceWhateverTheClock) {
  search.HurryMode = 1;
  turn.MatchTimeLimit = 1000000;
  turn.TurnTimeLimit = 30000;
  TraceRecorder trace;
  EXPECT_EQ(Search(), "8,11");  // the first entry of an expansion of the board
  EXPECT_EQ(trace.Count("Go Kalder!"), 1);
  EXPECT_EQ(std::tuple(probes.timeReads, N(0).Visits, search.GameRunningTime),
            std::tuple(1u, 0, 0));
}

TEST_F(DriverTest, EmptyBoardStallsTheTreeAndTheNextSearchIsNotPoisoned) {
  // DONE after a BOARD block without stones: node 0 finds no candidate.
  BoardGrid opening = Board({});
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  probes.memory = {400 * MiB};  // never read inside the loop here
  TraceRecorder trace;
  EXPECT_EQ(MoveText(SearchMove(search, evaluator, opening, turn)), "10,10");
  EXPECT_EQ(opening(11, 11), Own);
  EXPECT_EQ(trace.Count("Expand returned no childred"), 1);
  EXPECT_EQ(trace.Count("Poisoned... null?"), 99);
  EXPECT_EQ(trace.Count("Search Complete"), 1);
  EXPECT_EQ(trace.Count("Mem limit, dropping graph"), 1);
  ASSERT_EQ(N(0).ChildCount, -1);

  // The next turn searches its own board from a fresh root.
  probes.memory = {0};
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 4501});
  trace.lines.clear();
  Search();
  EXPECT_EQ(trace.Count("Poisoned... null?"), 0);
  EXPECT_EQ(N(0).Visits, 3);
}

TEST_F(DriverTest, WorkingSetAbove310MiBEndsTheSearchAtAHundredthIteration) {
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  // PrepareRoot; a failed probe (0) and 310 MiB keep searching; 311 MiB stops.
  probes.memory = {0, 0, 310 * MiB + MiB - 1, 311 * MiB};
  TraceRecorder trace;
  Search();
  EXPECT_EQ(N(0).Visits, 300);
  EXPECT_EQ(trace.Count("Memory limit hit !"), 1);
  EXPECT_EQ(probes.memoryReads, 4u + 1u);  // and the statistics line
}

TEST_F(DriverTest, MissingMemoryForNodesEndsTheSearchWithALegalMove) {
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  pages.limit = 1;
  TraceRecorder trace;
  ExpectRootChildPlayed(Search());
  EXPECT_EQ(trace.Count("Memory limit hit !"), 1);
  EXPECT_LE(search.store.NodeCount, 10000);
}

TEST_F(DriverTest, StatisticsAreTracedInOrderAndTracingChangesNothing) {
  const auto run = [this] {
    SetUp();
    turn.TurnTimeLimit = 5000;
    Elapsed({0, 100, 4501, 4600, 4700, 4800});
    probes.memory = {0, 200 * MiB + 1000};
    const std::string move = Search();
    return std::tuple{move, search.store.NodeCount, search.GameRunningTime, evaluator.AnnCalls,
                      N(0).Visits};
  };
  const auto quiet = run();
  TraceRecorder trace;
  EXPECT_EQ(run(), quiet);
  const Lines& lines = trace.lines;
  const std::string& move = std::get<0>(quiet);
  const int32_t count = std::get<1>(quiet);
  const SearchNode& chosen = N(search.store.RootId);
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(Lines(lines.end() - 10, lines.end()),
            (Lines{"GameRunningTime 4600", "ElapsedMilliseconds 5700", "msRemainingGameTime -4501",
                   "msRemainingTurnTime 200", "Tree Size " + std::to_string(count),
                   "Location: " + std::to_string(chosen.location.x) + "," +
                       std::to_string(chosen.location.y) +
                       " Final UCB: " + FormatFloat(chosen.UCB1_Score),
                   AnnCallsText(evaluator), AnnCacheHitsText(evaluator),
                   AnnCacheSizeText(evaluator), "Memory Usage: 200 MB"}));
  EXPECT_EQ(move, MoveText(chosen.location.x, chosen.location.y));
}

TEST_F(DriverTest, ChildFromAnOlderPositionIsNeverPlayedOnATakenCell) {
  // A BOARD block added a stone at (7, 7) after the last search, so the
  // carried subtree still offers (7, 7) as the best-scored move.
  Root(game);
  const int32_t e = AddChildren(search.store, 0, {{12, 12}});
  const int32_t o = AddChildren(search.store, e, {{12, 13}});
  const int32_t c = AddChildren(search.store, o, {{7, 7}, {9, 12}});
  N(c).Visits = N(c + 1).Visits = 1;
  N(c).Total = 100.0f;
  search.store.RootId = e;
  game = N(o).board;
  game(7, 7) = Opponent;
  SetValue(evaluator, game, 9, 12, 0.99);
  turn.OpponentLastMove = Cell{12, 13};
  turn.MatchTimeLimit = 100000;  // T = 0: the search ends at once
  Elapsed({0});
  EXPECT_EQ(Search(), "8,11");
  EXPECT_EQ(game(7, 7), Opponent);
  EXPECT_EQ(game(9, 12), Own);
  EXPECT_EQ(search.store.RootId, c + 1);  // the fallback cell was a root child
}

TEST_F(DriverTest, FullBoardGetsADefinedAnswerAndNoWrite) {
  // 2 x 1 stripes shifted every row: no five anywhere.
  for (int x = 1; x <= 20; ++x) {
    for (int y = 1; y <= 20; ++y) game(x, y) = (((x - 1) / 2 + (y - 1)) % 2) == 0 ? Own : Opponent;
  }
  const BoardGrid full = game;
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  EXPECT_EQ(Search(), "10,10");
  EXPECT_EQ(game, full);
  search.HurryMode = 1;
  EXPECT_EQ(Search(), "10,10");
  EXPECT_EQ(game, full);
}

}  // namespace
}  // namespace ruvex
