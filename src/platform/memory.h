// The process memory probe.
#pragma once

#include <cstdint>

namespace ruvex {

constexpr uint64_t BytesPerMegabyte = 1048576;

// Resident memory of the process in bytes; 0 when it cannot be measured.
uint64_t MemoryUsage();

}  // namespace ruvex
