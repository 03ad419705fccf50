#include "eval/cache.h"

#include <new>

namespace ruvex {

namespace {

constexpr uint64_t KeyBits = (uint64_t{1} << 56) - 1;  // a key is 7 digest bytes
constexpr uint64_t TagBit = uint64_t{1} << 63;         // set in every used slot
constexpr std::size_t SmallestTable = 16;

// A table of capacity c holds at most c * 3 / 4 entries before it doubles.
inline std::size_t MaxEntries(std::size_t capacity) {
  return capacity / 4 * 3;
}

inline uint64_t TagOf(WindowKey key) {
  return (key.bits & KeyBits) | TagBit;
}

// Keys are digest bytes, already well spread; the multiply still spreads keys
// made by hand (tests, neighbouring integers) over the whole table.
inline std::size_t HomeSlot(uint64_t tag, std::size_t mask) {
  return static_cast<std::size_t>((tag * 0x9e3779b97f4a7c15ULL) >> 32) & mask;
}

void Place(std::vector<EvalCache::Slot>& slots, uint64_t tag, double value) {
  const std::size_t mask = slots.size() - 1;
  std::size_t i = HomeSlot(tag, mask);
  while (slots[i].tag != 0) i = (i + 1) & mask;
  slots[i] = EvalCache::Slot{tag, value};
}

// Doubles the table; keeps the old one when the memory cannot be had.
bool Grow(EvalCache& cache) {
  std::vector<EvalCache::Slot> bigger;
  try {
    bigger.resize(cache.slots.empty() ? SmallestTable : cache.slots.size() * 2);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (const EvalCache::Slot& slot : cache.slots) {
    if (slot.tag != 0) Place(bigger, slot.tag, slot.value);
  }
  cache.slots.swap(bigger);
  return true;
}

}  // namespace

void InitCache(EvalCache& cache, std::size_t expectedEntries) {
  std::size_t capacity = SmallestTable;
  while (MaxEntries(capacity) < expectedEntries) capacity *= 2;
  cache.slots.assign(capacity, EvalCache::Slot{});
  cache.count = 0;
}

const double* FindValue(const EvalCache& cache, WindowKey key) {
  if (cache.slots.empty()) return nullptr;
  const uint64_t tag = TagOf(key);
  const std::size_t mask = cache.slots.size() - 1;
  for (std::size_t i = HomeSlot(tag, mask);; i = (i + 1) & mask) {
    const EvalCache::Slot& slot = cache.slots[i];
    if (slot.tag == tag) return &slot.value;
    if (slot.tag == 0) return nullptr;
  }
}

void InsertValue(EvalCache& cache, WindowKey key, double value) {
  if (cache.count + 1 > MaxEntries(cache.slots.size()) && !Grow(cache)) {
    // No memory for a bigger table: fill the present one, but always keep a
    // free slot so every lookup ends. Past that the value is not kept.
    if (cache.count + 1 >= cache.slots.size()) return;
  }
  Place(cache.slots, TagOf(key), value);
  ++cache.count;
}

std::size_t CacheBytes(const EvalCache& cache) {
  return sizeof(EvalCache) + cache.slots.capacity() * sizeof(EvalCache::Slot);
}

}  // namespace ruvex
