// MD5 message digest (RFC 1321), allocation-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ruvex {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5(const void* data, std::size_t length);

// digests[i] = Md5(messages[i], length) for i < count: several messages side
// by side where the processor has AVX2 and length is at most 119 bytes.
void Md5Many(const uint8_t* const* messages, std::size_t length, std::size_t count,
             Md5Digest* digests);

namespace md5_detail {

// Up to 8 messages (lanes of them) of at most 119 bytes at once, with AVX2
// or with AVX-512's 256-bit forms.
void Md5LanesAvx2(const uint8_t* const* messages, std::size_t length, std::size_t lanes,
                  Md5Digest* digests);
void Md5LanesAvx512(const uint8_t* const* messages, std::size_t length, std::size_t lanes,
                    Md5Digest* digests);

// Whether Md5Many uses AVX-512 (before AVX2) where the processor has it (it
// does unless told otherwise); returns the previous setting. For tests.
bool UseAvx512(bool use);

}  // namespace md5_detail

}  // namespace ruvex
