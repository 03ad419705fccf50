// The network's loops built for AVX2 (network_avx2.cpp, built with -mavx2):
// called only where pow_detail::Avx2InUse() says the processor has it. The
// same additions in the same order as the SSE2 loops, four units at a time.
#pragma once

#include <cstddef>

namespace ruvex::network_detail {

// sums[j] for the first units of the layer, in blocks of 32 and then of 4:
// each the sum of factors[r] * rows[r][j] over r < active in increasing
// order. Returns the number of units done.
std::size_t SumHiddenAvx2(const double* const* rows, const double* factors, int active,
                          std::size_t width, double* sums);

// v[i] = 1 / (v[i] + 1) for i < n.
void FinishSigmoidsAvx2(double* v, std::size_t n);

}  // namespace ruvex::network_detail
