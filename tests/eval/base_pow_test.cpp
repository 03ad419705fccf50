#include "eval/base_pow.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "eval_support.h"

namespace ruvex {
namespace {

using testing::Bits;
constexpr double Inf = std::numeric_limits<double>::infinity();

bool Same(double a, double b) {
  return Bits(a) == Bits(b) || (std::isnan(a) && std::isnan(b));
}

// Inputs like the network's sums, wider ones, tiny ones, the thresholds of
// overflow (709.78), of subnormal results (-708.40) and of 0 (-745.13), and
// any bit pattern.
std::vector<double> Inputs(std::size_t count, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const double edges[] = {709.7826681015632, -708.3963738279273, -745.1331720792778};
  const double scales[] = {32.0, 256.0, 760.0};
  std::vector<double> y(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t kind = i % 6;
    if (kind < 3) y[i] = scales[kind] * unit(random);
    if (kind == 3) y[i] = std::ldexp(unit(random), -static_cast<int>(random() % 80));
    if (kind == 4) y[i] = edges[random() % 3] * (1.0 + 0x1.0p-16 * unit(random));
    if (kind == 5) y[i] = std::bit_cast<double>(static_cast<uint64_t>(random()));
  }
  const double specials[] = {0.0,       -0.0,         1.0,    -1.0,      Inf,
                             -Inf,      std::nan(""), 1e300,  -1e300,    4.9e-324,
                             -4.9e-324, 700.0,        -700.0, 0x1.0p-60, -0x1.0p-60};
  for (std::size_t i = 0; i < std::size(specials) && i < count; ++i) y[i] = specials[i];
  return y;
}

// Values worked out to 80 digits elsewhere, correctly rounded.
TEST(PowBase, ExactPathMatchesWorkedValues) {
  const double table[][2] = {{0x1p+1, 0x1.d8e64f76ab29bp+2},
                             {-0x1p+1, 0x1.152aa7f111b02p-3},
                             {0x1p-1, 0x1.a61299c14fac2p+0},
                             {-0x1p-2, 0x1.8ebef9813d1c8p-1},
                             {0x1.b7cdfd9d7bdbbp-34, 0x1.000000006df38p+0},
                             {-0x1.ep+1, 0x1.81508d5b1f23cp-6},
                             {0x1.12p+4, 0x1.a1a6a8ed32236p+24},
                             {-0x1.44p+5, 0x1.7c42e1e87e72dp-59},
                             {0x1.c6p+7, 0x1.67fc491b53345p+327},
                             {0x1.62e3d70a3d70ap+9, 0x1.fea2c0b056717p+1023},
                             {-0x1.624p+9, 0x0.e6ccc8bc1657cp-1022},
                             {-0x1.74p+9, 0x0.0000000000002p-1022},
                             {-0x1.748p+9, 0x0.0000000000001p-1022},
                             {0x1.70ef54646d497p-57, 1.0},
                             {1.0, SigmoidBase},
                             {0.0, 1.0},
                             {-0.0, 1.0},
                             {Inf, Inf},
                             {-Inf, 0.0},
                             {710.0, Inf},
                             {-746.0, 0.0}};
  for (const auto& [y, expected] : table) {
    EXPECT_EQ(Bits(PowBaseExact(y)), Bits(expected)) << y;
    EXPECT_EQ(Bits(PowBase(y, PowMode::CorrectlyRounded)), Bits(expected)) << y;
  }
  EXPECT_TRUE(std::isnan(PowBaseExact(std::nan(""))));
}

// The fast path with the exact path behind it against the exact path alone:
// one at a time, in arrays two and four at a time, and in arrays of every
// short length, in place too.
TEST(PowBase, CorrectlyRoundedEqualsTheExactPath) {
  const std::vector<double> y = Inputs(60000, 1);
  std::vector<double> exact(y.size()), out(y.size());
  for (std::size_t i = 0; i < y.size(); ++i) {
    exact[i] = PowBaseExact(y[i]);
    ASSERT_TRUE(Same(PowBase(y[i], PowMode::CorrectlyRounded), exact[i])) << std::hexfloat << y[i];
  }
  for (const bool avx2 : {false, true}) {
    const bool before = pow_detail::UseAvx2(avx2);
    PowBaseArray(y.data(), out.data(), y.size(), PowMode::CorrectlyRounded);
    pow_detail::UseAvx2(before);
    for (std::size_t i = 0; i < y.size(); ++i)
      ASSERT_TRUE(Same(out[i], exact[i])) << std::hexfloat << y[i] << " avx2 " << avx2;
  }
  for (std::size_t n = 0; n <= 17; ++n) {
    std::vector<double> inPlace(y.begin() + 100, y.begin() + 100 + static_cast<long>(n));
    PowBaseArray(inPlace.data(), inPlace.data(), n);
    for (std::size_t i = 0; i < n; ++i) EXPECT_TRUE(Same(inPlace[i], PowBase(y[100 + i])));
  }
}

// Where the C library is glibc, the engine's power is its pow, bit for bit.
TEST(PowBase, EngineEqualsTheLibrary) {
  if (!PowUsesLibraryHardCases())
    GTEST_SKIP() << "not glibc: the engine's power is correctly rounded";
  const std::vector<double> y = Inputs(3000000, 2);
  std::vector<double> out(y.size());
  const std::size_t half = y.size() / 2;
  const bool before = pow_detail::UseAvx2(false);
  PowBaseArray(y.data(), out.data(), half);
  pow_detail::UseAvx2(true);
  PowBaseArray(y.data() + half, out.data() + half, y.size() - half);
  pow_detail::UseAvx2(before);
  for (std::size_t i = 0; i < y.size(); ++i)
    ASSERT_TRUE(Same(out[i], std::pow(SigmoidBase, y[i]))) << std::hexfloat << y[i];
}

}  // namespace
}  // namespace ruvex
