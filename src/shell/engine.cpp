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
  StartSearchGame(engine.search);
  const LoadResult load = LoadNetwork(engine.evaluator.network, engine.executableDirectory,
                                      engine.settings.HiddenUnitCount);
  engine.gameStarted = load.file == BrainFile::Loaded || load.file == BrainFile::Short;
  return load;
}

}  // namespace ruvex
