// pbrain-tactic: a Gomocup brain that plays by threat-space search and alpha-beta; the
// arena's tactical reference opponent.
#include <chrono>
#include <iostream>
#include <string>

#include "tactic/protocol.h"

namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main() {
  std::ios::sync_with_stdio(false);
  ruvex::tactic::Brain brain;
  ruvex::tactic::InitBrain(brain, NowMs);
  std::string line, out;
  while (std::getline(std::cin, line)) {
    out.clear();
    const bool more = ruvex::tactic::HandleLine(brain, line, out);
    std::cout << out << std::flush;
    if (!more) break;
  }
  return 0;
}
