// Compares our powers of the sigmoid's base with the C library's
// pow(2.718282, y), bit for bit, on many inputs (not part of the tests).
//
// Usage: ruvex_powcheck [millions of inputs, default 1000] [seed]
//
// The inputs cover what the network's sums can be (a hidden sum adds at most
// 82 weights, an output sum at most 101 weights times activations in [0, 1]:
// |sum| <= 77 and <= 228 with data/brain.map, <= 26 with the search bench's
// weights) with a wide margin, the whole range where b^y is finite and not 1,
// and every kind of double. Per class it prints how many results of
// PowMode::Engine and of PowMode::CorrectlyRounded differ from the library's,
// the first few of those, and how many times the fast path left an input to
// the hard path. Every other block of inputs runs without the AVX2 loops. A
// sample is also checked against PowBaseExact.
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "eval/base_pow.h"

namespace ruvex {
namespace {

struct Random {  // splitmix64
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double Uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }
};

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

// The thresholds: b^y overflows above about 709.78 (1024 ln2 / ln b), is
// subnormal below about -708.40 and rounds to 0 below about -745.13.
constexpr double Edges[] = {709.7826681015632, -708.3963738279273, -745.1331720792778};

struct Class {
  const char* name;
  double share;  // of all inputs
  double (*draw)(Random&);
};

const Class Classes[] = {
    {"uniform [-32, 32]", 0.40, [](Random& r) { return r.Uniform(-32.0, 32.0); }},
    {"uniform [-256, 256]", 0.30, [](Random& r) { return r.Uniform(-256.0, 256.0); }},
    {"uniform [-760, 760]", 0.10, [](Random& r) { return r.Uniform(-760.0, 760.0); }},
    {"+-2^[-80, 10] log-uniform", 0.10,
     [](Random& r) {
       const double y = std::exp2(r.Uniform(-80.0, 10.0));
       return (r.Next() & 1) != 0 ? y : -y;
     }},
    {"edges: thresholds, 0, +-1", 0.05,
     [](Random& r) {
       const uint64_t pick = r.Next() % 6;
       if (pick < 3) return Edges[pick] * (1.0 + r.Uniform(-0x1.0p-16, 0x1.0p-16));
       if (pick == 3) return FromBits(Bits(1.0) + r.Next() % 4096 - 2048);
       if (pick == 4) return -FromBits(Bits(1.0) + r.Next() % 4096 - 2048);
       return FromBits(r.Next() % 4096 | ((r.Next() & 1) << 63));  // +-0 and subnormals
     }},
    {"any bit pattern", 0.05, [](Random& r) { return FromBits(r.Next()); }},
};

bool Same(double a, double b) {
  return Bits(a) == Bits(b) || (std::isnan(a) && std::isnan(b));
}

}  // namespace
}  // namespace ruvex

int main(int argc, char** argv) {
  using namespace ruvex;
  const double millions = argc > 1 ? std::atof(argv[1]) : 1000.0;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 0) : 2024;
  const auto total = static_cast<uint64_t>(millions * 1e6);
  std::printf("pow check: %" PRIu64 " inputs, seed %" PRIu64 ", library hard cases: %s\n", total,
              seed, PowUsesLibraryHardCases() ? "yes (glibc)" : "no");
  constexpr std::size_t Block = 4096;
  std::vector<double> y(Block), engine(Block), correct(Block);
  uint64_t allInputs = 0, allEngine = 0, allCorrect = 0, exactChecked = 0, exactDiffs = 0;
  uint64_t index = 0;
  for (const Class& c : Classes) {
    Random random{seed * 0x100000001b3ULL + ++index};
    const auto count = static_cast<uint64_t>(static_cast<double>(total) * c.share);
    uint64_t engineDiffs = 0, correctDiffs = 0, hard = 0, shown = 0;
    for (uint64_t done = 0; done < count; done += Block) {
      const std::size_t n = static_cast<std::size_t>(count - done < Block ? count - done : Block);
      for (std::size_t i = 0; i < n; ++i) y[i] = c.draw(random);
      pow_detail::UseAvx2(done / Block % 2 == 0);  // every other block without AVX2
      PowBaseArray(y.data(), engine.data(), n, PowMode::Engine);
      PowBaseArray(y.data(), correct.data(), n, PowMode::CorrectlyRounded);
      for (std::size_t i = 0; i < n; ++i) {
        const double library = std::pow(SigmoidBase, y[i]);
        double fast;
        if (!pow_detail::FastPow(y[i], PowMode::Engine, fast)) ++hard;
        const bool engineSame = Same(engine[i], library);
        const bool correctSame = Same(correct[i], library);
        engineDiffs += engineSame ? 0 : 1;
        correctDiffs += correctSame ? 0 : 1;
        if ((!engineSame || !correctSame) && shown < 4) {
          ++shown;
          std::printf("  y %a: library %a, engine %a, correctly rounded %a\n", y[i], library,
                      engine[i], correct[i]);
        }
        if (i % 512 == 0) {  // a sample against the plain reference
          ++exactChecked;
          exactDiffs += Same(correct[i], PowBaseExact(y[i])) ? 0 : 1;
        }
      }
    }
    std::printf("%-26s %11" PRIu64 " inputs: engine differs %" PRIu64
                ", correctly rounded differs %" PRIu64 " (%.5f%%), engine hard path %" PRIu64
                " (%.3f%%)\n",
                c.name, count, engineDiffs, correctDiffs,
                100.0 * static_cast<double>(correctDiffs) / static_cast<double>(count), hard,
                100.0 * static_cast<double>(hard) / static_cast<double>(count));
    allInputs += count;
    allEngine += engineDiffs;
    allCorrect += correctDiffs;
  }
  std::printf("total %" PRIu64 " inputs: engine differs from the library on %" PRIu64
              ", correctly rounded on %" PRIu64 "; correctly rounded vs exact path: %" PRIu64
              " of %" PRIu64 " differ\n",
              allInputs, allEngine, allCorrect, exactDiffs, exactChecked);
  return allEngine == 0 && exactDiffs == 0 ? 0 : 1;
}
