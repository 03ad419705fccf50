// The engine's whole state: what start-up creates and the protocol loop,
// the evaluator and the search work on. Tests create one fresh per case.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "board/board.h"
#include "eval/evaluator.h"
#include "eval/loader.h"
#include "search/driver.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "shell/settings.h"

namespace ruvex {

struct Engine {
  Console console;
  Settings settings;
  BoardGrid game;               // the game's position; all Empty until the first START
  TurnInfo turn;                // time limits, turn start and the opponent's last stone
  bool BoardEntryMode = false;  // on from BOARD to DONE
  Evaluator evaluator;
  SearchState search;                          // its probes.elapsed is the one clock of the engine
  std::string executableDirectory;             // ends in a path separator; brain.map lies here
  bool gameStarted = false;                    // a START has begun a game
  std::function<void(int32_t)> delay = Delay;  // BEGIN's pause
};

// Start-up: the engine on the given streams, every setting at its default.
void InitEngine(Engine& engine, Console console, std::string executableDirectory);

// START's new-game step: the board cleared and framed, HurryMode cleared, the
// network loaded. Missing when brain.map is not there (the caller then stops).
LoadResult NewGame(Engine& engine);

}  // namespace ruvex
