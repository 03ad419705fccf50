// A small fixed-algorithm random generator (xoshiro256**, seeded through
// splitmix64). Every draw is defined bit for bit, unlike the standard
// library's distributions, so a seed regenerates the same data everywhere.
#pragma once

#include <cstdint>

namespace ruvex::trainer {

struct Rng {
  uint64_t s[4] = {0, 0, 0, 0};
};

inline uint64_t SplitMix64(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

inline Rng SeedRng(uint64_t seed) {
  Rng rng;
  for (uint64_t& word : rng.s) word = SplitMix64(seed);
  return rng;
}

inline uint64_t NextU64(Rng& rng) {
  uint64_t* s = rng.s;
  const uint64_t result = ((s[1] * 5) << 7 | (s[1] * 5) >> 57) * 9;
  const uint64_t t = s[1] << 17;
  s[2] ^= s[0];
  s[3] ^= s[1];
  s[1] ^= s[2];
  s[0] ^= s[3];
  s[2] ^= t;
  s[3] = (s[3] << 45) | (s[3] >> 19);
  return result;
}

// Uniform in [0, 1) with 53 random bits.
inline double NextUnit(Rng& rng) {
  return static_cast<double>(NextU64(rng) >> 11) * 0x1.0p-53;
}

// Uniform integer in [0, bound) for bound >= 1 (multiply-shift, no modulo bias
// worth speaking of at these sizes).
inline int NextBelow(Rng& rng, int bound) {
  return static_cast<int>(
      (static_cast<unsigned __int128>(NextU64(rng)) * static_cast<uint64_t>(bound)) >> 64);
}

}  // namespace ruvex::trainer
