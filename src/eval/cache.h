// Process-wide cache of network values keyed by window key. Entries are only
// added (on a miss) and never changed or removed; the cache is never cleared.
//
// The table has a fixed number of slots taken from the system's zero-filled
// pages: it never grows, so it is never copied (a doubling copy of a large
// table would briefly need half as much memory again), and its pages only
// count in the working set once they are written. Once the table is three
// quarters full, further values are computed but not kept, so the cache's
// memory stays within EvalCacheSlots x 16 bytes for the life of the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "eval/window.h"
#include "platform/host.h"

namespace ruvex {

// Slots of the engine's table: 4,194,304 x 16 bytes = 64 MiB, room for
// 3,145,728 entries.
constexpr std::size_t EvalCacheSlots = std::size_t{1} << 22;

// One slot: the key's 56 bits with the top bit set (0 for a free slot), and
// the value.
struct CacheSlot {
  uint64_t tag = 0;
  double value = 0.0;
};

// Hands a table's pages back to where they came from.
struct FreeCacheSlots {
  std::size_t bytes = 0;
  std::function<void(void*, std::size_t)> release;
  void operator()(CacheSlot* slots) const { release(slots, bytes); }
};

// Open-addressing table of 16-byte slots with linear probing.
struct EvalCache {
  using Slot = CacheSlot;
  std::unique_ptr<Slot[], FreeCacheSlots> slots;
  std::size_t capacity = 0;  // slots, a power of two (0 when no memory could be had)
  std::size_t limit = 0;     // most entries kept: three quarters of the slots
  std::size_t count = 0;
};

// A fresh, empty table of at least the given number of slots (rounded up to
// a power of two, at least 16), its memory from pages.
void InitCache(EvalCache& cache, std::size_t slots = EvalCacheSlots,
               const PageAllocator& pages = SystemHost().pages);

// The stored value, or nullptr when the key is not in the cache.
const double* FindValue(const EvalCache& cache, WindowKey key);

// Adds the key (which must not be present yet) with its value. Returns false,
// keeping nothing, when the table is full.
bool InsertValue(EvalCache& cache, WindowKey key, double value);

inline std::size_t CacheEntryCount(const EvalCache& cache) {
  return cache.count;
}

// Memory the table may occupy.
inline std::size_t CacheBytes(const EvalCache& cache) {
  return cache.capacity * sizeof(EvalCache::Slot);
}

}  // namespace ruvex
