#include "platform/memory.h"

#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/probes.h"

namespace ruvex {

uint64_t MemoryUsage() { return platform::ResidentMemoryBytes(); }

Probes SystemProbes() {
  return Probes{[] { return ElapsedMilliseconds(); }, [] { return MemoryUsage(); }};
}

}  // namespace ruvex
