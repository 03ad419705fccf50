// The engine's millisecond clock and pause.
#pragma once

#include <cstdint>

namespace ruvex {

// Zero point of a clock: fixed by its first reading.
struct ElapsedClock {
  bool started = false;
  int64_t zero = 0;
};

// Milliseconds since the clock's first reading, which returns 0.
int64_t ElapsedMilliseconds(ElapsedClock& clock);

// The process clock: its zero point is the first call in the process.
int64_t ElapsedMilliseconds();

void Delay(int32_t milliseconds);

}  // namespace ruvex
