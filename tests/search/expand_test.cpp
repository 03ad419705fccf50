#include "search/expand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "board/forced.h"
#include "search_fixture.h"

namespace ruvex {
namespace {

using testing::Board;
using testing::MakeZeroEvaluator;
using testing::SetValue;

// A list whose entry i has x = i and the given value.
MoveList ListOf(const std::vector<double>& values) {
  MoveList list;
  for (std::size_t i = 0; i < values.size(); ++i) {
    list[static_cast<int>(i) + 1] = MoveEntry{static_cast<int32_t>(i) + 1, 0, 0, 0, values[i]};
  }
  list.length = static_cast<int32_t>(values.size()) + 1;
  return list;
}

std::vector<int> SortedXs(const std::vector<double>& values) {
  MoveList list = ListOf(values);
  SortByValue(list, 1, static_cast<int>(values.size()));
  std::vector<int> xs;
  for (std::size_t i = 1; i <= values.size(); ++i) xs.push_back(list[static_cast<int>(i)].x);
  return xs;
}

std::vector<Cell> Cells(const MoveList& list) {
  std::vector<Cell> cells;
  for (int i = 1; i <= list[0].score; ++i) cells.push_back(Cell{list[i].x, list[i].y});
  return cells;
}

TEST(SortByValue, EqualValuesComeOutInTheSortsOwnOrder) {
  EXPECT_EQ(SortedXs({0.5, 0.5}), (std::vector<int>{2, 1}));
  EXPECT_EQ(SortedXs({0.5, 0.5, 0.5}), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(SortedXs({0.5, 0.5, 0.5, 0.5}), (std::vector<int>{3, 4, 1, 2}));
  EXPECT_EQ(SortedXs({0.4, 0.4, 0.9}), (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(SortedXs({0.7}), (std::vector<int>{1}));
}

TEST(SortByValue, OrdersAnyListHighestFirstAndMovesWholeEntries) {
  std::vector<double> values;
  uint32_t seed = 12345;
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1103515245u + 12345u;
    values.push_back(static_cast<double>((seed >> 16) % 7) / 7.0);  // many ties
  }
  MoveList list = ListOf(values);
  for (int i = 1; i <= 60; ++i) list[i].y = i * 3;  // travels with its entry
  SortByValue(list, 1, 60);
  std::vector<bool> seen(61, false);
  for (int i = 1; i <= 60; ++i) {
    if (i > 1) {
      EXPECT_GE(list[i - 1].value, list[i].value);
    }
    EXPECT_EQ(list[i].y, list[i].x * 3);
    EXPECT_EQ(list[i].value, values[static_cast<std::size_t>(list[i].x) - 1]);
    EXPECT_FALSE(seen[static_cast<std::size_t>(list[i].x)]);
    seen[static_cast<std::size_t>(list[i].x)] = true;
  }
}

TEST(SortByValue, ValuesThatAreNotNumbersStayInsideTheList) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<int> xs = SortedXs({nan, 0.3, nan, 0.9, 0.1, nan});
  EXPECT_EQ(xs.size(), 6u);
  std::vector<int> sorted = xs;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(ScoreOfValue, RoundsValueTimes180HalfToEven) {
  EXPECT_EQ(ScoreOfValue(0.5), 90);
  EXPECT_EQ(ScoreOfValue(1.0), 180);
  EXPECT_EQ(ScoreOfValue(0.0), 0);
  EXPECT_EQ(ScoreOfValue(0.35), 63);
  const double twoAndAHalf = 2.5 / 180.0;
  const double threeAndAHalf = 3.5 / 180.0;
  ASSERT_EQ(twoAndAHalf * 180.0, 2.5);
  ASSERT_EQ(threeAndAHalf * 180.0, 3.5);
  EXPECT_EQ(ScoreOfValue(twoAndAHalf), 2);
  EXPECT_EQ(ScoreOfValue(threeAndAHalf), 4);
}

TEST(ScoreOfValue, ValuesOutsideTheNetworksRangeStayInScoreRange) {
  EXPECT_EQ(ScoreOfValue(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(ScoreOfValue(-0.25), 0);
  EXPECT_EQ(ScoreOfValue(1.5), 180);
  EXPECT_EQ(ScoreOfValue(std::numeric_limits<double>::infinity()), 180);
  EXPECT_EQ(ScoreOfValue(-std::numeric_limits<double>::infinity()), 0);
}

class ExpandCandidatesTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeZeroEvaluator(evaluator); }
  Evaluator evaluator;
  SearchState search;
};

// Stones at (10, 10) and (10, 11) have exactly these ten candidates, in scan
// order.
const std::vector<Cell> kTenCells = {{9, 9},   {9, 10}, {9, 11},  {9, 12},  {10, 9},
                                     {10, 12}, {11, 9}, {11, 10}, {11, 11}, {11, 12}};

TEST_F(ExpandCandidatesTest, CornerStoneOrdersEqualAndDistinctValuesAsTheSortDoes) {
  // A stone at (1, 1) has the candidates A (1, 2), B (2, 1), C (2, 2).
  BoardGrid board = Board({{1, 1, Opponent}});
  SetValue(evaluator, board, 1, 2, 0.4);
  SetValue(evaluator, board, 2, 1, 0.4);
  SetValue(evaluator, board, 2, 2, 0.9);
  const BoardGrid before = board;
  MoveList list;
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 1, Own), 162);
  EXPECT_EQ(board, before);
  ASSERT_EQ(list[0].score, 3);
  EXPECT_EQ(Cells(list), (std::vector<Cell>{{2, 2}, {1, 2}, {2, 1}}));
  EXPECT_EQ(list[1].score, 162);
  EXPECT_EQ(list[2].score, 72);
  EXPECT_EQ(list[3].score, 72);
  EXPECT_EQ(list[1].value, 0.9);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(list[i].turn, Own);
  EXPECT_EQ(evaluator.AnnCalls, 3);
  EXPECT_EQ(evaluator.AnnCacheHits, 3);

  // Every value 0.5 (the zero network): A, B, C come out B, C, A.
  BoardGrid other = Board({{20, 20, Own}});
  EXPECT_EQ(ExpandCandidates(search, evaluator, other, list, 1, Opponent), 90);
  EXPECT_EQ(Cells(list), (std::vector<Cell>{{19, 20}, {20, 19}, {19, 19}}));
  EXPECT_EQ(list[1].turn, Opponent);
}

TEST_F(ExpandCandidatesTest, KeepsSixWhenEveryValueIsBelowTheCutoff) {
  BoardGrid board = Board({{10, 10, Own}, {10, 11, Opponent}});
  for (std::size_t i = 0; i < kTenCells.size(); ++i) {
    SetValue(evaluator, board, kTenCells[i].x, kTenCells[i].y,
             0.20 + 0.01 * static_cast<double>(i));
  }
  MoveList list;
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 3, Own), 52);  // 0.29 x 180
  EXPECT_EQ(evaluator.AnnCalls, 10);
  EXPECT_EQ(Cells(list),
            (std::vector<Cell>{{11, 12}, {11, 11}, {11, 10}, {11, 9}, {10, 12}, {10, 9}}));
  EXPECT_EQ(list.length, 7);
}

