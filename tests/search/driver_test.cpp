#include "search/driver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>

#include "search/expand.h"
#include "search_fixture.h"
#include "shell/io/text.h"

namespace ruvex {
namespace {

using testing::AddChildren;
using testing::Board;
using testing::MakeZeroEvaluator;
using testing::MiB;
using testing::ScriptedProbes;
using testing::SetValue;
using testing::TraceRecorder;
using testing::UseProbes;

constexpr int64_t kStart = 1000;  // TurnStartTime of every turn below

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeZeroEvaluator(evaluator);
    UseProbes(search, probes);
    game = Board({{10, 10, Opponent}, {11, 11, Own}, {10, 11, Opponent}});
    // The network likes (9, 12) best on this board; every other cell is 0.5.
    SetValue(evaluator, game, 9, 12, 0.99);
    turn.TurnStartTime = kStart;
    turn.OpponentLastMove = Cell{10, 11};
  }
  // Elapsed times e of successive clock readings; the last one repeats.
  void Elapsed(std::initializer_list<int64_t> e) {
    probes.times.clear();
    for (const int64_t v : e) probes.times.push_back(kStart + v);
    probes.timeReads = 0;
  }
  std::string Search() { return SearchMove(search, evaluator, game, turn); }
  // Iterations of the first searched turn: each one backs a result up to
  // the root, node 0.
  int32_t RootVisits() const { return Node(search.store, 0).Visits; }
  void ExpectDefaultParameters() const {
    EXPECT_EQ(search.DepthLimit, 15);
    EXPECT_EQ(search.MaxChildren, 14);
    EXPECT_EQ(search.MinChildren, 6);
  }

  Evaluator evaluator;
  ScriptedProbes probes;
  SearchState search;
  BoardGrid game;
  TurnInfo turn;
};

TEST_F(DriverTest, MoveTextIsZeroBased) {
  EXPECT_EQ(MoveText(11, 11), "10,10");
  EXPECT_EQ(MoveText(1, 20), "0,19");
}

TEST_F(DriverTest, OwnFiveIsPlayedAtOnceBeforeBlocking) {
  game = Board({{10, 5, Own},
                {10, 6, Own},
                {10, 7, Own},
                {10, 8, Own},  //
                {5, 5, Opponent},
                {5, 6, Opponent},
                {5, 7, Opponent},
                {5, 8, Opponent}});
  TraceRecorder trace;
  EXPECT_EQ(Search(), "9,3");
  EXPECT_EQ(game(10, 4), Own);
  EXPECT_EQ(trace.lines, (std::vector<std::string>{"We Won!"}));
  EXPECT_EQ(probes.timeReads, 0u);
  EXPECT_EQ(probes.memoryReads, 0u);
  EXPECT_EQ(search.store.NodeCapacity, 0);  // the tree was not touched
  EXPECT_EQ(Node(search.store, 0).RootFlag, 0);
  EXPECT_EQ(search.GameRunningTime, 0);
}

TEST_F(DriverTest, OpponentFiveIsBlockedAfterPreparingTheRoot) {
  game = Board(
      {{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 8, Opponent}, {12, 12, Own}});
  const BoardGrid before = game;
  TraceRecorder trace;
  EXPECT_EQ(Search(), "4,3");
  EXPECT_EQ(game(5, 4), Own);
  EXPECT_EQ(trace.lines, (std::vector<std::string>{"STOP LOSS!"}));
  EXPECT_EQ(probes.memoryReads, 1u);  // PrepareRoot's check
  EXPECT_EQ(probes.timeReads, 0u);
  EXPECT_EQ(search.store.RootId, 0);  // no block child in a fresh tree
  EXPECT_EQ(Node(search.store, 0).board, before);
  EXPECT_EQ(Node(search.store, 0).RootFlag, 1);
}

