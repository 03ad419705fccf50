// The platform layer on the system the tests run on: the text helpers the
// protocol reads with, the host's chunk reader and line writer, files (UTF-8
// names too), system pages and the resident-memory probe.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/text.h"
#include "temp_dir.h"

namespace ruvex {
namespace {

TEST(FieldOf, Fields) {
  // text, k, separator, field
  const std::tuple<const char*, int, const char*, const char*> cases[] = {
      {"TURN 10,10", 2, " ", "10,10"}, {"TURN 10,10", 3, " ", ""},
      {"TURN  3,4", 2, " ", ""},       {"a,b", 0, ",", ""},
      {"A\r\n\r\nB", 1, "\r\n", "A"},  {"A\r\n\r\nB", 2, "\r\n", ""},
      {"A\r\n\r\nB", 3, "\r\n", "B"},  {"A\nB\rC\r\nD", 1, "\r\n", "A\nB\rC"}};
  for (const auto& [text, k, separator, field] : cases)
    EXPECT_EQ(FieldOf(text, k, separator), field) << text << " " << k;
}

TEST(ParseInt, Numbers) {
  // No digits read 0; only blanks and tabs are skipped, none after the sign; hex after "$",
  // binary after "%"; huge numbers wrap around modulo 2^64 instead of overflowing.
  const std::pair<std::string, int64_t> cases[] = {
      {" \t42", 42},  {"-3", -3},   {"+3", 3},
      {"7,8", 7},     {"x1", 0},    {"", 0},
      {"- 5", 0},     {"\r5", 0},   {"$ff", 255},
      {"-$1Ag", -26}, {"%1012", 5}, {"100000000000000000000000", 200376420520689664}};
  EXPECT_EQ(ParseInt(std::string(5000, '9')), -1);
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseInt(text), value) << text.substr(0, 30);
}

// A line is one write (the protocol transcripts check the bytes).
TEST(Host, ReadChunkClampsAndWriteLineIsOneWrite) {
  std::vector<std::string> writes;
  Host host;
  host.write = [&writes](std::string_view bytes) { writes.emplace_back(bytes); };
  WriteLine(host, "OK");
  EXPECT_EQ(writes, (std::vector<std::string>{"OK\r\n"}));
  // A reader that claims more than the buffer holds, and no reader at all.
  std::array<char, 8> buffer;
  host.read = [](char*, std::size_t size) { return size + 100; };
  EXPECT_EQ(ReadChunk(host, buffer.data(), buffer.size()), buffer.size());
  EXPECT_EQ(ReadChunk(Host{}, buffer.data(), buffer.size()), 0u);
  ElapsedClock clock;
  EXPECT_EQ(ElapsedMilliseconds(clock), 0);  // the first reading fixes the zero point
}

// A read of no bytes is the end only when the writer has gone: Windows gives
// one for a manager's zero-length write, Wine and files at the end.
TEST(Platform, JudgeRead) {
  using platform::ReadVerdict;
  const std::tuple<bool, std::size_t, bool, ReadVerdict> cases[] = {
      {true, 5, false, ReadVerdict::Bytes}, {true, 0, true, ReadVerdict::Again},
      {true, 0, false, ReadVerdict::End},   {false, 0, true, ReadVerdict::End},
      {false, 3, true, ReadVerdict::End},
  };
  for (const auto& [succeeded, count, present, verdict] : cases) {
    int asked = 0;
    EXPECT_EQ(platform::JudgeRead(succeeded, count, [&] { return ++asked, present; }), verdict);
    EXPECT_EQ(asked, succeeded && count == 0 ? 1 : 0);
  }
}

TEST(PlatformFiles, KindsSizesAndPrefixesUnderUtf8Names) {
  testing::TempDir dir;
  const std::filesystem::path folder =
      std::filesystem::path(dir.Dir()) / std::filesystem::path(u8"d\u00e9p\u00f4t-\u0434\u043e");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::u8string name = folder.u8string();
  const std::string utf8 = std::string(name.begin(), name.end()) + "/";
  std::string content(70000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + 1);
  std::ofstream(folder / "data", std::ios::binary) << content;
  // Missing, empty and directory names: the loader tests.
  uint64_t size = 99;
  EXPECT_EQ(platform::QueryFile(utf8 + "data", &size), platform::FileKind::Regular);
  EXPECT_EQ(size, 70000u);
  // Bytes that are no UTF-8 name nothing here.
  EXPECT_EQ(platform::QueryFile(dir.Dir() + "\xff\xfe", &size), platform::FileKind::Missing);

  std::vector<uint8_t> bytes{1, 2, 3};
  for (const std::size_t limit : {std::size_t{68680}, std::size_t{100000}, std::size_t{0}}) {
    ASSERT_TRUE(platform::ReadFilePrefix(utf8 + "data", limit, bytes));
    ASSERT_EQ(bytes.size(), std::min(limit, content.size()));
    EXPECT_EQ(std::memcmp(bytes.data(), content.data(), bytes.size()), 0);
  }
  bytes = {1, 2, 3};
  EXPECT_FALSE(platform::ReadFilePrefix(utf8 + "absent", 10, bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(PlatformMemory, PagesComeZeroedAndShowInTheResidentSize) {
  EXPECT_EQ(platform::AllocateZeroedPages(0), nullptr);
  constexpr std::size_t kBytes = (64u << 20) + 123;
  const uint64_t base = platform::ResidentMemoryBytes();
  ASSERT_GT(base, 0u);
  auto* pages = static_cast<uint8_t*>(platform::AllocateZeroedPages(kBytes));
  ASSERT_NE(pages, nullptr);
  bool zero = pages[kBytes - 1] == 0;
  for (std::size_t i = 0; i < kBytes; i += 4096) zero = zero && pages[i] == 0;
  EXPECT_TRUE(zero);
  std::memset(pages, 0x5A, kBytes);
  const uint64_t touched = platform::ResidentMemoryBytes();
  EXPECT_GE(touched, base + (48u << 20)) << base << " -> " << touched;
  platform::FreePages(pages, kBytes);
  platform::FreePages(nullptr, kBytes);
  EXPECT_LE(platform::ResidentMemoryBytes(), touched - (48u << 20));
}

}  // namespace
}  // namespace ruvex
