#include "eval/network_avx2.h"

#include <immintrin.h>

namespace ruvex::network_detail {
namespace {

// Hidden units j to j + 4 Quads - 1 summed over the active rows in order.
template <int Quads>
inline void SumBlock(const double* const* rows, const double* factors, int active, std::size_t j,
                     double* sums) {
  __m256d s[Quads];
  for (int q = 0; q < Quads; ++q) s[q] = _mm256_setzero_pd();
  for (int r = 0; r < active; ++r) {
    const __m256d x = _mm256_set1_pd(factors[r]);
    const double* w = rows[r] + j;
    for (int q = 0; q < Quads; ++q)
      s[q] = _mm256_add_pd(s[q], _mm256_mul_pd(x, _mm256_loadu_pd(w + 4 * q)));
  }
  for (int q = 0; q < Quads; ++q) _mm256_storeu_pd(sums + j + 4 * q, s[q]);
}

// Units j to j + 36: a block of 32 and the five after it (the default 101
// units end so) in one pass over the rows, so that the five sums' chains of
// additions run beside the block's instead of after it. The last unit is
// summed as the plain loop sums it: s = s + factor x weight.
inline void SumBlockAndFive(const double* const* rows, const double* factors, int active,
                            std::size_t j, double* sums) {
  __m256d s[9];
  for (int q = 0; q < 9; ++q) s[q] = _mm256_setzero_pd();
  __m128d last = _mm_setzero_pd();
  for (int r = 0; r < active; ++r) {
    const __m256d x = _mm256_set1_pd(factors[r]);
    const double* w = rows[r] + j;
    for (int q = 0; q < 9; ++q)
      s[q] = _mm256_add_pd(s[q], _mm256_mul_pd(x, _mm256_loadu_pd(w + 4 * q)));
    last = _mm_add_sd(last, _mm_mul_sd(_mm256_castpd256_pd128(x), _mm_load_sd(w + 36)));
  }
  for (int q = 0; q < 9; ++q) _mm256_storeu_pd(sums + j + 4 * q, s[q]);
  sums[j + 36] = _mm_cvtsd_f64(last);
}

}  // namespace

std::size_t SumHiddenAvx2(const double* const* rows, const double* factors, int active,
                          std::size_t width, double* sums) {
  std::size_t j = 0;
  if (width % 32 == 5 && width >= 37) {
    for (; j + 37 < width; j += 32) SumBlock<8>(rows, factors, active, j, sums);
    SumBlockAndFive(rows, factors, active, j, sums);
    return width;
  }
  for (; j + 32 <= width; j += 32) SumBlock<8>(rows, factors, active, j, sums);
  for (; j + 4 <= width; j += 4) SumBlock<1>(rows, factors, active, j, sums);
  return j;
}

void FinishSigmoidsAvx2(double* v, std::size_t n) {
  std::size_t i = 0;
  const __m256d one = _mm256_set1_pd(1.0);
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(v + i, _mm256_div_pd(one, _mm256_add_pd(_mm256_loadu_pd(v + i), one)));
  for (; i < n; ++i) v[i] = 1.0 / (v[i] + 1.0);
}

}  // namespace ruvex::network_detail
