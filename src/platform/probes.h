// The clock and memory readings the search's limits depend on, as replaceable
// functions: the engine wires them to the process clock and memory probe,
// tests script them.
#pragma once

#include <cstdint>
#include <functional>

namespace ruvex {

struct Probes {
  std::function<int64_t()> elapsed;   // milliseconds, like ElapsedMilliseconds()
  std::function<uint64_t()> memory;   // bytes, like MemoryUsage()
};

// ElapsedMilliseconds() and MemoryUsage() of this process.
Probes SystemProbes();

}  // namespace ruvex