TEST_F(DriverTest, BlockCellChildBecomesTheRoot) {
  // Last turn's tree: the engine played E; the opponent's reply O (making a
  // four) was searched and its block child exists.
  NodeStore& store = search.store;
  ResetTree(store);
  Node(store, 0).board = Board({{5, 5, Opponent}, {5, 6, Opponent}, {5, 7, Opponent}, {5, 9, Own}});
  Node(store, 0).turn = Own;
  Node(store, 0).RootFlag = 1;
  const int32_t e = AddChildren(store, 0, {{12, 12}});
  const int32_t o = AddChildren(store, e, {{5, 8}, {6, 6}});
  const int32_t b = AddChildren(store, o, {{5, 4}});
  store.RootId = e;
  game = Node(store, o).board;
  turn.OpponentLastMove = Cell{5, 8};
  EXPECT_EQ(Search(), "4,3");
  EXPECT_EQ(store.RootId, b);
  EXPECT_EQ(Node(store, o).RootFlag, 1);
  EXPECT_EQ(game(5, 4), Own);
}

TEST_F(DriverTest, TurnLimitEndsTheSearchWith500MillisecondsLeft) {
  turn.TurnTimeLimit = 5000;  // MatchTimeLimit unset: R < 0, rule 5
  Elapsed({0, 4500, 4501});
  const std::string move = Search();
  EXPECT_EQ(RootVisits(), 2);
  EXPECT_EQ(search.GameRunningTime, 4501);
  ExpectDefaultParameters();
  const Cell played = Node(search.store, search.store.RootId).location;
  EXPECT_EQ(move, MoveText(played.x, played.y));
  EXPECT_EQ(Node(search.store, search.store.RootId).ParentID, 0);
  EXPECT_EQ(game(played.x, played.y), Own);
}

TEST_F(DriverTest, LongTurnLimitEndsAfterEightSeconds) {
  turn.TurnTimeLimit = 30000;
  turn.MatchTimeLimit = 1000000;
  Elapsed({0, 8000, 8001});
  Search();
  EXPECT_EQ(RootVisits(), 2);
  EXPECT_EQ(search.GameRunningTime, 8001);
}

TEST_F(DriverTest, ZeroTurnLimitEndsBeforeTheFirstIterationAndFallsBack) {
  turn.TurnTimeLimit = 0;
  turn.MatchTimeLimit = 100000;
  Elapsed({0, 7});
  TraceRecorder trace;
  EXPECT_EQ(Search(), "8,11");  // (9, 12): the first entry of a fresh expansion
  EXPECT_EQ(game(9, 12), Own);
  EXPECT_EQ(RootVisits(), 0);
  EXPECT_EQ(search.GameRunningTime, 7);
  EXPECT_EQ(trace.Count("no children, play root, or forced place score, game end?"), 1);
  // The root never got a child at (9, 12): RootId still names node 0, and
  // the next turn starts from a fresh tree.
  EXPECT_EQ(search.store.RootId, 0);
  game(12, 12) = Opponent;
  turn.OpponentLastMove = Cell{12, 12};
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 4600});
  const std::string move = Search();
  EXPECT_EQ(Node(search.store, 0).Visits, 3);
  EXPECT_EQ(Node(search.store, 0).board(12, 12), Opponent);
  const Cell played = Node(search.store, search.store.RootId).location;
  EXPECT_EQ(move, MoveText(played.x, played.y));
}

TEST_F(DriverTest, UnderSixtySecondsTheSearchStopsAfterThreeSecondsAndLowersItsLimits) {
  turn.TurnTimeLimit = 30000;
  turn.MatchTimeLimit = 100000;
  search.GameRunningTime = 50000;  // R = 50000 - e
  Elapsed({0, 3000, 3001});
  Search();
  EXPECT_EQ(RootVisits(), 2);
  EXPECT_EQ(search.DepthLimit, 7);
  EXPECT_EQ(search.MaxChildren, 6);
  EXPECT_EQ(search.MinChildren, 4);
  EXPECT_EQ(search.GameRunningTime, 53001);
}

