#include "trainer/model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "board/candidates.h"
#include "eval/loader.h"
#include "eval/window.h"
#include "temp_dir.h"
#include "trainer/expert.h"
#include "trainer/quality.h"
#include "trainer/review.h"
#include "trainer/teacher.h"

namespace ruvex::trainer {
namespace {

// A few positions of noisy games, every candidate cell a sample.
Dataset SmallDataset(uint64_t seed, int games) {
  Dataset data = NewDataset();
  Rng rng = SeedRng(seed);
  for (int g = 0; g < games; ++g) {
    const GameRecord game = PlayNoisyGame(rng, NoisyPlayer{});
    for (int ply = 2; ply < static_cast<int>(game.moves.size()); ply += 3) {
      const Position p = PositionBefore(game, ply);
      AddPosition(data, p.grid, p.side);
    }
  }
  return data;
}

TEST(TrainerSamples, OneSamplePerCandidateEncodedLikeTheEngine) {
  BoardGrid grid;
  ClearBoard(grid);
  grid(10, 10) = Own;
  grid(11, 10) = Opponent;
  grid(2, 19) = Own;  // near an edge: parts of its windows lie off the board
  Dataset data = NewDataset();
  ASSERT_TRUE(AddPosition(data, grid, Opponent));
  MoveList list;
  const int n = FindCandidates(grid, list);
  ASSERT_EQ(data.Size(), static_cast<std::size_t>(n));
  ASSERT_EQ(data.Positions(), 1u);
  for (int k = 1; k <= n; ++k) {
    const std::array<double, 81> expected =
        EncodeWindow(CutWindow(grid, list[k].x, list[k].y), Opponent);
    for (int i = 0; i < 81; ++i) ASSERT_EQ(data.Input(k - 1)[i], static_cast<int8_t>(expected[i]));
    EXPECT_FLOAT_EQ(data.targets[k - 1],
                    static_cast<float>(TeacherTarget(grid, list[k].x, list[k].y, Opponent)));
  }
  // A position with a five to make or to block adds nothing.
  for (int y = 5; y <= 8; ++y) grid(10, y) = Opponent;
  EXPECT_FALSE(AddPosition(data, grid, Own));
  EXPECT_FALSE(AddPosition(data, grid, Opponent));
  EXPECT_EQ(data.Positions(), 1u);
}

// An open three of Own: Own wins by fours; Opponent must stop it at an end.
TEST(TrainerSamples, SolverLabelsRankForcedWinsAndRefutationsOverQuietMoves) {
  BoardGrid grid;
  ClearBoard(grid);
  for (int x = 10; x <= 12; ++x) grid(x, 10) = Own;
  const auto labeller = std::make_unique<ThreatLabeller>();
  InitLabeller(*labeller, 20000);
  for (int side : {Own, Opponent}) {
    Dataset data = NewDataset();
    ASSERT_TRUE(AddPosition(data, grid, side, labeller.get()));
    std::vector<float> t = data.targets;
    std::sort(t.rbegin(), t.rend());
    // The two open-four cells first, for Own as its win, for Opponent as its only
    // refutations; every other candidate below the cut.
    EXPECT_TRUE(t[1] >= (side == Own ? 0.99f : 0.93f) && t[2] <= 0.30f) << t[1] << " " << t[2];
  }
  EXPECT_EQ(labeller->wins + 10 * labeller->defences, 11);
}

// White ignores Black's open three at its sixth stone and loses to the open four.
TEST(TrainerReview, FindsTheMoveThatLeftTheWinUnrefuted) {
  const std::vector<Cell> moves = {{10, 10}, {5, 5},   {11, 10}, {5, 6}, {12, 10},
                                   {6, 6},   {13, 10}, {14, 10}, {9, 10}};
  const auto labeller = std::make_unique<ThreatLabeller>();
  InitLabeller(*labeller, 200000);
  Rng rng = SeedRng(1);
  const MistakeReport r = FindLosingMove(PatternModel(rng), *labeller, moves);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.loser, Opponent);
  EXPECT_EQ(r.ply, 6);
  EXPECT_EQ(r.played, (Cell{6, 6}));
  EXPECT_EQ(r.threat, tactic::Threat::kVcf);
  EXPECT_EQ(r.refutations, 2);  // the open three's two ends
  EXPECT_TRUE(r.bestRefutation == (Cell{9, 10}) || r.bestRefutation == (Cell{13, 10}));
  // The pattern start already values the open three's ends above the quiet move.
  EXPECT_EQ(r.refutationRank, 1);
  EXPECT_TRUE(r.playedRank > 1 && r.playedRank <= r.candidates) << r.playedRank;
}

// Each side has an open three; the side to move makes its four first and wins.
// The engine's search and tactic's choice both label the mover's open-four
// cells, whichever side moves.
TEST(TrainerLabels, SearchAndTacticChooseTheMoversWinningFour) {
  Rng rng = SeedRng(1);
  const auto evaluator = std::make_unique<Evaluator>();
  InitEvaluator(*evaluator);
  ToNetwork(PatternModel(rng), evaluator->network);
  const auto distiller = std::make_unique<Distiller>();
  InitDistiller(*distiller, 5000);
  for (int side : {Own, Opponent}) {
    BoardGrid grid;
    ClearBoard(grid);
    for (int x = 10; x <= 12; ++x) {
      grid(x, 10) = static_cast<int8_t>(side);
      grid(x, 14) = static_cast<int8_t>(Other(side));
    }
    MoveList list;
    const int n = FindCandidates(grid, list);
    const auto isWinningFour = [&](int k) {
      return k >= 0 && k < n && list[k + 1].y == 10 && (list[k + 1].x == 9 || list[k + 1].x == 13);
    };
    EXPECT_TRUE(isWinningFour(TacticChoice(*distiller, grid, side, list, n)));
    std::vector<float> share;
    ASSERT_TRUE(SearchLabel(*evaluator, grid, side, 300, 0.5, share));
    ASSERT_EQ(share.size(), static_cast<std::size_t>(n));
    EXPECT_TRUE(isWinningFour(
        static_cast<int>(std::max_element(share.begin(), share.end()) - share.begin())));
    double sum = 0.0;
    for (float v : share) sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-5);
  }
}

