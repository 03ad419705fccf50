#include "trainer/model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numeric>

namespace ruvex::trainer {

double LogBase() {
  return std::log(2.718282);
}

Model InitialModel(Rng& rng) {
  Model model;
  for (int i = 0; i < Rows1; ++i) {
    for (int j = 1; j < Cols1; ++j) {
      const double spread = i == 0 ? 0.1 : 0.35;
      model.W1[i * Cols1 + j] = spread * (2.0 * NextUnit(rng) - 1.0);
    }
  }
  model.W1[0] = BiasUnitWeight;
  for (int j = 0; j < Cols1; ++j) model.W2[j * Cols2 + 1] = 0.1 * (2.0 * NextUnit(rng) - 1.0);
  return model;
}

Model PatternModel(Rng& rng) {
  Model model = InitialModel(rng);
  // Units 1..80: for each line step, each of the five five-cell segments
  // through the centre, and each side, a unit that counts that side's stones
  // minus the other side's on the segment's four other cells and fires at 3
  // (the move makes four in the segment) or at 2 (three in the segment).
  static constexpr int steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
  constexpr double sharpness = 4.0;
  int unit = 1;
  for (const auto& step : steps) {
    for (int start = -4; start <= 0; ++start) {
      for (int side = 0; side < 2; ++side) {
        for (int level = 0; level < 2; ++level) {
          for (int i = 0; i < Rows1; ++i) model.W1[i * Cols1 + unit] = 0.0;
          const double sign = side == 0 ? 1.0 : -1.0;
          for (int d = start; d <= start + 4; ++d) {
            if (d == 0) continue;
            const int a = 4 + d * step[0];
            const int b = 4 + d * step[1];
            model.W1[(1 + a * 9 + b) * Cols1 + unit] = sign * sharpness;
          }
          model.W1[unit] = -sharpness * (level == 0 ? 2.5 : 1.5);
          model.W2[unit * Cols2 + 1] = (level == 0 ? 1.2 : 0.25) * (side == 0 ? 1.0 : 0.8);
          ++unit;
        }
      }
    }
  }
  model.W2[1] = -3.0;  // through the bias unit
  return model;
}

double Forward(const Model& model, const int8_t* input, double* hidden) {
  const double* w1 = model.W1.data();
  double sum[Cols1];
  for (int j = 0; j < Cols1; ++j) sum[j] = 0.0 + w1[j];
  for (int i = 0; i < WindowInputs; ++i) {
    const double* row = w1 + (i + 1) * Cols1;
    if (input[i] > 0) {
      for (int j = 0; j < Cols1; ++j) sum[j] = sum[j] + row[j];
    } else if (input[i] < 0) {
      for (int j = 0; j < Cols1; ++j) sum[j] = sum[j] - row[j];
    }
  }
  double s = 0.0;
  for (int j = 0; j < Cols1; ++j) {
    hidden[j] = Sigmoid(sum[j]);
    s = s + hidden[j] * model.W2[j * Cols2 + 1];
  }
  return Sigmoid(s);
}

double CrossEntropy(double output, double target) {
  const double y = std::clamp(output, 1e-15, 1.0 - 1e-15);
  return -(target * std::log(y) + (1.0 - target) * std::log(1.0 - y));
}

double SampleWeight(double target, double emphasis) {
  return 1.0 + emphasis * target * target;
}

void AddBackward(const Model& model, const int8_t* input, const double* hidden, double delta,
                 Model& grad) {
  static const double base = LogBase();
  double back[Cols1];
  for (int j = 0; j < Cols1; ++j) {
    grad.W2[j * Cols2 + 1] += delta * hidden[j];
    back[j] = delta * model.W2[j * Cols2 + 1] * base * hidden[j] * (1.0 - hidden[j]);
  }
  back[0] = 0.0;  // the bias unit's input weights stay fixed
  double* g1 = grad.W1.data();
  for (int j = 0; j < Cols1; ++j) g1[j] += back[j];
  for (int i = 0; i < WindowInputs; ++i) {
    double* row = g1 + (i + 1) * Cols1;
    if (input[i] > 0) {
      for (int j = 0; j < Cols1; ++j) row[j] += back[j];
    } else if (input[i] < 0) {
      for (int j = 0; j < Cols1; ++j) row[j] -= back[j];
    }
  }
}

double AddGradient(const Model& model, const int8_t* input, double target, Model& grad,
                   double weight) {
  double hidden[Cols1];
  const double y = Forward(model, input, hidden);
  AddBackward(model, input, hidden, weight * (y - target) * LogBase(), grad);
  return weight * CrossEntropy(y, target);
}

double Logit(double p) {
  return std::log(p / (1.0 - p));
}

double AddPositionGradient(const Model& model, const Dataset& data, std::size_t position,
                           double emphasis, double ranking, Model& grad, double distill) {
  const double base = LogBase();
  const std::size_t begin = data.positionStart[position];
  const std::size_t n = data.positionStart[position + 1] - begin;
  std::vector<double> hidden(n * Cols1);
  std::vector<double> y(n), q(n), p(n);
  double qMax = -1e300, pMax = -1e300;
  for (std::size_t k = 0; k < n; ++k) {
    y[k] = Forward(model, data.Input(begin + k), hidden.data() + k * Cols1);
    const double yc = std::clamp(y[k], 1e-15, 1.0 - 1e-15);
    q[k] = Logit(yc) / RankingTemperature;
    p[k] = Logit(data.targets[begin + k]) / RankingTemperature;
    qMax = std::max(qMax, q[k]);
    pMax = std::max(pMax, p[k]);
  }
  double qSum = 0.0, pSum = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    q[k] = std::exp(q[k] - qMax);
    p[k] = std::exp(p[k] - pMax);
    qSum += q[k];
    pSum += p[k];
  }
  if (!data.expert.empty()) {
    // The search's label distribution instead; none: no ranking term.
    pSum = 0.0;
    for (std::size_t k = 0; k < n; ++k) pSum += p[k] = data.expert[begin + k];
    if (pSum <= 0.0) ranking = 0.0, pSum = 1.0;
  }
  const int choice = position < data.choice.size() ? data.choice[position] : -1;
  if (choice < 0) distill = 0.0;
  double loss = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    q[k] /= qSum;
    p[k] /= pSum;
    const double t = data.targets[begin + k];
    const double w = SampleWeight(t, emphasis);
    loss += w * CrossEntropy(y[k], t);
    if (p[k] > 0.0) loss -= ranking * p[k] * std::log(std::max(q[k], 1e-300));
    const double chosen = static_cast<int>(k) == choice ? 1.0 : 0.0;
    loss -= distill * chosen * std::log(std::max(q[k], 1e-300));
    // The logit of y is base * (output sum), so d / d sum = base * d / d logit.
    const double delta =
        w * (y[k] - t) * base +
        (ranking * (q[k] - p[k]) + distill * (q[k] - chosen)) * base / RankingTemperature;
    AddBackward(model, data.Input(begin + k), hidden.data() + k * Cols1, delta, grad);
  }
  return loss;
}

