#include "search/node_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "search_fixture.h"

namespace ruvex {
namespace {

using testing::LimitedPages;
using testing::PageLimit;

// Records 1.. live in zero-filled pages and are compared byte for byte;
// record 0 is a member of the store, whose padding bytes are unspecified.
bool AllFresh(const NodeStore& store, int32_t from, int32_t to) {
  static const SearchNode fresh{};
  if (from == 0) {
    const SearchNode& zero = Node(store, 0);
    if (zero.Visits != 0 || zero.ChildCount != 0 || zero.board != fresh.board) return false;
    from = 1;
  }
  for (int32_t id = from; id <= to; ++id) {
    if (std::memcmp(&Node(store, id), &fresh, sizeof(SearchNode)) != 0) return false;
  }
  return true;
}

TEST(NodeStore, GrowsFromTheInitialStateAndAtTheGreaterOrEqualBoundary) {
  NodeStore store;  // one zero record, no capacity
  EXPECT_EQ(store.NodeCapacity, 0);
  ASSERT_TRUE(ReserveNodes(store, 14));
  // Grown before any child is written; the caller adds k once they are filled.
  EXPECT_EQ(std::tuple(store.NodeCapacity, store.NodeCount), std::tuple(10000, 0));
  EXPECT_TRUE(AllFresh(store, 0, 10000));

  store.NodeCount = 9985;
  ASSERT_TRUE(ReserveNodes(store, 14));  // last ID 9999
  EXPECT_EQ(store.NodeCapacity, 10000);
  store.NodeCount = 9986;
  ASSERT_TRUE(ReserveNodes(store, 14));  // last ID 10000 == capacity: grows first
  EXPECT_EQ(store.NodeCapacity, 20000);

  // A single node is counted first and then grows the store at capacity.
  store.NodeCount = 19998;
  EXPECT_EQ(CreateNode(store), 19999);
  EXPECT_EQ(store.NodeCapacity, 20000);
  EXPECT_EQ(CreateNode(store), 20000);
  EXPECT_EQ(std::tuple(store.NodeCount, store.NodeCapacity), std::tuple(20000, 30000));
  EXPECT_TRUE(AllFresh(store, 10001, 30000));
}

TEST(NodeStore, GrowthKeepsIdsStableAndResetDropsEverything) {
  NodeStore store;
  ResetTree(store);
  SearchNode* first = &Node(store, 1);
  SearchNode* last = &Node(store, 10000);
  first->board(20, 20) = Opponent;
  last->S_Score = 77;
  for (store.NodeCount = 9999; store.NodeCount < 50000; store.NodeCount += 10000) {
    ASSERT_TRUE(ReserveNodes(store, 14));
  }
  EXPECT_EQ(store.NodeCapacity, 60000);
  EXPECT_EQ(&Node(store, 1), first);
  EXPECT_EQ(&Node(store, 10000), last);
  EXPECT_EQ(std::tuple(first->board(20, 20), last->S_Score), std::tuple(Opponent, 77));
  EXPECT_NE(&Node(store, 10001), last);
  EXPECT_NE(&Node(store, 0), first);
  EXPECT_TRUE(AllFresh(store, 10001, 60000));

  Node(store, 0).Visits = 9;
  store.RootId = 7;
  ResetTree(store);
  EXPECT_EQ(std::tuple(store.NodeCount, store.NodeCapacity, store.RootId), std::tuple(0, 10000, 0));
  EXPECT_EQ(StoreBytes(store), sizeof(SearchNode) * 10001);  // extra blocks released
  EXPECT_TRUE(AllFresh(store, 0, 10000));
}

TEST(NodeStore, MissingMemoryIsReportedAndChangesNothing) {
  NodeStore store;
  PageLimit pages{1};
  store.pages = LimitedPages(pages);
  ResetTree(store);
  store.NodeCount = 9990;
  EXPECT_FALSE(ReserveNodes(store, 14));
  EXPECT_TRUE(store.Exhausted);
  EXPECT_EQ(store.NodeCapacity, 10000);
  store.Exhausted = false;
  store.NodeCount = 9999;
  EXPECT_EQ(CreateNode(store), 0);
  EXPECT_TRUE(store.Exhausted);
  EXPECT_EQ(store.NodeCount, 9999);

  // A reset that cannot get its block leaves a usable, empty store.
  pages.limit = 0;
  ResetTree(store);
  EXPECT_EQ(std::tuple(store.NodeCount, store.NodeCapacity), std::tuple(0, 0));
  pages.limit = 1;
  EXPECT_TRUE(ReserveNodes(store, 14));
  EXPECT_EQ(store.NodeCapacity, 10000);
}

}  // namespace
}  // namespace ruvex
