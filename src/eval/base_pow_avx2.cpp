// b^y four at a time with AVX2 (built with -mavx2, called only where the
// processor has it); the same core and margins as the SSE2 path, so the same
// bits.
#include <immintrin.h>

#include <cstdint>

#include "eval/base_pow.h"
#include "eval/base_pow_core.h"

namespace ruvex {
namespace {

// Four inputs through the fast path: the results, and a mask of the lanes
// whose rounding is settled.
struct Quad {
  __m256d value;
  int settled;
};

inline Quad FastQuad(__m256d y, const TableEntry* table, __m256d marginNear, __m256d marginFar) {
  const auto gather = [table](__m256d shifted, __m256d& th, __m256d& tl) {
    alignas(32) uint64_t k[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(k), _mm256_castpd_si256(shifted));
    const __m256d a =
        _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&table[k[0] & 255].hi)),
                             _mm_loadu_pd(&table[k[2] & 255].hi), 1);
    const __m256d b =
        _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&table[k[1] & 255].hi)),
                             _mm_loadu_pd(&table[k[3] & 255].hi), 1);
    th = _mm256_unpacklo_pd(a, b);
    tl = _mm256_unpackhi_pd(a, b);
  };
  const __m256d a = _mm256_and_pd(y, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL)));
  const __m256d in = _mm256_and_pd(_mm256_cmp_pd(a, _mm256_set1_pd(Smallest), _CMP_GE_OQ),
                                   _mm256_cmp_pd(a, _mm256_set1_pd(Largest), _CMP_LT_OQ));
  // Lanes outside the fast path's range compute anything and are not settled.
  __m256d hi, lo, shifted;
  FastCore(y, gather, hi, lo, shifted);
  const __m256d near = _mm256_cmp_pd(a, _mm256_set1_pd(Near), _CMP_LE_OQ);
  const __m256d margin = _mm256_blendv_pd(marginFar, marginNear, near);
  const __m256d power = _mm256_and_pd(hi, _mm256_castsi256_pd(_mm256_set1_epi64x(ExponentBits)));
  const __m256d d = _mm256_mul_pd(power, margin);
  const __m256d up = _mm256_add_pd(hi, _mm256_add_pd(lo, d));
  const __m256d down = _mm256_add_pd(hi, _mm256_sub_pd(lo, d));
  const __m256d settled = _mm256_and_pd(
      in, _mm256_and_pd(_mm256_cmp_pd(up, hi, _CMP_EQ_OQ), _mm256_cmp_pd(down, hi, _CMP_EQ_OQ)));
  const __m256i scale = _mm256_slli_epi64(_mm256_srli_epi64(_mm256_castpd_si256(shifted), 8), 52);
  return {_mm256_castsi256_pd(_mm256_add_epi64(_mm256_castpd_si256(hi), scale)),
          _mm256_movemask_pd(settled)};
}

}  // namespace

std::size_t pow_detail::PowArrayAvx2(const double* y, double* out, std::size_t n, PowMode mode) {
  const TableEntry* table = PowTable();
  const __m256d marginNear = _mm256_set1_pd(Margin(0.0, mode));
  const __m256d marginFar = _mm256_set1_pd(Margin(2.0 * Near, mode));
  std::size_t i = 0;
  // Two quads at a time, so that the processor overlaps their long chains.
  for (; i + 8 <= n; i += 8) {
    double in[8];
    for (int l = 0; l < 8; ++l) in[l] = y[i + l];  // y and out may be one array
    const Quad p = FastQuad(_mm256_loadu_pd(in), table, marginNear, marginFar);
    const Quad q = FastQuad(_mm256_loadu_pd(in + 4), table, marginNear, marginFar);
    _mm256_storeu_pd(out + i, p.value);
    _mm256_storeu_pd(out + i + 4, q.value);
    const int settled = p.settled | q.settled << 4;
    if (settled != 0xff) {
      for (int l = 0; l < 8; ++l)
        if ((settled >> l & 1) == 0) out[i + l] = HardPow(in[l], mode);
    }
  }
  return i;
}

}  // namespace ruvex
