// Process start-up and the one orderly way out.
#pragma once

namespace ruvex {

// Creates the engine with every default setting and runs the protocol loop on
// the process's standard streams until it ends.
void RunEngine();

// Releases what the engine holds and ends the process with exit code 0.
[[noreturn]] void Shutdown();

}  // namespace ruvex