TEST_F(ExpandCandidatesTest, AValueExactlyAtTheCutoffIsKept) {
  for (const double seventh : {0.35, 0.3499}) {
    Evaluator fresh;
    MakeZeroEvaluator(fresh);
    BoardGrid board = Board({{10, 10, Own}, {10, 11, Opponent}});
    const std::vector<double> values = {0.9, 0.1, 0.8, 0.7, seventh, 0.6, 0.1, 0.5, 0.4, 0.1};
    for (std::size_t i = 0; i < kTenCells.size(); ++i) {
      SetValue(fresh, board, kTenCells[i].x, kTenCells[i].y, values[i]);
    }
    MoveList list;
    ExpandCandidates(search, fresh, board, list, 1, Own);
    if (seventh == 0.35) {
      ASSERT_EQ(list[0].score, 7);
      EXPECT_EQ(Cells(list).back(), (Cell{10, 9}));
      EXPECT_EQ(list[7].score, 63);
    } else {
      EXPECT_EQ(list[0].score, 6);
    }
  }
}

TEST_F(ExpandCandidatesTest, KeepsAtMostMaxChildren) {
  BoardGrid board = Board({{5, 5, Own}, {15, 15, Opponent}, {5, 15, Own}});  // 24 candidates
  MoveList list;
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 1, Own), 90);
  EXPECT_EQ(evaluator.AnnCalls, 24);
  EXPECT_EQ(list[0].score, 14);
  search.MaxChildren = 4;
  ExpandCandidates(search, evaluator, board, list, 1, Own);
  EXPECT_EQ(list[0].score, 4);
}

