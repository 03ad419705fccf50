// The protocol command loop: reads the manager's commands, keeps the game
// board in step and answers on the engine's console.
#pragma once

#include <optional>
#include <string_view>

#include "shell/engine.h"

namespace ruvex {

// Why the loop ended. Every way out ends the process with exit code 0.
enum class LoopExit {
  End,             // the manager sent END
  NetworkMissing,  // START found no readable brain.map (its MESSAGE line is written)
  InputClosed,     // standard input ended or could not be read
};

// Reads ReadBufferSize-byte chunks until END, a missing network or the end of
// input, and carries out every piece.
LoopExit ProtocolLoop(Engine& engine);

// Carries out one piece; a result means the loop ends.
std::optional<LoopExit> ProcessPiece(Engine& engine, std::string_view piece);

}  // namespace ruvex
