// The fixed-iteration clock and its environment setting.
#include <gtest/gtest.h>

#include "shell/startup.h"

namespace ruvex {
namespace {

TEST(FixedIterations, ParsedValues) {
  const std::pair<const char*, int64_t> cases[] = {
      {nullptr, 0},           {"", 0},         {"0", 0},           {"1", 1},
      {"800", 800},           {"-5", 0},       {"8x", 0},          {" 8", 0},
      {"10000000", 10000000}, {"10000001", 0}, {"999999999999", 0}};
  for (const auto& [text, n] : cases) EXPECT_EQ(ParseIterations(text), n) << (text ? text : "null");
}

TEST(FixedIterations, ElapsedPasses8000AfterNReadings) {
  for (const int64_t n : {1, 7, 800, 3000}) {
    Host host = FixedIterationClock(SystemHost(), n);
    const int64_t start = host.clock();
    int64_t readings = 0;
    while (host.clock() - start <= 8000) ++readings;
    EXPECT_EQ(readings, n - 1) << n;  // the reading that passes 8000 is the n-th after the start
  }
}

}  // namespace
}  // namespace ruvex