TEST_F(ExpandCandidatesTest, LoweredMinimumKeepsFewerLowValues) {
  BoardGrid board = Board({{10, 10, Own}, {10, 11, Opponent}});
  for (const Cell& c : kTenCells) SetValue(evaluator, board, c.x, c.y, 0.1);
  search.MinChildren = 3;
  MoveList list;
  ExpandCandidates(search, evaluator, board, list, 1, Own);
  EXPECT_EQ(list[0].score, 3);
}

TEST_F(ExpandCandidatesTest, OwnFiveComesFirstThenTheBlock) {
  BoardGrid board = Board({{10, 5, Own},
                           {10, 6, Own},
                           {10, 7, Own},
                           {10, 8, Own},  //
                           {5, 5, Opponent},
                           {5, 6, Opponent},
                           {5, 7, Opponent},
                           {5, 8, Opponent}});
  const BoardGrid before = board;
  MoveList list;
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 1, Own), WinScore);
  ASSERT_EQ(list[0].score, 1);
  EXPECT_EQ(list.length, 2);
  EXPECT_EQ(list[1].x, 10);
  EXPECT_EQ(list[1].y, 4);
  EXPECT_EQ(list[1].turn, Own);
  EXPECT_EQ(list[1].score, 0);
  EXPECT_EQ(list[1].value, 0.0);
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 1, Opponent), WinScore);
  EXPECT_EQ((Cell{list[1].x, list[1].y}), (Cell{5, 4}));
  EXPECT_EQ(evaluator.AnnCalls, 0);  // no network value is needed
  EXPECT_EQ(board, before);

  board(10, 8) = Empty;  // Own has only three now: Own must block
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 1, Own), BlockScore);
  ASSERT_EQ(list[0].score, 1);
  EXPECT_EQ((Cell{list[1].x, list[1].y}), (Cell{5, 4}));
  EXPECT_EQ(list[1].turn, Own);
  EXPECT_EQ(list[1].score, 0);
  EXPECT_EQ(evaluator.AnnCalls, 0);
}

TEST_F(ExpandCandidatesTest, EmptyBoardGivesAnEmptyList) {
  BoardGrid board = Board({});
  MoveList list;
  list[0].score = 5;
  EXPECT_EQ(ExpandCandidates(search, evaluator, board, list, 1, Own), 0);
  EXPECT_EQ(list[0].score, 0);
  EXPECT_EQ(list.length, 1);
}

TEST_F(ExpandCandidatesTest, ValuesThatAreNotNumbersGiveScoreZero) {
  BoardGrid board = Board({{1, 1, Opponent}});
  SetValue(evaluator, board, 1, 2, std::numeric_limits<double>::quiet_NaN());
  SetValue(evaluator, board, 2, 1, 0.5);
  SetValue(evaluator, board, 2, 2, 0.25);
  MoveList list;
  ExpandCandidates(search, evaluator, board, list, 1, Own);
  ASSERT_EQ(list[0].score, 3);
  int nanScores = 0;
  for (int i = 1; i <= 3; ++i) {
    if (std::isnan(list[i].value)) {
      EXPECT_EQ(list[i].score, 0);
      ++nanScores;
    }
  }
  EXPECT_EQ(nanScores, 1);
}

}  // namespace
}  // namespace ruvex
