#include "shell/startup.h"

#include <cstdlib>

namespace ruvex {

void RunEngine() {}

void Shutdown() { std::exit(0); }

}  // namespace ruvex
