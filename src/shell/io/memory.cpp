#include "shell/io/memory.h"

#include "shell/io/clock.h"
#include "shell/io/platform.h"
#include "shell/io/probes.h"

namespace ruvex {

uint64_t MemoryUsage() { return platform::ResidentMemoryBytes(); }

Probes SystemProbes() {
  return Probes{[] { return ElapsedMilliseconds(); }, [] { return MemoryUsage(); }};
}

}  // namespace ruvex
