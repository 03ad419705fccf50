#include "weightgen/weightgen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "eval_support.h"

namespace ruvex {
namespace {

TEST(WeightGen, SeededWeightsAndTheirFile) {
  const std::vector<double> weights = weightgen::MakeWeights({});
  ASSERT_EQ(weights.size(), 8585u);
  EXPECT_EQ(weights, weightgen::MakeWeights({}));
  EXPECT_NE(weights, weightgen::MakeWeights({.seed = 1}));
  const auto [low, high] = std::minmax_element(weights.begin(), weights.end());
  EXPECT_TRUE(*low >= -0.5 && *low < -0.45 && *high < 0.5 && *high > 0.45) << *low << " " << *high;
  // Little-endian doubles: byte 8n + 7 is the highest byte of weight n. A
  // longer file starts with the same bytes.
  const std::vector<uint8_t> bytes = weightgen::MakeWeightFile({.bytes = 70000});
  ASSERT_EQ(bytes.size(), 70000u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 68680),
            weightgen::MakeWeightFile({}));
  for (const std::size_t n : {std::size_t{0}, std::size_t{8584}}) {
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = bits << 8 | bytes[8 * n + b];
    EXPECT_EQ(bits, testing::Bits(weights[n])) << n;
  }
  for (const double w : weightgen::MakeWeights({.fill = weightgen::Fill::Zero}))
    ASSERT_EQ(testing::Bits(w), 0u);
  for (const double w : weightgen::MakeWeights({.fill = weightgen::Fill::NaN}))
    ASSERT_TRUE(std::isnan(w));
}

}  // namespace
}  // namespace ruvex
