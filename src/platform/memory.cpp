#include "platform/memory.h"

#include "platform/platform.h"

namespace ruvex {

uint64_t MemoryUsage() {
  return platform::ResidentMemoryBytes();
}

}  // namespace ruvex
