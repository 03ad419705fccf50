#include "eval/network.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace ruvex {
namespace {

using Inputs = std::array<double, InputCount>;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// The network written out as defined: one sum per unit, inputs in increasing
// order, no skipping.
std::array<double, 3> PlainEvaluate(const Network& n, const Inputs& cells) {
  const int width = n.hiddenCount + 1;
  std::vector<double> input(82), hidden(static_cast<std::size_t>(width));
  input[0] = 1.0;
  for (int i = 0; i < 81; ++i) input[i + 1] = cells[i];
  const auto sigmoid = [](double s) { return 1.0 / (std::pow(2.718282, s * -1.0) + 1.0); };
  for (int j = 0; j < width; ++j) {
    double s = 0.0;
    for (int i = 0; i <= 81; ++i) s = s + input[i] * n.W1[i * width + j];
    hidden[j] = sigmoid(s);
  }
  std::array<double, 3> out{};
  for (int k = 0; k <= 2; ++k) {
    double s = 0.0;
    for (int j = 0; j < width; ++j) s = s + hidden[j] * n.W2[j * 3 + k];
    out[k] = sigmoid(s);
  }
  return out;
}

// Bit-identical, NaNs of any payload counting as equal.
bool Same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

Network RandomNetwork(std::mt19937_64& random, double scale, int hidden = DefaultHiddenUnitCount) {
  Network n;
  CreateNetwork(n, 81, hidden, 2);
  std::uniform_real_distribution<double> weight(-scale, scale);
  for (double& w : n.W1) w = weight(random);
  for (double& w : n.W2) w = weight(random);
  return n;
}

Inputs RandomInputs(std::mt19937_64& random, int stones) {
  Inputs cells{};
  for (int s = 0; s < stones; ++s) cells[random() % 81] = random() % 2 ? 1.0 : -1.0;
  return cells;
}

TEST(Sigmoid, DefinedWithTheSixDecimalBase) {
  EXPECT_EQ(Sigmoid(0.0), 0.5);
  EXPECT_EQ(Sigmoid(1.0), 1.0 / (1.0 / 2.718282 + 1.0));
  EXPECT_NE(Sigmoid(1.0), 1.0 / (std::exp(-1.0) + 1.0));
  EXPECT_EQ(Sigmoid(-1e6), 0.0);
  EXPECT_EQ(Sigmoid(1e6), 1.0);
  EXPECT_EQ(Sigmoid(-Inf), 0.0);
  EXPECT_EQ(Sigmoid(Inf), 1.0);
  EXPECT_TRUE(std::isnan(Sigmoid(NaN)));
}

TEST(CreateNetwork, ShapesEveryLayerWithCountPlusOne) {
  Network n;
  CreateNetwork(n, 81, 100, 2);
  EXPECT_EQ(n.input.size(), 82u);
  EXPECT_EQ(n.hidden.size(), 101u);
  EXPECT_EQ(n.output.size(), 3u);
  EXPECT_EQ(n.W1.size(), 82u * 101u);
  EXPECT_EQ(n.W2.size(), 101u * 3u);
  W1At(n, 81, 100) = 2.0;
  EXPECT_EQ(n.W1.back(), 2.0);
  W2At(n, 100, 2) = 3.0;
  EXPECT_EQ(n.W2.back(), 3.0);
  // A new network discards the old weights.
  CreateNetwork(n, 81, 3, 2);
  EXPECT_EQ(n.W1.size(), 82u * 4u);
  for (const double w : n.W1) EXPECT_EQ(w, 0.0);
}

TEST(Evaluate, AllZeroWeightsGiveOneHalfEverywhere) {
  Network n;
  CreateNetwork(n, 81, 100, 2);
  IndexWeights(n);
  std::mt19937_64 random(1);
  for (int round = 0; round < 5; ++round) {
    const auto out = Evaluate(n, RandomInputs(random, round * 10));
    EXPECT_EQ(out, (std::array<double, 3>{0.5, 0.5, 0.5}));
    for (const double h : n.hidden) EXPECT_EQ(h, 0.5);
  }
}

TEST(Evaluate, EmptyWindowDependsOnlyOnBiasRowAndW2) {
  std::mt19937_64 random(2);
  Network n = RandomNetwork(random, 1.0);
  IndexWeights(n);
  const Inputs empty{};
  const auto before = Evaluate(n, empty);
  for (int i = 1; i <= 81; ++i) {
    for (int j = 0; j <= 100; ++j) W1At(n, i, j) = 7.0 * (i - j);
  }
  IndexWeights(n);
  EXPECT_EQ(Evaluate(n, empty), before);
  for (int j = 0; j <= 100; ++j) EXPECT_EQ(n.hidden[j], Sigmoid(W1At(n, 0, j)));
  W1At(n, 0, 5) += 0.5;
  EXPECT_NE(Evaluate(n, empty), before);
}

TEST(Evaluate, HiddenUnitZeroIsComputed) {
  Network n;
  CreateNetwork(n, 81, 100, 2);
  W1At(n, 0, 0) = 2.0;   // bias weight of hidden unit 0
  W1At(n, 1, 0) = -3.0;  // input 1 to hidden unit 0
  W2At(n, 0, 1) = 4.0;   // hidden unit 0 to output 1
  IndexWeights(n);
  Inputs cells{};
  cells[0] = 1.0;  // input 1
  const double h0 = Sigmoid(2.0 + -3.0);
  const auto out = Evaluate(n, cells);
  EXPECT_EQ(n.hidden[0], h0);
  EXPECT_EQ(out[1], Sigmoid(h0 * 4.0));
  EXPECT_NE(out[1], Sigmoid(4.0));  // not a constant 1.0 unit
  EXPECT_EQ(out[0], 0.5);
  EXPECT_EQ(out[2], 0.5);
  EXPECT_EQ(n.output[1], out[1]);
  EXPECT_EQ(n.input[0], 1.0);
  EXPECT_EQ(n.input[1], 1.0);
}

TEST(Evaluate, NaNWeightMakesEveryOutputNaN) {
  std::mt19937_64 random(3);
  for (const bool indexed : {false, true}) {
    Network n = RandomNetwork(random, 0.5);
    W1At(n, 40, 7) = NaN;  // input 40 is 0.0 below: 0.0 * NaN is NaN
    if (indexed) IndexWeights(n);
    const auto out = Evaluate(n, Inputs{});
    EXPECT_TRUE(std::isnan(n.hidden[7]));
    EXPECT_FALSE(std::isnan(n.hidden[6]));
    for (const double o : out) EXPECT_TRUE(std::isnan(o)) << indexed;
  }
  Network w2 = RandomNetwork(random, 0.5);
  W2At(w2, 50, 1) = NaN;
  IndexWeights(w2);
  const auto out = Evaluate(w2, RandomInputs(random, 10));
  EXPECT_FALSE(std::isnan(out[0]));
  EXPECT_TRUE(std::isnan(out[1]));
}

TEST(Evaluate, InfiniteWeightTimesZeroInputIsNaN) {
  std::mt19937_64 random(4);
  Network n = RandomNetwork(random, 0.5);
  W1At(n, 10, 3) = Inf;
  IndexWeights(n);
  Inputs cells{};
  Evaluate(n, cells);
  EXPECT_TRUE(std::isnan(n.hidden[3]));
  // With input 10 set the infinity counts as such: the unit saturates.
  cells[9] = 1.0;
  Evaluate(n, cells);
  EXPECT_EQ(n.hidden[3], 1.0);
  cells[9] = -1.0;
  Evaluate(n, cells);
  EXPECT_EQ(n.hidden[3], 0.0);
}

TEST(Evaluate, TwoCallsAreBitIdentical) {
  std::mt19937_64 random(5);
  Network n = RandomNetwork(random, 2.0);
  IndexWeights(n);
  const Inputs cells = RandomInputs(random, 20);
  const auto first = Evaluate(n, cells);
  Evaluate(n, RandomInputs(random, 20));
  const auto second = Evaluate(n, cells);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(Same(first[k], second[k]));
}

TEST(Evaluate, BitIdenticalToTheDefinition) {
  std::mt19937_64 random(6);
  for (int round = 0; round < 300; ++round) {
    const double scale = round % 3 == 0 ? 0.1 : round % 3 == 1 ? 1.0 : 50.0;
    Network n = RandomNetwork(random, scale, round % 10 == 0 ? 7 : 100);
    if (round % 2 == 0) IndexWeights(n);
    for (int w = 0; w < 4; ++w) {
      const Inputs cells = RandomInputs(random, static_cast<int>(random() % 60));
      const auto expected = PlainEvaluate(n, cells);
      const auto got = Evaluate(n, cells);
      for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(Same(got[k], expected[k])) << "round " << round << " output " << k;
      }
    }
  }
}

