// Process start-up and the one orderly way out.
#pragma once

#include <cstdint>

#include "platform/host.h"

namespace ruvex {

// Creates the engine with every default setting and runs the protocol loop on
// the process's standard streams until it ends. When the environment sets
// RUVEX_ITERATIONS, the clock is FixedIterationClock's.
void RunEngine();

// Releases what the engine holds and ends the process with exit code 0.
[[noreturn]] void Shutdown();

// RUVEX_ITERATIONS's value: a decimal number 1..10^7, else 0 (not set, or
// not such a number: the real clock is kept).
int64_t ParseIterations(const char* text);

// A clock for reproducible matches: reading k (from 0) gives k x 8001 / n ms.
// The search reads the clock once before every iteration and stops once a
// turn's elapsed time passes 8000 ms, so every searched turn runs n
// iterations (give or take one), whatever the machine's load. Meant for a
// turn limit above 8.5 s and no match limit, which the virtual time then
// never reaches.
Host FixedIterationClock(Host host, int64_t n);

}  // namespace ruvex
