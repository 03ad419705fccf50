// Start-up settings of the engine. They are fixed when the engine is created;
// the search's tuning values live in SearchTuning (search/tuning.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "eval/network.h"

namespace ruvex {

struct Settings {
  std::string EngineVersion = "v2.0.0";              // reported by ABOUT
  int32_t HiddenUnitCount = DefaultHiddenUnitCount;  // hidden units of the network (100)
};

// The process exit code of every orderly stop; nothing changes it.
inline constexpr int ExitCode = 0;

// Bytes the protocol loop asks for in one read of standard input.
inline constexpr std::size_t ReadBufferSize = 1024;

// An unfinished line held back from a full read is kept up to this many bytes
// while it waits for its end; bytes beyond them are dropped (see ChunkCutter).
inline constexpr std::size_t MaxHeldBytes = 4 * ReadBufferSize;

// INFO timeout_match 0 means "no match limit" and is stored as this value.
inline constexpr int64_t UnlimitedMatchTime = 10000000;

// BEGIN's pause after its answer, in milliseconds.
inline constexpr int32_t BeginPause = 100;

// The engine's identity in the ABOUT answer.
inline constexpr std::string_view EngineName = "Ruvex";
inline constexpr std::string_view EngineAuthor = "Tolvane";
inline constexpr std::string_view EngineCountry = "Castria";

}  // namespace ruvex
