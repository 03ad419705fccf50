#include "eval/cache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <unordered_map>

namespace ruvex {
namespace {

TEST(EvalCache, InitSizesForFiftyThousandWithoutGrowing) {
  EvalCache cache;
  InitCache(cache);
  const std::size_t slots = cache.slots.size();
  EXPECT_EQ(CacheEntryCount(cache), 0u);
  EXPECT_EQ(sizeof(EvalCache::Slot), 16u);
  for (uint64_t k = 1; k <= EvalCacheSlots; ++k) InsertValue(cache, WindowKey{k}, 0.0);
  EXPECT_EQ(cache.slots.size(), slots);
  EXPECT_EQ(CacheEntryCount(cache), EvalCacheSlots);
  EXPECT_GE(CacheBytes(cache), slots * 16);
}

TEST(EvalCache, MissThenHitWithTheStoredDouble) {
  EvalCache cache;
  InitCache(cache);
  const WindowKey key{0x2929b007945c14ULL};
  EXPECT_EQ(FindValue(cache, key), nullptr);
  InsertValue(cache, key, 0.123456789);
  const double* found = FindValue(cache, key);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, 0.123456789);
  EXPECT_EQ(FindValue(cache, WindowKey{0x2929b007945c15ULL}), nullptr);
  EXPECT_EQ(CacheEntryCount(cache), 1u);
}

TEST(EvalCache, KeyZeroAndTheLargestKeyAreOrdinaryKeys) {
  EvalCache cache;
  InitCache(cache, 4);
  InsertValue(cache, WindowKey{0}, 1.5);
  InsertValue(cache, WindowKey{0xffffffffffffffULL}, 2.5);
  ASSERT_NE(FindValue(cache, WindowKey{0}), nullptr);
  EXPECT_EQ(*FindValue(cache, WindowKey{0}), 1.5);
  EXPECT_EQ(*FindValue(cache, WindowKey{0xffffffffffffffULL}), 2.5);
  EXPECT_EQ(FindValue(cache, WindowKey{1}), nullptr);
}

TEST(EvalCache, EqualKeysShareOneEntry) {
  // Two windows whose digests agree in the first 7 bytes have equal keys: the
  // first value stays and answers both.
  EvalCache cache;
  InitCache(cache);
  const WindowKey first{0x0123456789abcdULL};
  const WindowKey same{0x0123456789abcdULL};
  InsertValue(cache, first, 0.25);
  ASSERT_NE(FindValue(cache, same), nullptr);
  EXPECT_EQ(*FindValue(cache, same), 0.25);
}

TEST(EvalCache, NaNAndSignedZeroValuesAreKeptBitForBit) {
  EvalCache cache;
  InitCache(cache, 4);
  InsertValue(cache, WindowKey{7}, -0.0);
  InsertValue(cache, WindowKey{8}, std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(std::signbit(*FindValue(cache, WindowKey{7})));
  EXPECT_TRUE(std::isnan(*FindValue(cache, WindowKey{8})));
}

TEST(EvalCache, GrowthKeepsEveryEntry) {
  EvalCache cache;
  InitCache(cache, 10);
  const std::size_t initial = cache.slots.size();
  std::mt19937_64 random(99);
  std::unordered_map<uint64_t, double> reference;
  while (reference.size() < 200000) {
    const uint64_t bits = random() & 0xffffffffffffffULL;
    if (reference.count(bits) != 0) continue;
    const double value = static_cast<double>(reference.size()) / 7.0;
    ASSERT_EQ(FindValue(cache, WindowKey{bits}), nullptr);
    InsertValue(cache, WindowKey{bits}, value);
    reference.emplace(bits, value);
  }
  EXPECT_GT(cache.slots.size(), initial);
  EXPECT_EQ(CacheEntryCount(cache), reference.size());
  // Never more than three quarters full.
  EXPECT_LE(CacheEntryCount(cache) * 4, cache.slots.size() * 3);
  for (const auto& [bits, value] : reference) {
    const double* found = FindValue(cache, WindowKey{bits});
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, value);
  }
  // Neighbouring integers (keys made by hand) work as well.
  for (uint64_t k = 1; k <= 1000; ++k) {
    if (reference.count(k) == 0) {
      EXPECT_EQ(FindValue(cache, WindowKey{k}), nullptr);
    }
  }
}

TEST(EvalCache, DefaultConstructedCacheWorks) {
  EvalCache cache;
  EXPECT_EQ(FindValue(cache, WindowKey{5}), nullptr);
  InsertValue(cache, WindowKey{5}, 0.5);
  ASSERT_NE(FindValue(cache, WindowKey{5}), nullptr);
  EXPECT_EQ(*FindValue(cache, WindowKey{5}), 0.5);
}

}  // namespace
}  // namespace ruvex
