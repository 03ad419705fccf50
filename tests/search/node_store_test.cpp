#include "search/node_store.h"

#include <gtest/gtest.h>

#include <cstring>

#include "search_fixture.h"

namespace ruvex {
namespace {

bool IsFresh(const SearchNode& node) {
  static const SearchNode fresh{};
  return std::memcmp(&node, &fresh, sizeof(SearchNode)) == 0;
}

TEST(NodeStore, StartsWithOneZeroRecordAndNoCapacity) {
  NodeStore store;
  EXPECT_EQ(store.NodeCount, 0);
  EXPECT_EQ(store.NodeCapacity, 0);
  EXPECT_EQ(store.RootId, 0);
  EXPECT_TRUE(store.blocks.empty());
  EXPECT_TRUE(IsFresh(Node(store, 0)));
}

TEST(NodeStore, FirstBatchFromTheInitialStateGrowsBeforeAnyChildIsWritten) {
  NodeStore store;
  ASSERT_TRUE(ReserveNodes(store, 14));
  EXPECT_EQ(store.NodeCapacity, 10000);
  EXPECT_EQ(store.NodeCount, 0);  // the caller adds k once the children are filled
  for (int32_t id = 1; id <= 10000; ++id) ASSERT_TRUE(IsFresh(Node(store, id))) << id;
}

TEST(NodeStore, ResetTreeDropsEveryNodeAndReleasesExtraBlocks) {
  NodeStore store;
  ResetTree(store);
  EXPECT_EQ(store.NodeCapacity, 10000);
  EXPECT_EQ(store.blocks.size(), 1u);
  store.NodeCount = 9990;
  ASSERT_TRUE(ReserveNodes(store, 14));
  store.NodeCount = 19990;
  ASSERT_TRUE(ReserveNodes(store, 14));
  EXPECT_EQ(store.NodeCapacity, 30000);
  Node(store, 0).Visits = 9;
  Node(store, 0).RootFlag = 1;
  Node(store, 7).Total = 3.5f;
  Node(store, 7).board(4, 4) = Own;
  Node(store, 29999).ChildCount = -2;
  store.RootId = 7;

  ResetTree(store);
  EXPECT_EQ(store.NodeCount, 0);
  EXPECT_EQ(store.NodeCapacity, 10000);
  EXPECT_EQ(store.RootId, 0);
  EXPECT_EQ(store.blocks.size(), 1u);
  EXPECT_EQ(StoreBytes(store), sizeof(SearchNode) * 10001);
  for (int32_t id = 0; id <= 10000; ++id) ASSERT_TRUE(IsFresh(Node(store, id))) << id;
}

TEST(NodeStore, BatchGrowsWhenItsLastIdReachesCapacity) {
  NodeStore store;
  ResetTree(store);
  store.NodeCount = 9985;
  ASSERT_TRUE(ReserveNodes(store, 14));  // last ID 9999
  EXPECT_EQ(store.NodeCapacity, 10000);
  store.NodeCount = 9986;
  ASSERT_TRUE(ReserveNodes(store, 14));  // last ID 10000 == capacity: grows first
  EXPECT_EQ(store.NodeCapacity, 20000);
  EXPECT_TRUE(IsFresh(Node(store, 20000)));
}

TEST(NodeStore, SingleNodeIsCountedFirstAndGrowsAtCapacity) {
  NodeStore store;
  ResetTree(store);
  store.NodeCount = 9998;
  EXPECT_EQ(CreateNode(store), 9999);
  EXPECT_EQ(store.NodeCount, 9999);
  EXPECT_EQ(store.NodeCapacity, 10000);
  EXPECT_EQ(CreateNode(store), 10000);
  EXPECT_EQ(store.NodeCount, 10000);
  EXPECT_EQ(store.NodeCapacity, 20000);
}

TEST(NodeStore, GrowthKeepsRecordsInPlace) {
  NodeStore store;
  ResetTree(store);
  SearchNode* first = &Node(store, 1);
  SearchNode* last = &Node(store, 10000);
  first->Visits = 11;
  first->board(20, 20) = Opponent;
  last->S_Score = 77;
  store.NodeCount = 9999;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(ReserveNodes(store, 14));
    store.NodeCount += 10000;
  }
  EXPECT_EQ(store.NodeCapacity, 60000);
  EXPECT_EQ(&Node(store, 1), first);
  EXPECT_EQ(&Node(store, 10000), last);
  EXPECT_EQ(Node(store, 1).Visits, 11);
  EXPECT_EQ(Node(store, 1).board(20, 20), Opponent);
  EXPECT_EQ(Node(store, 10000).S_Score, 77);
  EXPECT_TRUE(IsFresh(Node(store, 10001)));
  EXPECT_TRUE(IsFresh(Node(store, 60000)));
  // Every ID up to the capacity names its own record.
  EXPECT_NE(&Node(store, 10001), &Node(store, 10000));
  EXPECT_NE(&Node(store, 0), &Node(store, 1));
}

TEST(NodeStore, ChildListEntriesAreConsecutiveIds) {
  ChildList list{41, 3};
  EXPECT_EQ(list[1], 41);
  EXPECT_EQ(list[2], 42);
  EXPECT_EQ(list[3], 43);
}

TEST(NodeStore, MissingMemoryIsReportedAndChangesNothing) {
  NodeStore store;
  ResetTree(store);
  store.BlockLimit = 1;
  store.NodeCount = 9990;
  EXPECT_FALSE(ReserveNodes(store, 14));
  EXPECT_TRUE(store.Exhausted);
  EXPECT_EQ(store.NodeCapacity, 10000);
  EXPECT_EQ(store.NodeCount, 9990);
  store.Exhausted = false;
  store.NodeCount = 9999;
  EXPECT_EQ(CreateNode(store), 0);
  EXPECT_TRUE(store.Exhausted);
  EXPECT_EQ(store.NodeCount, 9999);

  // A reset that cannot get its block leaves a usable, empty store.
  store.BlockLimit = 0;
  ResetTree(store);
  EXPECT_EQ(store.NodeCapacity, 0);
  EXPECT_EQ(store.NodeCount, 0);
  EXPECT_TRUE(IsFresh(Node(store, 0)));
  store.BlockLimit = SIZE_MAX;
  EXPECT_TRUE(ReserveNodes(store, 14));
  EXPECT_EQ(store.NodeCapacity, 10000);
}

}  // namespace
}  // namespace ruvex