TEST_F(DriverTest, UnderThirtySecondsOneMoreIterationRunsWithTheOldLimits) {
  turn.TurnTimeLimit = 30000;
  turn.MatchTimeLimit = 20000;
  Elapsed({0, 1200, 1201});
  Search();
  EXPECT_EQ(RootVisits(), 3);  // two counted iterations and the extra one
  EXPECT_EQ(search.DepthLimit, 6);
  EXPECT_EQ(search.MaxChildren, 4);
  EXPECT_EQ(search.MinChildren, 3);
  // The newest batch came from the extra iteration, still with 14 children.
  const NodeStore& store = search.store;
  EXPECT_EQ(Node(store, Node(store, store.NodeCount).ParentID).ChildCount, 14);

  // Later turns keep the lowered limits.
  const int32_t before = store.NodeCount;
  const Cell played = Node(store, store.RootId).location;
  const Cell reply = Node(store, Node(store, store.RootId).children[1]).location;
  ASSERT_EQ(game(played.x, played.y), Own);
  game(reply.x, reply.y) = Opponent;
  turn.OpponentLastMove = reply;
  turn.MatchTimeLimit = 1000000;
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 0, 4501});
  Search();
  EXPECT_EQ(search.MaxChildren, 4);
  for (int32_t id = before + 1; id <= store.NodeCount; ++id) {
    EXPECT_LE(Node(store, Node(store, id).ParentID).ChildCount, 4);
  }
  EXPECT_GT(store.NodeCount, before);
}

TEST_F(DriverTest, ShortTurnLimitIsKeptWhenTheMatchClockIsLow) {
  turn.TurnTimeLimit = 1000;
  turn.MatchTimeLimit = 20000;
  Elapsed({0, 500, 501});
  Search();
  EXPECT_EQ(RootVisits(), 2);  // no extra iteration
  ExpectDefaultParameters();
}

TEST_F(DriverTest, ShortTurnLimitIsKeptUnderAMinuteOfMatchClock) {
  turn.TurnTimeLimit = 2000;
  turn.MatchTimeLimit = 100000;
  search.GameRunningTime = 50000;
  Elapsed({0, 1500, 1501});
  Search();
  EXPECT_EQ(RootVisits(), 2);
  ExpectDefaultParameters();
}

TEST_F(DriverTest, LastSecondsOfTheMatchSwitchToHurryMode) {
  turn.TurnTimeLimit = 30000;
  turn.MatchTimeLimit = 3000;
  Elapsed({0, 10, 11});
  TraceRecorder trace;
  EXPECT_EQ(Search(), "8,11");
  EXPECT_EQ(game(9, 12), Own);
  EXPECT_EQ(trace.Count("Go Kalder!"), 1);
  EXPECT_EQ(search.HurryMode, 1);
  EXPECT_EQ(RootVisits(), 2);
  EXPECT_EQ(search.store.RootId, 0);  // where PrepareRoot left it
  EXPECT_EQ(search.GameRunningTime, 0);
  EXPECT_EQ(probes.timeReads, 3u);

  // Every later turn is answered at once, whatever the clock says, with the
  // first entry of an expansion of the board.
  game(15, 15) = Opponent;
  turn.OpponentLastMove = Cell{15, 15};
  turn.MatchTimeLimit = 1000000;
  Elapsed({0});
  BoardGrid copy = game;
  MoveList list;
  ExpandCandidates(search, evaluator, copy, list, 1, Own);
  ASSERT_GE(list[0].score, 1);
  EXPECT_EQ(Search(), MoveText(list[1].x, list[1].y));
  EXPECT_EQ(game(list[1].x, list[1].y), Own);
  EXPECT_EQ(probes.timeReads, 1u);
  EXPECT_EQ(trace.Count("Go Kalder!"), 2);
  EXPECT_EQ(search.GameRunningTime, 0);
}

TEST_F(DriverTest, HurryAtTheFirstCheckAnswersWithoutIterations) {
  turn.MatchTimeLimit = 4011;  // R = 4000 at e = 11
  Elapsed({11});
  EXPECT_EQ(Search(), "8,11");
  EXPECT_EQ(RootVisits(), 0);
  EXPECT_EQ(search.store.NodeCount, 0);
}

