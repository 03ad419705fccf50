// Process-wide cache of network values keyed by window key. Entries are only
// added (on a miss) and never changed or removed; the cache is never cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "eval/window.h"

namespace ruvex {

constexpr std::size_t EvalCacheSlots = 50000;

// Open-addressing table of 16-byte slots; a slot's tag is the key's 56 bits
// with the top bit set, 0 for a free slot.
struct EvalCache {
  struct Slot {
    uint64_t tag = 0;
    double value = 0.0;
  };
  std::vector<Slot> slots;
  std::size_t count = 0;
};

// Sizes the table for at least the given number of entries without growing.
void InitCache(EvalCache& cache, std::size_t expectedEntries = EvalCacheSlots);

// The stored value, or nullptr when the key is not in the cache.
const double* FindValue(const EvalCache& cache, WindowKey key);

// Adds the key (which must not be present yet) with its value.
void InsertValue(EvalCache& cache, WindowKey key, double value);

inline std::size_t CacheEntryCount(const EvalCache& cache) { return cache.count; }
std::size_t CacheBytes(const EvalCache& cache);

}  // namespace ruvex
