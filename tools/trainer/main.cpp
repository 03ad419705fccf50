// ruvex_trainer: generates training positions with the noisy threat player,
// labels every candidate cell with the teacher, trains the engine's network
// on them and writes brain.map. Single-threaded with fixed seeds: the same
// command writes the same file, bit for bit.
//
//   ruvex_trainer --out data/brain.map          train with the defaults
//   ruvex_trainer --measure FILE                 quality of an existing weight file
// Options: --games N  --epochs N  --seed N  --data-seed N  --quiet
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "trainer/model.h"
#include "trainer/quality.h"
#include "trainer/samples.h"

namespace {

using namespace ruvex::trainer;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void PrintQuality(const char* label, const Quality& q) {
  std::printf("%s: positions %zu, samples %zu\n", label, q.positions, q.samples);
  std::printf("  loss %.5f (floor %.5f)  mean |error| %.4f  children kept %.2f (teacher %.2f)\n",
              q.loss, q.floor, q.meanAbsError, q.meanKept, q.teacherKept);
  std::printf("  top-valued cell has the teacher's best target: %.2f%% (within 0.02: %.2f%%)\n",
              100.0 * q.topExact, 100.0 * q.topNear);
  const auto share = [](std::size_t a, std::size_t b) {
    return b == 0 ? 0.0 : 100.0 * static_cast<double>(a) / static_cast<double>(b);
  };
  std::printf("  open-four cells (make or block) kept by the cut: %zu of %zu = %.2f%%\n",
              q.openFourCellsKept, q.openFourCells, share(q.openFourCellsKept, q.openFourCells));
  std::printf("  positions with such cells: %zu; all kept %.2f%%; teacher's best of them kept %.2f%%\n",
              q.openFourPositions, share(q.openFourPositionsAllKept, q.openFourPositions),
              share(q.openFourPositionsTopKept, q.openFourPositions));
}

int Usage() {
  std::fprintf(stderr,
               "usage: ruvex_trainer [--out FILE] [--measure FILE] [--games N] [--epochs N]\n"
               "                     [--seed N] [--data-seed N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  DataSettings data;
  TrainSettings train;
  std::string out;
  std::string measure;
  for (int a = 1; a < argc; ++a) {
    const char* arg = argv[a];
    const bool hasValue = a + 1 < argc;
    if (std::strcmp(arg, "--out") == 0 && hasValue) {
      out = argv[++a];
    } else if (std::strcmp(arg, "--measure") == 0 && hasValue) {
      measure = argv[++a];
    } else if (std::strcmp(arg, "--games") == 0 && hasValue) {
      data.games = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--epochs") == 0 && hasValue) {
      train.epochs = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--seed") == 0 && hasValue) {
      train.seed = std::strtoull(argv[++a], nullptr, 10);
    } else if (std::strcmp(arg, "--data-seed") == 0 && hasValue) {
      data.seed = std::strtoull(argv[++a], nullptr, 10);
    } else {
      return Usage();
    }
  }
  if (out.empty() && measure.empty()) return Usage();
  if (data.games < 10 || train.epochs < 0) return Usage();

  const auto start = std::chrono::steady_clock::now();
  Dataset trainSet = NewDataset();
  Dataset validation = NewDataset();
  GenerateData(data, trainSet, validation);
  std::printf("data: %d games, %zu train positions (%zu samples), %zu validation positions "
              "(%zu samples), %.1f s\n",
              data.games, trainSet.Positions(), trainSet.Size(), validation.Positions(),
              validation.Size(), Seconds(start));
  std::fflush(stdout);

  if (!measure.empty()) {
    Model model;
    if (!ReadBrainMap(measure, model)) {
      std::fprintf(stderr, "cannot read %s as a weight file of %zu bytes\n", measure.c_str(),
                   BrainMapBytes);
      return 1;
    }
    PrintQuality("validation", MeasureQuality(model, validation));
    return 0;
  }

  Rng rng = SeedRng(train.seed);
  Model model = InitialModel(rng);
  Optimiser optimiser;
  for (int epoch = 0; epoch < train.epochs; ++epoch) {
    const double t = train.epochs > 1 ? static_cast<double>(epoch) / (train.epochs - 1) : 1.0;
    const double rate = train.learningRate + (train.finalRate - train.learningRate) * t;
    const double loss = TrainEpoch(model, optimiser, trainSet, rng, train.batch, rate);
    std::printf("epoch %2d  rate %.6f  train loss %.5f  validation loss %.5f  %.1f s\n", epoch + 1,
                rate, loss, MeanLoss(model, validation), Seconds(start));
    std::fflush(stdout);
  }
  PrintQuality("train", MeasureQuality(model, trainSet));
  PrintQuality("validation", MeasureQuality(model, validation));
  std::printf("engine Evaluate vs training forward pass, max |difference| over %zu samples: %g\n",
              validation.Size(), MaxEngineDifference(model, validation, validation.Size()));
  if (!WriteBrainMap(model, out)) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("wrote %s (%zu bytes) in %.1f s\n", out.c_str(), BrainMapBytes, Seconds(start));
  return 0;
}