namespace {

void AdamStep(std::vector<double>& w, const std::vector<double>& g, std::vector<double>& m,
              std::vector<double>& v, double rate, double scale, double c1, double c2) {
  constexpr double b1 = 0.9;
  constexpr double b2 = 0.999;
  for (std::size_t k = 0; k < w.size(); ++k) {
    const double gk = g[k] * scale;
    if (gk == 0.0 && m[k] == 0.0) continue;  // frozen or never touched
    m[k] = b1 * m[k] + (1.0 - b1) * gk;
    v[k] = b2 * v[k] + (1.0 - b2) * gk * gk;
    w[k] -= rate * (m[k] / c1) / (std::sqrt(v[k] / c2) + 1e-8);
  }
}

// One Adam step of both matrices with the summed gradient times scale.
void ApplyAdam(Model& model, const Model& grad, Optimiser& optimiser, double rate, double scale) {
  optimiser.steps += 1;
  const double c1 = 1.0 - std::pow(0.9, static_cast<double>(optimiser.steps));
  const double c2 = 1.0 - std::pow(0.999, static_cast<double>(optimiser.steps));
  AdamStep(model.W1, grad.W1, optimiser.first.W1, optimiser.second.W1, rate, scale, c1, c2);
  AdamStep(model.W2, grad.W2, optimiser.first.W2, optimiser.second.W2, rate, scale, c1, c2);
}

// 0 .. n - 1 in a seeded Fisher-Yates order.
std::vector<uint32_t> ShuffledOrder(std::size_t n, Rng& rng) {
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  for (std::size_t k = n; k > 1; --k) {
    const std::size_t pick = static_cast<std::size_t>(NextBelow(rng, static_cast<int>(k)));
    std::swap(order[k - 1], order[pick]);
  }
  return order;
}

}  // namespace