TEST(Evaluate, BitIdenticalWithNonFiniteWeights) {
  std::mt19937_64 random(7);
  const double specials[] = {NaN, Inf, -Inf, -0.0, 1e308, -1e308};
  for (int round = 0; round < 200; ++round) {
    Network n = RandomNetwork(random, 1.0);
    const int count = 1 + static_cast<int>(random() % 4);
    for (int s = 0; s < count; ++s) {
      double& w = random() % 4 == 0 ? n.W2[random() % n.W2.size()] : n.W1[random() % n.W1.size()];
      w = specials[random() % 6];
    }
    IndexWeights(n);
    const Inputs cells = RandomInputs(random, static_cast<int>(random() % 40));
    const auto expected = PlainEvaluate(n, cells);
    const auto got = Evaluate(n, cells);
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(Same(got[k], expected[k])) << round << " " << k;
  }
}

TEST(Evaluate, GeneralInputValuesFollowTheDefinition) {
  std::mt19937_64 random(8);
  Network n = RandomNetwork(random, 1.0);
  IndexWeights(n);
  Inputs cells{};
  cells[3] = 0.5;
  cells[4] = -0.0;
  cells[5] = NaN;
  const auto expected = PlainEvaluate(n, cells);
  const auto got = Evaluate(n, cells);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(Same(got[k], expected[k]));
  cells[5] = 2.0;
  const auto expected2 = PlainEvaluate(n, cells);
  const auto got2 = Evaluate(n, cells);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(Same(got2[k], expected2[k]));
}

