// MD5 of up to eight messages at once with the 256-bit forms of AVX-512
// (built with -mavx512f -mavx512vl, called only where the processor has
// them): each round function is one three-input logic instruction and each
// rotation one instruction.
#include "eval/md5_lanes.h"

namespace ruvex::md5_detail {
namespace {

struct Avx512 {
  // Truth tables of F, G, H and I over (x, y, z) as the immediate's bits.
  template <int Round>
  static __m256i Mix(__m256i x, __m256i y, __m256i z) {
    constexpr int Table[4] = {0xca, 0xe4, 0x96, 0x39};
    return _mm256_ternarylogic_epi32(x, y, z, Table[Round]);
  }
  template <int S>
  static __m256i Rotate(__m256i v) {
    return _mm256_rol_epi32(v, S);
  }
};

}  // namespace

void Md5LanesAvx512(const uint8_t* const* messages, std::size_t length, std::size_t lanes,
                    Md5Digest* digests) {
  Md5Lanes<Avx512>(messages, length, lanes, digests);
}

}  // namespace ruvex::md5_detail
