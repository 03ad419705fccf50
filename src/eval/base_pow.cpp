// b^y one lane at a time and two at a time (SSE2); see base_pow_core.h.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "eval/base_pow.h"
#include "eval/base_pow_core.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define RUVEX_POW_SSE2 1
#endif

namespace ruvex {

namespace {

uint64_t Bits(double d) {
  uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

double FromBits(uint64_t u) {
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

}  // namespace

bool PowUsesLibraryHardCases() {
  return LibraryHardCases;
}

namespace pow_detail {

// b^y where the fast path gave up: special values and the hard path.
double HardPow(double y, PowMode mode) {
  if (mode == PowMode::Engine && LibraryHardCases) return std::pow(SigmoidBase, y);
  if (std::fabs(y) < Smallest) return 1.0;  // also +-0
  return PowBaseExact(y);                   // NaN, infinities and |y| >= 700 too
}

bool FastPow(double y, PowMode mode, double& result) {
  const double a = std::fabs(y);
  if (!(a >= Smallest && a < Largest)) return false;
  const TableEntry* table = PowTable();
  double hi, lo, shifted;
  FastCore(
      y,
      [table](double k, double& th, double& tl) {
        const TableEntry& e = table[Bits(k) & 255];
        th = e.hi;
        tl = e.lo;
      },
      hi, lo, shifted);
  const double d = FromBits(Bits(hi) & ExponentBits) * Margin(y, mode);
  if (hi + (lo + d) != hi || hi + (lo - d) != hi) return false;
  result = FromBits(Bits(hi) + (Bits(shifted) >> 8 << 52));  // times 2^(k div 256)
  return true;
}

}  // namespace pow_detail

double PowBase(double y, PowMode mode) {
  double result;
  return pow_detail::FastPow(y, mode, result) ? result : pow_detail::HardPow(y, mode);
}

#ifdef RUVEX_POW_SSE2
namespace {

// Two inputs through the fast path: the results, and a mask of the lanes
// whose rounding is settled.
struct Pair {
  __m128d value;
  int settled;
};

inline Pair FastPair(__m128d y, const TableEntry* table, __m128d marginNear, __m128d marginFar) {
  const auto gather = [table](__m128d shifted, __m128d& th, __m128d& tl) {
    const __m128i k = _mm_castpd_si128(shifted);
    const auto j0 = static_cast<std::size_t>(_mm_cvtsi128_si64(k) & 255);
    const auto j1 = static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(k, k)) & 255);
    const __m128d e0 = _mm_loadu_pd(&table[j0].hi);
    const __m128d e1 = _mm_loadu_pd(&table[j1].hi);
    th = _mm_unpacklo_pd(e0, e1);
    tl = _mm_unpackhi_pd(e0, e1);
  };
  const __m128d a = _mm_and_pd(y, _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL)));
  const __m128d in =
      _mm_and_pd(_mm_cmpge_pd(a, _mm_set1_pd(Smallest)), _mm_cmplt_pd(a, _mm_set1_pd(Largest)));
  // Lanes outside the fast path's range compute anything and are not settled.
  __m128d hi, lo, shifted;
  FastCore(y, gather, hi, lo, shifted);
  const __m128d near = _mm_cmple_pd(a, _mm_set1_pd(Near));
  const __m128d margin = _mm_or_pd(_mm_and_pd(near, marginNear), _mm_andnot_pd(near, marginFar));
  const __m128d power = _mm_and_pd(hi, _mm_castsi128_pd(_mm_set1_epi64x(ExponentBits)));
  const __m128d d = _mm_mul_pd(power, margin);
  const __m128d up = _mm_add_pd(hi, _mm_add_pd(lo, d));
  const __m128d down = _mm_add_pd(hi, _mm_sub_pd(lo, d));
  const __m128d settled = _mm_and_pd(in, _mm_and_pd(_mm_cmpeq_pd(up, hi), _mm_cmpeq_pd(down, hi)));
  const __m128i scale = _mm_slli_epi64(_mm_srli_epi64(_mm_castpd_si128(shifted), 8), 52);
  return {_mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(hi), scale)), _mm_movemask_pd(settled)};
}

}  // namespace
#endif

namespace {

#ifdef RUVEX_EVAL_AVX2
bool& Avx2Wanted() {
  static bool wanted = true;
  return wanted;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}
#endif

}  // namespace

bool pow_detail::UseAvx2(bool use) {
#ifdef RUVEX_EVAL_AVX2
  const bool before = Avx2Wanted();
  Avx2Wanted() = use;
  return before;
#else
  (void)use;
  return false;
#endif
}

bool pow_detail::Avx2InUse() {
#ifdef RUVEX_EVAL_AVX2
  return Avx2Wanted() && HasAvx2();
#else
  return false;
#endif
}

void PowBaseArray(const double* y, double* out, std::size_t n, PowMode mode) {
  std::size_t i = 0;
#ifdef RUVEX_EVAL_AVX2
  if (n >= 8 && pow_detail::Avx2InUse()) i = pow_detail::PowArrayAvx2(y, out, n, mode);
#endif
#ifdef RUVEX_POW_SSE2
  const TableEntry* table = pow_detail::PowTable();
  const __m128d marginNear = _mm_set1_pd(Margin(0.0, mode));
  const __m128d marginFar = _mm_set1_pd(Margin(2.0 * Near, mode));
  // Two pairs at a time, so that the processor overlaps their long chains.
  for (; i + 4 <= n; i += 4) {
    const double y0 = y[i], y1 = y[i + 1], y2 = y[i + 2], y3 = y[i + 3];
    const Pair p = FastPair(_mm_loadu_pd(y + i), table, marginNear, marginFar);
    const Pair q = FastPair(_mm_loadu_pd(y + i + 2), table, marginNear, marginFar);
    _mm_storeu_pd(out + i, p.value);
    _mm_storeu_pd(out + i + 2, q.value);
    if ((p.settled & q.settled) != 3) {
      if ((p.settled & 1) == 0) out[i] = pow_detail::HardPow(y0, mode);
      if ((p.settled & 2) == 0) out[i + 1] = pow_detail::HardPow(y1, mode);
      if ((q.settled & 1) == 0) out[i + 2] = pow_detail::HardPow(y2, mode);
      if ((q.settled & 2) == 0) out[i + 3] = pow_detail::HardPow(y3, mode);
    }
  }
  for (; i < n; ++i) {
    const double yi = y[i];
    const Pair p = FastPair(_mm_set1_pd(yi), table, marginNear, marginFar);
    out[i] = (p.settled & 1) != 0 ? _mm_cvtsd_f64(p.value) : pow_detail::HardPow(yi, mode);
  }
#endif
  for (; i < n; ++i) out[i] = PowBase(y[i], mode);
}

}  // namespace ruvex
