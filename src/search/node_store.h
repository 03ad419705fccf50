// The search tree store: node records addressed by ID, kept for the life of
// the process and emptied only by ResetTree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "board/board.h"
#include "platform/host.h"

namespace ruvex {

// A node's children always carry consecutive IDs handed out in one batch, so
// the list is its first ID and its length. Entry i (from 1) is first + i - 1;
// entry 0 is not used. A fresh list is empty.
struct ChildList {
  int32_t first = 0;
  int32_t length = 0;

  int32_t operator[](int32_t i) const { return first + i - 1; }
};

// One tree node. A fresh record is all zero. Avg (Total / Visits) is never
// stored; it is computed where it is used. A node holds no board: its
// position is the base position (NodeStore::baseBoard) plus the moves on its
// path from the base node, each stone of its parent's side.
struct SearchNode {
  int32_t ParentID = 0;
  float Total = 0.0f;
  int32_t Visits = 0;
  int32_t ChildCount = 0;    // 0 unexpanded; negative: expansions that found no cell
  int32_t RolloutScore = 0;  // 220 terminal win, 1 side to move has a five, 0 otherwise
  float UCB1_Score = 0.0f;
  ChildList children;
  int32_t turn = 0;  // side to move in the node's position
  Cell location;     // the move that led here, made by the parent's side
  int8_t RootFlag = 0;
  int8_t isTerminal = 0;  // 1 terminal five; 2 side to move has a five (one child)
  int32_t S_Score = 0;    // network value x 180 of the move that led here
};

constexpr int32_t NodeBlockSize = 10000;  // records per growth step
constexpr std::size_t NodeBlockBytes = NodeBlockSize * sizeof(SearchNode);

// Node records by ID. Record 0 stands alone; IDs 1.. live in blocks of
// NodeBlockSize records (block b holds IDs b * 10000 + 1 .. (b + 1) * 10000),
// so NodeCapacity is always 10000 times the number of blocks. Growing adds a
// block and never moves a record: IDs and references stay valid.
struct NodeStore {
  struct FreeBlock {
    std::function<void(void*, std::size_t)> release;
    void operator()(SearchNode* block) const { release(block, NodeBlockBytes); }
  };
  using Block = std::unique_ptr<SearchNode[], FreeBlock>;

  PageAllocator pages = SystemHost().pages;  // where the blocks come from

  SearchNode zero;  // ID 0
  std::vector<Block> blocks;
  int32_t NodeCount = 0;     // highest ID handed out since the last reset
  int32_t NodeCapacity = 0;  // highest ID the records can hold
  int32_t RootId = 0;
  // The position of node baseId, the root of the current search (the game
  // board PrepareRoot was given); every node of the search lies below it.
  BoardGrid baseBoard;
  int32_t baseId = 0;
  // Set when a block could not be obtained: the search then stops growing the
  // tree. Cleared by the driver at the start of every search.
  bool Exhausted = false;
};

inline SearchNode& Node(NodeStore& store, int32_t id) {
  if (id == 0) return store.zero;
  const auto index = static_cast<uint32_t>(id - 1);
  return store.blocks[index / NodeBlockSize][index % NodeBlockSize];
}

inline const SearchNode& Node(const NodeStore& store, int32_t id) {
  return Node(const_cast<NodeStore&>(store), id);
}

// Drops every node: NodeCount 0, NodeCapacity 10000 (IDs 0..10000, all fresh),
// RootId 0, base node 0 with an all-zero board. The memory of the dropped records is released
// first. If no block can be had, NodeCapacity stays 0 and the next growth tries again.
void ResetTree(NodeStore& store);

// Makes room for IDs NodeCount + 1 .. NodeCount + k: when NodeCount + k >=
// NodeCapacity the store grows by 10000 fresh records. False (and Exhausted
// set) when memory for them cannot be had.
bool ReserveNodes(NodeStore& store, int32_t k);

// Hands out the single node NodeCount + 1, growing the store by 10000 records
// when the new NodeCount reaches NodeCapacity. Returns its ID, or 0 (nothing
// changed, Exhausted set) when memory for the records cannot be had.
int32_t CreateNode(NodeStore& store);

// Longest path from the base node NodePosition follows: every move of a path
// takes an empty cell, so a real path is never longer than the board has cells.
constexpr int32_t MaxPathLength = MaxMoves + 1;

// The position of node id: baseBoard plus the moves on the path from the
// base node, each the stone of the mover's parent's side (turn), applied top
// down. A node not below the base (never so in a search) gets the moves up
// to its topmost ancestor, at most MaxPathLength of them.
void NodePosition(const NodeStore& store, int32_t id, BoardGrid& board);

// Bytes held by the node records.
std::size_t StoreBytes(const NodeStore& store);

}  // namespace ruvex