// Numerical derivative of the loss of one sample with respect to one weight.
double NumericGradient(const Model& model, double* weight, const int8_t* input, double target) {
  double hidden[Cols1];
  const double h = 1e-6;
  const double saved = *weight;
  *weight = saved + h;
  const double up = CrossEntropy(Forward(model, input, hidden), target);
  *weight = saved - h;
  const double down = CrossEntropy(Forward(model, input, hidden), target);
  *weight = saved;
  return (up - down) / (2 * h);
}

TEST(TrainerModel, AnalyticGradientMatchesFiniteDifferences) {
  const Dataset data = SmallDataset(5, 2);
  ASSERT_GT(data.Size(), 20u);
  Rng rng = SeedRng(9);
  Model model = InitialModel(rng);
  for (double& w : model.W2) w *= 10.0;  // larger output weights: a livelier gradient
  for (std::size_t s = 0; s < data.Size(); s += data.Size() / 5) {
    Model grad;  // all zero
    const int8_t* input = data.Input(s);
    const double target = data.targets[s];
    AddGradient(model, input, target, grad);
    for (int j = 0; j < Cols1; j += 7) {
      const double numeric = NumericGradient(model, &model.W2[j * Cols2 + 1], input, target);
      EXPECT_NEAR(grad.W2[j * Cols2 + 1], numeric, 1e-6 + 1e-5 * std::fabs(numeric));
    }
    for (int i = 0; i < Rows1; ++i) {
      if (i > 0 && input[i - 1] == 0) continue;  // zero inputs have zero gradient
      for (int j = 1; j < Cols1; j += 11) {
        const double numeric = NumericGradient(model, &model.W1[i * Cols1 + j], input, target);
        EXPECT_NEAR(grad.W1[i * Cols1 + j], numeric, 1e-7 + 1e-5 * std::fabs(numeric))
            << i << "," << j;
      }
    }
    for (int j = 0; j < Cols1; ++j) {  // weights that stay fixed get no gradient
      EXPECT_EQ(grad.W1[j % Rows1 * Cols1] + grad.W2[j * Cols2] + grad.W2[j * Cols2 + 2], 0.0);
    }
  }
}

TEST(TrainerModel, LossFallsOnASmallSetAndTrainingIsReproducible) {
  const Dataset data = SmallDataset(11, 3);
  Rng rng = SeedRng(3);
  Model model = InitialModel(rng);
  const Model start = model;
  const Quality before = MeasureQuality(model, data);
  Optimiser optimiser;
  for (int epoch = 0; epoch < 25; ++epoch) TrainEpoch(model, optimiser, data, rng, 32, 0.003);
  const Quality after = MeasureQuality(model, data);
  // The loss's excess over the perfect model's at least halves.
  EXPECT_LT(after.loss - after.floor, (before.loss - before.floor) / 2)
      << before.loss << " " << after.loss;
  EXPECT_LT(after.meanAbsError, before.meanAbsError / 2);
  // The same seeds give the same weights, bit for bit.
  Rng again = SeedRng(3);
  Model replay = InitialModel(again);
  ASSERT_EQ(replay.W1, start.W1);
  Optimiser second;
  for (int epoch = 0; epoch < 25; ++epoch) TrainEpoch(replay, second, data, again, 32, 0.003);
  EXPECT_EQ(SerializeModel(replay), SerializeModel(model));
}

TEST(TrainerModel, ForwardPassEqualsTheEnginesEvaluateBitForBit) {
  const Dataset data = SmallDataset(21, 2);
  Rng rng = SeedRng(4);
  Model model = InitialModel(rng);
  for (double& w : model.W2) w *= 5.0;
  EXPECT_EQ(MaxEngineDifference(model, data, data.Size()), 0.0);
}

TEST(TrainerModel, BrainMapReloadsExactlyInTheEngine) {
  testing::TempDir dir;
  Rng rng = SeedRng(8);
  Model model = InitialModel(rng);
  const std::string path = dir.Dir() + "brain.map";
  ASSERT_TRUE(WriteBrainMap(model, path));
  ASSERT_EQ(std::filesystem::file_size(path), 68680u);
  // The engine's loader (whose byte offsets have tests of their own) reads back exactly
  // these weights.
  Network network;
  ASSERT_EQ(LoadNetwork(network, dir.Dir(), Hidden).file, BrainFile::Loaded);
  Model reread;
  ASSERT_TRUE(ReadBrainMap(path, reread));
  EXPECT_EQ(SerializeModel(reread), SerializeModel(model));
  EXPECT_EQ(SerializeModel(FromNetwork(network)), SerializeModel(model));
  // A short file is refused by the reader.
  std::filesystem::resize_file(path, 68679);
  EXPECT_FALSE(ReadBrainMap(path, reread));
}

}  // namespace
}  // namespace ruvex::trainer
