#include "eval/cache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <unordered_set>
#include <vector>

#include "eval_support.h"

namespace ruvex {
namespace {

using testing::Bits;

// Filled to three quarters, special keys and values first, then random keys:
// every value comes back bit for bit. Then the table is full: it keeps what
// it has, adds nothing, and lookups of absent keys still end.
TEST(EvalCache, KeepsEveryValueUntilFull) {
  EvalCache cache;  // as when no memory could be had: keeps nothing
  EXPECT_FALSE(InsertValue(cache, WindowKey{5}, 0.5));
  EXPECT_EQ(FindValue(cache, WindowKey{5}), nullptr);
  InitCache(cache);
  EXPECT_EQ(CacheBytes(cache), std::size_t{64} << 20);  // the table's memory is fixed
  InitCache(cache, 1000);
  ASSERT_EQ(cache.capacity, 1024u);  // a power of two
  ASSERT_EQ(cache.limit, 768u);
  std::vector<std::pair<uint64_t, double>> entries = {
      {0, 1.5}, {0xffffffffffffffULL, 2.5}, {7, -0.0}, {8, std::nan("")}};
  std::unordered_set<uint64_t> keys = {0, 0xffffffffffffffULL, 7, 8};
  std::mt19937_64 random(99);
  while (entries.size() < cache.limit) {
    const uint64_t key = random() & 0xffffffffffffffULL;
    if (keys.insert(key).second) entries.emplace_back(key, static_cast<double>(keys.size()) / 7.0);
  }
  for (const auto& [key, value] : entries) {
    ASSERT_EQ(FindValue(cache, WindowKey{key}), nullptr);
    ASSERT_TRUE(InsertValue(cache, WindowKey{key}, value));
  }
  EXPECT_FALSE(InsertValue(cache, WindowKey{1}, 6.5));
  EXPECT_EQ(CacheEntryCount(cache), entries.size());
  for (const auto& [key, value] : entries) {
    const double* found = FindValue(cache, WindowKey{key});
    ASSERT_NE(found, nullptr) << key;
    EXPECT_EQ(Bits(*found), Bits(value)) << key;
  }
  for (uint64_t k = 1; k <= 1000; ++k) {
    EXPECT_TRUE(keys.count(k) != 0 || FindValue(cache, WindowKey{k}) == nullptr) << k;
  }
}

}  // namespace
}  // namespace ruvex
