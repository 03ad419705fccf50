// The fast path of b^y (see base_pow.h), one source for one lane (double) and
// two lanes (SSE2): only IEEE additions, subtractions and multiplications of
// doubles, so both give the same bits on every compiler and processor (no
// fused multiply-add: the build keeps -ffp-contract=off).
//
// With z = y ln b, k = round(z 256 / ln2), r = z - k ln2/256:
//   b^y = 2^(k div 256) * 2^((k mod 256)/256) * e^r,  |r| <= 2^-9.5.
// z and r are carried as double-doubles (Dekker's exact product, Knuth's
// exact sum), 2^(j/256) comes from a 256-entry double-double table built by
// the exact path, and e^r = 1 + r + q with q to degree 6. The product
// T (1 + r + q) keeps T r exact, so the result R = hi + lo has a relative
// error below 2^-68 for |y| < 700. The rounding of hi + lo is settled when
// R moves by a margin d on either side without changing the rounding:
// d = 2^-66 R for PowMode::CorrectlyRounded; for the library's hard cases
// the margin also covers glibc's error beyond half an ulp (1/64 ulp where
// |y| <= 64, 1/16 ulp beyond).
#include <cmath>
#include <cstdint>
#include <cstring>

#include "eval/base_pow.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define RUVEX_POW_SSE2 1
#endif

namespace ruvex {

namespace {

#if defined(__GLIBC__) && !defined(RUVEX_POW_CORRECTLY_ROUNDED)
constexpr bool LibraryHardCases = true;
#else
constexpr bool LibraryHardCases = false;
#endif

using pow_detail::TableEntry;

constexpr double Split = 134217729.0;        // 2^27 + 1
constexpr double Bh = 0x1.0000010f0a354p+0;  // ln b = Bh + Bl
constexpr double Bl = -0x1.ace80ee242732p-56;
constexpr double Bhh = 0x1.0000010000000p+0;  // Bh = Bhh + Bhl, 26 bits each
constexpr double Bhl = 0x1.e146a80000000p-29;
constexpr double InvC = 0x1.71547652b82fep+8;  // 256 / ln2
constexpr double Chi = 0x1.62e42fef80000p-9;   // ln2 / 256 = Chi + Clo, Chi 34 bits
constexpr double Clo = 0x1.1cf79abc9e3b4p-44;
constexpr double Shifter = 0x1.8p52;    // x + Shifter - Shifter rounds x
constexpr double Smallest = 0x1.0p-60;  // the fast path takes Smallest <= |y| < Largest
constexpr double Largest = 700.0;
constexpr double ExactMargin = 0x1.0p-66;             // relative to R
constexpr double LibraryNear = 0x1.0p-6 * 0x1.0p-52;  // relative to 2^floor(log2 R): 1/64 ulp
constexpr double LibraryFar = 0x1.0p-4 * 0x1.0p-52;   // 1/16 ulp, for |y| > 64
constexpr uint64_t ExponentBits = 0x7ff0000000000000ULL;

// The core on V = double or V = __m128d (GCC vector arithmetic, with scalars
// broadcast): R = hi + lo, normalised, and k + Shifter (k in its low bits).
template <class V, class Gather>
void FastCore(V y, Gather gather, V& hi, V& lo, V& shifted) {
  // z = y ln b = p + zl.
  const V p = y * Bh;
  const V c = y * Split;
  const V yh = c - (c - y);
  const V yl = y - yh;
  const V zl = (yl * Bhl - (((p - yh * Bhh) - yl * Bhh) - yh * Bhl)) + y * Bl;
  // k and r = z - k ln2/256 = r + re (p - k Chi is exact).
  shifted = p * InvC + Shifter;
  const V kd = shifted - Shifter;
  const V r0 = p - kd * Chi;
  const V t = zl - kd * Clo;
  const V r = r0 + t;
  const V tb = r - r0;
  const V re = (r0 - (r - tb)) + (t - tb);
  V th, tl;
  gather(shifted, th, tl);
  // e^(r + re) - 1 - r - re to degree 6.
  const V r2 = r * r;
  const V q =
      r2 * ((0.5 + r * (1.0 / 6)) + r2 * ((1.0 / 24 + r * (1.0 / 120)) + r2 * (1.0 / 720))) +
      r * re;
  // th r exactly.
  const V pr = th * r;
  const V ct = th * Split;
  const V thh = ct - (ct - th);
  const V thl = th - thh;
  const V cr = r * Split;
  const V rh = cr - (cr - r);
  const V rl = r - rh;
  const V pe = thl * rl - (((pr - thh * rh) - thl * rh) - thh * rl);
  const V low = pe + (th * (re + q) + (tl + tl * r));
  const V s = th + pr;
  const V l = (pr - (s - th)) + low;
  hi = s + l;
  lo = l - (hi - s);
}

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

// The part of the margin that covers the library's error, per unit of 2^floor(log2 R).
double LibraryMargin(double y, PowMode mode) {
  if (mode != PowMode::Engine || !LibraryHardCases) return 0.0;
  return std::fabs(y) <= 64.0 ? LibraryNear : LibraryFar;
}

// b^y where the fast path gave up: special values and the hard path.
double HardPow(double y, PowMode mode) {
  if (mode == PowMode::Engine && LibraryHardCases) return std::pow(SigmoidBase, y);
  if (std::fabs(y) < Smallest) return 1.0;  // also +-0
  return PowBaseExact(y);                   // NaN, infinities and |y| >= 700 too
}

}  // namespace

bool PowUsesLibraryHardCases() {
  return LibraryHardCases;
}

namespace pow_detail {

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
  const double d = hi * ExactMargin + FromBits(Bits(hi) & ExponentBits) * LibraryMargin(y, mode);
  if (hi + (lo + d) != hi || hi + (lo - d) != hi) return false;
  result = FromBits(Bits(hi) + (Bits(shifted) >> 8 << 52));  // times 2^(k div 256)
  return true;
}

}  // namespace pow_detail

