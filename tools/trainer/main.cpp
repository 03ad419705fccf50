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
#include <memory>
#include <string>
#include <vector>

#include "board/candidates.h"
#include "trainer/expert.h"
#include "trainer/model.h"
#include "trainer/quality.h"
#include "trainer/review.h"
#include "trainer/samples.h"
#include "trainer/teacher.h"
#include "trainer/threats.h"

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
  std::printf(
      "  positions with a must-play cell (target >= %.2f): %zu; top-valued cell is one: %.2f%%\n",
      UrgentTarget, q.urgentPositions, share(q.urgentTopHit, q.urgentPositions));
  std::printf("  open-four cells (make or block) kept by the cut: %zu of %zu = %.2f%%\n",
              q.openFourCellsKept, q.openFourCells, share(q.openFourCellsKept, q.openFourCells));
  std::printf(
      "  positions with such cells: %zu; all kept %.2f%%; teacher's best of them kept %.2f%%\n",
      q.openFourPositions, share(q.openFourPositionsAllKept, q.openFourPositions),
      share(q.openFourPositionsTopKept, q.openFourPositions));
  if (q.choicePositions > 0) {
    std::printf("  positions with tactic's choice: %zu; top-valued cell is it: %.2f%%\n",
                q.choicePositions, share(q.choiceTopHit, q.choicePositions));
  }
}

// Shows, for the position before move number ply (1-based) of a game record
// (ReadGameMoves), the candidates ranked by the model and by the teacher.
int Explain(const Model& model, const std::string& path, int ply, double defenceWeight) {
  const std::vector<ruvex::Cell> moves = ReadGameMoves(path);
  ruvex::BoardGrid grid;
  ruvex::ClearBoard(grid);
  int side = ruvex::Own;
  for (int i = 0; i + 1 < ply && i < static_cast<int>(moves.size()); ++i) {
    grid(moves[i].x, moves[i].y) = static_cast<int8_t>(side);
    side = ruvex::Other(side);
  }
  Dataset data = NewDataset();
  ruvex::MoveList list;
  const int n = ruvex::FindCandidates(grid, list);
  if (!AddPosition(data, grid, side, nullptr, defenceWeight)) {
    std::printf("a five can be made or must be blocked: the network is not asked\n");
    return 0;
  }
  double hidden[Cols1];
  for (int k = 1; k <= n; ++k) {
    const double v = Forward(model, data.Input(k - 1), hidden);
    const MoveThreats own = ThreatsAt(grid, list[k].x, list[k].y, side);
    const MoveThreats opp = ThreatsAt(grid, list[k].x, list[k].y, ruvex::Other(side));
    std::printf("%2d,%2d  net %.3f  teacher %.3f  own %s opponent %s\n", list[k].x, list[k].y, v,
                data.targets[k - 1], LinePatternName(BestPattern(own)),
                LinePatternName(BestPattern(opp)));
  }
  return 0;
}

const char* ThreatName(ruvex::tactic::Threat t) {
  using ruvex::tactic::Threat;
  return t == Threat::kFive  ? "five"
         : t == Threat::kVcf ? "VCF"
         : t == Threat::kVct ? "VCT"
                             : "none";
}

