// The Gomocup brain protocol for pbrain-tactic: START (size 20 only), BEGIN, TURN, BOARD ...
// DONE, INFO, ABOUT, RESTART, TAKEBACK, END. Own stones are side 0, the opponent's side 1.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tactic/search.h"
#include "tactic/timing.h"

namespace ruvex::tactic {

struct Brain {
  std::unique_ptr<Engine> engine;
  TimeControl time;
  NowMs now_ms = nullptr;
  std::int64_t fixed_nodes = 0;  // > 0: search this many nodes a move, without the clock
  bool started = false;
  bool in_board = false;  // between BOARD and DONE
};

void InitBrain(Brain& brain, NowMs now_ms);

// Handles one input line (without its line end); appends answer lines ("...\r\n") to
// `out`. Returns false after END.
bool HandleLine(Brain& brain, std::string_view line, std::string& out);

}  // namespace ruvex::tactic