TEST_F(DriverTest, StalledTreeEndsTheSearchAndTheCentreIsPlayed) {
  game = Board({});
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  probes.memory = {400 * MiB};  // never read inside the loop here
  TraceRecorder trace;
  EXPECT_EQ(Search(), "10,10");
  EXPECT_EQ(game(11, 11), Own);
  EXPECT_EQ(trace.Count("Expand returned no childred"), 1);
  EXPECT_EQ(trace.Count("Poisoned... null?"), 99);
  EXPECT_EQ(trace.Count("Search Complete"), 1);
  EXPECT_EQ(trace.Count("Mem limit, dropping graph"), 1);
  EXPECT_EQ(probes.memoryReads, 1u + 1u);  // PrepareRoot, and the statistics line
  EXPECT_EQ(probes.timeReads, 100u + 1u + 2u);
}

TEST_F(DriverTest, SearchAfterAnEmptyBoardIsNotPoisoned) {
  // DONE after a BOARD block without stones: node 0 finds no candidate and
  // is marked dead, and no other node exists.
  BoardGrid opening = Board({});
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  EXPECT_EQ(SearchMove(search, evaluator, opening, turn), "10,10");
  ASSERT_EQ(search.store.NodeCount, 0);
  ASSERT_EQ(Node(search.store, 0).ChildCount, -1);
  // The next turn searches its own board from a fresh root.
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 4501});
  TraceRecorder trace;
  Search();
  EXPECT_EQ(trace.Count("Poisoned... null?"), 0);
  EXPECT_EQ(RootVisits(), 3);
  EXPECT_GT(search.store.NodeCount, 0);
}

TEST_F(DriverTest, WorkingSetAbove310MiBEndsTheSearchAtAHundredthIteration) {
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  probes.memory = {0, 310 * MiB + MiB - 1, 311 * MiB};
  TraceRecorder trace;
  Search();
  EXPECT_EQ(RootVisits(), 200);
  EXPECT_EQ(trace.Count("Memory limit hit !"), 1);
  EXPECT_EQ(probes.memoryReads, 3u + 1u);  // PrepareRoot, two checks, statistics
}

TEST_F(DriverTest, FailedMemoryProbeNeverStopsTheSearch) {
  turn.TurnTimeLimit = 30000;
  std::vector<int64_t> times(301, kStart);
  times.push_back(kStart + 8001);
  probes.times = times;
  probes.memory = {0};
  Search();
  EXPECT_EQ(RootVisits(), 301);
  EXPECT_EQ(probes.memoryReads, 1u + 3u);
}

TEST_F(DriverTest, MissingMemoryForNodesEndsTheSearchWithALegalMove) {
  turn.TurnTimeLimit = 30000;
  Elapsed({0});
  search.store.BlockLimit = 1;
  TraceRecorder trace;
  const std::string move = Search();
  EXPECT_EQ(trace.Count("Memory limit hit !"), 1);
  EXPECT_TRUE(search.store.Exhausted);
  EXPECT_LE(search.store.NodeCount, 10000);
  const Cell played = Node(search.store, search.store.RootId).location;
  EXPECT_EQ(move, MoveText(played.x, played.y));
  EXPECT_EQ(game(played.x, played.y), Own);
}

TEST_F(DriverTest, StatisticsAreTracedInOrder) {
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 100, 4501, 4600, 4700, 4800});
  probes.memory = {0, 200 * MiB + 1000};
  TraceRecorder trace;
  const std::string move = Search();
  const NodeStore& store = search.store;
  const SearchNode& chosen = Node(store, store.RootId);
  const std::size_t n = trace.lines.size();
  ASSERT_GE(n, 10u);
  EXPECT_EQ(trace.lines[n - 10], "GameRunningTime 4600");
  EXPECT_EQ(trace.lines[n - 9], "ElapsedMilliseconds 5700");
  EXPECT_EQ(trace.lines[n - 8], "msRemainingGameTime -4501");
  EXPECT_EQ(trace.lines[n - 7], "msRemainingTurnTime 200");
  EXPECT_EQ(trace.lines[n - 6], "Tree Size " + std::to_string(store.NodeCount));
  EXPECT_EQ(trace.lines[n - 5], "Location: " + std::to_string(chosen.location.x) + "," +
                                    std::to_string(chosen.location.y) +
                                    " Final UCB: " + FormatFloat(chosen.UCB1_Score));
  EXPECT_EQ(trace.lines[n - 4], AnnCallsText(evaluator));
  EXPECT_EQ(trace.lines[n - 3], AnnCacheHitsText(evaluator));
  EXPECT_EQ(trace.lines[n - 2], AnnCacheSizeText(evaluator));
  EXPECT_EQ(trace.lines[n - 1], "Memory Usage: 200 MB");
  EXPECT_EQ(move, MoveText(chosen.location.x, chosen.location.y));
}

