#include "eval/cache.h"

namespace ruvex {

namespace {

using cache_detail::HomeSlot;
using cache_detail::TagOf;

constexpr std::size_t SmallestTable = 16;

// Writes a zero into every page of a block of zero-filled pages: the pages
// are had now, at start-up, not one by one during a search.
void TouchPages(void* memory, std::size_t bytes) {
  auto* bytePointer = static_cast<volatile char*>(memory);
  for (std::size_t i = 0; i < bytes; i += 4096) bytePointer[i] = 0;
}

}  // namespace

void InitCache(EvalCache& cache, std::size_t slots, const PageAllocator& pages,
               std::size_t frontEntries) {
  std::size_t capacity = SmallestTable;
  while (capacity < slots) capacity *= 2;
  const std::size_t bytes = capacity * sizeof(EvalCache::Slot);
  cache.slots.reset();
  cache.count = 0;
  // Zero-filled pages: every slot starts free (tag 0).
  auto* memory = static_cast<EvalCache::Slot*>(pages.allocate(bytes));
  cache.slots =
      std::unique_ptr<CacheSlot[], FreeCacheSlots>(memory, FreeCacheSlots{bytes, pages.release});
  cache.capacity = memory == nullptr ? 0 : capacity;
  if (memory != nullptr) TouchPages(memory, bytes);
  cache.limit = cache.capacity / 4 * 3;
  // Zero-filled pages again: every front entry starts unused.
  cache.front.reset();
  cache.frontMask = 0;
  cache.frontHits = 0;
  const std::size_t frontBytes = frontEntries * sizeof(FrontEntry);
  auto* front = static_cast<FrontEntry*>(pages.allocate(frontBytes));
  cache.front = std::unique_ptr<FrontEntry[], FreeFrontEntries>(
      front, FreeFrontEntries{frontBytes, pages.release});
  if (front != nullptr) {
    cache.frontMask = frontEntries - 1;
    TouchPages(front, frontBytes);
  }
}

const double* FindValue(const EvalCache& cache, WindowKey key) {
  if (cache.capacity == 0) return nullptr;
  const uint64_t tag = TagOf(key);
  const std::size_t mask = cache.capacity - 1;
  for (std::size_t i = HomeSlot(tag, mask);; i = (i + 1) & mask) {
    const EvalCache::Slot& slot = cache.slots[i];
    if (slot.tag == tag) return &slot.value;
    if (slot.tag == 0) return nullptr;
  }
}

bool InsertValue(EvalCache& cache, WindowKey key, double value) {
  if (cache.count >= cache.limit) return false;
  const uint64_t tag = TagOf(key);
  const std::size_t mask = cache.capacity - 1;
  std::size_t i = HomeSlot(tag, mask);
  while (cache.slots[i].tag != 0) i = (i + 1) & mask;
  cache.slots[i] = EvalCache::Slot{tag, value};
  ++cache.count;
  return true;
}

}  // namespace ruvex
