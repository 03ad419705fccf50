#include "eval/md5.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace ruvex {
namespace {

TEST(Md5, KnownDigests) {
  const std::pair<std::string, const char*> cases[] = {
      // The RFC 1321 test suite.
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      // Lengths around the one- and two-block padding limits (md5sum).
      {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
      {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
      {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
      {std::string(1000, 'x'), "398533d48111e9f664b1f64cb10c4b63"},
  };
  for (const auto& [text, digest] : cases) {
    std::string hex;
    for (const uint8_t byte : Md5(text.data(), text.size()))
      hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    EXPECT_EQ(hex, digest) << text.size() << " bytes: " << text.substr(0, 20);
  }
}

// Several messages at once give the one-message digests (with AVX2, then
// AVX-512, where the processor has them), for every count of lanes and
// lengths around the padding limits, the longest it takes and past it.
TEST(Md5, ManyMatchesOneByOne) {
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(18 * 121);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  const uint8_t* messages[17];
  Md5Digest digests[17];
  for (const bool widest : {false, true}) {
    md5_detail::UseAvx512(widest);  // true is the engine's setting
    for (const std::size_t length : {0, 1, 55, 56, 63, 64, 81, 119, 120}) {
      for (std::size_t count = 0; count <= 17; ++count) {
        for (std::size_t i = 0; i < count; ++i) messages[i] = &bytes[121 * i + count];
        Md5Many(messages, length, count, digests);
        for (std::size_t i = 0; i < count; ++i)
          ASSERT_EQ(digests[i], Md5(messages[i], length)) << widest << length << " " << count << i;
      }
    }
  }
}

}  // namespace
}  // namespace ruvex
