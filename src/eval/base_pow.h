// Powers of the network's constant base b = 2.718282 (the double nearest to
// it): b^y as the sigmoid needs it, computed by code of our own so that every
// platform gets the same bits at the same speed.
//
// PowBaseExact is the plain reference: b^y correctly rounded, from 256-bit
// fixed-point arithmetic. The fast path computes b^y to about 2^-68 in
// double-double and settles the rounding itself whenever the exact value is
// clearly away from a rounding boundary; the few inputs it cannot settle go to
// a hard path:
// - PowMode::CorrectlyRounded: the hard path is PowBaseExact, so the result is
//   b^y correctly rounded, the same on every platform.
// - PowMode::Engine (what the network uses): where the C library is glibc, the
//   hard path is the library's pow and the boundary margin is widened to
//   cover glibc's own error (at most about 0.52 ulp), so the result is the
//   library's pow(b, y) bit for bit; glibc's pow is not correctly rounded on
//   about 1 input in 1,200, and those inputs all fall in the hard path (its
//   versions with and without fused multiply-add differ from each other on
//   about as many; the engine follows the one the machine runs).
//   Elsewhere (or built with RUVEX_POW_CORRECTLY_ROUNDED) Engine is
//   CorrectlyRounded.
// Special inputs give what pow gives: b^NaN is NaN, b^+-0 is 1, b^+inf is
// +inf, b^-inf is +0, overflow gives +inf, underflow subnormals or +0.
#pragma once

#include <cstddef>

namespace ruvex {

constexpr double SigmoidBase = 2.718282;

enum class PowMode { Engine, CorrectlyRounded };

// True when PowMode::Engine hands its hard cases to the C library's pow.
bool PowUsesLibraryHardCases();

// b^y correctly rounded (the reference, slow).
double PowBaseExact(double y);

// b^y in the given mode.
double PowBase(double y, PowMode mode = PowMode::Engine);

// out[i] = PowBase(y[i], mode) for i < n, four at a time where the processor
// has AVX2, else two at a time where SSE2 is there.
// y and out may be the same array.
void PowBaseArray(const double* y, double* out, std::size_t n, PowMode mode = PowMode::Engine);

namespace pow_detail {

// 2^(j/256) for j < 256 as hi + lo, hi of 26 bits, from the exact path.
struct TableEntry {
  double hi;
  double lo;
};
const TableEntry* PowTable();

// b^y where the fast path gives up: the special values, and the hard path.
double HardPow(double y, PowMode mode);

// Whether PowBaseArray uses AVX2 where the processor has it (it does unless
// told otherwise); returns the previous setting. For tests and checks.
bool UseAvx2(bool use);

// Whether the AVX2 loops run: wanted and the processor has AVX2.
bool Avx2InUse();

// The AVX2 part of PowBaseArray: settles blocks of 8 inputs from the start
// and returns how many it has done.
std::size_t PowArrayAvx2(const double* y, double* out, std::size_t n, PowMode mode);

// The fast path alone on one input: true and the result when it settles the
// rounding with the given mode's margin.
bool FastPow(double y, PowMode mode, double& result);

}  // namespace pow_detail
}  // namespace ruvex
