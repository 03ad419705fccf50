#include "eval/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "eval/base_pow.h"
#include "eval_support.h"

namespace ruvex {
namespace {

using testing::Bits;
using testing::RandomNetwork;
using Inputs = std::array<double, InputCount>;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr std::array<double, 3> Halves{0.5, 0.5, 0.5};

// The network written out as defined: one sum per unit, inputs in increasing
// order, nothing skipped.
std::array<double, 3> PlainEvaluate(const Network& n, const Inputs& cells) {
  const int width = n.hiddenCount + 1;
  std::vector<double> hidden(static_cast<std::size_t>(width));
  for (int j = 0; j < width; ++j) {
    double s = 0.0;
    for (int i = 0; i <= 81; ++i) s = s + (i == 0 ? 1.0 : cells[i - 1]) * n.W1[i * width + j];
    hidden[j] = Sigmoid(s);
  }
  std::array<double, 3> out{};
  for (int k = 0; k <= 2; ++k) {
    double s = 0.0;
    for (int j = 0; j < width; ++j) s = s + hidden[j] * n.W2[j * 3 + k];
    out[k] = Sigmoid(s);
  }
  return out;
}

bool Same(double a, double b) {  // bit-identical, NaNs of any payload counting as equal
  return std::isnan(a) || std::isnan(b) ? std::isnan(a) && std::isnan(b) : Bits(a) == Bits(b);
}

Inputs RandomInputs(std::mt19937_64& random, int stones) {
  Inputs cells{};
  for (int s = 0; s < stones; ++s) cells[random() % 81] = random() % 2 ? 1.0 : -1.0;
  return cells;
}

// A network without the 81-H-2 shape has no weights: every output 0.5.
TEST(Evaluate, NoWeightsGiveOneHalf) {
  Network none, wrong, negative;
  CreateNetwork(wrong, 5, 3, 2);
  CreateNetwork(negative, 81, -4, 2);  // taken as hidden unit 0 alone
  for (Network* m : {&none, &wrong, &negative}) EXPECT_EQ(Evaluate(*m, Inputs{}), Halves);
}

// The fast Evaluate and EvaluateSigns (zero inputs of finite rows skipped,
// hidden sums in blocks) against the definition: finite, non-finite and extreme weights;
// widths with and without a remainder of 8; networks indexed, never indexed
// and with no index at all; inputs beyond -1/0/+1; several calls in a row on
// one network, so a call leaves nothing behind for the next.
void CheckAgainstTheDefinition() {
  std::mt19937_64 random(6);
  const double specials[] = {NaN, Inf, -Inf, -0.0, 1e308, -1e308};
  const double scales[] = {0.1, 1.0, 50.0};
  for (int round = 0; round < 420; ++round) {
    SCOPED_TRACE(round);
    Network n = RandomNetwork(random, scales[round % 3], round % 10 == 0 ? 7 : 100);
    if (round % 2 == 1) {
      for (int s = 1 + static_cast<int>(random() % 4); s > 0; --s) {
        const bool inW2 = random() % 4 == 0;
        double& w = inW2 ? n.W2[random() % n.W2.size()] : n.W1[random() % n.W1.size()];
        w = specials[random() % 6];
      }
    }
    const int mode = round / 2 % 3;
    if (mode == 0) IndexWeights(n);
    if (mode == 2) n.finiteRow.clear();  // a network filled by hand
    for (int call = 0; call < 3; ++call) {
      Inputs cells = RandomInputs(random, static_cast<int>(random() % 60));
      if (round % 7 == 0) {
        cells[3] = 0.5;
        cells[4] = -0.0;
        cells[5] = call == 0 ? NaN : 2.0;
      }
      const auto expected = PlainEvaluate(n, cells);
      const auto got = Evaluate(n, cells);
      for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(Same(got[k], expected[k])) << "call " << call << " output " << k;
      std::array<int8_t, InputCount> signs;  // the inputs as integers, where they are -1, 0, +1
      for (int i = 0; i < InputCount; ++i) signs[i] = static_cast<int8_t>(cells[i]);
      ASSERT_TRUE(round % 7 == 0 || Same(EvaluateSigns(n, signs), expected[1])) << call;
    }
  }
}

// Both with the AVX2 loops (where the processor has them) and without.
TEST(Evaluate, BitIdenticalToTheDefinition) {
  for (const bool avx2 : {false, true}) {
    SCOPED_TRACE(avx2);
    const bool before = pow_detail::UseAvx2(avx2);
    CheckAgainstTheDefinition();
    pow_detail::UseAvx2(before);
  }
}

}  // namespace
}  // namespace ruvex
