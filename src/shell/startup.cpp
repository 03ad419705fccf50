#include "shell/startup.h"

#include <cstdlib>
#include <memory>

#include "platform/platform.h"
#include "shell/engine.h"
#include "shell/protocol_loop.h"
#include "shell/settings.h"

namespace ruvex {

void RunEngine() {
  const auto engine = std::make_unique<Engine>();
  InitEngine(*engine, SystemHost(), platform::ExecutableDirectory());
  OpenConsole();
  ProtocolLoop(*engine);
}

void Shutdown() {
  std::exit(ExitCode);
}

}  // namespace ruvex