// One line per game record: the loser's first move that left the winner's
// forced win unrefuted, its network rank, and the best-ranked refutation.
int Review(const Model& model, const std::vector<std::string>& paths, int64_t nodes) {
  const auto labeller = std::make_unique<ThreatLabeller>();
  InitLabeller(*labeller, nodes);
  for (const std::string& path : paths) {
    const std::vector<ruvex::Cell> moves = ReadGameMoves(path);
    const MistakeReport r = FindLosingMove(model, *labeller, moves);
    std::printf("%s: %zu stones, loser %s", path.c_str(), moves.size(),
                r.loser == ruvex::Own ? "black" : "white");
    if (!r.found) {
      std::printf(", no unrefuted threat found\n");
      continue;
    }
    std::printf(
        ", move %d: winner's %s, %d refutations; played %d,%d rank %d (%.3f) of %d; best "
        "refutation %d,%d rank %d (%.3f)\n",
        r.ply, ThreatName(r.threat), r.refutations, r.played.x, r.played.y, r.playedRank,
        r.playedValue, r.candidates, r.bestRefutation.x, r.bestRefutation.y, r.refutationRank,
        r.refutationValue);
  }
  return 0;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: ruvex_trainer [--out FILE] [--measure FILE] [--games N] [--epochs N]\n"
      "                     [--seed N] [--data-seed N] [--init FILE]\n"
      "                     [--expert FILE --ranking W [--expert-iterations N]\n"
      "                      [--expert-positions P] [--expert-chosen S]\n"
      "                      [--expert-save FILE] [--expert-load FILE] [--expert-only]]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  DataSettings data;
  TrainSettings train;
  std::string out;
  std::string measure;
  std::string explain;
  int explainPly = 0;
  std::vector<std::string> review;
  int64_t threatNodes = 0;
  float quietCap = 0.30f;
  std::string init;
  std::string expertFile;
  std::string labelsOut;
  std::string labelsIn;
  bool expertOnly = false;
  ExpertSettings expert;
  int64_t distillNodes = 0;
  double distillWeight = 1.0;
  for (int a = 1; a < argc; ++a) {
    const char* arg = argv[a];
    const bool hasValue = a + 1 < argc;
    if (std::strcmp(arg, "--out") == 0 && hasValue) {
      out = argv[++a];
    } else if (std::strcmp(arg, "--measure") == 0 && hasValue) {
      measure = argv[++a];
    } else if (std::strcmp(arg, "--explain") == 0 && a + 2 < argc) {
      explain = argv[++a];
      explainPly = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--review") == 0 && hasValue) {
      review.push_back(argv[++a]);
    } else if (std::strcmp(arg, "--games") == 0 && hasValue) {
      data.games = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--tactic-games") == 0 && hasValue) {
      data.tacticGames = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--tactic-nodes") == 0 && hasValue) {
      data.tacticNodes = std::atoll(argv[++a]);
    } else if (std::strcmp(arg, "--threat-nodes") == 0 && hasValue) {
      threatNodes = std::atoll(argv[++a]);
    } else if (std::strcmp(arg, "--distill-nodes") == 0 && hasValue) {
      distillNodes = std::atoll(argv[++a]);
    } else if (std::strcmp(arg, "--distill") == 0 && hasValue) {
      distillWeight = std::atof(argv[++a]);
    } else if (std::strcmp(arg, "--quiet-cap") == 0 && hasValue) {
      quietCap = static_cast<float>(std::atof(argv[++a]));
    } else if (std::strcmp(arg, "--defence") == 0 && hasValue) {
      data.defenceWeight = std::atof(argv[++a]);
    } else if (std::strcmp(arg, "--epochs") == 0 && hasValue) {
      train.epochs = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--emphasis") == 0 && hasValue) {
      train.emphasis = std::atof(argv[++a]);
    } else if (std::strcmp(arg, "--random-start") == 0) {
      train.patternStart = false;
    } else if (std::strcmp(arg, "--ranking") == 0 && hasValue) {
      train.ranking = std::atof(argv[++a]);
    } else if (std::strcmp(arg, "--rate") == 0 && hasValue) {
      train.learningRate = std::atof(argv[++a]);
    } else if (std::strcmp(arg, "--init") == 0 && hasValue) {
      init = argv[++a];
    } else if (std::strcmp(arg, "--expert") == 0 && hasValue) {
      expertFile = argv[++a];
    } else if (std::strcmp(arg, "--expert-iterations") == 0 && hasValue) {
      expert.iterations = std::atoll(argv[++a]);
    } else if (std::strcmp(arg, "--expert-positions") == 0 && hasValue) {
      expert.positions = std::atoi(argv[++a]);
    } else if (std::strcmp(arg, "--expert-chosen") == 0 && hasValue) {
      expert.chosenShare = std::atof(argv[++a]);
    } else if (std::strcmp(arg, "--expert-save") == 0 && hasValue) {
      labelsOut = argv[++a];
    } else if (std::strcmp(arg, "--expert-load") == 0 && hasValue) {
      labelsIn = argv[++a];
    } else if (std::strcmp(arg, "--expert-only") == 0) {
      expertOnly = true;
    } else if (std::strcmp(arg, "--seed") == 0 && hasValue) {
      train.seed = std::strtoull(argv[++a], nullptr, 10);
    } else if (std::strcmp(arg, "--data-seed") == 0 && hasValue) {
      data.seed = std::strtoull(argv[++a], nullptr, 10);
    } else {
      return Usage();
    }
  }
  if (out.empty() && measure.empty()) return Usage();
  if (data.games < 10 || train.epochs < 0 || data.tacticGames < 0 || data.tacticNodes < 1 ||
      threatNodes < 0 || data.defenceWeight < 0.0 || expert.iterations < 1 ||
      expert.positions < 1 ||
      ((!expertFile.empty() || !labelsIn.empty()) && train.ranking <= 0.0) || distillNodes < 0)
    return Usage();
  train.distill = distillNodes > 0 ? distillWeight : 0.0;

  if (!measure.empty() && !explain.empty()) {
    Model model;
    if (!ReadBrainMap(measure, model)) return 1;
    return Explain(model, explain, explainPly, data.defenceWeight);
  }
  if (!measure.empty() && !review.empty()) {
    Model model;
    if (!ReadBrainMap(measure, model)) return 1;
    return Review(model, review, threatNodes > 0 ? threatNodes : 1000000);
  }
  const auto start = std::chrono::steady_clock::now();
  Dataset trainSet = NewDataset();
  Dataset validation = NewDataset();
  const auto labeller = std::make_unique<ThreatLabeller>();
  InitLabeller(*labeller, threatNodes);
  labeller->quietCap = quietCap;
  trainSet.keepBoards = !expertFile.empty();
  const auto distiller = std::make_unique<Distiller>();
  if (distillNodes > 0) InitDistiller(*distiller, distillNodes);
  GenerateData(data, trainSet, validation, threatNodes > 0 ? labeller.get() : nullptr,
               distillNodes > 0 ? distiller.get() : nullptr);
  std::printf(
      "data: %d games, %zu train positions (%zu samples), %zu validation positions "
      "(%zu samples), solver labels: %lld wins, %lld defences, %.1f s\n",
      data.games, trainSet.Positions(), trainSet.Size(), validation.Positions(), validation.Size(),
      static_cast<long long>(labeller->wins), static_cast<long long>(labeller->defences),
      Seconds(start));
  if (distillNodes > 0) {
    std::printf("tactic's choice: %lld positions among the candidates, %lld not\n",
                static_cast<long long>(distiller->chosen),
                static_cast<long long>(distiller->missed));
  }
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

  if (!labelsIn.empty() && !ReadSearchLabels(trainSet, labelsIn)) {
    std::fprintf(stderr, "%s does not hold this dataset's search labels\n", labelsIn.c_str());
    return 1;
  }
  if (!expertFile.empty()) {
    Model expertModel;
    if (!ReadBrainMap(expertFile, expertModel)) {
      std::fprintf(stderr, "cannot read %s\n", expertFile.c_str());
      return 1;
    }
    const ExpertReport r = LabelWithSearch(expertModel, expert, trainSet);
    std::printf(
        "search labels: %d positions at %lld iterations (%d skipped), the network's top cell is "
        "the search's choice in %.2f%%, %.1f s\n",
        r.labelled, static_cast<long long>(expert.iterations), r.skipped,
        r.labelled == 0 ? 0.0 : 100.0 * r.networkAgrees / r.labelled, r.seconds);
    std::fflush(stdout);
    if (!labelsOut.empty() && !WriteSearchLabels(trainSet, labelsOut)) {
      std::fprintf(stderr, "cannot write %s\n", labelsOut.c_str());
      return 1;
    }
  }
  if (expertOnly && !trainSet.expert.empty()) {
    trainSet = LabelledOnly(trainSet);
    std::printf("training on the %zu labelled positions only\n", trainSet.Positions());
  }

  Rng rng = SeedRng(train.seed);
  Model model = train.patternStart ? PatternModel(rng) : InitialModel(rng);
  if (!init.empty() && !ReadBrainMap(init, model)) {
    std::fprintf(stderr, "cannot read %s\n", init.c_str());
    return 1;
  }
  Optimiser optimiser;
  for (int epoch = 0; epoch < train.epochs; ++epoch) {
    const double t = train.epochs > 1 ? static_cast<double>(epoch) / (train.epochs - 1) : 1.0;
    const double rate = train.learningRate + (train.finalRate - train.learningRate) * t;
    const double loss =
        train.ranking > 0.0 || train.distill > 0.0
            ? TrainRankingEpoch(model, optimiser, trainSet, rng, train.batchPositions, rate,
                                train.emphasis, train.ranking, train.distill)
            : TrainEpoch(model, optimiser, trainSet, rng, train.batch, rate, train.emphasis);
    std::printf("epoch %2d  rate %.6f  train loss %.5f  validation loss %.5f  %.1f s\n", epoch + 1,
                rate, loss, MeanLoss(model, validation), Seconds(start));
    std::fflush(stdout);
  }
  if (!trainSet.expert.empty()) {
    std::printf("labelled positions whose top-valued cell is the search's choice: %.2f%%\n",
                100.0 * SearchAgreement(model, trainSet));
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
