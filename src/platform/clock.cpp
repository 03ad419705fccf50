#include "platform/clock.h"

#include "platform/platform.h"

namespace ruvex {

int64_t ElapsedMilliseconds(ElapsedClock& clock) {
  const int64_t now = platform::MonotonicMilliseconds();
  if (!clock.started) {
    clock.started = true;
    clock.zero = now;
  }
  return now - clock.zero;
}

int64_t ElapsedMilliseconds() {
  static ElapsedClock process_clock;
  return ElapsedMilliseconds(process_clock);
}

void Delay(int32_t milliseconds) { platform::SleepMilliseconds(milliseconds); }

}  // namespace ruvex
