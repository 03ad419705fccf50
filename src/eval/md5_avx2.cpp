// MD5 of up to eight messages at once with AVX2 (built with -mavx2, called
// only where the processor has it).
#include "eval/md5_lanes.h"

namespace ruvex::md5_detail {
namespace {

struct Avx2 {
  // The four round functions in their cheaper equal forms.
  template <int Round>
  static __m256i Mix(__m256i x, __m256i y, __m256i z) {
    if constexpr (Round == 0)
      return _mm256_xor_si256(z, _mm256_and_si256(x, _mm256_xor_si256(y, z)));
    if constexpr (Round == 1)
      return _mm256_xor_si256(y, _mm256_and_si256(z, _mm256_xor_si256(x, y)));
    if constexpr (Round == 2) return _mm256_xor_si256(_mm256_xor_si256(x, y), z);
    if constexpr (Round == 3)
      return _mm256_xor_si256(y, _mm256_or_si256(x, _mm256_xor_si256(z, _mm256_set1_epi32(-1))));
  }
  template <int S>
  static __m256i Rotate(__m256i v) {
    return _mm256_or_si256(_mm256_slli_epi32(v, S), _mm256_srli_epi32(v, 32 - S));
  }
};

}  // namespace

void Md5LanesAvx2(const uint8_t* const* messages, std::size_t length, std::size_t lanes,
                  Md5Digest* digests) {
  Md5Lanes<Avx2>(messages, length, lanes, digests);
}

}  // namespace ruvex::md5_detail
