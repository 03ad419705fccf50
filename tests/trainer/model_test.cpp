#include "trainer/model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "board/candidates.h"
#include "eval/loader.h"
#include "eval/window.h"
#include "temp_dir.h"
#include "trainer/quality.h"
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
}

TEST(TrainerSamples, PositionsWithAFiveToMakeOrBlockAreSkipped) {
  BoardGrid grid;
  ClearBoard(grid);
  for (int y = 5; y <= 8; ++y) grid(10, y) = Opponent;
  grid(3, 3) = Own;
  Dataset data = NewDataset();
  EXPECT_FALSE(AddPosition(data, grid, Own));       // must block: no network call
  EXPECT_FALSE(AddPosition(data, grid, Opponent));  // wins at once
  EXPECT_EQ(data.Size(), 0u);
  EXPECT_EQ(data.Positions(), 0u);
  grid(10, 4) = Own;
  grid(10, 9) = Own;  // the four is dead now
  EXPECT_TRUE(AddPosition(data, grid, Own));
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
  int checked = 0;
  for (std::size_t s = 0; s < data.Size(); s += data.Size() / 5) {
    Model grad;
    std::fill(grad.W1.begin(), grad.W1.end(), 0.0);
    std::fill(grad.W2.begin(), grad.W2.end(), 0.0);
    const int8_t* input = data.Input(s);
    const double target = data.targets[s];
    AddGradient(model, input, target, grad);
    for (int j = 0; j < Cols1; j += 7) {
      const double numeric = NumericGradient(model, &model.W2[j * Cols2 + 1], input, target);
      EXPECT_NEAR(grad.W2[j * Cols2 + 1], numeric, 1e-6 + 1e-5 * std::fabs(numeric));
      ++checked;
    }
    for (int i = 0; i < Rows1; ++i) {
      if (i > 0 && input[i - 1] == 0) continue;  // zero inputs have zero gradient
      for (int j = 1; j < Cols1; j += 11) {
        const double numeric = NumericGradient(model, &model.W1[i * Cols1 + j], input, target);
        EXPECT_NEAR(grad.W1[i * Cols1 + j], numeric, 1e-7 + 1e-5 * std::fabs(numeric))
            << i << "," << j;
        ++checked;
      }
    }
    // Weights that stay fixed get no gradient.
    for (int i = 0; i < Rows1; ++i) EXPECT_EQ(grad.W1[i * Cols1], 0.0);
    for (int j = 0; j < Cols1; ++j) {
      EXPECT_EQ(grad.W2[j * Cols2], 0.0);
      EXPECT_EQ(grad.W2[j * Cols2 + 2], 0.0);
    }
  }
  EXPECT_GT(checked, 200);
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
  Network network;
  ToNetwork(model, network);
  double hidden[Cols1];
  std::array<double, 81> cells{};
  for (int i = 0; i < 81; ++i) cells[i] = data.Input(0)[i];
  const std::array<double, 3> out = Evaluate(network, cells);
  EXPECT_EQ(out[1], Forward(model, data.Input(0), hidden));
  EXPECT_EQ(out[0], 0.5);  // unused outputs stay at Sigmoid(0)
  EXPECT_EQ(out[2], 0.5);
}

TEST(TrainerModel, BrainMapHasTheLoadersLayoutAndReloadsExactly) {
  testing::TempDir dir;
  Rng rng = SeedRng(8);
  Model model = InitialModel(rng);
  model.W2[0] = -1.5;              // W2[0][0]
  model.W1[1 * Cols1 + 0] = 0.25;  // W1[1][0]
  const std::string path = dir.Dir() + "brain.map";
  ASSERT_TRUE(WriteBrainMap(model, path));
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 68680u);
  ASSERT_EQ(BrainMapBytes, 68680u);
  auto at = [&bytes](std::size_t offset) {
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b)
      bits |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[offset + b])) << (8 * b);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
  };
  EXPECT_EQ(at(0), BiasUnitWeight);  // W1[0][0]
  EXPECT_EQ(at(808), 0.25);          // W1[1][0]
  EXPECT_EQ(at(66256), -1.5);        // W2[0][0]
  EXPECT_EQ(at(66256 + 8 * (3 * 7 + 1)), model.W2[7 * 3 + 1]);
  // The engine's loader reads back exactly these weights.
  Network network;
  ASSERT_EQ(LoadNetwork(network, dir.Dir(), Hidden).file, BrainFile::Loaded);
  EXPECT_EQ(network.W1, model.W1);
  EXPECT_EQ(network.W2, model.W2);
  Model reread;
  ASSERT_TRUE(ReadBrainMap(path, reread));
  EXPECT_EQ(SerializeModel(reread), SerializeModel(model));
  Model fromEngine = FromNetwork(network);
  EXPECT_EQ(SerializeModel(fromEngine), SerializeModel(model));
  // A short file is refused by the reader.
  std::filesystem::resize_file(path, 68679);
  EXPECT_FALSE(ReadBrainMap(path, reread));
}