TEST_F(DriverTest, TracingDoesNotChangeTheOutcome) {
  auto run = [](bool traced) {
    Evaluator evaluator;
    MakeZeroEvaluator(evaluator);
    ScriptedProbes probes;
    probes.times = {kStart, kStart, kStart, kStart, kStart + 4501};
    SearchState search;
    UseProbes(search, probes);
    BoardGrid game = Board({{10, 10, Opponent}, {11, 11, Own}, {10, 11, Opponent}});
    TurnInfo turn;
    turn.TurnStartTime = kStart;
    turn.TurnTimeLimit = 5000;
    std::unique_ptr<TraceRecorder> trace;
    if (traced) trace = std::make_unique<TraceRecorder>();
    const std::string move = SearchMove(search, evaluator, game, turn);
    return std::tuple{move, search.store.NodeCount, search.GameRunningTime, evaluator.AnnCalls,
                      Node(search.store, 0).Visits};
  };
  EXPECT_EQ(run(false), run(true));
}

TEST_F(DriverTest, ChildFromAnOlderPositionIsNeverPlayedOnATakenCell) {
  // A BOARD block added a stone at (7, 7) after the last search, so the
  // carried subtree still offers (7, 7) as the best-scored move.
  NodeStore& store = search.store;
  ResetTree(store);
  Node(store, 0).board = game;
  Node(store, 0).turn = Own;
  Node(store, 0).RootFlag = 1;
  const int32_t e = AddChildren(store, 0, {{12, 12}});
  const int32_t o = AddChildren(store, e, {{12, 13}});
  const int32_t c = AddChildren(store, o, {{7, 7}, {9, 12}});
  Node(store, c).Visits = 1;
  Node(store, c).Total = 100.0f;
  Node(store, c + 1).Visits = 1;
  Node(store, o).Visits = 2;
  store.RootId = e;
  game = Node(store, o).board;
  game(7, 7) = Opponent;
  SetValue(evaluator, game, 9, 12, 0.99);
  turn.OpponentLastMove = Cell{12, 13};
  turn.MatchTimeLimit = 100000;  // T = 0: the search ends at once
  Elapsed({0});
  EXPECT_EQ(Search(), "8,11");
  EXPECT_EQ(game(7, 7), Opponent);
  EXPECT_EQ(game(9, 12), Own);
  EXPECT_EQ(store.RootId, c + 1);  // the fallback cell was a root child
}

TEST_F(DriverTest, OpponentsReplyCarriesTheTreeIntoTheNextTurn) {
  turn.TurnTimeLimit = 5000;
  Elapsed({0, 0, 0, 0, 0, 0, 0, 0, 4501});
  Search();
  NodeStore& store = search.store;
  const int32_t mine = store.RootId;
  ASSERT_GT(Node(store, mine).ChildCount, 0);
  const int32_t reply = Node(store, mine).children[1];
  const Cell cell = Node(store, reply).location;
  const int32_t visits = Node(store, reply).Visits;
  game(cell.x, cell.y) = Opponent;
  turn.OpponentLastMove = cell;
  Elapsed({0, 0, 4501});
  TraceRecorder trace;
  Search();
  EXPECT_EQ(trace.CountPrefix("Blind Sided!! "), 0);
  EXPECT_TRUE(trace.Find("Actual Play: ")
                  .starts_with("Actual Play: " + std::to_string(cell.x) + "," +
                               std::to_string(cell.y) + " visits: " + std::to_string(visits) +
                               " ucb "))
      << trace.Find("Actual Play: ");
  EXPECT_EQ(Node(store, store.RootId).ParentID, reply);
  EXPECT_EQ(Node(store, reply).ParentID, mine);
  EXPECT_EQ(Node(store, reply).RootFlag, 1);
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
