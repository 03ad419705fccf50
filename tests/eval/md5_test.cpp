#include "eval/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace ruvex {
namespace {

std::string Hex(const Md5Digest& digest) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string text;
  for (const uint8_t byte : digest) {
    text += Digits[byte >> 4];
    text += Digits[byte & 15];
  }
  return text;
}

std::string Md5Hex(const std::string& text) {
  return Hex(Md5(text.data(), text.size()));
}

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890123456"
                   "7890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PaddingBoundaries) {
  // Lengths around the one- and two-block padding limits (digests from md5sum).
  const std::pair<std::size_t, const char*> cases[] = {
      {55, "04364420e25c512fd958a70738aa8f72"},  {56, "668a72d5ba17f08e62dabcafad6db14b"},
      {57, "693037871c4a9d3d8685018905cb530a"},  {63, "7dc2ca208106a2f703567bdff99d8981"},
      {64, "c1bb4f81d892b2d57947682aeb252456"},  {65, "1bc932052302d074bdec39795fe00cf6"},
      {119, "ab347a5f68c8a443cfcddc633f12c24f"}, {120, "fb98667f98096de92620b64f46e1c5b5"},
      {128, "d69cb61a6ee87200676eb0d4b90edbcb"}, {1000, "398533d48111e9f664b1f64cb10c4b63"},
  };
  for (const auto& [length, digest] : cases) {
    EXPECT_EQ(Md5Hex(std::string(length, 'x')), digest) << length;
  }
}

TEST(Md5, WindowKeyTexts) {
  // 81-byte key texts; digests from md5sum.
  EXPECT_EQ(Md5Hex(std::string(81, 'A')), "2929b007945c1478f46b99aa4ae2b0b1");
  EXPECT_EQ(Md5Hex(std::string(40, 'A') + "C" + std::string(40, 'A')),
            "1c266475c833b30bb1f4e4b6d22388c8");
  EXPECT_EQ(Md5Hex(std::string(40, 'A') + "D" + std::string(40, 'A')),
            "8e105c3c3327b675401e5c13da258faa");
  std::string pattern;
  while (pattern.size() < 81) pattern += "ACDA";
  pattern.resize(81);
  EXPECT_EQ(Md5Hex(pattern), "ba24ab186e58e77c6cfbc039aca8fece");
  EXPECT_EQ(Md5Hex(std::string(81, 'D')), "35bc93064b023c58f3a4fa169a65cfd7");
}

}  // namespace
}  // namespace ruvex
