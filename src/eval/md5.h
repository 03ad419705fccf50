// MD5 message digest (RFC 1321), allocation-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ruvex {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5(const void* data, std::size_t length);

}  // namespace ruvex
