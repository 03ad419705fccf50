#include "shell/startup.h"

#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/platform.h"
#include "shell/engine.h"
#include "shell/protocol_loop.h"
#include "shell/settings.h"

namespace ruvex {

int64_t ParseIterations(const char* text) {
  if (text == nullptr) return 0;
  const std::string_view digits(text);
  if (digits.empty() || digits.size() > 8) return 0;
  int64_t n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 10000000 ? n : 0;
}

Host FixedIterationClock(Host host, int64_t n) {
  host.clock = [n, reads = int64_t{0}]() mutable { return reads++ * 8001 / n; };
  return host;
}

void RunEngine() {
  const auto engine = std::make_unique<Engine>();
  const int64_t iterations = ParseIterations(std::getenv("RUVEX_ITERATIONS"));
  const Host host = iterations > 0 ? FixedIterationClock(SystemHost(), iterations) : SystemHost();
  InitEngine(*engine, host, platform::ExecutableDirectory());
  OpenConsole();
  ProtocolLoop(*engine);
}

void Shutdown() {
  std::exit(ExitCode);
}

}  // namespace ruvex