double TrainEpoch(Model& model, Optimiser& optimiser, const Dataset& data, Rng& rng, int batch,
                  double rate, double emphasis) {
  const std::size_t n = data.Size();
  const std::vector<uint32_t> order = ShuffledOrder(n, rng);
  Model grad;
  double total = 0.0;
  for (std::size_t start = 0; start < n; start += static_cast<std::size_t>(batch)) {
    const std::size_t end = std::min(n, start + static_cast<std::size_t>(batch));
    std::fill(grad.W1.begin(), grad.W1.end(), 0.0);
    std::fill(grad.W2.begin(), grad.W2.end(), 0.0);
    for (std::size_t k = start; k < end; ++k) {
      const double target = data.targets[order[k]];
      total +=
          AddGradient(model, data.Input(order[k]), target, grad, SampleWeight(target, emphasis));
    }
    ApplyAdam(model, grad, optimiser, rate, 1.0 / static_cast<double>(end - start));
  }
  return n == 0 ? 0.0 : total / static_cast<double>(n);
}

double TrainRankingEpoch(Model& model, Optimiser& optimiser, const Dataset& data, Rng& rng,
                         int batchPositions, double rate, double emphasis, double ranking,
                         double distill) {
  const std::size_t n = data.Positions();
  const std::vector<uint32_t> order = ShuffledOrder(n, rng);
  Model grad;
  double total = 0.0;
  for (std::size_t start = 0; start < n; start += static_cast<std::size_t>(batchPositions)) {
    const std::size_t end = std::min(n, start + static_cast<std::size_t>(batchPositions));
    std::fill(grad.W1.begin(), grad.W1.end(), 0.0);
    std::fill(grad.W2.begin(), grad.W2.end(), 0.0);
    std::size_t samples = 0;
    for (std::size_t k = start; k < end; ++k) {
      total += AddPositionGradient(model, data, order[k], emphasis, ranking, grad, distill);
      samples += data.positionStart[order[k] + 1] - data.positionStart[order[k]];
    }
    ApplyAdam(model, grad, optimiser, rate,
              1.0 / static_cast<double>(std::max<std::size_t>(samples, 1)));
  }
  return data.Size() == 0 ? 0.0 : total / static_cast<double>(data.Size());
}

double MeanLoss(const Model& model, const Dataset& data) {
  double hidden[Cols1];
  double total = 0.0;
  for (std::size_t k = 0; k < data.Size(); ++k) {
    total += CrossEntropy(Forward(model, data.Input(k), hidden), data.targets[k]);
  }
  return data.Size() == 0 ? 0.0 : total / static_cast<double>(data.Size());
}

void ToNetwork(const Model& model, Network& network) {
  CreateNetwork(network, WindowInputs, Hidden, 2);
  network.W1 = model.W1;
  network.W2 = model.W2;
  IndexWeights(network);
}

Model FromNetwork(Network& network) {
  Model model;
  for (int i = 0; i < Rows1; ++i) {
    for (int j = 0; j < Cols1; ++j) model.W1[i * Cols1 + j] = W1At(network, i, j);
  }
  for (int j = 0; j < Cols1; ++j) {
    for (int k = 0; k < Cols2; ++k) model.W2[j * Cols2 + k] = W2At(network, j, k);
  }
  return model;
}

std::vector<uint8_t> SerializeModel(const Model& model) {
  std::vector<uint8_t> bytes;
  bytes.reserve(BrainMapBytes);
  auto put = [&bytes](double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int b = 0; b < 8; ++b) bytes.push_back(static_cast<uint8_t>(bits >> (8 * b)));
  };
  for (double w : model.W1) put(w);
  for (double w : model.W2) put(w);
  return bytes;
}

bool WriteBrainMap(const Model& model, const std::string& path) {
  const std::vector<uint8_t> bytes = SerializeModel(model);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool ReadBrainMap(const std::string& path, Model& model) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(BrainMapBytes);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    return false;
  }
  std::size_t at = 0;
  auto get = [&bytes, &at]() {
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits |= static_cast<uint64_t>(bytes[at++]) << (8 * b);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
  };
  for (double& w : model.W1) w = get();
  for (double& w : model.W2) w = get();
  return true;
}

}  // namespace ruvex::trainer
