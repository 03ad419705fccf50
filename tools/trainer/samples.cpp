#include "trainer/samples.h"

#include <memory>

#include "board/candidates.h"
#include "eval/window.h"
#include "trainer/teacher.h"

namespace ruvex::trainer {

Dataset NewDataset() {
  Dataset data;
  data.positionStart.push_back(0);
  return data;
}

bool AddPosition(Dataset& data, const BoardGrid& grid, int side, ThreatLabeller* labeller,
                 double defenceWeight, Distiller* distiller) {
  MoveList list;
  const int n = FindCandidates(grid, list);
  if (n == 0) return false;
  struct Pending {
    MoveThreats own;
    MoveThreats opponent;
  };
  std::vector<Pending> threats(static_cast<std::size_t>(n) + 1);
  for (int k = 1; k <= n; ++k) {
    threats[k].own = ThreatsAt(grid, list[k].x, list[k].y, side);
    threats[k].opponent = ThreatsAt(grid, list[k].x, list[k].y, Other(side));
    if (BestPattern(threats[k].own) == Five || BestPattern(threats[k].opponent) == Five)
      return false;
  }
  for (int k = 1; k <= n; ++k) {
    const EvalWindow window = CutWindow(grid, list[k].x, list[k].y);
    const std::array<double, 81> encoded = EncodeWindow(window, side);
    for (double v : encoded) data.inputs.push_back(static_cast<int8_t>(v));
    const double score =
        ThreatScore(threats[k].own) + defenceWeight * ThreatScore(threats[k].opponent);
    data.targets.push_back(static_cast<float>(ScoreToTarget(score)));
    data.ownPattern.push_back(BestPattern(threats[k].own));
    data.opponentPattern.push_back(BestPattern(threats[k].opponent));
  }
  if (labeller != nullptr) {
    ApplyThreatLabels(*labeller, grid, side, list, n,
                      data.targets.data() + data.targets.size() - n);
  }
  data.choice.push_back(static_cast<int16_t>(
      distiller != nullptr ? TacticChoice(*distiller, grid, side, list, n) : -1));
  data.positionStart.push_back(static_cast<uint32_t>(data.targets.size()));
  if (data.keepBoards) {
    data.boards.push_back(grid);
    data.sides.push_back(static_cast<int8_t>(side));
  }
  return true;
}

namespace {
// Positions are rebuilt move by move; each kept one is seen under one of the
// eight board symmetries.
void SamplePositions(Rng& rng, const DataSettings& settings, const GameRecord& game,
                     Dataset& target, ThreatLabeller* labeller, Distiller* distiller) {
  BoardGrid grid;
  ClearBoard(grid);
  int side = game.firstSide;
  for (std::size_t ply = 0; ply < game.moves.size(); ++ply) {
    if (ply > 0 && NextUnit(rng) < settings.sampleShare) {
      AddPosition(target, TransformBoard(NextBelow(rng, 8), grid), side, labeller,
                  settings.defenceWeight, distiller);
    }
    grid(game.moves[ply].x, game.moves[ply].y) = static_cast<int8_t>(side);
    side = Other(side);
  }
}

}  // namespace

void GenerateData(const DataSettings& settings, Dataset& train, Dataset& validation,
                  ThreatLabeller* labeller, Distiller* distiller) {
  Rng rng = SeedRng(settings.seed);
  for (int g = 0; g < settings.games; ++g) {
    NoisyPlayer player;
    player.randomShare = 0.25 * NextUnit(rng);
    player.temperature = 0.01 + 0.07 * NextUnit(rng);
    player.missBlock = 0.03 * NextUnit(rng);
    const GameRecord game = PlayNoisyGame(rng, player);
    SamplePositions(rng, settings, game, g % settings.validationEvery == 0 ? validation : train,
                    labeller, distiller);
  }
  if (settings.tacticGames <= 0) return;
  // A stream of its own, so the noisy games above stay the same.
  Rng tacticRng = SeedRng(settings.seed + 1);
  const auto engine = std::make_unique<tactic::Engine>();
  tactic::InitEngine(*engine);
  for (int g = 0; g < settings.tacticGames; ++g) {
    const GameRecord game =
        PlayTacticGame(tacticRng, *engine, settings.tacticNodes, settings.tacticRandom);
    SamplePositions(tacticRng, settings, game,
                    g % settings.validationEvery == 0 ? validation : train, labeller, distiller);
  }
}

}  // namespace ruvex::trainer
