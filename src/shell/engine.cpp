#include "shell/engine.h"

#include <utility>

#include "eval/evaluator.h"
#include "eval/loader.h"

namespace ruvex {

void InitEngine(Engine& engine, Console console, std::string executableDirectory) {
  engine.console = std::move(console);
  engine.executableDirectory = std::move(executableDirectory);
  InitEvaluator(engine.evaluator);
}

LoadResult NewGame(Engine& engine) {
  ClearBoard(engine.game);
  engine.search.HurryMode = 0;
  if (LoadNetwork(engine.evaluator.network, engine.console, engine.executableDirectory,
                  engine.settings.HiddenUnitCount) == LoadResult::Missing) {
    return LoadResult::Missing;
  }
  engine.gameStarted = true;
  return LoadResult::Loaded;
}

}  // namespace ruvex
