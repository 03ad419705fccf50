#include "trainer/expert.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "board/candidates.h"
#include "search/driver.h"

namespace ruvex::trainer {

bool SearchLabel(Evaluator& evaluator, const BoardGrid& grid, int side, int64_t iterations,
                 double chosenShare, std::vector<float>& share) {
  // The search moves for Own: with the other side to move, the stones swap.
  BoardGrid game = grid;
  if (side != Own) {
    for (int x = 1; x <= BoardSize; ++x) {
      for (int y = 1; y <= BoardSize; ++y) {
        if (IsStone(game(x, y))) game(x, y) = static_cast<int8_t>(Other(game(x, y)));
      }
    }
  }
  MoveList list;
  const int n = FindCandidates(game, list);
  share.assign(static_cast<std::size_t>(n), 0.0f);

  // Elapsed 0 for the wanted iterations' time checks, then 9000 ms: with no
  // match limit and a long turn limit, the 8 s bound ends the search.
  int64_t reads = 0;
  Host host = SystemHost();
  host.clock = [&reads, iterations] { return reads++ < iterations ? int64_t{0} : int64_t{9000}; };
  host.memory = [] { return uint64_t{0}; };
  const auto search = std::make_unique<SearchState>();
  InitSearch(*search, host);
  TurnInfo turn;
  turn.TurnTimeLimit = 1000000;
  const SearchResult result = SearchMove(*search, evaluator, game, turn);
  if (result.decidedBy != DecidedBy::Search) return false;

  int chosen = -1;
  for (int k = 1; k <= n; ++k) {
    if (Cell{list[k].x, list[k].y} == result.cell) chosen = k - 1;
  }
  if (chosen < 0) return false;
  const NodeStore& store = search->store;
  const SearchNode& root = Node(store, 0);
  double visits = 0.0;
  for (int32_t i = 1; i <= root.ChildCount; ++i) visits += Node(store, root.children[i]).Visits;
  share[static_cast<std::size_t>(chosen)] += static_cast<float>(chosenShare);
  for (int32_t i = 1; i <= root.ChildCount && visits > 0.0; ++i) {
    const SearchNode& child = Node(store, root.children[i]);
    for (int k = 1; k <= n; ++k) {
      if (Cell{list[k].x, list[k].y} == child.location) {
        share[static_cast<std::size_t>(k - 1)] +=
            static_cast<float>((1.0 - chosenShare) * child.Visits / visits);
      }
    }
  }
  return true;
}

ExpertReport LabelWithSearch(const Model& expert, const ExpertSettings& settings, Dataset& data) {
  const auto start = std::chrono::steady_clock::now();
  ExpertReport report;
  const auto evaluator = std::make_unique<Evaluator>();
  InitEvaluator(*evaluator);
  ToNetwork(expert, evaluator->network);
  if (data.expert.size() != data.Size()) data.expert.assign(data.Size(), 0.0f);
  const std::size_t total = data.Positions();
  const std::size_t wanted =
      std::min<std::size_t>(total, static_cast<std::size_t>(settings.positions));
  std::vector<float> share;
  double hidden[Cols1];
  for (std::size_t i = 0; i < wanted; ++i) {
    const std::size_t p = i * total / wanted;
    const std::size_t begin = data.positionStart[p];
    const std::size_t n = data.positionStart[p + 1] - begin;
    double kept = 0.0;
    for (std::size_t k = 0; k < n; ++k) kept += data.expert[begin + k];
    if (kept > 0.0) continue;  // labelled before (--expert-load)
    if (!SearchLabel(*evaluator, data.boards[p], data.sides[p], settings.iterations,
                     settings.chosenShare, share) ||
        share.size() != n) {
      ++report.skipped;
      continue;
    }
    ++report.labelled;
    std::size_t top = 0, best = 0;
    double topValue = -1.0;
    for (std::size_t k = 0; k < n; ++k) {
      data.expert[begin + k] = share[k];
      const double v = Forward(expert, data.Input(begin + k), hidden);
      if (v > topValue) topValue = v, top = k;
      if (share[k] > share[best]) best = k;
    }
    if (top == best) ++report.networkAgrees;
    if ((i + 1) % 500 == 0) {
      std::printf("search labels: %zu of %zu positions, %.1f s\n", i + 1, wanted,
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      std::fflush(stdout);
    }
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

bool WriteSearchLabels(const Dataset& data, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.expert.data()),
            static_cast<std::streamsize>(data.expert.size() * sizeof(float)));
  return static_cast<bool>(out);
}

bool ReadSearchLabels(Dataset& data, const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in || static_cast<std::size_t>(in.tellg()) != data.Size() * sizeof(float)) return false;
  in.seekg(0);
  if (data.expert.size() != data.Size()) data.expert.assign(data.Size(), 0.0f);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(data.expert.data()),
                                   static_cast<std::streamsize>(data.Size() * sizeof(float))));
}

double SearchAgreement(const Model& model, const Dataset& data) {
  double hidden[Cols1];
  int labelled = 0, agrees = 0;
  for (std::size_t p = 0; p < data.Positions() && !data.expert.empty(); ++p) {
    const std::size_t begin = data.positionStart[p];
    const std::size_t end = data.positionStart[p + 1];
    std::size_t top = begin, best = begin;
    double topValue = -1.0;
    for (std::size_t k = begin; k < end; ++k) {
      const double v = Forward(model, data.Input(k), hidden);
      if (v > topValue) topValue = v, top = k;
      if (data.expert[k] > data.expert[best]) best = k;
    }
    if (data.expert[best] <= 0.0f) continue;
    ++labelled;
    if (top == best) ++agrees;
  }
  return labelled == 0 ? 0.0 : static_cast<double>(agrees) / labelled;
}

Dataset LabelledOnly(const Dataset& data) {
  Dataset out = NewDataset();
  for (std::size_t p = 0; p < data.Positions(); ++p) {
    const std::size_t begin = data.positionStart[p];
    const std::size_t end = data.positionStart[p + 1];
    double sum = 0.0;
    for (std::size_t k = begin; k < end; ++k) sum += data.expert[k];
    if (sum <= 0.0) continue;
    out.inputs.insert(out.inputs.end(), data.inputs.begin() + begin * WindowInputs,
                      data.inputs.begin() + end * WindowInputs);
    out.targets.insert(out.targets.end(), data.targets.begin() + begin, data.targets.begin() + end);
    out.ownPattern.insert(out.ownPattern.end(), data.ownPattern.begin() + begin,
                          data.ownPattern.begin() + end);
    out.opponentPattern.insert(out.opponentPattern.end(), data.opponentPattern.begin() + begin,
                               data.opponentPattern.begin() + end);
    out.expert.insert(out.expert.end(), data.expert.begin() + begin, data.expert.begin() + end);
    if (p < data.choice.size()) out.choice.push_back(data.choice[p]);
    out.positionStart.push_back(static_cast<uint32_t>(out.targets.size()));
  }
  return out;
}

}  // namespace ruvex::trainer
