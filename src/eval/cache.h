// Process-wide cache of network values keyed by window key. Entries are only
// added (on a miss) and never changed or removed; the cache is never cleared.
//
// The table has a fixed number of slots taken from the system's zero-filled
// pages: it never grows, so it is never copied (a doubling copy of a large
// table would briefly need half as much memory again), and its pages are
// touched once when it is made (not one by one during a search), so they
// count in the working set from then on. Once the table is three
// quarters full, further values are computed but not kept, so the cache's
// memory stays within EvalCacheSlots x 16 bytes for the life of the process.
#pragma once

#include <array>
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

// Entries of the front table: 65,536 x 32 bytes = 2 MiB, small enough to
// stay in the processor's caches where the main table cannot.
constexpr std::size_t FrontEntries = std::size_t{1} << 16;

// One front entry: an exact key (bit 63 of the last word set in a used entry)
// and the value the table holds for that key's text.
struct FrontEntry {
  std::array<uint64_t, 3> words{};
  double value = 0.0;
};

// Hands a front table's pages back to where they came from.
struct FreeFrontEntries {
  std::size_t bytes = 0;
  std::function<void(void*, std::size_t)> release;
  void operator()(FrontEntry* entries) const { release(entries, bytes); }
};

constexpr uint64_t FrontUsedBit = uint64_t{1} << 63;

inline std::size_t FrontIndex(const ExactKey& key, std::size_t mask) {
  const uint64_t h = key.words[0] * 0x9e3779b97f4a7c15ULL ^ key.words[1] * 0xc2b2ae3d27d4eb4fULL ^
                     key.words[2] * 0x165667b19e3779f9ULL;
  return static_cast<std::size_t>(h >> 40) & mask;
}

// Open-addressing table of 16-byte slots with linear probing, and in front of
// it a direct-mapped table keyed by the window's key text itself, which
// answers repeated windows without the digest and without a trip to main
// memory. The front only ever holds a text whose key the main table holds,
// with the main table's value (entries of the main table never change), so
// it answers exactly as the main table would.
struct EvalCache {
  using Slot = CacheSlot;
  std::unique_ptr<Slot[], FreeCacheSlots> slots;
  std::size_t capacity = 0;  // slots, a power of two (0 when no memory could be had)
  std::size_t limit = 0;     // most entries kept: three quarters of the slots
  std::size_t count = 0;
  std::unique_ptr<FrontEntry[], FreeFrontEntries> front;
  std::size_t frontMask = 0;  // front entries - 1 (no front when front is null)
  int64_t frontHits = 0;      // lookups the front answered
};

// A fresh, empty table of at least the given number of slots (rounded up to
// a power of two, at least 16) and an empty front of frontEntries (a power of
// two), their memory from pages.
void InitCache(EvalCache& cache, std::size_t slots = EvalCacheSlots,
               const PageAllocator& pages = SystemHost().pages,
               std::size_t frontEntries = FrontEntries);

// The value the front holds for the text of key, or nullptr; PeekFront
// does not count the lookup.
inline const double* PeekFront(const EvalCache& cache, const ExactKey& key) {
  if (!key.valid || !cache.front) return nullptr;
  const FrontEntry& entry = cache.front[FrontIndex(key, cache.frontMask)];
  if (entry.words[0] != key.words[0] || entry.words[1] != key.words[1] ||
      entry.words[2] != (key.words[2] | FrontUsedBit))
    return nullptr;
  return &entry.value;
}

inline const double* FindFront(EvalCache& cache, const ExactKey& key) {
  const double* value = PeekFront(cache, key);
  if (value != nullptr) ++cache.frontHits;
  return value;
}

// Asks the processor to fetch the front entry of key.
inline void PrefetchFront(const EvalCache& cache, const ExactKey& key) {
  if (cache.front) __builtin_prefetch(&cache.front[FrontIndex(key, cache.frontMask)]);
}

// Puts the text of key with value in the front, in place of whatever its
// entry held. Only for a value the main table holds under the text's key.
inline void KeepFront(EvalCache& cache, const ExactKey& key, double value) {
  if (!key.valid || !cache.front) return;
  FrontEntry& entry = cache.front[FrontIndex(key, cache.frontMask)];
  entry.words = {key.words[0], key.words[1], key.words[2] | FrontUsedBit};
  entry.value = value;
}

// The stored value, or nullptr when the key is not in the cache.
const double* FindValue(const EvalCache& cache, WindowKey key);

namespace cache_detail {

constexpr uint64_t KeyBits = (uint64_t{1} << 56) - 1;  // a key is 7 digest bytes
constexpr uint64_t TagBit = uint64_t{1} << 63;         // set in every used slot

inline uint64_t TagOf(WindowKey key) {
  return (key.bits & KeyBits) | TagBit;
}

// Keys are digest bytes, already well spread; the multiply still spreads keys
// made by hand (tests, neighbouring integers) over the whole table.
inline std::size_t HomeSlot(uint64_t tag, std::size_t mask) {
  return static_cast<std::size_t>((tag * 0x9e3779b97f4a7c15ULL) >> 32) & mask;
}

}  // namespace cache_detail

// Asks the processor to fetch the slot a lookup of key starts at, so that a
// lookup shortly after does not wait for main memory.
inline void PrefetchValue(const EvalCache& cache, WindowKey key) {
  if (cache.capacity == 0) return;
  __builtin_prefetch(
      &cache.slots[cache_detail::HomeSlot(cache_detail::TagOf(key), cache.capacity - 1)]);
}

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
