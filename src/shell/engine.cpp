#include "shell/engine.h"

#include <utility>

namespace ruvex {

void InitEngine(Engine& engine, Console console, std::string executableDirectory) {
  engine.console = std::move(console);
  engine.executableDirectory = std::move(executableDirectory);
  // Evaluator set-up (cache sized for settings.EvalCacheSlots) goes here:
  // InitEvaluator(engine.evaluator);
}

LoadResult NewGame(Engine& engine) {
  ClearBoard(engine.game);
  engine.search.HurryMode = 0;
  // Network loading goes here, as the last step of a new game:
  // if (LoadNetwork(engine.evaluator.network, engine.console, engine.executableDirectory,
  //                 engine.settings.HiddenUnitCount) == LoadResult::Missing)
  //   return LoadResult::Missing;
  engine.gameStarted = true;
  return LoadResult::Loaded;
}

}  // namespace ruvex
