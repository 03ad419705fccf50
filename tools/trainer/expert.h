// Search labels: the engine's own search, run at a fixed iteration count with
// a given weight file, chooses the move in training positions; the ranking
// term then pulls the network's top-valued cell towards that choice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eval/evaluator.h"
#include "trainer/model.h"
#include "trainer/samples.h"

namespace ruvex::trainer {

struct ExpertSettings {
  int64_t iterations = 1000;  // search iterations a position
  int positions = 3000;       // positions labelled, spread evenly over the dataset
  // Share of a label's distribution on the chosen move; the rest follows the
  // root children's visit shares.
  double chosenShare = 0.5;
};

struct ExpertReport {
  int labelled = 0;
  int skipped = 0;        // no searched choice among the position's candidates
  int networkAgrees = 0;  // the expert network's top-valued candidate is the search's choice
  double seconds = 0.0;
};

// The search's choice in the position (side to move `side`): the engine's
// SearchMove on a fresh tree with a clock that allows `iterations`
// iterations, the mover as Own. Fills share[k] (candidates of the engine's
// scan, k from 0) with the label distribution; false when the search did
// not choose one of them.
bool SearchLabel(Evaluator& evaluator, const BoardGrid& grid, int side, int64_t iterations,
                 double chosenShare, std::vector<float>& share);

// Labels data's positions (data.boards must be kept) with expert's search
// and stores the distributions in data.expert (0 for positions left out).
// Positions that already have a label in data.expert keep it.
ExpertReport LabelWithSearch(const Model& expert, const ExpertSettings& settings, Dataset& data);

// data.expert as raw floats, and back (false unless the file holds exactly
// data.Size() of them).
bool WriteSearchLabels(const Dataset& data, const std::string& path);
bool ReadSearchLabels(Dataset& data, const std::string& path);

// Share of the labelled positions whose top-valued cell under model is the
// label's most likely move.
double SearchAgreement(const Model& model, const Dataset& data);

// The positions of data that have a search label, with their samples.
Dataset LabelledOnly(const Dataset& data);

}  // namespace ruvex::trainer
