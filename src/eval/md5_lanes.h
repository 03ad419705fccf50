// MD5 of up to eight messages of one length side by side, one message to each
// 32-bit lane of a 256-bit register; every lane runs the same steps as the
// one-message code. Included by the file of each instruction set with its
// Ops (the round functions and the rotation); everything here is internal to
// each of them (an anonymous namespace).
#pragma once

#include <immintrin.h>

#include <cstring>

#include "eval/md5.h"
#include "eval/md5_constants.h"

namespace ruvex::md5_detail {
namespace {

// Message word of each step.
constexpr int Words[64] = {0, 1, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                           1, 6, 11, 0,  5,  10, 15, 4,  9,  14, 3,  8,  13, 2,  7,  12,
                           5, 8, 11, 14, 1,  4,  7,  10, 13, 0,  3,  6,  9,  12, 15, 2,
                           0, 7, 14, 5,  12, 3,  10, 1,  8,  15, 6,  13, 4,  11, 2,  9};

template <class Ops, int I>
inline void Step(__m256i& a, __m256i b, __m256i c, __m256i d, const __m256i* m) {
  const __m256i sum = _mm256_add_epi32(
      _mm256_add_epi32(a, Ops::template Mix<I / 16>(b, c, d)),
      _mm256_add_epi32(m[Words[I]], _mm256_set1_epi32(static_cast<int>(Sines[I]))));
  a = _mm256_add_epi32(b, Ops::template Rotate<Shifts[I]>(sum));
}

template <class Ops, int I>
inline void Steps(__m256i& a, __m256i& b, __m256i& c, __m256i& d, const __m256i* m) {
  if constexpr (I < 64) {
    Step<Ops, I>(a, b, c, d, m);
    Step<Ops, I + 1>(d, a, b, c, m);
    Step<Ops, I + 2>(c, d, a, b, m);
    Step<Ops, I + 3>(b, c, d, a, m);
    Steps<Ops, I + 4>(a, b, c, d, m);
  }
}

// Up to 8 messages (lanes of them) of at most 119 bytes.
template <class Ops>
void Md5Lanes(const uint8_t* const* messages, std::size_t length, std::size_t lanes,
              Md5Digest* digests) {
  // Each message with its padding in two blocks; missing lanes repeat lane 0.
  alignas(32) uint8_t padded[8][128] = {};
  const std::size_t blocks = length < 56 ? 1 : 2;
  const uint64_t bits = static_cast<uint64_t>(length) * 8;
  for (std::size_t l = 0; l < 8; ++l) {
    uint8_t* p = padded[l];
    std::memcpy(p, messages[l < lanes ? l : 0], length);
    p[length] = 0x80;
    for (int i = 0; i < 8; ++i) p[64 * blocks - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
  }
  __m256i state[4] = {
      _mm256_set1_epi32(0x67452301), _mm256_set1_epi32(static_cast<int>(0xefcdab89)),
      _mm256_set1_epi32(static_cast<int>(0x98badcfe)), _mm256_set1_epi32(0x10325476)};
  for (std::size_t block = 0; block < blocks; ++block) {
    // Word w of every lane's block (little-endian, as x86 reads it).
    alignas(32) uint32_t words[16][8];
    for (int l = 0; l < 8; ++l)
      for (int w = 0; w < 16; ++w) std::memcpy(&words[w][l], &padded[l][64 * block + 4 * w], 4);
    __m256i m[16];
    for (int w = 0; w < 16; ++w)
      m[w] = _mm256_load_si256(reinterpret_cast<const __m256i*>(words[w]));
    __m256i a = state[0], b = state[1], c = state[2], d = state[3];
    Steps<Ops, 0>(a, b, c, d, m);
    state[0] = _mm256_add_epi32(state[0], a);
    state[1] = _mm256_add_epi32(state[1], b);
    state[2] = _mm256_add_epi32(state[2], c);
    state[3] = _mm256_add_epi32(state[3], d);
  }
  alignas(32) uint32_t out[4][8];
  for (int i = 0; i < 4; ++i) _mm256_store_si256(reinterpret_cast<__m256i*>(out[i]), state[i]);
  for (std::size_t l = 0; l < lanes; ++l)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        digests[l][4 * i + j] = static_cast<uint8_t>(out[i][l] >> (8 * j));
}

}  // namespace
}  // namespace ruvex::md5_detail
