// The engine's whole state: what start-up creates and the protocol loop,
// the evaluator and the search work on. Tests create one fresh per case.
#pragma once

#include <string>

#include "board/board.h"
#include "eval/evaluator.h"
#include "eval/loader.h"
#include "platform/host.h"
#include "search/driver.h"
#include "shell/settings.h"

namespace ruvex {

struct Engine {
  Host host;  // streams, clock, pause, memory probe and pages; the search reads it too
  Settings settings;
  BoardGrid game;               // the game's position; all Empty until the first START
  TurnInfo turn;                // time limits, turn start and the opponent's last stone
  bool BoardEntryMode = false;  // on from BOARD to DONE
  Evaluator evaluator;
  SearchState search;
  std::string executableDirectory;  // ends in a path separator; brain.map lies here
  bool gameStarted = false;         // a START has begun a game
};

// Start-up: the engine on the given host, every setting at its default.
void InitEngine(Engine& engine, Host host, std::string executableDirectory);

// START's new-game step: the board cleared and framed, the search readied for
// a new game (StartSearchGame), the network loaded. The game starts unless
// brain.map is missing or unreadable (the caller then stops).
LoadResult NewGame(Engine& engine);

}  // namespace ruvex
