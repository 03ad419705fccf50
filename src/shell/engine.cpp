#include "shell/engine.h"

#include <utility>

namespace ruvex {

void InitEngine(Engine& engine, Host host, std::string executableDirectory) {
  engine.host = std::move(host);
  engine.executableDirectory = std::move(executableDirectory);
  InitEvaluator(engine.evaluator, engine.host.pages);
  InitSearch(engine.search, engine.host);
}

LoadResult NewGame(Engine& engine) {
  ClearBoard(engine.game);
  engine.search.HurryMode = 0;
  const LoadResult load = LoadNetwork(engine.evaluator.network, engine.executableDirectory,
                                      engine.settings.HiddenUnitCount);
  if (load.file != BrainFile::Missing) engine.gameStarted = true;
  return load;
}

}  // namespace ruvex
