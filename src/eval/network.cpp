#include "eval/network.h"

#include <cmath>
#include <cstddef>

#include "eval/base_pow.h"
#ifdef RUVEX_EVAL_AVX2
#include "eval/network_avx2.h"
#endif

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace ruvex {

void CreateNetwork(Network& network, int inputCount, int hiddenCount, int outputCount) {
  // A negative count means an empty layer: only its entry 0 exists.
  network.inputCount = inputCount < 0 ? 0 : inputCount;
  network.hiddenCount = hiddenCount < 0 ? 0 : hiddenCount;
  network.outputCount = outputCount < 0 ? 0 : outputCount;
  const auto inputs = static_cast<std::size_t>(network.inputCount) + 1;
  const auto hidden = static_cast<std::size_t>(network.hiddenCount) + 1;
  const auto outputs = static_cast<std::size_t>(network.outputCount) + 1;
  network.input.assign(inputs, 0.0);
  network.hidden.assign(hidden, 0.0);
  network.output.assign(outputs, 0.0);
  network.W1.assign(inputs * hidden, 0.0);
  network.W2.assign(hidden * outputs, 0.0);
  network.finiteRow.assign(inputs, 0);  // not indexed: no row is skipped
}

void IndexWeights(Network& network) {
  const std::size_t width = network.hidden.size();
  network.finiteRow.assign(network.input.size(), 0);
  if (network.W1.size() != network.input.size() * width) return;
  for (std::size_t i = 0; i < network.input.size(); ++i) {
    bool finite = true;
    for (std::size_t j = 0; j < width; ++j)
      finite = finite && std::isfinite(network.W1[i * width + j]);
    network.finiteRow[i] = finite ? 1 : 0;
  }
}

double Sigmoid(double s) {
  return 1.0 / (PowBase(s * -1.0) + 1.0);
}

namespace {

bool HasEvaluationShape(const Network& network) {
  if (network.inputCount != InputCount || network.outputCount != OutputCount ||
      network.hiddenCount < 0) {
    return false;
  }
  const auto inputs = static_cast<std::size_t>(InputCount) + 1;
  const auto hidden = static_cast<std::size_t>(network.hiddenCount) + 1;
  const auto outputs = static_cast<std::size_t>(OutputCount) + 1;
  return network.input.size() == inputs && network.hidden.size() == hidden &&
         network.output.size() == outputs && network.W1.size() == inputs * hidden &&
         network.W2.size() == hidden * outputs;
}

#if defined(__SSE2__) || defined(_M_X64)
// Hidden units j to j + 2 Pairs - 1 summed over the active rows in order,
// two units to a register.
template <int Pairs>
inline void SumBlock(const double* const* rows, const double* factors, int active, std::size_t j,
                     double* sums) {
  __m128d s[Pairs];
  for (int p = 0; p < Pairs; ++p) s[p] = _mm_setzero_pd();
  for (int r = 0; r < active; ++r) {
    const __m128d x = _mm_set1_pd(factors[r]);
    const double* w = rows[r] + j;
    for (int p = 0; p < Pairs; ++p) s[p] = _mm_add_pd(s[p], _mm_mul_pd(x, _mm_loadu_pd(w + 2 * p)));
  }
  for (int p = 0; p < Pairs; ++p) _mm_storeu_pd(sums + j + 2 * p, s[p]);
}
#endif

}  // namespace

namespace {

// The hidden layer's outputs (hidden.size() of them) for the window inputs
// (input(i) for i in 1..InputCount, each exactly a double), or nullptr for a
// network without the evaluation shape.
template <class Input>
const double* HiddenLayer(Network& network, Input cell) {
  if (!HasEvaluationShape(network)) return nullptr;

  // Hidden layer. Every hidden sum runs over the inputs in increasing order.
  // A zero input adds exactly +-0.0 when its whole weight row is finite, which
  // leaves every sum as it is (a sum starting at +0.0 is never -0.0), so such
  // rows are left out. A row holding an infinity or a NaN always takes part
  // (0 * inf and 0 * NaN are NaN).
  const std::size_t width = network.hidden.size();
  const double* rows[InputCount + 1];
  double factors[InputCount + 1];
  // Rows count as finite only once IndexWeights has looked at them.
  const bool indexed = network.finiteRow.size() == network.input.size();
  int active = 0;
  for (int i = 0; i <= InputCount; ++i) {
    const double input = i == 0 ? 1.0 : static_cast<double>(cell(i - 1));  // input 0: the bias
    if (input == 0.0 && indexed && network.finiteRow[i] != 0) continue;
    rows[active] = network.W1.data() + static_cast<std::size_t>(i) * width;
    factors[active] = input;
    ++active;
  }
  // Blocks of hidden units are summed in registers, the active rows in
  // increasing order for each unit: lane by lane the same additions as one
  // sum per unit.
  double* sums = network.hidden.data();
  std::size_t j = 0;
#ifdef RUVEX_EVAL_AVX2
  const bool avx2 = pow_detail::Avx2InUse();
  if (avx2) j = network_detail::SumHiddenAvx2(rows, factors, active, width, sums);
#endif
#if defined(__SSE2__) || defined(_M_X64)
  for (; j + 16 <= width; j += 16) SumBlock<8>(rows, factors, active, j, sums);
  for (; j + 4 <= width; j += 4) SumBlock<2>(rows, factors, active, j, sums);
  for (; j + 2 <= width; j += 2) SumBlock<1>(rows, factors, active, j, sums);
#endif
  for (; j < width; ++j) {
    double s = 0.0;
    for (int r = 0; r < active; ++r) s = s + factors[r] * rows[r][j];
    sums[j] = s;
  }
  // Sigmoid of every sum, the powers several at a time.
  for (j = 0; j < width; ++j) sums[j] = sums[j] * -1.0;
  PowBaseArray(sums, sums, width);
#ifdef RUVEX_EVAL_AVX2
  if (avx2) {
    network_detail::FinishSigmoidsAvx2(sums, width);
  } else
#endif
  {
    for (j = 0; j < width; ++j) sums[j] = 1.0 / (sums[j] + 1.0);
  }

  return sums;
}

}  // namespace

std::array<double, 3> Evaluate(Network& network, const std::array<double, InputCount>& cells) {
  const double* sums = HiddenLayer(network, [&cells](int i) { return cells[i]; });
  if (sums == nullptr) {
    const double unloaded = Sigmoid(0.0);
    return {unloaded, unloaded, unloaded};
  }
  const std::size_t width = network.hidden.size();
  std::size_t j;
  // Output layer: three sums over the hidden units in increasing order.
  const double* w2 = network.W2.data();
  double s0 = 0.0, s1 = 0.0, s2 = 0.0;
  for (j = 0; j < width; ++j) {
    const double h = sums[j];
    s0 = s0 + h * w2[3 * j];
    s1 = s1 + h * w2[3 * j + 1];
    s2 = s2 + h * w2[3 * j + 2];
  }
  double* output = network.output.data();
  output[0] = s0 * -1.0;
  output[1] = s1 * -1.0;
  output[2] = s2 * -1.0;
  PowBaseArray(output, output, 3);
  for (int k = 0; k < 3; ++k) output[k] = 1.0 / (output[k] + 1.0);
  return {output[0], output[1], output[2]};
}

double EvaluateSigns(Network& network, const std::array<int8_t, InputCount>& signs) {
  const double* sums = HiddenLayer(network, [&signs](int i) { return signs[i]; });
  if (sums == nullptr) return Sigmoid(0.0);
  const double* w2 = network.W2.data();
  double s1 = 0.0;
  for (std::size_t j = 0; j < network.hidden.size(); ++j) s1 = s1 + sums[j] * w2[3 * j + 1];
  return 1.0 / (PowBase(s1 * -1.0) + 1.0);
}

}  // namespace ruvex
