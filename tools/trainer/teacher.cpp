#include "teacher.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ruvex::trainer {
namespace {

// A whole line of nine cells with the placed stone at index 4.
using Line = std::array<LineCell, 9>;
constexpr int Centre = 4;

Line Expand(const LineAround& around) {
  Line line{};
  for (int k = 0; k < 4; ++k) line[k] = around[k];
  line[Centre] = Mine;
  for (int k = 4; k < 8; ++k) line[k + 1] = around[k];
  return line;
}

int RunThroughCentre(const Line& line) {
  int lo = Centre;
  while (lo > 0 && line[lo - 1] == Mine) --lo;
  int hi = Centre;
  while (hi < 8 && line[hi + 1] == Mine) ++hi;
  return hi - lo + 1;
}

// Empty cells at which one more stone makes a run of five through the centre.
int CompletionCount(Line line) {
  int count = 0;
  for (int e = 0; e < 9; ++e) {
    if (line[e] != Free) continue;
    line[e] = Mine;
    if (RunThroughCentre(line) >= 5) ++count;
    line[e] = Free;
  }
  return count;
}

bool HasRoom(const Line& line) {
  for (int start = 0; start + 5 <= 9; ++start) {
    if (start > Centre || start + 4 < Centre) continue;
    bool clear = true;
    for (int k = start; k < start + 5; ++k) clear = clear && line[k] != Blocked;
    if (clear) return true;
  }
  return false;
}

LinePattern Classify(Line line) {
  if (RunThroughCentre(line) >= 5) return Five;
  const int completions = CompletionCount(line);
  if (completions >= 2) return OpenFour;
  if (completions == 1) return Four;
  // Threes: what the best next stone makes.
  bool makesOpenFour = false;
  bool makesFour = false;
  for (int e = 0; e < 9; ++e) {
    if (line[e] != Free) continue;
    line[e] = Mine;
    const int next = CompletionCount(line);
    line[e] = Free;
    if (next >= 2) makesOpenFour = true;
    if (next == 1) makesFour = true;
  }
  if (makesOpenFour) return RunThroughCentre(line) >= 3 ? OpenThree : BrokenThree;
  if (makesFour) return Three;
  // Twos: what the best next stone makes (no next stone makes a four here).
  bool makesOpenThree = false;
  bool makesThree = false;
  for (int e = 0; e < 9; ++e) {
    if (line[e] != Free) continue;
    line[e] = Mine;
    const LinePattern next = Classify(line);
    line[e] = Free;
    if (next == OpenThree || next == BrokenThree) makesOpenThree = true;
    if (next == Three) makesThree = true;
  }
  if (makesOpenThree) return OpenTwo;
  if (makesThree) return Two;
  return HasRoom(line) ? One : None;
}

int AroundIndex(const LineAround& around) {
  int index = 0;
  for (int k = 7; k >= 0; --k) index = index * 3 + around[k];
  return index;
}

std::vector<LinePattern> BuildTable() {
  std::vector<LinePattern> table(LineNeighbourhoods);
  for (int index = 0; index < LineNeighbourhoods; ++index) {
    table[index] = Classify(Expand(LineAroundOf(index)));
  }
  return table;
}

constexpr std::array<double, LinePatternCount> LineWeight = {
    0.0,      // None
    2.0,      // One
    10.0,     // Two
    50.0,     // OpenTwo
    60.0,     // Three
    850.0,    // BrokenThree
    1000.0,   // OpenThree
    1000.0,   // Four
    20000.0,  // OpenFour
    1.0e6,    // Five
};
constexpr double KneeScore = 400.0;
constexpr double KneeTarget = 0.35;
constexpr double OpenFourScore = 20000.0;
constexpr double OpenFourTarget = 0.97;
constexpr double DoubleFourBonus = 20000.0;
constexpr double FourThreeBonus = 12000.0;
constexpr double DoubleThreeBonus = 6000.0;

}  // namespace

const char* LinePatternName(LinePattern pattern) {
  static constexpr const char* names[LinePatternCount] = {
      "None",        "One",       "Two",  "OpenTwo",  "Three",
      "BrokenThree", "OpenThree", "Four", "OpenFour", "Five"};
  return pattern < LinePatternCount ? names[pattern] : "?";
}

LinePattern ClassifyLine(const LineAround& around) {
  return Classify(Expand(around));
}

LineAround LineAroundOf(int index) {
  LineAround around{};
  for (int k = 0; k < 8; ++k) {
    around[k] = static_cast<LineCell>(index % 3);
    index /= 3;
  }
  return around;
}

LinePattern LookupLine(const LineAround& around) {
  static const std::vector<LinePattern> table = BuildTable();
  return table[AroundIndex(around)];
}

LineAround ReadLine(const BoardGrid& grid, int x, int y, int dx, int dy, int side) {
  LineAround around{};
  static constexpr std::array<int, 8> distance = {-4, -3, -2, -1, 1, 2, 3, 4};
  for (int k = 0; k < 8; ++k) {
    const int a = x + distance[k] * dx;
    const int b = y + distance[k] * dy;
    if (!IsPlayable(a, b)) {
      around[k] = Blocked;
    } else {
      const int8_t v = grid(a, b);
      around[k] = v == side ? Mine : (v == Empty ? Free : Blocked);
    }
  }
  return around;
}

MoveThreats ThreatsAt(const BoardGrid& grid, int x, int y, int side) {
  MoveThreats threats{};
  for (int d = 0; d < 4; ++d) {
    threats[d] = LookupLine(ReadLine(grid, x, y, LineSteps[d][0], LineSteps[d][1], side));
  }
  return threats;
}

double ThreatScore(const MoveThreats& threats) {
  double score = 0.0;
  int fours = 0;
  int threes = 0;
  for (LinePattern p : threats) {
    score += LineWeight[p];
    if (p == Four) ++fours;
    if (p == OpenThree || p == BrokenThree) ++threes;
  }
  if (fours >= 2) score += DoubleFourBonus;
  if (fours >= 1 && threes >= 1) score += FourThreeBonus;
  if (threes >= 2) score += DoubleThreeBonus;
  return score;
}

double MoveScore(const BoardGrid& grid, int x, int y, int side) {
  return ThreatScore(ThreatsAt(grid, x, y, side)) +
         DefenceWeight * ThreatScore(ThreatsAt(grid, x, y, Other(side)));
}

double ScoreToTarget(double score) {
  const double level = std::log10(1.0 + std::max(score, 0.0));
  const double knee = std::log10(1.0 + KneeScore);
  const double top = std::log10(1.0 + OpenFourScore);
  double t;
  if (level <= knee) {
    t = 0.02 + (KneeTarget - 0.02) * level / knee;
  } else {
    t = KneeTarget + (OpenFourTarget - KneeTarget) * (level - knee) / (top - knee);
  }
  return std::min(t, 0.99);
}

LinePattern BestPattern(const MoveThreats& threats) {
  LinePattern best = None;
  for (LinePattern p : threats) best = p > best ? p : best;
  return best;
}

}  // namespace ruvex::trainer
