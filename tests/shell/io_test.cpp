// The console, clock and text operations of shell/io.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fake_streams.h"
#include "shell/io/clock.h"
#include "shell/io/console.h"
#include "shell/io/text.h"
#include "shell/io/trace.h"

namespace ruvex {
namespace {

TEST(FieldOf, CutsAtEverySingleCharacterSeparator) {
  EXPECT_EQ(FieldOf("TURN 10,10", 1, " "), "TURN");
  EXPECT_EQ(FieldOf("TURN 10,10", 2, " "), "10,10");
  EXPECT_EQ(FieldOf("TURN 10,10", 3, " "), "");
  EXPECT_EQ(FieldOf("TURN  3,4", 2, " "), "");  // adjacent blanks give an empty field
  EXPECT_EQ(FieldOf("TURN  3,4", 3, " "), "3,4");
  EXPECT_EQ(FieldOf("5,7,1", 3, ","), "1");
  EXPECT_EQ(FieldOf("5,7,", 3, ","), "");
  EXPECT_EQ(FieldOf("abc", 1, ","), "abc");
  EXPECT_EQ(FieldOf("", 1, ","), "");
}

TEST(FieldOf, FieldNumberBelowOneOrBeyondTheLastGivesEmpty) {
  EXPECT_EQ(FieldOf("a,b", 0, ","), "");
  EXPECT_EQ(FieldOf("a,b", -3, ","), "");
  EXPECT_EQ(FieldOf("a,b", 3, ","), "");
  EXPECT_EQ(FieldOf("a,b", 1000, ","), "");
}

TEST(FieldOf, LongSeparatorCutsOnlyWhereTheWholeTextOccurs) {
  const std::string text = "A\r\n\r\nB";
  EXPECT_EQ(FieldOf(text, 1, "\r\n"), "A");
  EXPECT_EQ(FieldOf(text, 2, "\r\n"), "");
  EXPECT_EQ(FieldOf(text, 3, "\r\n"), "B");
  EXPECT_EQ(FieldOf("A\nB\rC\r\nD", 1, "\r\n"), "A\nB\rC");  // lone LF and CR do not cut
  EXPECT_EQ(FieldOf("A\nB\rC\r\nD", 2, "\r\n"), "D");
}

TEST(ParseInt, SkipsBlanksAndTabsReadsSignAndStopsAtFirstNonDigit) {
  EXPECT_EQ(ParseInt(" 10"), 10);
  EXPECT_EQ(ParseInt(" \t \t42"), 42);
  EXPECT_EQ(ParseInt("-3"), -3);
  EXPECT_EQ(ParseInt("+3"), 3);
  EXPECT_EQ(ParseInt("\t-17x"), -17);
  EXPECT_EQ(ParseInt("7,8"), 7);
  EXPECT_EQ(ParseInt("12 34"), 12);
  EXPECT_EQ(ParseInt("0019"), 19);
}

TEST(ParseInt, TextWithoutDigitsReadsZero) {
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("x1"), 0);
  EXPECT_EQ(ParseInt("-"), 0);
  EXPECT_EQ(ParseInt("- 5"), 0);  // no blanks between sign and digits
  EXPECT_EQ(ParseInt("\r5"), 0);  // only blanks and tabs are skipped
  EXPECT_EQ(ParseInt("$"), 0);
  EXPECT_EQ(ParseInt("$g"), 0);
  EXPECT_EQ(ParseInt("%2"), 0);
}

TEST(ParseInt, HexAfterDollarAndBinaryAfterPercent) {
  EXPECT_EQ(ParseInt("$ff"), 255);
  EXPECT_EQ(ParseInt("$FF"), 255);
  EXPECT_EQ(ParseInt("$1aG"), 26);
  EXPECT_EQ(ParseInt("-$10"), -16);
  EXPECT_EQ(ParseInt("%101"), 5);
  EXPECT_EQ(ParseInt("%1012"), 5);
  EXPECT_EQ(ParseInt("+%11"), 3);
}

TEST(ParseInt, HugeInputWrapsAroundInsteadOfOverflowing) {
  // 10^23 modulo 2^64; the arithmetic is unsigned, so this is defined behaviour.
  EXPECT_EQ(ParseInt("100000000000000000000000"), 200376420520689664);
  EXPECT_EQ(ParseInt("-100000000000000000000000"), -200376420520689664);
  EXPECT_EQ(ParseInt("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ParseInt("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ParseInt("$ffffffffffffffff"), -1);
  EXPECT_EQ(ParseInt("$1ffffffffffffffff"), -1);
  // 10^5000 is a multiple of 2^64, so 5000 nines wrap to -1.
  EXPECT_EQ(ParseInt(std::string(5000, '9')), -1);
}

TEST(FormatInt, PlainDecimal) {
  EXPECT_EQ(FormatInt(0), "0");
  EXPECT_EQ(FormatInt(10), "10");
  EXPECT_EQ(FormatInt(-1), "-1");
  EXPECT_EQ(FormatInt(10000000), "10000000");
  EXPECT_EQ(FormatInt(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(FormatFloats, InfinitiesAndNaN) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatDouble(inf), "+Infinity");
  EXPECT_EQ(FormatDouble(-inf), "-Infinity");
  EXPECT_EQ(FormatDouble(std::nan("")), "NaN");
  EXPECT_EQ(FormatDouble(inf, 2), "+Infinity");
  EXPECT_EQ(FormatFloat(std::numeric_limits<float>::infinity()), "+Infinity");
  EXPECT_EQ(FormatFloat(-std::numeric_limits<float>::infinity(), 1), "-Infinity");
  EXPECT_EQ(FormatFloat(std::nanf("")), "NaN");
}

TEST(FormatFloats, DefaultIsTenDecimalsWithTrailingZerosTrimmed) {
  EXPECT_EQ(FormatDouble(1.5), "1.5");
  EXPECT_EQ(FormatDouble(2.0), "2");
  EXPECT_EQ(FormatDouble(100.0), "100");
  EXPECT_EQ(FormatDouble(0.0), "0");
  EXPECT_EQ(FormatDouble(-2.25), "-2.25");
  EXPECT_EQ(FormatDouble(1.0 / 3.0), "0.3333333333");
  EXPECT_EQ(FormatDouble(2.0 / 3.0), "0.6666666667");
  EXPECT_EQ(FormatDouble(1e-11), "0");
  // The float is widened exactly: 0.1f is 0.100000001490116...
  EXPECT_EQ(FormatFloat(0.1f), "0.1000000015");
  EXPECT_EQ(FormatFloat(220.0f), "220");
}

TEST(FormatFloats, GivenDecimalsUseFixedPointRounding) {
  EXPECT_EQ(FormatDouble(12.345, 1), "12.3");
  EXPECT_EQ(FormatDouble(2.5, 0), "2");  // the C conversion rounds exact halves to even
  EXPECT_EQ(FormatDouble(3.5, 0), "4");
  EXPECT_EQ(FormatDouble(1.0, 3), "1.000");  // no trimming with decimals given
  EXPECT_EQ(FormatFloat(310.75f, 0), "311");
  // Decimals are clamped to 512.
  const std::string wide = FormatDouble(1.0, 600);
  EXPECT_EQ(wide.size(), 2u + 512u);
  EXPECT_EQ(wide.substr(0, 4), "1.00");
}

TEST(FormatFloats, NegativeZeroIsZeroForDoubleAndKeepsItsSignForFloat) {
  EXPECT_EQ(FormatDouble(-0.0), "0");
  EXPECT_EQ(FormatDouble(-0.0, 2), "0.00");
  EXPECT_EQ(FormatFloat(-0.0f), "-0");
  EXPECT_EQ(FormatFloat(-0.0f, 2), "-0.00");
  EXPECT_EQ(FormatFloat(0.0f), "0");
}

TEST(WriteLine, WritesTextAndCrLfAsOneWrite) {
  testing::FakeStreams streams;
  Console console = streams.MakeConsole();
  WriteLine(console, "OK");
  WriteLine(console, "");
  ASSERT_EQ(streams.writes.size(), 2u);
  EXPECT_EQ(streams.writes[0], std::string("OK\r\n"));
  EXPECT_EQ(streams.writes[1], std::string("\r\n"));
}

TEST(ReadChunk, ZeroesTheBufferBeforeEveryRead) {
  testing::FakeStreams streams;
  streams.chunks = {"abc"};
  Console console = streams.MakeConsole();
  std::array<char, 16> buffer;
  buffer.fill('z');
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), 3u);
  EXPECT_EQ(std::string(buffer.data(), 3), "abc");
  for (std::size_t i = 3; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '\0') << i;

  buffer.fill('z');
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), 0u);  // end of input
  for (char c : buffer) EXPECT_EQ(c, '\0');
}

TEST(ReadChunk, CountNeverExceedsTheBuffer) {
  Console console;
  console.read = [](char* buffer, std::size_t size) -> std::size_t {
    std::memset(buffer, 'r', size);
    return size + 100;  // a reader that claims more than it could store
  };
  std::array<char, 8> buffer{};
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), buffer.size());
}

TEST(ReadChunk, ConsoleWithoutReaderReadsNothing) {
  Console console;
  std::array<char, 4> buffer{'a', 'b', 'c', 'd'};
  EXPECT_EQ(ReadChunk(console, buffer.data(), buffer.size()), 0u);
  for (char c : buffer) EXPECT_EQ(c, '\0');
  WriteLine(console, "lost");  // no writer: nothing happens, nothing crashes
}

TEST(ElapsedClock, FirstReadingIsZeroAndLaterOnesCountUp) {
  ElapsedClock clock;
  EXPECT_EQ(ElapsedMilliseconds(clock), 0);
  EXPECT_TRUE(clock.started);
  const int64_t second = ElapsedMilliseconds(clock);
  const int64_t third = ElapsedMilliseconds(clock);
  EXPECT_GE(second, 0);
  EXPECT_GE(third, second);
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
