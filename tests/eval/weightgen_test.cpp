#include "weightgen/weightgen.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

namespace ruvex {
namespace {

TEST(WeightGen, DefaultIsSeededSmallAndVaried) {
  const weightgen::Options options;
  const std::vector<double> weights = weightgen::MakeWeights(options);
  ASSERT_EQ(weights.size(), 8585u);
  EXPECT_EQ(weights, weightgen::MakeWeights(options));
  double low = 1.0;
  double high = -1.0;
  for (const double w : weights) {
    ASSERT_GE(w, -0.5);
    ASSERT_LT(w, 0.5);
    low = std::min(low, w);
    high = std::max(high, w);
  }
  EXPECT_LT(low, -0.45);
  EXPECT_GT(high, 0.45);
  weightgen::Options other;
  other.seed = 1;
  EXPECT_NE(weightgen::MakeWeights(other), weights);
}

TEST(WeightGen, FileIsLittleEndianDoubles) {
  const std::vector<double> weights = weightgen::MakeWeights({});
  const std::vector<uint8_t> bytes = weightgen::MakeWeightFile({});
  ASSERT_EQ(bytes.size(), 68680u);
  for (std::size_t n : {std::size_t{0}, std::size_t{101}, std::size_t{8584}}) {
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = bits << 8 | bytes[8 * n + b];
    EXPECT_EQ(bits, std::bit_cast<uint64_t>(weights[n])) << n;
  }
}

TEST(WeightGen, Variants) {
  weightgen::Options zero;
  zero.fill = weightgen::Fill::Zero;
  for (const uint8_t b : weightgen::MakeWeightFile(zero)) ASSERT_EQ(b, 0);
  weightgen::Options constant;
  constant.fill = weightgen::Fill::Constant;
  constant.constant = -2.25;
  for (const double w : weightgen::MakeWeights(constant)) ASSERT_EQ(w, -2.25);
  weightgen::Options nan;
  nan.fill = weightgen::Fill::NaN;
  for (const double w : weightgen::MakeWeights(nan)) ASSERT_TRUE(std::isnan(w));
  weightgen::Options cut;
  cut.bytes = 13;
  const std::vector<uint8_t> full = weightgen::MakeWeightFile({});
  const std::vector<uint8_t> cutBytes = weightgen::MakeWeightFile(cut);
  EXPECT_EQ(cutBytes, std::vector<uint8_t>(full.begin(), full.begin() + 13));
  weightgen::Options longer;
  longer.bytes = 70000;
  const std::vector<uint8_t> longBytes = weightgen::MakeWeightFile(longer);
  ASSERT_EQ(longBytes.size(), 70000u);
  EXPECT_TRUE(std::equal(full.begin(), full.end(), longBytes.begin()));
  weightgen::Options small;
  small.hidden = 0;
  EXPECT_EQ(weightgen::MakeWeightFile(small).size(), (82u + 3u) * 8u);
}

}  // namespace
}  // namespace ruvex
