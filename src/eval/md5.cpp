#include "eval/md5.h"

#include "eval/md5_constants.h"

#include <cstring>
#include <utility>

namespace ruvex {

namespace {

using md5_detail::Shifts;
using md5_detail::Sines;

inline uint32_t RotateLeft(uint32_t v, uint32_t n) {
  return (v << n) | (v >> (32 - n));
}

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
  return (x & y) | (~x & z);
}
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
  return (x & z) | (y & ~z);
}
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
  return x ^ y ^ z;
}
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) {
  return y ^ (x | ~z);
}

// Step i of the 64: a = b + ((a + f(b, c, d) + m[g] + T[i]) <<< s).
#define MD5_STEP(f, a, b, c, d, i, g) \
  a = b + RotateLeft(a + f(b, c, d) + m[g] + Sines[i], Shifts[i])

// One 64-byte block; words are read little-endian byte by byte.
void Transform(uint32_t (&state)[4], const uint8_t* block) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = static_cast<uint32_t>(block[4 * i]) | static_cast<uint32_t>(block[4 * i + 1]) << 8 |
           static_cast<uint32_t>(block[4 * i + 2]) << 16 |
           static_cast<uint32_t>(block[4 * i + 3]) << 24;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

  MD5_STEP(F, a, b, c, d, 0, 0);
  MD5_STEP(F, d, a, b, c, 1, 1);
  MD5_STEP(F, c, d, a, b, 2, 2);
  MD5_STEP(F, b, c, d, a, 3, 3);
  MD5_STEP(F, a, b, c, d, 4, 4);
  MD5_STEP(F, d, a, b, c, 5, 5);
  MD5_STEP(F, c, d, a, b, 6, 6);
  MD5_STEP(F, b, c, d, a, 7, 7);
  MD5_STEP(F, a, b, c, d, 8, 8);
  MD5_STEP(F, d, a, b, c, 9, 9);
  MD5_STEP(F, c, d, a, b, 10, 10);
  MD5_STEP(F, b, c, d, a, 11, 11);
  MD5_STEP(F, a, b, c, d, 12, 12);
  MD5_STEP(F, d, a, b, c, 13, 13);
  MD5_STEP(F, c, d, a, b, 14, 14);
  MD5_STEP(F, b, c, d, a, 15, 15);

  MD5_STEP(G, a, b, c, d, 16, 1);
  MD5_STEP(G, d, a, b, c, 17, 6);
  MD5_STEP(G, c, d, a, b, 18, 11);
  MD5_STEP(G, b, c, d, a, 19, 0);
  MD5_STEP(G, a, b, c, d, 20, 5);
  MD5_STEP(G, d, a, b, c, 21, 10);
  MD5_STEP(G, c, d, a, b, 22, 15);
  MD5_STEP(G, b, c, d, a, 23, 4);
  MD5_STEP(G, a, b, c, d, 24, 9);
  MD5_STEP(G, d, a, b, c, 25, 14);
  MD5_STEP(G, c, d, a, b, 26, 3);
  MD5_STEP(G, b, c, d, a, 27, 8);
  MD5_STEP(G, a, b, c, d, 28, 13);
  MD5_STEP(G, d, a, b, c, 29, 2);
  MD5_STEP(G, c, d, a, b, 30, 7);
  MD5_STEP(G, b, c, d, a, 31, 12);

  MD5_STEP(H, a, b, c, d, 32, 5);
  MD5_STEP(H, d, a, b, c, 33, 8);
  MD5_STEP(H, c, d, a, b, 34, 11);
  MD5_STEP(H, b, c, d, a, 35, 14);
  MD5_STEP(H, a, b, c, d, 36, 1);
  MD5_STEP(H, d, a, b, c, 37, 4);
  MD5_STEP(H, c, d, a, b, 38, 7);
  MD5_STEP(H, b, c, d, a, 39, 10);
  MD5_STEP(H, a, b, c, d, 40, 13);
  MD5_STEP(H, d, a, b, c, 41, 0);
  MD5_STEP(H, c, d, a, b, 42, 3);
  MD5_STEP(H, b, c, d, a, 43, 6);
  MD5_STEP(H, a, b, c, d, 44, 9);
  MD5_STEP(H, d, a, b, c, 45, 12);
  MD5_STEP(H, c, d, a, b, 46, 15);
  MD5_STEP(H, b, c, d, a, 47, 2);

  MD5_STEP(I, a, b, c, d, 48, 0);
  MD5_STEP(I, d, a, b, c, 49, 7);
  MD5_STEP(I, c, d, a, b, 50, 14);
  MD5_STEP(I, b, c, d, a, 51, 5);
  MD5_STEP(I, a, b, c, d, 52, 12);
  MD5_STEP(I, d, a, b, c, 53, 3);
  MD5_STEP(I, c, d, a, b, 54, 10);
  MD5_STEP(I, b, c, d, a, 55, 1);
  MD5_STEP(I, a, b, c, d, 56, 8);
  MD5_STEP(I, d, a, b, c, 57, 15);
  MD5_STEP(I, c, d, a, b, 58, 6);
  MD5_STEP(I, b, c, d, a, 59, 13);
  MD5_STEP(I, a, b, c, d, 60, 4);
  MD5_STEP(I, d, a, b, c, 61, 11);
  MD5_STEP(I, c, d, a, b, 62, 2);
  MD5_STEP(I, b, c, d, a, 63, 9);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

#undef MD5_STEP

}  // namespace

Md5Digest Md5(const void* data, std::size_t length) {
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::size_t whole = length - length % 64;
  for (std::size_t offset = 0; offset < whole; offset += 64) Transform(state, bytes + offset);

  // The tail, the 0x80 marker, zero padding and the bit length (little-endian)
  // fill one or two final blocks.
  uint8_t tail[128] = {};
  const std::size_t rest = length - whole;
  if (rest > 0) std::memcpy(tail, bytes + whole, rest);
  tail[rest] = 0x80;
  const std::size_t tailLength = rest < 56 ? 64 : 128;
  const uint64_t bits = static_cast<uint64_t>(length) * 8;
  for (int i = 0; i < 8; ++i) tail[tailLength - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
  Transform(state, tail);
  if (tailLength == 128) Transform(state, tail + 64);

  Md5Digest digest;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(state[i] >> (8 * j));
  }
  return digest;
}

namespace {

using LanesFunction = void (*)(const uint8_t* const*, std::size_t, std::size_t, Md5Digest*);

bool avx512Wanted = true;

// The widest lanes wanted and at hand, or nullptr.
LanesFunction Lanes() {
#ifdef RUVEX_EVAL_AVX2
  static const bool hasAvx2 = __builtin_cpu_supports("avx2") != 0;
  static const bool hasAvx512 =
      __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0;
  if (avx512Wanted && hasAvx512) return md5_detail::Md5LanesAvx512;
  if (hasAvx2) return md5_detail::Md5LanesAvx2;
#endif
  return nullptr;
}

}  // namespace

bool md5_detail::UseAvx512(bool use) {
  return std::exchange(avx512Wanted, use);
}

void Md5Many(const uint8_t* const* messages, std::size_t length, std::size_t count,
             Md5Digest* digests) {
  std::size_t i = 0;
  // One message alone is done sooner by the plain code.
  if (const LanesFunction lanes = length <= 119 ? Lanes() : nullptr) {
    for (; i + 1 < count; i += 8)
      lanes(messages + i, length, count - i < 8 ? count - i : 8, digests + i);
  }
  for (; i < count; ++i) digests[i] = Md5(messages[i], length);
}

}  // namespace ruvex