double PowBase(double y, PowMode mode) {
  double result;
  return pow_detail::FastPow(y, mode, result) ? result : HardPow(y, mode);
}

#ifdef RUVEX_POW_SSE2
namespace {

// Two inputs through the fast path: the results, and a mask of the lanes
// whose rounding is settled.
struct Pair {
  __m128d value;
  int settled;
};

inline Pair FastPair(__m128d y, const TableEntry* table, __m128d libraryNear, __m128d libraryFar) {
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
  // Lanes outside the fast path's range compute b^1 and are not settled.
  const __m128d safe = _mm_or_pd(_mm_and_pd(in, y), _mm_andnot_pd(in, _mm_set1_pd(1.0)));
  __m128d hi, lo, shifted;
  FastCore(safe, gather, hi, lo, shifted);
  const __m128d near = _mm_cmple_pd(a, _mm_set1_pd(64.0));
  const __m128d library = _mm_or_pd(_mm_and_pd(near, libraryNear), _mm_andnot_pd(near, libraryFar));
  const __m128d power = _mm_and_pd(hi, _mm_castsi128_pd(_mm_set1_epi64x(ExponentBits)));
  const __m128d d =
      _mm_add_pd(_mm_mul_pd(hi, _mm_set1_pd(ExactMargin)), _mm_mul_pd(power, library));
  const __m128d up = _mm_add_pd(hi, _mm_add_pd(lo, d));
  const __m128d down = _mm_add_pd(hi, _mm_sub_pd(lo, d));
  const __m128d settled = _mm_and_pd(in, _mm_and_pd(_mm_cmpeq_pd(up, hi), _mm_cmpeq_pd(down, hi)));
  const __m128i scale = _mm_slli_epi64(_mm_srli_epi64(_mm_castpd_si128(shifted), 8), 52);
  return {_mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(hi), scale)), _mm_movemask_pd(settled)};
}

}  // namespace
#endif

void PowBaseArray(const double* y, double* out, std::size_t n, PowMode mode) {
  std::size_t i = 0;
#ifdef RUVEX_POW_SSE2
  const TableEntry* table = pow_detail::PowTable();
  const __m128d libraryNear = _mm_set1_pd(LibraryMargin(0.0, mode));
  const __m128d libraryFar = _mm_set1_pd(LibraryMargin(100.0, mode));
  // Two pairs at a time, so that the processor overlaps their long chains.
  for (; i + 4 <= n; i += 4) {
    const double y0 = y[i], y1 = y[i + 1], y2 = y[i + 2], y3 = y[i + 3];
    const Pair p = FastPair(_mm_loadu_pd(y + i), table, libraryNear, libraryFar);
    const Pair q = FastPair(_mm_loadu_pd(y + i + 2), table, libraryNear, libraryFar);
    _mm_storeu_pd(out + i, p.value);
    _mm_storeu_pd(out + i + 2, q.value);
    if ((p.settled & q.settled) != 3) {
      if ((p.settled & 1) == 0) out[i] = HardPow(y0, mode);
      if ((p.settled & 2) == 0) out[i + 1] = HardPow(y1, mode);
      if ((q.settled & 1) == 0) out[i + 2] = HardPow(y2, mode);
      if ((q.settled & 2) == 0) out[i + 3] = HardPow(y3, mode);
    }
  }
  for (; i < n; ++i) {
    const double yi = y[i];
    const Pair p = FastPair(_mm_set1_pd(yi), table, libraryNear, libraryFar);
    out[i] = (p.settled & 1) != 0 ? _mm_cvtsd_f64(p.value) : HardPow(yi, mode);
  }
#endif
  for (; i < n; ++i) out[i] = PowBase(y[i], mode);
}

}  // namespace ruvex
