#include "shell/startup.h"

#include <cstdlib>
#include <memory>

#include "shell/engine.h"
#include "platform/platform.h"
#include "shell/protocol_loop.h"
#include "shell/settings.h"

namespace ruvex {

void RunEngine() {
  const auto engine = std::make_unique<Engine>();
  InitEngine(*engine, StandardConsole(), platform::ExecutableDirectory());
  ProtocolLoop(*engine);
}

void Shutdown() {
  std::exit(ExitCode);
}

}  // namespace ruvex
