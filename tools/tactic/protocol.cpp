#include "tactic/protocol.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace ruvex::tactic {
namespace {

constexpr int kOwn = 0;
constexpr int kTheirs = 1;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Reads up to `n` comma-separated integers; true when exactly `n` were read.
bool ParseInts(std::string_view s, long long* values, int n) {
  for (int i = 0; i < n; ++i) {
    s = Trim(s);
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), values[i]);
    if (error != std::errc()) return false;
    s = Trim(s.substr(static_cast<std::size_t>(end - s.data())));
    if (i + 1 < n) {
      if (s.empty() || s.front() != ',') return false;
      s.remove_prefix(1);
    }
  }
  return s.empty();
}

// The cell of "x,y", or kNoCell when it is not a cell of the board.
int ParseCell(std::string_view s) {
  long long v[2];
  if (!ParseInts(s, v, 2) || v[0] < 0 || v[0] >= kSize || v[1] < 0 || v[1] >= kSize) {
    return kNoCell;
  }
  return CellAt(static_cast<int>(v[0]), static_cast<int>(v[1]));
}

bool PlaceAs(Board& b, int cell, int side) {
  b.to_move = side;
  const bool ok = Play(b, cell);
  b.to_move = kOwn;
  return ok;
}

int AnyEmpty(const Board& b) {
  for (int cell = 0; cell < kCells; ++cell) {
    if (b.stone[cell] == 0) return cell;
  }
  return kNoCell;
}

// Chooses, plays and announces our move.
void Move(Brain& brain, std::string& out) {
  Engine& e = *brain.engine;
  Board& b = e.board;
  b.to_move = kOwn;
  if (AnyEmpty(b) == kNoCell) {
    out += "ERROR the board is full\r\n";
    return;
  }
  int cell = kNoCell;
  if (b.moves == 0) {
    cell = CellAt(kSize / 2, kSize / 2);
  } else {
    SearchLimits limits;
    limits.start_ms = brain.now_ms();
    if (brain.fixed_nodes > 0) {
      limits.max_nodes = brain.fixed_nodes;
    } else {
      limits.now_ms = brain.now_ms;
      const TimePlan plan = PlanTurn(brain.time);
      limits.soft_ms = plan.soft_ms;
      limits.hard_ms = plan.hard_ms;
    }
    const SearchResult r = ChooseMove(e, limits);
    std::fprintf(stderr, "%s depth %d score %d nodes %lld ms %lld\n", r.reason, r.depth, r.score,
                 static_cast<long long>(r.nodes),
                 static_cast<long long>(brain.now_ms() - limits.start_ms));
    cell = r.move;
  }
  if (cell < 0 || cell >= kCells || b.stone[cell] != 0) cell = AnyEmpty(b);
  PlaceAs(b, cell, kOwn);
  out += std::to_string(XOf(cell)) + "," + std::to_string(YOf(cell)) + "\r\n";
}

void Info(Brain& brain, std::string_view rest) {
  rest = Trim(rest);
  const std::size_t space = rest.find(' ');
  if (space == std::string_view::npos) return;
  const std::string_view key = rest.substr(0, space);
  long long value = 0;
  if (!ParseInts(rest.substr(space + 1), &value, 1)) return;
  if (key == "timeout_turn") brain.time.turn_ms = std::max(0LL, value);
  if (key == "timeout_match") brain.time.match_ms = std::max(0LL, value);
  if (key == "time_left") brain.time.left_ms = std::max(0LL, value);
}

void BoardLine(Brain& brain, std::string_view line, std::string& out) {
  long long v[3];
  if (!ParseInts(line, v, 3)) return;  // not a stone line: ignored
  if (v[0] < 0 || v[0] >= kSize || v[1] < 0 || v[1] >= kSize) return;
  const int cell = CellAt(static_cast<int>(v[0]), static_cast<int>(v[1]));
  if (v[2] == 1 || v[2] == 2) PlaceAs(brain.engine->board, cell, v[2] == 1 ? kOwn : kTheirs);
  (void)out;
}

}  // namespace

void InitBrain(Brain& brain, NowMs now_ms) {
  brain.engine = std::make_unique<Engine>();
  InitEngine(*brain.engine);
  brain.now_ms = now_ms;
}

bool HandleLine(Brain& brain, std::string_view line, std::string& out) {
  line = Trim(line);
  if (line.empty()) return true;
  std::string word;
  std::size_t i = 0;
  while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(line[i++])));
  }
  const std::string_view rest = line.substr(i);
  if (brain.in_board) {
    if (word == "DONE") {
      brain.in_board = false;
      Move(brain, out);
    } else {
      BoardLine(brain, line, out);
    }
    return true;
  }
  if (word == "END") return false;
  if (word == "ABOUT") {
    out += "name=\"pbrain-tactic\", version=\"1.0\", author=\"Ruvex\", country=\"-\"\r\n";
  } else if (word == "INFO") {
    Info(brain, rest);
  } else if (word == "START") {
    long long size = 0;
    if (!ParseInts(rest, &size, 1) || size != kSize) {
      out += "ERROR only the 20x20 board is supported\r\n";
    } else {
      NewGame(*brain.engine);
      brain.started = true;
      out += "OK\r\n";
    }
  } else if (word == "RESTART") {
    NewGame(*brain.engine);
    brain.started = true;
    out += "OK\r\n";
  } else if (word == "BEGIN" || word == "TURN" || word == "BOARD" || word == "TAKEBACK") {
    if (!brain.started) {
      out += "ERROR no game started, send START first\r\n";
    } else if (word == "BEGIN") {
      Move(brain, out);
    } else if (word == "BOARD") {
      NewGame(*brain.engine);
      brain.in_board = true;
    } else {
      Board& b = brain.engine->board;
      const int cell = ParseCell(rest);
      if (word == "TURN") {
        if (cell == kNoCell || !PlaceAs(b, cell, kTheirs)) {
          out += "ERROR bad move " + std::string(Trim(rest)) + "\r\n";
        } else {
          Move(brain, out);
        }
      } else if (cell != kNoCell && b.moves > 0 && b.history[b.moves - 1] == cell) {
        Undo(b);  // TAKEBACK of the last move only
        b.to_move = kOwn;
        out += "OK\r\n";
      } else {
        out += "ERROR cannot take back " + std::string(Trim(rest)) + "\r\n";
      }
    }
  } else {
    out += "UNKNOWN\r\n";
  }
  return true;
}

}  // namespace ruvex::tactic
