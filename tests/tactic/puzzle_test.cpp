// The puzzle suite (puzzles.txt): the solvers' answers checked against plain play, the
// brain's move at a fixed node budget, and the incremental board, after all the solvers'
// moves and takebacks, against a plain recomputation from the stones.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tactic/search.h"

namespace ruvex::tactic {
namespace {

struct Puzzle {
  std::string name, kind;  // kind "vcf" or "defend"
  int moves = 0;           // vcf: attacker moves of the shortest win, the five included
  std::vector<int> answer;
  Board board;
};

int ParseCell(const std::string& text) {
  int x = -1, y = -1;
  char comma = 0;
  std::istringstream(text) >> x >> comma >> y;
  return CellAt(x, y);
}

// One puzzle a line: "NAME KIND MOVES at X,Y answer CELLS... / ROWS", the rows of a diagram
// separated by '/', its top left cell at X,Y: X the side to move, O the opponent, . empty.
std::vector<Puzzle> Load() {
  std::ifstream in(TACTIC_PUZZLES);
  std::vector<Puzzle> puzzles;
  std::string text, at, origin, word;
  while (std::getline(in, text)) {
    if (text.empty() || text[0] == '#') continue;
    Puzzle& p = puzzles.emplace_back();
    std::istringstream header(text.substr(0, text.find('/')));
    header >> p.name >> p.kind >> p.moves >> at >> origin >> word;
    while (header >> word) p.answer.push_back(ParseCell(word));
    Board& b = p.board;
    Reset(b);
    int x = XOf(ParseCell(origin)), y = YOf(ParseCell(origin));
    for (std::size_t i = text.find('/') + 2; i < text.size(); ++i) {
      if (text[i] == '/') {
        x = XOf(ParseCell(origin)), ++y;
        continue;
      }
      if (text[i] == 'X' || text[i] == 'O') {
        b.to_move = text[i] == 'X' ? 0 : 1;
        EXPECT_TRUE(Play(b, CellAt(x, y))) << p.name;
      }
      ++x;
    }
    b.to_move = 0;
  }
  return puzzles;
}

// Cells where `side` would make five, by plain play on the stones.
std::vector<int> PlainFivePoints(Board b, int side) {
  std::vector<int> points;
  b.to_move = side;
  for (int cell = 0; cell < kCells; ++cell) {
    if (Play(b, cell)) {
      if (IsFive(b, cell)) points.push_back(cell);
      Undo(b);
    }
  }
  return points;
}

// A VCF line replayed by plain play: the defender never has a five point, every defender
// move is the attacker's only five point, and the attacker ends with a five or two five
// points. Returns the attacker's moves, the five included (0 when the line is not a win).
int ReplayVcf(Board b, const Line& line) {
  for (int i = 0; i < line.length; ++i) {
    if (i % 2 == 1) {
      const std::vector<int> points = PlainFivePoints(b, 0);
      if (points.size() != 1 || points[0] != line.cells[i]) return 0;
    } else if (!PlainFivePoints(b, 1).empty()) {
      return 0;
    }
    if (!Play(b, line.cells[i])) return 0;
    if (i % 2 == 0 && IsFive(b, line.cells[i])) return i / 2 + 1;
  }
  // Or two five points after the last attacker move: the defender blocks one, not both.
  const bool two = line.length % 2 == 1 && PlainFivePoints(b, 0).size() >= 2;
  return two ? (line.length + 1) / 2 + 1 : 0;
}

// The line through `cell` along `d` as `side` sees it, read straight off the stones.
std::array<int, 9> PlainLine(const Board& b, int side, int cell, int d) {
  std::array<int, 9> line{};
  for (int k = -4; k <= 4; ++k) {
    const int x = XOf(cell) + k * kDx[d], y = YOf(cell) + k * kDy[d];
    const int stone = OnBoard(x, y) ? b.stone[CellAt(x, y)] : 3;
    line[k + 4] = k == 0 ? 1 : (stone == 0 ? 0 : (stone == side + 1 ? 1 : 2));
  }
  return line;
}

void ExpectMatchesPlain(const Board& b, const Board& start) {
  ASSERT_EQ(b.moves, start.moves);
  ASSERT_EQ(b.hash, start.hash);
  for (int side = 0; side < 2; ++side) {
    std::array<int, kClassCount> count{};
    std::int64_t total = 0;
    for (int cell = 0; cell < kCells; ++cell) {
      std::array<std::uint8_t, 4> levels{};
      for (int d = 0; d < 4 && b.stone[cell] == 0; ++d) {
        levels[d] = ClassifyLine(PlainLine(b, side, cell, d));
        ASSERT_EQ(b.level[side][cell][d], levels[d]) << "side " << side << " cell " << cell;
      }
      const int cls = b.stone[cell] == 0 ? ClassOf(levels) : kClassNone;
      ASSERT_EQ(b.cls[side][cell], cls);
      ++count[cls];
      total += b.stone[cell] == 0 ? CellValue(levels, ClassOf(levels)) : 0;
    }
    for (int c = 0; c < kClassCount; ++c) ASSERT_EQ(b.count[side][c], count[c]);
    ASSERT_EQ(b.total[side], total);
  }
}

bool Contains(const std::vector<int>& cells, int cell) {
  return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

// ClassifyLine on hand-made lines: 9 cells around the stone (index 4), . empty, x own,
// o blocked.
TEST(TacticPatterns, LevelsOfKnownLines) {
  const std::pair<const char*, Level> cases[] = {
      {"..xxxxx..", kFive},      {"...xxxx..", kOpenFour}, {"o..xxxx.o", kOpenFour},
      {"..oxxxx..", kFour},      {"..xxx.x..", kFour},     {"x.xxx.x..", kOpenFour},
      {"...xxx...", kOpenThree}, {"..oxxx...", kThree},    {"o..xxx.o.", kOpenThree},
      {"o.x.xx.o.", kOpenThree}, {"..oxx.x..", kThree},    {"...xx....", kOpenTwo},
      {"oooox..oo", kNone},      {"....x....", kOne},      {"...oxo...", kNone},
      {"...oxx...", kTwo},
  };
  for (const auto& [text, level] : cases) {
    std::array<int, 9> line{};
    for (int i = 0; i < 9; ++i) line[i] = text[i] == '.' ? 0 : (text[i] == 'x' ? 1 : 2);
    EXPECT_EQ(ClassifyLine(line), level) << text;
  }
}

TEST(TacticPuzzles, SolverAndBrainAnswerEveryPuzzle) {
  static Engine e;
  InitEngine(e);
  const std::vector<Puzzle> puzzles = Load();
  ASSERT_GE(puzzles.size(), 30u);
  for (const Puzzle& p : puzzles) {
    SCOPED_TRACE(p.name);
    e.board = p.board;
    ClearTable(e.solver.table);
    if (p.kind == "vcf") {
      // The shortest win: none within one attacker move less.
      int depth = 0;
      Line line;
      for (; depth <= Tunables::kVcfDepth; ++depth) {
        e.budget = Budget{};
        if (SolveVcf(e.solver, depth, &line) == Outcome::kWin) break;
      }
      ASSERT_GT(line.length, 0);
      EXPECT_EQ(ReplayVcf(p.board, line), p.moves);
      EXPECT_TRUE(Contains(p.answer, line.cells[0]));
    } else {
      e.budget = Budget{};
      e.budget.limit = 200000;  // the VCT checks are budget-bound; the answers are for this one
      const Defence d = FindDefences(e.solver, true);
      EXPECT_EQ(d.threat, Threat::kVcf);
      EXPECT_EQ(std::vector<int>(d.moves.begin(), d.moves.begin() + d.count), p.answer);
    }
    SearchLimits limits;
    limits.max_nodes = 100000;
    EXPECT_TRUE(Contains(p.answer, ChooseMove(e, limits).move));
    ExpectMatchesPlain(e.board, p.board);
  }
  EXPECT_FALSE(Play(e.board, kCells));
  EXPECT_FALSE(Play(e.board, -1));
}

}  // namespace
}  // namespace ruvex::tactic
