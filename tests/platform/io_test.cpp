// The console, clock and text operations of shell/io.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "shell/fake_streams.h"

namespace ruvex {
namespace {

TEST(FieldOf, Fields) {
  const struct {
    const char* text;
    int k;
    const char* separator;
    const char* field;
  } cases[] = {{"TURN 10,10", 2, " ", "10,10"}, {"TURN 10,10", 3, " ", ""},
               {"TURN  3,4", 2, " ", ""},       {"a,b", 0, ",", ""},
               {"A\r\n\r\nB", 1, "\r\n", "A"},  {"A\r\n\r\nB", 2, "\r\n", ""},
               {"A\r\n\r\nB", 3, "\r\n", "B"},  {"A\nB\rC\r\nD", 1, "\r\n", "A\nB\rC"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FieldOf(c.text, c.k, c.separator), c.field) << c.text << " " << c.k;
  }
}

TEST(ParseInt, Numbers) {
  EXPECT_EQ(ParseInt(" 10"), 10);
  EXPECT_EQ(ParseInt(" \t42"), 42);
  EXPECT_EQ(ParseInt("-3"), -3);
  EXPECT_EQ(ParseInt("+3"), 3);
  EXPECT_EQ(ParseInt("7,8"), 7);  // stops at the first other character
  // No digits read 0; only blanks and tabs are skipped, none after the sign.
  EXPECT_EQ(ParseInt("x1"), 0);
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("- 5"), 0);
  EXPECT_EQ(ParseInt("\r5"), 0);
  EXPECT_EQ(ParseInt("$ff"), 255);  // hex after "$"
  EXPECT_EQ(ParseInt("-$1Ag"), -26);
  EXPECT_EQ(ParseInt("%1012"), 5);  // binary after "%"
  // Huge numbers wrap around modulo 2^64 instead of overflowing.
  EXPECT_EQ(ParseInt("100000000000000000000000"), 200376420520689664);
  EXPECT_EQ(ParseInt(std::string(5000, '9')), -1);
}

TEST(FormatNumbers, IntegersAndFloats) {
  EXPECT_EQ(FormatInt(-10000000), "-10000000");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatDouble(inf, 3), "+Infinity");
  EXPECT_EQ(FormatFloat(-inf), "-Infinity");
  EXPECT_EQ(FormatDouble(NAN), "NaN");
  EXPECT_EQ(FormatFloat(NAN, 1), "NaN");
  // Without decimals: "%.10f", then trailing zeros and a bare point go.
  EXPECT_EQ(FormatDouble(1.5), "1.5");
  EXPECT_EQ(FormatDouble(100.0), "100");
  EXPECT_EQ(FormatDouble(2.0 / 3.0), "0.6666666667");
  EXPECT_EQ(FormatFloat(0.1f), "0.1000000015");  // the float widened exactly
  // With decimals: the C conversion, no trimming; at most 512 decimals.
  EXPECT_EQ(FormatDouble(12.345, 1), "12.3");
  EXPECT_EQ(FormatDouble(1.0, 3), "1.000");
  EXPECT_EQ(FormatDouble(1.0, 600).size(), 2u + 512u);
  // Negative zero: zero for the double, signed for the float.
  EXPECT_EQ(FormatDouble(-0.0), "0");
  EXPECT_EQ(FormatFloat(-0.0f), "-0");
  EXPECT_EQ(FormatFloat(-0.0f, 2), "-0.00");
}

TEST(Console, WriteLineAndReadChunk) {
  testing::FakeStreams streams;
  streams.chunks = {"abc"};
  Host console = streams.MakeHost();
  WriteLine(console, "OK");
  WriteLine(console, "");
  EXPECT_EQ(streams.writes, (std::vector<std::string>{"OK\r\n", "\r\n"}));  // one write each

  // The buffer is zeroed before every read, so a failed read leaves zeros.
  std::array<char, 8> buffer;
  buffer.fill('z');
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), 3u);
  EXPECT_EQ(std::string(buffer.data(), buffer.size()), std::string("abc\0\0\0\0\0", 8));
  buffer.fill('z');
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), 0u);  // end of input
  EXPECT_EQ(buffer, (std::array<char, 8>{}));

  // A reader that claims more than the buffer holds, and no reader at all.
  console.read = [](char*, std::size_t size) { return size + 100; };
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), buffer.size());
  Host none;
  EXPECT_EQ(ReadChunk(none, buffer.data(), buffer.size()), 0u);
  WriteLine(none, "lost");  // no writer: nothing happens
}

TEST(ElapsedClock, FirstReadingIsZeroAndLaterOnesCountUp) {
  ElapsedClock clock;
  EXPECT_EQ(ElapsedMilliseconds(clock), 0);
  const int64_t second = ElapsedMilliseconds(clock);
  EXPECT_GE(second, 0);
  EXPECT_GE(ElapsedMilliseconds(clock), second);
}

TEST(TraceLog, ReachesOnlyAnInstalledSink) {
  std::vector<std::string> lines;
  const TraceSink previous = SetTraceSink([&](std::string_view line) { lines.emplace_back(line); });
  EXPECT_TRUE(TraceActive());
  TraceLog("started!");
  SetTraceSink(previous);
  TraceLog("nobody reads this");
  EXPECT_EQ(lines, std::vector<std::string>{"started!"});
}

}  // namespace
}  // namespace ruvex
