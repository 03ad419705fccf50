#include "search/node_store.h"

#include <type_traits>

namespace ruvex {

// Blocks are zero-filled pages from the system: an all-zero record is a fresh
// node (every field 0), fresh pages only count in the
// working set once a node is written into them, and a dropped tree's pages go
// back to the system at once.
static_assert(std::is_trivially_copyable_v<SearchNode> &&
                  std::is_trivially_destructible_v<SearchNode>,
              "node records are created directly in zero-filled memory");

namespace {

bool GrowStore(NodeStore& store) {
  void* memory = store.pages.allocate(NodeBlockBytes);
  if (memory == nullptr) {
    store.Exhausted = true;
    return false;
  }
  store.blocks.emplace_back(static_cast<SearchNode*>(memory),
                            NodeStore::FreeBlock{store.pages.release});
  store.NodeCapacity += NodeBlockSize;
  return true;
}

}  // namespace

void ResetTree(NodeStore& store) {
  store.blocks.clear();
  store.blocks.shrink_to_fit();
  store.zero = SearchNode{};
  store.NodeCount = 0;
  store.NodeCapacity = 0;
  store.RootId = 0;
  store.baseBoard = BoardGrid{};
  store.baseId = 0;
  GrowStore(store);
}

void NodePosition(const NodeStore& store, int32_t id, BoardGrid& board) {
  int32_t path[MaxPathLength];
  int32_t length = 0;
  while (id != store.baseId && length < MaxPathLength) {
    const int32_t parent = Node(store, id).ParentID;
    if (parent == id) break;  // the top of a tree the base is not in
    path[length++] = id;
    id = parent;
  }
  board = store.baseBoard;
  while (length > 0) {
    const SearchNode& node = Node(store, path[--length]);
    const Cell at = node.location;
    if (at.x >= 0 && at.x < GridSize && at.y >= 0 && at.y < GridSize)
      board(at.x, at.y) = static_cast<int8_t>(Node(store, node.ParentID).turn);
  }
}

bool ReserveNodes(NodeStore& store, int32_t k) {
  while (store.NodeCount + k >= store.NodeCapacity) {
    if (!GrowStore(store)) return false;
  }
  return true;
}

int32_t CreateNode(NodeStore& store) {
  const int32_t id = store.NodeCount + 1;
  if (id >= store.NodeCapacity && !GrowStore(store)) return 0;
  store.NodeCount = id;
  return id;
}

std::size_t StoreBytes(const NodeStore& store) {
  return sizeof(SearchNode) * (1 + store.blocks.size() * static_cast<std::size_t>(NodeBlockSize));
}

}  // namespace ruvex
