#include "tactic/patterns.h"

#include "tactic/tunables.h"

namespace ruvex::tactic {
namespace {

using Line = std::array<int, 9>;

// Empty cells that would complete a five through index 4, as a bit set over 9 cells.
unsigned FivePoints(const Line& line) {
  unsigned points = 0;
  for (int start = 0; start <= 4; ++start) {
    int own = 0, empty = -1, empties = 0;
    for (int i = start; i < start + 5; ++i) {
      if (line[i] == 1) ++own;
      if (line[i] == 0) empty = i, ++empties;
    }
    if (own == 4 && empties == 1) points |= 1u << empty;
  }
  return points;
}

bool HasFive(const Line& line) {
  int run = 0;
  for (int i = 0; i < 9; ++i) {
    run = line[i] == 1 ? run + 1 : 0;
    if (run >= 5 && i >= 4) return true;  // every run of five through index 4 ends at >= 4
  }
  return false;
}

Level Promote(Level grown) {
  switch (grown) {
    case kOpenFour:
      return kOpenThree;
    case kFour:
      return kThree;
    case kOpenThree:
      return kOpenTwo;
    case kThree:
      return kTwo;
    default:
      return kOne;
  }
}

// The level of a line; `grow(i)` gives the level of the line with one more own stone on
// index i (the plain definition recurses, the table looks it up).
template <typename Grow>
Level Classify(const Line& line, Grow grow) {
  if (HasFive(line)) return kFive;
  const unsigned fives = FivePoints(line);
  if (fives != 0) return (fives & (fives - 1)) != 0 ? kOpenFour : kFour;
  unsigned room = 0;  // empty cells of windows through index 4 free of blocked cells
  for (int start = 0; start <= 4; ++start) {
    bool open = true;
    for (int i = start; i < start + 5; ++i) open = open && line[i] != 2;
    if (!open) continue;
    for (int i = start; i < start + 5; ++i) {
      if (line[i] == 0) room |= 1u << i;
    }
  }
  if (room == 0) return kNone;
  Level best = kOne;
  for (int i = 0; i < 9; ++i) {
    if ((room & (1u << i)) == 0) continue;
    const Level level = Promote(grow(i));
    if (level > best) best = level;
  }
  return best;
}

Line Decode(unsigned key) {
  Line line{};
  line[4] = 1;
  for (int offset = -4; offset <= 4; ++offset) {
    if (offset == 0) continue;
    const unsigned code = (key >> (2 * SlotOf(offset))) & 3u;
    line[offset + 4] = code == 3 ? 2 : static_cast<int>(code);
  }
  return line;
}

Level TableLevel(unsigned key, std::array<std::uint8_t, 65536>& memo) {
  if (memo[key] != 0xFF) return static_cast<Level>(memo[key]);
  const Line line = Decode(key);
  const Level level =
      Classify(line, [&](int i) { return TableLevel(key | (1u << (2 * SlotOf(i - 4))), memo); });
  memo[key] = level;
  return level;
}

}  // namespace

Level ClassifyLine(const Line& line) {
  return Classify(line, [&](int i) {
    Line grown = line;
    grown[i] = 1;
    return ClassifyLine(grown);
  });
}

const std::array<Level, 65536>& LevelTable() {
  static const std::array<Level, 65536> table = [] {
    std::array<std::uint8_t, 65536> memo;
    memo.fill(0xFF);
    std::array<Level, 65536> t{};
    for (unsigned key = 0; key < 65536; ++key) t[key] = TableLevel(key, memo);
    return t;
  }();
  return table;
}

CellClass ClassOf(const std::array<std::uint8_t, 4>& levels) {
  int fours = 0, open_threes = 0, threes = 0, open_twos = 0, twos = 0;
  for (const std::uint8_t level : levels) {
    if (level == kFive) return kClassFive;
    if (level == kOpenFour) return kClassFlexFour;
    fours += level == kFour;
    open_threes += level == kOpenThree;
    threes += level == kThree;
    open_twos += level == kOpenTwo;
    twos += level == kTwo;
  }
  if (fours >= 2) return kClassFlexFour;
  if (fours == 1) return open_threes > 0 ? kClassFourThree : kClassFour;
  if (open_threes >= 2) return kClassThreeThree;
  if (open_threes == 1) return kClassOpenThree;
  if (threes > 0) return kClassThree;
  if (open_twos >= 2) return kClassTwoTwo;
  return open_twos + twos > 0 ? kClassTwo : kClassNone;
}

int CellValue(const std::array<std::uint8_t, 4>& levels, CellClass cls) {
  int value = 0;
  for (const std::uint8_t level : levels) value += Tunables::kLevelScore[level];
  if (cls == kClassThreeThree) value += Tunables::kComboThreeThree;
  if (cls == kClassFourThree || cls == kClassFlexFour) value += Tunables::kComboFourThree;
  return value;
}

const std::array<CellInfo, 6561>& CellTable() {
  static const std::array<CellInfo, 6561> table = [] {
    std::array<CellInfo, 6561> t{};
    for (int i = 0; i < 6561; ++i) {
      const std::array<std::uint8_t, 4> levels = {
          static_cast<std::uint8_t>(i / 729), static_cast<std::uint8_t>(i / 81 % 9),
          static_cast<std::uint8_t>(i / 9 % 9), static_cast<std::uint8_t>(i % 9)};
      const CellClass cls = ClassOf(levels);
      t[i] = {static_cast<std::uint16_t>(CellValue(levels, cls)), cls};
    }
    return t;
  }();
  return table;
}

}  // namespace ruvex::tactic
