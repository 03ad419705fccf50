// ruvex_weightgen: writes a weight file in the brain.map layout.
//
//   ruvex_weightgen [--random | --zero | --constant V | --nan] [--seed S]
//                   [--scale X] [--hidden H] [--bytes N] OUTPUT
//
// The default (no fill option) is seeded random weights in [-0.5, 0.5),
// seed 20240611, 100 hidden units: the shipped data/brain.map.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "weightgen/weightgen.h"

namespace {

int Usage() {
  std::fputs(
      "usage: ruvex_weightgen [--random | --zero | --constant V | --nan] [--seed S]\n"
      "                       [--scale X] [--hidden H] [--bytes N] OUTPUT\n",
      stderr);
  return 2;
}

bool ParseNumber(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0';
}

bool ParseWhole(const char* text, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ruvex::weightgen;
  Options options;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long long whole = 0;
    if (arg == "--random") {
      options.fill = Fill::Random;
    } else if (arg == "--zero") {
      options.fill = Fill::Zero;
    } else if (arg == "--nan") {
      options.fill = Fill::NaN;
    } else if (arg == "--constant" && hasValue && ParseNumber(argv[i + 1], options.constant)) {
      options.fill = Fill::Constant;
      ++i;
    } else if (arg == "--scale" && hasValue && ParseNumber(argv[i + 1], options.scale)) {
      ++i;
    } else if (arg == "--seed" && hasValue && ParseWhole(argv[i + 1], whole)) {
      options.seed = static_cast<unsigned long long>(whole);
      ++i;
    } else if (arg == "--hidden" && hasValue && ParseWhole(argv[i + 1], whole) && whole >= 0 &&
               whole <= 100000) {
      options.hidden = static_cast<int>(whole);
      ++i;
    } else if (arg == "--bytes" && hasValue && ParseWhole(argv[i + 1], whole) && whole >= 0) {
      options.bytes = whole;
      ++i;
    } else if (!arg.starts_with("--") && output.empty()) {
      output = arg;
    } else {
      return Usage();
    }
  }
  if (output.empty()) return Usage();
  const auto bytes = MakeWeightFile(options);
  if (!WriteBytes(output, bytes)) {
    std::fprintf(stderr, "ruvex_weightgen: cannot write %s\n", output.c_str());
    return 1;
  }
  std::printf("%s: %zu bytes\n", output.c_str(), bytes.size());
  return 0;
}