TEST(TrainerQuality, CutAndCountsOnAFlatModel) {
  // All weights zero: every value is 0.5, so the cut keeps min(n, 14) cells
  // and the top-valued cell is the first in scan order.
  BoardGrid grid;
  ClearBoard(grid);
  for (int x = 8; x <= 10; ++x)
    grid(x, 10) = Own;  // open three: (7,10) and (11,10) make open fours
  grid(8, 11) = Opponent;
  grid(9, 11) = Opponent;
  Dataset data = NewDataset();
  ASSERT_TRUE(AddPosition(data, grid, Opponent));
  Model flat;
  const Quality q = MeasureQuality(flat, data);
  EXPECT_EQ(q.positions, 1u);
  EXPECT_DOUBLE_EQ(q.meanKept, 14.0);
  EXPECT_EQ(q.openFourPositions, 1u);
  EXPECT_GE(q.openFourCells, 2u);
  // Scan order is ascending x: (7,10) is among the first 14 candidates, (11,10) is not.
  MoveList list;
  const int n = FindCandidates(grid, list);
  int rank711 = 0, rank1110 = 0;
  for (int k = 1; k <= n; ++k) {
    if (list[k].x == 7 && list[k].y == 10) rank711 = k;
    if (list[k].x == 11 && list[k].y == 10) rank1110 = k;
  }
  ASSERT_LE(rank711, 14);
  ASSERT_GT(rank1110, 14);
  EXPECT_LT(q.openFourCellsKept, q.openFourCells);
  EXPECT_EQ(q.openFourPositionsAllKept, 0u);
  const double firstTarget = data.targets[0];
  double best = 0.0;
  for (float t : data.targets) best = std::max(best, static_cast<double>(t));
  EXPECT_EQ(q.topExact, firstTarget >= best ? 1.0 : 0.0);
}

}  // namespace
}  // namespace ruvex::trainer

namespace ruvex::trainer {
namespace {

TEST(TrainerModel, PatternStartUnitsDetectFoursAndThreesInSegments) {
  Rng rng = SeedRng(1);
  const Model model = PatternModel(rng);
  // Window inputs (a, b 0-based, centre 4,4): own stones at b = 5, 6, 7 on
  // the centre row a = 4, i.e. along step (0, 1).
  std::array<int8_t, 81> input{};
  for (int b = 5; b <= 7; ++b) input[4 * 9 + b] = 1;
  double hidden[Cols1];
  const double threeInRow = Forward(model, input.data(), hidden);
  // Units are laid out step-major (steps (1,0), (0,1), (1,1), (-1,1)), then
  // segment start -4..0, side (own, other), level (four, three).
  auto unit = [](int step, int start, int side, int level) {
    return 1 + ((step * 5 + (start + 4)) * 2 + side) * 2 + level;
  };
  // Segment 0..4 along (0, 1) holds the three own stones: the own four unit fires.
  EXPECT_GT(hidden[unit(1, 0, 0, 0)], 0.8);
  EXPECT_GT(hidden[unit(1, -1, 0, 0)], 0.8);  // segment -1..3 holds them too
  EXPECT_GT(hidden[unit(1, -2, 0, 1)], 0.8);  // segment -2..2: two stones, a three
  EXPECT_LT(hidden[unit(1, -2, 0, 0)], 0.2);
  EXPECT_LT(hidden[unit(1, -4, 0, 1)], 0.2);  // segment -4..0: no stone
  EXPECT_LT(hidden[unit(1, 0, 1, 0)], 0.01);  // the other side's units stay off
  EXPECT_LT(hidden[unit(0, 0, 0, 0)], 0.01);  // and so do other lines'
  // The same shape for the other side fires that side's units.
  std::array<int8_t, 81> other{};
  for (int b = 5; b <= 7; ++b) other[4 * 9 + b] = -1;
  Forward(model, other.data(), hidden);
  EXPECT_GT(hidden[unit(1, 0, 1, 0)], 0.8);
  // Before any training the output already ranks the four above an empty window.
  std::array<int8_t, 81> empty{};
  EXPECT_GT(threeInRow, Forward(model, empty.data(), hidden) + 0.2);
}

}  // namespace
}  // namespace ruvex::trainer