TEST(Evaluate, NetworkFilledByHandIsEvaluatedWithoutIndex) {
  std::mt19937_64 random(9);
  const Network source = RandomNetwork(random, 1.0);
  Network n;
  n.inputCount = 81;
  n.hiddenCount = 100;
  n.outputCount = 2;
  n.input.assign(82, 0.0);
  n.hidden.assign(101, 0.0);
  n.output.assign(3, 0.0);
  n.W1 = source.W1;
  n.W2 = source.W2;
  n.W1[5 * 101 + 9] = NaN;  // a NaN row, with input 5 zero below
  const Inputs cells = RandomInputs(random, 10);
  Inputs withZero = cells;
  withZero[4] = 0.0;
  const auto expected = PlainEvaluate(n, withZero);
  const auto got = Evaluate(n, withZero);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(Same(got[k], expected[k]));
  EXPECT_TRUE(std::isnan(got[1]));
}

TEST(Evaluate, NetworkWithoutWeightsGivesOneHalf) {
  Network none;
  EXPECT_EQ(Evaluate(none, Inputs{}), (std::array<double, 3>{0.5, 0.5, 0.5}));
  EXPECT_TRUE(none.input.empty());
  Network wrong;
  CreateNetwork(wrong, 5, 3, 2);  // not an 81-input network
  EXPECT_EQ(Evaluate(wrong, Inputs{}), (std::array<double, 3>{0.5, 0.5, 0.5}));
  Network negative;
  CreateNetwork(negative, 81, -4, 2);  // taken as no hidden unit but unit 0
  EXPECT_EQ(negative.hidden.size(), 1u);
  EXPECT_EQ(Evaluate(negative, Inputs{})[1], Sigmoid(0.5 * 0.0));
}

}  // namespace
}  // namespace ruvex
