// Time per move from the manager's INFO values.
#pragma once

#include <cstdint>

namespace ruvex::tactic {

struct TimeControl {
  std::int64_t turn_ms = 5000;  // INFO timeout_turn; 0: play as fast as possible
  std::int64_t match_ms = 0;    // INFO timeout_match; 0: no match clock
  std::int64_t left_ms = -1;    // INFO time_left; negative: not sent
};

struct TimePlan {
  std::int64_t soft_ms;  // start no new alpha-beta iteration after this
  std::int64_t hard_ms;  // stop all searching at this (well inside every limit)
};

TimePlan PlanTurn(const TimeControl& t);

}  // namespace ruvex::tactic
