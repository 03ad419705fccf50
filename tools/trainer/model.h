// The trainable copy of the engine's 81-100-2 network, its gradient, the
// optimiser and the brain.map writer.
//
// Forward pass: the same sums in the same order as the engine's Evaluate
// (bias weight first, then the occupied inputs in increasing order; the
// output sum over hidden units in increasing order) and the engine's own
// Sigmoid, so a trained model's output 1 equals Evaluate's bit for bit.
//
// Only output 1 has a consumer. Its weights W2[j][1] are trained; the columns
// of outputs 0 and 2 stay 0.0, so those outputs are 0.5 for every window.
// Hidden unit 0 serves as the output's bias: its input weights are fixed at
// W1[0][0] = BiasUnitWeight and W1[i][0] = 0.0, so it is nearly 1.0 always.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eval/network.h"
#include "trainer/rng.h"
#include "trainer/samples.h"

namespace ruvex::trainer {

constexpr int Hidden = 100;              // HiddenUnitCount of the engine
constexpr int Rows1 = WindowInputs + 1;  // 82 rows of W1
constexpr int Cols1 = Hidden + 1;        // 101 columns of W1, rows of W2
constexpr int Cols2 = 3;                 // outputs 0..2
constexpr double BiasUnitWeight = 10.0;
constexpr std::size_t BrainMapBytes = (Rows1 * Cols1 + Cols1 * Cols2) * 8;  // 68,680

// ln(2.718282): the derivative of the engine's Sigmoid is LogBase * y * (1 - y).
double LogBase();

struct Model {
  std::vector<double> W1 = std::vector<double>(Rows1 * Cols1, 0.0);  // W1[i][j] at i * 101 + j
  std::vector<double> W2 = std::vector<double>(Cols1 * Cols2, 0.0);  // W2[j][k] at j * 3 + k
};

// Small uniform random weights (fixed by the generator's state), the bias
// unit set up and the unused output columns 0.0.
Model InitialModel(Rng& rng);

// InitialModel with hidden units 1..80 set up as line-segment detectors
// (for each line, five-cell segment through the centre and side: the side
// would make four, or three, stones in that segment), the rest random.
Model PatternModel(Rng& rng);

// Output 1 for one window; fills hidden[0..100] with the activations.
double Forward(const Model& model, const int8_t* input, double* hidden);

// Cross-entropy loss of output 1 against target for one window, times
// weight; adds that loss's gradient to grad (same shapes as the model) and
// returns the weighted loss.
double AddGradient(const Model& model, const int8_t* input, double target, Model& grad,
                   double weight = 1.0);

// Weight of a sample in training: 1 + SampleEmphasis * target^2, so that the
// few cells that matter (threats, blocks) count more than the many quiet ones.
double SampleWeight(double target, double emphasis);

double CrossEntropy(double output, double target);

// Adds the gradient of a loss whose derivative with respect to output 1's
// sum is delta; hidden holds the activations of the window's forward pass.
void AddBackward(const Model& model, const int8_t* input, const double* hidden, double delta,
                 Model& grad);

// Ranking term of one position: the cross-entropy between the softmax of the
// teacher's target logits and the softmax of the model's output logits over
// the position's candidates (temperature RankingTemperature), times ranking,
// plus, when the position records tactic's choice, the cross-entropy of that
// softmax against a one-hot on the choice, times distill, added to the
// weighted pointwise cross-entropy of every candidate. When the dataset has
// search labels (data.expert), they are the first distribution instead, and a
// position without one has no ranking term. Adds the gradient and returns the
// loss.
constexpr double RankingTemperature = 0.5;
double AddPositionGradient(const Model& model, const Dataset& data, std::size_t position,
                           double emphasis, double ranking, Model& grad, double distill = 0.0);

struct TrainSettings {
  int epochs = 30;
  int batch = 128;
  double learningRate = 0.003;  // Adam step size at the start
  double finalRate = 0.00005;   // reached by linear decay at the end
  uint64_t seed = 77;           // weight initialisation and sample order
  double emphasis = 1.0;        // SampleWeight's emphasis on high targets
  double ranking = 0.0;         // weight of the per-position ranking term (0: pointwise only)
  double distill = 0.0;         // weight of the ranking term towards tactic's choice
  int batchPositions = 3;       // positions per minibatch with the ranking term
  bool patternStart = true;     // start from PatternModel instead of InitialModel
};

// Adam state (first and second moments) and the step count.
struct Optimiser {
  Model first;
  Model second;
  int64_t steps = 0;
};

// One epoch of minibatch Adam over the samples in a shuffled order; rate is
// the step size for this epoch. Returns the mean training loss.
double TrainEpoch(Model& model, Optimiser& optimiser, const Dataset& data, Rng& rng, int batch,
                  double rate, double emphasis = 0.0);

// The same with whole positions in each minibatch (batchPositions of them)
// and the ranking term.
double TrainRankingEpoch(Model& model, Optimiser& optimiser, const Dataset& data, Rng& rng,
                         int batchPositions, double rate, double emphasis, double ranking,
                         double distill = 0.0);

// Mean cross-entropy over a dataset.
double MeanLoss(const Model& model, const Dataset& data);

// The engine's Network with the model's weights (counts 81, 100, 2).
void ToNetwork(const Model& model, Network& network);
Model FromNetwork(Network& network);

// The brain.map bytes: W1 row by row, then W2 row by row, each weight as an
// 8-byte little-endian IEEE 754 double.
std::vector<uint8_t> SerializeModel(const Model& model);
bool WriteBrainMap(const Model& model, const std::string& path);
// Reads a weight file of that layout; false when it cannot be read in full.
bool ReadBrainMap(const std::string& path, Model& model);

}  // namespace ruvex::trainer
