// The fast path of b^y (see base_pow.h), one source for one lane (double),
// two (SSE2) and four (AVX2): only IEEE additions, subtractions and
// multiplications of doubles, so all give the same bits on every compiler and
// processor (no fused multiply-add: the build keeps -ffp-contract=off).
//
// With k = round(y ln b 256 / ln2) and r = y ln b - k ln2/256,
//   b^y = 2^(k div 256) * T * e^r,  T = 2^((k mod 256)/256),  |r| <= 2^-9.5.
// ln b = 1 + D and ln2/256 = Chi + Clo (Chi of 34 bits), so r = r0 + w with
// r0 = y - k Chi exact and w = y D - k Clo small (|w| < 2^-14.4). T = th + tl
// comes from a 256-entry table built by the exact path, th of 26 bits so that
// th r0 is two exact products; e^r = 1 + r + q with q to degree 6. The result
// R = hi + lo then has a relative error below 2^-68 for |y| <= 64 and below
// 2^-65 for 64 < |y| < 700 (the rounding of y D grows with y; the largest
// errors measured are 2^-68.7 and 2^-65.45). Its rounding is settled when R moves by a
// margin d either way without changing the rounding: d covers twice that
// bound (four times beyond 64) for PowMode::CorrectlyRounded, and for the
// library's hard cases also glibc's error beyond half an ulp (1/64 ulp
// where |y| <= 64, 1/16 ulp beyond).
//
// Included by the files of each instruction set; everything here is internal
// to each of them (an anonymous namespace), so that no function compiled for
// AVX2 can stand in for the one compiled for SSE2.
#pragma once

#include <cstdint>

#include "eval/base_pow.h"

namespace ruvex {
namespace {

#if defined(__GLIBC__) && !defined(RUVEX_POW_CORRECTLY_ROUNDED)
constexpr bool LibraryHardCases = true;
#else
constexpr bool LibraryHardCases = false;
#endif

using pow_detail::TableEntry;

constexpr double Split = 134217729.0;         // 2^27 + 1
constexpr double Dh = 0x1.0f0a353e5317fp-24;  // ln b - 1 = Dh + Dl
constexpr double Dl = 0x1.1dbd8ce15f496p-80;
constexpr double InvC = 0x1.715477d9bf534p+8;  // 256 ln b / ln2
constexpr double Chi = 0x1.62e42fef80000p-9;   // ln2 / 256 = Chi + Clo, Chi 34 bits
constexpr double Clo = 0x1.1cf79abc9e3b4p-44;
constexpr double Shifter = 0x1.8p52;    // x + Shifter - Shifter rounds x
constexpr double Smallest = 0x1.0p-60;  // the fast path takes Smallest <= |y| < Largest
constexpr double Largest = 700.0;
constexpr double Near = 64.0;
// Margins in units of 2^floor(log2 R) (an ulp of R is 2^-52 of it, and R is
// less than twice it).
constexpr double ExactNear = 0x1.0p-66;
constexpr double ExactFar = 0x1.0p-62;
constexpr double LibraryNear = 0x1.0p-6 * 0x1.0p-52 + ExactNear;
constexpr double LibraryFar = 0x1.0p-4 * 0x1.0p-52 + ExactFar;
constexpr uint64_t ExponentBits = 0x7ff0000000000000ULL;

// The rounding margin for an input, in units of 2^floor(log2 R).
inline double Margin(double y, PowMode mode) {
  const bool near = (y < 0.0 ? -y : y) <= Near;
  if (mode == PowMode::Engine && LibraryHardCases) return near ? LibraryNear : LibraryFar;
  return near ? ExactNear : ExactFar;
}

// The core on V = double, __m128d or __m256d (GCC vector arithmetic, scalars
// broadcast): R = hi + lo, normalised, and k + Shifter (k in its low bits).
template <class V, class Gather>
void FastCore(V y, Gather gather, V& hi, V& lo, V& shifted) {
  shifted = y * InvC + Shifter;
  const V kd = shifted - Shifter;
  const V r0 = y - kd * Chi;
  const V w = (y * Dh - kd * Clo) + y * Dl;
  const V r = r0 + w;
  V th, tl;
  gather(shifted, th, tl);
  // e^r - 1 - r to degree 6.
  const V r2 = r * r;
  const V q = r2 * ((0.5 + r * (1.0 / 6)) + r2 * ((1.0 / 24 + r * (1.0 / 120)) + r2 * (1.0 / 720)));
  // th (1 + r0 + u) + tl (1 + v), u = w + q, v = r0 + u; th r0 = p1 + p2 exactly.
  const V c = r0 * Split;
  const V r0h = c - (c - r0);
  const V r0l = r0 - r0h;
  const V p1 = th * r0h;
  const V p2 = th * r0l;
  const V s = th + p1;
  const V u = w + q;
  const V low = (((p1 - (s - th)) + p2) + th * u) + (tl + tl * (r0 + u));
  hi = s + low;
  lo = low - (hi - s);
}

}  // namespace
}  // namespace ruvex
