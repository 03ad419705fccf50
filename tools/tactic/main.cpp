// pbrain-tactic: a Gomocup brain that plays by threat-space search and alpha-beta; the
// arena's tactical reference opponent. `pbrain-tactic --nodes N` searches N nodes a move
// instead of timing itself, so its games are reproducible.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "tactic/protocol.h"

namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  ruvex::tactic::Brain brain;
  ruvex::tactic::InitBrain(brain, NowMs);
  if (argc == 3 && std::strcmp(argv[1], "--nodes") == 0) {
    brain.fixed_nodes = std::max(1LL, std::atoll(argv[2]));
  } else if (argc != 1) {
    std::cerr << "usage: pbrain-tactic [--nodes N]\n";
    return 2;
  }
  std::string line, out;
  while (std::getline(std::cin, line)) {
    out.clear();
    const bool more = ruvex::tactic::HandleLine(brain, line, out);
    std::cout << out << std::flush;
    if (!more) break;
  }
  return 0;
}
